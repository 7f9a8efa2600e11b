#include "staged_run.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <stdexcept>
#include <thread>

#include "notesapi/lndatabase.h"
#include "notesapi/lnsession.h"

namespace pim::cli {
namespace {

constexpr char kCopySuffix[] = ".pimsync-run";

[[noreturn]] void Fail(const std::string& what, const std::string& path) {
  throw std::runtime_error("cannot " + what + " " + path + ": " + std::strerror(errno));
}

std::string FolderOf(const std::string& path) {
  const std::string folder = std::filesystem::path(path).parent_path().string();
  return folder.empty() ? "." : folder;
}

// Puts what is written to a file on the disk.
void SyncFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) Fail("open", path);
  const int synced = ::fsync(fd);
  ::close(fd);
  if (synced != 0) Fail("write", path);
}

void Remove(const std::string& path) {
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) Fail("remove", path);
}

// A copy, with what SQLite may keep beside it.
void RemoveCopy(const std::string& copy) {
  for (const char* suffix : {"", "-wal", "-shm"})
    Remove(copy + suffix);
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

void WriteWhole(int fd, const std::string& bytes, const std::string& path) {
  for (size_t done = 0; done < bytes.size();) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) Fail("write", path);
    done += static_cast<size_t>(n);
  }
}

std::string ReadWhole(const std::string& path) {
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) Fail("read", path);
  return bytes;
}

void CopyDatabase(const std::string& original, const std::string& copy) {
  notes::LNSTATUS status = notes::LNNOERROR;
  try {
    status = notes::LNDatabase::CreateCopy(original, copy);
  } catch (notes::LNSTATUS thrown) {
    status = thrown;
  }
  if (status != notes::LNNOERROR) {
    char text[256];
    notes::LNGetErrorMessageText(status, text, sizeof text, 0);
    throw std::runtime_error("cannot copy " + original + " to " + copy + ": " + text);
  }
}

// Two connections that close at the same moment may each leave the write-ahead log to the
// other; the last one to close moves it into the file, so this one is made the last.
void SettleLog(const std::string& database) {
  const notes::LNBOOL throwing = notes::LNGetThrowAllErrorsGlobal();
  notes::LNSetThrowAllErrorsGlobal(notes::FALSE);
  notes::LNNotesSession session;
  notes::LNDatabase opened;
  if (session.Initialize() == notes::LNNOERROR &&
      session.GetDatabase(database, &opened) == notes::LNNOERROR) {
    opened.Open();
    opened.Close();
  }
  session.Term();
  notes::LNSetThrowAllErrorsGlobal(throwing);
}

std::string JournalOf(const std::string& store) {
  return WrittenPath(store) + ".journal";
}

// The journal: each copy (empty for a removal) and the file it replaces, separated by NULs.
std::string Encode(const std::vector<Replacement>& pairs) {
  std::string bytes;
  for (const auto& [copy, original] : pairs) {
    bytes += copy;
    bytes += '\0';
    bytes += original;
    bytes += '\0';
  }
  return bytes;
}

std::vector<Replacement> Decode(const std::string& bytes) {
  std::vector<std::string> parts;
  for (size_t begin = 0; begin < bytes.size();) {
    const size_t end = bytes.find('\0', begin);
    if (end == std::string::npos) break;  // a journal cut short was never renamed into place
    parts.push_back(bytes.substr(begin, end - begin));
    begin = end + 1;
  }
  std::vector<Replacement> pairs;
  for (size_t i = 0; i + 1 < parts.size(); i += 2)
    pairs.push_back({parts[i], parts[i + 1]});
  return pairs;
}

// Runs the tasks side by side (each waits on the disk) and rethrows the first failure when all
// have ended. Threads joined, not futures awaited: a run forks its phone after its copies are
// made, which must meet no thread of this process.
void SideBySide(const std::vector<std::function<void()>>& tasks) {
  std::vector<std::exception_ptr> failures(tasks.size());
  std::vector<std::thread> threads;
  for (size_t i = 0; i < tasks.size(); ++i) {
    threads.emplace_back([&, i] {
      try {
        tasks[i]();
      } catch (...) {
        failures[i] = std::current_exception();
      }
    });
  }
  for (std::thread& thread : threads)
    thread.join();
  for (const std::exception_ptr& failure : failures) {
    if (failure) std::rethrow_exception(failure);
  }
}

// Renames each copy that is still there over its file, and removes the files to be removed.
// The file's write-ahead log goes first: SQLite would read the old file's log into the new
// file. Run again after a crash, it goes on where it stopped.
void RenameCopies(const std::vector<Replacement>& pairs) {
  std::set<std::string> folders;
  for (const auto& [copy, original] : pairs) {
    if (copy.empty()) {
      RemoveCopy(original);
      KillPoint();
      folders.insert(FolderOf(original));
      continue;
    }
    if (!Exists(copy)) continue;  // renamed already
    Remove(original + "-wal");
    Remove(original + "-shm");
    KillPoint();
    if (::rename(copy.c_str(), original.c_str()) != 0) Fail("replace", original);
    KillPoint();
    folders.insert(FolderOf(original));
  }
  // What SQLite kept beside a copy goes too: empty (the commit checked it), and it must not meet
  // the next copy of that name.
  for (const Replacement& pair : pairs) {
    if (!pair.copy.empty()) RemoveCopy(pair.copy);
  }
  std::vector<std::function<void()>> syncs;
  for (const std::string& folder : folders)
    syncs.emplace_back([&folder] { SyncFolder(folder); });
  SideBySide(syncs);
}

}  // namespace

ExchangeDir::ExchangeDir(const std::string& keep) : keep_(!keep.empty()) {
  if (keep_) {
    std::filesystem::create_directories(keep);
    path_ = keep;
    return;
  }
  std::string pattern = (std::filesystem::temp_directory_path() / "pimsync.XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) Fail("create a temporary folder", pattern);
  path_ = pattern;
}

ExchangeDir::~ExchangeDir() {
  std::error_code ignored;
  if (!keep_) std::filesystem::remove_all(path_, ignored);
}

void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) Fail("open the folder", folder);
  const int synced = ::fsync(fd);
  ::close(fd);
  if (synced != 0) Fail("write the folder", folder);
}

void WriteNewFile(const std::string& path, const std::string& bytes, mode_t mode, bool synced) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  if (fd < 0) Fail("create", path);
  try {
    if (::fchmod(fd, mode) != 0) Fail("set the permissions of", path);
    WriteWhole(fd, bytes, path);
    if (synced && ::fsync(fd) != 0) Fail("write", path);
  } catch (...) {
    ::close(fd);
    throw;
  }
  if (::close(fd) != 0) Fail("write", path);
}

bool LogHolds(const std::string& database) {
  struct stat log {};
  return ::stat((database + "-wal").c_str(), &log) == 0 && log.st_size > 0;
}

void CopyFileAs(const std::string& from, const std::string& to) {
  struct stat st {};
  if (::stat(from.c_str(), &st) != 0) Fail("read", from);
  WriteNewFile(to, ReadWhole(from), st.st_mode & 07777);
  if (::chown(to.c_str(), st.st_uid, st.st_gid) != 0) {
    // Not this user's to give: the copy stays this user's, with the same permissions.
  }
}

bool StagedRun::Recover(const std::string& store, const std::vector<std::string>& files) {
  const std::string journal = JournalOf(store);
  Remove(journal + ".new");
  if (Exists(journal)) {
    RenameCopies(Decode(ReadWhole(journal)));
    Remove(journal);
    SyncFolder(FolderOf(journal));
    KillPoint();
    return true;
  }
  for (const std::string& file : files)
    RemoveCopy(WrittenPath(file) + kCopySuffix);
  return false;
}

bool StagedRun::Interrupted(const std::string& store) {
  return Exists(JournalOf(store));
}

StagedRun::StagedRun(const std::string& store, const std::vector<RunFile>& files,
                     const std::string& folder)
    : journal_(JournalOf(store)) {
  // The contacts and the to-dos may share one database, which is copied once.
  std::map<std::string, size_t> copy_of;
  std::vector<std::function<void()>> make;
  for (const RunFile& file : files) {
    const std::string original = WrittenPath(file.path);
    const std::string same = std::filesystem::weakly_canonical(original).string();
    if (const auto found = copy_of.find(same); found != copy_of.end()) {
      given_.emplace_back(file.path, found->second);
      continue;
    }
    const std::string copy =
        (folder.empty() ? original
                        : folder + "/" + std::to_string(copies_.size()) + "-" +
                              std::filesystem::path(original).filename().string()) +
        kCopySuffix;
    RemoveCopy(copy);  // a stale log beside a new copy would be read into it
    struct stat st {};
    if (::stat(original.c_str(), &st) != 0) {
      // A store not made yet is made as a copy; a database that is not there stays missing.
      if (!file.IsStore()) continue;
    } else if (!file.IsStore()) {
      make.emplace_back([=] {
        CopyDatabase(original, copy);
        KillPoint();
      });
    } else {
      make.emplace_back([=] {
        WriteNewFile(copy, ReadWhole(original), st.st_mode & 07777);
        KillPoint();
      });
    }
    copy_of.emplace(same, copies_.size());
    given_.emplace_back(file.path, copies_.size());
    copies_.push_back({copy, original});
  }
  try {
    SideBySide(make);
  } catch (...) {
    for (const Replacement& copy : copies_)
      RemoveCopy(copy.copy);
    throw;
  }
}

StagedRun::~StagedRun() {
  if (committed_) return;
  for (const Replacement& copy : copies_) {
    if (copy.copy.empty()) continue;
    try {
      RemoveCopy(copy.copy);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "pimsync: %s\n", e.what());
    }
  }
}

std::string StagedRun::PathFor(const std::string& path) const {
  for (const auto& [given, copy] : given_) {
    if (given == path) return copies_[copy].copy;
  }
  return path;
}

void StagedRun::Add(const std::string& path, const std::string& bytes, mode_t mode) {
  const std::string original = WrittenPath(path);
  const std::string copy = original + kCopySuffix;
  RemoveCopy(copy);
  copies_.push_back({copy, original});
  WriteNewFile(copy, bytes, mode);
  KillPoint();
}

void StagedRun::Restore(const std::string& path, const std::string& kept) {
  const std::string original = WrittenPath(path);
  const std::string copy = original + kCopySuffix;
  RemoveCopy(copy);
  given_.emplace_back(path, copies_.size());
  copies_.push_back({copy, original});
  for (const char* suffix : {"", "-wal"}) {
    if (*suffix != '\0' && !Exists(kept + suffix)) continue;
    CopyFileAs(kept + suffix, copy + suffix);
    KillPoint();
  }
}

void StagedRun::Delete(const std::string& path) {
  copies_.push_back({"", WrittenPath(path)});
}

const std::vector<Replacement>& StagedRun::Seal() {
  sealed_.clear();
  for (const Replacement& copy : copies_) {
    if (copy.copy.empty()) {
      sealed_.push_back(copy);
      continue;
    }
    if (!Exists(copy.copy)) continue;  // a store the run did not save
    // A log left beside a copy holds changes that a rename would leave behind.
    if (LogHolds(copy.copy)) SettleLog(copy.copy);
    if (LogHolds(copy.copy)) {
      throw std::runtime_error("the changes to " + copy.copy +
                               " stay in its log; nothing was changed");
    }
    sealed_.push_back(copy);
  }
  return sealed_;
}

void StagedRun::Commit(const Replacement* also, const std::vector<std::string>& synced) {
  std::vector<Replacement> pairs = sealed_;
  if (also != nullptr) pairs.push_back(*also);
  // The copies (and what `also` holds) are on the disk before the journal that names them:
  // after a power loss, the journal would rename whatever is there.
  std::vector<std::function<void()>> syncs;
  for (const Replacement& pair : pairs) {
    if (!pair.copy.empty()) syncs.emplace_back([&pair] { SyncFile(pair.copy); });
  }
  for (const std::string& path : synced)
    syncs.emplace_back([&path] { SyncFile(path); });
  SideBySide(syncs);
  const std::string written = journal_ + ".new";
  WriteNewFile(written, Encode(pairs), 0600, true);
  if (::rename(written.c_str(), journal_.c_str()) != 0) Fail("write", journal_);
  SyncFolder(FolderOf(journal_));
  committed_ = true;  // from here on the next run finishes what this one began
  KillPoint();
  RenameCopies(pairs);
  // Not synced: a journal that outlives a crash renames nothing twice.
  Remove(journal_);
  KillPoint();
}

void KillPoint() {
#ifdef PIMSYNC_KILL_POINTS
  static std::atomic<int> count{0};
  const int reached = ++count;
  if (const char* at = std::getenv("PIMSYNC_KILL_AT"); at != nullptr && std::atoi(at) == reached) {
    std::raise(SIGKILL);
  }
  if (const char* at = std::getenv("PIMSYNC_INTERRUPT_AT");
      at != nullptr && std::atoi(at) == reached) {
    std::raise(SIGINT);
  }
  if (std::getenv("PIMSYNC_COUNT_KILL_POINTS") != nullptr) {
    std::fprintf(stderr, "kill point %d\n", reached);
  }
#endif
}

}  // namespace pim::cli
