// What of a Notes database takes part in a sync, as the handler library sees it: the Person
// documents of the contact database, and the to-dos of the calendar whose start lies in the
// retrieval window. pimsync reports on the same notes and purges the same notes, so these facts
// are written here once for all its commands.
#pragma once

#include <cstddef>
#include <string_view>

#include "notesapi/lndatetime.h"

namespace pim::cli {

// The form of the documents that hold contacts.
inline constexpr char kPersonForm[] = "Person";

// The days whose to-dos the handler retrieves, both included, written as LNDatetime reads a date.
inline constexpr char kWindowFirstDay[] = "1990/1/1";
inline constexpr char kWindowLastDay[] = "2020/1/1";

// Notes names (of forms and items) compare without regard to the case of ASCII letters.
inline bool SameName(std::string_view a, std::string_view b) {
  const auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

inline bool IsPersonForm(std::string_view form) {
  return SameName(form, kPersonForm);
}

// The range to ask the calendar for the to-dos of the window.
inline notes::LNDatetimeRange RetrievalWindow() {
  notes::LNDatetimeRange window;
  window.SetBegin(notes::LNDatetime(kWindowFirstDay));
  window.SetEnd(notes::LNDatetime(kWindowLastDay));
  return window;
}

}  // namespace pim::cli
