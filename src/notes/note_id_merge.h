// How the notes read from Notes join the store: each record read goes into the stored record
// with its note ID, or is appended as added in Notes.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "records/sync_state.h"

namespace pim {

// Merges the records read into an array by note ID: into the record nearest the end with that
// ID, through a fresh Notes delta that collects exactly the fields Notes changed, or appended
// as added in Notes. The array only grows at its end while Notes is merged and a record's ID
// never changes, so an index of the last position per ID finds exactly the record that a
// search from the end would, without a search per note.
template <class Record>
class NoteIdMerge {
 public:
  using Array = std::vector<std::unique_ptr<Record>>;

  explicit NoteIdMerge(Array& records) : records_(records) {
    for (size_t i = 0; i < records_.size(); ++i)
      last_[records_[i]->m_nNoteId] = i;
  }

  // A null record (a note the mapping declined) changes nothing.
  void Merge(std::unique_ptr<Record> fresh) {
    if (fresh == nullptr) return;
    const auto found = last_.find(fresh->m_nNoteId);
    if (found == last_.end()) {
      fresh->m_nNotesState = SyncStateAdded;
      fresh->m_nPhoneState = SyncStateUnchanged;
      last_[fresh->m_nNoteId] = records_.size();
      records_.push_back(std::move(fresh));
      return;
    }
    Record& stored = *records_[found->second];
    stored.StartNotesDelta();
    stored.m_pNotesDelta->MergeFrom(*fresh, true);
    stored.MergeFrom(*fresh, true);
  }

 private:
  Array& records_;
  std::unordered_map<uint32_t, size_t> last_;
};

}  // namespace pim
