#include "notes_snapshot.h"

#include <string_view>

#include "notesapi/lncalendar.h"
#include "notesapi/lnsession.h"
#include "platform/text.h"

namespace pim::cli {

using namespace pim::notes;

namespace {

// The items a sync carries, as the stand-in keeps them; a change to any other item (the alarm
// time an update writes, the Type item) is no change a user would see.
constexpr const char* kPersonItems[] = {
    "FirstName",       "LastName",          "Categories",
    "CellPhoneNumber", "MailAddress",       "OfficeFAXPhoneNumber",
    "PhoneNumber",     "OfficePhoneNumber", "CompanyName"};
constexpr const char* kEntryItems[] = {kEntryStartItem,  kEntryEndItem, kEntryBriefItem,
                                       kEntryAlarmItem,  "Repeats",     "RepeatForUnit",
                                       "RepeatInterval", "RepeatAdjust"};

// The values of those items as one text. A missing item reads as an empty one: writing a
// Person document fills in every field, the empty ones included.
template <size_t N>
std::string Fingerprint(const LNNote& note, const char* const (&names)[N]) {
  std::string text;
  LNItem item;
  for (const char* name : names) {
    if (note.HasItem(name) && note.GetItem(name, &item) == LNNOERROR) {
      if (const auto* texts = item.Texts()) {
        for (const std::string& value : *texts)
          text += value + '\x1f';
      } else if (const auto* datetimes = item.Datetimes()) {
        for (const LNDatetime& value : *datetimes)
          text += value.GetText() + '\x1f';
      } else if (const auto* numbers = item.Numbers()) {
        for (double value : *numbers)
          text += std::to_string(value) + '\x1f';
      }
    }
    text += '\x1e';
  }
  return text;
}

bool OnOneDay(const LNDatetimeRange& range) {
  const LNDatetime& begin = range.GetBegin();
  const LNDatetime& end = range.GetEnd();
  return begin.GetYear() == end.GetYear() && begin.GetMonth() == end.GetMonth() &&
         begin.GetDay() == end.GetDay();
}

}  // namespace

NotesSnapshot TakeSnapshot(const std::string& contacts_db, const std::string& calendar_db) {
  NotesSnapshot snapshot;
  const LNBOOL throwing = LNGetThrowAllErrorsGlobal();
  LNSetThrowAllErrorsGlobal(TRUE);
  try {
    LNNotesSession session;
    session.Initialize();
    LNDatabase database;
    session.GetDatabase(contacts_db, &database, "");
    database.Open();
    LNDocumentArray documents;
    database.GetDocuments(&documents);
    for (uint32_t i = 0; i < documents.GetCount(); ++i) {
      LNDocument document = documents[i];
      document.Open(0);
      if (platform::EqualsNoCase(document.GetFormName(), "Person")) {
        snapshot.contacts[document.GetNoteID()] = Fingerprint(document, kPersonItems);
      }
    }

    LNCalendar calendar;
    session.GetCalendar(&calendar, calendar_db, "", "");
    LNDatetimeRange window;
    window.SetBegin(LNDatetime("1990/1/1"));
    window.SetEnd(LNDatetime("2020/1/1"));
    LNCalendarEntryArray entries;
    calendar.GetEntries(window, &entries, TRUE, "");
    for (uint32_t i = 0; i < entries.GetCount(); ++i) {
      LNCalendarEntry entry = entries[i];
      entry.Open(0);
      LNDatetimeRange range;
      entry.GetDatetimeRange(&range);
      // The sync leaves out entries that span two days.
      if (OnOneDay(range)) snapshot.todos[entry.GetNoteID()] = Fingerprint(entry, kEntryItems);
    }
    session.Term(0);
  } catch (LNSTATUS) {
    // A database that cannot be read counts as holding nothing; the run reports why.
  }
  LNSetThrowAllErrorsGlobal(throwing);
  return snapshot;
}

Changes Compare(const std::map<uint32_t, std::string>& before,
                const std::map<uint32_t, std::string>& after) {
  Changes changes;
  for (const auto& [id, fingerprint] : after) {
    const auto old = before.find(id);
    if (old == before.end()) {
      ++changes.added;
    } else if (old->second != fingerprint) {
      ++changes.changed;
    }
  }
  for (const auto& [id, fingerprint] : before) {
    if (after.find(id) == after.end()) ++changes.deleted;
  }
  return changes;
}

}  // namespace pim::cli
