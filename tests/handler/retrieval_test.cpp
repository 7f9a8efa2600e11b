// Counting the Notes records and the retrieval: the store file loaded (or not), then Notes
// merged into it, seen through the change files of the phone passes that follow.
#include <filesystem>

#include "handler/handler_fixture.h"

namespace pim::test {
namespace {

const std::string kAnnAsNew =
    "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:\nX-VOQ-PHB-STORAGE:ME\nN:Ann\nTEL;WORK;VOICE:111\n"
    "X-VOQ-PHB-CGROUP-ID:3\nREV:20050110T100000Z\nEND:VCARD\n";
const std::string kBobAsNew =
    "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:\nX-VOQ-PHB-STORAGE:ME\nN:Bob\n"
    "TEL;CELL;VOICE:0170\nREV:20050111T093000Z\nEND:VCARD\n";
const std::string kDentistAsNew =
    "BEGIN:VTODO\nX-VOQ-LUID:\nDTSTART:20050112T090000Z\nDTEND:20050112T100000Z\n"
    "AALARM:ON\nSUMMARY:Dentist\nLAST-MODIFIED:20050110T120000Z\nEND:VTODO\n";

class RetrievalTest : public HandlerTest {
 protected:
  void AddAnn() { ann_ = test::AddAnn(contacts_db_); }
  void AddBob(const std::string& form = "Person") {
    bob_ = contacts_db_.AddDocument({{"FirstName", "Bob"}, {"CellPhoneNumber", "0170"}},
                                    "2005-01-11 09:30:00", form);
  }
  void AddDentist() { dentist_ = test::AddDentist(calendar_db_); }
  // A to-do from 09:00 to 10:00 of a local day ("YYYY-MM-DD"), without an alarm.
  void AddTodo(const std::string& day, const std::string& brief) {
    calendar_db_.AddTodo(day + " 09:00:00", day + " 10:00:00", brief, false, "2005-01-10 12:00:00");
  }
  void AddNightShift() {
    calendar_db_.AddTodo("2005-01-13 23:00:00", "2005-01-14 01:00:00", "Night shift", false,
                         "2005-01-10 12:00:00");
  }
  ContactFields AnnRecord(const std::string& luid) const { return test::AnnRecord(ann_, luid); }
  ContactFields BobRecord(const std::string& luid) const {
    return {.note_id = bob_,
            .luid = luid,
            .mobile = "0170",
            .first = "Bob",
            .revision = WinterCet(2005, 1, 11, 9, 30)};
  }

  notes::NOTEID ann_ = 0;
  notes::NOTEID bob_ = 0;
  notes::NOTEID dentist_ = 0;
};

TEST_F(RetrievalTest, WithoutAStoreFileEveryPersonAndSingleDayEntryIsNewInNotesOrder) {
  AddAnn();
  contacts_db_.AddDocument({{"ListName", "Team"}}, "2005-01-10 11:00:00", "Group");
  AddBob("person");
  AddDentist();
  AddNightShift();
  AddTodo("1989-12-31", "Too early");
  AddTodo("2020-01-02", "Too late");

  StartRun();
  EXPECT_EQ(h_.RetrievePIM(), 0);
  EXPECT_EQ(SyncVCard(""), 0);
  EXPECT_EQ(vcard_changes_, kAnnAsNew + kBobAsNew);
  EXPECT_EQ(SyncVCal(""), 0);
  EXPECT_EQ(vcal_changes_, CalendarChanges(kDentistAsNew));
  EXPECT_TRUE(NoBoxes());
}

TEST_F(RetrievalTest, AZeroByteStoreFileIsReadSilently) {
  AddAnn();
  WriteFile(store_path_, "");
  StartRun();
  EXPECT_EQ(h_.RetrievePIM(), 0);
  EXPECT_EQ(SyncVCard(""), 0);
  EXPECT_EQ(vcard_changes_, kAnnAsNew);
  EXPECT_TRUE(NoBoxes());
}

TEST_F(RetrievalTest, AStoreWhoseFirstWordIsTwoIsRefusedWithoutReadingNotes) {
  // Neither database exists: reading Notes would show a Notes error report.
  WriteFile(store_path_, StoreBytes().Head(2).Count(0).Count(0).bytes());
  StartRunWith(MissingDatabase(), MissingDatabase());
  EXPECT_EQ(h_.RetrievePIM(), 2);
  EXPECT_TRUE(NoBoxes());
  EXPECT_FALSE(std::filesystem::exists(MissingDatabase()));
}

TEST_F(RetrievalTest, AStoreWithAForeignFirstWordLoadsNothing) {
  AddAnn();
  WriteFile(store_path_, StoreBytes()
                             .Head(7)
                             .Count(0)
                             .Count(1)
                             .NewClass("CContactObject")
                             .Contact(AnnRecord("A1"))
                             .bytes());
  StartRun();
  // The count names the databases to Notes; the refused retrieval never gets that far.
  uint32_t contacts = 0;
  uint32_t calendar = 0;
  ASSERT_EQ(h_.QueryObjectCount(&contacts, &calendar), 0);
  EXPECT_EQ(h_.RetrievePIM(), 2);
  EXPECT_EQ(SyncVCard(PhoneCard("A1", {"N:Ann"})), 0);
  EXPECT_EQ(vcard_changes_, "");
  EXPECT_EQ(h_.UpdatePIM(), 0);
  h_.Deinit();
  // The phone's card was new to an empty store: it became a second Ann in Notes.
  const auto store = DecodedStoreFile();
  ASSERT_TRUE(store.has_value());
  ASSERT_EQ(store->contacts.size(), 1u);
  EXPECT_EQ(store->contacts[0].luid, "A1");
  EXPECT_NE(store->contacts[0].note_id, ann_);
  EXPECT_EQ(contacts_db_.NoteIds().size(), 2u);
}

TEST_F(RetrievalTest, AFolderAtTheStorePathIsReportedAndNotesIsStillMerged) {
  AddAnn();
  AddDentist();
  ASSERT_TRUE(std::filesystem::create_directory(store_path_));
  StartRun();
  EXPECT_EQ(h_.RetrievePIM(), 0);
  EXPECT_TRUE(OneBox("Cannot open \"" + store_path_ + "\": Is a directory.", nullptr, 0));
  ClearCaptures();
  EXPECT_EQ(SyncVCard(""), 0);
  EXPECT_EQ(vcard_changes_, kAnnAsNew);
  EXPECT_EQ(SyncVCal(""), 0);
  EXPECT_EQ(vcal_changes_, CalendarChanges(kDentistAsNew));
  EXPECT_TRUE(NoBoxes());
}

TEST_F(RetrievalTest, ADamagedStoreKeepsTheRecordsReadBeforeTheFaultAsDeletedInNotes) {
  AddAnn();
  AddBob();
  const notes::NOTEID cid = contacts_db_.AddDocument({{"FirstName", "Cid"}}, "2005-01-09 08:00:00");
  contacts_db_.Delete(cid);
  const ContactFields cid_record{
      .note_id = cid, .luid = "C1", .first = "Cid", .revision = WinterCet(2005, 1, 9, 8, 0)};
  std::string store = StoreOf({}, {AnnRecord("A1"), cid_record, BobRecord("B1")});
  store.resize(store.size() - 10);  // Bob's record ends early
  WriteFile(store_path_, store);

  StartRun();
  EXPECT_EQ(h_.RetrievePIM(), 0);
  EXPECT_TRUE(NoBoxes());
  const std::string phone = PhoneCard("A1", {"N:Ann", "TEL;WORK;VOICE:111", "X-VOQ-PHB-CGROUP-ID:3",
                                             "REV:20050110T100000Z"}) +
                            PhoneCard("C1", {"N:Cid", "REV:20050109T080000Z"});
  EXPECT_EQ(SyncVCard(phone), 0);
  // Ann was read and met in Notes; Cid was read, is gone from Notes and goes from the phone;
  // Bob's record was lost with the damage, so his document is new again.
  EXPECT_EQ(vcard_changes_, "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:C1\nEND:VCARD\n" + kBobAsNew);
  EXPECT_TRUE(NoBoxes());
}

TEST_F(RetrievalTest, ADamagedCalendarSectionKeepsTheToDosBeforeTheFault) {
  AddDentist();
  const TodoFields dentist = DentistRecord(dentist_);
  TodoFields other = dentist;
  other.note_id = dentist_ + 100;
  other.luid = "T2";
  std::string store = StoreOf({dentist, other}, {});
  store.resize(store.size() - 2 - 20);  // the contact count and the end of the second to-do
  WriteFile(store_path_, store);

  EXPECT_EQ(RunTodoPass(PhoneCalendar(
                {PhoneTodo("T1", {"SUMMARY:Dentist"}), PhoneTodo("T2", {"SUMMARY:Dentist"})})),
            0);
  // T1 is in step; T2 was lost with the damage and counts as new from the phone.
  EXPECT_EQ(vcal_changes_, CalendarChanges(""));
  const auto saved = DecodedStoreFile();
  ASSERT_TRUE(saved.has_value());
  ASSERT_EQ(saved->todos.size(), 2u);
  EXPECT_EQ(saved->todos[0], dentist);
  EXPECT_EQ(saved->todos[1].luid, "T2");
  EXPECT_NE(saved->todos[1].note_id, other.note_id);
  EXPECT_TRUE(NoBoxes());
}

TEST_F(RetrievalTest, QueryObjectCountCountsPersonsAndEveryEntryInTheRange) {
  AddAnn();
  AddBob("PERSON");
  contacts_db_.AddDocument({{"ListName", "Team"}}, "2005-01-10 11:00:00", "Group");
  AddDentist();
  AddNightShift();
  AddTodo("1989-12-31", "Too early");
  calendar_db_.AddTodo("1990-01-01 00:00:00", "1990-01-01 01:00:00", "First day", false,
                       "2005-01-10 12:00:00");
  calendar_db_.AddTodo("2020-01-01 12:00:00", "2020-01-01 13:00:00", "Last day", false,
                       "2005-01-10 12:00:00");
  AddTodo("2020-01-02", "Too late");

  StartRun();
  uint32_t contacts = 99;
  uint32_t calendar = 99;
  EXPECT_EQ(h_.QueryObjectCount(&contacts, &calendar), 0);
  EXPECT_EQ(contacts, 2u);
  EXPECT_EQ(calendar, 4u);
  EXPECT_TRUE(NoBoxes());
  // The count reads Notes only: the store is neither read nor written, and a second count
  // sees the same.
  EXPECT_FALSE(StoreExists());
  contacts = calendar = 99;
  EXPECT_EQ(h_.QueryObjectCount(&contacts, &calendar), 0);
  EXPECT_EQ(contacts, 2u);
  EXPECT_EQ(calendar, 4u);
}

TEST_F(RetrievalTest, QueryObjectCountStoresTheCalendarCountBeforeAContactFailure) {
  AddDentist();
  StartRunWith(MissingDatabase(), calendar_db_.path());
  uint32_t contacts = 0xDEADBEEF;
  uint32_t calendar = 0xDEADBEEF;
  EXPECT_EQ(h_.QueryObjectCount(&contacts, &calendar), 1);
  EXPECT_EQ(calendar, 1u);
  EXPECT_EQ(contacts, 0xDEADBEEFu);
  EXPECT_TRUE(OneBox(notes::LNGetErrorMessage(notes::LNERR_DATABASE_NOT_FOUND), nullptr, 0x2000));
}

TEST_F(RetrievalTest, ANotesFailureStopsTheMergeWhereItWas) {
  AddDentist();
  StartRunWith(MissingDatabase(), calendar_db_.path());
  EXPECT_EQ(h_.RetrievePIM(), 1);
  EXPECT_TRUE(OneBox(notes::LNGetErrorMessage(notes::LNERR_DATABASE_NOT_FOUND), nullptr, 0x2000));
  // The calendar was merged before the contact database failed.
  EXPECT_EQ(SyncVCal(""), 0);
  EXPECT_EQ(vcal_changes_, CalendarChanges(kDentistAsNew));
}

TEST_F(RetrievalTest, OfTwoRecordsWithOneNoteIdTheLaterOneIsMerged) {
  AddAnn();
  WriteFile(store_path_, StoreOf({}, {AnnRecord("A1"), AnnRecord("A2")}));
  contacts_db_.SetItems(ann_, {{"OfficePhoneNumber", "222"}}, "2005-02-01 08:00:00");
  StartRun();
  ASSERT_EQ(h_.RetrievePIM(), 0);
  EXPECT_EQ(SyncVCard(PhoneCard("A1", {"N:Ann", "REV:20050110T100000Z"}) +
                      PhoneCard("A2", {"N:Ann", "REV:20050110T100000Z"})),
            0);
  // A1 met no note: it counts as deleted in Notes.
  EXPECT_EQ(vcard_changes_,
            "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:A1\nEND:VCARD\n"
            "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:A2\nX-VOQ-PHB-STORAGE:ME\n"
            "TEL;WORK;VOICE:222\nREV:20050201T080000Z\nEND:VCARD\n");
  EXPECT_TRUE(NoBoxes());
}

TEST_F(RetrievalTest, RetrievingAgainReplacesTheRecordsWithTheFilesRecords) {
  AddAnn();
  WriteFile(store_path_, StoreOf({}, {AnnRecord("A1")}));
  StartRun();
  EXPECT_EQ(h_.RetrievePIM(), 0);
  EXPECT_EQ(h_.RetrievePIM(), 0);
  EXPECT_EQ(SyncVCard(PhoneCard("A1", {"N:Ann", "TEL;WORK;VOICE:111", "X-VOQ-PHB-CGROUP-ID:3",
                                       "REV:20050110T100000Z"})),
            0);
  EXPECT_EQ(vcard_changes_, "");
  EXPECT_EQ(h_.UpdatePIM(), 0);
  h_.Deinit();
  EXPECT_EQ(ToHex(Store()), ToHex(StoreOf({}, {AnnRecord("A1")})));
  EXPECT_TRUE(NoBoxes());
}

}  // namespace
}  // namespace pim::test
