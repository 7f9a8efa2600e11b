// `pimsync notes ...`: the databases it makes, the notes it writes and how it lists them.
#include "pimsync_runner.h"

namespace pim::test {
namespace {

class PimsyncNotesTest : public PimsyncTest {
 protected:
  void SetUp() override { Ok("notes|create|db"); }
};

TEST_F(PimsyncNotesTest, AddPersonWritesEachKindOfItemAndListsItBothWays) {
  // Standard output is the note ID alone; what never syncs is said once on standard error.
  const PimsyncResult added =
      Run("notes|add-person|db|FirstName=Ann|Phone=1|phone=2|Empty=|--number|Age=42|"
          "--number=Ratio=0.1|--number|ratio=-3|--number|Ratio=0.30000000000000004|"
          "--number|Ratio=1e300|--datetime|Birthday=1990-01-02 03:04:05|"
          "--datetime=Birthday=1990-01-03|--modified|2024-05-01 10:00:00|--|--odd=x");
  EXPECT_EQ(added.out, "1\n");
  EXPECT_EQ(added.err,
            "pimsync: notes add-person: warning: Phone, Empty, Age, Ratio, Birthday, --odd never "
            "sync; the items that sync are FirstName, LastName, Categories, CellPhoneNumber, "
            "MailAddress, OfficeFAXPhoneNumber, PhoneNumber, OfficePhoneNumber, CompanyName\n");
  EXPECT_EQ(Ok("notes|add-person|db|--form|My \"Form\"|--modified=2024-05-02 10:00:00"), "2\n");
  EXPECT_EQ(
      Ok("notes|list|db|--json"),
      R"({"noteid":1,"form":"Person","modified":"2024-05-01 10:00:00","items":{)"
      R"("FirstName":{"type":1281,"kind":"text","values":["Ann"]},"Phone":{"type":1281,"kind":"text","values":["1","2"]},)"
      R"("Empty":{"type":1281,"kind":"text","values":[""]},"Age":{"type":768,"kind":"number","values":[42]},)"
      R"("Ratio":{"type":768,"kind":"number","values":[0.1,-3,0.30000000000000004,1e+300]},)"
      R"("Birthday":{"type":1025,"kind":"time","values":["1990-01-02 03:04:05","1990-01-03"]},)"
      R"("--odd":{"type":1281,"kind":"text","values":["x"]}}})"
      "\n"
      R"({"noteid":2,"form":"My \"Form\"","modified":"2024-05-02 10:00:00","items":{}})"
      "\n");
  // A cell is quoted where blanks or quotes would make it ambiguous; text items always are.
  EXPECT_EQ(Ok("notes|list|db"),
            "NOTEID  FORM           MODIFIED             ITEMS\n"
            "1       Person         2024-05-01 10:00:00  FirstName=\"Ann\"  Phone=\"1\",\"2\"  "
            "Empty=\"\"  Age=42  Ratio=0.1,-3,0.30000000000000004,1e+300  "
            "Birthday=1990-01-02 03:04:05,1990-01-03  --odd=\"x\"\n"
            "2       \"My \\\"Form\\\"\"  2024-05-02 10:00:00\n");
}

// A to-do's alarm rings at its end.
TEST_F(PimsyncNotesTest, SetReplacesItemsDeleteRemovesANoteForGoodAndAddTodoMakesAnEntry) {
  Ok("notes|add-person|db|FirstName=Ann|LastName=Lee|--modified|2024-05-01 10:00:00");
  Ok("notes|add-person|db");
  EXPECT_EQ(Ok("notes|set|db|1|firstname=Bea|FIRSTNAME=Cy|--number|Age=7|--modified|"
               "2024-06-01 11:00:00"),
            "");
  EXPECT_EQ(Ok("notes|delete|db|2"), "");
  EXPECT_EQ(Ok("notes|add-todo|db|--start=2024-05-03 09:00:00|--end|2024-05-03 10:00:00|--brief|"
               "Call Ann|--alarm|on|Priority=high"),
            "3\n");  // 2 is not given out again
  EXPECT_EQ(Ok("notes|set|db|3|--modified|2024-07-01 12:00:00"), "");
  EXPECT_EQ(
      Ok("notes|list|db|--json"),
      R"({"noteid":1,"form":"Person","modified":"2024-06-01 11:00:00","items":{)"
      R"("LastName":{"type":1281,"kind":"text","values":["Lee"]},)"
      R"("firstname":{"type":1281,"kind":"text","values":["Bea","Cy"]},"Age":{"type":768,"kind":"number","values":[7]}}})"
      "\n"
      R"({"noteid":3,"form":"Task","modified":"2024-07-01 12:00:00","items":{)"
      R"("$EntryType":{"type":768,"kind":"number","values":[1]},)"
      R"("StartDateTime":{"type":1025,"kind":"time","values":["2024-05-03 09:00:00"]},)"
      R"("EndDateTime":{"type":1025,"kind":"time","values":["2024-05-03 10:00:00"]},)"
      R"("Subject":{"type":1281,"kind":"text","values":["Call Ann"]},"$Alarm":{"type":768,"kind":"number","values":[1]},)"
      R"("$AlarmTime":{"type":1025,"kind":"time","values":["2024-05-03 10:00:00"]},)"
      R"("Priority":{"type":1281,"kind":"text","values":["high"]}},)"
      R"("entry":{"start":"2024-05-03 09:00:00","end":"2024-05-03 10:00:00",)"
      R"("brief":"Call Ann","alarm":true}})"
      "\n");
}

// Text that is not valid UTF-8 shows each bad byte as U+FFFD; valid sequences up to their
// limits pass unchanged.
TEST_F(PimsyncNotesTest, JsonEscapesControlCharactersAndReplacesBadUtf8) {
  Run("notes|add-person|db|--modified|2024-05-01 10:00:00|"
      "Weird \"name\"=q\" b\\ n\n r\r t\t b\b f\f \x01\x1f \x7F \xF0\x9F\x98\x80|"
      "Edges=\xC2\x80 \xDF\xBF \xE0\xA0\x80 \xEF\xBF\xBF \xED\x9F\xBF \xF0\x90\x80\x80 "
      "\xF4\x8F\xBF\xBF \xC3\xBC|"
      "Bad=\xFF \xC1\xBF \xE0\x9F\xBF \xED\xA0\x80 \xF0\x8F\xBF\xBF \xF4\x90\x80\x80 \xF5 \xE1\x80"
      "A \xC3");
  EXPECT_EQ(
      Ok("notes|list|db|--json"),
      R"({"noteid":1,"form":"Person","modified":"2024-05-01 10:00:00","items":{)"
      R"("Weird \"name\"":{"type":1281,"kind":"text","values":["q\" b\\ n\n r\r t\t b\b f\f \u0001\u001f )"
      "\x7F \xF0\x9F\x98\x80\"]},"
      "\"Edges\":{\"type\":1281,\"kind\":\"text\",\"values\":[\"\xC2\x80 \xDF\xBF \xE0\xA0\x80 "
      "\xEF\xBF\xBF "
      "\xED\x9F\xBF \xF0\x90\x80\x80 \xF4\x8F\xBF\xBF \xC3\xBC\"]},"
      R"("Bad":{"type":1281,"kind":"text","values":["\ufffd \ufffd\ufffd \ufffd\ufffd\ufffd )"
      R"(\ufffd\ufffd\ufffd \ufffd\ufffd\ufffd\ufffd \ufffd\ufffd\ufffd\ufffd \ufffd )"
      R"(\ufffd\ufffdA \ufffd"]}}})"
      "\n");
}

}  // namespace
}  // namespace pim::test
