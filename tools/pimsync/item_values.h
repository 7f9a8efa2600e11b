// The values of a Notes item, whatever its type, for the commands that show or compare them.
#pragma once

#include "notesapi/lnitem.h"

namespace pim::cli {

// Calls `visit` with each value of the item in order: a text (const LNString&), a number
// (double) or a date-time (const LNDatetime&), as the item's type has it.
template <class Visit>
void ForEachValue(const notes::LNItem& item, Visit&& visit) {
  if (const auto* texts = item.Texts()) {
    for (const notes::LNString& text : *texts)
      visit(text);
  } else if (const auto* numbers = item.Numbers()) {
    for (double number : *numbers)
      visit(number);
  } else if (const auto* datetimes = item.Datetimes()) {
    for (const notes::LNDatetime& datetime : *datetimes)
      visit(datetime);
  }
}

}  // namespace pim::cli
