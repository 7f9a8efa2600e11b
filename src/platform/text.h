// Text services of the platform as the handler relies on them: decimal conversion, the
// case-insensitive compare of the system code page, white-space trimming, and the conversion
// of UTF-16 text into the code page (UTF-8 here).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pim::platform {

// Optional white space, an optional sign, then decimal digits up to the first other character;
// 0 when there are none. Overflow wraps around silently instead of trapping.
int32_t StrToIntA(std::string_view text);

// Case-insensitive compare that is safe for multi-byte text: ASCII letters fold, every byte
// from 0x80 up compares exactly. Negative, zero or positive like strcmp.
int CompareNoCase(std::string_view a, std::string_view b);
bool EqualsNoCase(std::string_view a, std::string_view b);

// The white space that Trim removes: blank, tab, line feed, vertical tab, form feed, return.
constexpr bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
std::string_view Trim(std::string_view text);

// Converts UTF-16 code units to the system code page (UTF-8); an unpaired surrogate becomes
// U+FFFD.
std::string Utf16ToCodePage(std::u16string_view units);

}  // namespace pim::platform
