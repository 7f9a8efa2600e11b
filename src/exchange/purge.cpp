// Emptying the Notes side: every to-do that retrieval would see and every Person document.
#include "handler/entry_guard.h"
#include "handler/module_state.h"
#include "handler/notes_access.h"
#include "handler/reports.h"
#include "pim_handler.h"

using namespace pim;
using namespace pim::handler;

extern "C" int32_t PIMHandler_PurgeAll(void) {
  return Guarded([] {
    notes::LNSetThrowAllErrorsGlobal(notes::TRUE);
    return WithNotesReports(Caption::kDefault, [] {
      ModuleState& state = State();
      state.session.Initialize(220, 0, nullptr, notes::TRUE, nullptr);
      state.RefreshNotesStrings();

      notes::LNCalendar calendar;
      GetCalendar(state, calendar);
      notes::LNCalendarEntryArray entries;
      GetRetrievalEntries(calendar, entries);
      for (uint32_t i = 0; i < entries.GetCount(); ++i) {
        calendar.DeleteNote(entries[i].GetNoteID());
      }

      notes::LNDatabase database;
      OpenContactDatabase(state, database);
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
      state.session.Term(0);
      return 0;
    });
  });
}
