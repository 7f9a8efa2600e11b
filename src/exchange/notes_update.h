// Carrying the phone's changes into Notes: documents created, updated and deleted by each
// record's phone-side state, and the records gone from both sides dropped from the store.
#pragma once

#include "notes/notes_side.h"

namespace pim {

// The to-dos first, then the contacts. A Notes failure ends the update where it happens; the
// arrays then hold every record not yet dropped, in their order.
void UpdateNotes(notes::LNNotesSession& session, const NotesNames& names, CalendarArray& todos,
                 ContactArray& contacts);

}  // namespace pim
