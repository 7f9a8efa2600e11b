// Counting the Notes records, and the retrieval: the store file loaded, then every Notes
// to-do and contact merged into it.
#include <new>

#include "handler/entry_guard.h"
#include "handler/module_state.h"
#include "handler/notes_access.h"
#include "handler/reports.h"
#include "handler/store_io.h"
#include "notes/calendar_entry.h"
#include "notes/note_id_merge.h"
#include "notes/person_document.h"
#include "pim_handler.h"
#include "records/archive.h"

using namespace pim;
using namespace pim::handler;

namespace {

template <class Array>
void MarkLoaded(Array& records) {
  for (auto& record : records) {
    record->m_nNotesState = SyncStateDeleted;
    record->m_nPhoneState = SyncStateDeleted;
    record->m_bSeenOnPhone = 0;
  }
}

// Phase A. Returns false when the file's first word is foreign (nothing is loaded then).
bool LoadStoreFile(ModuleState& state) {
  state.loaded_store.clear();
  try {
    switch (
        LoadStore(state.settings.store_path, state.calendar, state.contacts, &state.loaded_store)) {
      case StoreLoad::kForeignHead:
        return false;
      case StoreLoad::kNoFile:
        return true;  // the arrays go on as they are
      case StoreLoad::kLoaded:
        break;
    }
  } catch (const platform::FileError& error) {
    ReportFileError(error);
  } catch (const ArchiveError&) {
    // A damaged store: keep what was read before the fault, silently.
  } catch (const std::bad_alloc&) {
  }
  // Whatever was read, and whatever an array not reached still holds, starts this run as
  // gone from both sides until a pass meets it: no record is left without its states.
  MarkLoaded(state.calendar);
  MarkLoaded(state.contacts);
  return true;
}

}  // namespace

extern "C" int32_t PIMHandler_QueryObjectCount(uint32_t* contact_count, uint32_t* calendar_count) {
  return Guarded([&] {
    return WithNotesReports(Caption::kDefault, [&] {
      ModuleState& state = State();
      state.RefreshNotesStrings();
      notes::LNCalendar calendar;
      GetCalendar(state, calendar);
      notes::LNCalendarEntryArray entries;
      GetRetrievalEntries(calendar, entries);
      if (calendar_count != nullptr) *calendar_count = entries.GetCount();

      notes::LNDatabase database;
      OpenContactDatabase(state, database);
      notes::LNDocumentArray documents;
      database.GetDocuments(&documents);
      uint32_t persons = 0;
      for (uint32_t i = 0; i < documents.GetCount(); ++i) {
        notes::LNDocument document = documents[i];
        document.Open(0);
        notes::LNString form;
        document.GetFormNote(&form);
        if (IsPersonForm(form)) ++persons;
        document.Close();
      }
      database.Close();
      if (contact_count != nullptr) *contact_count = persons;
      return 0;
    });
  });
}

extern "C" int32_t PIMHandler_RetrievePIM(void) {
  return Guarded([] {
    ModuleState& state = State();
    if (!LoadStoreFile(state)) return 2;
    return WithNotesReports(Caption::kDefault, [&] {
      state.RefreshNotesStrings();
      notes::LNCalendar calendar;
      GetCalendar(state, calendar);
      notes::LNCalendarEntryArray entries;
      GetRetrievalEntries(calendar, entries);
      NoteIdMerge<CCalEntryObject> calendar_merge(state.calendar);
      for (uint32_t i = 0; i < entries.GetCount(); ++i) {
        notes::LNCalendarEntry entry = entries[i];
        entry.Open(0);
        calendar_merge.Merge([&](CalendarArray& fresh) { ReadCalendarEntry(fresh, entry); });
        entry.Close();
      }

      notes::LNDatabase database;
      OpenContactDatabase(state, database);
      notes::LNDocumentArray documents;
      database.GetDocuments(&documents);
      NoteIdMerge<CContactObject> contact_merge(state.contacts);
      for (uint32_t i = 0; i < documents.GetCount(); ++i) {
        notes::LNDocument document = documents[i];
        document.Open(0);
        contact_merge.Merge([&](ContactArray& fresh) { ReadPersonDocument(fresh, document); });
        document.Close();
      }
      database.Close();
      return 0;
    });
  });
}
