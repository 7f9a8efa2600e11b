#include "platform/local_time.h"

#include <climits>
#include <ctime>

namespace pim::platform {

bool BreakDownLocal(int32_t time, LocalParts& parts) {
  const std::time_t t = time;
  std::tm tm{};
  if (localtime_r(&t, &tm) == nullptr) return false;
  parts.year = tm.tm_year + 1900;
  parts.month = tm.tm_mon + 1;
  parts.day = tm.tm_mday;
  parts.hour = tm.tm_hour;
  parts.minute = tm.tm_min;
  parts.second = tm.tm_sec;
  parts.weekday = tm.tm_wday;
  return true;
}

int32_t MakeLocalTime(int year, int month, int day, int hour, int minute, int second) {
  if (year < INT_MIN + 1900) return -1;  // year - 1900 would overflow
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  const std::time_t t = std::mktime(&tm);
  if (t < 0 || t > INT32_MAX) return -1;
  return static_cast<int32_t>(t);
}

}  // namespace pim::platform
