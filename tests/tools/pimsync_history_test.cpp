// The runs kept beside a store: pimsync history, pimsync undo, and the purge that asks first and
// is kept with its store.
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <regex>
#include <sstream>

#include "pimsync_runner.h"

namespace pim::test {
namespace {

namespace fs = std::filesystem;

const std::string kSync = "sync|--contacts|notes.db|--phone|phone.db|--store|store.dat";

// The run's times are the test's own: each is shown as TIME.
std::string Timeless(const std::string& text) {
  static const std::regex kTime("[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}");
  return std::regex_replace(text, kTime, "TIME");
}

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st.st_mode & 07777;
}

class PimsyncHistoryTest : public PimsyncTest {
 protected:
  void SetUp() override {
    Ok("notes|create|notes.db");
    Ok("notes|create|phone.db");
  }
  std::string Sides() { return Names("notes.db") + "; " + Names("phone.db"); }
  ScopedTimeZone zone_{kCentralEurope};
};

TEST_F(PimsyncHistoryTest, UndoPutsBackEveryByteBeforeTheLastRunAndIsItselfUndone) {
  Ok("notes|add-person|notes.db|FirstName=Ann");
  Ok("notes|add-person|phone.db|FirstName=Bob");
  ASSERT_EQ(::chmod(Path("notes.db").c_str(), 0640), 0);
  Ok(kSync);
  Ok("notes|add-person|notes.db|FirstName=Cy");
  const std::string before = Files();
  Ok(kSync);
  const std::string after = Files();
  EXPECT_EQ(Timeless(Ok("history|--store|store.dat")),
            "runs kept in store.dat.history, oldest first:\n"
            "000001  TIME  sync\n"
            "  contacts: Notes 1 added, 0 changed, 0 deleted; phone 1 added, 0 changed, 0 deleted\n"
            "  to-dos: Notes 0 added, 0 changed, 0 deleted; phone 0 added, 0 changed, 0 deleted\n"
            "000002  TIME  sync\n"
            "  contacts: Notes 0 added, 0 changed, 0 deleted; phone 1 added, 0 changed, 0 deleted\n"
            "  to-dos: Notes 0 added, 0 changed, 0 deleted; phone 0 added, 0 changed, 0 deleted\n"
            "'pimsync undo --store store.dat' puts back the files as they were before run "
            "000002\n");
  // The history admits no one the files do not: the folders are private, each kept file has
  // the permissions of the file it was.
  EXPECT_EQ(ModeOf(Path("store.dat.history")), 0700u);
  EXPECT_EQ(ModeOf(Path("store.dat.history/000002")), 0700u);
  EXPECT_EQ(ModeOf(Path("store.dat.history/000002/run")), 0600u);
  EXPECT_EQ(ModeOf(Path("store.dat.history/000002/0")), 0640u);

  EXPECT_EQ(Timeless(Ok("undo|--store|store.dat")),
            "undid run 000002 (sync, TIME): its files are as they were before it\n"
            "  contacts: Notes 0 added, 0 changed, 0 deleted; phone 0 added, 0 changed, 1 deleted\n"
            "  to-dos: Notes 0 added, 0 changed, 0 deleted; phone 0 added, 0 changed, 0 deleted\n");
  // Outside the history, every byte as before the run.
  const auto outside = [](const std::string& files) {
    std::string kept;
    std::istringstream lines(files);
    for (std::string line; std::getline(lines, line);) {
      if (line.rfind("store.dat.history/", 0) != 0) kept += line + "\n";
    }
    return kept;
  };
  EXPECT_EQ(outside(Files()), outside(before));
  EXPECT_EQ(Timeless(Ok("undo|--store|store.dat")),
            "undid run 000003 (undo of run 000002, TIME): its files are as they were before it\n"
            "  contacts: Notes 0 added, 0 changed, 0 deleted; phone 1 added, 0 changed, 0 deleted\n"
            "  to-dos: Notes 0 added, 0 changed, 0 deleted; phone 0 added, 0 changed, 0 deleted\n");
  EXPECT_EQ(outside(Files()), outside(after));
  Ok(kSync);
  EXPECT_EQ(Sides(), "Ann, Bob, Cy | ; Bob, Ann, Cy | ");

  // The oldest go first; none are kept with 0.
  Ok(kSync + "|--keep-history|2");
  EXPECT_EQ(fs::exists(Path("store.dat.history/000005")) +
                fs::exists(Path("store.dat.history/000006")) * 2 +
                fs::exists(Path("store.dat.history/000004")) * 4,
            3);
  Ok(kSync + "|--keep-history|0");
  EXPECT_TRUE(fs::is_empty(Path("store.dat.history")));
  Refused("undo|--store|store.dat",
          "pimsync: there is nothing to undo: no run is kept for store.dat (in "
          "store.dat.history).\n");
}

TEST_F(PimsyncHistoryTest, UndoRefusesWhenAFileChangedSinceTheRunAndLosesNothingWhenForced) {
  Ok("notes|add-person|notes.db|FirstName=Ann");
  Ok(kSync);
  Ok("notes|add-person|phone.db|FirstName=Bob");
  const std::string files = Files();
  const PimsyncResult refused = Run("undo|--store|store.dat");
  EXPECT_EQ(refused.exit_status, 1);
  EXPECT_EQ(Timeless(refused.err),
            "pimsync: " + Path("phone.db") +
                " has changed since run 000001 (sync, TIME): undoing it would lose those "
                "changes. Nothing was changed; to undo it all the same, run again with --force.\n");
  EXPECT_EQ(Files(), files);
  // Forced, it goes back to before the first run; undone, Bob is back.
  Ok("undo|--store|store.dat|--force");
  EXPECT_EQ(Sides(), "Ann | ;  | ");
  EXPECT_FALSE(fs::exists(Path("store.dat")));
  EXPECT_FALSE(fs::exists(Path("store.dat.check")));
  Ok("undo|--store|store.dat");
  EXPECT_EQ(Sides(), "Ann | ; Ann, Bob | ");
  Ok(kSync);
  EXPECT_EQ(Sides(), "Ann, Bob | ; Ann, Bob | ");
}

// A store on another file system than the databases keeps copies of them, with their
// permissions, where it cannot keep links.
TEST_F(PimsyncHistoryTest, AHistoryOnAnotherFileSystemKeepsCopies) {
  char other[] = "/dev/shm/pimsync-history.XXXXXX";
  if (::mkdtemp(other) == nullptr) GTEST_SKIP() << "no /dev/shm";
  struct stat here {
  }, there{};
  ::stat(dir_.path().c_str(), &here);
  ::stat(other, &there);
  if (here.st_dev == there.st_dev) {
    fs::remove_all(other);
    GTEST_SKIP() << "/dev/shm is on the same file system";
  }
  Ok("notes|add-person|notes.db|FirstName=Ann");
  ASSERT_EQ(::chmod(Path("notes.db").c_str(), 0640), 0);
  const std::string store = std::string(other) + "/store.dat";
  const std::string files = Files();
  const std::string notes = ReadFile(Path("notes.db"));
  Ok("sync|--contacts|notes.db|--phone|phone.db|--store|" + store);
  EXPECT_EQ(ModeOf(store + ".history/000001/0"), 0640u);
  EXPECT_TRUE(ReadFile(store + ".history/000001/0") == notes);
  Ok("undo|--store|" + store);
  EXPECT_EQ(Files(), files);
  EXPECT_FALSE(fs::exists(store));
  fs::remove_all(other);
}

// Purge, then sync: the purge wants an answer, and the sync refuses an emptied Notes; the
// purge kept with its store is undone, and nothing is lost or doubled.
TEST_F(PimsyncHistoryTest, APurgeAsksFirstAndIsUndoneWithItsStore) {
  Ok("notes|add-person|notes.db|FirstName=Ann");
  Ok("notes|add-person|notes.db|FirstName=Bob");
  Ok("notes|add-todo|notes.db|--brief|Milk|--start|2019-03-14 09:00:00|--end|2019-03-14 "
     "10:00:00");
  Ok(kSync);
  const std::string files = Files();
  const std::string purge = "purge|--contacts|notes.db|--store|store.dat";
  EXPECT_EQ(Ok(purge + "|--dry-run"),
            "preview: the purge would delete 2 contacts and 1 to-do from notes.db; nothing was "
            "changed\n");
  Refused(purge,
          "pimsync: the purge would delete 2 contacts and 1 to-do from notes.db. Nothing was "
          "deleted; to delete them, run again with --yes. Afterwards, 'pimsync undo --store "
          "store.dat' puts them back.\n");
  EXPECT_EQ(Files(), files);

  // On a terminal it asks; "n" deletes nothing, "y" deletes.
  for (const char* answer : {"n\n", "y\n"}) {
    int terminal = -1;
    const pid_t child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    ASSERT_GE(child, 0);
    if (child == 0) {
      if (::chdir(dir_.path().c_str()) != 0) ::_exit(126);
      ::execl(PIMSYNC_PATH, "pimsync", "purge", "--contacts", "notes.db", "--store", "store.dat",
              nullptr);
      ::_exit(127);
    }
    ASSERT_EQ(::write(terminal, answer, 2), 2);
    std::string said;
    char buffer[512];
    for (ssize_t n; (n = ::read(terminal, buffer, sizeof buffer)) > 0;)
      said.append(buffer, static_cast<size_t>(n));
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(terminal);
    const bool yes = answer[0] == 'y';
    EXPECT_EQ(WEXITSTATUS(status), yes ? 0 : 1);
    EXPECT_EQ(std::regex_replace(said, std::regex("\r"), ""),
              std::string(answer) +
                  "pimsync: delete 2 contacts and 1 to-do from notes.db? Afterwards, 'pimsync "
                  "undo --store store.dat' puts them back. [y/N] " +
                  (yes ? "deleted 2 contacts and 1 to-do from notes.db; 'pimsync undo --store "
                         "store.dat' puts them back\n"
                       : "nothing was deleted\n"));
  }
  EXPECT_EQ(Sides(), " | ; Ann, Bob | Milk");
  Refused(kSync,
          "pimsync: Notes (notes.db) holds no records, but the store pairs records with it: it "
          "was emptied since the last run, and the run would delete them on the other side "
          "too. Nothing was changed; if that is what you want, run again with --force.\n");
  EXPECT_EQ(Sides(), " | ; Ann, Bob | Milk");
  Ok("undo|--store|store.dat");
  Ok(kSync);
  EXPECT_EQ(Sides(), "Ann, Bob | Milk; Ann, Bob | Milk");
}

}  // namespace
}  // namespace pim::test
