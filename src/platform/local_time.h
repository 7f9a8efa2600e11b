// Local-time conversions of the runtime: the time zone and daylight rule are those of TZ.
// Time values are 32-bit signed seconds since 1970-01-01 00:00 UTC.
#pragma once

#include <cstdint>

namespace pim::platform {

struct LocalParts {
  int year = 0;     // full year
  int month = 0;    // 1 to 12
  int day = 0;      // 1 to 31
  int hour = 0;     // 0 to 23
  int minute = 0;   // 0 to 59
  int second = 0;   // 0 to 60
  int weekday = 0;  // 0 Sunday to 6 Saturday
};

// Breaks a time value down into local wall-clock parts. False when the runtime cannot.
bool BreakDownLocal(int32_t time, LocalParts& parts);

// Builds the time value of local wall-clock parts, the runtime deciding whether daylight saving
// applies (mktime with a negative daylight flag); out-of-range parts are normalised as mktime
// does. A result that a 32-bit time value since 1970 cannot hold (before the epoch, after early
// 2038) yields -1.
int32_t MakeLocalTime(int year, int month, int day, int hour, int minute, int second);

}  // namespace pim::platform
