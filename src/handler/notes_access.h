// The Notes calls that several entry points share: the calendar and the contact database as
// the settings name them, and the retrieval range.
#pragma once

#include "handler/module_state.h"
#include "notesapi/lncalendar.h"
#include "notesapi/lndatabase.h"

namespace pim::handler {

// The calendar entries of 1990/1/1 to 2020/1/1 (the calendar must outlive them).
void GetRetrievalEntries(notes::LNCalendar& calendar, notes::LNCalendarEntryArray& entries);

// The calendar named by the Notes strings, as the session gives it.
void GetCalendar(ModuleState& state, notes::LNCalendar& calendar);

// The contact database named by the Notes strings, opened.
void OpenContactDatabase(ModuleState& state, notes::LNDatabase& database);

bool IsPersonForm(const notes::LNString& form);

}  // namespace pim::handler
