// A to-do's repetition on the Notes side lives in a few items of its calendar entry:
// "Repeats", "RepeatForUnit", "RepeatInterval", "RepeatAdjust" and "RepeatInstanceDates".
// Only simple rules travel: daily, weekly (on the start's weekday or on listed weekdays) and
// monthly, always every one unit.
#pragma once

#include "notesapi/lnnote.h"
#include "records/cal_entry_object.h"

namespace pim {

// Reads the rule. `start_weekday` runs from 1 (Sunday) to 7 (Saturday): a weekly rule whose one
// listed day is the start's weekday is plain weekly. Returns false only when "RepeatAdjust" is
// there but not text; the rule is then weekly on listed days with no day listed.
bool ReadRepeatRule(RepeatRule& rule, const notes::LNNote& entry, int start_weekday);

// Guesses a rule from the dates the entry occurs on: one day of the month over several months
// is monthly; every weekday is daily; two to six weekdays are weekly on those days. Anything
// else leaves the rule as it is.
void ReadRepeatInstanceDates(RepeatRule& rule, const notes::LNNote& entry);

// Writes the rule's items. Never deletes an item: what a rule does not write stays.
bool WriteRepeatRule(notes::LNNote& entry, const RepeatRule& rule);

}  // namespace pim
