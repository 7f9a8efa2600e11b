#pragma once

#include <utility>
#include <vector>

#include "notesapi/lndatabase.h"
#include "notesapi/lndatetime.h"
#include "notesapi/lnnote.h"

namespace pim::notes {

inline constexpr int32_t LNCALENDARENTRYTYPE_TODO = 1;

// The items in which an entry keeps its fields. A note is an entry when it has a number item
// kEntryTypeItem; its start (the first value of kEntryStartItem) places it in the calendar.
inline constexpr char kEntryTypeItem[] = "$EntryType";       // numbers: the entry type
inline constexpr char kEntryStartItem[] = "StartDateTime";   // date-times: the range's begin
inline constexpr char kEntryEndItem[] = "EndDateTime";       // date-times: the range's end
inline constexpr char kEntryBriefItem[] = "Subject";         // text: the brief description
inline constexpr char kEntryAlarmItem[] = "$Alarm";          // numbers: 1 when the alarm is on
inline constexpr char kEntryAlarmTimeItem[] = "$AlarmTime";  // date-times: when it rings
// The form of a new entry: to-dos are tasks, every other type an appointment.
inline constexpr char kTodoForm[] = "Task";
inline constexpr char kAppointmentForm[] = "Appointment";

// A calendar entry is a document whose range, brief description, alarm flag and alarm time
// the stand-in keeps in items of its own.
class LNCalendarEntry : public LNDocument {
 public:
  LNCalendarEntry() = default;
  // Views a document as an entry: the entry calls work on it once it is open, when it has the
  // entry's items (administration tools read entries found among all documents this way).
  explicit LNCalendarEntry(const LNDocument& document) : LNDocument(document) {}
  explicit LNCalendarEntry(LNDocument&& document) : LNDocument(std::move(document)) {}
  // True when the open note carries the entry-type item of a calendar entry.
  static bool IsCalendarEntry(const LNNote& note);

  LNSTATUS GetDatetimeRange(LNDatetimeRange* range) const;
  LNSTATUS SetDatetimeRange(const LNDatetimeRange& range);
  LNSTATUS GetBriefDescription(LNString* brief) const;
  LNSTATUS SetBriefDescription(const LNString& brief);
  LNBOOL GetIsAlarmEnabled() const;
  LNSTATUS SetIsAlarmEnabled(LNBOOL enabled);
  LNSTATUS GetAlarmDatetime(LNDatetime* when) const;
  LNSTATUS SetAlarmDatetime(const LNDatetime& when);
  int32_t GetEntryType() const;
  LNSTATUS Save(uint32_t flags = 0, LNBOOL compute = TRUE);
};

class LNCalendarEntryArray {
 public:
  uint32_t GetCount() const { return static_cast<uint32_t>(entries_.size()); }
  LNCalendarEntry operator[](uint32_t i) const;

 private:
  friend class LNCalendar;
  std::vector<LNCalendarEntry> entries_;
};

// The calendar is the database at the path of the calendar's first name; it comes open from
// the session.
class LNCalendar : public LNDatabase {
 public:
  // The entries whose start date lies from the range's begin date to its end date, both days
  // included, in ascending start then note-ID order. Repeating entries come once.
  LNSTATUS GetEntries(const LNDatetimeRange& range, LNCalendarEntryArray* entries,
                      LNBOOL whole_days = TRUE, const LNString& reserved = "");
  // A new entry of that type, saved with its range and brief description; it stays open.
  LNSTATUS CreateEntry(const LNDatetimeRange& range, const LNString& brief, int32_t type,
                       LNCalendarEntry* entry);
};

}  // namespace pim::notes
