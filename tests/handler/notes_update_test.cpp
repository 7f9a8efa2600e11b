// The update of Notes: documents and entries created, rewritten and deleted by what the phone
// passes decided, and the records gone from both sides dropped from the store.
#include <ctime>
#include <filesystem>

#include "handler/handler_fixture.h"

namespace pim::test {
namespace {

class NotesUpdateTest : public HandlerTest {
 protected:
  // A to-do without an alarm from 09:00 to 10:00 on a day of January 2005, in Notes and its
  // record in the store once paired.
  std::pair<notes::NOTEID, TodoFields> AddTodo(const std::string& brief, int day,
                                               const std::string& luid) {
    const std::string date = "2005-01-" + std::to_string(day);
    const notes::NOTEID id = calendar_db_.AddTodo(date + " 09:00:00", date + " 10:00:00", brief,
                                                  false, "2005-01-10 12:00:00");
    return {id,
            NotesTodoRecord(id, luid, brief, WinterCet(2005, 1, day, 9, 0),
                            WinterCet(2005, 1, day, 10, 0), WinterCet(2005, 1, 10, 12, 0), false)};
  }
  static std::string TodoLines(const TodoFields& t) {
    char start[32];
    char end[32];
    std::tm parts{};
    const time_t s = t.start;
    const time_t e = t.end;
    ::localtime_r(&s, &parts);
    std::strftime(start, sizeof start, "%Y%m%dT%H%M%SZ", &parts);
    ::localtime_r(&e, &parts);
    std::strftime(end, sizeof end, "%Y%m%dT%H%M%SZ", &parts);
    return PhoneTodo(t.luid,
                     {std::string("DTSTART:") + start, std::string("DTEND:") + end, "AALARM:OFF",
                      "SUMMARY:" + t.summary, "LAST-MODIFIED:20050110T120000Z"});
  }
};

TEST_F(NotesUpdateTest, ACardNewOnThePhoneBecomesAPersonDocument) {
  EXPECT_EQ(RunCardPass(PhoneCard("P1", {"N:Pat", "LN:Smith", "ORG:ACME", "TEL;WORK;VOICE:111",
                                         "TEL;HOME;VOICE:222", "TEL;CELL;VOICE:333",
                                         "TEL;WORK;FAX:444", "EMAIL;PREF;INTERNET:pat@example.org",
                                         "X-VOQ-PHB-CGROUP-ID:2", "REV:20050110T100000Z"})),
            0);
  const std::vector<notes::NOTEID> ids = contacts_db_.NoteIds();
  ASSERT_EQ(ids.size(), 1u);
  EXPECT_EQ(contacts_db_.Form(ids[0]), "Person");
  // The last name never reaches Notes.
  EXPECT_EQ(contacts_db_.TextItems(ids[0]), PersonItems({{"FirstName", "Pat"},
                                                         {"Categories", "Friends"},
                                                         {"CellPhoneNumber", "333"},
                                                         {"MailAddress", "pat@example.org"},
                                                         {"OfficeFAXPhoneNumber", "444"},
                                                         {"PhoneNumber", "222"},
                                                         {"OfficePhoneNumber", "111"},
                                                         {"CompanyName", "ACME"}}));
  const auto store = DecodedStoreFile();
  ASSERT_TRUE(store.has_value());
  ASSERT_EQ(store->contacts.size(), 1u);
  EXPECT_EQ(store->contacts[0].note_id, ids[0]);
  EXPECT_TRUE(NoBoxes());
}

TEST_F(NotesUpdateTest, ACardChangedOnThePhoneIsWrittenToTheSameNote) {
  const notes::NOTEID ann = contacts_db_.AddDocument(
      {{"FirstName", "Ann"}, {"LastName", "Smith"}, {"PhoneNumber", "222"}, {"Categories", "VIP"}},
      "2005-01-10 10:00:00");
  WriteFile(store_path_, StoreOf({}, {{.note_id = ann,
                                       .luid = "A1",
                                       .group = 0,
                                       .has_group = true,
                                       .home = "222",
                                       .first = "Ann",
                                       .last = "Smith",
                                       .revision = WinterCet(2005, 1, 10, 10, 0)}}));
  EXPECT_EQ(RunCardPass(PhoneCard("A1", {"N:Ann", "ORG:Initech", "REV:20050120T080000Z"})), 0);
  EXPECT_EQ(contacts_db_.NoteIds(), std::vector<notes::NOTEID>{ann});
  EXPECT_EQ(contacts_db_.TextItems(ann), PersonItems({{"FirstName", "Ann"},
                                                      {"LastName", "Smith"},
                                                      {"Categories", "VIP"},
                                                      {"PhoneNumber", "222"},
                                                      {"CompanyName", "Initech"}}));
  const auto store = DecodedStoreFile();
  ASSERT_TRUE(store.has_value());
  ASSERT_EQ(store->contacts.size(), 1u);
  EXPECT_EQ(store->contacts[0].note_id, ann);
  EXPECT_EQ(store->contacts[0].company, "Initech");
}

// A to-do new on the phone, behind one that is in step (so that the reader's record still holds
// that one's times).
struct NewTodoRow {
  const char* name;
  std::vector<std::string> lines;
  std::string brief;
  std::string range;  // "" for the start of the current day
};

class NewTodoTest : public NotesUpdateTest, public testing::WithParamInterface<NewTodoRow> {};

TEST_P(NewTodoTest, BecomesACalendarEntry) {
  const NewTodoRow& row = GetParam();
  auto [dentist, dentist_record] = AddTodo("Dentist", 12, "T1");
  WriteFile(store_path_, StoreOf({dentist_record}, {}));
  const time_t before = std::time(nullptr);
  EXPECT_EQ(RunTodoPass(PhoneCalendar({TodoLines(dentist_record), PhoneTodo("T2", row.lines)})), 0);
  const time_t after = std::time(nullptr);
  EXPECT_TRUE(NoBoxes());
  const std::vector<notes::NOTEID> ids = calendar_db_.NoteIds();
  ASSERT_EQ(ids.size(), 2u);
  const NotesDb::Entry entry = calendar_db_.ReadEntry(ids[1]);
  EXPECT_EQ(entry.brief, row.brief);
  if (!row.range.empty()) {
    EXPECT_EQ(entry.range, row.range);
  } else {
    std::vector<std::string> today;
    for (time_t t : {before, after}) {
      std::tm parts{};
      ::localtime_r(&t, &parts);
      char day[16];
      std::strftime(day, sizeof day, "%Y-%m-%d", &parts);
      today.push_back(std::string(day) + " 00:00:00 - " + day + " 00:00:00");
    }
    EXPECT_TRUE(entry.range == today[0] || entry.range == today[1]) << entry.range;
  }
  const auto store = DecodedStoreFile();
  ASSERT_TRUE(store.has_value());
  ASSERT_EQ(store->todos.size(), 2u);
  EXPECT_EQ(store->todos[0], dentist_record);
  EXPECT_EQ(store->todos[1].note_id, ids[1]);
  EXPECT_EQ(store->todos[1].luid, "T2");
  // The new entry holds the summary and the times; the record keeps them unflagged.
  EXPECT_FALSE(store->todos[1].has_summary);
  EXPECT_FALSE(store->todos[1].has_start);
  EXPECT_FALSE(store->todos[1].has_end);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, NewTodoTest,
    testing::Values(
        NewTodoRow{"WithEverything",
                   {"DTSTART:20050125T180000Z", "DTEND:20050125T183000Z", "SUMMARY:Call mum"},
                   "Call mum",
                   "2005-01-25 18:00:00 - 2005-01-25 18:30:00"},
        NewTodoRow{"WithoutSummary",
                   {"DTSTART:20050125T180000Z", "DTEND:20050125T183000Z"},
                   "",
                   "2005-01-25 18:00:00 - 2005-01-25 18:30:00"},
        NewTodoRow{"WithoutEnd",
                   {"DTSTART:20050125T180000Z", "SUMMARY:Call mum"},
                   "Call mum",
                   "2005-01-25 18:00:00 - 2005-01-25 18:00:00"},
        NewTodoRow{"WithoutStart",
                   {"DTEND:20050125T183000Z", "SUMMARY:Call mum"},
                   "Call mum",
                   "2005-01-25 18:30:00 - 2005-01-25 18:30:00"},
        NewTodoRow{"WithNeitherStartNorEnd", {"SUMMARY:Call mum"}, "Call mum", ""},
        NewTodoRow{"WithAMalformedStart",
                   {"DTSTART:20050125T1800Z", "DTEND:20050125T183000Z", "SUMMARY:Call mum"},
                   "Call mum",
                   "2005-01-25 18:30:00 - 2005-01-25 18:30:00"}),
    [](const testing::TestParamInfo<NewTodoRow>& param) { return param.param.name; });

TEST_F(NotesUpdateTest, AToDoChangedOnThePhoneIsWrittenToTheSameEntry) {
  auto [dentist, record] = AddTodo("Dentist", 12, "T1");
  WriteFile(store_path_, StoreOf({record}, {}));
  EXPECT_EQ(RunTodoPass(PhoneCalendar(
                {PhoneTodo("T1", {"DTSTART:20050113T140000Z", "DTEND:20050113T150000Z", "AALARM:ON",
                                  "LAST-MODIFIED:20050111T080000Z"})})),
            0);
  EXPECT_EQ(calendar_db_.NoteIds(), std::vector<notes::NOTEID>{dentist});
  const NotesDb::Entry entry = calendar_db_.ReadEntry(dentist);
  EXPECT_EQ(entry.range, "2005-01-13 14:00:00 - 2005-01-13 15:00:00");
  EXPECT_EQ(entry.alarm_time, "2005-01-13 15:00:00");
  EXPECT_TRUE(entry.alarm);
  EXPECT_EQ(entry.brief, "Dentist");
}

TEST_F(NotesUpdateTest, ConsecutiveRecordsGoneFromBothSidesAreAllDropped) {
  auto [ann, ann_record] = AddStoredPerson("Ann", "A1");
  auto [bob, bob_record] = AddStoredPerson("Bob", "B1");
  auto [cid, cid_record] = AddStoredPerson("Cid", "C1");
  auto [dan, dan_record] = AddStoredPerson("Dan", "D1");
  auto [one, one_record] = AddTodo("One", 12, "T1");
  auto [two, two_record] = AddTodo("Two", 13, "T2");
  auto [three, three_record] = AddTodo("Three", 14, "T3");
  WriteFile(store_path_, StoreOf({one_record, two_record, three_record},
                                 {ann_record, bob_record, cid_record, dan_record}));
  // Ann and Bob are deleted on both sides; Cid is deleted on the phone only.
  contacts_db_.Delete(ann);
  contacts_db_.Delete(bob);
  calendar_db_.Delete(one);
  calendar_db_.Delete(two);

  StartRun();
  ASSERT_EQ(h_.RetrievePIM(), 0);
  EXPECT_EQ(SyncVCard(PhoneCard("D1", {"N:Dan", "REV:20050110T100000Z"})), 0);
  EXPECT_EQ(vcard_changes_, "");
  EXPECT_EQ(SyncVCal(PhoneCalendar({TodoLines(three_record)})), 0);
  EXPECT_EQ(vcal_changes_, CalendarChanges(""));
  EXPECT_EQ(h_.UpdatePIM(), 0);
  h_.Deinit();
  EXPECT_EQ(contacts_db_.NoteIds(), std::vector<notes::NOTEID>{dan});
  EXPECT_EQ(calendar_db_.NoteIds(), std::vector<notes::NOTEID>{three});
  EXPECT_EQ(ToHex(Store()), ToHex(StoreOf({three_record}, {dan_record})));
  EXPECT_TRUE(NoBoxes());
}

TEST_F(NotesUpdateTest, WithNothingToDoItOnlyOpensNotes) {
  StartRun();
  ASSERT_EQ(h_.RetrievePIM(), 0);
  EXPECT_EQ(h_.UpdatePIM(), 0);
  EXPECT_TRUE(NoBoxes());
}

TEST_F(NotesUpdateTest, ItWorksOnTheDatabasesOfTheLastRetrieval) {
  StartRun();
  ASSERT_EQ(h_.RetrievePIM(), 0);
  const std::string other = dir_.File("other.db");
  ASSERT_EQ(PrepareWith(other, other), 0);
  EXPECT_EQ(SyncVCard(PhoneCard("P1", {"N:Pat"})), 0);
  EXPECT_EQ(SyncVCal(PhoneTodo(
                "T1", {"SUMMARY:Call mum", "DTSTART:20050125T180000Z", "DTEND:20050125T183000Z"})),
            0);
  EXPECT_EQ(h_.UpdatePIM(), 0);
  EXPECT_TRUE(NoBoxes());
  EXPECT_EQ(contacts_db_.NoteIds().size(), 1u);
  EXPECT_EQ(calendar_db_.NoteIds().size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(other));
}

TEST_F(NotesUpdateTest, AFailureIsReportedWithTheEmptyCaptionAndWhatWasDoneStays) {
  StartRun();
  ASSERT_EQ(h_.RetrievePIM(), 0);
  EXPECT_EQ(SyncVCal(PhoneTodo(
                "T1", {"SUMMARY:Call mum", "DTSTART:20050125T180000Z", "DTEND:20050125T183000Z"})),
            0);
  EXPECT_EQ(SyncVCard(PhoneCard("P1", {"N:Pat", "REV:20050110T100000Z"})), 0);
  for (const char* suffix : {"", "-wal", "-shm"}) {
    std::filesystem::remove(contacts_db_.path() + suffix);
  }
  EXPECT_EQ(h_.UpdatePIM(), 1);
  EXPECT_TRUE(OneBox(notes::LNGetErrorMessage(notes::LNERR_DATABASE_NOT_FOUND), "", 0x2000));
  ClearCaptures();
  h_.Deinit();
  EXPECT_TRUE(NoBoxes());
  // The to-do was created before the contacts failed; Pat waits with no note.
  const std::vector<notes::NOTEID> ids = calendar_db_.NoteIds();
  ASSERT_EQ(ids.size(), 1u);
  const auto store = DecodedStoreFile();
  ASSERT_TRUE(store.has_value());
  ASSERT_EQ(store->todos.size(), 1u);
  EXPECT_EQ(store->todos[0].note_id, ids[0]);
  ASSERT_EQ(store->contacts.size(), 1u);
  EXPECT_EQ(store->contacts[0].note_id, 0u);
  EXPECT_EQ(store->contacts[0].luid, "P1");
}

}  // namespace
}  // namespace pim::test
