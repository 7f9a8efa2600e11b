#include "faults/sync_scene.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "faults/fault_support.h"
#include "notesapi/fault_injection.h"
#include "pim_handler.h"
#include "support/test_support.h"

namespace pim::faults {
namespace {

// Every LUID line of an answer file for the records of a change file, as a phone answers:
// one per record written whole (the ones without a LUID), named after `prefix`.
std::string Answers(const std::string& changes, const std::string& record,
                    const std::string& prefix) {
  std::string answers;
  int n = 0;
  size_t at = 0;
  while ((at = changes.find("BEGIN:" + record + "\nX-VOQ-LUID:\n", at)) != std::string::npos) {
    answers += "BEGIN:" + record + "\nX-VOQ-LUID:" + prefix + std::to_string(++n) +
               "\nEND:" + record + "\n";
    ++at;
  }
  // The contact change file puts VERSION before the LUID.
  at = 0;
  while ((at = changes.find("BEGIN:" + record + "\nVERSION:2.1\nX-VOQ-LUID:\n", at)) !=
         std::string::npos) {
    answers += "BEGIN:" + record + "\nX-VOQ-LUID:" + prefix + std::to_string(++n) +
               "\nEND:" + record + "\n";
    ++at;
  }
  return answers;
}

// A to-do without an alarm from 09:00 to 10:00 of `day` ("YYYY-MM-DD").
notes::NOTEID AddTodo(const test::NotesDb& db, const std::string& day, const std::string& brief,
                      const std::string& modified) {
  return db.AddTodo(day + " 09:00:00", day + " 10:00:00", brief, false, modified);
}

std::string LuidOf(const std::vector<RecordKey>& keys, notes::NOTEID id) {
  for (const RecordKey& key : keys) {
    if (key.note_id == id) return key.luid;
  }
  ADD_FAILURE() << "no record of note " << id << " in the first run's store";
  return "";
}

}  // namespace

RunFiles::RunFiles(const std::string& dir)
    : folder(dir),
      contacts(dir + "/contacts.db"),
      calendar(dir + "/calendar.db"),
      store(dir + "/pim.store"),
      phone_cards(dir + "/phone.vcf"),
      phone_todos(dir + "/phone.vcs"),
      card_changes(dir + "/changes.vcf"),
      todo_changes(dir + "/changes.vcs"),
      card_answers(dir + "/answers.vcf"),
      todo_answers(dir + "/answers.vcs"),
      phone_db(dir + "/phone.db"),
      fake_card_changes(dir + "/fake-changes.vcf"),
      fake_todo_changes(dir + "/fake-changes.vcs"),
      fake_card_answers(dir + "/fake-answers.vcf"),
      fake_todo_answers(dir + "/fake-answers.vcs"),
      fake_cards(dir + "/fake-phone.vcf"),
      fake_todos(dir + "/fake-phone.vcs") {}

void StartRun(const RunFiles& files, int32_t contact_limit, int32_t calendar_limit) {
  ASSERT_EQ(PIMHandler_Init(), 0);
  ASSERT_EQ(PIMHandler_Prepare(2, contact_limit, calendar_limit, files.contacts.c_str(), "", "",
                               files.calendar.c_str(), files.store.c_str()),
            0);
}

void PrepareFakePhone(const RunFiles& files) {
  ASSERT_EQ(PIMHandler_Prepare(2, 200, 200, files.phone_db.c_str(), "", "", files.phone_db.c_str(),
                               files.store.c_str()),
            0);
}

SceneNotes BuildScene(const RunFiles& files) {
  SceneNotes ids;
  const std::string old_time = "2019-01-01 08:00:00";
  const test::NotesDb contacts(files.contacts);
  const test::NotesDb calendar(files.calendar);
  const test::NotesDb phone(files.phone_db);
  contacts.Create();
  calendar.Create();
  ids.c1 = contacts.AddDocument({{"FirstName", "Ann"}, {"CellPhoneNumber", "0171"}}, old_time);
  ids.c2 = contacts.AddDocument({{"FirstName", "Bob"}, {"CellPhoneNumber", "0172"}}, old_time);
  ids.group = contacts.AddDocument({{"ListName", "Friends"}}, old_time, "Group");
  ids.c3 = contacts.AddDocument({{"FirstName", "Cid"}, {"CompanyName", "Acme"}}, old_time);
  ids.c5 = contacts.AddDocument({{"FirstName", "Eve"}, {"MailAddress", "eve@x"}}, old_time);
  ids.t1 = AddTodo(calendar, "2019-03-01", "Milk", old_time);
  ids.t2 = AddTodo(calendar, "2019-03-02", "Bread", old_time);
  ids.two_days =
      calendar.AddTodo("2019-03-03 23:00:00", "2019-03-04 01:00:00", "Night", false, old_time);
  ids.t3 = AddTodo(calendar, "2019-03-05", "Eggs", old_time);
  ids.t5 = AddTodo(calendar, "2019-03-06", "Salt", old_time);
  ids.late = AddTodo(calendar, "2021-03-01", "Later", old_time);

  // The first run: the phone is empty, so everything goes to it and gets its LUIDs.
  {
    BoxCapture boxes;
    test::WriteFile(files.phone_cards, "");
    test::WriteFile(files.phone_todos, "");
    StartRun(files);
    EXPECT_EQ(PIMHandler_RetrievePIM(), 0);
    EXPECT_EQ(PIMHandler_SyncVCard(files.phone_cards.c_str(), files.card_changes.c_str()), 0);
    EXPECT_EQ(PIMHandler_SyncVCal(files.phone_todos.c_str(), files.todo_changes.c_str()), 0);
    EXPECT_EQ(PIMHandler_UpdatePIM(), 0);
    test::WriteFile(files.card_answers,
                    Answers(test::ReadFile(files.card_changes), "VCARD", "card-"));
    test::WriteFile(files.todo_answers,
                    Answers(test::ReadFile(files.todo_changes), "VTODO", "todo-"));
    EXPECT_EQ(PIMHandler_UpdateVCardLUID(files.card_answers.c_str()), 0);
    EXPECT_EQ(PIMHandler_UpdateVCalLUID(files.todo_answers.c_str()), 0);
    PIMHandler_Deinit();
    EXPECT_TRUE(NoBox(boxes.boxes()));
  }
  const std::optional<StoreKeys> first = ReadStoreKeys(files.store);
  EXPECT_TRUE(first.has_value());
  if (!first) return ids;
  EXPECT_EQ(first->contacts.size(), 4u);
  EXPECT_EQ(first->todos.size(), 4u);

  // Between the runs: Notes changes c1 and t1, loses c5 and t5, gains c6 and t6.
  const std::string new_time = "2019-06-01 08:00:00";
  contacts.SetItems(ids.c1, {{"CompanyName", "Notes Inc"}}, new_time);
  calendar.SetBrief(ids.t1, "Oat milk", new_time);
  contacts.Delete(ids.c5);
  calendar.Delete(ids.t5);
  ids.c6 = contacts.AddDocument({{"FirstName", "Fay"}, {"PhoneNumber", "030"}}, new_time);
  ids.t6 = AddTodo(calendar, "2019-03-07", "Tea", new_time);
  // ... and the phone changes c2 and t2 (later than anything in Notes), loses c3, t3, c5 and
  // t5, gains a contact and a to-do.
  test::WriteFile(files.phone_cards,
                  "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:" + LuidOf(first->contacts, ids.c1) +
                      "\nN:Ann\nTEL;CELL;VOICE:0171\nEND:VCARD\n"
                      "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:" +
                      LuidOf(first->contacts, ids.c2) +
                      "\nN:Bob\nTEL;CELL;VOICE:0999\nREV:20250101T000000Z\nEND:VCARD\n"
                      "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:" +
                      kPhoneNewCardLuid +
                      "\nN:Dan\nTEL;HOME;VOICE:040\nREV:20250101T000000Z\nEND:VCARD\n");
  test::WriteFile(files.phone_todos,
                  "BEGIN:VCALENDAR\nVERSION:1.0\n"
                  "BEGIN:VTODO\nX-VOQ-LUID:" +
                      LuidOf(first->todos, ids.t1) +
                      "\nDTSTART:20190301T090000Z\nDTEND:20190301T100000Z\nSUMMARY:Milk\n"
                      "END:VTODO\n"
                      "BEGIN:VTODO\nX-VOQ-LUID:" +
                      LuidOf(first->todos, ids.t2) +
                      "\nDTSTART:20190302T090000Z\nDTEND:20190302T100000Z\nSUMMARY:Rye bread\n"
                      "AALARM:ON\nLAST-MODIFIED:20250101T000000Z\nEND:VTODO\n"
                      "BEGIN:VTODO\nX-VOQ-LUID:" +
                      kPhoneNewTodoLuid +
                      "\nDTSTART:20190308T090000Z\nDTEND:20190308T093000Z\nSUMMARY:Call Gil\n"
                      "LAST-MODIFIED:20250101T000000Z\nEND:VTODO\n"
                      "END:VCALENDAR\n");

  // The fake phone's memory and the changes the handler sends it.
  phone.Create();
  ids.p1 = phone.AddDocument({{"FirstName", "Pam"}}, old_time);
  ids.p2 = phone.AddDocument({{"FirstName", "Pat"}, {"CompanyName", "Old"}}, old_time);
  ids.phone_group = phone.AddDocument({{"ListName", "Team"}}, old_time, "Group");
  ids.p3 = phone.AddDocument({{"FirstName", "Pia"}, {"CellPhoneNumber", "0176"}}, old_time);
  ids.q1 = AddTodo(phone, "2019-05-01", "Gone", old_time);
  ids.q2 = AddTodo(phone, "2019-05-02", "Kept", old_time);
  ids.q3 = AddTodo(phone, "2019-05-03", "Same", old_time);
  test::WriteFile(files.fake_card_changes,
                  "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:" + std::to_string(ids.p1) +
                      "\nEND:VCARD\n"
                      "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:" +
                      std::to_string(ids.p2) +
                      "\nORG:New\nEND:VCARD\n"
                      "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:\nX-VOQ-PHB-STORAGE:ME\n"
                      "N:Carl\nTEL;HOME;VOICE:030\nREV:20190101T000000Z\nEND:VCARD\n"
                      "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:\nN:Cleo\nEND:VCARD\n");
  test::WriteFile(files.fake_todo_changes,
                  "BEGIN:VCALENDAR\nVERSION:1.0\n"
                  "BEGIN:VTODO\nX-VOQ-LUID:" +
                      std::to_string(ids.q1) +
                      "\nEND:VTODO\n"
                      "BEGIN:VTODO\nX-VOQ-LUID:" +
                      std::to_string(ids.q2) +
                      "\nSUMMARY:Renamed\nEND:VTODO\n"
                      "BEGIN:VTODO\nX-VOQ-LUID:\nDTSTART:20190503T080000Z\n"
                      "DTEND:20190503T083000Z\nSUMMARY:New\nAALARM:ON\nEND:VTODO\n"
                      "BEGIN:VTODO\nX-VOQ-LUID:\nDTSTART:20190504T080000Z\n"
                      "DTEND:20190504T083000Z\nSUMMARY:Newer\nEND:VTODO\n"
                      "END:VCALENDAR\n");
  return ids;
}

RunFiles CopyScene(const RunFiles& from, const std::string& folder) {
  std::filesystem::create_directory(folder);
  for (const std::string& path :
       {from.contacts, from.calendar, from.store, from.phone_cards, from.phone_todos, from.phone_db,
        from.fake_card_changes, from.fake_todo_changes}) {
    // A database's write-ahead log goes with it, should a connection have left one.
    for (const char* suffix : {"", "-wal"}) {
      const std::filesystem::path source(path + suffix);
      if (*suffix != '\0' && !std::filesystem::exists(source)) continue;
      std::filesystem::copy_file(source, std::filesystem::path(folder) / source.filename());
    }
  }
  return RunFiles(folder);
}

void SceneTest::SetUp() {
  notes::ClearFaults();
  std::filesystem::create_directory(scene_.folder);
  ids_ = BuildScene(scene_);
  ASSERT_FALSE(HasFailure());
}

void SceneTest::TearDown() {
  notes::ClearFaults();
  ReleaseHeldRecords();
}

RunFiles SceneTest::Fresh(const std::string& name) const {
  return CopyScene(scene_, dir_.File(name));
}

std::optional<StoreKeys> SceneTest::SaveAndRead(const RunFiles& files) {
  BoxCapture boxes;
  PIMHandler_Deinit();
  EXPECT_TRUE(NoBox(boxes.boxes()));
  return ReadStoreKeys(files.store);
}

}  // namespace pim::faults
