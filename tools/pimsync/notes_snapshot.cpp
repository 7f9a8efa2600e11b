#include "notes_snapshot.h"

#include <string_view>

#include "notes/calendar_entry.h"
#include "notes/note_id_merge.h"
#include "notes/person_document.h"
#include "notesapi/lncalendar.h"
#include "notesapi/lnsession.h"

namespace pim::cli {

using namespace pim::notes;

namespace {

// What the sync carries of a record: its text without the line of the given time, which
// moves with every save even when nothing else does.
std::string Fingerprint(std::string text, std::string_view time_name) {
  const size_t at = text.find(std::string("\n") + std::string(time_name) + ":");
  if (at != std::string::npos) text.erase(at + 1, text.find('\n', at + 1) - at);
  return text;
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
    ContactArray contacts;
    NoteIdMerge<CContactObject> contact_merge(contacts);
    for (uint32_t i = 0; i < documents.GetCount(); ++i) {
      LNDocument document = documents[i];
      document.Open(0);
      contact_merge.Merge([&](ContactArray& fresh) { ReadPersonDocument(fresh, document); });
    }
    for (const auto& contact : contacts) {
      snapshot.contacts[contact->m_nNoteId] = Fingerprint(contact->ToVCard(), "REV");
    }

    LNCalendar calendar;
    session.GetCalendar(&calendar, calendar_db, "", "");
    LNDatetimeRange window;
    window.SetBegin(LNDatetime("1990/1/1"));
    window.SetEnd(LNDatetime("2020/1/1"));
    LNCalendarEntryArray entries;
    calendar.GetEntries(window, &entries, TRUE, "");
    CalendarArray todos;
    NoteIdMerge<CCalEntryObject> todo_merge(todos);
    for (uint32_t i = 0; i < entries.GetCount(); ++i) {
      LNCalendarEntry entry = entries[i];
      entry.Open(0);
      todo_merge.Merge([&](CalendarArray& fresh) { ReadCalendarEntry(fresh, entry); });
    }
    for (const auto& todo : todos) {
      snapshot.todos[todo->m_nNoteId] = Fingerprint(todo->ToVCalendar(), "LAST-MODIFIED");
    }
    session.Term(0);
    snapshot.readable = true;
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
