// The runs kept for undo, in STORE.history/ beside the store (symbolic links followed). Each
// run that changes the files keeps them as they were before it in a folder of its own, named by
// its number, with a text file "run" that says what the run was, what it changed, and what each
// file was after it. A file the run replaced is kept as a hard link to it (it costs no copy: the
// run put a new file in its place), or copied where the file system allows no link.
//
// An entry is made under a name of its own (.new-N) and renamed by the run's commit, with the
// run's files: a run stopped before its commit leaves no entry, and one stopped after it leaves
// one that the next run finishes.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "notes_snapshot.h"
#include "staged_run.h"

namespace pim::cli {

inline constexpr int32_t kDefaultKeptRuns = 10;

// What a run changed on each side, when it looked.
struct RunChanges {
  bool counted = false;
  Changes contacts_notes, contacts_phone, todos_notes, todos_phone;
};

// A file of a run: as it was before (kept in the entry) and after it.
struct KeptFile {
  std::string role;    // the option that named it ("--contacts", "--store", ...) or "check"
  std::string path;    // absolute, as written to
  bool kept = false;   // the file was there before the run
  bool after = false;  // the file was there after the run, as this:
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  int64_t modified_ns = 0;
};

struct HistoryEntry {
  std::string folder;  // the entry's path
  std::string name;    // the run's number
  std::string kind;    // "sync", "undo" or "purge"
  int64_t time = 0;    // seconds since 1970
  std::string undid;   // of an undo: the number of the run it undid
  RunChanges changes;
  std::vector<KeptFile> files;

  // Where the file of index `i` is kept (with its log, if any, as PATH-wal).
  std::string KeptPath(size_t i) const { return folder + "/" + std::to_string(i); }
  // The files that changed since the run (a file there now that was not, or one that is not
  // the one the run left: another inode, size or time, or a log not yet in it).
  std::vector<std::string> ChangedSince() const;
};

// The folder of the runs kept for `store`.
std::string HistoryFolder(const std::string& store);

// The entries kept for `store`, oldest first; each is read whole or not at all.
std::vector<HistoryEntry> ListHistory(const std::string& store);

// Removes what a stopped run left in the history folder: an entry it had not committed, or one
// it was removing.
void TidyHistory(const std::string& store);

// Each file of a run by the path it is written at, and the store's check file.
std::map<std::string, std::string> RolesOf(const std::vector<RunFile>& files);

// Seals `staged`, keeps the files it replaces as an entry of `kind` (unless `keep` is 0), and
// commits it. `roles` names each file of the run by the path it is written at. Then keeps the
// last `keep` entries.
void CommitKept(StagedRun& staged, const std::string& store, const std::string& kind,
                const std::map<std::string, std::string>& roles, const RunChanges& changes,
                int32_t keep, const std::string& undid = "");

// A date and time as pimsync prints them: local time, "2026-12-07 13:45:02".
std::string LocalTimeText(int64_t time);

}  // namespace pim::cli
