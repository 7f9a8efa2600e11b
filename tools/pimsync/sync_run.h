// One whole sync run, driven as a real host drives it, with the fake phone playing the phone:
// the handler and the fake phone are two instances of the library, in two processes, each
// reached only through its exported C functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "gammu_phone.h"
#include "handler_library.h"
#include "notes/sync_scope.h"
#include "run_history.h"

namespace pim::cli {

// The to-dos a run takes unless told otherwise: every day a phone's date form carries from
// 1990 on.
inline constexpr CalendarRange kHostCalendarRange = {{1990, 1, 1}, {2037, 12, 31}};

// A side that holds fewer records than this is not held to a percentage of --max-delete.
inline constexpr size_t kGuardedFrom = 10;

struct SyncOptions {
  std::string contacts_db;
  std::string calendar_db;  // empty: the contact database
  std::string phone_db;     // the fake phone's database; empty with gammu
  std::string store;
  bool gammu = false;  // a real phone through libgammu
  GammuOptions gammu_options;
  int32_t mode = kDefaultSyncMode;
  // The fake phone holds whatever it is given; -1: the real phone's capacity.
  int32_t contact_limit = INT32_MAX;
  int32_t calendar_limit = INT32_MAX;
  CalendarRange todo_range = kHostCalendarRange;
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
  bool quiet = false;  // looks taken, but nothing printed but messages
};

// Sets the days whose to-dos the library takes.
void SetTodoRange(HandlerLibrary& library, const CalendarRange& range);
// The range as --todo-range takes it: FROM..TO.
std::string RangeText(const CalendarRange& range);

// Runs the sync and prints the report. 0 only when every entry point returned 0.
int RunSync(SyncOptions options);

}  // namespace pim::cli
