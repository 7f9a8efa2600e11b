#include "vobject/vdatetime.h"

#include <cstdio>

#include "platform/local_time.h"
#include "platform/text.h"

namespace pim {

std::string FormatVDateTime(int32_t time) {
  platform::LocalParts parts;
  if (!platform::BreakDownLocal(time, parts)) parts = {1970, 1, 1, 0, 0, 0, 4};
  char text[64];
  std::snprintf(text, sizeof text, "%04d%02d%02dT%02d%02d%02dZ", parts.year, parts.month, parts.day,
                parts.hour, parts.minute, parts.second);
  return text;
}

bool ParseVDateTime(std::string_view text, int32_t& time) {
  text = platform::Trim(text);
  if (text.size() != 16) return false;
  const auto number = [text](size_t pos, size_t len) {
    return platform::StrToIntA(text.substr(pos, len));
  };
  time = platform::MakeLocalTime(number(0, 4), number(4, 2), number(6, 2), number(9, 2),
                                 number(11, 2), number(13, 2));
  return true;
}

}  // namespace pim
