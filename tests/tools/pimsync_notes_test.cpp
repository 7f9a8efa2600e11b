// `pimsync notes ...` run as a user runs it: the built binary, its exit status, its output.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "notesapi/lncalendar.h"
#include "notesapi/lnsession.h"
#include "pimsync_runner.h"
#include "support/test_support.h"

namespace pim {
namespace {

using namespace notes;  // NOLINT

using Result = test::PimsyncResult;

std::vector<std::string> Lines(const std::string& text) {
  return test::SplitLines(text);
}

class PimsyncNotesTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(Run({"notes", "create", "db.nsf"}).exit_status, 0); }

  Result Run(const std::vector<std::string>& args) { return test::RunPimsync(dir_, args); }

  // Runs a command that must succeed; its standard output.
  std::string Ok(const std::vector<std::string>& args) {
    const Result result = Run(args);
    EXPECT_EQ(result.exit_status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    return result.out;
  }

  // `list --json`, line by line.
  std::vector<std::string> List() { return Lines(Ok({"notes", "list", "db.nsf", "--json"})); }

  test::TempDir dir_;
};

using Strings = std::vector<std::string>;

TEST_F(PimsyncNotesTest, HelpGoesToStandardOutput) {
  Result result = Run({"--help"});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_NE(result.out.find("notes"), std::string::npos);
  result = Run({"notes", "--help"});
  EXPECT_EQ(result.exit_status, 0);
  for (const char* command : {"create", "add-person", "add-todo", "set", "delete", "list"}) {
    EXPECT_NE(result.out.find(std::string("pimsync notes ") + command), std::string::npos);
  }
  EXPECT_EQ(Run({"notes", "-h"}).out, result.out);
  for (const char* command : {"create", "add-person", "add-todo", "set", "delete", "list"}) {
    result = Run({"notes", command, "--help"});
    EXPECT_EQ(result.exit_status, 0) << command;
    EXPECT_EQ(result.out.rfind(std::string("usage: pimsync notes ") + command, 0), 0u);
    EXPECT_EQ(result.err, "");
  }
}

TEST_F(PimsyncNotesTest, CreateMakesAnEmptyDatabaseOnce) {
  EXPECT_TRUE(List().empty());
  EXPECT_EQ(Ok({"notes", "list", "db.nsf"}), "NOTEID  FORM  MODIFIED  ITEMS\n");
  const Result again = Run({"notes", "create", "db.nsf"});
  EXPECT_EQ(again.exit_status, 1);
  EXPECT_EQ(again.err,
            "pimsync: notes create: db.nsf: A file already exists at the path of the new "
            "database.\n");
}

TEST_F(PimsyncNotesTest, CreateCanStartTheNoteIdsAtAChosenNumber) {
  Ok({"notes", "create", "high.nsf", "--first-note-id", "4294967294"});
  EXPECT_EQ(Ok({"notes", "add-person", "high.nsf", "FirstName=Ann"}), "4294967294\n");
  EXPECT_EQ(Ok({"notes", "add-person", "high.nsf", "FirstName=Bob"}), "4294967295\n");
  const Result full = Run({"notes", "add-person", "high.nsf", "FirstName=Carl"});
  EXPECT_EQ(full.exit_status, 1);
  EXPECT_EQ(Lines(full.err).size(), 1u) << full.err;
}

TEST_F(PimsyncNotesTest, AddPersonWritesEachItemTypeAndPrintsTheNoteId) {
  EXPECT_EQ(Ok({"notes", "add-person", "db.nsf", "FirstName=Ann", "Phone=1", "phone=2",
                "Empty=", "--number", "Age=42", "--number=Ratio=0.25", "--datetime",
                "Birthday=1990-01-02 03:04:05", "--datetime", "Birthday=1990-01-03", "--modified",
                "2024-05-01 10:00:00"}),
            "1\n");
  EXPECT_EQ(Ok({"notes", "add-person", "db.nsf", "--form", "Memo", "Body=x=y", "--modified",
                "2024-05-02 10:00:00"}),
            "2\n");
  EXPECT_EQ(List(),
            (Strings{R"({"noteid":1,"form":"Person","modified":"2024-05-01 10:00:00","items":{)"
                     R"("FirstName":{"type":1281,"values":["Ann"]},)"
                     R"("Phone":{"type":1281,"values":["1","2"]},)"
                     R"("Empty":{"type":1281,"values":[""]},)"
                     R"("Age":{"type":768,"values":[42]},)"
                     R"("Ratio":{"type":768,"values":[0.25]},)"
                     R"("Birthday":{"type":1025,"values":["1990-01-02 03:04:05","1990-01-03"]}}})",
                     R"({"noteid":2,"form":"Memo","modified":"2024-05-02 10:00:00","items":{)"
                     R"("Body":{"type":1281,"values":["x=y"]}}})"}));
}

TEST_F(PimsyncNotesTest, AddTodoMakesACalendarEntry) {
  EXPECT_EQ(Ok({"notes", "add-todo", "db.nsf", "--start", "2024-05-03 09:00:00", "--end",
                "2024-05-03 10:00:00", "--brief", "Call Ann", "--alarm", "on", "Priority=high",
                "--modified", "2024-05-02 08:00:00"}),
            "1\n");
  EXPECT_EQ(Ok({"notes", "add-todo", "db.nsf", "--start=2024-05-04", "--end=2024-05-04",
                "--alarm=off", "--modified=2024-05-02 09:00:00"}),
            "2\n");
  EXPECT_EQ(
      List(),
      (Strings{R"({"noteid":1,"form":"Task","modified":"2024-05-02 08:00:00","items":{)"
               R"("$EntryType":{"type":768,"values":[1]},)"
               R"("StartDateTime":{"type":1025,"values":["2024-05-03 09:00:00"]},)"
               R"("EndDateTime":{"type":1025,"values":["2024-05-03 10:00:00"]},)"
               R"("Subject":{"type":1281,"values":["Call Ann"]},)"
               R"("$Alarm":{"type":768,"values":[1]},)"
               R"("$AlarmTime":{"type":1025,"values":["2024-05-03 10:00:00"]},)"
               R"("Priority":{"type":1281,"values":["high"]}},)"
               R"("entry":{"start":"2024-05-03 09:00:00","end":"2024-05-03 10:00:00",)"
               R"("brief":"Call Ann","alarm":true}})",
               R"({"noteid":2,"form":"Task","modified":"2024-05-02 09:00:00","items":{)"
               R"("$EntryType":{"type":768,"values":[1]},)"
               R"("StartDateTime":{"type":1025,"values":["2024-05-04"]},)"
               R"("EndDateTime":{"type":1025,"values":["2024-05-04"]},)"
               R"("Subject":{"type":1281,"values":[""]},)"
               R"("$Alarm":{"type":768,"values":[0]}},)"
               R"("entry":{"start":"2024-05-04","end":"2024-05-04","brief":"","alarm":false}})"}));

  // The calendar finds them as to-dos.
  LNSetThrowAllErrorsGlobal(FALSE);
  LNNotesSession session;
  LNCalendar calendar;
  ASSERT_EQ(session.Initialize(), LNNOERROR);
  ASSERT_EQ(session.GetCalendar(&calendar, dir_.File("db.nsf"), ""), LNNOERROR);
  LNDatetimeRange range;
  range.SetBegin(LNDatetime("2024/5/3"));
  range.SetEnd(LNDatetime("2024/5/4"));
  LNCalendarEntryArray entries;
  ASSERT_EQ(calendar.GetEntries(range, &entries), LNNOERROR);
  ASSERT_EQ(entries.GetCount(), 2u);
  EXPECT_EQ(entries[0].GetEntryType(), LNCALENDARENTRYTYPE_TODO);
  EXPECT_EQ(entries[0].GetIsAlarmEnabled(), TRUE);
}

TEST_F(PimsyncNotesTest, SetReplacesItemsAndStampsTheSave) {
  Ok({"notes", "add-person", "db.nsf", "FirstName=Ann", "LastName=Lee", "--modified",
      "2024-05-01 10:00:00"});
  EXPECT_EQ(Ok({"notes", "set", "db.nsf", "1", "firstname=Bea", "firstname=Cy", "--number", "Age=7",
                "--modified", "2024-06-01 11:00:00"}),
            "");
  EXPECT_EQ(List(),
            Strings{R"({"noteid":1,"form":"Person","modified":"2024-06-01 11:00:00","items":{)"
                    R"("LastName":{"type":1281,"values":["Lee"]},)"
                    R"("firstname":{"type":1281,"values":["Bea","Cy"]},)"
                    R"("Age":{"type":768,"values":[7]}}})"});

  // Without --modified the save stamps the current time.
  Ok({"notes", "set", "db.nsf", "1", "LastName=Lin"});
  const std::string line = List().at(0);
  const std::string stamp = line.substr(line.find("\"modified\":\"") + 12, 19);
  EXPECT_GT(stamp, "2024-06-01 11:00:00");
  EXPECT_EQ(stamp[4], '-');
  EXPECT_EQ(stamp[13], ':');
}

TEST_F(PimsyncNotesTest, DeleteRemovesTheNoteForGood) {
  Ok({"notes", "add-person", "db.nsf", "--modified", "2024-05-01 10:00:00"});
  Ok({"notes", "add-person", "db.nsf"});
  EXPECT_EQ(Ok({"notes", "delete", "db.nsf", "2"}), "");
  EXPECT_EQ(List(), Strings{R"({"noteid":1,"form":"Person","modified":"2024-05-01 10:00:00",)"
                            R"("items":{}})"});
  const Result again = Run({"notes", "delete", "db.nsf", "2"});
  EXPECT_EQ(again.exit_status, 1);
  EXPECT_EQ(again.err,
            "pimsync: notes delete: db.nsf: The database has no note with that note ID.\n");
  EXPECT_EQ(Run({"notes", "set", "db.nsf", "2", "X=1"}).exit_status, 1);
  EXPECT_EQ(Ok({"notes", "add-person", "db.nsf"}), "3\n");  // 2 is not given out again
}

TEST_F(PimsyncNotesTest, JsonEscapesEveryCharacterThatNeedsIt) {
  Ok({"notes", "add-person", "db.nsf", "--form", "F\"orm", "--modified", "2024-05-01 10:00:00",
      "Note=q\" b\\ n\n r\r t\t bell\x07 del\x7F z\xC3\xBC"
      "r \xE6\x97\xA5",
      "Bad=a\xFF"
      "b\xC3",
      "Weird \"name\"=v"});
  EXPECT_EQ(List(),
            Strings{R"({"noteid":1,"form":"F\"orm","modified":"2024-05-01 10:00:00","items":{)"
                    R"("Note":{"type":1281,"values":["q\" b\\ n\n r\r t\t bell\u0007 del)"
                    "\x7F z\xC3\xBCr \xE6\x97\xA5"
                    R"("]},"Bad":{"type":1281,"values":["a\ufffdb\ufffd"]},)"
                    R"("Weird \"name\"":{"type":1281,"values":["v"]}}})"});
}

TEST_F(PimsyncNotesTest, ListTableHasOneLinePerNote) {
  Ok({"notes", "add-person", "db.nsf", "Name=Ann Lee", "Note=two\nlines", "--modified",
      "2024-05-01 10:00:00"});
  Ok({"notes", "add-todo", "db.nsf", "--start", "2024-05-03", "--end", "2024-05-03", "--modified",
      "2024-05-02 10:00:00"});
  const std::vector<std::string> lines = Lines(Ok({"notes", "list", "db.nsf"}));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "NOTEID  FORM    MODIFIED             ITEMS");
  EXPECT_EQ(lines[1],
            "1       Person  2024-05-01 10:00:00  Name=\"Ann Lee\"  Note=\"two\\nlines\"");
  EXPECT_EQ(lines[2].rfind("2       Task    2024-05-02 10:00:00  $EntryType=1  "
                           "StartDateTime=2024-05-03  EndDateTime=2024-05-03  Subject=\"\"",
                           0),
            0u)
      << lines[2];
}

// Every bad command line: status 2, nothing on standard output, one line on standard error.
TEST_F(PimsyncNotesTest, BadArgumentsFailWithOneLine) {
  const std::vector<Strings> cases = {
      {},
      {"frob"},
      {"notes"},
      {"notes", "frob"},
      {"notes", "create"},
      {"notes", "create", "a.nsf", "b.nsf"},
      {"notes", "create", "a.nsf", "--first-note-id", "0"},
      {"notes", "create", "a.nsf", "--first-note-id", "4294967296"},
      {"notes", "add-person"},
      {"notes", "add-person", "db.nsf", "NoEquals"},
      {"notes", "add-person", "db.nsf", "=value"},
      {"notes", "add-person", "db.nsf", "X=1", "--number", "X=2"},
      {"notes", "add-person", "db.nsf", "--number", "X=abc"},
      {"notes", "add-person", "db.nsf", "--number", "X=1e999"},
      {"notes", "add-person", "db.nsf", "--datetime", "X=2024-13-01"},
      {"notes", "add-person", "db.nsf", "--modified", "2024-05-01"},
      {"notes", "add-person", "db.nsf", "--modified", "2024-05-01T10:00:00"},
      {"notes", "add-person", "db.nsf", "--form"},
      {"notes", "add-person", "db.nsf", "--form", "A", "--form", "B"},
      {"notes", "add-person", "db.nsf", "--bogus"},
      {"notes", "add-todo", "db.nsf", "--end", "2024-05-03"},
      {"notes", "add-todo", "db.nsf", "--start", "2024-05-03"},
      {"notes", "add-todo", "db.nsf", "--start", "2024-05-03", "--end", "2024-05-03", "--alarm",
       "yes"},
      {"notes", "add-todo", "db.nsf", "--start", "2024-02-30", "--end", "2024-05-03"},
      {"notes", "set", "db.nsf", "1"},
      {"notes", "set", "db.nsf", "0", "X=1"},
      {"notes", "set", "db.nsf", "4294967296", "X=1"},
      {"notes", "set", "db.nsf", "one", "X=1"},
      {"notes", "delete", "db.nsf"},
      {"notes", "delete", "db.nsf", "1", "2"},
      {"notes", "list"},
      {"notes", "list", "db.nsf", "--json=yes"},
  };
  for (const Strings& args : cases) {
    std::string shown;
    for (const std::string& arg : args)
      shown += " [" + arg + "]";
    SCOPED_TRACE(shown);
    const Result result = Run(args);
    EXPECT_EQ(result.exit_status, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err.rfind("pimsync: ", 0), 0u) << result.err;
    EXPECT_EQ(Lines(result.err).size(), 1u) << result.err;
  }
  EXPECT_TRUE(List().empty());  // nothing was written on the way
}

TEST_F(PimsyncNotesTest, AMissingOrForeignDatabaseFailsWithOneLine) {
  test::WriteFile(dir_.File("text.nsf"), "not a database\n");
  const std::vector<Strings> cases = {
      {"notes", "add-person", "missing.nsf", "X=1"},
      {"notes", "add-todo", "missing.nsf", "--start", "2024-05-03", "--end", "2024-05-03"},
      {"notes", "set", "missing.nsf", "1", "X=1"},
      {"notes", "delete", "missing.nsf", "1"},
      {"notes", "list", "missing.nsf"},
      {"notes", "list", "text.nsf", "--json"},
  };
  for (const Strings& args : cases) {
    SCOPED_TRACE(args[1] + " " + args[2]);
    const Result result = Run(args);
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.out, "");
    const std::string text = args[2] == "text.nsf"
                                 ? "The file is not a Notes database, or it is damaged."
                                 : "No Notes database exists at that path.";
    EXPECT_EQ(result.err, "pimsync: notes " + args[1] + ": " + args[2] + ": " + text + "\n");
  }
  EXPECT_NE(::access(dir_.File("missing.nsf").c_str(), F_OK), 0);  // nothing made on the way
}

}  // namespace
}  // namespace pim
