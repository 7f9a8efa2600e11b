#include "notes/repeat_rule_items.h"

#include <set>
#include <string>

#include "notes/person_document.h"
#include "notesapi/lnitem.h"
#include "platform/local_time.h"
#include "platform/text.h"

namespace pim {

using notes::LNItem;
using notes::LNNote;
using notes::LNSTATUS;
using notes::LNText;

namespace {

// A look-up that fails, by status or by throwing, means the item is not there.
bool LookUpItem(const LNNote& note, const char* name, LNItem& item) {
  if (!note.HasItem(name)) return false;
  try {
    return note.GetItem(name, &item) == notes::LNNOERROR;
  } catch (LNSTATUS) {
    return false;
  }
}

void WriteItem(LNNote& entry, const char* name, const LNText& text) {
  entry.CreateItem(name, text, notes::LNITEMFLAGS_SUMMARY, notes::LNITEMOPTION_DELETE_APPEND,
                   nullptr);
}

void WriteTextItem(LNNote& entry, const char* name, const char* value) {
  LNText text;
  text.SetValue(value, notes::TRUE);
  WriteItem(entry, name, text);
}

// Weekly rules list their days in "RepeatAdjust".
bool ReadWeekdays(RepeatRule& rule, const LNNote& entry, int start_weekday) {
  rule.nKind = RepeatRule::kWeeklyOnDays;
  LNItem item;
  if (!LookUpItem(entry, "RepeatAdjust", item)) {
    rule.nKind = RepeatRule::kWeekly;
    return true;
  }
  if (item.GetType() != notes::LNITEMTYPE_TEXT) {
    rule.abWeekdays.fill(0);
    return false;
  }
  const LNText days(item);
  const uint32_t count = days.GetCount();
  if (count == 0) {
    rule.nKind = RepeatRule::kWeekly;
    return true;
  }
  rule.abWeekdays.fill(0);
  for (uint32_t i = 0; i < count; ++i) {
    const std::string value = days[i];
    if (value.size() != 1) continue;
    const int day = platform::StrToIntA(value);
    if (count == 1 && day == start_weekday - 1) {
      rule.nKind = RepeatRule::kWeekly;
      return true;
    }
    if (day >= 0 && day <= 6) rule.abWeekdays[static_cast<size_t>(day)] = 1;
  }
  return true;
}

}  // namespace

bool ReadRepeatRule(RepeatRule& rule, const LNNote& entry, int start_weekday) {
  std::string repeats;
  if (!ReadTextItem(entry, "Repeats", repeats) || !platform::EqualsNoCase(repeats, "1")) {
    rule.nKind = RepeatRule::kNone;
    return true;
  }
  std::string unit;
  if (!ReadTextItem(entry, "RepeatForUnit", unit)) {
    rule.nKind = RepeatRule::kNone;
    ReadRepeatInstanceDates(rule, entry);
    return true;
  }
  if (platform::EqualsNoCase(unit, "D")) {
    rule.nKind = RepeatRule::kDaily;
  } else if (platform::EqualsNoCase(unit, "W")) {
    return ReadWeekdays(rule, entry, start_weekday);
  } else if (platform::EqualsNoCase(unit, "M")) {
    rule.nKind = RepeatRule::kMonthly;
  } else {
    rule.nKind = RepeatRule::kNone;
  }
  return true;
}

void ReadRepeatInstanceDates(RepeatRule& rule, const LNNote& entry) {
  LNItem item;
  if (!LookUpItem(entry, "RepeatInstanceDates", item)) return;
  if (item.GetType() != notes::LNITEMTYPE_DATETIMES) return;
  const notes::LNDatetimes dates(item);
  std::set<int> months;
  std::set<int> weekdays;
  std::set<int> days_of_month;
  for (uint32_t i = 0; i < dates.GetCount(); ++i) {
    int32_t time = 0;
    platform::LocalParts parts;
    if (!NotesTimeToLocal(time, dates[i]) || !platform::BreakDownLocal(time, parts)) continue;
    months.insert(parts.month);
    weekdays.insert(parts.weekday);
    days_of_month.insert(parts.day);
  }
  if (days_of_month.size() == 1 && months.size() > 1) {
    rule.nKind = RepeatRule::kMonthly;
  } else if (weekdays.size() == 7) {
    rule.nKind = RepeatRule::kDaily;
  } else if (weekdays.size() >= 2) {
    rule.nKind = RepeatRule::kWeeklyOnDays;
    for (int day = 0; day < 7; ++day) {
      rule.abWeekdays[static_cast<size_t>(day)] = weekdays.count(day) != 0 ? 1 : 0;
    }
  }
}

bool WriteRepeatRule(LNNote& entry, const RepeatRule& rule) {
  if (rule.nKind == RepeatRule::kNone) {
    WriteTextItem(entry, "Repeats", "");
    return true;
  }
  WriteTextItem(entry, "Repeats", "1");
  switch (rule.nKind) {
    case RepeatRule::kDaily:
      WriteTextItem(entry, "RepeatForUnit", "D");
      WriteTextItem(entry, "RepeatInterval", "1");
      break;
    case RepeatRule::kWeeklyOnDays: {
      WriteTextItem(entry, "RepeatForUnit", "W");
      WriteTextItem(entry, "RepeatInterval", "1");
      LNText days;
      days.DeleteAll();
      for (int day = 0; day < 7; ++day) {
        if (rule.abWeekdays[static_cast<size_t>(day)] != 0) {
          days.Insert(days.GetCount(), std::to_string(day));
        }
      }
      WriteItem(entry, "RepeatAdjust", days);
      break;
    }
    case RepeatRule::kWeekly:
      WriteTextItem(entry, "RepeatForUnit", "W");
      WriteTextItem(entry, "RepeatInterval", "1");
      break;
    case RepeatRule::kMonthly:
      WriteTextItem(entry, "RepeatForUnit", "M");
      WriteTextItem(entry, "RepeatInterval", "1");
      break;
    default:
      break;
  }
  return true;
}

}  // namespace pim
