// The scene the failure tests start from: a contact database, a calendar database and a store
// file left by one whole run, then Notes and the phone changed so that the next run has every
// kind of work to do; and a fake-phone database with change files for it. Built once per test
// and copied for every attempt, so that each attempt starts afresh.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "faults/fault_support.h"
#include "notesapi/lnglobal.h"
#include "support/test_support.h"

namespace pim::faults {

// The files of one attempt, all in one folder.
struct RunFiles {
  explicit RunFiles(const std::string& folder);

  std::string folder;
  std::string contacts;  // the contact database
  std::string calendar;  // the calendar database
  std::string store;
  std::string phone_cards;  // the phone's complete record sets for the next run
  std::string phone_todos;
  std::string card_changes;  // change files the handler writes
  std::string todo_changes;
  std::string card_answers;  // LUID answer files for the handler
  std::string todo_answers;
  std::string phone_db;           // the fake phone's memory
  std::string fake_card_changes;  // change files for the fake phone
  std::string fake_todo_changes;
  std::string fake_card_answers;  // answer files the fake phone writes
  std::string fake_todo_answers;
  std::string fake_cards;  // phone record files the fake phone writes
  std::string fake_todos;
};

// The notes of the scene by what the next run does with them.
struct SceneNotes {
  // Contacts: c1 changed in Notes, c2 changed on the phone, c3 gone from the phone, c5 gone
  // from Notes and from the phone, c6 new in Notes, group not a Person document.
  notes::NOTEID c1 = 0, c2 = 0, c3 = 0, c5 = 0, c6 = 0, group = 0;
  // To-dos in the same roles, plus one over two days and one after the retrieval range.
  notes::NOTEID t1 = 0, t2 = 0, t3 = 0, t5 = 0, t6 = 0, two_days = 0, late = 0;
  // Fake phone: p1 and q1 deleted by the change files, p2 and q2 updated, p3 and q3 untouched.
  notes::NOTEID p1 = 0, p2 = 0, p3 = 0, phone_group = 0, q1 = 0, q2 = 0, q3 = 0;
};

// The LUIDs the phone gives to records new on its side in the next run.
inline constexpr const char* kPhoneNewCardLuid = "phone-new-card";
inline constexpr const char* kPhoneNewTodoLuid = "phone-new-todo";

// Builds the scene in `files.folder` (existing and empty): the first run is made through the
// entry points in-process and must succeed without a message box. Needs the local time zone
// set by the caller.
SceneNotes BuildScene(const RunFiles& files);

// A copy of the scene's files in a new folder `folder`.
RunFiles CopyScene(const RunFiles& from, const std::string& folder);

// Init and Prepare for the next run of a scene (sync mode 2, the given limits).
void StartRun(const RunFiles& files, int32_t contact_limit = 200, int32_t calendar_limit = 200);

// Prepare for the fake phone with the scene's phone database (and the store path, which the
// fake phone never uses).
void PrepareFakePhone(const RunFiles& files);

// A test that starts from the scene, built in SetUp in a folder in memory. It leaves no Notes
// fault armed and no record held.
class SceneTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A fresh copy of the scene in the folder `name`.
  RunFiles Fresh(const std::string& name) const;
  // Ends the run (PIMHandler_Deinit), which must show no report, and reads the store it saved.
  static std::optional<StoreKeys> SaveAndRead(const RunFiles& files);

  test::ScopedTimeZone tz_{test::kCentralEurope};
  test::TempDir dir_{test::TempDir::Where::kMemory};
  RunFiles scene_{dir_.File("scene")};
  SceneNotes ids_;
};

}  // namespace pim::faults
