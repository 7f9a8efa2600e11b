// A to-do on the Notes side is an entry of the Notes calendar. These turn an entry into a
// calendar record merged into the store, and a record back into an entry.
#pragma once

#include <cstdint>

#include "notesapi/lncalendar.h"
#include "notesapi/lndatetime.h"
#include "records/cal_entry_object.h"

namespace pim {

// The Notes date-time of a time value's local wall-clock parts; hundredths are 0.
void LocalTimeToNotes(notes::LNDatetime& datetime, int32_t time);

// The range of an entry made for a to-do new on the phone. A to-do may come without a start
// or an end: it then takes the other one, and lacking both it is dated to the start of today.
void RangeOfNewTodo(const CCalEntryObject& record, notes::LNDatetimeRange& range);

// Builds a record from an open entry and merges it like a Person document: into the record
// with the same note ID nearest the end (through a fresh Notes delta) or appended as added in
// Notes. An entry whose start and end fall on different local days is declined (false,
// nothing done, nothing traced).
bool ReadCalendarEntry(CalendarArray& records, notes::LNCalendarEntry& entry);

// Writes the record's present fields into the open entry, then computes and saves it. The
// range (and the alarm time, its end) is written only when both start and end are present.
void WriteCalendarEntry(notes::LNCalendarEntry& entry, const CCalEntryObject& record);

}  // namespace pim
