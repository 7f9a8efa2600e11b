// What a Notes database holds for a sync, taken before and after a run to tell what changed:
// the Person documents and the single-day to-dos of the retrieval window.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "notesapi/lnitem.h"

namespace pim::cli {

// The notes of one kind, ascending by note ID, each with a digest of what a sync can change of
// it: the values of its items by name. A note whose digest is the same in two looks is
// unchanged (two different notes share a 64-bit digest too seldom to matter for a report).
class SnapshotNotes {
 public:
  // Notes are added in ascending note-ID order.
  void Add(uint32_t id, const std::vector<notes::LNItem>& items);
  size_t size() const { return ids_.size(); }
  uint32_t id(size_t i) const { return ids_[i]; }
  uint64_t digest(size_t i) const { return digests_[i]; }
  void clear();

 private:
  std::vector<uint32_t> ids_;
  std::vector<uint64_t> digests_;
  std::string scratch_;  // a note's values as one text, kept to spare an allocation per note
};

struct NotesSnapshot {
  SnapshotNotes contacts;
  SnapshotNotes todos;
};

// Reads the databases through the Notes classes, as the handler does. A database that cannot
// be read counts as holding nothing; the run reports why.
NotesSnapshot TakeSnapshot(const std::string& contacts_db, const std::string& calendar_db);

struct Changes {
  size_t added = 0;
  size_t changed = 0;
  size_t deleted = 0;
};

Changes Compare(const SnapshotNotes& before, const SnapshotNotes& after);

}  // namespace pim::cli
