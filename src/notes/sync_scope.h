// What of Notes takes part in a sync, and the settings a run starts with. The library acts on
// these facts and its host shows and checks them (which notes a report counts, what a purge
// deletes, what a sample holds), so both take them from here. The header needs nothing but the
// Notes classes, which the host may use too.
#pragma once

#include <cstddef>
#include <cstdint>
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

// The days whose to-dos a run takes from the calendar, both included, as LNDatetime reads a
// date.
inline constexpr char kRetrievalFirstDay[] = "1990/1/1";
inline constexpr char kRetrievalLastDay[] = "2020/1/1";

// The range to ask the calendar for those to-dos.
inline notes::LNDatetimeRange RetrievalRange() {
  notes::LNDatetimeRange range;
  range.SetBegin(notes::LNDatetime(kRetrievalFirstDay));
  range.SetEnd(notes::LNDatetime(kRetrievalLastDay));
  return range;
}

// The settings a run has until the host prepares it: deletions made on one side are made on
// the other, and the phone holds this many records of each kind.
inline constexpr int32_t kDefaultSyncMode = 2;
inline constexpr int32_t kDefaultLimit = 200;

}  // namespace pim
