// Carrying the phone's changes into Notes: documents created, updated and deleted by each
// record's phone-side state, and the records gone from both sides dropped from the store.
#include <algorithm>
#include <ctime>

#include "handler/entry_guard.h"
#include "handler/module_state.h"
#include "handler/notes_access.h"
#include "handler/reports.h"
#include "notes/calendar_entry.h"
#include "notes/person_document.h"
#include "pim_handler.h"
#include "platform/local_time.h"

using namespace pim;
using namespace pim::handler;

namespace {

// Walks an array from the first record to the last; a dropped record is released and the
// next takes its place. However the walk ends (a Notes failure included), the array is left
// without the dropped records and in its order.
template <class Record>
class RecordWalk {
 public:
  explicit RecordWalk(std::vector<std::unique_ptr<Record>>& records) : records_(records) {}
  ~RecordWalk() {
    // Records the walk did not reach stay where they are, after the kept ones.
    for (size_t i = next_; i < records_.size(); ++i)
      records_[kept_++] = std::move(records_[i]);
    records_.resize(kept_);
  }
  RecordWalk(const RecordWalk&) = delete;
  RecordWalk& operator=(const RecordWalk&) = delete;

  Record* Next() { return next_ < records_.size() ? records_[next_].get() : nullptr; }
  void Keep() { records_[kept_++] = std::move(records_[next_++]); }
  void Drop() { records_[next_++].reset(); }

 private:
  std::vector<std::unique_ptr<Record>>& records_;
  size_t next_ = 0;
  size_t kept_ = 0;
};

template <class Record>
bool GoneFromBothSides(const Record& record) {
  return record.m_nNotesState == SyncStateUnchanged && !record.m_bSeenOnPhone;
}

// Carries each record's phone-side state into Notes: `create` and `update` write the kind's
// documents; a record gone from the phone takes its note with it, and a record gone from both
// sides leaves the store.
template <class Record, class Create, class Update>
void ApplyPhoneStates(std::vector<std::unique_ptr<Record>>& records, notes::LNDatabase& database,
                      Create&& create, Update&& update) {
  RecordWalk<Record> walk(records);
  while (Record* record = walk.Next()) {
    switch (record->m_nPhoneState) {
      case SyncStateUnchanged:
        if (GoneFromBothSides(*record)) {
          walk.Drop();
          continue;
        }
        break;
      case SyncStateAdded:
        create(*record);
        break;
      case SyncStateDeleted:
        database.DeleteNote(record->m_nNoteId);
        walk.Drop();
        continue;
      case SyncStateModified:
        update(*record);
        break;
      default:
        break;
    }
    walk.Keep();
  }
}

void UpdateCalendar(ModuleState& state) {
  notes::LNCalendar calendar;
  GetCalendar(state, calendar);
  const auto create = [&](CCalEntryObject& record) {
    notes::LNDatetimeRange range;
    RangeOfNewTodo(record, range);
    const std::string brief = record.m_bHasSummary ? record.m_strSummary : std::string();
    notes::LNCalendarEntry entry;
    if (calendar.CreateEntry(range, brief, notes::LNCALENDARENTRYTYPE_TODO, &entry) !=
        notes::LNNOERROR) {
      return;
    }
    // Known at once, so that a failure while the entry is written still leaves it paired.
    record.m_nNoteId = entry.GetNoteID();
    // The entry already holds them: write only the alarm and the repeat rule.
    record.m_bHasSummary = 0;
    record.m_bHasStart = 0;
    record.m_bHasEnd = 0;
    WriteCalendarEntry(entry, record);
    entry.Close();
    record.m_nNoteId = entry.GetNoteID();
  };
  const auto update = [&](CCalEntryObject& record) {
    notes::LNCalendarEntry entry;
    if (calendar.GetDocument(record.m_nNoteId, &entry) != notes::LNNOERROR) return;
    entry.Open(0);
    WriteCalendarEntry(entry, record);
    entry.Close();
  };
  ApplyPhoneStates(state.calendar, calendar, create, update);
  calendar.Close();
}

void UpdateContacts(ModuleState& state) {
  notes::LNDatabase database;
  OpenContactDatabase(state, database);
  const auto create = [&](CContactObject& record) {
    notes::LNDocument document;
    if (database.CreateDocument(&document, "Person") != notes::LNNOERROR) return;
    WritePersonDocument(document, record);
    record.m_nNoteId = document.GetNoteID();
    document.Close();
  };
  const auto update = [&](CContactObject& record) {
    notes::LNDocument document;
    if (database.GetDocument(record.m_nNoteId, &document) != notes::LNNOERROR) return;
    document.Open(0);
    WritePersonDocument(document, record);
    record.m_nNoteId = document.GetNoteID();
    document.Close();
  };
  ApplyPhoneStates(state.contacts, database, create, update);
  database.Close();
}

}  // namespace

extern "C" int32_t PIMHandler_UpdatePIM(void) {
  return Guarded([] {
    return WithNotesReports(Caption::kEmpty, [] {
      ModuleState& state = State();
      UpdateCalendar(state);
      UpdateContacts(state);
      return 0;
    });
  });
}
