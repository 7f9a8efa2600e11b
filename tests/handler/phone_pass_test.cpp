// The phone passes: reading the phone's record files, settling conflicts by time, the record
// limits with their roll-back, and the file errors.
#include <filesystem>

#include "handler/handler_fixture.h"

namespace pim::test {
namespace {

const std::vector<std::string> kAnnLines = {"N:Ann", "TEL;WORK;VOICE:111", "X-VOQ-PHB-CGROUP-ID:3",
                                            "REV:20050110T100000Z"};
const std::vector<std::string> kDentistLines = {
    "DTSTART:20050112T090000Z", "DTEND:20050112T100000Z", "AALARM:ON", "SUMMARY:Dentist",
    "LAST-MODIFIED:20050110T120000Z"};

using PhonePassTest = HandlerTest;

// Changed in Notes, or not, and changed on the phone with a time of change: who wins.
struct ConflictRow {
  const char* name;
  bool changed_in_notes;
  const char* rev_line;  // "" for a card without REV
  bool phone_wins;
  int32_t stored_time;  // the store's revision afterwards
};

class ContactConflictTest : public PhonePassTest,
                            public testing::WithParamInterface<ConflictRow> {};

TEST_P(ContactConflictTest, SettlesByTheTimeOfChange) {
  const ConflictRow& row = GetParam();
  const notes::NOTEID ann = AddAnn(contacts_db_);
  WriteFile(store_path_, StoreOf({}, {AnnRecord(ann)}));
  if (row.changed_in_notes) {
    contacts_db_.SetItems(ann, {{"OfficePhoneNumber", "222"}}, "2005-02-01 08:00:00");
  }
  std::vector<std::string> lines = {"N:Ann", "TEL;WORK;VOICE:111", "TEL;CELL;VOICE:0151",
                                    "X-VOQ-PHB-CGROUP-ID:3"};
  if (*row.rev_line != '\0') lines.push_back(row.rev_line);

  EXPECT_EQ(RunCardPass(PhoneCard("A1", lines)), 0);
  EXPECT_TRUE(NoBoxes());

  ContactFields stored = AnnRecord(ann);
  stored.revision = row.stored_time;
  const auto items = contacts_db_.TextItems(ann);
  ASSERT_TRUE(items.has_value());
  if (row.phone_wins) {
    EXPECT_EQ(vcard_changes_, "");
    EXPECT_EQ(items->at("OfficePhoneNumber"), "111");
    EXPECT_EQ(items->at("CellPhoneNumber"), "0151");
    stored.mobile = "0151";
  } else if (row.changed_in_notes) {
    EXPECT_EQ(vcard_changes_,
              "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:A1\nX-VOQ-PHB-STORAGE:ME\n"
              "TEL;WORK;VOICE:222\nREV:20050201T080000Z\nEND:VCARD\n");
    EXPECT_EQ(items->at("OfficePhoneNumber"), "222");
    EXPECT_EQ(items->count("CellPhoneNumber"), 0u);
    stored.work = "222";
  } else {
    EXPECT_EQ(vcard_changes_, "");
    EXPECT_EQ(items->at("OfficePhoneNumber"), "111");
    EXPECT_EQ(items->count("CellPhoneNumber"), 0u);
  }
  EXPECT_EQ(ToHex(Store()), ToHex(StoreOf({}, {stored})));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Times, ContactConflictTest,
    testing::Values(
        ConflictRow{"BothChangedPhoneNewerWins",        true,  "REV:20050202T080000Z", true,  WinterCet(2005, 2, 2, 8, 0)},
        ConflictRow{"BothChangedEqualTimesNotesWins",   true,  "REV:20050201T080000Z", false, WinterCet(2005, 2, 1, 8, 0)},
        ConflictRow{"BothChangedPhoneOlderNotesWins",   true,  "REV:20050115T080000Z", false, WinterCet(2005, 2, 1, 8, 0)},
        ConflictRow{"BothChangedPhoneWithoutTimeNotesWins", true, "",                  false, WinterCet(2005, 2, 1, 8, 0)},
        ConflictRow{"PhoneChangedNewerIsTaken",         false, "REV:20050115T080000Z", true,  WinterCet(2005, 1, 15, 8, 0)},
        ConflictRow{"PhoneChangedSameTimeIsIgnored",    false, "REV:20050110T100000Z", false, WinterCet(2005, 1, 10, 10, 0)},
        ConflictRow{"PhoneChangedOlderIsIgnored",       false, "REV:20050105T080000Z", false, WinterCet(2005, 1, 10, 10, 0)},
        ConflictRow{"PhoneChangedWithoutTimeIsTaken",   false, "",                     true,  WinterCet(2005, 1, 10, 10, 0)}),
    [](const testing::TestParamInfo<ConflictRow>& param) { return param.param.name; });
// clang-format on

class TodoConflictTest : public PhonePassTest, public testing::WithParamInterface<ConflictRow> {};

TEST_P(TodoConflictTest, SettlesByTheTimeOfChange) {
  const ConflictRow& row = GetParam();
  const notes::NOTEID dentist = AddDentist(calendar_db_);
  WriteFile(store_path_, StoreOf({DentistRecord(dentist)}, {}));
  if (row.changed_in_notes) calendar_db_.SetBrief(dentist, "Dentist 2", "2005-02-01 08:00:00");
  std::vector<std::string> lines = {"SUMMARY:Dentist at 11"};
  if (*row.rev_line != '\0') lines.push_back(row.rev_line);

  EXPECT_EQ(RunTodoPass(PhoneCalendar({PhoneTodo("T1", lines)})), 0);
  EXPECT_TRUE(NoBoxes());

  TodoFields stored = DentistRecord(dentist);
  stored.last_modified = row.stored_time;
  if (row.phone_wins) {
    EXPECT_EQ(vcal_changes_, CalendarChanges(""));
    EXPECT_EQ(calendar_db_.ReadEntry(dentist).brief, "Dentist at 11");
    stored.summary = "Dentist at 11";
  } else if (row.changed_in_notes) {
    EXPECT_EQ(vcal_changes_,
              CalendarChanges("BEGIN:VTODO\nX-VOQ-LUID:T1\nDTSTART:20050112T090000Z\n"
                              "DTEND:20050112T100000Z\nAALARM:ON\nSUMMARY:Dentist 2\n"
                              "LAST-MODIFIED:20050201T080000Z\nEND:VTODO\n"));
    EXPECT_EQ(calendar_db_.ReadEntry(dentist).brief, "Dentist 2");
    stored.summary = "Dentist 2";
  } else {
    EXPECT_EQ(vcal_changes_, CalendarChanges(""));
    EXPECT_EQ(calendar_db_.ReadEntry(dentist).brief, "Dentist");
  }
  EXPECT_EQ(ToHex(Store()), ToHex(StoreOf({stored}, {})));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Times, TodoConflictTest,
    testing::Values(
        ConflictRow{"BothChangedPhoneNewerWins",      true,  "LAST-MODIFIED:20050202T080000Z", true,  WinterCet(2005, 2, 2, 8, 0)},
        ConflictRow{"BothChangedEqualTimesNotesWins", true,  "LAST-MODIFIED:20050201T080000Z", false, WinterCet(2005, 2, 1, 8, 0)},
        ConflictRow{"BothChangedPhoneWithoutTimeNotesWins", true, "",                          false, WinterCet(2005, 2, 1, 8, 0)},
        ConflictRow{"PhoneChangedNewerIsTaken",       false, "LAST-MODIFIED:20050111T080000Z", true,  WinterCet(2005, 1, 11, 8, 0)},
        ConflictRow{"PhoneChangedOlderIsIgnored",     false, "LAST-MODIFIED:20050109T080000Z", false, WinterCet(2005, 1, 10, 12, 0)},
        ConflictRow{"PhoneChangedWithoutTimeIsTaken", false, "",                               true,  WinterCet(2005, 1, 10, 12, 0)}),
    [](const testing::TestParamInfo<ConflictRow>& param) { return param.param.name; });
// clang-format on

TEST_F(PhonePassTest, ACardWithoutRevDoesNotTakeTheTimeOfTheCardBeforeIt) {
  const notes::NOTEID ann = AddAnn(contacts_db_);
  auto [bob, bob_record] = AddStoredPerson("Bob", "B1");
  WriteFile(store_path_, StoreOf({}, {AnnRecord(ann), bob_record}));
  contacts_db_.SetItems(bob, {{"OfficePhoneNumber", "222"}}, "2005-02-01 08:00:00");

  std::vector<std::string> ann_lines = kAnnLines;
  ann_lines.back() = "REV:20300101T000000Z";
  EXPECT_EQ(
      RunCardPass(PhoneCard("A1", ann_lines) + PhoneCard("B1", {"N:Bob", "TEL;CELL;VOICE:0177"})),
      0);
  // Bob's card has no time and Notes changed Bob: Notes wins, as with equal times.
  EXPECT_EQ(vcard_changes_,
            "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:B1\nX-VOQ-PHB-STORAGE:ME\n"
            "TEL;WORK;VOICE:222\nREV:20050201T080000Z\nEND:VCARD\n");
  EXPECT_EQ(contacts_db_.TextItems(bob)->count("CellPhoneNumber"), 0u);
}

TEST_F(PhonePassTest, ASecondCardWithTheSameLuidComparesWithTheTimeTheFirstLeft) {
  const notes::NOTEID ann = AddAnn(contacts_db_);
  WriteFile(store_path_, StoreOf({}, {AnnRecord(ann)}));
  EXPECT_EQ(RunCardPass(PhoneCard("A1", {"N:Ann", "TEL;CELL;VOICE:0151", "REV:20050120T080000Z"}) +
                        PhoneCard("A1", {"N:Ann", "TEL;CELL;VOICE:0999", "REV:20050115T080000Z"})),
            0);
  EXPECT_EQ(vcard_changes_, "");
  // Every match starts the phone side afresh as unchanged: the second card, older than the
  // first, leaves nothing for Notes to take.
  EXPECT_EQ(contacts_db_.TextItems(ann)->count("CellPhoneNumber"), 0u);
  ContactFields stored = AnnRecord(ann);
  stored.mobile = "0151";
  stored.revision = WinterCet(2005, 1, 20, 8, 0);
  EXPECT_EQ(ToHex(Store()), ToHex(StoreOf({}, {stored})));
}

TEST_F(PhonePassTest, ALuidHeldByTwoRecordsMatchesTheFirst) {
  auto [ann, ann_record] = AddStoredPerson("Ann", "L1");
  auto [bob, bob_record] = AddStoredPerson("Bob", "L1");
  WriteFile(store_path_, StoreOf({}, {ann_record, bob_record}));
  EXPECT_EQ(RunCardPass(PhoneCard("L1", {"N:Ann", "ORG:ACME", "REV:20050120T080000Z"})), 0);
  // Ann takes the phone's change; Bob, not met, is gone from the phone.
  EXPECT_EQ(contacts_db_.NoteIds(), std::vector<notes::NOTEID>{ann});
  EXPECT_EQ(contacts_db_.TextItems(ann)->at("CompanyName"), "ACME");
}

TEST_F(PhonePassTest, ANewLuidSentTwiceMakesOneRecord) {
  EXPECT_EQ(RunCardPass(PhoneCard("N1", {"N:Pat", "REV:20050120T080000Z"}) +
                        PhoneCard("N1", {"N:Pat", "ORG:ACME", "REV:20050121T080000Z"})),
            0);
  const std::vector<notes::NOTEID> ids = contacts_db_.NoteIds();
  ASSERT_EQ(ids.size(), 1u);
  // The second card met the new record and merged into it before Notes was written.
  EXPECT_EQ(contacts_db_.TextItems(ids[0])->at("CompanyName"), "ACME");
}

TEST_F(PhonePassTest, AVCardFileStopsAtBeginVCalendar) {
  const notes::NOTEID ann = AddAnn(contacts_db_);
  auto [bob, bob_record] = AddStoredPerson("Bob", "B1");
  WriteFile(store_path_, StoreOf({}, {AnnRecord(ann), bob_record}));
  EXPECT_EQ(RunCardPass(PhoneCard("A1", kAnnLines) + "BEGIN:VCALENDAR\n" +
                        PhoneCard("B1", {"N:Bob", "REV:20050110T100000Z"})),
            0);
  EXPECT_EQ(vcard_changes_, "");
  // Bob's card came after the stop: he counts as deleted on the phone.
  EXPECT_EQ(contacts_db_.NoteIds(), std::vector<notes::NOTEID>{ann});
  EXPECT_EQ(ToHex(Store()), ToHex(StoreOf({}, {AnnRecord(ann)})));
  EXPECT_TRUE(NoBoxes());
}

TEST_F(PhonePassTest, AnyEndLineEndsACard) {
  const notes::NOTEID ann = AddAnn(contacts_db_);
  WriteFile(store_path_, StoreOf({}, {AnnRecord(ann)}));
  EXPECT_EQ(RunCardPass("BEGIN:VCARD\nX-VOQ-LUID:A1\nN:Ann\nTEL;WORK;VOICE:111\n"
                        "X-VOQ-PHB-CGROUP-ID:3\nREV:20050110T100000Z\nEND:\n"
                        "  begin:vcard  \nx-voq-luid:E1\nn:Eve\nREV:20050110T100000Z\nend:vtodo\n"),
            0);
  EXPECT_EQ(vcard_changes_, "");
  const std::vector<notes::NOTEID> ids = contacts_db_.NoteIds();
  ASSERT_EQ(ids.size(), 2u);
  EXPECT_EQ(ids[0], ann);
  EXPECT_EQ(contacts_db_.TextItems(ids[1])->at("FirstName"), "Eve");
}

struct CalendarFileRow {
  const char* name;
  std::string text;
};

class CalendarFileFormTest : public PhonePassTest,
                             public testing::WithParamInterface<CalendarFileRow> {};

TEST_P(CalendarFileFormTest, ReadsTheToDosTheSameWay) {
  const notes::NOTEID dentist = AddDentist(calendar_db_);
  WriteFile(store_path_, StoreOf({DentistRecord(dentist)}, {}));
  EXPECT_EQ(RunTodoPass(GetParam().text), 0);
  EXPECT_EQ(vcal_changes_, CalendarChanges(""));
  EXPECT_TRUE(NoBoxes());
  const std::vector<notes::NOTEID> ids = calendar_db_.NoteIds();
  ASSERT_EQ(ids.size(), 2u);
  EXPECT_EQ(ids[0], dentist);
  const NotesDb::Entry call = calendar_db_.ReadEntry(ids[1]);
  EXPECT_EQ(call.brief, "Call mum");
  EXPECT_EQ(call.range, "2005-01-25 18:00:00 - 2005-01-25 18:30:00");
  EXPECT_FALSE(call.alarm);
}

const std::string kCallMum = PhoneTodo(
    "T2", {"DTSTART:20050125T180000Z", "DTEND:20050125T183000Z", "AALARM:OFF", "SUMMARY:Call mum"});

INSTANTIATE_TEST_SUITE_P(
    Forms, CalendarFileFormTest,
    testing::Values(
        CalendarFileRow{"Wrapped", PhoneCalendar({PhoneTodo("T1", kDentistLines), kCallMum})},
        CalendarFileRow{"Unwrapped", PhoneTodo("T1", kDentistLines) + kCallMum},
        // Other components and other END lines neither start nor end a to-do.
        CalendarFileRow{"WithAnEvent", "BEGIN:VCALENDAR\nVERSION:1.0\n" +
                                           PhoneTodo("T1", kDentistLines) +
                                           "BEGIN:VEVENT\nSUMMARY:Party\nEND:VEVENT\n" + kCallMum +
                                           "END:VCALENDAR\n"},
        CalendarFileRow{"WithCarriageReturnsAndBlankLines",
                        "BEGIN:VCALENDAR\r\n\r\nVERSION:1.0\r\n" + PhoneTodo("T1", kDentistLines) +
                            "BEGIN:VTODO\r\nX-VOQ-LUID: T2 \r\n  DTSTART:20050125T180000Z\r\n"
                            "DTEND:20050125T183000Z\r\nAALARM:OFF\r\nSUMMARY:Call mum\r\n"
                            "no colon here\r\nEND:VTODO\r\nEND:VCALENDAR\r\n"}),
    [](const testing::TestParamInfo<CalendarFileRow>& param) { return param.param.name; });

TEST_F(PhonePassTest, ALuidDifferingOnlyInCaseIsANewRecord) {
  const notes::NOTEID ann = AddAnn(contacts_db_);
  WriteFile(store_path_, StoreOf({}, {AnnRecord(ann)}));
  EXPECT_EQ(RunCardPass(PhoneCard("a1", kAnnLines)), 0);
  EXPECT_EQ(vcard_changes_, "");
  // A1 is gone from the phone, a1 is new there.
  const std::vector<notes::NOTEID> ids = contacts_db_.NoteIds();
  ASSERT_EQ(ids.size(), 1u);
  EXPECT_NE(ids[0], ann);
  ContactFields added = AnnRecord(ids[0], "a1");
  added.picture = -1;
  added.ring = -1;
  EXPECT_EQ(ToHex(Store()), ToHex(StoreOf({}, {added})));
}

TEST_F(PhonePassTest, NewRecordsFromThePhoneFollowTheNewOnesFromNotes) {
  const notes::NOTEID ann = AddAnn(contacts_db_);
  WriteFile(store_path_, StoreOf({}, {AnnRecord(ann)}));
  auto [bob, bob_record] = AddStoredPerson("Bob", "");
  EXPECT_EQ(
      RunCardPassWithAnswers(PhoneCard("A1", kAnnLines) +
                                 PhoneCard("E1", {"N:Eve", "EMAIL;PREF;INTERNET:eve@example.org",
                                                  "X-VOQ-PHB-RING-ID:4", "REV:20050105T080000Z"}),
                             "X-VOQ-LUID:B9\n"),
      0);
  EXPECT_EQ(vcard_changes_,
            "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:\nX-VOQ-PHB-STORAGE:ME\nN:Bob\n"
            "REV:20050110T100000Z\nEND:VCARD\n");
  const std::vector<notes::NOTEID> ids = contacts_db_.NoteIds();
  ASSERT_EQ(ids.size(), 3u);
  bob_record.luid = "B9";
  const ContactFields eve{.note_id = ids[2],
                          .luid = "E1",
                          .group = -1,
                          .picture = -1,
                          .ring = 4,
                          .has_ring = true,
                          .email = "eve@example.org",
                          .first = "Eve",
                          .revision = WinterCet(2005, 1, 5, 8, 0)};
  EXPECT_EQ(ToHex(Store()), ToHex(StoreOf({}, {AnnRecord(ann), bob_record, eve})));
  EXPECT_EQ(contacts_db_.TextItems(ids[2]),
            PersonItems({{"FirstName", "Eve"}, {"MailAddress", "eve@example.org"}}));
  EXPECT_TRUE(NoBoxes());
}

// The contact limit against the records still alive on the phone side: the store holds Ann
// and Bob (on the phone), Dan (deleted in Notes, gone from the phone) and Fay (gone from the
// phone); Notes adds Cid and the phone adds Eve. Alive: Ann, Bob, Cid, Eve.
class ContactLimitTest : public PhonePassTest, public testing::WithParamInterface<int32_t> {};

TEST_P(ContactLimitTest, RollsBackOnlyWhenOverTheLimit) {
  const int32_t limit = GetParam();
  const notes::NOTEID ann = AddAnn(contacts_db_);
  auto [bob, bob_record] = AddStoredPerson("Bob", "B1");
  auto [dan, dan_record] = AddStoredPerson("Dan", "D1");
  auto [fay, fay_record] = AddStoredPerson("Fay", "F1");
  contacts_db_.Delete(dan);
  const std::string store = StoreOf({}, {AnnRecord(ann), bob_record, dan_record, fay_record});
  WriteFile(store_path_, store);
  const notes::NOTEID cid = AddPerson(contacts_db_, "Cid");

  const int32_t result =
      RunCardPass(PhoneCard("A1", kAnnLines) + PhoneCard("B1", {"N:Bob", "REV:20050110T100000Z"}) +
                      PhoneCard("E1", {"N:Eve", "REV:20050110T100000Z"}),
                  limit);
  EXPECT_TRUE(NoBoxes());
  const std::vector<notes::NOTEID> ids = contacts_db_.NoteIds();
  if (limit >= 4) {
    EXPECT_EQ(result, 0);
    EXPECT_EQ(vcard_changes_,
              "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:\nX-VOQ-PHB-STORAGE:ME\nN:Cid\n"
              "REV:20050110T100000Z\nEND:VCARD\n");
    // Fay is deleted from Notes, Eve created.
    ASSERT_EQ(ids.size(), 4u);
    EXPECT_EQ(std::vector<notes::NOTEID>(ids.begin(), ids.begin() + 3),
              (std::vector<notes::NOTEID>{ann, bob, cid}));
  } else {
    EXPECT_EQ(result, 3);
    EXPECT_EQ(vcard_changes_, "");
    // Nothing reaches Notes, and the store is what it was.
    EXPECT_EQ(ids, (std::vector<notes::NOTEID>{ann, bob, fay, cid}));
    EXPECT_EQ(ToHex(Store()), ToHex(store));
  }
}

INSTANTIATE_TEST_SUITE_P(Limits, ContactLimitTest, testing::Values(3, 4, 5),
                         [](const testing::TestParamInfo<int32_t>& param) {
                           return param.param == 3   ? std::string("OneOverTheLimit")
                                  : param.param == 4 ? std::string("EqualToTheLimit")
                                                     : std::string("UnderTheLimit");
                         });

class TodoLimitTest : public PhonePassTest, public testing::WithParamInterface<int32_t> {};

TEST_P(TodoLimitTest, RollsBackOnlyWhenOverTheLimit) {
  const int32_t limit = GetParam();
  const notes::NOTEID dentist = AddDentist(calendar_db_);
  const std::string store = StoreOf({DentistRecord(dentist)}, {});
  WriteFile(store_path_, store);
  const int32_t result =
      RunTodoPass(PhoneCalendar({PhoneTodo("T1", kDentistLines), kCallMum}), limit);
  EXPECT_TRUE(NoBoxes());
  if (limit >= 2) {
    EXPECT_EQ(result, 0);
    EXPECT_EQ(vcal_changes_, CalendarChanges(""));
    EXPECT_EQ(calendar_db_.NoteIds().size(), 2u);
  } else {
    EXPECT_EQ(result, 3);
    EXPECT_EQ(vcal_changes_, "");
    EXPECT_EQ(calendar_db_.NoteIds(), std::vector<notes::NOTEID>{dentist});
    EXPECT_EQ(ToHex(Store()), ToHex(store));
  }
}

INSTANTIATE_TEST_SUITE_P(Limits, TodoLimitTest, testing::Values(1, 2),
                         [](const testing::TestParamInfo<int32_t>& param) {
                           return param.param == 1 ? std::string("OneOverTheLimit")
                                                   : std::string("EqualToTheLimit");
                         });

TEST_F(PhonePassTest, ALimitOfZeroPassesWhenNothingIsAlive) {
  StartRun(2, 0, 0);
  ASSERT_EQ(h_.RetrievePIM(), 0);
  EXPECT_EQ(SyncVCard(""), 0);
  EXPECT_EQ(SyncVCal(""), 0);
  EXPECT_EQ(vcal_changes_, CalendarChanges(""));
}

TEST_F(PhonePassTest, TheContactRollBackLeavesTheToDosAlone) {
  const notes::NOTEID ann = AddAnn(contacts_db_);
  const notes::NOTEID dentist = AddDentist(calendar_db_);
  const std::string store = StoreOf({DentistRecord(dentist)}, {AnnRecord(ann)});
  WriteFile(store_path_, store);
  StartRun(2, 1, 200);
  ASSERT_EQ(h_.RetrievePIM(), 0);
  EXPECT_EQ(SyncVCard(PhoneCard("A1", kAnnLines) + PhoneCard("E1", {"N:Eve"})), 3);
  EXPECT_EQ(SyncVCal(PhoneCalendar({PhoneTodo("T1", kDentistLines)})), 0);
  EXPECT_EQ(h_.UpdatePIM(), 0);
  h_.Deinit();
  EXPECT_EQ(ToHex(Store()), ToHex(store));
  EXPECT_TRUE(NoBoxes());
}

TEST_F(PhonePassTest, TheRollBackFallsBackOnTheStoreRetrievalReadWhenTheFileIsGone) {
  const notes::NOTEID ann = AddAnn(contacts_db_);
  const notes::NOTEID dentist = AddDentist(calendar_db_);
  const std::string store = StoreOf({DentistRecord(dentist)}, {AnnRecord(ann)});
  WriteFile(store_path_, store);
  StartRun(2, 1, 0);
  ASSERT_EQ(h_.RetrievePIM(), 0);
  ASSERT_TRUE(std::filesystem::remove(store_path_));
  EXPECT_EQ(SyncVCard(PhoneCard("A1", kAnnLines) + PhoneCard("E1", {"N:Eve"})), 1);
  EXPECT_TRUE(
      OneBox("Cannot open \"" + store_path_ + "\": No such file or directory.", nullptr, 0));
  EXPECT_EQ(vcard_changes_, "");
  ClearCaptures();
  EXPECT_EQ(SyncVCal(PhoneCalendar({PhoneTodo("T1", kDentistLines)})), 1);
  EXPECT_TRUE(
      OneBox("Cannot open \"" + store_path_ + "\": No such file or directory.", nullptr, 0));
  EXPECT_EQ(vcal_changes_, "");
  ClearCaptures();
  EXPECT_EQ(h_.UpdatePIM(), 0);
  h_.Deinit();
  EXPECT_EQ(ToHex(Store()), ToHex(store));
  EXPECT_EQ(contacts_db_.NoteIds(), std::vector<notes::NOTEID>{ann});
  EXPECT_TRUE(NoBoxes());
}

TEST_F(PhonePassTest, TheRollBackOfADamagedStoreFileReportsItAndKeepsWhatRetrievalRead) {
  const notes::NOTEID ann = AddAnn(contacts_db_);
  const std::string store = StoreOf({}, {AnnRecord(ann)});
  WriteFile(store_path_, store);
  StartRun(2, 1, 200);
  ASSERT_EQ(h_.RetrievePIM(), 0);
  WriteFile(store_path_, store.substr(0, store.size() - 4));
  EXPECT_EQ(SyncVCard(PhoneCard("A1", kAnnLines) + PhoneCard("E1", {"N:Eve"})), 1);
  ASSERT_EQ(CapturedBoxes().size(), 1u);
  EXPECT_TRUE(CapturedBoxes()[0].caption_is_null);
  EXPECT_EQ(CapturedBoxes()[0].style, 0x2000u);
  EXPECT_NE(CapturedBoxes()[0].text.find(store_path_), std::string::npos)
      << CapturedBoxes()[0].text;
  EXPECT_EQ(vcard_changes_, "");
  ClearCaptures();
  EXPECT_EQ(h_.UpdatePIM(), 0);
  h_.Deinit();
  EXPECT_EQ(ToHex(Store()), ToHex(store));
  EXPECT_EQ(contacts_db_.NoteIds(), std::vector<notes::NOTEID>{ann});
}

TEST_F(PhonePassTest, AMissingPhoneFileIsReportedAndNoChangeFileIsMade) {
  StartRun();
  ASSERT_EQ(h_.RetrievePIM(), 0);
  const std::string phone = dir_.File("none.vcf");
  const std::string changes = dir_.File("changes.vcf");
  EXPECT_EQ(h_.SyncVCard(phone.c_str(), changes.c_str()), 1);
  EXPECT_TRUE(OneBox("Cannot open \"" + phone + "\": No such file or directory.", nullptr, 0));
  EXPECT_FALSE(std::filesystem::exists(changes));
}

TEST_F(PhonePassTest, AChangeFileThatCannotBeMadeIsReported) {
  StartRun();
  ASSERT_EQ(h_.RetrievePIM(), 0);
  const std::string phone = dir_.File("phone.vcs");
  const std::string changes = dir_.File("no/such/folder/changes.vcs");
  WriteFile(phone, "");
  EXPECT_EQ(h_.SyncVCal(phone.c_str(), changes.c_str()), 1);
  EXPECT_TRUE(OneBox("Cannot create \"" + changes + "\": No such file or directory.", nullptr, 0));
}

}  // namespace
}  // namespace pim::test
