#include "notes/repeat_rule_items.h"

#include <gtest/gtest.h>

#include <map>

#include "support/notes_fixture.h"

namespace pim {
namespace {

using notes::LNDocument;
using notes::LNItem;
using notes::LNText;
using test::ScopedTimeZone;
using Days = std::array<int32_t, 7>;

LNText TextList(std::vector<std::string> values) {
  LNText text;
  for (const auto& v : values)
    text.Insert(text.GetCount(), v);
  return text;
}

struct ReadCase {
  const char* label;
  std::vector<std::pair<std::string, std::vector<std::string>>> items;
  int start_weekday;
  int32_t kind;
  Days days;
  bool result = true;
};

void PrintTo(const ReadCase& c, std::ostream* os) {
  *os << c.label;
}

class ReadRepeatRuleTest : public test::NotesTest, public testing::WithParamInterface<ReadCase> {};

TEST_P(ReadRepeatRuleTest, ReadsTheKind) {
  LNDocument doc;
  db_.CreateDocument(&doc, "Task");
  for (const auto& [name, values] : GetParam().items)
    doc.CreateItem(name, TextList(values));
  RepeatRule rule;
  EXPECT_EQ(ReadRepeatRule(rule, doc, GetParam().start_weekday), GetParam().result);
  EXPECT_EQ(rule.nKind, GetParam().kind);
  if (rule.nKind == RepeatRule::kWeeklyOnDays) {
    EXPECT_EQ(rule.abWeekdays, GetParam().days);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Items, ReadRepeatRuleTest,
    testing::Values(
        ReadCase{"no items", {}, 1, RepeatRule::kNone, {}},
        ReadCase{"repeats 0", {{"Repeats", {"0"}}, {"RepeatForUnit", {"D"}}}, 1, 0, {}},
        ReadCase{"daily", {{"Repeats", {"1"}}, {"RepeatForUnit", {"d"}}}, 1, 1, {}},
        ReadCase{"monthly", {{"Repeats", {"1"}}, {"RepeatForUnit", {"M"}}}, 1, 4, {}},
        ReadCase{"yearly", {{"Repeats", {"1"}}, {"RepeatForUnit", {"Y"}}}, 1, 0, {}},
        ReadCase{"weekly, no adjust", {{"Repeats", {"1"}}, {"RepeatForUnit", {"W"}}}, 1, 3, {}},
        ReadCase{"weekly, empty adjust",
                 {{"Repeats", {"1"}}, {"RepeatForUnit", {"W"}}, {"RepeatAdjust", {}}},
                 1,
                 3,
                 {}},
        ReadCase{"monday and wednesday",
                 {{"Repeats", {"1"}}, {"RepeatForUnit", {"w"}}, {"RepeatAdjust", {"1", "3"}}},
                 1,
                 2,
                 Days{0, 1, 0, 1, 0, 0, 0}},
        ReadCase{"the start's tuesday",
                 {{"Repeats", {"1"}}, {"RepeatForUnit", {"W"}}, {"RepeatAdjust", {"2"}}},
                 3,
                 3,
                 {}},
        ReadCase{"thursday from a tuesday",
                 {{"Repeats", {"1"}}, {"RepeatForUnit", {"W"}}, {"RepeatAdjust", {"4"}}},
                 3,
                 2,
                 Days{0, 0, 0, 0, 1, 0, 0}},
        ReadCase{"ten",
                 {{"Repeats", {"1"}}, {"RepeatForUnit", {"W"}}, {"RepeatAdjust", {"10"}}},
                 1,
                 2,
                 Days{}},
        ReadCase{"seven and a letter",
                 {{"Repeats", {"1"}}, {"RepeatForUnit", {"W"}}, {"RepeatAdjust", {"7", "x"}}},
                 1,
                 2,
                 Days{1, 0, 0, 0, 0, 0, 0}}));

class RepeatRuleItemsTest : public test::NotesTest {
 protected:
  ScopedTimeZone tz_{test::kCentralEurope};

  RepeatRule ReadWithInstanceDates(const std::vector<std::string>& dates) {
    LNDocument doc;
    db_.CreateDocument(&doc, "Task");
    doc.CreateItem("Repeats", TextList({"1"}));
    std::vector<notes::LNDatetime> list;
    for (const auto& d : dates)
      list.push_back(test::Datetime(d));
    doc.CreateItem("RepeatInstanceDates", LNItem("RepeatInstanceDates", list));
    RepeatRule rule;
    ReadRepeatRule(rule, doc, 1);
    return rule;
  }
};

TEST_F(RepeatRuleItemsTest, GuessesTheRuleFromInstanceDates) {
  EXPECT_EQ(
      ReadWithInstanceDates({"2005-01-05 09:00:00", "2005-02-05 09:00:00", "2005-03-05 09:00:00"})
          .nKind,
      RepeatRule::kMonthly);
  EXPECT_EQ(
      ReadWithInstanceDates({"2005-07-04 09:00:00", "2005-07-05 09:00:00", "2005-07-06 09:00:00",
                             "2005-07-07 09:00:00", "2005-07-08 09:00:00", "2005-07-09 09:00:00",
                             "2005-07-10 09:00:00"})
          .nKind,
      RepeatRule::kDaily);
  const RepeatRule mon_fri =
      ReadWithInstanceDates({"2005-07-04 09:00:00", "2005-07-08 09:00:00", "2005-07-11 09:00:00"});
  EXPECT_EQ(mon_fri.nKind, RepeatRule::kWeeklyOnDays);
  EXPECT_EQ(mon_fri.abWeekdays, (Days{0, 1, 0, 0, 0, 1, 0}));
  EXPECT_EQ(ReadWithInstanceDates({"2005-07-04 09:00:00", "2005-07-11 09:00:00"}).nKind,
            RepeatRule::kNone);
  EXPECT_EQ(ReadWithInstanceDates({"2005-07-04 09:00:00"}).nKind, RepeatRule::kNone);
  EXPECT_EQ(ReadWithInstanceDates({}).nKind, RepeatRule::kNone);
}

TEST_F(RepeatRuleItemsTest, InstanceDatesOfAnotherTypeAreIgnored) {
  LNDocument doc;
  db_.CreateDocument(&doc, "Task");
  doc.CreateItem("Repeats", TextList({"1"}));
  doc.CreateItem("RepeatInstanceDates", TextList({"2005-07-04", "2005-07-08"}));
  RepeatRule rule;
  rule.nKind = RepeatRule::kMonthly;
  ReadRepeatInstanceDates(rule, doc);
  EXPECT_EQ(rule.nKind, RepeatRule::kMonthly);
}

TEST_F(RepeatRuleItemsTest, AdjustThatIsNotTextReadsAsWeeklyOnNoDay) {
  LNDocument doc;
  db_.CreateDocument(&doc, "Task");
  doc.CreateItem("Repeats", TextList({"1"}));
  doc.CreateItem("RepeatForUnit", TextList({"W"}));
  doc.CreateItem("RepeatAdjust", LNItem("RepeatAdjust", std::vector<double>{1.0}));
  RepeatRule rule;
  rule.abWeekdays.fill(1);
  EXPECT_FALSE(ReadRepeatRule(rule, doc, 1));
  EXPECT_EQ(rule.nKind, RepeatRule::kWeeklyOnDays);
  EXPECT_EQ(rule.abWeekdays, Days{});
}

std::vector<std::pair<std::string, std::vector<std::string>>> TextItems(const LNDocument& doc) {
  std::vector<std::pair<std::string, std::vector<std::string>>> items;
  for (const LNItem& item : doc.GetItems()) {
    if (item.Texts() != nullptr) items.emplace_back(item.GetName(), *item.Texts());
  }
  return items;
}

using Items = std::vector<std::pair<std::string, std::vector<std::string>>>;

TEST_F(RepeatRuleItemsTest, WritesEachKind) {
  const struct {
    RepeatRule rule;
    Items items;
  } cases[] = {
      {{RepeatRule::kNone, {}}, {{"Repeats", {""}}}},
      {{RepeatRule::kDaily, {}},
       {{"Repeats", {"1"}}, {"RepeatForUnit", {"D"}}, {"RepeatInterval", {"1"}}}},
      {{RepeatRule::kWeeklyOnDays, {1, 0, 0, 0, 0, 0, 1}},
       {{"Repeats", {"1"}},
        {"RepeatForUnit", {"W"}},
        {"RepeatInterval", {"1"}},
        {"RepeatAdjust", {"0", "6"}}}},
      {{RepeatRule::kWeeklyOnDays, {}},
       {{"Repeats", {"1"}},
        {"RepeatForUnit", {"W"}},
        {"RepeatInterval", {"1"}},
        {"RepeatAdjust", {}}}},
      {{RepeatRule::kWeekly, {1, 1, 1, 1, 1, 1, 1}},
       {{"Repeats", {"1"}}, {"RepeatForUnit", {"W"}}, {"RepeatInterval", {"1"}}}},
      {{RepeatRule::kMonthly, {}},
       {{"Repeats", {"1"}}, {"RepeatForUnit", {"M"}}, {"RepeatInterval", {"1"}}}},
      {{9, {}}, {{"Repeats", {"1"}}}},
  };
  for (const auto& c : cases) {
    LNDocument doc;
    db_.CreateDocument(&doc, "Task");
    EXPECT_TRUE(WriteRepeatRule(doc, c.rule));
    EXPECT_EQ(TextItems(doc), c.items) << "kind " << c.rule.nKind;
  }
}

TEST_F(RepeatRuleItemsTest, WritingNeverDeletesAnItem) {
  LNDocument doc;
  db_.CreateDocument(&doc, "Task");
  WriteRepeatRule(doc, RepeatRule{RepeatRule::kWeeklyOnDays, {0, 1, 0, 0, 0, 0, 0}});
  WriteRepeatRule(doc, RepeatRule{RepeatRule::kDaily, {}});
  WriteRepeatRule(doc, RepeatRule{RepeatRule::kNone, {}});
  std::map<std::string, std::vector<std::string>> items;
  for (const auto& [name, values] : TextItems(doc))
    items[name] = values;
  EXPECT_EQ(items, (std::map<std::string, std::vector<std::string>>{{"Repeats", {""}},
                                                                    {"RepeatForUnit", {"D"}},
                                                                    {"RepeatInterval", {"1"}},
                                                                    {"RepeatAdjust", {"1"}}}));
}

}  // namespace
}  // namespace pim
