// What the tests of the loaded handler share: a temporary folder with a contact database, a
// calendar database and the run's files; Notes reached directly through the stand-in to set the
// scene and to look at the result; and the run's steps called through the exported functions.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "handler/store_bytes.h"
#include "notesapi/lnglobal.h"
#include "support/handler_host.h"
#include "support/test_support.h"

namespace pim::test {

using Items = std::vector<std::pair<std::string, std::string>>;

// A Notes database at a path, reached through the test's own copy of the stand-in; every call
// opens and closes what it needs, so that nothing is held while the handler runs.
class NotesDb {
 public:
  explicit NotesDb(std::string path) : path_(std::move(path)) {}
  const std::string& path() const { return path_; }

  void Create() const;
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
  // The first value of each text item of the note; nullopt when there is no such note.
  std::optional<std::map<std::string, std::string>> TextItems(notes::NOTEID id) const;
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

// The test's own view of a run's files, settings and results.
class HandlerTest : public testing::Test {
 protected:
  HandlerTest();
  void SetUp() override;
  void TearDown() override;

  // Init and Prepare with this test's databases and store path (and the given mode and limits).
  void StartRun(int32_t mode = 2, int32_t contact_limit = 200, int32_t calendar_limit = 200);
  int32_t Prepare(int32_t mode = 2, int32_t contact_limit = 200, int32_t calendar_limit = 200);

  // The two phone passes with the phone's files given as text; the change file's text is kept
  // in vcard_changes_ / vcal_changes_.
  int32_t SyncVCard(const std::string& phone_text);
  int32_t SyncVCal(const std::string& phone_text);
  int32_t UpdateVCardLuids(const std::string& answer_text);
  int32_t UpdateVCalLuids(const std::string& answer_text);

  std::string Store() const { return ReadFile(store_path_); }
  bool StoreExists() const;
  std::optional<DecodedStore> DecodedStoreFile() const { return DecodeStore(Store()); }

  const HandlerApi& h_;
  ScopedTimeZone tz_{kCentralEurope};
  TempDir dir_;
  NotesDb contacts_db_;
  NotesDb calendar_db_;
  std::string store_path_;
  std::string vcard_changes_;
  std::string vcal_changes_;
};

// A vCard as the phone sends it: the LUID and the given property lines, between BEGIN/END.
std::string PhoneCard(const std::string& luid, const std::vector<std::string>& lines);
// A VTODO as the phone sends it.
std::string PhoneTodo(const std::string& luid, const std::vector<std::string>& lines);
// VTODO components wrapped in the calendar frame.
std::string PhoneCalendar(const std::vector<std::string>& todos);
// The calendar change file around the given components.
std::string CalendarChanges(const std::string& components);

// Expectations on the message boxes the handler showed.
testing::AssertionResult NoBoxes();
// Exactly one box, with this text, caption and style.
testing::AssertionResult OneBox(const std::string& text, const char* caption, unsigned int style);

}  // namespace pim::test
