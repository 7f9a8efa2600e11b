#include "run_checks.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace pim::cli {
namespace {

bool IsDatabase(const RunFile& file) {
  return std::strcmp(file.option, "--store") != 0;
}

bool IsNotes(const RunFile& file) {
  return IsDatabase(file) && std::strcmp(file.option, "--phone") != 0;
}

std::string Named(const RunFile& file) {
  return file.path + " (" + file.option + ")";
}

// The first message box of the store check, kept for the refusal.
std::string g_store_box;

int KeepFirstBox(void*, const char* text, const char*, unsigned int) {
  if (g_store_box.empty() && text != nullptr) g_store_box = text;
  return 1;
}

}  // namespace

void CheckDistinctFiles(const std::vector<RunFile>& files) {
  std::vector<struct stat> seen(files.size());
  std::vector<bool> exists(files.size());
  for (size_t i = 0; i < files.size(); ++i) {
    exists[i] = ::stat(files[i].path.c_str(), &seen[i]) == 0;
    for (size_t j = 0; exists[i] && j < i; ++j) {
      if (!exists[j] || seen[j].st_ino != seen[i].st_ino || seen[j].st_dev != seen[i].st_dev) {
        continue;
      }
      const RunFile& a = files[j];
      const RunFile& b = files[i];
      if (IsNotes(a) && IsNotes(b)) continue;  // the contacts and the to-dos may share one
      const std::string both = a.path == b.path
                                   ? a.path + " is given as " + a.option + " and as " + b.option
                                   : Named(a) + " and " + Named(b) + " are the same file";
      if (!IsDatabase(a) || !IsDatabase(b)) {
        throw RunRefused(both + ": the run would write the store over a database. Nothing was " +
                         "changed; give --store a file of its own.");
      }
      throw RunRefused(both + ": the phone would sync with Notes in the same database and every " +
                       "record would be added again on each run. Nothing was changed; give " +
                       "--phone a database of its own.");
    }
  }
}

void CheckStoreReadsWhole(HandlerLibrary& library, const std::string& store) {
  struct stat st {};
  if (::stat(store.c_str(), &st) != 0 && errno == ENOENT) return;
  g_store_box.clear();
  PIM_ENTRY(library, PIMPlatform_SetMessageBoxHook)(&KeepFirstBox);
  PIM_ENTRY(library, PIMPlatform_SetDebugOutputHook)(nullptr);
  const int32_t result = PIM_ENTRY(library, PIMHandler_DumpSyncObjectStore)(store.c_str());
  PIM_ENTRY(library, PIMPlatform_SetMessageBoxHook)(nullptr);
  if (result == 0) return;
  const std::string keep =
      " Nothing was changed. Put back a good copy of the store; a run without it, or with what "
      "is left of it, would add again on each side every record it pairs.";
  if (result == 2) throw RunRefused("the store " + store + " is not a sync store." + keep);
  if (!g_store_box.empty()) {
    throw RunRefused("the store " + store + " cannot be read: " + g_store_box + keep);
  }
  throw RunRefused("the store " + store + " is damaged: it ends or breaks before its last record." +
                   keep);
}

DatabaseLocks::DatabaseLocks(const std::vector<RunFile>& databases) {
  std::vector<struct stat> locked;
  for (const RunFile& database : databases) {
    const int fd = ::open(database.path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;  // none yet: the run says so where it opens it
    fds_.push_back(fd);
    // flock knows open files, not paths: the contacts and the to-dos in one database are
    // locked once.
    struct stat st {};
    if (::fstat(fd, &st) != 0) continue;
    bool held = false;
    for (const struct stat& other : locked)
      held = held || (other.st_ino == st.st_ino && other.st_dev == st.st_dev);
    if (held) continue;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      Release();
      throw RunRefused(Named(database) + " is in use by another pimsync run. Nothing was " +
                       "changed; try again when that run has ended.");
    }
    locked.push_back(st);
  }
}

void DatabaseLocks::Release() {
  for (const int fd : fds_)
    ::close(fd);
  fds_.clear();
}

DatabaseLocks::~DatabaseLocks() {
  Release();
}

}  // namespace pim::cli
