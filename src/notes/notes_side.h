// The Notes side of a sync: the contact database and the calendar that the settings name, the
// to-dos a sync takes from the calendar, and the reading of both into the store.
#pragma once

#include "notes/sync_scope.h"
#include "notesapi/lncalendar.h"
#include "notesapi/lndatabase.h"
#include "notesapi/lnsession.h"
#include "records/cal_entry_object.h"
#include "records/contact_object.h"

namespace pim {

// The Notes names as the Notes calls receive them.
struct NotesNames {
  notes::LNString contact_db_path;
  notes::LNString contact_db_server;
  notes::LNString calendar_first_name;
  notes::LNString calendar_second_name;
};

// The calendar the names give, as the session gives it.
void GetCalendar(notes::LNNotesSession& session, const NotesNames& names,
                 notes::LNCalendar& calendar);
// The contact database the names give, opened.
void OpenContactDatabase(notes::LNNotesSession& session, const NotesNames& names,
                         notes::LNDatabase& database);

// The entries a sync takes from the calendar: those that start in the range's days (the
// calendar must outlive them).
void GetSyncedEntries(notes::LNCalendar& calendar, const CalendarRange& range,
                      notes::LNCalendarEntryArray& entries);

// Merges every to-do of the synced entries into `todos` and every Person document into
// `contacts`, in that order; a null array is not read.
void ReadNotes(notes::LNNotesSession& session, const NotesNames& names, const CalendarRange& range,
               CalendarArray* todos, ContactArray* contacts);

}  // namespace pim
