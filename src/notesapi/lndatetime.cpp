#include "notesapi/lndatetime.h"

#include <cstdio>

#include "notesapi/call_guard.h"
#include "notesapi/datetime_rules.h"
#include "platform/text.h"

namespace pim::notes {
namespace {

// Reads 1 to 5 decimal digits at `pos`; false when there are none or too many to be a date part.
bool ReadNumber(std::string_view text, size_t& pos, int& value) {
  const size_t start = pos;
  value = 0;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && pos - start < 5) {
    value = value * 10 + (text[pos] - '0');
    ++pos;
  }
  return pos > start && (pos == text.size() || text[pos] < '0' || text[pos] > '9');
}

}  // namespace

namespace detail {

bool IsValidDate(int year, int month, int day) {
  if (year < kMinYear || year > kMaxYear || month < 1 || month > 12 || day < 1) return false;
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

bool IsValidTime(int hour, int minute, int second, int hundredth) {
  return hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60 &&
         hundredth >= 0 && hundredth < 100;
}

}  // namespace detail

LNDatetime::LNDatetime(const LNString& text) {
  const std::string_view trimmed = platform::Trim(text);
  size_t pos = 0;
  int year = 0, month = 0, day = 0;
  const bool parsed = ReadNumber(trimmed, pos, year) && pos < trimmed.size() &&
                      trimmed[pos++] == '/' && ReadNumber(trimmed, pos, month) &&
                      pos < trimmed.size() && trimmed[pos++] == '/' &&
                      ReadNumber(trimmed, pos, day) && pos == trimmed.size();
  if (!parsed || !detail::IsValidDate(year, month, day)) {
    detail::Fail(LNERR_BAD_DATETIME);
    return;
  }
  year_ = year;
  month_ = month;
  day_ = day;
  state_ = LNDATETIMESTATE_DATE_ONLY;
}

LNSTATUS LNDatetime::SetDate(int month, int day, int year) {
  if (!detail::IsValidDate(year, month, day)) return detail::Fail(LNERR_BAD_DATETIME);
  year_ = year;
  month_ = month;
  day_ = day;
  state_ |= LNDATETIMESTATE_DATE_ONLY;
  return LNNOERROR;
}

LNSTATUS LNDatetime::SetTime(int hour, int minute, int second, int hundredth) {
  if (!detail::IsValidTime(hour, minute, second, hundredth)) {
    return detail::Fail(LNERR_BAD_DATETIME);
  }
  hour_ = hour;
  minute_ = minute;
  second_ = second;
  hundredth_ = hundredth;
  state_ |= LNDATETIMESTATE_TIME_ONLY;
  return LNNOERROR;
}

LNString LNDatetime::GetText() const {
  char text[32];
  switch (GetState()) {
    case LNDATETIMESTATE_DATE_AND_TIME:
      std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", year_, month_, day_, hour_,
                    minute_, second_);
      return text;
    case LNDATETIMESTATE_DATE_ONLY:
      std::snprintf(text, sizeof text, "%04d-%02d-%02d", year_, month_, day_);
      return text;
    case LNDATETIMESTATE_TIME_ONLY:
      std::snprintf(text, sizeof text, "%02d:%02d:%02d", hour_, minute_, second_);
      return text;
    default:
      return {};
  }
}

LNSTATUS LNDatetimeRange::SetBegin(const LNDatetime& begin) {
  begin_ = begin;
  return LNNOERROR;
}

LNSTATUS LNDatetimeRange::SetEnd(const LNDatetime& end) {
  end_ = end;
  return LNNOERROR;
}

LNString LNDatetimeRange::GetText() const {
  return begin_.GetText() + " - " + end_.GetText();
}

}  // namespace pim::notes
