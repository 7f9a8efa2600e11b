#include "platform/text.h"

#include <gtest/gtest.h>

namespace pim::platform {
namespace {

struct NumberCase {
  const char* text;
  int32_t expected;
};

void PrintTo(const NumberCase& c, std::ostream* os) {
  *os << '"' << c.text << '"';
}

class StrToIntATest : public testing::TestWithParam<NumberCase> {};

TEST_P(StrToIntATest, ReadsLeadingDecimalNumber) {
  EXPECT_EQ(StrToIntA(GetParam().text), GetParam().expected) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StrToIntATest,
    testing::Values(NumberCase{"7", 7}, NumberCase{"0042", 42}, NumberCase{"-1", -1},
                    NumberCase{"+15", 15}, NumberCase{"  \t12", 12}, NumberCase{"12abc", 12},
                    NumberCase{"", 0}, NumberCase{"abc", 0}, NumberCase{"-", 0},
                    NumberCase{" - 5", 0}, NumberCase{"1 2", 1},
                    NumberCase{"2147483647", 2147483647},
                    // No overflow trap: the value wraps around like 32-bit arithmetic.
                    NumberCase{"4294967295", -1}, NumberCase{"4294967306", 10}));

TEST(CompareNoCaseTest, FoldsAsciiLettersOnly) {
  EXPECT_TRUE(EqualsNoCase("Family", "fAMILY"));
  EXPECT_TRUE(EqualsNoCase("", ""));
  EXPECT_FALSE(EqualsNoCase("Family", "Famil"));
  EXPECT_FALSE(EqualsNoCase("a", "b"));
  // Bytes from 0x80 up compare exactly: Latin-1 letters are not folded, and UTF-8 text stays
  // intact (Ä and ä differ).
  EXPECT_FALSE(EqualsNoCase("\xC3\x84", "\xC3\xA4"));
  EXPECT_TRUE(
      EqualsNoCase("Gr\xC3\xBC\xC3\x9F"
                   "E",
                   "gr\xC3\xBC\xC3\x9F"
                   "e"));
  // The fold is to lower case: '_' (0x5F) sorts before 'z' and 'Z' alike.
  EXPECT_GT(CompareNoCase("Z", "_"), 0);
  EXPECT_LT(CompareNoCase("abc", "ABCD"), 0);
  EXPECT_GT(CompareNoCase("b", "A"), 0);
}

TEST(TrimTest, RemovesWhiteSpaceAtBothEnds) {
  EXPECT_EQ(Trim("  a b \t\r\n"), "a b");
  EXPECT_EQ(Trim(" \v\f "), "");
  EXPECT_EQ(Trim(""), "");
  EXPECT_EQ(Trim("\xA0x\xA0"), "\xA0x\xA0");  // no-break space is not white space here
}

TEST(Utf16ToCodePageTest, ConvertsToUtf8) {
  EXPECT_EQ(Utf16ToCodePage(u"hi"), "hi");
  EXPECT_EQ(Utf16ToCodePage(u"\u00E9\u20AC"), "\xC3\xA9\xE2\x82\xAC");
  EXPECT_EQ(Utf16ToCodePage(u"\U0001F600"), "\xF0\x9F\x98\x80");
}

TEST(Utf16ToCodePageTest, UnpairedSurrogateBecomesReplacementCharacter) {
  const char16_t lone_high[] = {u'a', 0xD83D, u'b', 0};
  const char16_t lone_low[] = {0xDE00, 0};
  const char16_t high_at_end[] = {u'x', 0xD83D, 0};
  EXPECT_EQ(Utf16ToCodePage(lone_high),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(Utf16ToCodePage(lone_low), "\xEF\xBF\xBD");
  EXPECT_EQ(Utf16ToCodePage(high_at_end), "x\xEF\xBF\xBD");
}

}  // namespace
}  // namespace pim::platform
