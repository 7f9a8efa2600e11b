// Processes killed (SIGKILL) at random moments while the store is saved: a forked child in the
// middle of PIMHandler_Deinit with a store of thousands of records, and the built pimsync in the
// middle of a sync run. Afterwards the store file is always byte for byte the old store or the
// new one, never a torn mixture, and the next run works.
#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <thread>

#include "faults/fault_support.h"
#include "handler/module_state.h"
#include "handler/store_io.h"
#include "pim_handler.h"
#include "support/test_support.h"
#include "tools/pimsync_runner.h"

namespace pim::faults {
namespace {

using Clock = std::chrono::steady_clock;
using Micros = std::chrono::microseconds;

// Each test stops starting new attempts after this long (beyond a few it always makes), so that
// it stays within ~10 seconds even in the sanitized build on a busy machine.
constexpr auto kBudget = std::chrono::milliseconds(4000);

void Reap(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
}

bool ReadByte(int fd) {
  char byte = 0;
  for (;;) {
    const ssize_t n = ::read(fd, &byte, 1);
    if (n < 0 && errno == EINTR) continue;
    return n == 1;
  }
}

void WriteByte(int fd) {
  const char byte = 'x';
  while (::write(fd, &byte, 1) < 0 && errno == EINTR) {
  }
}

// Waits until the inotify descriptor `watch` reports an event for `name`; false when
// `give_up` comes first.
bool WaitForName(int watch, const char* name, Clock::time_point give_up) {
  while (Clock::now() < give_up) {
    pollfd ready{watch, POLLIN, 0};
    if (::poll(&ready, 1, 5) <= 0) continue;
    alignas(inotify_event) char events[4096];
    const ssize_t n = ::read(watch, events, sizeof events);
    for (ssize_t at = 0; at < n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(events + at);
      if (event->len > 0 && std::strcmp(event->name, name) == 0) return true;
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
  return false;
}

// Where the store file stands after an attempt.
enum class Found { kOld, kNew, kOther };

Found Judge(const std::string& path, const std::string& old_bytes, const std::string& new_bytes) {
  std::string bytes;
  try {
    bytes = test::ReadFile(path);
  } catch (const std::exception&) {
    return Found::kOther;
  }
  if (bytes == old_bytes) return Found::kOld;
  if (bytes == new_bytes) return Found::kNew;
  return Found::kOther;
}

// What the attempts of a test found of the store file at `path` after their kills.
class Tally {
 public:
  Tally(std::string old_bytes, std::string new_bytes)
      : old_bytes_(std::move(old_bytes)), new_bytes_(std::move(new_bytes)) {}

  // One attempt more, with what it left at `path`: never a torn store. A new file left beside
  // the store means that the kill came while it was being written.
  void Count(const std::string& path) {
    ++attempts;
    const Found found = Judge(path, old_bytes_, new_bytes_);
    EXPECT_NE(found, Found::kOther) << "the store file is torn";
    if (found == Found::kOld) ++old_left;
    if (found == Found::kNew) ++new_left;
    if (std::filesystem::exists(path + ".new")) ++killed_while_writing;
  }

  // Records the counts with the test's result.
  void Record() const {
    testing::Test::RecordProperty("attempts", attempts);
    testing::Test::RecordProperty("old_store_left", old_left);
    testing::Test::RecordProperty("new_store_left", new_left);
    testing::Test::RecordProperty("killed_while_writing", killed_while_writing);
  }

  int attempts = 0;
  int old_left = 0;
  int new_left = 0;
  int killed_while_writing = 0;

 private:
  std::string old_bytes_;
  std::string new_bytes_;
};

class KilledWhileSaving : public testing::Test {
 protected:
  void TearDown() override { ReleaseHeldRecords(); }

  test::ScopedTimeZone tz_{test::kCentralEurope};
  test::TempDir dir_{test::TempDir::Where::kMemory};
  std::mt19937 random_{std::random_device{}()};
};

// A store of thousands of records, so that saving it takes a measurable time.
void FillLargeStore(CalendarArray& todos, ContactArray& contacts) {
  for (uint32_t i = 1; i <= 4000; ++i) {
    auto todo = std::make_unique<CCalEntryObject>();
    todo->m_nNoteId = i;
    todo->m_strLuid = "todo-" + std::to_string(i);
    todo->SetSummary("Task number " + std::to_string(i) + " with a longer summary text", true);
    todo->SetStart(1546300800 + static_cast<int32_t>(i) * 3600, true);
    todo->SetEnd(1546300800 + static_cast<int32_t>(i) * 3600 + 1800, true);
    todo->SetAlarm(static_cast<int32_t>(i % 2), true);
    todo->SetLastModified(1546300800, true);
    todos.push_back(std::move(todo));

    auto contact = std::make_unique<CContactObject>();
    contact->m_nNoteId = 10000 + i;
    contact->m_strLuid = "card-" + std::to_string(i);
    contact->SetFirstName("First" + std::to_string(i), true);
    contact->SetLastName("Last" + std::to_string(i), true);
    contact->SetMobilePhone("+49 170 " + std::to_string(1000000 + i), true);
    contact->SetEmail("person" + std::to_string(i) + "@example.org", true);
    contact->SetCompany("Company " + std::to_string(i % 50), true);
    contact->SetRevision(1546300800, true);
    contacts.push_back(std::move(contact));
  }
}

TEST_F(KilledWhileSaving, DeinitLeavesTheOldOrTheNewStoreNeverATornOne) {
  const std::string store = dir_.File("pim.store");
  handler::ModuleState& state = handler::State();
  FillLargeStore(state.calendar, state.contacts);
  const std::string old_bytes = handler::EncodeStore(state.calendar, state.contacts);
  // The run changed every LUID and added a record.
  for (auto& contact : state.contacts)
    contact->m_strLuid += "-2";
  for (auto& todo : state.calendar)
    todo->m_strLuid += "-2";
  auto added = std::make_unique<CContactObject>();
  added->m_nNoteId = 99999;
  added->m_strLuid = "added";
  added->SetFirstName("Added", true);
  state.contacts.push_back(std::move(added));
  const std::string new_bytes = handler::EncodeStore(state.calendar, state.contacts);
  ASSERT_NE(old_bytes, new_bytes);
  ASSERT_EQ(PIMHandler_Prepare(2, 200, 200, "", "", "", "", store.c_str()), 0);

  // One save in a child: tells the parent when it starts, and when it has ended.
  const auto start_saving = [&](int& started, int& ended) {
    int go[2];
    int done[2];
    EXPECT_EQ(::pipe2(go, O_CLOEXEC), 0);
    EXPECT_EQ(::pipe2(done, O_CLOEXEC), 0);
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
      ::close(go[0]);
      ::close(done[0]);
      WriteByte(go[1]);
      PIMHandler_Deinit();
      WriteByte(done[1]);
      ::_exit(0);
    }
    ::close(go[1]);
    ::close(done[1]);
    started = go[0];
    ended = done[0];
    return child;
  };

  // How long a save takes until the new store takes the old one's place, and what it writes.
  Micros save_time{0};
  for (int i = 0; i < 3; ++i) {
    test::WriteFile(store, old_bytes);
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, dir_.path().c_str(), IN_MOVED_TO), 0);
    int started = -1;
    int ended = -1;
    const pid_t child = start_saving(started, ended);
    ASSERT_TRUE(ReadByte(started));
    const auto begin = Clock::now();
    EXPECT_TRUE(WaitForName(watch, "pim.store", begin + std::chrono::seconds(5)));
    save_time = std::max(save_time, std::chrono::duration_cast<Micros>(Clock::now() - begin));
    ASSERT_TRUE(ReadByte(ended));
    Reap(child);
    ::close(started);
    ::close(ended);
    ::close(watch);
    ASSERT_EQ(Judge(store, old_bytes, new_bytes), Found::kNew);
  }
  RecordProperty("save_microseconds", static_cast<int>(save_time.count()));
  ASSERT_GT(save_time.count(), 0);

  // Kills at random moments from the start of the save to a little past the rename.
  std::uniform_int_distribution<int64_t> delay(0, save_time.count() * 5 / 4);
  Tally tally(old_bytes, new_bytes);
  const auto deadline = Clock::now() + kBudget;
  while (tally.attempts < 200 && (tally.attempts < 20 || Clock::now() < deadline)) {
    const int64_t wait = delay(random_);
    SCOPED_TRACE("killed " + std::to_string(wait) + " us into the save, attempt " +
                 std::to_string(tally.attempts + 1));
    test::WriteFile(store, old_bytes);
    int started = -1;
    int ended = -1;
    const pid_t child = start_saving(started, ended);
    ASSERT_TRUE(ReadByte(started));
    std::this_thread::sleep_for(Micros(wait));
    ::kill(child, SIGKILL);
    Reap(child);
    ::close(started);
    ::close(ended);

    // A new file left beside the store stays for the next save to replace.
    tally.Count(store);
    // The next run: the store reads, and a save goes through.
    EXPECT_EQ(PIMHandler_DumpSyncObjectStore(store.c_str()), 0);
    if (tally.attempts % 5 == 0) {
      const pid_t again = start_saving(started, ended);
      Reap(again);
      ::close(started);
      ::close(ended);
      EXPECT_EQ(Judge(store, old_bytes, new_bytes), Found::kNew);
    }
    if (HasFailure()) break;
  }
  tally.Record();
  // The kills landed before, during and after the writing of the new store.
  EXPECT_GT(tally.old_left, 0);
  EXPECT_GT(tally.new_left, 0);
  EXPECT_GT(tally.killed_while_writing, 0);
}

// The built pimsync run in `folder` as RunPimsync runs it, by a child with a process group of
// its own, so that pimsync and the fake phone it forks die with the child when it is killed.
class PimsyncProcess {
 public:
  PimsyncProcess(const test::TempDir& folder, const std::vector<std::string>& args) {
    std::fflush(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
      ::setpgid(0, 0);
      // A killed run leaves its folder of exchanged files behind: let it be in the attempt's
      // folder, which the test removes.
      ::setenv("TMPDIR", folder.path().c_str(), 1);
      ::_exit(test::RunPimsync(folder, args).exit_status);
    }
    ::setpgid(pid_, pid_);
  }

  // Kills the whole group and reaps every member (the test process is their subreaper).
  void Kill() {
    ::kill(-pid_, SIGKILL);
    int status = 0;
    for (;;) {
      const pid_t pid = ::waitpid(-pid_, &status, 0);
      if (pid < 0 && errno == EINTR) continue;
      if (pid < 0) break;
    }
  }

 private:
  pid_t pid_ = -1;
};

// Notes databases for a sync: the persons and to-dos of `people` and `todos`, numbered from
// `first`.
void AddNotes(const std::string& path, bool create, int first, int people, int todos) {
  const test::NotesDb db(path);
  if (create) db.Create();
  for (int i = first; i < first + people; ++i) {
    db.AddDocument({{"FirstName", "Person" + std::to_string(i)},
                    {"CellPhoneNumber", "0170" + std::to_string(i)},
                    {"CompanyName", "Company" + std::to_string(i % 7)}},
                   "2019-01-01 08:00:00");
  }
  for (int i = first; i < first + todos; ++i) {
    const std::string day = std::to_string(10 + i % 18);
    db.AddTodo("2019-04-" + day + " 09:00:00", "2019-04-" + day + " 10:00:00",
               "Task" + std::to_string(i), false, "2019-01-01 08:00:00");
  }
}

TEST_F(KilledWhileSaving, PimsyncSyncLeavesTheOldOrTheNewStoreAndTheNextRunWorks) {
  ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
  const test::TempDir scene(test::TempDir::Where::kMemory);
  AddNotes(scene.File("notes.db"), true, 0, 100, 20);
  test::NotesDb(scene.File("phone.db")).Create();
  const std::vector<std::string> sync = {"sync", "--contacts", "notes.db", "--phone", "phone.db",
                                         "--store", "pim.store",
                                         // Room for every record on both sides.
                                         "--contact-limit", "1000", "--calendar-limit", "1000"};
  const test::PimsyncResult first = test::RunPimsync(scene, sync);
  ASSERT_EQ(first.exit_status, 0) << first.out << first.err;
  const std::string old_bytes = test::ReadFile(scene.File("pim.store"));
  ASSERT_TRUE(IsWholeStore(old_bytes));
  // Since then Notes has gained records, which the next run sends to the phone.
  AddNotes(scene.File("notes.db"), false, 100, 40, 15);

  // A copy of the scene in a folder of its own, removed with the object.
  const auto fresh = [&] {
    auto folder = std::make_unique<test::TempDir>(test::TempDir::Where::kMemory);
    for (const char* name : {"notes.db", "phone.db", "pim.store"}) {
      std::filesystem::copy_file(scene.File(name), folder->File(name));
    }
    return folder;
  };

  // What a whole run saves, and how long it takes.
  std::string new_bytes;
  Micros run_time{0};
  for (int i = 0; i < 2; ++i) {
    const auto folder = fresh();
    const auto begin = Clock::now();
    const test::PimsyncResult run = test::RunPimsync(*folder, sync);
    ASSERT_EQ(run.exit_status, 0) << run.out << run.err;
    run_time = std::max(run_time, std::chrono::duration_cast<Micros>(Clock::now() - begin));
    const std::string bytes = test::ReadFile(folder->File("pim.store"));
    if (i == 0) new_bytes = bytes;
    ASSERT_EQ(bytes, new_bytes) << "two whole runs from the same start save different stores";
  }
  ASSERT_NE(new_bytes, old_bytes);
  RecordProperty("run_microseconds", static_cast<int>(run_time.count()));

  std::uniform_int_distribution<int64_t> anywhere(0, run_time.count() * 6 / 5);
  std::uniform_int_distribution<int64_t> after_new_file(0, 3000);
  Tally tally(old_bytes, new_bytes);
  const auto deadline = Clock::now() + kBudget;
  while (tally.attempts < 100 && (tally.attempts < 10 || Clock::now() < deadline)) {
    const int attempt = tally.attempts + 1;
    const auto folder = fresh();
    // Every other attempt waits for the new store file to appear and kills around the rename;
    // the others kill anywhere in the run.
    const bool at_save = attempt % 2 == 0;
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, folder->path().c_str(), IN_CREATE | IN_MOVED_TO), 0);
    const int64_t wait = at_save ? after_new_file(random_) : anywhere(random_);
    SCOPED_TRACE(std::string("attempt ") + std::to_string(attempt) + ": killed " +
                 std::to_string(wait) + " us " +
                 (at_save ? "after the new store file appeared" : "into the run"));
    PimsyncProcess run(*folder, sync);
    if (at_save) WaitForName(watch, "pim.store.new", Clock::now() + run_time * 4);
    std::this_thread::sleep_for(Micros(wait));
    run.Kill();
    ::close(watch);

    tally.Count(folder->File("pim.store"));

    // The next run works on what the killed one left, and saves a whole store.
    const test::PimsyncResult next = test::RunPimsync(*folder, sync);
    EXPECT_EQ(next.exit_status, 0) << next.out << next.err;
    EXPECT_TRUE(IsWholeStore(test::ReadFile(folder->File("pim.store"))));
    if (HasFailure()) break;
  }
  tally.Record();
  EXPECT_GT(tally.old_left, 0);
  EXPECT_GT(tally.new_left, 0);
}

}  // namespace
}  // namespace pim::faults
