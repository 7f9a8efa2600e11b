// A to-do on the Notes side is an entry of the Notes calendar. These turn an entry into a
// calendar record merged into the store, and a record back into an entry.
#pragma once

#include <cstdint>
#include <memory>

#include "notesapi/lncalendar.h"
#include "notesapi/lndatetime.h"
#include "records/cal_entry_object.h"

namespace pim {

// The Notes date-time of a time value's local wall-clock parts; hundredths are 0.
void LocalTimeToNotes(notes::LNDatetime& datetime, int32_t time);

// The range of an entry made for a to-do new on the phone. A to-do may come without a start
// or an end: it then takes the other one, and lacking both it is dated to the start of today.
void RangeOfNewTodo(const CCalEntryObject& record, notes::LNDatetimeRange& range);

// The record of an open entry, traced; null for an entry whose start and end fall on different
// local days (nothing traced then). NoteIdMerge merges it into the store.
std::unique_ptr<CCalEntryObject> ReadCalendarEntry(notes::LNCalendarEntry& entry);

// Writes the record's present fields into the open entry, then computes and saves it. The
// range (and the alarm time, its end) is written only when both start and end are present.
void WriteCalendarEntry(notes::LNCalendarEntry& entry, const CCalEntryObject& record);

// Creates the to-do entry of a record new on the phone, which takes the new note's ID at once,
// so that a failure while the entry is written still leaves it paired. The record's summary,
// start and end go into the new entry and are then marked absent. False when the calendar
// made no entry (without throwing).
bool CreateTodoEntry(notes::LNCalendar& calendar, CCalEntryObject& record);
// Writes the record into the entry with the ID; nothing when there is none (without throwing).
void RewriteCalendarEntry(notes::LNCalendar& calendar, notes::NOTEID id,
                          const CCalEntryObject& record);

}  // namespace pim
