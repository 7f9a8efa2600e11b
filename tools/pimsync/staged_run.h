// A run that changes all of its files or none. The run works on copies made beside the files
// (NAME.pimsync-run); when it has ended well, a journal beside the store lists the copies and
// the files they replace (or the files it removes), and the copies are renamed over them. A run
// that stops before the journal is written leaves the files as they were, and the next run
// removes its copies; one that stops after it leaves the journal, and the next run finishes the
// renames first.
#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

#include "run_checks.h"

namespace pim::cli {

// What a commit does to one file: puts the copy in its place, or removes it (no copy).
struct Replacement {
  std::string copy;
  std::string original;  // as written to: symbolic links followed
};

class StagedRun {
 public:
  // Finishes the renames of a run on `store` that was stopped after it had committed (true:
  // then the files are that run's result), or removes the copies of `files` that one stopped
  // before left. Call it holding the locks, before any copy of this run is made.
  static bool Recover(const std::string& store, const std::vector<std::string>& files);

  // Whether a run on `store` was stopped after it had committed (Recover would finish it).
  static bool Interrupted(const std::string& store);

  // Copies the existing files (a missing one stays missing: the run meets it as it is), beside
  // them, or into `folder` for a run that will not be put in place. The journal goes beside
  // `store`.
  StagedRun(const std::string& store, const std::vector<RunFile>& files,
            const std::string& folder = "");
  // Removes the copies unless committed.
  ~StagedRun();
  StagedRun(const StagedRun&) = delete;
  StagedRun& operator=(const StagedRun&) = delete;

  // The path the run works on in place of `path` (one of the files given).
  std::string PathFor(const std::string& path) const;

  // A new file to be put at `path` (symbolic links followed) with the others.
  void Add(const std::string& path, const std::string& bytes, mode_t mode);
  // The file `kept` (and the log kept beside it as KEPT-wal, if any) to be put at `path`.
  void Restore(const std::string& path, const std::string& kept);
  // `path` to be removed with the changes.
  void Delete(const std::string& path);

  // Makes the copies final (what SQLite left in a log goes into its file); the replacements
  // Commit will make.
  const std::vector<Replacement>& Seal();
  // Puts the copies on the disk, with `synced` (files or folders the caller wrote for the
  // change), and makes the replacements as one change, with `also` (a file or folder the caller
  // made for the change, renamed as the copies are).
  void Commit(const Replacement* also = nullptr, const std::vector<std::string>& synced = {});

 private:
  std::vector<Replacement> copies_;
  std::vector<Replacement> sealed_;
  std::vector<std::pair<std::string, size_t>> given_;  // each path given, and its copy
  std::string journal_;
  bool committed_ = false;
};

// The folder where a run keeps what it exchanges, or makes its copies when they will not be put
// in place: `keep` when given, else a temporary folder removed with the object.
class ExchangeDir {
 public:
  explicit ExchangeDir(const std::string& keep);
  ~ExchangeDir();
  ExchangeDir(const ExchangeDir&) = delete;
  ExchangeDir& operator=(const ExchangeDir&) = delete;
  const std::string& path() const { return path_; }

 private:
  bool keep_;
  std::string path_;
};

// A new file at `path` with `bytes` and the permission bits `mode`; `synced` puts it on the disk
// before it returns.
void WriteNewFile(const std::string& path, const std::string& bytes, mode_t mode,
                  bool synced = false);

// Whether the write-ahead log beside a database holds what is not yet in its file.
bool LogHolds(const std::string& database);

// A new file at `to` with the bytes, the permission bits and (where this process may give it)
// the owner of the file at `from`.
void CopyFileAs(const std::string& from, const std::string& to);

// Makes the renames and removals in a folder last: a journal that says they happened must not
// outlive them after a crash.
void SyncFolder(const std::string& folder);

// A point at which a test build may kill the run (a file written, renamed or removed); nothing
// in other builds.
void KillPoint();

}  // namespace pim::cli
