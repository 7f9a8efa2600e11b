#include "notes/calendar_entry.h"

#include <gtest/gtest.h>

#include "notes/person_document.h"
#include "support/notes_fixture.h"

namespace pim {
namespace {

using notes::LNCalendarEntry;
using notes::LNDatetimeRange;
using test::DebugCapture;
using test::ScopedTimeZone;
using Lines = std::vector<std::string>;

class CalendarEntryTest : public test::NotesTest {
 protected:
  ScopedTimeZone tz_{test::kCentralEurope};
};

TEST_F(CalendarEntryTest, ReadsASingleDayEntryAndTracesIt) {
  LNCalendarEntry entry = AddEntry("2005-07-01 09:00:00", "2005-07-01 10:30:15", "Buy milk", true);
  CalendarArray records;
  DebugCapture trace;
  ASSERT_TRUE(ReadCalendarEntry(records, entry));
  EXPECT_EQ(trace.lines(),
            (Lines{"<-- Calendar Entry", "Buy milk", "2005-07-01 09:00:00 - 2005-07-01 10:30:15",
                   "Calendar Entry -->"}));
  ASSERT_EQ(records.size(), 1u);
  const CCalEntryObject& e = *records[0];
  EXPECT_EQ(e.m_nNoteId, entry.GetNoteID());
  EXPECT_EQ(e.m_tStart, 1120201200);
  EXPECT_EQ(e.m_tEnd, 1120206615);
  EXPECT_EQ(e.m_bAlarm, 1);
  EXPECT_EQ(e.m_strSummary, "Buy milk");
  // No repetition is what a new record holds already: the rule is not flagged.
  EXPECT_EQ(e.m_bHasRepeat, 0);
  EXPECT_EQ(e.m_repeat.nKind, RepeatRule::kNone);
  EXPECT_EQ(e.m_bHasLastModified, 1);
  EXPECT_EQ(e.m_nNotesState, SyncStateAdded);
  EXPECT_EQ(e.m_nPhoneState, SyncStateUnchanged);
}

TEST_F(CalendarEntryTest, EntrySpanningTwoDaysIsDeclined) {
  LNCalendarEntry entry = AddEntry("2005-07-01 23:00:00", "2005-07-02 01:00:00", "Party");
  CalendarArray records;
  DebugCapture trace;
  EXPECT_FALSE(ReadCalendarEntry(records, entry));
  EXPECT_TRUE(records.empty());
  EXPECT_TRUE(trace.lines().empty());
}

TEST_F(CalendarEntryTest, EmptyRangeOnOneDayIsTaken) {
  LNCalendarEntry entry = AddEntry("2005-07-01 09:00:00", "2005-07-01 09:00:00", "", false);
  CalendarArray records;
  EXPECT_TRUE(ReadCalendarEntry(records, entry));
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]->m_bAlarm, 0);
  EXPECT_EQ(records[0]->m_bHasAlarm, 1);
  EXPECT_EQ(records[0]->m_bHasSummary, 1);
}

TEST_F(CalendarEntryTest, ReadingTwiceMergesIntoTheFirstRecord) {
  LNCalendarEntry entry = AddEntry("2005-07-01 09:00:00", "2005-07-01 10:00:00", "A");
  CalendarArray records;
  ReadCalendarEntry(records, entry);
  records[0]->m_nNotesState = SyncStateDeleted;
  entry.SetBriefDescription("B");
  entry.Save(0, notes::TRUE);
  ReadCalendarEntry(records, entry);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]->m_strSummary, "B");
  EXPECT_EQ(records[0]->m_nNotesState, SyncStateModified);
  // The delta starts with no field present, and an absent to-do field always takes a value:
  // the delta carries every field the entry has, the unchanged ones too.
  const CCalEntryObject& delta = *records[0]->m_pNotesDelta;
  EXPECT_EQ(delta.m_bHasSummary, 1);
  EXPECT_EQ(delta.m_bHasStart, 1);
  EXPECT_EQ(delta.m_bHasEnd, 1);
  EXPECT_EQ(delta.m_bHasAlarm, 1);
  EXPECT_EQ(delta.m_bHasRepeat, 0);
}

TEST_F(CalendarEntryTest, WritesPresentFieldsOnly) {
  LNCalendarEntry entry = AddEntry("2005-07-01 09:00:00", "2005-07-01 10:00:00", "Keep", true);
  CCalEntryObject record;
  record.SetStart(1120212000, false);  // a start without an end writes no range
  record.SetAlarm(0, false);
  WriteCalendarEntry(entry, record);
  LNCalendarEntry back = OpenEntry(entry.GetNoteID());
  LNDatetimeRange range;
  back.GetDatetimeRange(&range);
  EXPECT_EQ(range.GetText(), "2005-07-01 09:00:00 - 2005-07-01 10:00:00");
  notes::LNString brief;
  back.GetBriefDescription(&brief);
  EXPECT_EQ(brief, "Keep");
  EXPECT_EQ(back.GetIsAlarmEnabled(), notes::FALSE);
  notes::LNItem repeats;
  EXPECT_THROW(back.GetItem("Repeats", &repeats), notes::LNSTATUS);
}

TEST_F(CalendarEntryTest, WritesRangeAlarmTimeSummaryAndRule) {
  LNCalendarEntry entry = AddEntry("2005-07-01 09:00:00", "2005-07-01 10:00:00", "Old");
  CCalEntryObject record;
  record.SetStart(1120212007, false);  // 12:00:07 local
  record.SetEnd(1120215600, false);
  record.SetSummary("", false);
  record.SetRepeat(RepeatRule{RepeatRule::kDaily, {}}, true);
  WriteCalendarEntry(entry, record);
  LNCalendarEntry back = OpenEntry(entry.GetNoteID());
  LNDatetimeRange range;
  back.GetDatetimeRange(&range);
  EXPECT_EQ(range.GetText(), "2005-07-01 12:00:07 - 2005-07-01 13:00:00");
  notes::LNDatetime alarm;
  back.GetAlarmDatetime(&alarm);
  EXPECT_EQ(alarm.GetText(), "2005-07-01 13:00:00");
  notes::LNString brief = "x";
  back.GetBriefDescription(&brief);
  EXPECT_EQ(brief, "");
  std::string unit;
  EXPECT_TRUE(ReadTextItem(back, "RepeatForUnit", unit));
  EXPECT_EQ(unit, "D");
  // Read back, the seconds survive.
  CalendarArray records;
  ReadCalendarEntry(records, back);
  EXPECT_EQ(records.at(0)->m_tStart, 1120212007);
  EXPECT_EQ(records[0]->m_repeat.nKind, RepeatRule::kDaily);
}

TEST(LocalTimeToNotesTest, GivesLocalPartsWithoutHundredths) {
  ScopedTimeZone tz(test::kUsEastern);
  notes::LNDatetime dt;
  LocalTimeToNotes(dt, 1120233605);
  EXPECT_EQ(dt.GetText(), "2005-07-01 12:00:05");
  EXPECT_EQ(dt.GetHundredth(), 0);
  EXPECT_EQ(dt.GetState(), notes::LNDATETIMESTATE_DATE_AND_TIME);
}

}  // namespace
}  // namespace pim
