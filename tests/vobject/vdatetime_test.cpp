#include "vobject/vdatetime.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace pim {
namespace {

using test::ScopedTimeZone;

struct FormatCase {
  const char* tz;
  int32_t time;
  const char* text;
};

void PrintTo(const FormatCase& c, std::ostream* os) {
  *os << c.time << " in " << c.tz;
}

class FormatVDateTimeTest : public testing::TestWithParam<FormatCase> {};

TEST_P(FormatVDateTimeTest, WritesLocalTimeWithATrailingZ) {
  ScopedTimeZone tz(GetParam().tz);
  EXPECT_EQ(FormatVDateTime(GetParam().time), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormatVDateTimeTest,
    testing::Values(FormatCase{test::kUtc, 0, "19700101T000000Z"},
                    FormatCase{test::kOneHourEast, 0, "19700101T010000Z"},
                    FormatCase{test::kUtc, 1136073599, "20051231T235959Z"},
                    FormatCase{test::kUtc, INT32_MAX, "20380119T031407Z"},
                    // Summer and winter in a zone with daylight saving.
                    FormatCase{test::kCentralEurope, 1120212000, "20050701T120000Z"},
                    FormatCase{test::kCentralEurope, 1104577200, "20050101T120000Z"},
                    FormatCase{test::kUsEastern, 1120233600, "20050701T120000Z"},
                    // Times before 1970 render from their local breakdown.
                    FormatCase{test::kUtc, -1, "19691231T235959Z"},
                    FormatCase{test::kOneHourEast, -1, "19700101T005959Z"},
                    FormatCase{test::kUtc, INT32_MIN, "19011213T204552Z"}));

struct ParseCase {
  const char* tz;
  const char* text;
  bool ok;
  int32_t time;
};

void PrintTo(const ParseCase& c, std::ostream* os) {
  *os << '"' << c.text << "\" in " << c.tz;
}

class ParseVDateTimeTest : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseVDateTimeTest, ReadsLocalTime) {
  ScopedTimeZone tz(GetParam().tz);
  int32_t time = 12345;
  EXPECT_EQ(ParseVDateTime(GetParam().text, time), GetParam().ok) << GetParam().text;
  if (GetParam().ok) {
    EXPECT_EQ(time, GetParam().time) << GetParam().text;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseVDateTimeTest,
    testing::Values(ParseCase{test::kUtc, "20051231T235959Z", true, 1136073599},
                    ParseCase{test::kOneHourEast, "20051231T235959Z", true, 1136069999},
                    ParseCase{test::kCentralEurope, "20050701T120000Z", true, 1120212000},
                    ParseCase{test::kCentralEurope, "20050101T120000Z", true, 1104577200},
                    ParseCase{test::kUsEastern, "20050701T120000Z", true, 1120233600},
                    // The T and the Z are not examined; blanks around the text are trimmed.
                    ParseCase{test::kUtc, "20051231x235959?", true, 1136073599},
                    ParseCase{test::kUtc, "  20051231T235959Z\t", true, 1136073599},
                    // Out-of-range fields are normalised: the 31st of April is the 1st of May.
                    ParseCase{test::kUtc, "20050431T000000Z", true, 1114905600},
                    ParseCase{test::kUtc, "20051231T246000Z", true, 1136077200},
                    // Dates a time value cannot hold give -1.
                    ParseCase{test::kUtc, "19691231T235959Z", true, -1},
                    ParseCase{test::kOneHourEast, "19700101T000000Z", true, -1},
                    ParseCase{test::kUtc, "20380119T031407Z", true, INT32_MAX},
                    ParseCase{test::kUtc, "20380119T031408Z", true, -1},
                    ParseCase{test::kUtc, "abcd0101T000000Z", true, -1},
                    ParseCase{test::kUtc, "00000000T000000Z", true, -1},
                    // Only 16 characters count.
                    ParseCase{test::kUtc, "20051231T2359Z", false, 0},
                    ParseCase{test::kUtc, "20051231T235959", false, 0},
                    ParseCase{test::kUtc, "20051231T235959ZZ", false, 0},
                    ParseCase{test::kUtc, "", false, 0}));

TEST(VDateTimeTest, RoundTripsUnderDaylightSaving) {
  ScopedTimeZone tz(test::kCentralEurope);
  for (int32_t t : {0, 1, 1111111111, 1120212000, 1143939600, 2000000000}) {
    int32_t back = 0;
    ASSERT_TRUE(ParseVDateTime(FormatVDateTime(t), back));
    EXPECT_EQ(back, t) << FormatVDateTime(t);
  }
}

TEST(VDateTimeTest, InvalidTimeSurvivesARoundTrip) {
  for (const char* zone : {test::kUtc, test::kOneHourEast, test::kUsEastern}) {
    ScopedTimeZone tz(zone);
    int32_t back = 0;
    ASSERT_TRUE(ParseVDateTime(FormatVDateTime(-1), back));
    EXPECT_EQ(back, -1) << zone;
  }
}

}  // namespace
}  // namespace pim
