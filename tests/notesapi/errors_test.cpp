// Statuses: their texts, the calls that produce them, returned or thrown.
#include <sqlite3.h>
#include <sys/stat.h>

#include <functional>

#include "notesapi/notes_store.h"
#include "notesapi_fixture.h"

namespace pim::notesapi_test {
namespace {

struct StatusText {
  LNSTATUS status;
  const char* text;
};

TEST(NotesStatusTextTest, EveryStatusHasItsOwnText) {
  const StatusText cases[] = {
      {LNNOERROR, "No error."},
      {LNERR_SESSION_NOT_INITIALIZED, "The Notes session has not been initialized."},
      {LNERR_SESSION_ALREADY_INITIALIZED, "The Notes session has already been initialized."},
      {LNERR_REMOTE_SERVER, "Only local databases are served; the server name must be empty."},
      {LNERR_DATABASE_NOT_FOUND, "No Notes database exists at that path."},
      {LNERR_DATABASE_INVALID, "The file is not a Notes database, or it is damaged."},
      {LNERR_DATABASE_NOT_OPEN, "The Notes database is not open."},
      {LNERR_DATABASE_IO, "The Notes database file could not be read or written."},
      {LNERR_NOTE_NOT_FOUND, "The database has no note with that note ID."},
      {LNERR_NOTE_NOT_OPEN, "The note is not open."},
      {LNERR_ITEM_NOT_FOUND, "The note has no item of that name."},
      {LNERR_ITEM_TYPE, "The item is of another type than the call needs."},
      {LNERR_BAD_DATETIME, "The date-time is not a valid date or time of day."},
      {LNERR_INDEX_OUT_OF_RANGE, "The index lies outside the list."},
      {LNERR_NOT_CALENDAR_ENTRY, "The note is not a calendar entry."},
      {LNERR_BAD_ARGUMENT, "An argument of the Notes call is not valid."},
      {LNERR_DATABASE_EXISTS, "A file already exists at the path of the new database."},
      {LNERR_DATABASE_BUSY, "The Notes database is locked by another connection; try again later."},
      {LNERR_OUT_OF_MEMORY, "There is not enough memory to complete the Notes call."},
      {LNERR_DATABASE_FULL,
       "The Notes database cannot grow: the disk is full or every note ID is used up."},
      {0x1234, "Unknown Notes status 4660 (0x1234)."},
  };
  for (const StatusText& c : cases) {
    char buffer[256];
    const uint32_t length = LNGetErrorMessageText(c.status, buffer, sizeof buffer, 0);
    EXPECT_STREQ(buffer, c.text);
    EXPECT_EQ(length, std::string(c.text).size());
    EXPECT_EQ(LNGetErrorMessage(c.status), c.text);
  }
}

TEST(NotesStatusTextTest, TextIsCutToTheBuffer) {
  char buffer[8] = "xxxxxxx";
  EXPECT_EQ(LNGetErrorMessageText(LNERR_NOTE_NOT_OPEN, buffer, 8, 0), 7u);
  EXPECT_STREQ(buffer, "The not");
  EXPECT_EQ(LNGetErrorMessageText(LNERR_NOTE_NOT_OPEN, buffer, 1, 0), 0u);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(LNGetErrorMessageText(LNERR_NOTE_NOT_OPEN, nullptr, 0, 0), 0u);
}

TEST(NotesStatusTextTest, SqliteResultsMapToOurStatuses) {
  const std::pair<int, LNSTATUS> cases[] = {
      {SQLITE_OK, LNNOERROR},
      {SQLITE_DONE, LNNOERROR},
      {SQLITE_BUSY, LNERR_DATABASE_BUSY},
      {SQLITE_BUSY_SNAPSHOT, LNERR_DATABASE_BUSY},
      {SQLITE_LOCKED, LNERR_DATABASE_BUSY},
      {SQLITE_NOMEM, LNERR_OUT_OF_MEMORY},
      {SQLITE_FULL, LNERR_DATABASE_FULL},
      {SQLITE_NOTADB, LNERR_DATABASE_INVALID},
      {SQLITE_CORRUPT, LNERR_DATABASE_INVALID},
      {SQLITE_ERROR, LNERR_DATABASE_INVALID},
      {SQLITE_IOERR_WRITE, LNERR_DATABASE_IO},
      {SQLITE_CANTOPEN, LNERR_DATABASE_IO},
      {SQLITE_READONLY, LNERR_DATABASE_IO},
      {SQLITE_TOOBIG, LNERR_BAD_ARGUMENT},
  };
  for (const auto& [sqlite, status] : cases) {
    EXPECT_EQ(detail::StatusFromSqlite(sqlite), status) << sqlite;
  }
}

TEST(NotesSessionTest, SessionRules) {
  LNSetThrowAllErrorsGlobal(FALSE);
  LNNotesSession session;
  LNDatabase db;
  LNCalendar calendar;
  EXPECT_EQ(session.GetDatabase("x.nsf", &db), LNERR_SESSION_NOT_INITIALIZED);
  EXPECT_EQ(session.GetCalendar(&calendar, "x.nsf", ""), LNERR_SESSION_NOT_INITIALIZED);
  EXPECT_EQ(session.Term(), LNERR_SESSION_NOT_INITIALIZED);
  EXPECT_EQ(session.Initialize(), LNNOERROR);
  EXPECT_EQ(session.Initialize(), LNNOERROR);  // again: allowed, nothing changes
  EXPECT_TRUE(session.IsInitialized());
  EXPECT_EQ(session.GetDatabase("x.nsf", &db, "Server/Org"), LNERR_REMOTE_SERVER);
  EXPECT_EQ(session.GetCalendar(&calendar, "x.nsf", "Server/Org"), LNERR_REMOTE_SERVER);
  EXPECT_EQ(session.GetDatabase("", &db), LNERR_BAD_ARGUMENT);
  EXPECT_EQ(session.GetDatabase("x.nsf", nullptr), LNERR_BAD_ARGUMENT);
  EXPECT_EQ(session.Term(), LNNOERROR);
  EXPECT_FALSE(session.IsInitialized());
  EXPECT_EQ(session.Term(), LNERR_SESSION_NOT_INITIALIZED);
  EXPECT_EQ(session.GetDatabase("x.nsf", &db), LNERR_SESSION_NOT_INITIALIZED);
  EXPECT_EQ(ThrownStatus([&] { session.Term(); }), LNERR_SESSION_NOT_INITIALIZED);
}

struct OpenFailure {
  const char* name;
  std::function<std::string(const test::TempDir&)> make;  // the path to open
  LNSTATUS expected;
};

void PrintTo(const OpenFailure& c, std::ostream* os) {
  *os << c.name;
}

class OpenFailureTest : public ::testing::TestWithParam<OpenFailure> {};

TEST_P(OpenFailureTest, OpenFailsWithAClearStatus) {
  LNSetThrowAllErrorsGlobal(FALSE);
  test::TempDir dir;
  const std::string path = GetParam().make(dir);
  LNNotesSession session;
  ASSERT_EQ(session.Initialize(), LNNOERROR);
  LNDatabase db;
  ASSERT_EQ(session.GetDatabase(path, &db), LNNOERROR);
  EXPECT_EQ(db.Open(), GetParam().expected);
  EXPECT_FALSE(db.IsOpen());
  LNCalendar calendar;
  EXPECT_EQ(session.GetCalendar(&calendar, path, ""), GetParam().expected);
  EXPECT_FALSE(calendar.IsOpen());
  EXPECT_EQ(ThrownStatus([&] { db.Open(); }), GetParam().expected);
}

std::string MakeSqliteFile(const std::string& path, const char* sql) {
  sqlite3* raw = nullptr;
  EXPECT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(raw, sql, nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(raw);
  return path;
}

INSTANTIATE_TEST_SUITE_P(
    Files, OpenFailureTest,
    ::testing::Values(
        OpenFailure{"Missing", [](const test::TempDir& d) { return d.File("none.nsf"); },
                    LNERR_DATABASE_NOT_FOUND},
        OpenFailure{"BelowAFile",
                    [](const test::TempDir& d) {
                      test::WriteFile(d.File("file"), "x");
                      return d.File("file/db.nsf");
                    },
                    LNERR_DATABASE_NOT_FOUND},
        OpenFailure{"TextFile",
                    [](const test::TempDir& d) {
                      test::WriteFile(d.File("text.nsf"), "BEGIN:VCARD\r\nEND:VCARD\r\n");
                      return d.File("text.nsf");
                    },
                    LNERR_DATABASE_INVALID},
        OpenFailure{"EmptyFile",
                    [](const test::TempDir& d) {
                      test::WriteFile(d.File("empty.nsf"), "");
                      return d.File("empty.nsf");
                    },
                    LNERR_DATABASE_INVALID},
        OpenFailure{"OtherSqliteFile",
                    [](const test::TempDir& d) {
                      return MakeSqliteFile(d.File("other.db"), "CREATE TABLE t(x)");
                    },
                    LNERR_DATABASE_INVALID},
        OpenFailure{"ForgedIdWithoutTables",
                    [](const test::TempDir& d) {
                      return MakeSqliteFile(d.File("forged.db"),
                                            "PRAGMA application_id = 1347309396;"
                                            "PRAGMA user_version = 1; CREATE TABLE t(x)");
                    },
                    LNERR_DATABASE_INVALID},
        OpenFailure{"Folder",
                    [](const test::TempDir& d) {
                      ::mkdir(d.File("folder.nsf").c_str(), 0700);
                      return d.File("folder.nsf");
                    },
                    LNERR_DATABASE_INVALID}),
    [](const ::testing::TestParamInfo<OpenFailure>& param_info) { return param_info.param.name; });

TEST(NotesCreateTest, CreateRefusesWhatItCannotMake) {
  LNSetThrowAllErrorsGlobal(FALSE);
  test::TempDir dir;
  const std::string path = dir.File("a.nsf");
  ASSERT_EQ(LNDatabase::Create(path, "A"), LNNOERROR);
  const std::string before = test::ReadFile(path);
  EXPECT_EQ(LNDatabase::Create(path, "B"), LNERR_DATABASE_EXISTS);
  EXPECT_EQ(test::ReadFile(path), before);
  test::WriteFile(dir.File("text"), "hello");
  EXPECT_EQ(LNDatabase::Create(dir.File("text"), "B"), LNERR_DATABASE_EXISTS);
  EXPECT_EQ(test::ReadFile(dir.File("text")), "hello");
  EXPECT_EQ(LNDatabase::Create(dir.File("no/such/folder.nsf"), "C"), LNERR_DATABASE_IO);
  EXPECT_EQ(LNDatabase::Create("", "C"), LNERR_BAD_ARGUMENT);
  EXPECT_EQ(ThrownStatus([&] { LNDatabase::Create(path, "B"); }), LNERR_DATABASE_EXISTS);
}

// Calls that fail, each with the status it must give: returned in returning mode, thrown as
// the bare status in throwing mode, and with no effect on the database either way.
TEST_F(NotesApiTest, FailingCallsReturnOrThrowTheirStatus) {
  const NOTEID id = SaveNew("Person", {Texts("Name", {"Ann"}), Numbers("Age", {3})});
  LNDatabase unopened;
  ASSERT_EQ(session_.GetDatabase(path_, &unopened), LNNOERROR);
  LNDocument closed;
  ASSERT_EQ(db_.GetDocument(id, &closed), LNNOERROR);
  LNDocument open = ReadElsewhere(id);
  LNDocument nowhere;
  LNItem item;
  LNDocumentArray documents;
  LNString text;

  struct Case {
    const char* what;
    std::function<LNSTATUS()> call;
    LNSTATUS expected;
  };
  const Case cases[] = {
      {"GetDocument of a missing note", [&] { return db_.GetDocument(id + 100, &closed); },
       LNERR_NOTE_NOT_FOUND},
      {"GetDocument of note 0", [&] { return db_.GetDocument(0, &closed); }, LNERR_NOTE_NOT_FOUND},
      {"DeleteNote of a missing note", [&] { return db_.DeleteNote(id + 100); },
       LNERR_NOTE_NOT_FOUND},
      {"GetDocuments unopened", [&] { return unopened.GetDocuments(&documents); },
       LNERR_DATABASE_NOT_OPEN},
      {"GetTitle unopened", [&] { return unopened.GetTitle(&text); }, LNERR_DATABASE_NOT_OPEN},
      {"CreateDocument unopened", [&] { return unopened.CreateDocument(&nowhere, "P"); },
       LNERR_DATABASE_NOT_OPEN},
      {"DeleteNote unopened", [&] { return unopened.DeleteNote(id); }, LNERR_DATABASE_NOT_OPEN},
      {"GetItem of a closed note", [&] { return closed.GetItem("Name", &item); },
       LNERR_NOTE_NOT_OPEN},
      {"CreateItem in a closed note", [&] { return closed.CreateItem("X", item); },
       LNERR_NOTE_NOT_OPEN},
      {"Save of a closed note", [&] { return closed.Save(); }, LNERR_NOTE_NOT_OPEN},
      {"GetFormNote of a closed note", [&] { return closed.GetFormNote(&text); },
       LNERR_NOTE_NOT_OPEN},
      {"ComputeWithForm of a closed note", [&] { return closed.ComputeWithForm(); },
       LNERR_NOTE_NOT_OPEN},
      {"Open of a handle from nowhere", [&] { return nowhere.Open(); }, LNERR_DATABASE_NOT_OPEN},
      {"GetItem of a missing item", [&] { return open.GetItem("None", &item); },
       LNERR_ITEM_NOT_FOUND},
      {"GetItem into null", [&] { return open.GetItem("Name", nullptr); }, LNERR_BAD_ARGUMENT},
      {"CreateItem without a name", [&] { return open.CreateItem("", item); }, LNERR_BAD_ARGUMENT},
      {"DeleteItem of a missing item", [&] { return open.DeleteItem("None"); },
       LNERR_ITEM_NOT_FOUND},
      {"GetDocuments into null", [&] { return db_.GetDocuments(nullptr); }, LNERR_BAD_ARGUMENT},
      {"Text list from a number item",
       [&] {
         open.GetItem("Age", &item);
         LNText wrong(item);
         return wrong.GetCount() == 0 ? LNERR_ITEM_TYPE : LNNOERROR;
       },
       LNERR_ITEM_TYPE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.call(), c.expected);
    EXPECT_EQ(ThrownStatus(c.call), c.expected);
  }
  EXPECT_EQ(DocumentIds(db_), std::vector<NOTEID>{id});

  // Calls that give a value: an empty value, or the thrown status.
  EXPECT_EQ(closed.GetLastModified().GetState(), LNDATETIMESTATE_INVALID);
  EXPECT_EQ(ThrownStatus([&] { closed.GetLastModified(); }), LNERR_NOTE_NOT_OPEN);
  EXPECT_EQ(ThrownStatus([&] { documents[5]; }), LNERR_INDEX_OUT_OF_RANGE);
  EXPECT_EQ(ThrownStatus([&] { LNCalendarEntryArray()[0]; }), LNERR_INDEX_OUT_OF_RANGE);
}

TEST_F(NotesApiTest, ALockHeldElsewhereGivesBusy) {
  detail::SetBusyTimeout(50);
  LNDatabase db;
  ASSERT_EQ(session_.GetDatabase(path_, &db), LNNOERROR);
  ASSERT_EQ(db.Open(), LNNOERROR);
  detail::SetBusyTimeout(5000);
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(path_.c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  LNDocument doc;
  ASSERT_EQ(db.CreateDocument(&doc, "Person"), LNNOERROR);
  EXPECT_EQ(doc.Save(), LNERR_DATABASE_BUSY);
  EXPECT_EQ(doc.GetNoteID(), 0u);
  // Readers are not blocked by a writer.
  EXPECT_TRUE(DocumentIds(db).empty());
  ASSERT_EQ(sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(other);
  EXPECT_EQ(doc.Save(), LNNOERROR);
  EXPECT_NE(doc.GetNoteID(), 0u);
}

TEST_F(NotesApiTest, ADamagedNoteIsReportedNotRead) {
  const NOTEID id = SaveNew("Person", {Texts("Name", {"Ann"})});
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(path_.c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "UPDATE notes SET items = x'01FF'", nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(other);
  LNDocument doc;
  ASSERT_EQ(db_.GetDocument(id, &doc), LNNOERROR);
  EXPECT_EQ(doc.Open(), LNERR_DATABASE_INVALID);
  EXPECT_FALSE(doc.IsOpen());
}

}  // namespace
}  // namespace pim::notesapi_test
