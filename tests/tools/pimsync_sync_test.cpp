// `pimsync sync` and `pimsync demo` end to end: the built host drives the built library
// over consecutive runs, with a second Notes database as the phone's memory.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iterator>
#include <sstream>
#include <tuple>
#include <vector>

#include "pimsync_runner.h"

namespace pim::test {
namespace {

const std::string kSync = "sync|--contacts|notes.db|--phone|phone.db|--store|store.dat";

// The report of a run from its counts: contacts in Notes, on the phone, then to-dos in Notes, on
// the phone, each as before, after, added, changed, deleted; and the records each side's line
// names, side by side in `named`, separated by '|' ("added: Ann|deleted: Bob" for two lines).
std::string Report(const std::string& counts, const std::vector<std::string>& named = {}) {
  std::istringstream in(counts);
  std::string text;
  size_t at = 0;
  for (const char* side : {"contacts\n  Notes", "  phone", "to-dos\n  Notes", "  phone"}) {
    int n[5] = {};
    char line[120];
    in >> n[0] >> n[1] >> n[2] >> n[3] >> n[4];
    std::snprintf(line, sizeof line, "%s: %d before, %d after: %d added, %d changed, %d deleted\n",
                  side, n[0], n[1], n[2], n[3], n[4]);
    text += line;
    const std::string names = at < named.size() ? named[at] : "";
    for (size_t begin = 0; begin < names.size();) {
      const size_t end = std::min(names.find('|', begin), names.size());
      text += "    " + names.substr(begin, end - begin) + "\n";
      begin = end + 1;
    }
    ++at;
  }
  return text;
}

class PimsyncSyncTest : public PimsyncTest {
 protected:
  void SetUp() override {
    Ok("notes|create|notes.db");
    Ok("notes|create|phone.db");
  }
  void AddTodo(const std::string& db, const std::string& brief, const std::string& day) {
    Ok("notes|add-todo|" + db + "|--brief|" + brief + "|--start|" + day + " 09:00:00|--end|" + day +
       " 09:30:00");
  }
  ScopedTimeZone zone_{kCentralEurope};  // to-dos travel in local time
};

TEST_F(PimsyncSyncTest, RunsGiveEachSideWhatItLacksWithinTheLimitsUntilNothingIsLeft) {
  EXPECT_NE(Run("notes|add-person|notes.db|FirstName=Ann|CellPhoneNumber=0170|Comment=not synced")
                .err.find("warning: Comment never syncs;"),
            std::string::npos);
  Ok("notes|add-person|notes.db|FirstName=Bob|Categories=Business");
  Ok("notes|add-person|notes.db|--form|Memo|FirstName=Memo");
  Ok("notes|add-person|phone.db|FirstName=Carl|PhoneNumber=030");
  AddTodo("phone.db", "Bread", "2019-03-15");
  // The retrieval takes the one-day to-dos that start in the range's days, both included.
  const std::string sync = kSync + "|--todo-range|1990-01-01..2020-01-01";
  for (const char* todo : {"Milk|--start|2019-03-14 09:00:00|--end|2019-03-14 10:00:00|--alarm|on",
                           "First|--start|1990-01-01 00:00:00|--end|1990-01-01 01:00:00",
                           "Last|--start|2020-01-01 23:00:00|--end|2020-01-01 23:59:59",
                           "Early|--start|1989-12-31 23:00:00|--end|1989-12-31 23:30:00",
                           "Late|--start|2020-01-02 00:00:00|--end|2020-01-02 01:00:00",
                           "Two days|--start|2019-03-14 23:00:00|--end|2019-03-15 01:00:00"}) {
    Ok(std::string("notes|add-todo|notes.db|--brief|") + todo);
  }
  // A phone pass whose records (both sides' together) pass its limit moves nothing; one at its
  // limit passes.
  const std::string left_out =
      "to-dos in Notes that the run left out\n"
      "  2 outside 1990-01-01..2020-01-01: Early, Late\n"
      "  1 spanning two days: Two days\n";
  EXPECT_EQ(Ok(sync + "|--keep|kept|--contact-limit=3|--calendar-limit|4"),
            Report("2 3 1 0 0  1 3 2 0 0  3 4 1 0 0  1 4 3 0 0",
                   {"added: Carl", "added: Ann, Bob", "added: Bread", "added: First, Milk, Last"}) +
                left_out + "exchanged files: kept\n");
  const std::vector<std::string> items = {"FirstName", "CellPhoneNumber", "PhoneNumber",
                                          "Categories", "Comment"};
  EXPECT_EQ(
      Look(Path("notes.db"), "Person", items) + "; " + Look(Path("phone.db"), "Person", items),
      "Ann/0170/-/-/not synced, Bob/-/-/Business/-, Carl//030/-/-; "
      "Carl/-/030/-/-, Ann/0170//-/-, Bob///Business/-");
  EXPECT_EQ(Look(Path("phone.db"), "Task", {"Subject", "StartDateTime", "EndDateTime", "$Alarm"}),
            "Bread/2019-03-15 09:00:00/2019-03-15 09:30:00/0, "
            "First/1990-01-01 00:00:00/1990-01-01 01:00:00/0, "
            "Milk/2019-03-14 09:00:00/2019-03-14 10:00:00/1, "
            "Last/2020-01-01 23:00:00/2020-01-01 23:59:59/0");
  const PimsyncResult over = Run(sync + "|--contact-limit|2|--calendar-limit|4|--debug");
  // Over a limit, nothing moves, and the run says why in the words of the sides' records.
  EXPECT_EQ(over.exit_status, 1);
  EXPECT_EQ(over.out, "");
  const std::string why =
      "pimsync: Notes holds 3 contacts and the phone 3; the contact limit is 2 (raise it with "
      "--contact-limit). Nothing was changed.\n";
  EXPECT_EQ(over.err.substr(over.err.size() - std::min(over.err.size(), why.size())), why);
  EXPECT_NE(over.err.find("handler: debug: <-- Contact\n"), std::string::npos) << over.err;
  EXPECT_NE(over.err.find("phone: debug: >PIMHandler_InitAsFakePhone\n"), std::string::npos);
  EXPECT_EQ(Ok(sync), Report("3 3 0 0 0  3 3 0 0 0  4 4 0 0 0  4 4 0 0 0") + left_out);
  // A narrower range would delete the to-dos of the days left out on the phone; a wider one
  // takes them.
  const PimsyncResult narrower = Run(kSync + "|--todo-range|1990-01-02..2020-01-01");
  EXPECT_EQ(narrower.exit_status, 1);
  EXPECT_EQ(narrower.err,
            "pimsync: the run would take the to-dos of 1990-01-02..2020-01-01, fewer days than "
            "the last run on store.dat took (1990-01-01..2020-01-01): the to-dos of the days "
            "left out would be deleted on the phone. Nothing was changed; give --todo-range "
            "1990-01-01..2020-01-01, or run again with --force to narrow it.\n");
  EXPECT_EQ(Ok(kSync),
            Report("3 3 0 0 0  3 3 0 0 0  5 5 0 0 0  4 5 1 0 0", {"", "", "", "added: Late"}) +
                "to-dos in Notes that the run left out\n"
                "  1 outside 1990-01-01..2037-12-31: Early\n"
                "  1 spanning two days: Two days\n");
}

// A step that fails is said in words after the report; --debug names its entry point.
TEST_F(PimsyncSyncTest, AStepThatFailsIsSaidInWordsAndWithDebugByItsEntryPoint) {
  // Notes whose note IDs are used up, so that the phone's contact cannot be added there.
  const auto run = [&](const std::string& name, const std::string& debug) {
    Ok("notes|create|" + name + ".db|--first-note-id|4294967295");
    Ok("notes|add-person|" + name + ".db|FirstName=Cy");
    Ok("notes|create|" + name + "-phone.db");
    Ok("notes|add-person|" + name + "-phone.db|FirstName=Ann");
    return Run("sync|--contacts|" + name + ".db|--phone|" + name + "-phone.db|--store|" + name +
               ".dat" + debug);
  };
  const PimsyncResult plain = run("full", "");
  EXPECT_EQ(plain.exit_status, 1);
  EXPECT_EQ(plain.out, Report("1 1 0 0 0  1 2 1 0 0  0 0 0 0 0  0 0 0 0 0", {"", "added: Cy"}) +
                           "what did not succeed: changing Notes (the messages above say why)\n");
  EXPECT_EQ(plain.err,
            "handler: message: The Notes database cannot grow: the disk is full or every note ID "
            "is used up.\n");
  const PimsyncResult debug = run("debug", "|--debug");
  EXPECT_EQ(debug.exit_status, 1);
  EXPECT_NE(debug.out.find("entry points that did not return 0:\n  PIMHandler_UpdatePIM returned "
                           "1\n"),
            std::string::npos)
      << debug.out;
}

TEST_F(PimsyncSyncTest, AFirstRunOverALimitSaysWhyAndChangesNothing) {
  for (const char* name : {"FirstName=Ann", "FirstName=Bob", "FirstName=Cy"})
    Ok(std::string("notes|add-person|notes.db|") + name);
  const PimsyncResult run = Run(kSync + "|--contact-limit|2");
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err,
            "pimsync: Notes holds 3 contacts and the phone 0; the contact limit is 2 (raise it "
            "with --contact-limit). Nothing was changed.\n");
  EXPECT_FALSE(std::filesystem::exists(Path("store.dat")));
  EXPECT_EQ(Names("phone.db"), " | ");
  // Both sides together: nothing is paired yet.
  Ok("notes|add-person|phone.db|FirstName=Dan");
  const PimsyncResult together = Run(kSync + "|--contact-limit|3");
  EXPECT_EQ(together.exit_status, 1);
  EXPECT_EQ(together.err,
            "pimsync: Notes holds 3 contacts and the phone 1; the contact limit is 3 (raise it "
            "with --contact-limit). Nothing was changed.\n");
  Ok(kSync + "|--contact-limit|4");
  EXPECT_EQ(Names("notes.db") + " / " + Names("phone.db"),
            "Ann, Bob, Cy, Dan |  / Dan, Ann, Bob, Cy | ");
}

// The to-dos of today: pimsync takes the days up to 2037, in the handler and in the phone.
TEST_F(PimsyncSyncTest, ToDosOfTodaySyncBothWaysAndStayRunAfterRun) {
  AddTodo("notes.db", "Vet", "2025-06-03");
  AddTodo("phone.db", "Walk", "2026-12-24");
  for (int run = 0; run < 3; ++run)
    Ok(kSync + "|--mode|2");
  EXPECT_EQ(Names("notes.db") + " / " + Names("phone.db"), " | Vet, Walk /  | Walk, Vet");
}

// A database that is missing, or is not one, is named with its option and what to do, once,
// before anything is read: no report of a run that did not start.
TEST_F(PimsyncSyncTest, AMissingOrForeignDatabaseIsNamedWithItsOptionAndWhatToDo) {
  Ok("notes|add-person|notes.db|FirstName=Ann");
  WriteFile(Path("store.dat"), Hex("01 00 00 00 00 00 00 00"));
  WriteFile(Path("text.db"), "not a database\n");
  const std::pair<std::string, std::string> cases[] = {
      {"none.db|--phone|phone.db",
       "No Notes database at none.db (--contacts): create one with `pimsync notes create "
       "none.db`."},
      {"notes.db|--phone|none.db",
       "No Notes database at none.db (--phone): create one with `pimsync notes create none.db`."},
      {"notes.db|--phone|text.db",
       "text.db (--phone) is not a Notes database: give --phone one made with `pimsync notes "
       "create`."}};
  for (const auto& [args, err] : cases) {
    SCOPED_TRACE(args);
    const PimsyncResult run = Run("sync|--store|store.dat|--contacts|" + args);
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "pimsync: " + err + " Nothing was changed.\n");
    EXPECT_EQ(ReadFile(Path("store.dat")), Hex("01 00 00 00 00 00 00 00"));
  }
}

// A store that is not the one the last run saved, or does not read whole, pairs fewer records
// than it should: a run would add the others again on each side.
TEST_F(PimsyncSyncTest, AStoreThatIsNotTheLastRunsOrDoesNotReadWholeIsRefused) {
  Ok("notes|add-person|notes.db|FirstName=Ann");
  Ok(kSync);
  const std::string good = ReadFile(Path("store.dat"));
  const std::string check = ReadFile(Path("store.dat.check"));
  const std::string keep =
      " Nothing was changed. Put back a good copy of the store; a run without it, or with what "
      "is left of it, would add again on each side every record it pairs.";
  const std::string changed =
      "pimsync: the store store.dat is not the one the last run saved: its bytes have changed "
      "since (store.dat.check says what they were)." +
      keep + " If you put this store there on purpose, remove store.dat.check.\n";
  const std::string damaged =
      "pimsync: the store store.dat is damaged: it ends or breaks before its last record." + keep +
      "\n";
  std::string flipped = good;
  flipped[good.size() - 5] ^= 0x21;
  // The store's bytes, whether its check stays beside it, and the refusal.
  const std::tuple<const char*, std::string, bool, std::string> cases[] = {
      {"cut short", good.substr(0, good.size() / 2), true, changed},
      {"emptied", "", true, changed},
      {"bytes flipped", flipped, true, changed},
      {"lost", "", true,
       "pimsync: the store store.dat is missing, but a run saved one there (store.dat.check says "
       "so): a run without it would add every record again on each side. Nothing was changed. "
       "Put the store back; to pair the databases anew, remove store.dat.check.\n"},
      {"cut short, unchecked", good.substr(0, good.size() / 2), false, damaged},
      {"another file", Hex("02 00 00 00"), false,
       "pimsync: the store store.dat is not a sync store." + keep + "\n"},
      {"a folder", "", false,
       "pimsync: the store store.dat cannot be read: Cannot open \"store.dat\": Is a directory." +
           keep + "\n"}};
  for (const auto& [what, bytes, checked, err] : cases) {
    SCOPED_TRACE(what);
    const std::string kind = what;
    ::unlink(Path("store.dat").c_str());
    if (kind == "a folder") {
      ASSERT_EQ(::mkdir(Path("store.dat").c_str(), 0700), 0);
    } else if (kind != "lost") {
      WriteFile(Path("store.dat"), bytes);
    }
    if (!checked) ::unlink(Path("store.dat.check").c_str());
    const PimsyncResult run = Run(kSync);
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, err);
    EXPECT_EQ(Names("notes.db") + " / " + Names("phone.db"), "Ann |  / Ann | ");
    if (kind == "a folder") {
      EXPECT_EQ(::rmdir(Path("store.dat").c_str()), 0);
    } else if (kind != "lost") {
      EXPECT_EQ(ReadFile(Path("store.dat")), bytes);
    }
  }
  // The good store and its check put back, a run finds every record paired: none doubled.
  WriteFile(Path("store.dat"), good);
  WriteFile(Path("store.dat.check"), check);
  Ok(kSync);
  EXPECT_EQ(Names("notes.db") + " / " + Names("phone.db"), "Ann |  / Ann | ");
}

TEST_F(PimsyncSyncTest, AStoreUsedWithOtherDatabasesIsRefused) {
  Ok("notes|add-person|notes.db|FirstName=Ann");
  Ok(kSync);
  Ok("notes|create|other.db");
  for (const char* args : {"notes.db|--phone|other.db", "phone.db|--phone|notes.db"}) {
    const PimsyncResult run = Run(std::string("sync|--store|store.dat|--contacts|") + args);
    EXPECT_EQ(run.exit_status, 1) << args;
    EXPECT_EQ(run.err,
              "pimsync: the store store.dat was saved by a run on other databases than these "
              "(store.dat.check names them by their replica IDs): a run would pair every record "
              "anew and add it again on each side. Nothing was changed. Give --store the store of "
              "these databases; to pair them anew, move store.dat and store.dat.check away.\n");
  }
  EXPECT_EQ(Names("notes.db") + " / " + Names("phone.db") + " / " + Names("other.db"),
            "Ann |  / Ann |  /  | ");
}

// The databases carry the pairing a store makes: a run that finds them paired and no store
// would add every record again on each side.
TEST_F(PimsyncSyncTest, NoStoreOnDatabasesAStorePairedIsRefusedUntilThePhoneIsANewOne) {
  Ok("notes|add-person|notes.db|FirstName=Ann");
  Ok(kSync);
  const std::string check = ReadFile(Path("store.dat.check"));
  const std::string pairing = check.substr(check.find("pairing ") + 8, 16);
  const auto refusal = [&](const std::string& store) {
    return "pimsync: there is no store at " + store +
           ", but the databases were paired by an earlier run through a store (they carry its "
           "pairing ID " +
           pairing +
           "): a run without that store would add every record again on each side. Nothing was "
           "changed. Give --store the store of that pairing, or put it back from a backup; to "
           "start anew, sync with an empty phone database.\n";
  };
  // A second store on the same databases, and the store lost with its check.
  const PimsyncResult second = Run("sync|--contacts|notes.db|--phone|phone.db|--store|other.dat");
  ASSERT_EQ(::rename(Path("store.dat").c_str(), Path("moved.dat").c_str()), 0);
  ASSERT_EQ(::rename(Path("store.dat.check").c_str(), Path("moved.dat.check").c_str()), 0);
  const PimsyncResult lost = Run(kSync);
  for (const auto& [run, store] :
       {std::pair{&second, "other.dat"}, std::pair{&lost, "store.dat"}}) {
    EXPECT_EQ(run->exit_status, 1) << store;
    EXPECT_EQ(run->err, refusal(store));
    EXPECT_FALSE(std::filesystem::exists(Path(store)));
  }
  EXPECT_EQ(Names("notes.db") + " / " + Names("phone.db"), "Ann |  / Ann | ");
  Ok("notes|create|new-phone.db");
  Ok("sync|--contacts|notes.db|--phone|new-phone.db|--store|store.dat");
  EXPECT_EQ(Names("notes.db") + " / " + Names("new-phone.db"), "Ann |  / Ann | ");
}

TEST_F(PimsyncSyncTest, OneFileGivenForTwoPartsIsRefusedWhateverPathReachesIt) {
  Ok("notes|add-person|notes.db|FirstName=Ann");
  Ok("notes|create|todos.db");
  ASSERT_EQ(::symlink("notes.db", Path("link.db").c_str()), 0);
  const std::string phone =
      ": the phone would sync with Notes in the same database and every record would be added "
      "again on each run. Nothing was changed; give --phone a database of its own.\n";
  const std::string store =
      ": the run would write the store over a database. Nothing was changed; give --store a file "
      "of its own.\n";
  const std::pair<std::string, std::string> cases[] = {
      {"notes.db|--phone|notes.db|--store|store.dat",
       "notes.db is given as --contacts and as --phone" + phone},
      {"notes.db|--phone|./notes.db|--store|store.dat",
       "notes.db (--contacts) and ./notes.db (--phone) are the same file" + phone},
      {"link.db|--phone|notes.db|--store|store.dat",
       "link.db (--contacts) and notes.db (--phone) are the same file" + phone},
      {"phone.db|--calendar|todos.db|--phone|todos.db|--store|store.dat",
       "todos.db is given as --phone and as --calendar" + phone},
      {"notes.db|--phone|phone.db|--store|link.db",
       "notes.db (--contacts) and link.db (--store) are the same file" + store}};
  for (const auto& [args, err] : cases) {
    SCOPED_TRACE(args);
    Refused("sync|--contacts|" + args, "pimsync: " + err);
    EXPECT_EQ(Names("notes.db") + " / " + Names("phone.db"), "Ann |  /  | ");
    EXPECT_FALSE(std::filesystem::exists(Path("store.dat.lock")));
  }
}

TEST_F(PimsyncSyncTest, ARunOnADatabaseAnotherRunHoldsIsRefused) {
  Ok("notes|add-person|notes.db|FirstName=Ann");
  const int held = ::open(Path("phone.db").c_str(), O_RDONLY);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  const PimsyncResult run = Run("sync|--contacts|notes.db|--phone|phone.db|--store|other.dat");
  ::close(held);
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_EQ(run.err,
            "pimsync: phone.db (--phone) is in use by another pimsync run. Nothing was changed; "
            "try again when that run has ended.\n");
  EXPECT_EQ(Names("phone.db"), " | ");
  Ok(kSync);
  EXPECT_EQ(Names("notes.db") + " / " + Names("phone.db"), "Ann |  / Ann | ");
}

TEST_F(PimsyncSyncTest, ARunThatDeletesMuchOrMeetsAnEmptiedSideIsRefusedUnlessForced) {
  std::vector<std::string> ids;
  for (int i = 0; i < 10; ++i) {
    const std::string id = Ok("notes|add-person|notes.db|FirstName=P" + std::to_string(i));
    ids.push_back(id.substr(0, id.size() - 1));
  }
  Ok(kSync);
  for (int i = 0; i < 6; ++i)
    Ok("notes|delete|notes.db|" + ids[i]);
  const std::string again =
      " Nothing was changed; if that is what you want, run again with --force.\n";
  const std::pair<std::string, std::string> refused[] = {
      {kSync,
       "pimsync: the run would delete 6 of the 10 records of the phone (phone.db), more "
       "than --max-delete allows (50%)." +
           again},
      {kSync + "|--max-delete|5",
       "pimsync: the run would delete 6 of the 10 records of the "
       "phone (phone.db), more than --max-delete allows (5)." +
           again}};
  for (const auto& [args, err] : refused) {
    const PimsyncResult run = Run(args);
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, err);
    EXPECT_EQ(Names("phone.db"), "P0, P1, P2, P3, P4, P5, P6, P7, P8, P9 | ");
  }
  Ok(kSync + "|--max-delete|60%");
  EXPECT_EQ(Names("phone.db"), "P6, P7, P8, P9 | ");
  // A side emptied: refused whatever --max-delete allows, done with --force.
  for (int i = 6; i < 10; ++i)
    Ok("notes|delete|notes.db|" + ids[i]);
  Refused(kSync + "|--max-delete|100%",
          "pimsync: Notes (notes.db) holds no records, but the store pairs records "
          "with it: it was emptied since the last run, and the run would delete "
          "them on the other side too." +
              again);
  EXPECT_EQ(Names("phone.db"), "P6, P7, P8, P9 | ");
  Ok(kSync + "|--force");
  EXPECT_EQ(Names("phone.db"), " | ");
}

TEST_F(PimsyncSyncTest, ADryRunReportsWhatARunWouldDoAndChangesNoByte) {
  Ok("notes|add-person|notes.db|FirstName=Ann");
  Ok("notes|add-person|phone.db|FirstName=Bob");
  Ok(kSync);
  const std::string cy = Ok("notes|add-person|notes.db|FirstName=Cy");
  const std::string files = Files();
  const PimsyncResult preview = Run(kSync + "|--dry-run");
  EXPECT_EQ(preview.exit_status, 0);
  EXPECT_EQ(Files(), files);
  EXPECT_EQ(preview.out, "preview: what a run would do now; nothing was changed\n" + Ok(kSync));
  // What would stop the real run is said after the report.
  Ok("notes|delete|notes.db|" + cy.substr(0, cy.size() - 1));
  const std::string now = Files();
  const PimsyncResult refused = Run(kSync + "|--dry-run|--max-delete|0");
  EXPECT_EQ(refused.exit_status, 1);
  EXPECT_EQ(Files(), now);
  EXPECT_EQ(refused.out,
            "preview: what a run would do now; nothing was changed\n" +
                Report("2 2 0 0 0  3 2 0 0 1  0 0 0 0 0  0 0 0 0 0", {"", "deleted: Cy"}) +
                "a real run would be refused: the run would delete 1 of the 3 records of the "
                "phone (phone.db), more than --max-delete allows (0). Nothing was changed; if that "
                "is what you want, run again with --force.\n");
}

TEST_F(PimsyncSyncTest, ALinkedPrivateStoreStaysALinkedPrivateStore) {
  ASSERT_EQ(::mkdir(Path("private").c_str(), 0700), 0);
  ASSERT_EQ(::symlink("private/store.dat", Path("store.dat").c_str()), 0);
  for (int run = 1; run <= 3; ++run) {
    SCOPED_TRACE("run " + std::to_string(run));
    Ok("notes|add-person|notes.db|FirstName=N" + std::to_string(run));
    Ok(kSync);
    if (run == 1) {
      ASSERT_EQ(::chmod(Path("private/store.dat").c_str(), 0600), 0);
    }
    struct stat st {};
    ASSERT_EQ(::lstat(Path("store.dat").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(::stat(Path("private/store.dat").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
  }
  EXPECT_EQ(Names("phone.db"), "N1, N2, N3 | ");
}

// A record changed on both sides since the last run is named with the side whose change won: the
// later one, or a deletion.
TEST_F(PimsyncSyncTest, ARecordChangedOnBothSidesIsNamedWithTheSideThatWon) {
  for (const char* name : {"Zoe", "Ann", "Cy", "Dan"})
    Ok(std::string("notes|add-person|notes.db|CellPhoneNumber=1|FirstName=") + name);
  Ok(kSync);
  const auto set = [&](const char* db, const char* id, const char* at) {
    Ok(std::string("notes|set|") + db + "|" + id + "|--modified|2036-01-01 " + at +
       "|CellPhoneNumber=" + db);
  };
  set("notes.db", "1", "17:00:00");
  set("phone.db", "1", "17:30:00");
  set("notes.db", "2", "17:40:00");
  set("phone.db", "2", "17:30:00");
  set("notes.db", "3", "17:00:00");
  Ok("notes|delete|phone.db|3");
  set("phone.db", "4", "17:00:00");
  Ok("notes|delete|notes.db|4");
  std::string report = Report("3 2 0 1 1  3 2 0 1 1  0 0 0 0 0  0 0 0 0 0",
                              {"changed: Zoe|deleted: Cy", "changed: Ann|deleted: Dan"});
  report.insert(report.find("to-dos\n"),
                "  changed on both sides since the last run: 4\n"
                "    the phone's change won over Notes': Zoe\n"
                "    the phone's deletion won over Notes' change: Cy\n"
                "    Notes' change won over the phone's: Ann\n"
                "    Notes' deletion won over the phone's change: Dan\n");
  EXPECT_EQ(Ok(kSync), report);
  EXPECT_EQ(Look(Path("notes.db"), "Person", {"FirstName", "CellPhoneNumber"}) + " / " +
                Look(Path("phone.db"), "Person", {"FirstName", "CellPhoneNumber"}),
            "Zoe/phone.db, Ann/notes.db / Zoe/phone.db, /notes.db");
}

TEST_F(PimsyncSyncTest, DemoSyncsASampleThatDriftedApart) {
  std::string report =
      Report("13 14 2 2 1  13 14 2 1 1  7 7 1 0 1  6 7 1 1 0",
             {"added: Olivia Park, Paul Quinn|changed: Ann Archer Archer, Carla "
              "Diaz|deleted: Henry Irwin",
              "added: Mia Novak, Noah Ortiz|changed: Bob Baker|deleted: Grace Hall",
              "added: Buy a birthday present|deleted: Pay taxes",
              "added: Book the holiday|changed: Dentist (moved to 4 pm)"});
  report.insert(report.find("to-dos\n"),
                "  changed on both sides since the last run: 1\n"
                "    the phone's change won over Notes': Carla Diaz\n");
  EXPECT_EQ(Ok("demo|sample"),
            "Set up sample: a Notes database and a phone that were synced once and have drifted\n"
            "apart since. In Notes: Bob's office number and Carla's e-mail changed, Grace\n"
            "deleted, Mia and Noah added, the dentist renamed, the holiday to-do added. On the\n"
            "phone: Ann's mobile and Carla's e-mail changed (the phone's edit is the later one),\n"
            "Henry deleted, Olivia and Paul added, the taxes to-do deleted, a to-do added.\n\n" +
                report + "exchanged files: sample/exchange\n");
  // A folder that holds something the demo did not make is left alone.
  std::filesystem::create_directory(Path("mine"));
  WriteFile(Path("mine/letter.txt"), "Dear Ann");
  const PimsyncResult refused = Run("demo|mine");
  EXPECT_EQ(refused.exit_status, 1);
  EXPECT_EQ(refused.err,
            "pimsync: demo: mine holds mine/letter.txt, which the demo did not make; give it a "
            "new or empty folder. Nothing was changed.\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Path("mine")), {}), 1);
}

}  // namespace
}  // namespace pim::test
