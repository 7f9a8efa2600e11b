// The days of the to-dos through the exported setter: what a host gets without it, what a range
// of today brings, and what is refused.
#include <utility>

#include "handler/handler_fixture.h"

namespace pim::test {
namespace {

class CalendarRangeTest : public HandlerTest {
 protected:
  void TearDown() override {
    // The setting outlives the run: the next test meets the library as a new host does.
    EXPECT_EQ(h_.SetCalendarRange("1990-01-01", "2020-01-01"), 0);
    HandlerTest::TearDown();
  }
  uint32_t CountedTodos() {
    uint32_t contacts = 0;
    uint32_t todos = 0;
    EXPECT_EQ(h_.Init(), 0);
    EXPECT_EQ(Prepare(), 0);
    EXPECT_EQ(h_.QueryObjectCount(&contacts, &todos), 0);
    h_.Deinit();
    return todos;
  }
};

TEST_F(CalendarRangeTest, RefusesADayThePhoneCannotCarryWithoutAMessageBox) {
  const std::pair<const char*, const char*> refused[] = {
      {"1969-12-31", "2000-01-01"}, {"2000-01-01", "2038-01-01"}, {"2000-01-02", "2000-01-01"},
      {"2000-1-01", "2000-01-02"},  {"2001-02-29", "2001-03-01"}, {"2000-01-01 ", "2000-01-02"},
      {"2000/01/01", "2000-01-02"}, {nullptr, "2000-01-02"},      {"2000-01-01", ""}};
  for (const auto& [first, last] : refused) {
    SCOPED_TRACE(std::string(first ? first : "null") + ".." + last);
    EXPECT_EQ(h_.SetCalendarRange(first, last), 1);
    EXPECT_TRUE(NoBoxes());
  }
  EXPECT_EQ(h_.SetCalendarRange("1970-01-01", "2037-12-31"), 0);
  EXPECT_EQ(h_.SetCalendarRange("2000-02-29", "2000-02-29"), 0);
}

// A to-do of 2025 made in Notes and one made on the phone reach the other side, and in mode 2
// a run never sends them back as deletions, since both are in the range.
TEST_F(CalendarRangeTest, ToDosOfTodaySyncBothWaysAndStayOnThePhone) {
  calendar_.AddTodo("2025-06-03 09:00:00", "2025-06-03 10:00:00", "Vet", false,
                    "2025-06-01 12:00:00");
  EXPECT_EQ(CountedTodos(), 0u);  // a host that never sets the range: 1990 to 2020
  ASSERT_EQ(h_.SetCalendarRange("1990-01-01", "2037-12-31"), 0);
  EXPECT_EQ(CountedTodos(), 1u);

  const std::string walk =
      "BEGIN:VTODO\nX-VOQ-LUID:P1\nDTSTART:20250604T090000Z\nDTEND:20250604T100000Z\n"
      "SUMMARY:Walk\nLAST-MODIFIED:20250601T120000Z\nEND:VTODO\n";
  const Outcome first = WholeRun({.cards = "",
                                  .todos = Calendar(walk),
                                  .card_answers = "",
                                  .todo_answers = "X-VOQ-LUID:T1\n"});
  ASSERT_EQ(first.todo_changes.find("SUMMARY:Walk"), std::string::npos) << first.todo_changes;
  std::string vet = first.todo_changes;
  const size_t luid = vet.find("X-VOQ-LUID:\n");
  ASSERT_NE(luid, std::string::npos) << vet;
  vet.replace(luid, 12, "X-VOQ-LUID:T1\n");
  ASSERT_NE(vet.find("SUMMARY:Vet\n"), std::string::npos) << vet;
  vet = vet.substr(vet.find("BEGIN:VTODO"));
  vet = vet.substr(0, vet.find("END:VCALENDAR"));
  for (int run = 2; run <= 3; ++run) {
    SCOPED_TRACE("run " + std::to_string(run));
    const Outcome again = WholeRun({.cards = "", .todos = Calendar(walk + vet)});
    EXPECT_EQ(again.todo_pass, 0);
    // A deletion is a to-do of its LUID alone. (The second run sends Walk back as Notes saved
    // it; the third has nothing to send.)
    for (const char* stub : {"X-VOQ-LUID:P1\nEND:VTODO", "X-VOQ-LUID:T1\nEND:VTODO"})
      EXPECT_EQ(again.todo_changes.find(stub), std::string::npos) << again.todo_changes;
    if (run == 3) {
      EXPECT_EQ(again.todo_changes, Calendar(""));
    }
  }
  EXPECT_EQ(CountedTodos(), 2u);
  EXPECT_TRUE(NoBoxes());
}

}  // namespace
}  // namespace pim::test
