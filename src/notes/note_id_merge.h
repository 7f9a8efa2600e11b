// Reading many notes into one array: ReadPersonDocument and ReadCalendarEntry search the array
// from its end for each note's ID, which grows with the square of the notes read.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

namespace pim {

// Merges each note read into its array by note ID, as ReadPersonDocument and
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

}  // namespace pim
