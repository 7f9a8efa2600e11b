#include <gtest/gtest.h>

#include "records/cal_entry_object.h"
#include "support/test_support.h"

namespace pim {
namespace {

using test::ScopedTimeZone;

TEST(VCalWriterTest, RecordWithOnlyItsLuidRendersThreeLines) {
  CCalEntryObject e;
  e.m_strLuid = "12";
  EXPECT_EQ(e.ToVCalendar(), "BEGIN:VTODO\nX-VOQ-LUID:12\nEND:VTODO\n");
}

TEST(VCalWriterTest, FullRecordRendersLinesInFixedOrder) {
  ScopedTimeZone tz(test::kUsEastern);
  CCalEntryObject e;
  e.m_strLuid = "3";
  e.SetLastModified(1120233600, false);
  e.SetSummary("Call Bob, re: lunch; bring notes", false);
  e.SetRepeat(RepeatRule{RepeatRule::kWeeklyOnDays, {0, 1, 0, 1, 0, 0, 0}}, true);
  e.SetAlarm(7, false);
  e.SetEnd(1120237200, false);
  e.SetStart(1120233600, false);
  EXPECT_EQ(e.ToVCalendar(),
            "BEGIN:VTODO\n"
            "X-VOQ-LUID:3\n"
            "DTSTART:20050701T120000Z\n"
            "DTEND:20050701T130000Z\n"
            "AALARM:ON\n"
            "SUMMARY:Call Bob, re: lunch; bring notes\n"
            "RRULE:W1 MO WE\n"
            "LAST-MODIFIED:20050701T120000Z\n"
            "END:VTODO\n");
}

TEST(VCalWriterTest, AlarmOffWhenZero) {
  CCalEntryObject e;
  e.SetAlarm(0, false);
  EXPECT_EQ(e.ToVCalendar(), "BEGIN:VTODO\nX-VOQ-LUID:\nAALARM:OFF\nEND:VTODO\n");
}

struct RuleCase {
  RepeatRule rule;
  const char* text;
};

void PrintTo(const RuleCase& c, std::ostream* os) {
  *os << '"' << c.text << '"';
}

class RuleTextTest : public testing::TestWithParam<RuleCase> {};

TEST_P(RuleTextTest, RendersTheKind) {
  CCalEntryObject e;
  e.m_repeat = GetParam().rule;
  e.m_bHasRepeat = 1;
  EXPECT_EQ(e.ToVCalendar(),
            std::string("BEGIN:VTODO\nX-VOQ-LUID:\nRRULE:") + GetParam().text + "\nEND:VTODO\n");
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, RuleTextTest,
    testing::Values(RuleCase{{RepeatRule::kNone, {}}, ""},
                    RuleCase{{RepeatRule::kDaily, {1, 1, 1, 1, 1, 1, 1}}, "D1"},
                    RuleCase{{RepeatRule::kWeeklyOnDays, {1, 0, 0, 0, 0, 0, 1}}, "W1 SU SA"},
                    RuleCase{{RepeatRule::kWeeklyOnDays, {}}, "W1"},
                    RuleCase{{RepeatRule::kWeeklyOnDays, {1, 1, 1, 1, 1, 1, 1}},
                             "W1 SU MO TU WE TH FR SA"},
                    RuleCase{{RepeatRule::kWeeklyOnDays, {0, 0, -3, 0, 0, 0, 0}}, "W1 TU"},
                    RuleCase{{RepeatRule::kWeekly, {0, 1, 0, 0, 0, 0, 0}}, "W1"},
                    RuleCase{{RepeatRule::kMonthly, {}}, "M1"}, RuleCase{{5, {}}, ""},
                    RuleCase{{-1, {}}, ""}));

TEST(VCalWriterTest, LoadedRecordRendersNoRule) {
  CCalEntryObject e;
  e.m_repeat.nKind = RepeatRule::kDaily;  // as loaded: the rule is there, its flag is not
  EXPECT_EQ(e.ToVCalendar().find("RRULE"), std::string::npos);
}

TEST(VCalWriterTest, KeyLuidIsTheNoteId) {
  CCalEntryObject e;
  e.m_nNoteId = 2310;
  EXPECT_EQ(e.ToVCalendarWithKeyLuid(), "BEGIN:VTODO\nX-VOQ-LUID:2310\nEND:VTODO\n");
  EXPECT_EQ(e.m_strLuid, "2310");
}

}  // namespace
}  // namespace pim
