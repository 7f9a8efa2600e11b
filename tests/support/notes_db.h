// A Notes database at a path, reached through the test program's own copy of the stand-in to
// set a scene and to look at what a run left.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "notesapi/lnglobal.h"
#include "support/notes_fixture.h"

namespace pim::test {

// Every call opens and closes what it needs, so that nothing is held while the code under test
// runs; a Notes status thrown by a call fails the test instead of escaping.
class NotesDb {
 public:
  explicit NotesDb(std::string path) : path_(std::move(path)) {}
  const std::string& path() const { return path_; }

  // A new database whose first note gets `first_note_id`.
  void Create(notes::NOTEID first_note_id = 1) const;
  // A document of `form` with one text value per item, saved with `modified` as its
  // last-modified time ("YYYY-MM-DD HH:MM:SS", local). Returns its note ID.
  notes::NOTEID AddDocument(const Items& items, const std::string& modified,
                            const std::string& form = "Person") const;
  // A to-do calendar entry from `begin` to `end` (local), saved with `modified`.
  notes::NOTEID AddTodo(const std::string& begin, const std::string& end, const std::string& brief,
                        bool alarm, const std::string& modified) const;
  // Replaces text items and saves with `modified`.
  void SetItems(notes::NOTEID id, const Items& items, const std::string& modified) const;
  void SetBrief(notes::NOTEID id, const std::string& brief, const std::string& modified) const;
  // Saves the note unchanged with `modified` as its last-modified time.
  void Restamp(notes::NOTEID id, const std::string& modified) const;
  void Delete(notes::NOTEID id) const;

  // Every note's ID, in ascending order.
  std::vector<notes::NOTEID> NoteIds() const;
  bool Exists(notes::NOTEID id) const;
  // The first value of each text item of the note; nullopt when there is no such note.
  std::optional<std::map<std::string, std::string>> TextItems(notes::NOTEID id) const;
  // The first value of one text item; "" when the note or the item is missing.
  std::string Text(notes::NOTEID id, const std::string& item) const;
  std::string Form(notes::NOTEID id) const;
  // An entry's range ("YYYY-MM-DD HH:MM:SS - YYYY-MM-DD HH:MM:SS"), brief and alarm flag.
  struct Entry {
    std::string range;
    std::string brief;
    bool alarm = false;
    std::string alarm_time;
  };
  Entry ReadEntry(notes::NOTEID id) const;

 private:
  std::string path_;
};

// Keeps a database open on a connection of the test's own while it lives.
class HeldOpen {
 public:
  explicit HeldOpen(const std::string& path);
  ~HeldOpen();
  HeldOpen(const HeldOpen&) = delete;
  HeldOpen& operator=(const HeldOpen&) = delete;

 private:
  notes::LNNotesSession session_;
  notes::LNDatabase db_;
};

}  // namespace pim::test
