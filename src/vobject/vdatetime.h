// The date-time form of the vCard and vCalendar texts: YYYYMMDDTHHMMSSZ holding local
// wall-clock time. The Z is written but means nothing; both directions use local time, so the
// pair round-trips on one machine.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pim {

// 16 characters. A time before 1970 (the reader gives -1 for a date it cannot represent) is
// rendered from its local breakdown all the same, a date in late 1969 or the first hours of
// 1970; reading that text back gives -1 again.
std::string FormatVDateTime(int32_t time);
// The same, appended to `out`.
void AppendVDateTime(std::string& out, int32_t time);

// False unless the trimmed text has exactly 16 characters. Characters 8 and 15 are not looked
// at. A date that a time value cannot represent (before 1970, after early 2038, no digits in
// the year) succeeds with the time -1.
bool ParseVDateTime(std::string_view text, int32_t& time);

}  // namespace pim
