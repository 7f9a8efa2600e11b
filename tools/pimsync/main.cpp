// pimsync: the command-line host. The first argument names the command; each command reads
// the rest of the arguments itself.
#include <cstdio>
#include <exception>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "command_line.h"
#include "notes_command.h"
#include "run_commands.h"

namespace {

struct Command {
  std::string_view name;
  std::string_view summary;
  int (*run)(std::span<const std::string> args);
};

constexpr Command kCommands[] = {
    {"sync", pim::cli::kSyncSummary, pim::cli::RunSyncCommand},
    {"demo", pim::cli::kDemoSummary, pim::cli::RunDemoCommand},
    {"verify", pim::cli::kVerifySummary, pim::cli::RunVerifyCommand},
    {"dump", pim::cli::kDumpSummary, pim::cli::RunDumpCommand},
    {"history", pim::cli::kHistorySummary, pim::cli::RunHistoryCommand},
    {"undo", pim::cli::kUndoSummary, pim::cli::RunUndoCommand},
    {"purge", pim::cli::kPurgeSummary, pim::cli::RunPurgeCommand},
    {"notes", pim::cli::kNotesSummary, pim::cli::RunNotesCommand},
};

void PrintUsage() {
  std::puts("usage: pimsync COMMAND [ARGUMENTS]\n\ncommands:");
  for (const Command& command : kCommands) {
    std::printf("  %-10s %s\n", std::string(command.name).c_str(),
                std::string(command.summary).c_str());
  }
  std::puts("\n'pimsync COMMAND --help' tells more about a command.");
}

int Run(const std::vector<std::string>& args) {
  if (args.empty()) {
    std::fputs("pimsync: a command is missing (see 'pimsync --help')\n", stderr);
    return pim::cli::kExitUsage;
  }
  if (args[0] == "--version") {
    std::puts("pimsync " PIMSYNC_VERSION);
    return std::fflush(stdout) == 0 ? pim::cli::kExitOk : pim::cli::kExitFailure;
  }
  if (args[0] == "help" && args.size() == 2) {
    // "pimsync help COMMAND" is "pimsync COMMAND --help".
    return Run({args[1], "--help"});
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    PrintUsage();
    return std::fflush(stdout) == 0 ? pim::cli::kExitOk : pim::cli::kExitFailure;
  }
  for (const Command& command : kCommands) {
    if (command.name == args[0]) return command.run(std::span(args).subspan(1));
  }
  std::fprintf(stderr, "pimsync: unknown command '%s' (see 'pimsync --help')\n", args[0].c_str());
  return pim::cli::kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pimsync: %s\n", e.what());
  } catch (...) {
    std::fputs("pimsync: unexpected failure\n", stderr);
  }
  return pim::cli::kExitFailure;
}
