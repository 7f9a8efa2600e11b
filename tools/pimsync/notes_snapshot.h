// What a Notes database holds for a sync, taken before and after a run to tell what changed:
// the Person documents and the single-day to-dos of the retrieval window.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "notes/sync_scope.h"
#include "notesapi/lnitem.h"

namespace pim::cli {

// The notes of one kind, ascending by note ID, each with the time of its last save and a digest
// of what a sync can change of it: the values of its items by name. A note whose digest is the
// same in two looks is unchanged (two different notes share a 64-bit digest too seldom to
// matter for a report).
class SnapshotNotes {
 public:
  struct Note {
    uint32_t id;
    notes::LNDatetime modified;
    uint64_t digest;
    std::string name;  // as a person knows the record: a contact's name, a to-do's brief
  };

  // Notes are added in ascending note-ID order. Of a Person document, the digest takes only
  // the items a sync carries.
  void Add(uint32_t id, const notes::LNDatetime& modified, const std::vector<notes::LNItem>& items,
           std::string name, bool person);
  void Add(const Note& note) { notes_.push_back(note); }
  size_t size() const { return notes_.size(); }
  const Note& operator[](size_t i) const { return notes_[i]; }
  void clear() { notes_.clear(); }

 private:
  std::vector<Note> notes_;
  // A note's items in the order of their names, and its values as one text: kept to spare
  // allocations per note.
  std::vector<const notes::LNItem*> named_;
  std::string scratch_;
};

struct NotesSnapshot {
  SnapshotNotes contacts;
  SnapshotNotes todos;
  SnapshotNotes others;  // every other note, without digests: what a later look may skip
  // The briefs of the to-dos a run leaves out, as a look that read them found them: those that
  // start outside the range, and those that span two days.
  std::vector<std::string> outside;
  std::vector<std::string> spanning;
};

// Reads the databases through the Notes classes, as the handler does. A database that cannot
// be read counts as holding nothing; the run reports why. With an `earlier` look of the same
// databases, a note saved last at the same time as then is taken from it without being read
// again: every save stamps the time, to the hundredth of a second, and the run's saves come
// after the earlier look.
NotesSnapshot TakeSnapshot(const std::string& contacts_db, const std::string& calendar_db,
                           const CalendarRange& days, const NotesSnapshot* earlier = nullptr);

struct Changes {
  // How many records of each group: as many names are kept as a report shows.
  static constexpr size_t kNamed = 3;
  size_t added = 0;
  size_t changed = 0;
  size_t deleted = 0;
  std::vector<std::string> added_names, changed_names, deleted_names;
};

Changes Compare(const SnapshotNotes& before, const SnapshotNotes& after);

// The records of a side that were changed since `seen` (what the last run saw at its end) and
// that a run then changed or deleted: the other side's change or deletion won over them.
Changes Overruled(const SnapshotNotes& seen, const SnapshotNotes& before,
                  const SnapshotNotes& after);

// What a run saw of both sides at its end, kept beside the store for the next run: each record's
// note ID and digest.
struct LastLook {
  NotesSnapshot notes;
  NotesSnapshot phone;
};
std::string LastLookBytes(const NotesSnapshot& notes, const NotesSnapshot& phone);
// Nothing when the bytes are not those LastLookBytes writes.
LastLook ReadLastLook(std::string_view bytes);

}  // namespace pim::cli
