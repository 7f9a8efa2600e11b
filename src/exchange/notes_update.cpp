// Carrying the phone's changes into Notes: documents created, updated and deleted by each
// record's phone-side state, and the records gone from both sides dropped from the store.
#include "exchange/notes_update.h"

#include "notes/calendar_entry.h"
#include "notes/person_document.h"

namespace pim {
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

void UpdateCalendar(notes::LNNotesSession& session, const NotesNames& names,
                    CalendarArray& records) {
  notes::LNCalendar calendar;
  GetCalendar(session, names, calendar);
  const auto create = [&](CCalEntryObject& record) { CreateTodoEntry(calendar, record); };
  const auto update = [&](CCalEntryObject& record) {
    RewriteCalendarEntry(calendar, record.m_nNoteId, record);
  };
  ApplyPhoneStates(records, calendar, create, update);
  calendar.Close();
}

void UpdateContacts(notes::LNNotesSession& session, const NotesNames& names,
                    ContactArray& records) {
  notes::LNDatabase database;
  OpenContactDatabase(session, names, database);
  const auto create = [&](CContactObject& record) { CreatePersonDocument(database, record); };
  const auto update = [&](CContactObject& record) {
    RewritePersonDocument(database, record.m_nNoteId, record);
  };
  ApplyPhoneStates(records, database, create, update);
  database.Close();
}

}  // namespace

void UpdateNotes(notes::LNNotesSession& session, const NotesNames& names, CalendarArray& todos,
                 ContactArray& contacts) {
  UpdateCalendar(session, names, todos);
  UpdateContacts(session, names, contacts);
}

}  // namespace pim
