// A Notes database at a path, reached through the test program's own copy of the stand-in to
// set a scene and to look at what a run left. Every call opens and closes what it needs, so
// that nothing is held while the code under test runs; a Notes failure fails the test.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "notesapi/lnglobal.h"

namespace pim::test {

// Text items with one value each, by name.
using Items = std::vector<std::pair<std::string, std::string>>;

class NotesDb {
 public:
  explicit NotesDb(std::string path) : path_(std::move(path)) {}
  const std::string& path() const { return path_; }

  // A new database whose first note gets `first_note_id`.
  void Create(notes::NOTEID first_note_id = 1) const;
  // A document of `form`, saved with `modified` ("YYYY-MM-DD HH:MM:SS", local) as its
  // last-modified time. Returns its note ID.
  notes::NOTEID AddDocument(const Items& items, const std::string& modified,
                            const std::string& form = "Person") const;
  // A to-do from `begin` to `end` (local), saved with `modified`.
  notes::NOTEID AddTodo(const std::string& begin, const std::string& end, const std::string& brief,
                        bool alarm, const std::string& modified) const;
  // Replaces text items (and the brief, when given) and saves with `modified`.
  void Edit(notes::NOTEID id, const Items& items, const std::string& modified,
            const std::optional<std::string>& brief = std::nullopt) const;
  void Delete(notes::NOTEID id) const;

  std::vector<notes::NOTEID> NoteIds() const;
  // The first value of each text item of the note.
  std::map<std::string, std::string> TextItems(notes::NOTEID id) const;
  // A to-do as "YYYY-MM-DD HH:MM:SS - YYYY-MM-DD HH:MM:SS BRIEF, alarm on|off".
  std::string Todo(notes::NOTEID id) const;

 private:
  std::string path_;
};

}  // namespace pim::test
