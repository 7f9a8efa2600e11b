#include "platform/local_time.h"

#include <climits>
#include <cstdlib>
#include <ctime>
#include <string>

namespace pim::platform {
namespace {

int64_t FloorDiv(int64_t a, int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// Days since 1970-01-01 of a proleptic Gregorian date (month 1 to 12).
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
  year -= month <= 2;
  const int64_t era = FloorDiv(year, 400);
  const int64_t year_of_era = year - era * 400;
  const int64_t day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

// The wall-clock parts of a count of seconds since 1970-01-01 00:00 of the wall clock.
std::tm CivilFromSeconds(int64_t seconds) {
  const int64_t days = FloorDiv(seconds, 86400);
  const int64_t rest = seconds - days * 86400;
  const int64_t z = days + 719468;
  const int64_t era = FloorDiv(z, 146097);
  const int64_t day_of_era = z - era * 146097;
  const int64_t year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const int64_t day_of_year =
      day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const int64_t mp = (5 * day_of_year + 2) / 153;
  const int64_t day = day_of_year - (153 * mp + 2) / 5 + 1;
  const int64_t month = mp < 10 ? mp + 3 : mp - 9;
  const int64_t year = year_of_era + era * 400 + (month <= 2);
  std::tm tm{};
  tm.tm_year = static_cast<int>(year - 1900);
  tm.tm_mon = static_cast<int>(month - 1);
  tm.tm_mday = static_cast<int>(day);
  tm.tm_hour = static_cast<int>(rest / 3600);
  tm.tm_min = static_cast<int>(rest / 60 % 60);
  tm.tm_sec = static_cast<int>(rest % 60);
  tm.tm_isdst = -1;
  return tm;
}

std::time_t MkTime(std::tm tm) {
  return std::mktime(&tm);
}

// mktime is slow, and far slower without TZ (the zone file is looked at on every call). Within
// one hour of the wall clock the local offset is the same in every zone whose changes fall on
// the hour, so the offset mktime gives for the start of an hour serves the whole hour; an
// hour in which mktime does not run straight from its start to its end is not cached.
class OffsetCache {
 public:
  // The offset (wall clock minus time value) of the wall-clock hour `hour`, or false.
  bool Find(int64_t hour, int64_t& offset) {
    CheckZone();
    Entry& entry = entries_[static_cast<size_t>(hour) & (kEntries - 1)];
    if (!entry.valid || entry.hour != hour) {
      const std::time_t start = MkTime(CivilFromSeconds(hour * 3600));
      const std::time_t end = MkTime(CivilFromSeconds(hour * 3600 + 3599));
      if (start == -1 || end - start != 3599) return false;
      entry = {hour, hour * 3600 - static_cast<int64_t>(start), true};
    }
    offset = entry.offset;
    return true;
  }

 private:
  static constexpr size_t kEntries = 1024;
  struct Entry {
    int64_t hour = 0;
    int64_t offset = 0;
    bool valid = false;
  };

  // A changed TZ makes every cached offset wrong.
  void CheckZone() {
    const char* tz = std::getenv("TZ");
    const bool has_tz = tz != nullptr;
    if (has_tz == has_tz_ && (!has_tz || zone_ == tz)) return;
    has_tz_ = has_tz;
    zone_ = has_tz ? tz : "";
    for (Entry& entry : entries_)
      entry.valid = false;
  }

  Entry entries_[kEntries];
  bool has_tz_ = false;
  std::string zone_;
};

}  // namespace

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
  // Out-of-range parts carry over as mktime carries them: the 31st of April is the 1st of May.
  const int64_t months = static_cast<int64_t>(month) - 1;
  const int64_t wall =
      (DaysFromCivil(year + FloorDiv(months, 12), months - FloorDiv(months, 12) * 12 + 1, 1) +
       (static_cast<int64_t>(day) - 1)) *
          86400 +
      static_cast<int64_t>(hour) * 3600 + static_cast<int64_t>(minute) * 60 + second;
  static OffsetCache cache;
  int64_t offset = 0;
  int64_t t = -1;
  if (cache.Find(FloorDiv(wall, 3600), offset)) {
    t = wall - offset;
  } else {
    if (year < INT_MIN + 1900) return -1;  // year - 1900 would overflow
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    t = std::mktime(&tm);
  }
  if (t < 0 || t > INT32_MAX) return -1;
  return static_cast<int32_t>(t);
}

}  // namespace pim::platform
