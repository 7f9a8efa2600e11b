// The Notes stand-in: its date-times, the stored form of items, and the database rules that a
// sync run seldom reaches (the end of the note IDs).
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <tuple>

#include "notesapi/item_codec.h"
#include "notesapi/lnsession.h"
#include "support/test_support.h"

namespace pim::notes {
namespace {

using test::Hex;
using test::ToHex;

LNDatetime DateTime(int year, int month, int day, int hour, int minute, int second, int cent) {
  LNDatetime when;
  when.SetDate(month, day, year);
  when.SetTime(hour, minute, second, cent);
  return when;
}

TEST(NotesDatetimeTest, TextMakesADateOnlyWhenTheCalendarHasIt) {
  for (const char* text : {"1990/1/1", " 2024/02/29 ", "2000/2/29", "1/12/31", "9999/12/31"})
    EXPECT_EQ(LNDatetime(text).GetState(), LNDATETIMESTATE_DATE_ONLY) << text;
  for (const char* text :
       {"1900/2/29", "2023/2/29", "2024/4/31", "2024/13/1", "2024/0/1", "2024/1/0", "0/1/1",
        "10000/1/1", "1990-1-1", "1990/1", "1990/1/1/", "1990/1/1 1", ""})
    EXPECT_EQ(LNDatetime(text).GetState(), LNDATETIMESTATE_INVALID) << text;
  LNDatetime when = DateTime(2024, 5, 6, 23, 59, 59, 99);
  const int bad_times[][4] = {{24, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0}, {0, 0, 0, 100},
                              {-1, 0, 0, 0}, {0, -1, 0, 0}, {0, 0, -1, 0}, {0, 0, 0, -1}};
  for (const auto& bad : bad_times)
    EXPECT_EQ(when.SetTime(bad[0], bad[1], bad[2], bad[3]), LNERR_BAD_DATETIME);
  EXPECT_EQ(when, DateTime(2024, 5, 6, 23, 59, 59, 99));
}

TEST(NotesDatetimeTest, PackedFormIsExactAndRefusesNumbersItNeverMakes) {
  const std::pair<LNDatetime, int64_t> cases[] = {
      {DateTime(2024, 2, 29, 13, 4, 5, 6), 20240229130405063},
      {LNDatetime("9999/12/31"), 99991231000000001},
      {DateTime(0, 0, 0, 0, 0, 1, 0), 1002},  // no date: a time alone
      {LNDatetime(), 0}};
  for (const auto& [datetime, packed] : cases) {
    EXPECT_EQ(detail::PackDatetime(datetime), packed);
    LNDatetime back;
    EXPECT_TRUE(detail::UnpackDatetime(packed, back));
    EXPECT_EQ(back, datetime);
  }
  // The moment's digits YYYYMMDDhhmmsscc, then the state.
  LNDatetime back;
  for (std::string bad :
       {"2024130100000000 1", "2024023000000000 1", "2024010124000000 3", "2024010100600000 3",
        "2024010100006000 3", "2024010100000000 4", "2024010112000000 1", "2024010112000000 2",
        "10000010100000000 1", "0000000000000100 3", "-1"}) {
    std::erase(bad, ' ');
    EXPECT_FALSE(detail::UnpackDatetime(std::stoll(bad), back)) << bad;
  }
}

TEST(NotesItemCodecTest, EncodesHandWrittenBytesAndRefusesEveryDamage) {
  const std::vector<LNItem> items = {LNItem("N", std::vector<LNString>{"Ab"}),
                                     LNItem("x", std::vector<double>{1.0}),
                                     LNItem("D", std::vector{DateTime(0, 0, 0, 0, 0, 1, 0)})};
  // Version, count; then each item's name, type, value count and values (varints, little-
  // endian doubles, packed date-times).
  const std::string blob =
      Hex("01 03  01 4E 81 0A 01 02 41 62  01 78 80 06 01 00 00 00 00 00 00 F0 3F  01 44 81 08 01 "
          "EA 07");
  ASSERT_EQ(ToHex(detail::EncodeItems(items)), ToHex(blob));
  std::vector<LNItem> back;
  ASSERT_TRUE(detail::DecodeItems(blob, back));
  EXPECT_EQ(ToHex(detail::EncodeItems(back)), ToHex(blob));
  // Name; the byte poked, its new value; the items read before the damage.
  const std::tuple<const char*, size_t, char, size_t> cases[] = {
      {"other version", 0, '\x02', 0},         {"more items than bytes", 1, '\x20', 0},
      {"name beyond the data", 2, '\x40', 0},  {"unknown type", 4, '\x82', 0},
      {"more texts than bytes", 6, '\x7F', 0}, {"text beyond the data", 7, '\x40', 0},
      {"damaged date-time", 28, '\xEB', 2},    {"varint without end", 29, '\x87', 2}};
  for (const auto& [name, at, value, kept] : cases) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(detail::DecodeItems(std::string(blob).replace(at, 1, 1, value), back));
    EXPECT_EQ(back.size(), kept);
  }
  for (size_t size = 0; size < blob.size(); ++size)
    EXPECT_FALSE(detail::DecodeItems(blob.substr(0, size), back)) << size;
  EXPECT_FALSE(detail::DecodeItems(blob + '\0', back));
}

TEST(NotesDatabaseTest, NoteIdsEndAt32BitsAndAreNeverGivenTwice) {
  test::TempDir dir;
  const std::string path = dir.File("ids.nsf");
  EXPECT_EQ(LNDatabase::Create(path, "t", 0), LNERR_BAD_ARGUMENT);
  ASSERT_EQ(LNDatabase::Create(path, "t", 0xFFFFFFFE), LNNOERROR);
  LNNotesSession session;
  LNCalendar db;  // a database, opened by the session
  ASSERT_EQ(session.Initialize(), LNNOERROR);
  ASSERT_EQ(session.GetCalendar(&db, path, ""), LNNOERROR);
  LNDocument doc;
  db.CreateDocument(&doc, "Person");
  ASSERT_EQ(doc.Save(), LNNOERROR);
  EXPECT_EQ(doc.GetNoteID(), 0xFFFFFFFEu);
  EXPECT_EQ(db.DeleteNote(0xFFFFFFFE), LNNOERROR);
  EXPECT_EQ(db.DeleteNote(0xFFFFFFFE), LNERR_NOTE_NOT_FOUND);
  EXPECT_EQ(doc.Save(), LNERR_NOTE_NOT_FOUND);  // a deleted note is not brought back
  db.CreateDocument(&doc, "Person");
  ASSERT_EQ(doc.Save(), LNNOERROR);
  EXPECT_EQ(doc.GetNoteID(), 0xFFFFFFFFu);
  db.CreateDocument(&doc, "Person");
  EXPECT_EQ(doc.Save(), LNERR_DATABASE_FULL);
}

// A copy holds the database as it is, whether its changes are all in its file (no session
// holds it) or some are still in the write-ahead log of a session that holds it open.
TEST(NotesDatabaseTest, ACopyHoldsWhatTheDatabaseHoldsWithItsPermissionsReplicaIdAndProperties) {
  test::TempDir dir;
  const std::string path = dir.File("db.nsf");
  ASSERT_EQ(LNDatabase::Create(path, "t"), LNNOERROR);
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  for (const char* copy : {"closed.nsf", "open.nsf"}) {
    SCOPED_TRACE(copy);
    LNNotesSession session;
    LNDatabase db;
    ASSERT_EQ(session.Initialize(), LNNOERROR);
    ASSERT_EQ(session.GetDatabase(path, &db), LNNOERROR);
    ASSERT_EQ(db.Open(), LNNOERROR);
    LNDocument doc;
    db.CreateDocument(&doc, copy);
    ASSERT_EQ(doc.Save(), LNNOERROR);
    ASSERT_EQ(db.SetProperty("kept", copy), LNNOERROR);
    if (std::string(copy) == "closed.nsf") session.Term();
    ASSERT_EQ(LNDatabase::CreateCopy(path, dir.File(copy)), LNNOERROR);
    EXPECT_EQ(LNDatabase::CreateCopy(path, dir.File(copy)), LNERR_DATABASE_EXISTS);
    struct stat st {};
    ASSERT_EQ(::stat(dir.File(copy).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    LNNotesSession reader;
    LNDatabase copied;
    ASSERT_EQ(reader.Initialize(), LNNOERROR);
    ASSERT_EQ(reader.GetDatabase(dir.File(copy), &copied), LNNOERROR);
    ASSERT_EQ(copied.Open(), LNNOERROR);
    LNDocumentArray documents;
    ASSERT_EQ(copied.GetDocuments(&documents), LNNOERROR);
    ASSERT_GT(documents.GetCount(), 0u);
    EXPECT_EQ(documents[documents.GetCount() - 1].GetFormName(), copy);
    // A copy is a replica of its database; another database is not.
    LNString original_id, copy_id, other_id;
    LNDatabase other;
    ASSERT_EQ(LNDatabase::Create(dir.File(std::string(copy) + ".other"), "t"), LNNOERROR);
    ASSERT_EQ(reader.GetDatabase(dir.File(std::string(copy) + ".other"), &other), LNNOERROR);
    ASSERT_EQ(other.Open(), LNNOERROR);
    ASSERT_EQ(db.GetReplicaID(&original_id), LNNOERROR);
    ASSERT_EQ(copied.GetReplicaID(&copy_id), LNNOERROR);
    ASSERT_EQ(other.GetReplicaID(&other_id), LNNOERROR);
    EXPECT_EQ(original_id.size(), 16u);
    EXPECT_EQ(copy_id, original_id);
    EXPECT_NE(other_id, original_id);
    // A property goes with the copy; one never set reads empty, whatever the stand-in keeps.
    LNString kept, never, title;
    ASSERT_EQ(copied.GetProperty("kept", &kept), LNNOERROR);
    ASSERT_EQ(other.GetProperty("kept", &never), LNNOERROR);
    ASSERT_EQ(copied.GetProperty("title", &title), LNNOERROR);
    EXPECT_EQ(kept, copy);
    EXPECT_EQ(never + title, "");
  }
}

}  // namespace
}  // namespace pim::notes
