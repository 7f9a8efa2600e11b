// Notes failing part-way through the handler's entry points, called in-process so that the
// Notes stand-in can be made to fail at a chosen call: the report, the result, what stays done,
// and the store that Deinit saves afterwards.
#include <filesystem>
#include <set>

#include "handler/handler_fixture.h"
#include "handler/module_state.h"
#include "notesapi/fault_injection.h"

namespace pim::test {
namespace {

constexpr notes::LNSTATUS kFault = notes::LNERR_DATABASE_IO;

std::string FaultText() {
  return notes::LNGetErrorMessage(kFault);
}

// The LUIDs of the records of a saved store.
std::set<std::string> LuidsOf(const DecodedStore& store) {
  std::set<std::string> luids;
  for (const auto& c : store.contacts)
    luids.insert(c.luid);
  for (const auto& t : store.todos)
    luids.insert(t.luid);
  return luids;
}

class NotesFailureTest : public HandlerTest {
 protected:
  NotesFailureTest() : HandlerTest(InProcessHandler()) {}
  void SetUp() override {
    notes::ClearFaults();
    HandlerTest::SetUp();
  }
  void TearDown() override {
    notes::ClearFaults();
    HandlerTest::TearDown();
  }

  // Ann and Bob paired with the phone, and the dentist without an alarm.
  void AddPairedRecords() {
    ann_ = AddPerson(contacts_db_, "Ann");
    bob_ = AddPerson(contacts_db_, "Bob");
    dentist_ = AddDentist(calendar_db_, false);
    store_ = StoreOf({DentistRecord(dentist_, "T1", false)},
                     {PersonRecord(ann_, "A1", "Ann"), PersonRecord(bob_, "B1", "Bob")});
    WriteFile(store_path_, store_);
  }

  InProcessCapture capture_;
  notes::NOTEID ann_ = 0;
  notes::NOTEID bob_ = 0;
  notes::NOTEID dentist_ = 0;
  std::string store_;
};

TEST_F(NotesFailureTest, AFailedSessionStartIsReported) {
  notes::InjectFault(notes::LNOperation::kSessionInitialize, 1, kFault);
  EXPECT_EQ(h_.Init(), 1);
  EXPECT_TRUE(OneBox(FaultText(), nullptr, 0x2000));
  EXPECT_FALSE(handler::State().session.IsInitialized());
}

TEST_F(NotesFailureTest, AFailedSessionEndIsReportedAndTheStoreIsStillSaved) {
  StartRun();
  notes::InjectFault(notes::LNOperation::kSessionTerm, 1, kFault);
  h_.Deinit();
  EXPECT_TRUE(OneBox(FaultText(), nullptr, 0x2000));
  EXPECT_EQ(ToHex(Store()), ToHex(Hex("01000000 0000 0000")));
}

TEST_F(NotesFailureTest, QueryObjectCountKeepsTheCalendarCountItHadStored) {
  AddPerson(contacts_db_, "Ann");
  AddDentist(calendar_db_, false);
  StartRun();
  notes::InjectFault(notes::LNOperation::kDocumentGetFormNote, 1, kFault);
  uint32_t contacts = 77;
  uint32_t calendar = 77;
  EXPECT_EQ(h_.QueryObjectCount(&contacts, &calendar), 1);
  EXPECT_EQ(calendar, 1u);
  EXPECT_EQ(contacts, 77u);
  EXPECT_TRUE(OneBox(FaultText(), nullptr, 0x2000));
}

// Ann and Bob paired with the phone; Notes has changed both since.
class RetrievalFailureTest : public NotesFailureTest {
 protected:
  void SetUp() override {
    NotesFailureTest::SetUp();
    AddPairedRecords();
    contacts_db_.SetItems(ann_, {{"FirstName", "Anne"}}, "2005-02-01 08:00:00");
    contacts_db_.SetItems(bob_, {{"FirstName", "Bobby"}}, "2005-02-01 08:00:00");
    AddPerson(contacts_db_, "Cid");
    calendar_db_.AddTodo("2005-01-14 09:00:00", "2005-01-14 10:00:00", "Gym", false,
                         "2005-01-10 12:00:00");
  }
};

TEST_F(RetrievalFailureTest, RecordsNotReachedStayDeletedInNotes) {
  StartRun();
  // Ann's document is read; Bob's fails.
  notes::InjectFault(notes::LNOperation::kDocumentGetFormNote, 2, kFault);
  EXPECT_EQ(h_.RetrievePIM(), 1);
  EXPECT_TRUE(OneBox(FaultText(), nullptr, 0x2000));
  ClearCaptures();
  notes::ClearFaults();
  EXPECT_EQ(SyncVCard(PhoneCard("A1", {"N:Ann", "REV:20050110T100000Z"}) +
                      PhoneCard("B1", {"N:Bob", "REV:20050110T100000Z"})),
            0);
  EXPECT_EQ(vcard_changes_,
            "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:A1\nX-VOQ-PHB-STORAGE:ME\nN:Anne\n"
            "REV:20050201T080000Z\nEND:VCARD\n"
            "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:B1\nEND:VCARD\n");
  EXPECT_TRUE(NoBoxes());
}

TEST_F(RetrievalFailureTest, AFailureAtAnyCallIsReportedAndTheStoreKeepsEveryRecord) {
  StartRun();
  notes::ClearFaults();
  ASSERT_EQ(h_.RetrievePIM(), 0);
  std::vector<uint32_t> calls(static_cast<size_t>(notes::LNOperation::kCount));
  for (size_t op = 0; op < calls.size(); ++op) {
    calls[op] = notes::CallCount(static_cast<notes::LNOperation>(op));
  }
  h_.Deinit();
  ASSERT_GT(notes::TotalCallCount(), 10u);
  for (size_t op = 0; op < calls.size(); ++op) {
    const auto operation = static_cast<notes::LNOperation>(op);
    for (uint32_t n = 1; n <= calls[op]; ++n) {
      SCOPED_TRACE("operation " + std::to_string(op) + ", call " + std::to_string(n));
      WriteFile(store_path_, store_);
      ClearCaptures();
      StartRun();
      notes::ClearFaults();
      notes::InjectFault(operation, n, kFault);
      const int32_t result = h_.RetrievePIM();
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
      h_.Deinit();
      EXPECT_TRUE(NoBoxes());
      const auto saved = DecodedStoreFile();
      ASSERT_TRUE(saved.has_value());
      const std::set<std::string> luids = LuidsOf(*saved);
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
    AddPairedRecords();
  }

  // Runs up to the update on a fresh copy of the databases and the store.
  void Prepared(const std::string& name) {
    UseCopy(name);
    StartRun();
    EXPECT_EQ(h_.RetrievePIM(), 0);
    EXPECT_EQ(SyncVCard(PhoneCard("A1", {"N:Ann", "TEL;CELL;VOICE:0151", "REV:20050120T080000Z"}) +
                        PhoneCard("E1", {"N:Eve", "REV:20050120T080000Z"})),
              0);
    EXPECT_EQ(
        SyncVCal(
            PhoneTodo("T1", {"SUMMARY:Dentist at 11", "LAST-MODIFIED:20050120T080000Z"}) +
            PhoneTodo("T2", {"SUMMARY:Gym", "DTSTART:20050114T090000Z", "DTEND:20050114T100000Z"})),
        0);
  }
};

TEST_F(UpdateFailureTest, AFailureAtAnyCallIsReportedAndWhatWasDoneStays) {
  Prepared("clean");
  notes::ClearFaults();
  ASSERT_EQ(h_.UpdatePIM(), 0);
  const uint32_t calls = notes::TotalCallCount();
  ASSERT_TRUE(NoBoxes());
  h_.Deinit();
  ASSERT_GT(calls, 10u);
  for (uint32_t n = 1; n <= calls; ++n) {
    SCOPED_TRACE("failing call " + std::to_string(n));
    Prepared("run" + std::to_string(n));
    ClearCaptures();
    notes::ClearFaults();
    notes::InjectFaultAtCall(n, kFault);
    EXPECT_EQ(h_.UpdatePIM(), 1);
    notes::ClearFaults();
    EXPECT_TRUE(OneBox(FaultText(), "", 0x2000));
    ClearCaptures();
    h_.Deinit();
    EXPECT_TRUE(NoBoxes());

    const auto saved = DecodedStoreFile();
    ASSERT_TRUE(saved.has_value());
    for (const auto& c : saved->contacts)
      EXPECT_TRUE(c.note_id == 0 || contacts_db_.Exists(c.note_id)) << c.luid;
    for (const auto& t : saved->todos)
      EXPECT_TRUE(t.note_id == 0 || calendar_db_.Exists(t.note_id)) << t.luid;
    const std::set<std::string> luids = LuidsOf(*saved);
    // Bob goes from the store only with his document.
    EXPECT_EQ(luids.count("B1") == 1, contacts_db_.Exists(bob_));
    EXPECT_TRUE(luids.count("A1") && luids.count("E1") && luids.count("T1") && luids.count("T2"));
    EXPECT_TRUE(contacts_db_.Exists(ann_));
    EXPECT_TRUE(calendar_db_.Exists(dentist_));
  }
}

TEST_F(UpdateFailureTest, TheDocumentsWrittenBeforeTheFailureStay) {
  Prepared("run");
  // The calendar is done and Ann rewritten; Bob's deletion fails.
  notes::InjectFault(notes::LNOperation::kDatabaseDeleteNote, 1, kFault);
  EXPECT_EQ(h_.UpdatePIM(), 1);
  notes::ClearFaults();
  EXPECT_TRUE(OneBox(FaultText(), "", 0x2000));
  ClearCaptures();
  EXPECT_EQ(contacts_db_.Text(ann_, "CellPhoneNumber"), "0151");
  const std::vector<notes::NOTEID> entry_ids = calendar_db_.NoteIds();
  ASSERT_EQ(entry_ids.size(), 2u);
  EXPECT_EQ(calendar_db_.ReadEntry(dentist_).brief, "Dentist at 11");
  EXPECT_EQ(contacts_db_.NoteIds(), (std::vector<notes::NOTEID>{ann_, bob_}));
  h_.Deinit();
  const auto saved = DecodedStoreFile();
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
    AddPerson(contacts_db_, "Ann");
    group_ = contacts_db_.AddDocument({{"ListName", "Team"}}, "2005-01-10 10:00:00", "Group");
    AddPerson(contacts_db_, "Bob");
    AddDentist(calendar_db_, false);
    calendar_db_.AddTodo("2005-01-13 09:00:00", "2005-01-13 10:00:00", "Gym", false,
                         "2005-01-10 12:00:00");
  }
  notes::NOTEID group_ = 0;
};

TEST_F(PurgeFailureTest, AFailureAtAnyCallIsReportedAndLeavesTheSessionStarted) {
  UseCopy("clean");
  ASSERT_EQ(Prepare(), 0);
  notes::ClearFaults();
  ASSERT_EQ(h_.PurgeAll(), 0);
  const uint32_t calls = notes::TotalCallCount();
  ASSERT_TRUE(NoBoxes());
  EXPECT_EQ(contacts_db_.NoteIds(), std::vector<notes::NOTEID>{group_});
  ASSERT_GT(calls, 10u);
  for (uint32_t n = 1; n <= calls; ++n) {
    SCOPED_TRACE("failing call " + std::to_string(n));
    UseCopy("run" + std::to_string(n));
    ASSERT_EQ(Prepare(), 0);
    ClearCaptures();
    notes::ClearFaults();
    notes::InjectFaultAtCall(n, kFault);
    EXPECT_EQ(h_.PurgeAll(), 1);
    notes::ClearFaults();
    EXPECT_TRUE(OneBox(FaultText(), nullptr, 0x2000));
    EXPECT_EQ(handler::State().session.IsInitialized(), n > 1);
    EXPECT_TRUE(contacts_db_.Exists(group_));
    EXPECT_FALSE(StoreExists());
    if (handler::State().session.IsInitialized()) handler::State().session.Term(0);
  }
}

TEST_F(PurgeFailureTest, TheCalendarDeletionsBeforeAContactFailureStay) {
  UseCopy("run");
  ASSERT_EQ(Prepare(), 0);
  notes::InjectFault(notes::LNOperation::kDatabaseDeleteNote, 3, kFault);
  EXPECT_EQ(h_.PurgeAll(), 1);
  notes::ClearFaults();
  EXPECT_TRUE(OneBox(FaultText(), nullptr, 0x2000));
  EXPECT_TRUE(calendar_db_.NoteIds().empty());
  EXPECT_EQ(contacts_db_.NoteIds().size(), 3u);
}

}  // namespace
}  // namespace pim::test
