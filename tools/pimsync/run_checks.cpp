#include "run_checks.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string_view>

#include "notesapi/lnsession.h"

namespace pim::cli {
namespace {

bool IsNotes(const RunFile& file) {
  return !file.IsStore() && !file.IsPhone();
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
      if (a.IsStore() || b.IsStore()) {
        throw RunRefused(both + ": the run would write the store over a database. Nothing was " +
                         "changed; give --store a file of its own.");
      }
      throw RunRefused(both + ": the phone would sync with Notes in the same database and every " +
                       "record would be added again on each run. Nothing was changed; give " +
                       "--phone a database of its own.");
    }
  }
}

void CheckDatabasesExist(const std::vector<RunFile>& databases) {
  for (const RunFile& database : databases) {
    struct stat st {};
    if (::stat(database.path.c_str(), &st) != 0 && errno == ENOENT) {
      throw RunRefused("No Notes database at " + Named(database) + ": create one with " +
                       "`pimsync notes create " + database.path + "`. Nothing was changed.");
    }
  }
}

std::string WrittenPath(const std::string& path) {
  std::string at = path;
  for (int links = 0; links < 40; ++links) {
    struct stat st {};
    if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return at;
    char target[PATH_MAX];
    const ssize_t n = ::readlink(at.c_str(), target, sizeof target);
    if (n <= 0 || static_cast<size_t>(n) >= sizeof target) return at;
    const std::string to(target, static_cast<size_t>(n));
    const std::string folder = std::filesystem::path(at).parent_path().string();
    at = to.front() == '/' || folder.empty() ? to : folder + "/" + to;
  }
  return at;
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bytes.clear();
  char buffer[64 * 1024];
  ssize_t n = 0;
  while ((n = ::read(fd, buffer, sizeof buffer)) != 0) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    bytes.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return n == 0;
}

std::string StoreCheckPath(const std::string& store) {
  return WrittenPath(store) + ".check";
}

std::string StoreCheckText(std::string_view bytes) {
  // FNV-1a: fixed for good, unlike std::hash, so that a check file outlives the program.
  uint64_t digest = 14695981039346656037ULL;
  for (const unsigned char byte : bytes) {
    digest ^= byte;
    digest *= 1099511628211ULL;
  }
  char text[96];
  std::snprintf(text, sizeof text, "pimsync store check\nsize %zu\nfnv-1a %016llx\n", bytes.size(),
                static_cast<unsigned long long>(digest));
  return text;
}

namespace {

constexpr char kPairingsProperty[] = "pimsync pairings";  // the IDs, separated by blanks

std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  for (size_t begin = 0; begin < text.size();) {
    const size_t end = std::min(text.find(' ', begin), text.size());
    if (end > begin) words.push_back(text.substr(begin, end - begin));
    begin = end + 1;
  }
  return words;
}

// The value after "KEY " on a line of the check file `text`; empty when no line has it.
std::string CheckLine(const std::string& text, std::string_view key) {
  for (size_t begin = 0; begin < text.size();) {
    const size_t end = std::min(text.find('\n', begin), text.size());
    const std::string_view line(text.data() + begin, end - begin);
    if (line.size() > key.size() && line.substr(0, key.size()) == key && line[key.size()] == ' ') {
      return std::string(line.substr(key.size() + 1));
    }
    begin = end + 1;
  }
  return "";
}

// Runs `body(session)` with the Notes calls answering by status, not by throwing.
template <class Body>
void WithNotes(Body&& body) {
  const notes::LNBOOL throwing = notes::LNGetThrowAllErrorsGlobal();
  notes::LNSetThrowAllErrorsGlobal(notes::FALSE);
  notes::LNNotesSession session;
  session.Initialize();
  body(session);
  session.Term();
  notes::LNSetThrowAllErrorsGlobal(throwing);
}

}  // namespace

std::string RunDatabases::SharedPairing() const {
  for (size_t i = 0; i < files.size(); ++i) {
    if (!files[i].IsPhone()) continue;
    for (size_t j = 0; j < files.size(); ++j) {
      if (!IsNotes(files[j])) continue;
      for (const std::string& pairing : pairings[i]) {
        if (std::find(pairings[j].begin(), pairings[j].end(), pairing) != pairings[j].end()) {
          return pairing;
        }
      }
    }
  }
  return "";
}

RunDatabases ReadDatabases(const std::vector<RunFile>& databases) {
  RunDatabases read{databases, "databases", {}};
  WithNotes([&](notes::LNNotesSession& session) {
    for (const RunFile& database : databases) {
      notes::LNDatabase opened;
      notes::LNString id;
      notes::LNString pairings;
      notes::LNSTATUS status = session.GetDatabase(database.path, &opened);
      if (status == notes::LNNOERROR) status = opened.Open();
      if (status == notes::LNERR_DATABASE_INVALID) {
        throw RunRefused(Named(database) + " is not a Notes database: give " + database.option +
                         " one made with `pimsync notes create`. Nothing was changed.");
      }
      if (status != notes::LNNOERROR || opened.GetReplicaID(&id) != notes::LNNOERROR ||
          id.empty()) {
        read.line.clear();
      }
      read.line += read.line.empty() ? "" : " " + id;
      opened.GetProperty(kPairingsProperty, &pairings);
      read.pairings.push_back(Words(pairings));
    }
  });
  if (!read.line.empty()) read.line += "\n";
  return read;
}

std::string StoreCheckValue(const std::string& store, std::string_view key) {
  std::string check;
  return ReadWholeFile(StoreCheckPath(store), check) ? CheckLine(check, key) : "";
}

CalendarRange RecordedTodoRange(const std::string& store, const CalendarRange& otherwise) {
  const std::string days = StoreCheckValue(store, "to-dos");
  const size_t blank = days.find(' ');
  CalendarRange range = otherwise;
  if (blank == std::string::npos ||
      !ParseCalendarRange(days.substr(0, blank), days.substr(blank + 1), range)) {
    return otherwise;
  }
  return range;
}

std::string NewPairing() {
  std::random_device random;
  char id[17];
  std::snprintf(id, sizeof id, "%08x%08x", random(), random());
  return id;
}

std::string PairingLine(const std::string& pairing) {
  return "pairing " + pairing + "\n";
}

void MarkPaired(const std::vector<std::string>& paths, const std::string& pairing) {
  WithNotes([&](notes::LNNotesSession& session) {
    for (const std::string& path : paths) {
      notes::LNDatabase opened;
      notes::LNString pairings;
      notes::LNSTATUS status = session.GetDatabase(path, &opened);
      if (status == notes::LNNOERROR) status = opened.Open();
      if (status == notes::LNNOERROR) status = opened.GetProperty(kPairingsProperty, &pairings);
      const std::vector<std::string> carried = Words(pairings);
      if (status == notes::LNNOERROR &&
          std::find(carried.begin(), carried.end(), pairing) == carried.end()) {
        status = opened.SetProperty(kPairingsProperty,
                                    pairings.empty() ? pairing : pairings + " " + pairing);
      }
      if (status != notes::LNNOERROR) {
        throw std::runtime_error("cannot mark " + path + " as paired: " +
                                 notes::LNGetErrorMessage(status) + "; nothing was changed");
      }
    }
  });
}

void CheckStore(HandlerLibrary& library, const std::string& store, const RunDatabases& databases) {
  const std::string check = StoreCheckPath(store);
  std::string expected;
  const bool checked = ReadWholeFile(check, expected);
  struct stat st {};
  if (::stat(store.c_str(), &st) != 0 && errno == ENOENT) {
    if (checked) {
      throw RunRefused("the store " + store + " is missing, but a run saved one there (" + check +
                       " says so): a run without it would add every record again on each " +
                       "side. Nothing was changed. Put the store back; to pair the databases " +
                       "anew, remove " + check + ".");
    }
    if (const std::string pairing = databases.SharedPairing(); !pairing.empty()) {
      throw RunRefused("there is no store at " + store + ", but the databases were paired by an " +
                       "earlier run through a store (they carry its pairing ID " + pairing +
                       "): a run without that store would add every record again on each " +
                       "side. Nothing was changed. Give --store the store of that pairing, or " +
                       "put it back from a backup; to start anew, sync with an empty phone " +
                       "database.");
    }
    return;  // the first run
  }
  const std::string keep =
      " Nothing was changed. Put back a good copy of the store; a run without it, or with what "
      "is left of it, would add again on each side every record it pairs.";
  std::string bytes;
  if (checked && ReadWholeFile(store, bytes)) {
    const std::string digest = StoreCheckText(bytes);
    if (expected.compare(0, digest.size(), digest) == 0) {
      const std::string paired = CheckLine(expected, "databases");
      const std::string these = CheckLine(databases.line, "databases");
      if (paired.empty() || these.empty() || paired == these) return;
      throw RunRefused("the store " + store + " was saved by a run on other databases than " +
                       "these (" + check + " names them by their replica IDs): a run would " +
                       "pair every record anew and add it again on each side. Nothing was " +
                       "changed. Give --store the store of these databases; to pair them anew, " +
                       "move " + store + " and " + check + " away.");
    }
    throw RunRefused("the store " + store + " is not the one the last run saved: its bytes " +
                     "have changed since (" + check + " says what they were)." + keep +
                     " If you put this store there on purpose, remove " + check + ".");
  }
  g_store_box.clear();
  PIM_ENTRY(library, PIMPlatform_SetMessageBoxHook)(&KeepFirstBox);
  PIM_ENTRY(library, PIMPlatform_SetDebugOutputHook)(nullptr);
  const int32_t result = PIM_ENTRY(library, PIMHandler_DumpSyncObjectStore)(store.c_str());
  PIM_ENTRY(library, PIMPlatform_SetMessageBoxHook)(nullptr);
  if (result == 0) return;
  if (result == 2) throw RunRefused("the store " + store + " is not a sync store." + keep);
  if (!g_store_box.empty()) {
    throw RunRefused("the store " + store + " cannot be read: " + g_store_box + keep);
  }
  throw RunRefused("the store " + store + " is damaged: it ends or breaks before its last record." +
                   keep);
}

StoreLock::StoreLock(const std::string& store) {
  const std::string path = store + ".lock";
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd_ < 0) {
    throw std::runtime_error("cannot create the lock file " + path + ": " + std::strerror(errno));
  }
  if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd_);
    throw std::runtime_error("the store " + store +
                             " is in use by another pimsync run; try again when it has ended");
  }
}

StoreLock::~StoreLock() {
  ::close(fd_);
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
