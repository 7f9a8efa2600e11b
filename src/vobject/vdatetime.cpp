#include "vobject/vdatetime.h"

#include <cstdio>

#include "platform/local_time.h"
#include "platform/text.h"

namespace pim {

namespace {

// Writes `value` as `digits` decimal digits, zero-padded, at `at`.
void PutDigits(char* at, int value, int digits) {
  for (int i = digits - 1; i >= 0; --i) {
    at[i] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
}

}  // namespace

void AppendVDateTime(std::string& out, int32_t time) {
  platform::LocalParts parts;
  if (!platform::BreakDownLocal(time, parts)) parts = {1970, 1, 1, 0, 0, 0, 4};
  if (parts.year < 0 || parts.year > 9999) {
    // Beyond four digits: the general form (a 32-bit time never gets here).
    char text[64];
    std::snprintf(text, sizeof text, "%04d%02d%02dT%02d%02d%02dZ", parts.year, parts.month,
                  parts.day, parts.hour, parts.minute, parts.second);
    out += text;
    return;
  }
  char text[16];
  PutDigits(text, parts.year, 4);
  PutDigits(text + 4, parts.month, 2);
  PutDigits(text + 6, parts.day, 2);
  text[8] = 'T';
  PutDigits(text + 9, parts.hour, 2);
  PutDigits(text + 11, parts.minute, 2);
  PutDigits(text + 13, parts.second, 2);
  text[15] = 'Z';
  out.append(text, sizeof text);
}

std::string FormatVDateTime(int32_t time) {
  std::string text;
  AppendVDateTime(text, time);
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
