// What a sync run makes sure of before it changes anything. Each refusal is a RunRefused whose
// text names the file and says what to do; nothing has been written when it is thrown.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "handler_library.h"
#include "notes/sync_scope.h"

namespace pim::cli {

class RunRefused : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file a run uses, with the option that named it.
struct RunFile {
  const char* option;  // "--contacts", "--calendar", "--phone" or "--store"
  std::string path;

  bool IsStore() const { return std::string_view(option) == "--store"; }
  bool IsPhone() const { return std::string_view(option) == "--phone"; }
};

// Refuses two of the files that are one file (however the paths reach it): the phone would
// sync with itself, or the store be written over a database.
void CheckDistinctFiles(const std::vector<RunFile>& files);

// Refuses a database that is not there, naming it with its option and saying how to make one.
void CheckDatabasesExist(const std::vector<RunFile>& databases);

// Where writing to `path` ends up: the file itself, or the last target of its symbolic links.
std::string WrittenPath(const std::string& path);

// The bytes of the file at `path`; false when it cannot be opened or read to its end.
bool ReadWholeFile(const std::string& path, std::string& bytes);

// The file beside the store in which a run that saved the store keeps its size and digest.
std::string StoreCheckPath(const std::string& store);
// The text of that file for the store's bytes.
std::string StoreCheckText(std::string_view bytes);
// What a run's databases say of themselves: their replica IDs, and the pairings (through a
// store) that earlier runs marked them with.
struct RunDatabases {
  std::vector<RunFile> files;
  // The line of the check file that names the databases by their replica IDs, in the order
  // given; empty when one of them has none (nothing to check them by).
  std::string line;
  std::vector<std::vector<std::string>> pairings;  // of each file

  // A pairing that a Notes database and the phone database both carry; empty when none does.
  std::string SharedPairing() const;
};
RunDatabases ReadDatabases(const std::vector<RunFile>& databases);

// A value the store's check file records on a line "KEY VALUE" (the pairing's ID, the days of
// the to-dos); empty when it records none.
std::string StoreCheckValue(const std::string& store, std::string_view key);
// The days of the to-dos the last run on the store took, as its check file records them; the
// default range when it records none.
CalendarRange RecordedTodoRange(const std::string& store, const CalendarRange& otherwise);

// A new pairing ID: 16 hexadecimal digits.
std::string NewPairing();
// The check file's line that records it.
std::string PairingLine(const std::string& pairing);
// Marks each database at `paths` (contacts, calendar and phone, as the run wrote them) with the
// pairing, unless it carries it already.
void MarkPaired(const std::vector<std::string>& paths, const std::string& pairing);

// Refuses a store that would pair fewer records than the last run left paired, so that a run
// would add the others again on each side. With a check file beside the store: a store whose
// bytes are not those the last run saved, no store at all, or a store saved by a run on other
// databases than these. Without one: no store on databases that an earlier run paired through
// a store, or a store file the library would not read whole (one it cannot open or read, one
// that does not start as a store, one that ends or breaks early).
void CheckStore(HandlerLibrary& library, const std::string& store, const RunDatabases& databases);

// Holds an advisory lock on STORE.lock for its life: two runs on one store would each save over
// the other's work.
class StoreLock {
 public:
  explicit StoreLock(const std::string& store);
  ~StoreLock();
  StoreLock(const StoreLock&) = delete;
  StoreLock& operator=(const StoreLock&) = delete;

 private:
  int fd_ = -1;
};

// Holds an advisory lock on each existing database file for the life of the object: two runs on
// the same databases would each pair their records anew. Refuses a database that another run
// holds. The lock is taken on the database file itself (flock, which SQLite's own locks do not
// see); the descriptors stay open until every connection of this process has closed.
class DatabaseLocks {
 public:
  explicit DatabaseLocks(const std::vector<RunFile>& databases);
  ~DatabaseLocks();
  DatabaseLocks(const DatabaseLocks&) = delete;
  DatabaseLocks& operator=(const DatabaseLocks&) = delete;

 private:
  void Release();
  std::vector<int> fds_;
};

}  // namespace pim::cli
