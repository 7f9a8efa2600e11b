#include "purge_run.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <vector>

#include "notes/sync_scope.h"
#include "notes_snapshot.h"
#include "run_checks.h"
#include "staged_run.h"
#include "sync_run.h"

namespace pim::cli {
namespace {

std::string Counted(size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

// Runs the library's purge on the databases at these paths.
void Purge(HandlerLibrary& library, const std::string& contacts, const std::string& calendar) {
  // The purge reads only the databases; the rest is what a sync starts from.
  PIM_ENTRY(library, PIMHandler_Prepare)
  (kDefaultSyncMode, kDefaultLimit, kDefaultLimit, contacts.c_str(), "", "", calendar.c_str(), "");
  const int32_t result = PIM_ENTRY(library, PIMHandler_PurgeAll)();
  if (result != 0) {
    throw std::runtime_error("the purge failed: PIMHandler_PurgeAll returned " +
                             std::to_string(result) + "; nothing was deleted");
  }
}

// Whoever is at the terminal says yes to `question`.
bool Confirmed(const std::string& question) {
  std::fprintf(stderr, "pimsync: %s [y/N] ", question.c_str());
  std::fflush(stderr);
  std::string answer;
  if (!std::getline(std::cin, answer)) return false;
  return answer == "y" || answer == "Y" || answer == "yes";
}

}  // namespace

int RunPurge(HandlerLibrary& library, const PurgeOptions& options) {
  const std::string calendar_db =
      options.calendar_db.empty() ? options.contacts_db : options.calendar_db;
  std::vector<RunFile> databases = {{"--contacts", options.contacts_db}};
  if (!options.calendar_db.empty()) databases.push_back({"--calendar", options.calendar_db});
  std::vector<RunFile> all = databases;
  const bool kept = !options.store.empty();
  if (kept) all.push_back({"--store", options.store});
  CheckDistinctFiles(all);
  CheckDatabasesExist(databases);
  std::optional<StoreLock> store_lock;
  if (kept) store_lock.emplace(options.store);
  DatabaseLocks locks(databases);
  if (kept && StagedRun::Interrupted(options.store)) {
    if (options.dry_run) {
      throw RunRefused("a run on " + options.store + " was stopped after it had committed its " +
                       "changes: run pimsync sync without --dry-run to put them in place first. " +
                       "Nothing was changed.");
    }
    std::vector<std::string> paths;
    for (const RunFile& file : all)
      paths.push_back(file.path);
    StagedRun::Recover(options.store, paths);
  }
  if (kept && !options.dry_run) TidyHistory(options.store);

  // Tried on copies: what they lose is what the purge deletes. Kept beside the databases when
  // they are to be put in place, else in a folder of their own.
  ExchangeDir folder("");
  const bool in_place = kept && !options.dry_run;
  StagedRun staged(kept ? options.store : options.contacts_db, databases,
                   in_place ? "" : folder.path());
  const std::string contacts = staged.PathFor(options.contacts_db);
  const std::string calendar = staged.PathFor(calendar_db);
  SetTodoRange(library, options.todo_range);
  const NotesSnapshot before = TakeSnapshot(contacts, calendar, options.todo_range);
  Purge(library, contacts, calendar);
  const NotesSnapshot after = TakeSnapshot(contacts, calendar, options.todo_range);
  RunChanges changes;
  changes.counted = true;
  changes.contacts_notes = Compare(before.contacts, after.contacts);
  changes.todos_notes = Compare(before.todos, after.todos);
  const std::string people = Counted(changes.contacts_notes.deleted, "contact", "contacts");
  const std::string todos = Counted(changes.todos_notes.deleted, "to-do", "to-dos");
  const std::string what =
      options.calendar_db.empty()
          ? people + " and " + todos + " from " + options.contacts_db
          : people + " from " + options.contacts_db + " and " + todos + " from " + calendar_db;

  if (options.dry_run) {
    std::printf("preview: the purge would delete %s; nothing was changed\n", what.c_str());
    return 0;
  }
  if (changes.contacts_notes.deleted + changes.todos_notes.deleted == 0) {
    std::printf("nothing to delete: %s\n", what.c_str());
    return 0;
  }
  const std::string undo = "'pimsync undo --store " + options.store + "' puts them back";
  const std::string afterwards =
      kept ? " Afterwards, " + undo + "."
           : " Nothing brings them back afterwards, unless you give --store: the purge is then "
             "kept in the store's history.";
  if (!options.yes) {
    if (::isatty(STDIN_FILENO) == 0) {
      throw RunRefused("the purge would delete " + what + ". Nothing was deleted; to delete " +
                       "them, run again with --yes." + afterwards);
    }
    if (!Confirmed("delete " + what + "?" + afterwards)) {
      std::printf("nothing was deleted\n");
      return 1;
    }
  }
  if (kept) {
    CommitKept(staged, options.store, "purge", RolesOf(databases), changes, options.keep_history);
  } else {
    Purge(library, options.contacts_db, calendar_db);
  }
  std::printf("deleted %s%s\n", what.c_str(), kept ? ("; " + undo).c_str() : "");
  return 0;
}

}  // namespace pim::cli
