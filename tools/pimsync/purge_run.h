// The purge of Notes, made safe for a person's records: it is tried on copies first, so that
// it can say exactly what it would delete, asks before it deletes (or wants --yes when no one
// is there to ask), and, given the store of the databases, is kept in its history like a run.
#pragma once

#include <cstdint>
#include <string>

#include "handler_library.h"
#include "run_history.h"
#include "sync_run.h"

namespace pim::cli {

struct PurgeOptions {
  std::string contacts_db;
  std::string calendar_db;  // empty: the contact database
  std::string store;        // empty: the purge is kept in no history, and done in place
  bool yes = false;         // delete without asking
  bool dry_run = false;     // say what would be deleted, and change nothing
  int32_t keep_history = kDefaultKeptRuns;
  CalendarRange todo_range = kHostCalendarRange;
};

// Runs the purge through `library`, whose message boxes the caller has hooked. 0 when it did
// what was asked (nothing deleted included, for a preview or nothing to delete), 1 when it was
// refused or declined or failed.
int RunPurge(HandlerLibrary& library, const PurgeOptions& options);

}  // namespace pim::cli
