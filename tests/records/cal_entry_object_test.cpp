#include "records/cal_entry_object.h"

#include <gtest/gtest.h>

namespace pim {
namespace {

RepeatRule Rule(int32_t kind, std::array<int32_t, 7> days = {}) {
  RepeatRule rule;
  rule.nKind = kind;
  rule.abWeekdays = days;
  return rule;
}

TEST(CalEntryObjectTest, AbsentFieldAlwaysTakesAValue) {
  CCalEntryObject e;
  EXPECT_EQ(e.SetAlarm(0, true), 1);
  EXPECT_EQ(e.m_bHasAlarm, 1);
  EXPECT_EQ(e.m_nNotesState, SyncStateModified);
  EXPECT_EQ(e.SetAlarm(0, true), 0);
  EXPECT_EQ(e.SetStart(0, false), 1);
  EXPECT_EQ(e.m_bHasStart, 1);
  EXPECT_EQ(e.SetEnd(0, false), 1);
  EXPECT_EQ(e.SetSummary("", false), 1);
  EXPECT_EQ(e.m_bHasSummary, 1);
  EXPECT_EQ(e.m_nPhoneState, SyncStateModified);
}

TEST(CalEntryObjectTest, SummaryIgnoresLetterCaseOnceItIsPresent) {
  CCalEntryObject e;
  e.SetSummary("Buy Milk", true);
  e.m_nNotesState = SyncStateUnchanged;
  EXPECT_EQ(e.SetSummary("buy milk", true), 0);
  EXPECT_EQ(e.m_strSummary, "Buy Milk");
  EXPECT_EQ(e.m_nNotesState, SyncStateUnchanged);
  EXPECT_EQ(e.SetSummary("Buy bread", true), 1);
}

TEST(CalEntryObjectTest, SetLastModifiedNeverChangesEitherState) {
  CCalEntryObject e;
  EXPECT_EQ(e.SetLastModified(5, true), 1);
  EXPECT_EQ(e.SetLastModified(6, false), 1);
  EXPECT_EQ(e.m_bHasLastModified, 1);
  EXPECT_EQ(e.m_nNotesState, SyncStateUnchanged);
  EXPECT_EQ(e.m_nPhoneState, SyncStateUnchanged);
  // The flag is not consulted: the default time 0 counts as held.
  CCalEntryObject fresh;
  EXPECT_EQ(fresh.SetLastModified(0, true), 0);
  EXPECT_EQ(fresh.m_bHasLastModified, 0);
}

TEST(CalEntryObjectTest, PhoneMayNotTurnOneRepeatIntoAnother) {
  CCalEntryObject e;
  e.m_repeat = Rule(RepeatRule::kMonthly);
  EXPECT_EQ(e.SetRepeat(Rule(RepeatRule::kDaily), false), 0);
  EXPECT_EQ(e.m_repeat.nKind, RepeatRule::kMonthly);
  EXPECT_EQ(e.m_bHasRepeat, 0);
  EXPECT_EQ(e.m_nPhoneState, SyncStateUnchanged);
  EXPECT_EQ(e.SetRepeat(Rule(RepeatRule::kDaily), true), 1);
  EXPECT_EQ(e.m_repeat.nKind, RepeatRule::kDaily);
  EXPECT_EQ(e.m_bHasRepeat, 1);
  EXPECT_EQ(e.m_nNotesState, SyncStateModified);
}

TEST(CalEntryObjectTest, PhoneMaySwitchARepeatOnOrOff) {
  CCalEntryObject e;
  e.m_repeat = Rule(RepeatRule::kDaily);
  EXPECT_EQ(e.SetRepeat(Rule(RepeatRule::kNone), false), 1);
  EXPECT_EQ(e.m_repeat.nKind, RepeatRule::kNone);
  EXPECT_EQ(e.SetRepeat(Rule(RepeatRule::kDaily), false), 1);
  EXPECT_EQ(e.m_repeat.nKind, RepeatRule::kDaily);
  // Other weekdays are another repeat too.
  e.m_repeat = Rule(RepeatRule::kWeeklyOnDays, {0, 1, 0, 0, 0, 0, 0});
  EXPECT_EQ(e.SetRepeat(Rule(RepeatRule::kWeeklyOnDays, {0, 0, 1, 0, 0, 0, 0}), false), 0);
}

TEST(CalEntryObjectTest, WeekdaysCountForWeeklyOnDaysOnly) {
  CCalEntryObject e;
  e.m_repeat = Rule(RepeatRule::kWeeklyOnDays, {1, 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(e.SetRepeat(Rule(RepeatRule::kWeeklyOnDays, {1, 0, 0, 0, 0, 0, 1}), true), 1);
  EXPECT_EQ(e.m_repeat.abWeekdays[6], 1);
  EXPECT_EQ(e.SetRepeat(Rule(RepeatRule::kWeeklyOnDays, {1, 0, 0, 0, 0, 0, 1}), true), 0);
  e.m_repeat = Rule(RepeatRule::kDaily, {1, 1, 1, 1, 1, 1, 1});
  EXPECT_EQ(e.SetRepeat(Rule(RepeatRule::kDaily, {}), true), 0);
  EXPECT_EQ(e.m_repeat.abWeekdays[0], 1);  // not copied either
}

TEST(CalEntryObjectTest, MergeFromTakesPresentFields) {
  CCalEntryObject stored;
  stored.m_nNotesState = SyncStateDeleted;
  stored.SetSummary("old", true);
  stored.m_nNotesState = SyncStateDeleted;
  CCalEntryObject fresh;
  fresh.SetSummary("OLD", false);
  fresh.SetStart(100, false);
  fresh.SetLastModified(50, false);
  fresh.SetRepeat(Rule(RepeatRule::kWeekly), false);
  stored.MergeFrom(fresh, true);
  EXPECT_EQ(stored.m_nNotesState, SyncStateModified);
  EXPECT_EQ(stored.m_strSummary, "old");
  EXPECT_EQ(stored.m_tStart, 100);
  EXPECT_EQ(stored.m_tLastModified, 50);
  EXPECT_EQ(stored.m_repeat.nKind, RepeatRule::kWeekly);
  EXPECT_EQ(stored.m_bHasEnd, 0);
}

TEST(CalEntryObjectTest, MergeOfUnchangedValuesLeavesTheSideUnchanged) {
  CCalEntryObject stored;
  stored.SetAlarm(1, true);
  stored.SetStart(10, true);
  stored.m_nNotesState = SyncStateDeleted;
  CCalEntryObject fresh;
  fresh.SetAlarm(1, false);
  fresh.SetStart(10, false);
  stored.MergeFrom(fresh, true);
  EXPECT_EQ(stored.m_nNotesState, SyncStateUnchanged);
}

TEST(CalEntryObjectTest, ResetScratchNeverTouchesAStoredRule) {
  CCalEntryObject scratch;
  scratch.SetRepeat(Rule(RepeatRule::kDaily), true);
  scratch.SetStart(10, true);
  scratch.SetAlarm(1, true);
  scratch.m_strLuid = "4";
  scratch.m_nNoteId = 3;
  scratch.Reset();
  EXPECT_EQ(scratch.m_bHasRepeat, 0);
  EXPECT_EQ(scratch.m_repeat.nKind, RepeatRule::kNone);
  EXPECT_EQ(scratch.m_bHasStart, 0);
  EXPECT_EQ(scratch.m_tStart, 10);  // values other than the listed ones stay
  EXPECT_EQ(scratch.m_bAlarm, 1);
  EXPECT_EQ(scratch.m_strLuid, "");
  EXPECT_EQ(scratch.m_nNoteId, 0u);
  EXPECT_EQ(scratch.m_nNotesState, SyncStateModified);

  CCalEntryObject stored;
  stored.m_repeat = Rule(RepeatRule::kMonthly);
  stored.MergeFrom(scratch, false);
  EXPECT_EQ(stored.m_repeat.nKind, RepeatRule::kMonthly);
}

TEST(CalEntryObjectTest, CopyKeepsStatesButNotSeenFlagOrDelta) {
  CCalEntryObject e;
  e.SetSummary("s", true);
  e.SetRepeat(Rule(RepeatRule::kWeeklyOnDays, {0, 0, 0, 1, 0, 0, 0}), true);
  e.m_nPhoneState = SyncStateAdded;
  e.m_bSeenOnPhone = 1;
  e.StartNotesDelta();
  const CCalEntryObject copy(e);
  EXPECT_EQ(copy.m_nNotesState, SyncStateModified);
  EXPECT_EQ(copy.m_nPhoneState, SyncStateAdded);
  EXPECT_EQ(copy.m_bHasRepeat, 1);
  EXPECT_EQ(copy.m_repeat.abWeekdays[3], 1);
  EXPECT_EQ(copy.m_bSeenOnPhone, 0);
  EXPECT_EQ(copy.m_pNotesDelta, nullptr);
}

TEST(CalEntryObjectTest, NotesDeltaStartsWithNoFieldPresent) {
  CCalEntryObject e;
  e.SetSummary("s", true);
  e.SetStart(1, true);
  e.SetEnd(2, true);
  e.SetAlarm(1, true);
  e.SetLastModified(3, true);
  e.SetRepeat(Rule(RepeatRule::kDaily), true);
  e.StartNotesDelta();
  const CCalEntryObject& d = *e.m_pNotesDelta;
  EXPECT_EQ(d.m_bHasSummary + d.m_bHasStart + d.m_bHasEnd + d.m_bHasAlarm + d.m_bHasLastModified +
                d.m_bHasRepeat,
            0);
  EXPECT_EQ(d.m_strSummary, "s");
}

}  // namespace
}  // namespace pim
