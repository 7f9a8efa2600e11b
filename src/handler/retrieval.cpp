// Counting the Notes records, and the retrieval: the store file loaded, then every Notes
// to-do and contact merged into it.
#include <new>
#include <unordered_map>

#include "handler/entry_guard.h"
#include "handler/module_state.h"
#include "handler/notes_access.h"
#include "handler/reports.h"
#include "handler/store_io.h"
#include "notes/calendar_entry.h"
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

// Merges each note read by retrieval into its array by note ID, as ReadPersonDocument and
// ReadCalendarEntry do: into the record nearest the end with that ID, or appended. The array
// only grows at its end while Notes is merged and a record's ID never changes, so an index of
// the last position per ID finds exactly the record that a search from the end would.
template <class Record>
class NoteIdMerge {
 public:
  using Array = std::vector<std::unique_ptr<Record>>;

  explicit NoteIdMerge(Array& records) : records_(records) {
    for (size_t i = 0; i < records_.size(); ++i)
      last_[records_[i]->m_nNoteId] = i;
  }

  // `read` fills an empty array the way the Notes mapping fills the store's: nothing when it
  // declines the note, else the new record, appended as added in Notes.
  template <class Read>
  void Merge(Read&& read) {
    Array fresh;
    read(fresh);
    if (fresh.empty()) return;
    std::unique_ptr<Record>& record = fresh.front();
    const auto found = last_.find(record->m_nNoteId);
    if (found == last_.end()) {
      last_[record->m_nNoteId] = records_.size();
      records_.push_back(std::move(record));
      return;
    }
    Record& stored = *records_[found->second];
    stored.StartNotesDelta();
    stored.m_pNotesDelta->MergeFrom(*record, true);
    stored.MergeFrom(*record, true);
  }

 private:
  Array& records_;
  std::unordered_map<uint32_t, size_t> last_;
};

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
