// The calendar: creating entries, their fields, and which entries a range finds.
#include "notesapi_fixture.h"

namespace pim::notesapi_test {
namespace {

class CalendarTest : public NotesApiTest {
 protected:
  void SetUp() override {
    NotesApiTest::SetUp();
    ASSERT_EQ(session_.GetCalendar(&calendar_, path_, "", ""), LNNOERROR);
  }

  NOTEID AddTodo(const LNDatetime& begin, const LNDatetime& end, const std::string& brief = "") {
    LNDatetimeRange range;
    range.SetBegin(begin);
    range.SetEnd(end);
    LNCalendarEntry entry;
    EXPECT_EQ(calendar_.CreateEntry(range, brief, LNCALENDARENTRYTYPE_TODO, &entry), LNNOERROR);
    return entry.GetNoteID();
  }

  std::vector<NOTEID> Found(const LNDatetime& begin, const LNDatetime& end) {
    LNDatetimeRange range;
    range.SetBegin(begin);
    range.SetEnd(end);
    LNCalendarEntryArray entries;
    EXPECT_EQ(calendar_.GetEntries(range, &entries), LNNOERROR);
    std::vector<NOTEID> ids;
    for (uint32_t i = 0; i < entries.GetCount(); ++i)
      ids.push_back(entries[i].GetNoteID());
    return ids;
  }

  LNCalendar calendar_;
};

TEST_F(CalendarTest, CreateEntrySavesItAndLeavesItOpen) {
  const LNDatetime begin = DateTime(2024, 5, 6, 9, 0, 0);
  const LNDatetime end = DateTime(2024, 5, 6, 10, 30, 0);
  LNDatetimeRange range;
  range.SetBegin(begin);
  range.SetEnd(end);
  LNCalendarEntry entry;
  ASSERT_EQ(calendar_.CreateEntry(range, "Call Ann", LNCALENDARENTRYTYPE_TODO, &entry), LNNOERROR);
  ASSERT_NE(entry.GetNoteID(), 0u);
  EXPECT_TRUE(entry.IsOpen());
  EXPECT_EQ(entry.GetFormName(), "Task");
  EXPECT_EQ(entry.GetEntryType(), LNCALENDARENTRYTYPE_TODO);
  EXPECT_EQ(entry.GetIsAlarmEnabled(), FALSE);

  // Saved already: a second connection finds the same fields.
  LNCalendarEntry read(ReadElsewhere(entry.GetNoteID()));
  ASSERT_TRUE(LNCalendarEntry::IsCalendarEntry(read));
  LNDatetimeRange read_range;
  ASSERT_EQ(read.GetDatetimeRange(&read_range), LNNOERROR);
  EXPECT_EQ(read_range.GetBegin(), begin);
  EXPECT_EQ(read_range.GetEnd(), end);
  LNString brief;
  ASSERT_EQ(read.GetBriefDescription(&brief), LNNOERROR);
  EXPECT_EQ(brief, "Call Ann");
  EXPECT_EQ(read.GetEntryType(), LNCALENDARENTRYTYPE_TODO);
  LNDatetime alarm;
  EXPECT_EQ(read.GetAlarmDatetime(&alarm), LNERR_ITEM_NOT_FOUND);
  // An ordinary database holds entries too: the same file lists it among its documents.
  EXPECT_EQ(DocumentIds(db_), std::vector<NOTEID>{entry.GetNoteID()});
}

TEST_F(CalendarTest, OtherEntryTypesAreAppointments) {
  LNDatetimeRange range;
  range.SetBegin(DateOnly(2024, 1, 1));
  range.SetEnd(DateOnly(2024, 1, 1));
  LNCalendarEntry entry;
  ASSERT_EQ(calendar_.CreateEntry(range, "", 0, &entry), LNNOERROR);
  EXPECT_EQ(entry.GetFormName(), "Appointment");
  EXPECT_EQ(entry.GetEntryType(), 0);
}

TEST_F(CalendarTest, EntryFieldsAreSavedAndReadBack) {
  LNCalendarEntry entry(ReadElsewhere(AddTodo(DateOnly(2024, 1, 1), DateOnly(2024, 1, 1))));
  LNDatetimeRange range;
  range.SetBegin(DateTime(2024, 2, 3, 4, 5, 6, 7));
  range.SetEnd(DateTime(2024, 2, 3, 5, 0, 0));
  const LNDatetime alarm = DateTime(2024, 2, 3, 3, 55, 0);
  ASSERT_EQ(entry.SetDatetimeRange(range), LNNOERROR);
  ASSERT_EQ(entry.SetBriefDescription("Dentist"), LNNOERROR);
  ASSERT_EQ(entry.SetIsAlarmEnabled(TRUE), LNNOERROR);
  ASSERT_EQ(entry.SetAlarmDatetime(alarm), LNNOERROR);
  ASSERT_EQ(entry.Save(), LNNOERROR);

  LNCalendarEntry read(ReadElsewhere(entry.GetNoteID()));
  LNDatetimeRange read_range;
  ASSERT_EQ(read.GetDatetimeRange(&read_range), LNNOERROR);
  EXPECT_EQ(read_range.GetText(), "2024-02-03 04:05:06 - 2024-02-03 05:00:00");
  EXPECT_EQ(read_range.GetBegin().GetHundredth(), 7);
  LNString brief;
  ASSERT_EQ(read.GetBriefDescription(&brief), LNNOERROR);
  EXPECT_EQ(brief, "Dentist");
  EXPECT_EQ(read.GetIsAlarmEnabled(), TRUE);
  LNDatetime read_alarm;
  ASSERT_EQ(read.GetAlarmDatetime(&read_alarm), LNNOERROR);
  EXPECT_EQ(read_alarm, alarm);
  // The fields are items like any other.
  LNItem item;
  ASSERT_EQ(read.GetItem(kEntryBriefItem, &item), LNNOERROR);
  EXPECT_EQ(LNText(item)[0], "Dentist");
}

struct RangeCase {
  const char* name;
  LNDatetime begin, end;
  std::vector<int> expected;  // indexes into the entries of the test, in the order found
};

void PrintTo(const RangeCase& c, std::ostream* os) {
  *os << c.name << " " << c.begin.GetText() << " to " << c.end.GetText();
}

class EntryRangeTest : public CalendarTest, public ::testing::WithParamInterface<RangeCase> {};

// The dates compare, never the times: both the begin's and the end's whole days count.
TEST_P(EntryRangeTest, FindsEntriesStartingOnTheDaysOfTheRange) {
  const std::vector<LNDatetime> starts = {
      DateTime(2024, 3, 9, 23, 59, 59, 99),   // 0: the day before
      DateTime(2024, 3, 10, 0, 0, 0),         // 1: first moment of the first day
      DateTime(2024, 3, 10, 18, 0, 0),        // 2
      DateTime(2024, 3, 12, 23, 59, 59, 99),  // 3: last moment of the last day
      DateTime(2024, 3, 13, 0, 0, 0),         // 4: the day after
      DateOnly(2024, 3, 11),                  // 5: a start without a time
  };
  std::vector<NOTEID> ids;
  for (const LNDatetime& start : starts)
    ids.push_back(AddTodo(start, start));
  std::vector<NOTEID> expected;
  for (int index : GetParam().expected)
    expected.push_back(ids[static_cast<size_t>(index)]);
  EXPECT_EQ(Found(GetParam().begin, GetParam().end), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, EntryRangeTest,
    ::testing::Values(
        RangeCase{"TimesIgnored",
                  DateTime(2024, 3, 10, 12, 0, 0),
                  DateTime(2024, 3, 12, 8, 0, 0),
                  {1, 2, 5, 3}},
        RangeCase{"DatesOnly", DateOnly(2024, 3, 10), DateOnly(2024, 3, 12), {1, 2, 5, 3}},
        RangeCase{
            "OneDay", DateTime(2024, 3, 10, 23, 0, 0), DateTime(2024, 3, 10, 1, 0, 0), {1, 2}},
        RangeCase{"DayAfter", DateOnly(2024, 3, 13), DateOnly(2024, 3, 13), {4}},
        RangeCase{"Backwards", DateOnly(2024, 3, 12), DateOnly(2024, 3, 10), {}},
        RangeCase{"Elsewhere", DateOnly(2025, 3, 10), DateOnly(2025, 3, 12), {}},
        RangeCase{"Everything", DateOnly(1, 1, 1), DateOnly(9999, 12, 31), {0, 1, 2, 5, 3, 4}}),
    [](const ::testing::TestParamInfo<RangeCase>& param_info) { return param_info.param.name; });

TEST_F(CalendarTest, EntriesComeByStartThenNoteId) {
  const NOTEID late = AddTodo(DateTime(2024, 7, 1, 15, 0, 0), DateTime(2024, 7, 1, 16, 0, 0));
  const NOTEID early = AddTodo(DateTime(2024, 7, 1, 8, 0, 0), DateTime(2024, 7, 1, 9, 0, 0));
  const NOTEID same1 = AddTodo(DateTime(2024, 7, 1, 12, 0, 0), DateTime(2024, 7, 1, 13, 0, 0));
  const NOTEID same2 = AddTodo(DateTime(2024, 7, 1, 12, 0, 0), DateTime(2024, 7, 1, 12, 5, 0));
  const NOTEID previous_day = AddTodo(DateOnly(2024, 6, 30), DateOnly(2024, 6, 30));
  EXPECT_EQ(Found(DateOnly(2024, 6, 1), DateOnly(2024, 7, 31)),
            (std::vector<NOTEID>{previous_day, early, same1, same2, late}));
}

TEST_F(CalendarTest, FoundEntriesAreOpenWithTheirFields) {
  AddTodo(DateTime(2024, 8, 1, 9, 0, 0), DateTime(2024, 8, 1, 9, 30, 0), "Stand-up");
  LNDatetimeRange range;
  range.SetBegin(DateOnly(2024, 8, 1));
  range.SetEnd(DateOnly(2024, 8, 1));
  LNCalendarEntryArray entries;
  ASSERT_EQ(calendar_.GetEntries(range, &entries), LNNOERROR);
  ASSERT_EQ(entries.GetCount(), 1u);
  LNCalendarEntry entry = entries[0];
  EXPECT_TRUE(entry.IsOpen());
  EXPECT_EQ(entry.Open(), LNNOERROR);  // harmless
  LNString brief;
  ASSERT_EQ(entry.GetBriefDescription(&brief), LNNOERROR);
  EXPECT_EQ(brief, "Stand-up");
  EXPECT_EQ(entry.GetLastModified().GetState(), LNDATETIMESTATE_DATE_AND_TIME);
  EXPECT_EQ(entries[1].GetNoteID(), 0u);
}

TEST_F(CalendarTest, MovingAnEntryMovesItInTheCalendar) {
  const NOTEID id = AddTodo(DateOnly(2024, 9, 1), DateOnly(2024, 9, 1));
  LNCalendarEntry entry(ReadElsewhere(id));
  LNDatetimeRange range;
  range.SetBegin(DateOnly(2024, 10, 1));
  range.SetEnd(DateOnly(2024, 10, 2));
  ASSERT_EQ(entry.SetDatetimeRange(range), LNNOERROR);
  ASSERT_EQ(entry.Save(), LNNOERROR);
  EXPECT_TRUE(Found(DateOnly(2024, 9, 1), DateOnly(2024, 9, 30)).empty());
  EXPECT_EQ(Found(DateOnly(2024, 10, 1), DateOnly(2024, 10, 1)), std::vector<NOTEID>{id});
  ASSERT_EQ(db_.DeleteNote(id), LNNOERROR);
  EXPECT_TRUE(Found(DateOnly(2024, 10, 1), DateOnly(2024, 10, 1)).empty());
}

TEST_F(CalendarTest, DocumentsWithoutTheEntryTypeAreNotEntries) {
  // A start item alone does not make an entry.
  const NOTEID person =
      SaveNew("Person", {Datetimes(kEntryStartItem, {DateTime(2024, 3, 10, 9, 0, 0)})});
  EXPECT_TRUE(Found(DateOnly(2024, 3, 10), DateOnly(2024, 3, 10)).empty());
  LNCalendarEntry entry(ReadElsewhere(person));
  EXPECT_FALSE(LNCalendarEntry::IsCalendarEntry(entry));
  LNDatetimeRange range;
  LNString brief;
  EXPECT_EQ(entry.GetDatetimeRange(&range), LNERR_NOT_CALENDAR_ENTRY);
  EXPECT_EQ(entry.GetBriefDescription(&brief), LNERR_NOT_CALENDAR_ENTRY);
  EXPECT_EQ(entry.SetBriefDescription("x"), LNERR_NOT_CALENDAR_ENTRY);
  EXPECT_EQ(entry.GetIsAlarmEnabled(), FALSE);
  EXPECT_EQ(entry.GetEntryType(), 0);
  EXPECT_EQ(ThrownStatus([&] { entry.GetEntryType(); }), LNERR_NOT_CALENDAR_ENTRY);
}

TEST_F(CalendarTest, RangesNeedDates) {
  LNDatetime time_only;
  time_only.SetTime(9, 0, 0, 0);
  LNDatetimeRange range;
  range.SetBegin(time_only);
  range.SetEnd(DateOnly(2024, 1, 1));
  LNCalendarEntryArray entries;
  EXPECT_EQ(calendar_.GetEntries(range, &entries), LNERR_BAD_DATETIME);
  LNCalendarEntry entry;
  EXPECT_EQ(calendar_.CreateEntry(range, "x", LNCALENDARENTRYTYPE_TODO, &entry),
            LNERR_BAD_DATETIME);
  EXPECT_TRUE(DocumentIds(db_).empty());
  range.SetBegin(DateOnly(2024, 1, 1));
  range.SetEnd(time_only);
  EXPECT_EQ(calendar_.GetEntries(range, &entries), LNERR_BAD_DATETIME);
}

}  // namespace
}  // namespace pim::notesapi_test
