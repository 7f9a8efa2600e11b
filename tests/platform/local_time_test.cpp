#include "platform/local_time.h"

#include <gtest/gtest.h>

#include <climits>
#include <ctime>

#include "support/test_support.h"

namespace pim::platform {
namespace {

using test::ScopedTimeZone;

// What mktime itself gives, bounded to 32-bit times since 1970 as MakeLocalTime is.
int32_t Reference(int year, int month, int day, int hour, int minute, int second) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  const std::time_t t = std::mktime(&tm);
  return t < 0 || t > INT32_MAX ? -1 : static_cast<int32_t>(t);
}

class MakeLocalTimeTest : public testing::TestWithParam<const char*> {};

TEST_P(MakeLocalTimeTest, AgreesWithMktimeThroughTwoYearsOfHours) {
  ScopedTimeZone tz(GetParam());
  // Every hour of 2005 and 2006, daylight-saving changes included, at a few minutes each.
  for (int day = 0; day < 730; ++day) {
    for (int hour = 0; hour < 24; ++hour) {
      for (const auto& [minute, second] : {std::pair{0, 0}, std::pair{30, 7}, std::pair{59, 59}}) {
        const int d = 1 + day;  // carried over from January 1st, as mktime carries it
        ASSERT_EQ(MakeLocalTime(2005, 1, d, hour, minute, second),
                  Reference(2005, 1, d, hour, minute, second))
            << "day " << d << " " << hour << ":" << minute;
      }
    }
  }
}

TEST_P(MakeLocalTimeTest, CarriesOutOfRangePartsAsMktimeDoes) {
  ScopedTimeZone tz(GetParam());
  const int cases[][6] = {{2005, 4, 31, 0, 0, 0},     {2005, 13, 1, 0, 0, 0},
                          {2005, 0, 0, 0, 0, 0},      {2005, 12, 31, 24, 60, 60},
                          {2005, -9, -9, -9, -9, -9}, {2005, 3, 27, 2, 30, 0},
                          {2005, 10, 30, 2, 30, 0},   {1969, 12, 31, 23, 59, 59},
                          {2038, 1, 19, 3, 14, 8},    {0, 0, 0, 0, 0, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(MakeLocalTime(c[0], c[1], c[2], c[3], c[4], c[5]),
              Reference(c[0], c[1], c[2], c[3], c[4], c[5]))
        << c[0] << "-" << c[1] << "-" << c[2] << " " << c[3] << ":" << c[4] << ":" << c[5];
  }
}

INSTANTIATE_TEST_SUITE_P(Zones, MakeLocalTimeTest,
                         testing::Values(test::kUtc, test::kOneHourEast, test::kCentralEurope,
                                         test::kUsEastern, "<+0530>-5:30", "<+1245>-12:45"));

TEST(MakeLocalTimeCacheTest, FollowsAChangeOfTimeZone) {
  int32_t utc = 0;
  {
    ScopedTimeZone tz(test::kUtc);
    utc = MakeLocalTime(2005, 7, 1, 12, 0, 0);
  }
  ScopedTimeZone tz(test::kCentralEurope);
  EXPECT_EQ(MakeLocalTime(2005, 7, 1, 12, 0, 0), utc - 7200);
}

}  // namespace
}  // namespace pim::platform
