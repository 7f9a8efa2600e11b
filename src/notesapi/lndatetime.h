#pragma once

#include <vector>

#include "notesapi/lnglobal.h"

namespace pim::notes {

// What a date-time holds.
enum LNDATETIMESTATE : int32_t {
  LNDATETIMESTATE_INVALID = 0,
  LNDATETIMESTATE_DATE_ONLY = 1,
  LNDATETIMESTATE_TIME_ONLY = 2,
  LNDATETIMESTATE_DATE_AND_TIME = 3,  // the only state the handler converts
};

// A local wall-clock date and/or time, to the hundredth of a second.
class LNDatetime {
 public:
  LNDatetime() = default;
  // A date from text in the form "2005/7/1" (year/month/day, no time): state DATE_ONLY.
  // Text that makes no valid date fails with LNERR_BAD_DATETIME (throwing mode) or leaves the
  // date-time INVALID.
  explicit LNDatetime(const LNString& text);

  int GetYear() const { return year_; }
  int GetMonth() const { return month_; }  // 1 to 12
  int GetDay() const { return day_; }
  int GetHour() const { return hour_; }
  int GetMinute() const { return minute_; }
  int GetSecond() const { return second_; }
  int GetHundredth() const { return hundredth_; }
  LNDATETIMESTATE GetState() const { return static_cast<LNDATETIMESTATE>(state_); }

  // Each adds its half to the state.
  LNSTATUS SetDate(int month, int day, int year);
  LNSTATUS SetTime(int hour, int minute, int second, int hundredth);

  // "YYYY-MM-DD HH:MM:SS" for both, "YYYY-MM-DD" or "HH:MM:SS" for one half, "" if invalid.
  LNString GetText() const;

  friend bool operator==(const LNDatetime&, const LNDatetime&) = default;

 private:
  int year_ = 0, month_ = 0, day_ = 0, hour_ = 0, minute_ = 0, second_ = 0, hundredth_ = 0;
  int32_t state_ = LNDATETIMESTATE_INVALID;
};

class LNDatetimeRange {
 public:
  LNSTATUS SetBegin(const LNDatetime& begin);
  LNSTATUS SetEnd(const LNDatetime& end);
  const LNDatetime& GetBegin() const { return begin_; }
  const LNDatetime& GetEnd() const { return end_; }
  // The range in the default format: the begin's text, " - ", the end's text.
  LNString GetText() const;

 private:
  LNDatetime begin_;
  LNDatetime end_;
};

}  // namespace pim::notes
