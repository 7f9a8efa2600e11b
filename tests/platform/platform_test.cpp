#include <gtest/gtest.h>

#include <climits>
#include <ctime>
#include <tuple>
#include <vector>

#include "platform/file.h"
#include "platform/local_time.h"
#include "platform/text.h"
#include "support/test_support.h"

namespace pim::platform {
namespace {

using test::ScopedTimeZone;

TEST(TextTest, StrToIntAReadsTheLeadingDecimalNumber) {
  // Overflow wraps around like 32-bit arithmetic.
  const std::pair<const char*, int32_t> cases[] = {
      {" \t\n\v\f\r-12x", -12}, {"+90", 90}, {"/5", 0}, {":5", 0}, {"- 5", 0}, {"4294967306", 10}};
  for (const auto& [text, value] : cases)
    EXPECT_EQ(StrToIntA(text), value) << text;
}

TEST(TextTest, CompareNoCaseFoldsAsciiLettersToLowerCaseOnly) {
  const std::tuple<const char*, const char*, int> cases[] = {
      {"AZ", "az", 0}, {"abc", "ABCD", -1}, {"B", "a", 1},    {"Z", "_", 1},
      {"@", "`", -1},  {"[", "{", -1},      {"\x80", "z", 1}, {"\xC3\x84", "\xC3\xA4", -1}};
  for (const auto& [a, b, sign] : cases) {
    SCOPED_TRACE(std::string(a) + " vs " + b);
    const int result = CompareNoCase(a, b);
    EXPECT_EQ((result > 0) - (result < 0), sign);
    EXPECT_EQ(EqualsNoCase(a, b), sign == 0);
  }
}

TEST(TextTest, Utf16ToCodePageWritesUtf8AndReplacesUnpairedSurrogates) {
  const std::pair<std::u16string, const char*> cases[] = {
      {{0x7F, 0x80, 0x7FF, 0x800, 0xD7FF, 0xFFFF},
       "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xED\x9F\xBF\xEF\xBF\xBF"},
      {{0xD800, 0xDC00, 0xDBFF, 0xDFFF}, "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"},
      {{0xDBFF, 0xE000, 0xDFFF, 0xD800}, "\xEF\xBF\xBD\xEE\x80\x80\xEF\xBF\xBD\xEF\xBF\xBD"}};
  for (const auto& [units, utf8] : cases)
    EXPECT_EQ(Utf16ToCodePage(units), utf8);
}

// MakeLocalTime caches offsets, and must still give what mktime gives, bounded to 32-bit
// times since 1970. Only wall-clock times that occur exactly once compare: for one that a
// change of daylight saving skips or repeats, mktime's answer depends on its earlier calls.
testing::AssertionResult AgreesWithMktime(int year, int month, int day, int hour, int minute,
                                          int second) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  const std::time_t wall = timegm(&tm);  // normalises tm to the same wall-clock time
  tm.tm_isdst = -1;
  const std::time_t t = std::mktime(&tm);
  const auto wall_of = [](std::time_t x) {
    std::tm parts{};
    return timegm(localtime_r(&x, &parts));
  };
  if (wall_of(t) != wall || wall_of(t - 3600) == wall || wall_of(t + 3600) == wall) {
    return testing::AssertionSuccess();
  }
  const int32_t expected = t < 0 || t > INT32_MAX ? -1 : static_cast<int32_t>(t);
  const int32_t made = MakeLocalTime(year, month, day, hour, minute, second);
  if (made == expected) return testing::AssertionSuccess();
  return testing::AssertionFailure() << made << " instead of " << expected;
}

TEST(LocalTimeTest, MakeLocalTimeAgreesWithMktimeHourByHourAndOverTheWholeRange) {
  // Changes of daylight saving on the hour, a fractional offset, and changes at half past,
  // whose hours must not be served from the cache.
  for (const char* zone : {test::kUtc, test::kCentralEurope, test::kUsEastern, "<+0530>-5:30",
                           "XST-1XDT,M3.5.0/2:30,M10.5.0/3:30"}) {
    ScopedTimeZone tz(zone);
    SCOPED_TRACE(zone);
    for (int hour = 0; hour < 2 * 366 * 24; ++hour)  // 2004 and 2005, carried from January
      for (int minute : {0, 31, 59})
        ASSERT_TRUE(AgreesWithMktime(2004, 1, 1 + hour / 24, hour % 24, minute, 59)) << hour;
    for (int day = -400; day < 25000; ++day)  // with carries of every part
      ASSERT_TRUE(AgreesWithMktime(1970, -11, day, 37, -1, 61)) << day;
  }
}

TEST(LocalTimeTest, MakeLocalTimeGivesMinusOneOutsideTheRange) {
  ScopedTimeZone tz(test::kUtc);
  EXPECT_EQ(MakeLocalTime(1970, 1, 1, 0, 0, 0), 0);
  EXPECT_EQ(MakeLocalTime(1969, 12, 31, 23, 59, 59), -1);
  EXPECT_EQ(MakeLocalTime(2038, 1, 19, 3, 14, 7), INT32_MAX);
  EXPECT_EQ(MakeLocalTime(2038, 1, 19, 3, 14, 8), -1);
}

TEST(FileTest, LineReaderSplitsAtLineFeedsAcrossRefills) {
  using Lines = std::vector<std::string>;
  const std::string big(150000, 'q');
  const std::pair<std::string, Lines> cases[] = {
      {"", {}}, {"a", {"a"}}, {"\n\na\r\n", {"", "", "a\r"}}, {big + "\n\n" + big, {big, "", big}}};
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text.substr(0, 8));
    MemorySource source(text);
    LineReader reader(source);
    Lines lines;
    std::string line;
    std::string_view view;
    // Both forms of Next, taking turns.
    while (lines.size() % 2 == 0 ? reader.Next(line) : (reader.Next(view) && (line = view, true)))
      lines.push_back(line);
    EXPECT_EQ(lines, expected);
  }
}

}  // namespace
}  // namespace pim::platform
