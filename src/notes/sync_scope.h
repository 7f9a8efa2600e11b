// What of Notes takes part in a sync, and the settings a run starts with. The library acts on
// these facts and its host shows and checks them (which notes a report counts, what a purge
// deletes, what a sample holds), so both take them from here. The header needs nothing but the
// Notes classes, which the host may use too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "notesapi/lndatetime.h"

namespace pim {

// Notes names (of forms and items) compare without regard to the case of ASCII letters.
inline char FoldNotesName(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

inline bool SameNotesName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldNotesName(a[i]) != FoldNotesName(b[i])) return false;
  }
  return true;
}

// Contacts are the documents of this form in the contact database; a saved one carries the
// form's name again in its Type item.
inline constexpr char kPersonForm[] = "Person";
inline constexpr char kPersonTypeItem[] = "Type";

inline bool IsPersonForm(std::string_view form) {
  return SameNotesName(form, kPersonForm);
}

// The items of a Person document that hold a contact's fields.
inline constexpr char kFirstNameItem[] = "FirstName";
inline constexpr char kLastNameItem[] = "LastName";
inline constexpr char kCategoriesItem[] = "Categories";
inline constexpr char kCellPhoneItem[] = "CellPhoneNumber";
inline constexpr char kMailAddressItem[] = "MailAddress";
inline constexpr char kOfficeFaxItem[] = "OfficeFAXPhoneNumber";
inline constexpr char kPhoneItem[] = "PhoneNumber";
inline constexpr char kOfficePhoneItem[] = "OfficePhoneNumber";
inline constexpr char kCompanyItem[] = "CompanyName";
// Those items, in the order a contact's fields are read: the only items of a Person document
// that a sync carries (besides the Type it writes).
inline constexpr const char* kPersonItemNames[] = {
    kFirstNameItem, kLastNameItem, kCategoriesItem,  kCellPhoneItem, kMailAddressItem,
    kOfficeFaxItem, kPhoneItem,    kOfficePhoneItem, kCompanyItem};

inline bool IsSyncedPersonItem(std::string_view item) {
  for (const char* name : kPersonItemNames) {
    if (SameNotesName(item, name)) return true;
  }
  return false;
}

// A day of the calendar.
struct CalendarDay {
  int year = 0;
  int month = 0;
  int day = 0;

  friend bool operator==(const CalendarDay&, const CalendarDay&) = default;
  friend auto operator<=>(const CalendarDay&, const CalendarDay&) = default;
};

// The days whose to-dos a run takes, both included.
struct CalendarRange {
  CalendarDay first;
  CalendarDay last;

  friend bool operator==(const CalendarRange&, const CalendarRange&) = default;
};

// The range a run takes until the host sets another.
inline constexpr CalendarRange kDefaultCalendarRange = {{1990, 1, 1}, {2020, 1, 1}};

// A day written YYYY-MM-DD, from 1970-01-01 to 2037-12-31 (the days the phone's date form
// carries); false for anything else.
inline bool ParseCalendarDay(std::string_view text, CalendarDay& day) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
  int values[3] = {};
  const size_t starts[3] = {0, 5, 8};
  const size_t lengths[3] = {4, 2, 2};
  for (int i = 0; i < 3; ++i) {
    for (size_t k = starts[i]; k < starts[i] + lengths[i]; ++k) {
      if (text[k] < '0' || text[k] > '9') return false;
      values[i] = values[i] * 10 + (text[k] - '0');
    }
  }
  const auto [year, month, mday] = values;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  const int days_in_month[12] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1970 || year > 2037 || month < 1 || month > 12 || mday < 1 ||
      mday > days_in_month[month - 1]) {
    return false;
  }
  day = {year, month, mday};
  return true;
}

// Both days, the last not before the first; false for anything else.
inline bool ParseCalendarRange(std::string_view first, std::string_view last,
                               CalendarRange& range) {
  CalendarRange read;
  if (!ParseCalendarDay(first, read.first) || !ParseCalendarDay(last, read.last) ||
      read.last < read.first) {
    return false;
  }
  range = read;
  return true;
}

// The day written YYYY-MM-DD.
inline std::string CalendarDayText(const CalendarDay& day) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", day.year, day.month, day.day);
  return text;
}

inline notes::LNDatetime DateOf(const CalendarDay& day) {
  notes::LNDatetime date;
  date.SetDate(day.month, day.day, day.year);
  return date;
}

// The range to ask the calendar for the to-dos of those days.
inline notes::LNDatetimeRange RetrievalRange(const CalendarRange& days) {
  notes::LNDatetimeRange range;
  range.SetBegin(DateOf(days.first));
  range.SetEnd(DateOf(days.last));
  return range;
}

// The settings a run has until the host prepares it: deletions made on one side are made on
// the other, and the phone holds this many records of each kind.
inline constexpr int32_t kDefaultSyncMode = 2;
inline constexpr int32_t kDefaultLimit = 200;

}  // namespace pim
