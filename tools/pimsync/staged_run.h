// A run that changes all of its files or none. The run works on copies made beside the files
// (NAME.pimsync-run); when it has ended well, a journal beside the store lists the copies and
// the files they replace, and the copies are renamed over them. A run that stops before the
// journal is written leaves the files as they were, and the next run removes its copies; one
// that stops after it leaves the journal, and the next run finishes the renames first.
#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

#include "run_checks.h"

namespace pim::cli {

class StagedRun {
 public:
  // Finishes the renames of a run on the same store that was stopped after it had committed
  // (true: then the files are that run's result), or removes the copies of one that stopped
  // before. Call it holding the locks, before any copy of this run is made.
  static bool Recover(const std::vector<RunFile>& files);

  // Whether a run on the same store was stopped after it had committed (Recover would finish
  // it).
  static bool Interrupted(const std::vector<RunFile>& files);

  // Copies the existing files (a missing one stays missing: the run meets it as it is), beside
  // them, or into `folder` for a run that will not be put in place.
  explicit StagedRun(const std::vector<RunFile>& files, const std::string& folder = "");
  // Removes the copies unless committed.
  ~StagedRun();
  StagedRun(const StagedRun&) = delete;
  StagedRun& operator=(const StagedRun&) = delete;

  // The path the run works on in place of `path` (one of the files given).
  std::string PathFor(const std::string& path) const;

  // A new file to be put at `path` (symbolic links followed) with the others.
  void Add(const std::string& path, const std::string& bytes, mode_t mode);

  // Replaces each file that has a copy by its copy, as one change.
  void Commit();

 private:
  struct Copy {
    std::string copy;
    std::string original;  // as written to: symbolic links followed
  };
  std::vector<Copy> copies_;
  std::vector<std::pair<std::string, size_t>> given_;  // each path given, and its copy
  std::string journal_;
  bool committed_ = false;
};

// A point at which a test build may kill the run (a file written, renamed or removed); nothing
// in other builds.
void KillPoint();

}  // namespace pim::cli
