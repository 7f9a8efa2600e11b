// A Notes database in a temporary folder, with a started session in throwing mode, and a
// capture of the debug output.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "notesapi/lncalendar.h"
#include "notesapi/lnsession.h"
#include "support/test_support.h"

namespace pim::test {

// Text items with one value each, by name.
using Items = std::vector<std::pair<std::string, std::string>>;

// Collects every debug-output call while it lives.
class DebugCapture {
 public:
  DebugCapture();
  ~DebugCapture();
  DebugCapture(const DebugCapture&) = delete;
  DebugCapture& operator=(const DebugCapture&) = delete;
  const std::vector<std::string>& lines() const;
  void Clear();
};

class NotesTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A new Person-form document (or of `form`) with text items, saved; returns its note ID.
  notes::NOTEID AddDocument(const Items& items, const std::string& form = "Person");
  notes::LNDocument OpenDocument(notes::NOTEID id);
  // A to-do entry from `begin` to `end` (local "YYYY-MM-DD HH:MM:SS"), saved and open.
  notes::LNCalendarEntry AddEntry(const std::string& begin, const std::string& end,
                                  const std::string& brief, bool alarm = false);
  notes::LNCalendarEntry OpenEntry(notes::NOTEID id);

  TempDir dir_;
  std::string db_path_;
  notes::LNNotesSession session_;
  notes::LNDatabase db_;
  notes::LNCalendar calendar_;
};

// A date-time from "YYYY-MM-DD HH:MM:SS" (both date and time).
notes::LNDatetime Datetime(const std::string& text);
// The range from `begin` to `end`, both as Datetime reads them.
notes::LNDatetimeRange DatetimeRange(const std::string& begin, const std::string& end);

// Puts each item on the note as a text item, replacing one of the same name.
void PutTextItems(notes::LNNote& note, const Items& items);

// The note `id` of `place` open: a document of a database or an entry of a calendar.
template <class Note, class Place>
Note OpenNote(Place& place, notes::NOTEID id) {
  Note note;
  place.GetDocument(id, &note);
  note.Open(0);
  return note;
}

}  // namespace pim::test
