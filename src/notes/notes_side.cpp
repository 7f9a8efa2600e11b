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

void GetSyncedEntries(notes::LNCalendar& calendar, const CalendarRange& range,
                      notes::LNCalendarEntryArray& entries) {
  calendar.GetEntries(RetrievalRange(range), &entries, notes::TRUE, "");
}

namespace {

// Opens each note of `notes` in turn, reads it with `read` and merges it into `records`.
template <class Notes, class Record, class Read>
void MergeEach(const Notes& notes, std::vector<std::unique_ptr<Record>>& records, Read read) {
  NoteIdMerge<Record> merge(records);
  for (uint32_t i = 0; i < notes.GetCount(); ++i) {
    auto note = notes[i];
    note.Open(0);
    merge.Merge(read(note));
    note.Close();
  }
}

}  // namespace

void ReadNotes(notes::LNNotesSession& session, const NotesNames& names, const CalendarRange& range,
               CalendarArray* todos, ContactArray* contacts) {
  // The calendar stays open while the contacts are read: on one file both share a connection.
  notes::LNCalendar calendar;
  if (todos != nullptr) {
    GetCalendar(session, names, calendar);
    notes::LNCalendarEntryArray entries;
    GetSyncedEntries(calendar, range, entries);
    MergeEach(entries, *todos,
              [](notes::LNCalendarEntry& entry) { return ReadCalendarEntry(entry); });
  }
  if (contacts != nullptr) {
    notes::LNDatabase database;
    OpenContactDatabase(session, names, database);
    notes::LNDocumentArray documents;
    database.GetDocuments(&documents);
    MergeEach(documents, *contacts,
              [](notes::LNDocument& document) { return ReadPersonDocument(document); });
    database.Close();
  }
}

}  // namespace pim
