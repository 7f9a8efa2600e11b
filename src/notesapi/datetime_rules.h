// What makes a date-time valid, shared by the date-time class, the stored-item codec and the
// administration tools that parse date-times.
#pragma once

namespace pim::notes::detail {

// Years outside these cannot be stored in the sortable form the database keys on.
inline constexpr int kMinYear = 1;
inline constexpr int kMaxYear = 9999;

// A day of the Gregorian calendar within the years above.
bool IsValidDate(int year, int month, int day);
// 00:00:00.00 to 23:59:59.99.
bool IsValidTime(int hour, int minute, int second, int hundredth);

}  // namespace pim::notes::detail
