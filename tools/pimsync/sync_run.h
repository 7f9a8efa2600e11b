// One whole sync run, driven as a real host drives it, with the fake phone playing the phone:
// the handler and the fake phone are two instances of the library, in two processes, each
// reached only through its exported C functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "notes/sync_scope.h"
#include "run_history.h"

namespace pim::cli {

// A side that holds fewer records than this is not held to a percentage of --max-delete.
inline constexpr size_t kGuardedFrom = 10;

struct SyncOptions {
  std::string contacts_db;
  std::string calendar_db;  // empty: the contact database
  std::string phone_db;
  std::string store;
  int32_t mode = kDefaultSyncMode;
  int32_t contact_limit = kDefaultLimit;
  int32_t calendar_limit = kDefaultLimit;
  std::string keep_dir;  // empty: the exchanged files live in a temporary folder
  std::string library;   // empty: libpimhandler.so beside the binary
  bool debug = false;
  // A run that would delete more than this on either side is refused: a count, or a
  // percentage of what the side held, counted from kGuardedFrom records on.
  int32_t max_delete = 50;
  bool max_delete_percent = true;
  bool force = false;    // lifts that guard, and the refusal of an emptied side, once
  bool dry_run = false;  // the run on copies kept elsewhere, reported, and nothing put in place
  int32_t keep_history = kDefaultKeptRuns;  // the runs kept for undo
  bool report = true;  // false: no looks at the databases, nothing printed but messages
};

// Runs the sync and prints the report. 0 only when every entry point returned 0.
int RunSync(const SyncOptions& options);

}  // namespace pim::cli
