// Notes failing part-way through the handler's entry points, called in-process so that the
// Notes stand-in can be made to fail at a chosen call: the report, the result, what stays done,
// and the store that Deinit saves afterwards.
#include <filesystem>
#include <set>

#include "handler/handler_fixture.h"
#include "handler/module_state.h"
#include "notesapi/fault_injection.h"
#include "pim_handler.h"
#include "platform/platform.h"

namespace pim::test {
namespace {

constexpr notes::LNSTATUS kFault = notes::LNERR_DATABASE_IO;

std::string FaultText() {
  return notes::LNGetErrorMessage(kFault);
}

class NotesFailureTest : public testing::Test {
 protected:
  void SetUp() override {
    notes::ClearFaults();
    ClearCaptures();
    platform::SetMessageBoxHook(&CaptureMessageBox);
    platform::SetDebugOutputHook(&CaptureDebugOutput);
  }
  void TearDown() override {
    notes::ClearFaults();
    const std::string spare = dir_.File("teardown.store");
    PIMHandler_Prepare(2, 200, 200, "", "", "", "", spare.c_str());
    PIMHandler_Deinit();
    platform::SetMessageBoxHook(nullptr);
    platform::SetDebugOutputHook(nullptr);
    ClearCaptures();
  }

  // A scene in its own folder: the two databases and a store file.
  struct Scene {
    std::string folder;
    NotesDb contacts;
    NotesDb calendar;
    std::string store;
  };
  Scene MakeScene(const std::string& name) {
    const std::string folder = dir_.File(name);
    std::filesystem::create_directory(folder);
    Scene scene{folder, NotesDb(folder + "/contacts.db"), NotesDb(folder + "/calendar.db"),
                folder + "/pim.store"};
    scene.contacts.Create();
    scene.calendar.Create();
    return scene;
  }
  // A copy of a scene made once, for a run that changes Notes.
  Scene CopyScene(const Scene& from, const std::string& name) {
    const std::string folder = dir_.File(name);
    std::filesystem::copy(from.folder, folder);
    return Scene{folder, NotesDb(folder + "/contacts.db"), NotesDb(folder + "/calendar.db"),
                 folder + "/pim.store"};
  }
  static void Start(const Scene& scene, int32_t mode = 2) {
    ASSERT_EQ(PIMHandler_Init(), 0);
    ASSERT_EQ(PIMHandler_Prepare(mode, 200, 200, scene.contacts.path().c_str(), "", "",
                                 scene.calendar.path().c_str(), scene.store.c_str()),
              0);
  }
  std::string SyncVCard(const Scene& scene, const std::string& phone) {
    WriteFile(scene.folder + "/phone.vcf", phone);
    const std::string changes = scene.folder + "/changes.vcf";
    EXPECT_EQ(PIMHandler_SyncVCard((scene.folder + "/phone.vcf").c_str(), changes.c_str()), 0);
    return ReadFile(changes);
  }
  std::string SyncVCal(const Scene& scene, const std::string& phone) {
    WriteFile(scene.folder + "/phone.vcs", phone);
    const std::string changes = scene.folder + "/changes.vcs";
    EXPECT_EQ(PIMHandler_SyncVCal((scene.folder + "/phone.vcs").c_str(), changes.c_str()), 0);
    return ReadFile(changes);
  }

  ScopedTimeZone tz_{kCentralEurope};
  TempDir dir_;
};

TEST_F(NotesFailureTest, AFailedSessionStartIsReported) {
  notes::InjectFault(notes::LNOperation::kSessionInitialize, 1, kFault);
  EXPECT_EQ(PIMHandler_Init(), 1);
  EXPECT_TRUE(OneBox(FaultText(), nullptr, 0x2000));
  EXPECT_FALSE(handler::State().session.IsInitialized());
}

TEST_F(NotesFailureTest, AFailedSessionEndIsReportedAndTheStoreIsStillSaved) {
  const Scene scene = MakeScene("s");
  Start(scene);
  notes::InjectFault(notes::LNOperation::kSessionTerm, 1, kFault);
  PIMHandler_Deinit();
  EXPECT_TRUE(OneBox(FaultText(), nullptr, 0x2000));
  EXPECT_EQ(ToHex(ReadFile(scene.store)), ToHex(Hex("01000000 0000 0000")));
}

TEST_F(NotesFailureTest, QueryObjectCountKeepsTheCalendarCountItHadStored) {
  const Scene scene = MakeScene("s");
  scene.contacts.AddDocument({{"FirstName", "Ann"}}, "2005-01-10 10:00:00");
  scene.calendar.AddTodo("2005-01-12 09:00:00", "2005-01-12 10:00:00", "Dentist", false,
                         "2005-01-10 12:00:00");
  Start(scene);
  notes::InjectFault(notes::LNOperation::kDocumentGetFormNote, 1, kFault);
  uint32_t contacts = 77;
  uint32_t calendar = 77;
  EXPECT_EQ(PIMHandler_QueryObjectCount(&contacts, &calendar), 1);
  EXPECT_EQ(calendar, 1u);
  EXPECT_EQ(contacts, 77u);
  EXPECT_TRUE(OneBox(FaultText(), nullptr, 0x2000));
}

// Ann and Bob paired with the phone; Notes has changed both since.
class RetrievalFailureTest : public NotesFailureTest {
 protected:
  void SetUp() override {
    NotesFailureTest::SetUp();
    scene_.emplace(MakeScene("s"));
    ann_ = scene_->contacts.AddDocument({{"FirstName", "Ann"}}, "2005-01-10 10:00:00");
    bob_ = scene_->contacts.AddDocument({{"FirstName", "Bob"}}, "2005-01-10 10:00:00");
    dentist_ = scene_->calendar.AddTodo("2005-01-12 09:00:00", "2005-01-12 10:00:00", "Dentist",
                                        false, "2005-01-10 12:00:00");
    store_ = StoreOf(
        {{.note_id = dentist_,
          .luid = "T1",
          .has_alarm = true,
          .summary = "Dentist",
          .has_summary = true,
          .start = WinterCet(2005, 1, 12, 9, 0),
          .has_start = true,
          .end = WinterCet(2005, 1, 12, 10, 0),
          .has_end = true,
          .last_modified = WinterCet(2005, 1, 10, 12, 0),
          .has_last_modified = true}},
        {{.note_id = ann_, .luid = "A1", .first = "Ann", .revision = WinterCet(2005, 1, 10, 10, 0)},
         {.note_id = bob_,
          .luid = "B1",
          .first = "Bob",
          .revision = WinterCet(2005, 1, 10, 10, 0)}});
    scene_->contacts.SetItems(ann_, {{"FirstName", "Anne"}}, "2005-02-01 08:00:00");
    scene_->contacts.SetItems(bob_, {{"FirstName", "Bobby"}}, "2005-02-01 08:00:00");
    scene_->contacts.AddDocument({{"FirstName", "Cid"}}, "2005-01-10 10:00:00");
    scene_->calendar.AddTodo("2005-01-14 09:00:00", "2005-01-14 10:00:00", "Gym", false,
                             "2005-01-10 12:00:00");
    WriteFile(scene_->store, store_);
  }

  std::optional<Scene> scene_;
  notes::NOTEID ann_ = 0;
  notes::NOTEID bob_ = 0;
  notes::NOTEID dentist_ = 0;
  std::string store_;
};

TEST_F(RetrievalFailureTest, RecordsNotReachedStayDeletedInNotes) {
  Start(*scene_);
  // Ann's document is read; Bob's fails.
  notes::InjectFault(notes::LNOperation::kDocumentGetFormNote, 2, kFault);
  EXPECT_EQ(PIMHandler_RetrievePIM(), 1);
  EXPECT_TRUE(OneBox(FaultText(), nullptr, 0x2000));
  ClearCaptures();
  notes::ClearFaults();
  EXPECT_EQ(SyncVCard(*scene_, PhoneCard("A1", {"N:Ann", "REV:20050110T100000Z"}) +
                                   PhoneCard("B1", {"N:Bob", "REV:20050110T100000Z"})),
            "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:A1\nX-VOQ-PHB-STORAGE:ME\nN:Anne\n"
            "REV:20050201T080000Z\nEND:VCARD\n"
            "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:B1\nEND:VCARD\n");
  EXPECT_TRUE(NoBoxes());
}

TEST_F(RetrievalFailureTest, AFailureAtAnyCallIsReportedAndTheStoreKeepsEveryRecord) {
  Start(*scene_);
  notes::ClearFaults();
  ASSERT_EQ(PIMHandler_RetrievePIM(), 0);
  std::vector<uint32_t> calls(static_cast<size_t>(notes::LNOperation::kCount));
  for (size_t op = 0; op < calls.size(); ++op) {
    calls[op] = notes::CallCount(static_cast<notes::LNOperation>(op));
  }
  PIMHandler_Deinit();
  ASSERT_GT(notes::TotalCallCount(), 10u);
  for (size_t op = 0; op < calls.size(); ++op) {
    const auto operation = static_cast<notes::LNOperation>(op);
    for (uint32_t n = 1; n <= calls[op]; ++n) {
      SCOPED_TRACE("operation " + std::to_string(op) + ", call " + std::to_string(n));
      WriteFile(scene_->store, store_);
      ClearCaptures();
      Start(*scene_);
      notes::ClearFaults();
      notes::InjectFault(operation, n, kFault);
      const int32_t result = PIMHandler_RetrievePIM();
      notes::ClearFaults();
      if (operation == notes::LNOperation::kNoteGetItem) {
        // A failed item look-up means the item is absent.
        EXPECT_EQ(result, 0);
        EXPECT_TRUE(NoBoxes());
      } else {
        EXPECT_EQ(result, 1);
        EXPECT_TRUE(OneBox(FaultText(), nullptr, 0x2000));
      }
      ClearCaptures();
      PIMHandler_Deinit();
      EXPECT_TRUE(NoBoxes());
      const auto saved = DecodeStore(ReadFile(scene_->store));
      ASSERT_TRUE(saved.has_value());
      std::set<std::string> luids;
      for (const auto& c : saved->contacts)
        luids.insert(c.luid);
      for (const auto& t : saved->todos)
        luids.insert(t.luid);
      EXPECT_TRUE(luids.count("A1") && luids.count("B1") && luids.count("T1"));
    }
  }
}

// Run 2 of a pairing: the phone changes Ann and the dentist, adds Eve and a to-do and drops
// Bob. The update of Notes then has work of every kind.
class UpdateFailureTest : public NotesFailureTest {
 protected:
  void SetUp() override {
    NotesFailureTest::SetUp();
    Scene scene = MakeScene("template");
    ann_ = scene.contacts.AddDocument({{"FirstName", "Ann"}}, "2005-01-10 10:00:00");
    bob_ = scene.contacts.AddDocument({{"FirstName", "Bob"}}, "2005-01-10 10:00:00");
    dentist_ = scene.calendar.AddTodo("2005-01-12 09:00:00", "2005-01-12 10:00:00", "Dentist",
                                      false, "2005-01-10 12:00:00");
    WriteFile(scene.store, StoreOf({{.note_id = dentist_,
                                     .luid = "T1",
                                     .has_alarm = true,
                                     .summary = "Dentist",
                                     .has_summary = true,
                                     .start = WinterCet(2005, 1, 12, 9, 0),
                                     .has_start = true,
                                     .end = WinterCet(2005, 1, 12, 10, 0),
                                     .has_end = true,
                                     .last_modified = WinterCet(2005, 1, 10, 12, 0),
                                     .has_last_modified = true}},
                                   {{.note_id = ann_,
                                     .luid = "A1",
                                     .first = "Ann",
                                     .revision = WinterCet(2005, 1, 10, 10, 0)},
                                    {.note_id = bob_,
                                     .luid = "B1",
                                     .first = "Bob",
                                     .revision = WinterCet(2005, 1, 10, 10, 0)}}));
    template_.emplace(std::move(scene));
  }

  // Runs up to the update on a fresh copy of the template.
  Scene Prepared(const std::string& name) {
    Scene scene = CopyScene(*template_, name);
    Start(scene);
    EXPECT_EQ(PIMHandler_RetrievePIM(), 0);
    SyncVCard(scene, PhoneCard("A1", {"N:Ann", "TEL;CELL;VOICE:0151", "REV:20050120T080000Z"}) +
                         PhoneCard("E1", {"N:Eve", "REV:20050120T080000Z"}));
    SyncVCal(scene, PhoneTodo("T1", {"SUMMARY:Dentist at 11", "LAST-MODIFIED:20050120T080000Z"}) +
                        PhoneTodo("T2", {"SUMMARY:Gym", "DTSTART:20050114T090000Z",
                                         "DTEND:20050114T100000Z"}));
    return scene;
  }

  std::optional<Scene> template_;
  notes::NOTEID ann_ = 0;
  notes::NOTEID bob_ = 0;
  notes::NOTEID dentist_ = 0;
};

TEST_F(UpdateFailureTest, AFailureAtAnyCallIsReportedAndWhatWasDoneStays) {
  uint32_t calls = 0;
  {
    const Scene clean = Prepared("clean");
    notes::ClearFaults();
    ASSERT_EQ(PIMHandler_UpdatePIM(), 0);
    calls = notes::TotalCallCount();
    ASSERT_TRUE(NoBoxes());
  }
  PIMHandler_Deinit();
  ASSERT_GT(calls, 10u);
  for (uint32_t n = 1; n <= calls; ++n) {
    SCOPED_TRACE("failing call " + std::to_string(n));
    const Scene scene = Prepared("run" + std::to_string(n));
    ClearCaptures();
    notes::ClearFaults();
    notes::InjectFaultAtCall(n, kFault);
    EXPECT_EQ(PIMHandler_UpdatePIM(), 1);
    notes::ClearFaults();
    EXPECT_TRUE(OneBox(FaultText(), "", 0x2000));
    ClearCaptures();
    PIMHandler_Deinit();
    EXPECT_TRUE(NoBoxes());

    const auto saved = DecodeStore(ReadFile(scene.store));
    ASSERT_TRUE(saved.has_value());
    const std::vector<notes::NOTEID> contact_ids = scene.contacts.NoteIds();
    const std::vector<notes::NOTEID> entry_ids = scene.calendar.NoteIds();
    const auto in = [](const std::vector<notes::NOTEID>& ids, notes::NOTEID id) {
      return std::find(ids.begin(), ids.end(), id) != ids.end();
    };
    std::set<std::string> luids;
    for (const auto& c : saved->contacts) {
      luids.insert(c.luid);
      EXPECT_TRUE(c.note_id == 0 || in(contact_ids, c.note_id)) << c.luid;
    }
    for (const auto& t : saved->todos) {
      luids.insert(t.luid);
      EXPECT_TRUE(t.note_id == 0 || in(entry_ids, t.note_id)) << t.luid;
    }
    // Bob goes from the store only with his document.
    EXPECT_EQ(luids.count("B1") == 1, in(contact_ids, bob_));
    EXPECT_TRUE(luids.count("A1") && luids.count("E1") && luids.count("T1") && luids.count("T2"));
    EXPECT_TRUE(in(contact_ids, ann_));
    EXPECT_TRUE(in(entry_ids, dentist_));
  }
}

TEST_F(UpdateFailureTest, TheDocumentsWrittenBeforeTheFailureStay) {
  const Scene scene = Prepared("run");
  // The calendar is done and Ann rewritten; Bob's deletion fails.
  notes::InjectFault(notes::LNOperation::kDatabaseDeleteNote, 1, kFault);
  EXPECT_EQ(PIMHandler_UpdatePIM(), 1);
  notes::ClearFaults();
  EXPECT_TRUE(OneBox(FaultText(), "", 0x2000));
  ClearCaptures();
  EXPECT_EQ(scene.contacts.TextItems(ann_)->at("CellPhoneNumber"), "0151");
  const std::vector<notes::NOTEID> entry_ids = scene.calendar.NoteIds();
  ASSERT_EQ(entry_ids.size(), 2u);
  EXPECT_EQ(scene.calendar.ReadEntry(dentist_).brief, "Dentist at 11");
  EXPECT_EQ(scene.contacts.NoteIds(), (std::vector<notes::NOTEID>{ann_, bob_}));
  PIMHandler_Deinit();
  const auto saved = DecodeStore(ReadFile(scene.store));
  ASSERT_TRUE(saved.has_value());
  ASSERT_EQ(saved->todos.size(), 2u);
  EXPECT_EQ(saved->todos[1].note_id, entry_ids[1]);
  ASSERT_EQ(saved->contacts.size(), 3u);
  EXPECT_EQ(saved->contacts[1].luid, "B1");
  EXPECT_EQ(saved->contacts[2].luid, "E1");
  EXPECT_EQ(saved->contacts[2].note_id, 0u);
}

class PurgeFailureTest : public NotesFailureTest {
 protected:
  void SetUp() override {
    NotesFailureTest::SetUp();
    Scene scene = MakeScene("template");
    scene.contacts.AddDocument({{"FirstName", "Ann"}}, "2005-01-10 10:00:00");
    group_ = scene.contacts.AddDocument({{"ListName", "Team"}}, "2005-01-10 10:00:00", "Group");
    scene.contacts.AddDocument({{"FirstName", "Bob"}}, "2005-01-10 10:00:00");
    scene.calendar.AddTodo("2005-01-12 09:00:00", "2005-01-12 10:00:00", "Dentist", false,
                           "2005-01-10 12:00:00");
    scene.calendar.AddTodo("2005-01-13 09:00:00", "2005-01-13 10:00:00", "Gym", false,
                           "2005-01-10 12:00:00");
    template_.emplace(std::move(scene));
  }
  std::optional<Scene> template_;
  notes::NOTEID group_ = 0;
};

TEST_F(PurgeFailureTest, AFailureAtAnyCallIsReportedAndLeavesTheSessionStarted) {
  uint32_t calls = 0;
  {
    const Scene clean = CopyScene(*template_, "clean");
    ASSERT_EQ(PIMHandler_Prepare(2, 200, 200, clean.contacts.path().c_str(), "", "",
                                 clean.calendar.path().c_str(), clean.store.c_str()),
              0);
    notes::ClearFaults();
    ASSERT_EQ(PIMHandler_PurgeAll(), 0);
    calls = notes::TotalCallCount();
    ASSERT_TRUE(NoBoxes());
    EXPECT_EQ(clean.contacts.NoteIds(), std::vector<notes::NOTEID>{group_});
  }
  ASSERT_GT(calls, 10u);
  for (uint32_t n = 1; n <= calls; ++n) {
    SCOPED_TRACE("failing call " + std::to_string(n));
    const Scene scene = CopyScene(*template_, "run" + std::to_string(n));
    ASSERT_EQ(PIMHandler_Prepare(2, 200, 200, scene.contacts.path().c_str(), "", "",
                                 scene.calendar.path().c_str(), scene.store.c_str()),
              0);
    ClearCaptures();
    notes::ClearFaults();
    notes::InjectFaultAtCall(n, kFault);
    EXPECT_EQ(PIMHandler_PurgeAll(), 1);
    notes::ClearFaults();
    EXPECT_TRUE(OneBox(FaultText(), nullptr, 0x2000));
    EXPECT_EQ(handler::State().session.IsInitialized(), n > 1);
    const std::vector<notes::NOTEID> left = scene.contacts.NoteIds();
    EXPECT_NE(std::find(left.begin(), left.end(), group_), left.end());
    EXPECT_FALSE(std::filesystem::exists(scene.store));
    if (handler::State().session.IsInitialized()) handler::State().session.Term(0);
  }
}

TEST_F(PurgeFailureTest, TheCalendarDeletionsBeforeAContactFailureStay) {
  const Scene scene = CopyScene(*template_, "run");
  ASSERT_EQ(PIMHandler_Prepare(2, 200, 200, scene.contacts.path().c_str(), "", "",
                               scene.calendar.path().c_str(), scene.store.c_str()),
            0);
  notes::InjectFault(notes::LNOperation::kDatabaseDeleteNote, 3, kFault);
  EXPECT_EQ(PIMHandler_PurgeAll(), 1);
  notes::ClearFaults();
  EXPECT_TRUE(OneBox(FaultText(), nullptr, 0x2000));
  EXPECT_TRUE(scene.calendar.NoteIds().empty());
  EXPECT_EQ(scene.contacts.NoteIds().size(), 3u);
}

}  // namespace
}  // namespace pim::test
