// The commands that drive the handler library: a sync run, store dumps, the purge of Notes,
// and the demo.
#pragma once

#include <span>
#include <string>

namespace pim::cli {

inline constexpr char kSyncSummary[] = "run one two-way sync with the fake phone";
inline constexpr char kDumpSummary[] = "show what a store file holds";
inline constexpr char kPurgeSummary[] = "delete every contact and to-do from Notes";
inline constexpr char kDemoSummary[] = "set up sample databases and sync them";

// `args` are the arguments after the command's name. Each returns the exit status.
int RunSyncCommand(std::span<const std::string> args);
int RunDumpCommand(std::span<const std::string> args);
int RunPurgeCommand(std::span<const std::string> args);
int RunDemoCommand(std::span<const std::string> args);

}  // namespace pim::cli
