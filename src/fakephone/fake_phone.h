// Fake-phone mode: the library plays the phone's side, with the Notes databases of the
// settings as the phone's memory and each note's ID, in decimal, as its LUID. It reads and
// writes exactly the texts a real phone exchanges with the handler.
#pragma once

#include <cstdint>
#include <string>

#include "notes/notes_side.h"

namespace pim {

// The phone's record files: every contact to `contact_file` and every to-do to `calendar_file`
// as the handler would retrieve them; an empty path leaves its kind out. A Notes failure
// throws; a file that cannot be written gives 1, with no report: the phone tells the host only
// through the result.
int32_t WritePhoneFiles(notes::LNNotesSession& session, const NotesNames& names,
                        const CalendarRange& range, const std::string& contact_file,
                        const std::string& calendar_file);

// Applies a change file to the phone's memory and answers each record added with its LUID.
// Failures throw; what was applied before one stays, and is answered.
void ApplyCardChanges(notes::LNNotesSession& session, const NotesNames& names,
                      const std::string& change_file, const std::string& answer_file);
void ApplyTodoChanges(notes::LNNotesSession& session, const NotesNames& names,
                      const std::string& change_file, const std::string& answer_file);

// The records of a store file as the phone's record files; 2 for a file whose first word is
// not the LUID mode.
int32_t DumpStoreAsPhoneFiles(const std::string& store_path, const std::string& contact_file,
                              const std::string& calendar_file);

}  // namespace pim
