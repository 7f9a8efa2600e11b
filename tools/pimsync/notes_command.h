// `pimsync notes ...`: makes and edits the Notes stand-in databases that sync runs work on, and
// lists what they hold, for tests and for people looking into a run.
#pragma once

#include <span>
#include <string>

namespace pim::cli {

inline constexpr char kNotesSummary[] = "create, edit and list Notes databases";

// `args` are the arguments after "notes". Returns the exit status.
int RunNotesCommand(std::span<const std::string> args);

}  // namespace pim::cli
