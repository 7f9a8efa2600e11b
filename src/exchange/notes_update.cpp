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
    for (size_t i = next_; i < records_.size(); ++i) records_[kept_++] = std::move(records_[i]);
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

// A to-do from the phone may lack a start or an end: it takes the other one; lacking both, it
// is dated to the start of today.
void RangeOfNewTodo(const CCalEntryObject& record, notes::LNDatetimeRange& range) {
  int32_t start = record.m_tStart;
  int32_t end = record.m_tEnd;
  if (!record.m_bHasStart && record.m_bHasEnd) start = end;
  if (record.m_bHasStart && !record.m_bHasEnd) end = start;
  if (!record.m_bHasStart && !record.m_bHasEnd) {
    platform::LocalParts now;
    platform::BreakDownLocal(static_cast<int32_t>(std::time(nullptr)), now);
    start = end = platform::MakeLocalTime(now.year, now.month, now.day, 0, 0, 0);
  }
  notes::LNDatetime begin_time;
  notes::LNDatetime end_time;
  LocalTimeToNotes(begin_time, start);
  LocalTimeToNotes(end_time, end);
  range.SetBegin(begin_time);
  range.SetEnd(end_time);
}

void UpdateCalendar(ModuleState& state) {
  notes::LNCalendar calendar;
  GetCalendar(state, calendar);
  RecordWalk<CCalEntryObject> walk(state.calendar);
  while (CCalEntryObject* record = walk.Next()) {
    switch (record->m_nPhoneState) {
      case SyncStateUnchanged:
        if (GoneFromBothSides(*record)) {
          walk.Drop();
          continue;
        }
        break;
      case SyncStateAdded: {
        notes::LNDatetimeRange range;
        RangeOfNewTodo(*record, range);
        const std::string brief = record->m_bHasSummary ? record->m_strSummary : std::string();
        notes::LNCalendarEntry entry;
        if (calendar.CreateEntry(range, brief, notes::LNCALENDARENTRYTYPE_TODO, &entry) ==
            notes::LNNOERROR) {
          // The entry already holds them: write only the alarm and the repeat rule.
          record->m_bHasSummary = 0;
          record->m_bHasStart = 0;
          record->m_bHasEnd = 0;
          WriteCalendarEntry(entry, *record);
          entry.Close();
          record->m_nNoteId = entry.GetNoteID();
        }
        break;
      }
      case SyncStateDeleted:
        calendar.DeleteNote(record->m_nNoteId);
        walk.Drop();
        continue;
      case SyncStateModified: {
        notes::LNCalendarEntry entry;
        if (calendar.GetDocument(record->m_nNoteId, &entry) == notes::LNNOERROR) {
          entry.Open(0);
          WriteCalendarEntry(entry, *record);
          entry.Close();
        }
        break;
      }
      default:
        break;
    }
    walk.Keep();
  }
  calendar.Close();
}

void UpdateContacts(ModuleState& state) {
  notes::LNDatabase database;
  OpenContactDatabase(state, database);
  RecordWalk<CContactObject> walk(state.contacts);
  while (CContactObject* record = walk.Next()) {
    switch (record->m_nPhoneState) {
      case SyncStateUnchanged:
        if (GoneFromBothSides(*record)) {
          walk.Drop();
          continue;
        }
        break;
      case SyncStateAdded: {
        notes::LNDocument document;
        if (database.CreateDocument(&document, "Person") == notes::LNNOERROR) {
          WritePersonDocument(document, *record);
          record->m_nNoteId = document.GetNoteID();
          document.Close();
        }
        break;
      }
      case SyncStateDeleted:
        database.DeleteNote(record->m_nNoteId);
        walk.Drop();
        continue;
      case SyncStateModified: {
        notes::LNDocument document;
        if (database.GetDocument(record->m_nNoteId, &document) == notes::LNNOERROR) {
          document.Open(0);
          WritePersonDocument(document, *record);
          record->m_nNoteId = document.GetNoteID();
          document.Close();
        }
        break;
      }
      default:
        break;
    }
    walk.Keep();
  }
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
