#include "exchange/purge.h"

#include "notes/person_document.h"

namespace pim {

void PurgeNotes(notes::LNNotesSession& session, const NotesNames& names,
                const CalendarRange& range) {
  notes::LNCalendar calendar;
  GetCalendar(session, names, calendar);
  notes::LNCalendarEntryArray entries;
  GetSyncedEntries(calendar, range, entries);
  for (uint32_t i = 0; i < entries.GetCount(); ++i) {
    calendar.DeleteNote(entries[i].GetNoteID());
  }

  notes::LNDatabase database;
  OpenContactDatabase(session, names, database);
  notes::LNDocumentArray documents;
  database.GetDocuments(&documents);
  for (uint32_t i = 0; i < documents.GetCount(); ++i) {
    notes::LNDocument document = documents[i];
    document.Open(0);
    notes::LNString form;
    document.GetFormNote(&form);
    const notes::NOTEID id = document.GetNoteID();
    document.Close();
    if (IsPersonForm(form)) database.DeleteNote(id);
  }
  database.Close();
}

}  // namespace pim
