// The purge of the Notes side: every Person document and every entry of 1990/1/1 to 2020/1/1,
// in a Notes session of its own, with the store left alone.
#include <filesystem>

#include "handler/handler_fixture.h"

namespace pim::test {
namespace {

using PurgeTest = HandlerTest;

TEST_F(PurgeTest, DeletesPersonsAndTheEntriesOfTheRangeOnly) {
  AddPerson(contacts_db_, "Ann");
  const notes::NOTEID group =
      contacts_db_.AddDocument({{"ListName", "Team"}}, "2005-01-10 10:00:00", "Group");
  contacts_db_.AddDocument({{"FirstName", "Bob"}}, "2005-01-10 10:00:00", "person");
  const notes::NOTEID note = contacts_db_.AddDocument({{"Body", "Person"}, {"Type", "Person"}},
                                                      "2005-01-10 10:00:00", "Memo");
  contacts_db_.AddDocument({{"FirstName", "Cid"}}, "2005-01-10 10:00:00", "PERSON");
  const notes::NOTEID early = calendar_db_.AddTodo("1989-12-31 23:00:00", "1989-12-31 23:30:00",
                                                   "Too early", false, "2005-01-10 12:00:00");
  calendar_db_.AddTodo("1990-01-01 00:00:00", "1990-01-01 00:30:00", "First day", false,
                       "2005-01-10 12:00:00");
  calendar_db_.AddTodo("2005-01-13 23:00:00", "2005-01-14 01:00:00", "Two days", false,
                       "2005-01-10 12:00:00");
  calendar_db_.AddTodo("2020-01-01 23:00:00", "2020-01-01 23:30:00", "Last day", false,
                       "2005-01-10 12:00:00");
  const notes::NOTEID late = calendar_db_.AddTodo("2020-01-02 00:00:00", "2020-01-02 00:30:00",
                                                  "Too late", false, "2005-01-10 12:00:00");
  const std::string store = StoreOf({}, {{.note_id = 1, .luid = "A1", .first = "Ann"}});
  WriteFile(store_path_, store);

  // The purge needs the settings only: it starts Notes itself.
  ASSERT_EQ(Prepare(), 0);
  EXPECT_EQ(h_.PurgeAll(), 0);
  EXPECT_TRUE(NoBoxes());
  EXPECT_EQ(contacts_db_.NoteIds(), (std::vector<notes::NOTEID>{group, note}));
  EXPECT_EQ(calendar_db_.NoteIds(), (std::vector<notes::NOTEID>{early, late}));
  EXPECT_EQ(Store(), store);
}

TEST_F(PurgeTest, EmptyDatabasesGiveZero) {
  ASSERT_EQ(Prepare(), 0);
  EXPECT_EQ(h_.PurgeAll(), 0);
  EXPECT_TRUE(NoBoxes());
  EXPECT_FALSE(StoreExists());
}

TEST_F(PurgeTest, EndsTheSessionOfARunUnderWay) {
  StartRun();
  EXPECT_EQ(h_.PurgeAll(), 0);
  EXPECT_EQ(h_.RetrievePIM(), 1);
  EXPECT_TRUE(
      OneBox(notes::LNGetErrorMessage(notes::LNERR_SESSION_NOT_INITIALIZED), nullptr, 0x2000));
}

TEST_F(PurgeTest, AFailureIsReportedAndTheDeletionsBeforeItStay) {
  AddDentist(calendar_db_, false);
  ASSERT_EQ(PrepareWith(MissingDatabase(), calendar_db_.path()), 0);
  EXPECT_EQ(h_.PurgeAll(), 1);
  EXPECT_TRUE(OneBox(notes::LNGetErrorMessage(notes::LNERR_DATABASE_NOT_FOUND), nullptr, 0x2000));
  EXPECT_TRUE(calendar_db_.NoteIds().empty());
  EXPECT_FALSE(std::filesystem::exists(MissingDatabase()));
}

TEST_F(PurgeTest, AFollowingRunSendsTheDeletionsToThePhone) {
  const auto [ann, ann_record] = AddStoredPerson("Ann", "A1");
  WriteFile(store_path_, StoreOf({}, {ann_record}));
  ASSERT_EQ(Prepare(), 0);
  EXPECT_EQ(h_.PurgeAll(), 0);
  StartRun();
  ASSERT_EQ(h_.RetrievePIM(), 0);
  EXPECT_EQ(SyncVCard(PhoneCard("A1", {"N:Ann", "REV:20050110T100000Z"})), 0);
  EXPECT_EQ(vcard_changes_, "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:A1\nEND:VCARD\n");
  EXPECT_TRUE(NoBoxes());
}

}  // namespace
}  // namespace pim::test
