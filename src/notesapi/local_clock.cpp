#include "notesapi/local_clock.h"

#include <ctime>

namespace pim::notes::detail {

LNDatetime CurrentLocalDatetime() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  std::tm parts{};
  LNDatetime datetime;
  if (::localtime_r(&now.tv_sec, &parts) == nullptr) return datetime;
  datetime.SetDate(parts.tm_mon + 1, parts.tm_mday, parts.tm_year + 1900);
  // A leap second shows as :60, which a Notes time cannot hold.
  datetime.SetTime(parts.tm_hour, parts.tm_min, parts.tm_sec < 60 ? parts.tm_sec : 59,
                   static_cast<int>(now.tv_nsec / 10'000'000));
  return datetime;
}

}  // namespace pim::notes::detail
