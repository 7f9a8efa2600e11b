// What a Notes database holds for a sync, taken before and after a run to tell what changed:
// the Person documents and the single-day to-dos of the retrieval window.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pim::cli {

// The notes of one kind, ascending by note ID, each with its items as the file stores them: a
// note whose items are the same bytes before and after a run is unchanged, and only the others
// are decoded to see whether an item the sync carries changed. The items of all notes share one
// buffer, which keeps a look at a large database to a few allocations.
class SnapshotNotes {
 public:
  void Add(uint32_t id, std::string_view items);
  size_t size() const { return ids_.size(); }
  uint32_t id(size_t i) const { return ids_[i]; }
  std::string_view items(size_t i) const {
    const size_t begin = i == 0 ? 0 : ends_[i - 1];
    return std::string_view(bytes_).substr(begin, ends_[i] - begin);
  }
  void clear();

 private:
  std::vector<uint32_t> ids_;
  std::vector<size_t> ends_;  // where each note's items end in bytes_
  std::string bytes_;
};

struct NotesSnapshot {
  SnapshotNotes contacts;
  SnapshotNotes todos;
};

// Reads the files directly rather than through the Notes classes: the report costs a run two
// reads of each database, which must stay small beside the sync itself. A database that cannot
// be read counts as holding nothing; the run reports why.
NotesSnapshot TakeSnapshot(const std::string& contacts_db, const std::string& calendar_db);

struct Changes {
  size_t added = 0;
  size_t changed = 0;
  size_t deleted = 0;
};

Changes CompareContacts(const SnapshotNotes& before, const SnapshotNotes& after);
Changes CompareTodos(const SnapshotNotes& before, const SnapshotNotes& after);

}  // namespace pim::cli
