// The commands that drive the handler library: a sync run, store dumps, the purge of Notes,
// the check that both sides agree, the demo, and the history of runs with their undo.
#pragma once

#include <span>
#include <string>

namespace pim::cli {

inline constexpr char kSyncSummary[] = "run one two-way sync with the fake phone";
inline constexpr char kDumpSummary[] = "show what a store file holds";
inline constexpr char kPurgeSummary[] = "delete every contact and to-do from Notes";
inline constexpr char kHistorySummary[] = "list the runs kept for undo";
inline constexpr char kUndoSummary[] = "put the files back as they were before the last run";
inline constexpr char kVerifySummary[] = "tell whether Notes and the phone agree";
inline constexpr char kDemoSummary[] = "set up sample databases and sync them";

// `args` are the arguments after the command's name. Each returns the exit status.
int RunSyncCommand(std::span<const std::string> args);
int RunDumpCommand(std::span<const std::string> args);
int RunPurgeCommand(std::span<const std::string> args);
int RunVerifyCommand(std::span<const std::string> args);
int RunDemoCommand(std::span<const std::string> args);
int RunHistoryCommand(std::span<const std::string> args);
int RunUndoCommand(std::span<const std::string> args);

}  // namespace pim::cli
