// Emptying the Notes side of a sync.
#pragma once

#include "notes/notes_side.h"

namespace pim {

// Deletes every to-do a sync takes from the calendar and every Person document.
void PurgeNotes(notes::LNNotesSession& session, const NotesNames& names,
                const CalendarRange& range);

}  // namespace pim
