// Date-times, item values and their stored form: no database involved.
#include <cctype>
#include <cmath>
#include <limits>

#include "notesapi/item_codec.h"
#include "notesapi_fixture.h"

namespace pim::notesapi_test {
namespace {

struct ParseCase {
  const char* text;
  int year, month, day;  // 0 0 0: the text makes no date
};

void PrintTo(const ParseCase& c, std::ostream* os) {
  *os << '"' << c.text << '"';
}

class DatetimeParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(DatetimeParseTest, ReadsYearMonthDay) {
  LNSetThrowAllErrorsGlobal(FALSE);
  const ParseCase& c = GetParam();
  const LNDatetime parsed{LNString(c.text)};
  if (c.year == 0) {
    EXPECT_EQ(parsed.GetState(), LNDATETIMESTATE_INVALID);
    EXPECT_EQ(ThrownStatus([&] { LNDatetime again{LNString(c.text)}; }), LNERR_BAD_DATETIME);
    return;
  }
  EXPECT_EQ(parsed.GetState(), LNDATETIMESTATE_DATE_ONLY);
  EXPECT_EQ(parsed.GetYear(), c.year);
  EXPECT_EQ(parsed.GetMonth(), c.month);
  EXPECT_EQ(parsed.GetDay(), c.day);
  EXPECT_EQ(parsed.GetHour() + parsed.GetMinute() + parsed.GetSecond(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DatetimeParseTest,
    ::testing::Values(ParseCase{"1990/1/1", 1990, 1, 1}, ParseCase{"2024/02/29", 2024, 2, 29},
                      ParseCase{" 2038/12/31 ", 2038, 12, 31},
                      ParseCase{"9999/12/31", 9999, 12, 31}, ParseCase{"2023/2/29", 0, 0, 0},
                      ParseCase{"2024/13/1", 0, 0, 0}, ParseCase{"2024/4/31", 0, 0, 0},
                      ParseCase{"1990-1-1", 0, 0, 0}, ParseCase{"1990/1", 0, 0, 0},
                      ParseCase{"1990/1/1/1", 0, 0, 0}, ParseCase{"1990/1/1 10:00", 0, 0, 0},
                      ParseCase{"", 0, 0, 0}, ParseCase{"0/1/1", 0, 0, 0},
                      ParseCase{"y/m/d", 0, 0, 0}),
    // Names from the index and the text's letters and digits: stable from run to run.
    [](const ::testing::TestParamInfo<ParseCase>& param_info) {
      std::string name = "Case" + std::to_string(param_info.index) + "_";
      for (const char* c = param_info.param.text; *c != '\0'; ++c) {
        if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
      }
      return name;
    });

TEST(DatetimeTest, SetDateAndSetTimeEachAddTheirHalf) {
  LNSetThrowAllErrorsGlobal(FALSE);
  LNDatetime when;
  EXPECT_EQ(when.GetText(), "");
  EXPECT_EQ(when.SetTime(7, 5, 9, 42), LNNOERROR);
  EXPECT_EQ(when.GetState(), LNDATETIMESTATE_TIME_ONLY);
  EXPECT_EQ(when.GetText(), "07:05:09");
  EXPECT_EQ(when.SetDate(3, 4, 2024), LNNOERROR);
  EXPECT_EQ(when.GetState(), LNDATETIMESTATE_DATE_AND_TIME);
  EXPECT_EQ(when.GetText(), "2024-03-04 07:05:09");
  EXPECT_EQ(when.GetHundredth(), 42);
  EXPECT_EQ(DateOnly(2024, 12, 25).GetText(), "2024-12-25");
}

TEST(DatetimeTest, InvalidPartsAreRefusedAndLeaveTheValueAlone) {
  LNSetThrowAllErrorsGlobal(FALSE);
  const LNDatetime before = DateTime(2024, 5, 6, 7, 8, 9, 10);
  struct Bad {
    int month, day, year;
  };
  for (const Bad& bad : {Bad{0, 1, 2024}, Bad{13, 1, 2024}, Bad{2, 30, 2024}, Bad{2, 29, 1900},
                         Bad{1, 0, 2024}, Bad{1, 1, 0}, Bad{1, 1, 10000}}) {
    LNDatetime when = before;
    EXPECT_EQ(when.SetDate(bad.month, bad.day, bad.year), LNERR_BAD_DATETIME);
    EXPECT_EQ(when, before);
  }
  LNDatetime when = before;
  EXPECT_EQ(when.SetTime(24, 0, 0, 0), LNERR_BAD_DATETIME);
  EXPECT_EQ(when.SetTime(0, 60, 0, 0), LNERR_BAD_DATETIME);
  EXPECT_EQ(when.SetTime(0, 0, 60, 0), LNERR_BAD_DATETIME);
  EXPECT_EQ(when.SetTime(0, 0, 0, 100), LNERR_BAD_DATETIME);
  EXPECT_EQ(when.SetTime(-1, 0, 0, 0), LNERR_BAD_DATETIME);
  EXPECT_EQ(when, before);
  EXPECT_EQ(ThrownStatus([&] { when.SetDate(2, 30, 2024); }), LNERR_BAD_DATETIME);
}

TEST(DatetimeTest, RangeTextJoinsBothEnds) {
  LNDatetimeRange range;
  range.SetBegin(DateTime(2024, 1, 2, 3, 4, 5));
  range.SetEnd(DateOnly(2024, 1, 3));
  EXPECT_EQ(range.GetText(), "2024-01-02 03:04:05 - 2024-01-03");
}

TEST(ItemTest, TypeFollowsTheValues) {
  EXPECT_EQ(Texts("a", {"x"}).GetType(), LNITEMTYPE_TEXT);
  EXPECT_EQ(Numbers("a", {1}).GetType(), LNITEMTYPE_NUMBERS);
  EXPECT_EQ(Datetimes("a", {}).GetType(), LNITEMTYPE_DATETIMES);
  EXPECT_EQ(LNItem().GetType(), LNITEMTYPE_TEXT);
  EXPECT_EQ(LNITEMTYPE_TEXT, 1281);
  EXPECT_EQ(LNITEMTYPE_DATETIMES, 1025);
  EXPECT_EQ(LNITEMTYPE_NUMBERS, 768);
}

TEST(ItemTest, TextListEditing) {
  LNSetThrowAllErrorsGlobal(FALSE);
  LNText text;
  EXPECT_EQ(text.GetCount(), 0u);
  EXPECT_EQ(text.Insert(0, "b"), LNNOERROR);
  EXPECT_EQ(text.Insert(0, "a"), LNNOERROR);
  EXPECT_EQ(text.Insert(2, "c"), LNNOERROR);
  EXPECT_EQ(text.Insert(4, "beyond"), LNERR_INDEX_OUT_OF_RANGE);
  ASSERT_EQ(text.GetCount(), 3u);
  EXPECT_EQ(text[0] + text[1] + text[2], "abc");
  EXPECT_EQ(text[3], "");
  EXPECT_EQ(ThrownStatus([&] { return text[3]; }), LNERR_INDEX_OUT_OF_RANGE);
  EXPECT_EQ(text.SetValue("only"), LNNOERROR);
  ASSERT_EQ(text.GetCount(), 1u);
  EXPECT_EQ(text[0], "only");
  EXPECT_EQ(text.DeleteAll(), LNNOERROR);
  EXPECT_EQ(text.GetCount(), 0u);
}

TEST(ItemTest, ListsFromItemsOfTheirOwnTypeOnly) {
  LNSetThrowAllErrorsGlobal(FALSE);
  const LNText text(Texts("Name", {"x", "y"}));
  EXPECT_EQ(text.GetCount(), 2u);
  EXPECT_EQ(text.GetName(), "Name");
  EXPECT_EQ(LNText(Numbers("n", {1})).GetCount(), 0u);
  EXPECT_EQ(ThrownStatus([] { LNText wrong(Numbers("n", {1})); }), LNERR_ITEM_TYPE);

  const LNDatetimes datetimes(Datetimes("When", {DateOnly(2024, 1, 1)}));
  ASSERT_EQ(datetimes.GetCount(), 1u);
  EXPECT_EQ(datetimes[0], DateOnly(2024, 1, 1));
  EXPECT_EQ(datetimes[1].GetState(), LNDATETIMESTATE_INVALID);
  EXPECT_EQ(LNDatetimes(Texts("t", {"x"})).GetCount(), 0u);
  EXPECT_EQ(ThrownStatus([] { LNDatetimes wrong(Texts("t", {})); }), LNERR_ITEM_TYPE);
}

TEST(ItemCodecTest, PackedDatetimesRoundTripAndSortByTime) {
  const std::vector<LNDatetime> ascending = {DateOnly(1, 1, 1),
                                             DateTime(1969, 12, 31, 23, 59, 59, 99),
                                             DateOnly(2024, 2, 29),
                                             DateTime(2024, 2, 29, 0, 0, 0, 1),
                                             DateTime(2024, 2, 29, 0, 0, 1),
                                             DateTime(9999, 12, 31, 23, 59, 59, 99)};
  for (size_t i = 0; i < ascending.size(); ++i) {
    LNDatetime back;
    ASSERT_TRUE(detail::UnpackDatetime(detail::PackDatetime(ascending[i]), back));
    EXPECT_EQ(back, ascending[i]) << i;
    if (i > 0) {
      EXPECT_LT(detail::MomentKey(ascending[i - 1]), detail::MomentKey(ascending[i]));
    }
  }
  LNDatetime time_only;
  time_only.SetTime(12, 0, 0, 0);
  LNDatetime back;
  ASSERT_TRUE(detail::UnpackDatetime(detail::PackDatetime(time_only), back));
  EXPECT_EQ(back, time_only);
  ASSERT_TRUE(detail::UnpackDatetime(detail::PackDatetime(LNDatetime()), back));
  EXPECT_EQ(back, LNDatetime());
  // Numbers no date-time packs to.
  for (int64_t bad :
       {int64_t{-1}, int64_t{20241301000000001}, int64_t{20240230000000001},
        int64_t{20240101250000003}, int64_t{20240101000000004}, int64_t{20240101120000001}}) {
    EXPECT_FALSE(detail::UnpackDatetime(bad, back)) << bad;
  }
}

TEST(ItemCodecTest, ItemsRoundTripExactly) {
  const std::vector<LNItem> items = {
      Texts("Name", {"Ann", "", "Zoë \xE6\x97\xA5"}), Texts("Empty", {}),
      Numbers("N", {0, -1.5, 1e300, std::numeric_limits<double>::denorm_min()}),
      Datetimes("When", {DateOnly(2024, 1, 2), DateTime(2024, 1, 2, 3, 4, 5, 6)}),
      Datetimes("Never", {})};
  std::vector<LNItem> back;
  ASSERT_TRUE(detail::DecodeItems(detail::EncodeItems(items), back));
  ASSERT_EQ(back.size(), items.size());
  for (size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(back[i].GetName(), items[i].GetName());
    EXPECT_EQ(back[i].GetType(), items[i].GetType());
    if (items[i].Texts()) {
      EXPECT_EQ(*back[i].Texts(), *items[i].Texts());
    } else if (items[i].Numbers()) {
      EXPECT_EQ(*back[i].Numbers(), *items[i].Numbers());
    } else {
      EXPECT_EQ(*back[i].Datetimes(), *items[i].Datetimes());
    }
  }
}

TEST(ItemCodecTest, DamagedBlobsAreRefused) {
  const std::string blob = detail::EncodeItems(
      {Texts("Name", {"Ann"}), Numbers("N", {2}), Datetimes("D", {DateOnly(2024, 1, 1)})});
  std::vector<LNItem> back;
  // Every cut short of the whole, and one byte too many.
  for (size_t size = 0; size < blob.size(); ++size) {
    EXPECT_FALSE(detail::DecodeItems(blob.substr(0, size), back)) << size;
  }
  EXPECT_FALSE(detail::DecodeItems(blob + '\0', back));
  std::string other_version = blob;
  other_version[0] = 2;
  EXPECT_FALSE(detail::DecodeItems(other_version, back));
  // A count far beyond the bytes must not make the reader reserve for it.
  EXPECT_FALSE(detail::DecodeItems(std::string("\x01\xFF\xFF\xFF\xFF\x0F", 6), back));
}

}  // namespace
}  // namespace pim::notesapi_test
