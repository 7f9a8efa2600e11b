// A to-do's repeat rule in the items of its Notes calendar entry, on a database of the stand-in.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "notes/repeat_rule_items.h"
#include "notesapi/lnsession.h"
#include "support/test_support.h"

namespace pim {
namespace {

using namespace notes;  // NOLINT: the tests read like the code that uses the library
using Days = std::array<int32_t, 7>;
using R = RepeatRule;

LNDatetime At(int month, int day) {
  LNDatetime when;
  when.SetDate(month, day, 2005);
  when.SetTime(9, 0, 0, 0);
  return when;
}

// A text list of the values separated by blanks.
LNText Texts(std::string_view values) {
  LNText text;
  while (!values.empty()) {
    const size_t end = std::min(values.find(' '), values.size());
    text.Insert(text.GetCount(), std::string(values.substr(0, end)));
    values.remove_prefix(std::min(end + 1, values.size()));
  }
  return text;
}

// The values of the rule's items, "[Repeats][RepeatForUnit][RepeatInterval][RepeatAdjust]",
// "-" for an item that is not there.
std::string RuleItems(const LNNote& note) {
  std::string text;
  for (const char* name : {"Repeats", "RepeatForUnit", "RepeatInterval", "RepeatAdjust"}) {
    LNItem item;  // an empty text list unless found
    const bool there = note.GetItem(name, &item) == LNNOERROR;
    text += there ? "[" : "-";
    for (const std::string& value : *item.Texts())
      text += value + ' ';
    if (there) text += ']';
  }
  return text;
}

class RepeatRuleItemsTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(LNDatabase::Create(dir_.File("n.nsf"), "Test"), LNNOERROR);
    ASSERT_EQ(session_.Initialize(), LNNOERROR);
    ASSERT_EQ(session_.GetCalendar(&calendar_, dir_.File("n.nsf"), ""), LNNOERROR);
    ASSERT_EQ(calendar_.CreateDocument(&doc_, "Task"), LNNOERROR);
  }

  test::ScopedTimeZone tz_{test::kCentralEurope};
  test::TempDir dir_;
  LNNotesSession session_;
  LNCalendar calendar_;
  LNDocument doc_;
};

TEST_F(RepeatRuleItemsTest, ReadsTheRuleFromItsItems) {
  // Name; the items Repeats, RepeatForUnit and RepeatAdjust (null: not there); the start's
  // weekday (1 Sunday); the rule.
  const std::tuple<const char*, const char*, const char*, const char*, int, int32_t, Days> cases[] =
      {{"no items", nullptr, nullptr, nullptr, 1, R::kNone, {}},
       {"not repeating", "0", "D", nullptr, 1, R::kNone, {}},
       {"no unit", "1", nullptr, nullptr, 1, R::kNone, {}},
       {"daily", "1", "d", nullptr, 1, R::kDaily, {}},
       {"monthly", "1", "m", nullptr, 1, R::kMonthly, {}},
       {"yearly", "1", "Y", nullptr, 1, R::kNone, {}},
       {"weekly", "1", "w", nullptr, 1, R::kWeekly, {}},
       {"no day listed", "1", "W", "", 1, R::kWeekly, {}},
       {"the start's day", "1", "W", "2", 3, R::kWeekly, {}},
       {"another day", "1", "W", "4", 3, R::kWeeklyOnDays, {0, 0, 0, 0, 1}},
       {"start's day and another", "1", "W", "2 4", 3, R::kWeeklyOnDays, {0, 0, 1, 0, 1}},
       {"days out of range", "1", "W", "6 10 7 x", 5, R::kWeeklyOnDays, {1, 0, 0, 0, 0, 0, 1}}};
  for (const auto& [name, repeats, unit, adjust, start_weekday, kind, days] : cases) {
    SCOPED_TRACE(name);
    LNDocument doc;
    calendar_.CreateDocument(&doc, "Task");
    if (repeats) doc.CreateItem("Repeats", Texts(repeats));
    if (unit) doc.CreateItem("RepeatForUnit", Texts(unit));
    if (adjust) doc.CreateItem("RepeatAdjust", Texts(adjust));
    RepeatRule rule;
    EXPECT_TRUE(ReadRepeatRule(rule, doc, start_weekday));
    EXPECT_EQ(rule.nKind, kind);
    EXPECT_EQ(rule.abWeekdays, days);
  }
}

TEST_F(RepeatRuleItemsTest, GuessesTheRuleFromTheDatesOfTheInstances) {
  // Name; the dates, month * 100 + day in 2005; the rule.
  const std::tuple<const char*, std::vector<int>, int32_t, Days> cases[] = {
      {"one day of the month over months", {105, 205, 305}, R::kMonthly, {}},
      {"every weekday", {704, 705, 706, 707, 708, 709, 710}, R::kDaily, {}},
      {"six weekdays", {704, 705, 706, 707, 708, 709}, R::kWeeklyOnDays, {0, 1, 1, 1, 1, 1, 1}},
      {"Mondays and a Friday", {704, 708, 711}, R::kWeeklyOnDays, {0, 1, 0, 0, 0, 1}},
      {"Mondays", {704, 711}, R::kNone, {}},
      {"one date", {704}, R::kNone, {}}};
  for (const auto& [name, instances, kind, days] : cases) {
    SCOPED_TRACE(name);
    std::vector<LNDatetime> dates{LNDatetime("2005/7/5")};  // no time: not counted
    for (int date : instances)
      dates.push_back(At(date / 100, date % 100));
    doc_.CreateItem("Repeats", Texts("1"));
    doc_.CreateItem("RepeatInstanceDates", LNItem("RepeatInstanceDates", dates));
    RepeatRule rule;
    ReadRepeatRule(rule, doc_, 1);
    EXPECT_EQ(rule.nKind, kind);
    EXPECT_EQ(rule.abWeekdays, days);
  }
}

TEST_F(RepeatRuleItemsTest, WritesTheRuleIntoItemsAndNeverDeletesOne) {
  const std::pair<RepeatRule, const char*> cases[] = {
      {{R::kNone, {}}, "[ ]---"},
      {{R::kWeeklyOnDays, {1, 0, 0, 0, 0, 0, 1}}, "[1 ][W ][1 ][0 6 ]"},
      {{R::kDaily, {1}}, "[1 ][D ][1 ][0 6 ]"},
      {{R::kMonthly, {}}, "[1 ][M ][1 ][0 6 ]"},
      {{R::kWeekly, {}}, "[1 ][W ][1 ][0 6 ]"},
      {{R::kWeeklyOnDays, {0, 1}}, "[1 ][W ][1 ][1 ]"},
      {{9, {}}, "[1 ][W ][1 ][1 ]"}};
  for (const auto& [rule, items] : cases) {
    SCOPED_TRACE(items);
    EXPECT_TRUE(WriteRepeatRule(doc_, rule));
    EXPECT_EQ(RuleItems(doc_), items);
  }
}

}  // namespace
}  // namespace pim
