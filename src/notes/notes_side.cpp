#include "notes/notes_side.h"

#include "notes/calendar_entry.h"
#include "notes/note_id_merge.h"
#include "notes/person_document.h"
#include "notes/sync_scope.h"

namespace pim {

void GetCalendar(notes::LNNotesSession& session, const NotesNames& names,
                 notes::LNCalendar& calendar) {
  session.GetCalendar(&calendar, names.calendar_first_name, names.calendar_second_name, "");
}

void OpenContactDatabase(notes::LNNotesSession& session, const NotesNames& names,
                         notes::LNDatabase& database) {
  session.GetDatabase(names.contact_db_path, &database, names.contact_db_server);
  database.Open();
}

void GetSyncedEntries(notes::LNCalendar& calendar, notes::LNCalendarEntryArray& entries) {
  calendar.GetEntries(RetrievalRange(), &entries, notes::TRUE, "");
}

void ReadNotes(notes::LNNotesSession& session, const NotesNames& names, CalendarArray* todos,
               ContactArray* contacts) {
  // The calendar stays open while the contacts are read: on one file both share a connection.
  notes::LNCalendar calendar;
  if (todos != nullptr) {
    GetCalendar(session, names, calendar);
    notes::LNCalendarEntryArray entries;
    GetSyncedEntries(calendar, entries);
    NoteIdMerge<CCalEntryObject> merge(*todos);
    for (uint32_t i = 0; i < entries.GetCount(); ++i) {
      notes::LNCalendarEntry entry = entries[i];
      entry.Open(0);
      merge.Merge(ReadCalendarEntry(entry));
      entry.Close();
    }
  }
  if (contacts != nullptr) {
    notes::LNDatabase database;
    OpenContactDatabase(session, names, database);
    notes::LNDocumentArray documents;
    database.GetDocuments(&documents);
    NoteIdMerge<CContactObject> merge(*contacts);
    for (uint32_t i = 0; i < documents.GetCount(); ++i) {
      notes::LNDocument document = documents[i];
      document.Open(0);
      merge.Merge(ReadPersonDocument(document));
      document.Close();
    }
    database.Close();
  }
}

}  // namespace pim
