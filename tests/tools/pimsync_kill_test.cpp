// Runs stopped where they write, by a kill or a Ctrl-C, through a build of pimsync that stops
// itself at its Nth point of writing (each copy made, the library's writes into the copies,
// the journal, each rename).
#include <filesystem>

#include "pimsync_runner.h"

namespace pim::test {
namespace {

namespace fs = std::filesystem;

const std::string kSync = "sync|--contacts|notes.db|--phone|phone.db|--store|store.dat";

class PimsyncKillTest : public PimsyncTest {
 protected:
  PimsyncResult Killable(const std::string& env, const std::string& phone = "phone.db",
                         const std::string& store = "store.dat") {
    return RunPimsync(dir_, {"sync", "--contacts", "notes.db", "--phone", phone, "--store", store},
                      PIMSYNC_KILL_POINTS_PATH, env);
  }

  std::string Sides() { return Names("notes.db") + "; " + Names("phone.db"); }
  // Every file of the folder, kept in `saved` or put back from it.
  void Save(const fs::path& saved) { fs::copy(dir_.path(), saved, fs::copy_options::recursive); }
  void Restore(const fs::path& saved) {
    for (const auto& entry : fs::directory_iterator(dir_.path()))
      fs::remove_all(entry.path());
    fs::copy(saved, dir_.path(), fs::copy_options::recursive);
  }

  // Notes and the phone paired once, then each side changed, so that a run writes in every
  // way; kept aside, then run through once to count its points and see where it ends.
  void SetUp() override {
    Ok("notes|create|notes.db");
    Ok("notes|create|phone.db");
    const std::string ann = Ok("notes|add-person|notes.db|FirstName=Ann");
    const std::string bob = Ok("notes|add-person|notes.db|FirstName=Bob");
    Ok("notes|add-person|phone.db|FirstName=Carl");
    Ok("notes|add-todo|notes.db|--brief|Milk|--start|2019-03-14 09:00:00|--end|2019-03-14 "
       "10:00:00");
    Ok(kSync);
    // Then each side changes: every kind of write of a run has its turn.
    Ok("notes|set|notes.db|" + ann.substr(0, ann.size() - 1) + "|FirstName=Anna");
    Ok("notes|delete|notes.db|" + bob.substr(0, bob.size() - 1));
    Ok("notes|add-person|phone.db|FirstName=Dan");
    Ok("notes|add-todo|phone.db|--brief|Bread|--start|2019-03-15 09:00:00|--end|2019-03-15 "
       "09:30:00");
    Save(before_);
    const PimsyncResult counted = Killable("PIMSYNC_COUNT_KILL_POINTS=1");
    ASSERT_EQ(counted.exit_status, 0) << counted.err;
    for (size_t at = counted.err.find("kill point "); at != std::string::npos;
         at = counted.err.find("kill point ", at + 1)) {
      ++points_;
    }
    once_ = Sides();
    Restore(before_);
  }
  void TearDown() override { fs::remove_all(before_); }

  const fs::path before_ = dir_.path() + ".before";
  int points_ = 0;
  std::string once_;
  ScopedTimeZone zone_{kCentralEurope};
};

// Killed at each point in turn, then run normally: every record ends once on each side, as
// after one run that was never killed.
TEST_F(PimsyncKillTest, ARunKilledWhereverItWritesLeavesNothingDoubledOrLost) {
  EXPECT_EQ(once_, "Anna, Carl, Dan | Milk, Bread; Carl, Anna, Dan | Milk, Bread");
  ASSERT_GE(points_, 10);
  for (int n = 1; n <= points_; ++n) {
    SCOPED_TRACE("killed at point " + std::to_string(n));
    Restore(before_);
    const PimsyncResult killed = Killable("PIMSYNC_KILL_AT=" + std::to_string(n));
    EXPECT_EQ(killed.exit_status, -1) << killed.err;
    const PimsyncResult next = Run(kSync);
    EXPECT_EQ(next.exit_status, 0) << next.err;
    EXPECT_EQ(Sides(), once_);
    for (const auto& entry : fs::directory_iterator(dir_.path())) {
      EXPECT_EQ(entry.path().string().find("pimsync-run"), std::string::npos) << entry.path();
      EXPECT_NE(entry.path().extension(), ".journal");
    }
    // The history holds whole runs only: the one before and the one or two since.
    size_t kept = 0;
    for (const auto& entry : fs::directory_iterator(Path("store.dat.history"))) {
      EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
      EXPECT_TRUE(fs::exists(entry.path() / "run")) << entry.path();
      ++kept;
    }
    EXPECT_GE(kept, 2u);
  }
}

// Ctrl-C before the changes are put in place stops the run with nothing changed; once they are
// being put in place, the run finishes that and says so.
TEST_F(PimsyncKillTest, ACtrlCSaysWhetherTheRunChangedAnything) {
  const std::string files = Files();
  const PimsyncResult early = Killable("PIMSYNC_INTERRUPT_AT=1");  // as the files are copied
  EXPECT_EQ(early.exit_status, 130);
  EXPECT_EQ(early.out, "");
  EXPECT_EQ(early.err, "pimsync: interrupted: nothing was changed\n");
  EXPECT_EQ(Files(), files);
  const PimsyncResult late = Killable("PIMSYNC_INTERRUPT_AT=" + std::to_string(points_));
  EXPECT_EQ(late.exit_status, 130);
  EXPECT_EQ(late.err, "pimsync: interrupted after the changes were committed\n");
  EXPECT_EQ(Sides(), once_);
}

// Ctrl-C half-way through a first sync: at its fourth point, the two copies made (1, 2), the
// phone's records written into its copy (3) and those of Notes into its own (4). The next run
// pairs every record once.
TEST_F(PimsyncKillTest, ACtrlCHalfWayThroughAFirstSyncLeavesNothingToAddTwice) {
  Ok("notes|create|new-phone.db");
  for (int i = 0; i < 3; ++i)
    Ok("notes|add-person|new-phone.db|FirstName=P" + std::to_string(i));
  const PimsyncResult stopped = Killable("PIMSYNC_INTERRUPT_AT=4", "new-phone.db", "new.dat");
  EXPECT_EQ(stopped.exit_status, 130);
  EXPECT_EQ(stopped.err, "pimsync: interrupted: nothing was changed\n");
  EXPECT_EQ(Names("notes.db") + "; " + Names("new-phone.db"), "Anna, Carl | Milk; P0, P1, P2 | ");
  Ok("sync|--contacts|notes.db|--phone|new-phone.db|--store|new.dat");
  EXPECT_EQ(Names("notes.db") + "; " + Names("new-phone.db"),
            "Anna, Carl, P0, P1, P2 | Milk; P0, P1, P2, Anna, Carl | Milk");
}

}  // namespace
}  // namespace pim::test
