// `pimsync sync` and `pimsync demo` end to end: the built host drives the built library over
// several consecutive runs, and the tests look at what Notes and the phone hold afterwards.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "notesapi/lncalendar.h"
#include "notesapi/lnsession.h"
#include "pimsync_runner.h"
#include "support/test_support.h"

namespace pim {
namespace {

using namespace notes;  // NOLINT
using Items = std::vector<std::pair<std::string, std::string>>;

// A local date-time `hours` from now: edits stamped in the future are later than anything a
// run saves, so the tests decide which side is newer.
LNDatetime HoursFromNow(int hours) {
  const std::time_t t = std::time(nullptr) + hours * 3600;
  std::tm tm{};
  localtime_r(&t, &tm);
  LNDatetime when;
  when.SetDate(tm.tm_mon + 1, tm.tm_mday, tm.tm_year + 1900);
  when.SetTime(tm.tm_hour, tm.tm_min, tm.tm_sec, 0);
  return when;
}

// One Notes database, opened for the length of one call.
class Db {
 public:
  explicit Db(const std::string& path) {
    LNSetThrowAllErrorsGlobal(TRUE);
    session_.Initialize();
    session_.GetDatabase(path, &db_, "");
    db_.Open();
    session_.GetCalendar(&calendar_, path, "", "");
  }
  ~Db() { session_.Term(0); }

  NOTEID AddPerson(const Items& items) {
    LNDocument doc;
    db_.CreateDocument(&doc, "Person");
    Write(doc, items, LNDatetime());
    return doc.GetNoteID();
  }

  NOTEID AddTodo(const std::string& brief) {
    LNDatetimeRange range;
    LNDatetime start;
    start.SetDate(3, 14, 2019);
    start.SetTime(9, 0, 0, 0);
    LNDatetime end = start;
    end.SetTime(10, 0, 0, 0);
    range.SetBegin(start);
    range.SetEnd(end);
    LNCalendarEntry entry;
    calendar_.CreateEntry(range, brief, LNCALENDARENTRYTYPE_TODO, &entry);
    return entry.GetNoteID();
  }

  void Edit(NOTEID id, const Items& items, const LNDatetime& modified) {
    LNDocument doc;
    db_.GetDocument(id, &doc);
    doc.Open(0);
    Write(doc, items, modified);
  }

  void Delete(NOTEID id) { db_.DeleteNote(id); }

  // First names of the Person documents, each with the value of `item`.
  std::map<std::string, std::string> People(const std::string& item = "FirstName") {
    std::map<std::string, std::string> people;
    LNDocumentArray docs;
    db_.GetDocuments(&docs);
    for (uint32_t i = 0; i < docs.GetCount(); ++i) {
      LNDocument doc = docs[i];
      doc.Open(0);
      if (doc.GetFormName() != "Person") continue;
      people[Text(doc, "FirstName")] = Text(doc, item);
    }
    return people;
  }

  std::vector<std::string> Todos() {
    std::vector<std::string> briefs;
    LNDocumentArray docs;
    db_.GetDocuments(&docs);
    for (uint32_t i = 0; i < docs.GetCount(); ++i) {
      LNDocument doc = docs[i];
      doc.Open(0);
      if (LNCalendarEntry::IsCalendarEntry(doc)) briefs.push_back(Text(doc, kEntryBriefItem));
    }
    return briefs;
  }

  NOTEID Find(const std::string& first_name) {
    LNDocumentArray docs;
    db_.GetDocuments(&docs);
    for (uint32_t i = 0; i < docs.GetCount(); ++i) {
      LNDocument doc = docs[i];
      doc.Open(0);
      if (Text(doc, "FirstName") == first_name) return doc.GetNoteID();
    }
    ADD_FAILURE() << "no " << first_name;
    return 0;
  }

 private:
  static std::string Text(const LNDocument& doc, const std::string& name) {
    if (!doc.HasItem(name)) return "(none)";
    LNItem item;
    doc.GetItem(name, &item);
    return item.Texts() && !item.Texts()->empty() ? item.Texts()->front() : "";
  }

  static void Write(LNDocument& doc, const Items& items, const LNDatetime& modified) {
    for (const auto& [name, value] : items) {
      LNText text;
      text.SetValue(value, TRUE);
      doc.CreateItem(name, text);
    }
    if (modified.GetState() == LNDATETIMESTATE_DATE_AND_TIME) doc.SetLastModifiedForSave(modified);
    doc.Save(0);
  }

  LNNotesSession session_;
  LNDatabase db_;
  LNCalendar calendar_;
};

using People = std::map<std::string, std::string>;

class PimsyncSyncTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(LNDatabase::Create(notes_, "Notes"), LNNOERROR);
    ASSERT_EQ(LNDatabase::Create(phone_, "Phone"), LNNOERROR);
  }

  test::PimsyncResult Sync(std::vector<std::string> more = {}) {
    std::vector<std::string> args = {"sync", "--contacts", notes_, "--phone",
                                     phone_, "--store",    store_};
    args.insert(args.end(), more.begin(), more.end());
    return test::RunPimsync(dir_, args);
  }

  // A run that must succeed and leave no message.
  std::string SyncOk(std::vector<std::string> more = {}) {
    const test::PimsyncResult result = Sync(std::move(more));
    EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
    EXPECT_EQ(result.err, "");
    return result.out;
  }

  test::TempDir dir_;
  const std::string notes_ = dir_.File("notes.db");
  const std::string phone_ = dir_.File("phone.db");
  const std::string store_ = dir_.File("store.dat");
  test::ScopedTimeZone tz_{test::kCentralEurope};
};

constexpr char kNothingDone[] =
    "contacts\n"
    "  Notes: 3 before, 3 after: 0 added, 0 changed, 0 deleted\n"
    "  phone: 3 before, 3 after: 0 added, 0 changed, 0 deleted\n"
    "to-dos\n"
    "  Notes: 2 before, 2 after: 0 added, 0 changed, 0 deleted\n"
    "  phone: 2 before, 2 after: 0 added, 0 changed, 0 deleted\n";

TEST_F(PimsyncSyncTest, FirstRunSendsEachSideToTheOtherAndTheSecondHasNothingToDo) {
  Db(notes_).AddPerson({{"FirstName", "Ann"}, {"CellPhoneNumber", "0170"}});
  Db(notes_).AddPerson({{"FirstName", "Bob"}, {"Categories", "Business"}});
  Db(phone_).AddPerson({{"FirstName", "Carl"}, {"PhoneNumber", "030"}});
  Db(notes_).AddTodo("Milk");
  Db(phone_).AddTodo("Bread");

  EXPECT_EQ(SyncOk(),
            "contacts\n"
            "  Notes: 2 before, 3 after: 1 added, 0 changed, 0 deleted\n"
            "  phone: 1 before, 3 after: 2 added, 0 changed, 0 deleted\n"
            "to-dos\n"
            "  Notes: 1 before, 2 after: 1 added, 0 changed, 0 deleted\n"
            "  phone: 1 before, 2 after: 1 added, 0 changed, 0 deleted\n");
  EXPECT_EQ(Db(notes_).People("CellPhoneNumber"),
            (People{{"Ann", "0170"}, {"Bob", "(none)"}, {"Carl", ""}}));
  EXPECT_EQ(Db(phone_).People("PhoneNumber"), (People{{"Ann", ""}, {"Bob", ""}, {"Carl", "030"}}));
  EXPECT_EQ(Db(phone_).People("Categories")["Bob"], "Business");
  EXPECT_EQ(Db(notes_).Todos(), (std::vector<std::string>{"Milk", "Bread"}));
  EXPECT_EQ(Db(phone_).Todos(), (std::vector<std::string>{"Bread", "Milk"}));

  EXPECT_EQ(SyncOk(), kNothingDone);
  EXPECT_EQ(SyncOk(), kNothingDone);
}

TEST_F(PimsyncSyncTest, LuidsOfTheStoreAreThePhonesNoteIds) {
  Db(notes_).AddPerson({{"FirstName", "Ann"}});
  SyncOk();
  const NOTEID on_phone = Db(phone_).Find("Ann");
  const test::PimsyncResult dump = test::RunPimsync(dir_, {"dump", store_});
  EXPECT_EQ(dump.exit_status, 0);
  EXPECT_NE(dump.out.find("X-VOQ-LUID:" + std::to_string(on_phone) + "\n"), std::string::npos)
      << dump.out;
}

TEST_F(PimsyncSyncTest, APhoneWhoseNoteIdsPass2To31PairsEachRecordOnce) {
  ASSERT_EQ(std::remove(phone_.c_str()), 0);
  ASSERT_EQ(test::RunPimsync(dir_, {"notes", "create", phone_, "--first-note-id", "2147483647"})
                .exit_status,
            0);
  Db(notes_).AddPerson({{"FirstName", "Ann"}});
  Db(notes_).AddPerson({{"FirstName", "Bob"}});
  Db(notes_).AddTodo("Milk");
  Db(phone_).AddPerson({{"FirstName", "Carl"}});
  SyncOk();
  const std::string in_step =
      "contacts\n"
      "  Notes: 3 before, 3 after: 0 added, 0 changed, 0 deleted\n"
      "  phone: 3 before, 3 after: 0 added, 0 changed, 0 deleted\n"
      "to-dos\n"
      "  Notes: 1 before, 1 after: 0 added, 0 changed, 0 deleted\n"
      "  phone: 1 before, 1 after: 0 added, 0 changed, 0 deleted\n";
  EXPECT_EQ(SyncOk(), in_step);
  EXPECT_EQ(SyncOk(), in_step);
  EXPECT_EQ(Db(phone_).People(), (People{{"Ann", "Ann"}, {"Bob", "Bob"}, {"Carl", "Carl"}}));
}

TEST_F(PimsyncSyncTest, ALinkedPrivateStoreStaysALinkedPrivateStore) {
  namespace fs = std::filesystem;
  fs::create_directory(dir_.File("private"));
  const std::string real = dir_.File("private/store.dat");
  fs::create_symlink("private/store.dat", store_);
  Db(notes_).AddPerson({{"FirstName", "Ann"}});
  SyncOk();
  ASSERT_EQ(::chmod(real.c_str(), 0600), 0);
  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE("run " + std::to_string(run));
    Db(notes_).AddPerson({{"FirstName", "Bob" + std::to_string(run)}});
    SyncOk();
    EXPECT_EQ(fs::read_symlink(store_), "private/store.dat");
    struct stat st {};
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    const test::PimsyncResult dump = test::RunPimsync(dir_, {"dump", real});
    EXPECT_EQ(dump.exit_status, 0);
    EXPECT_NE(dump.out.find("N:Bob" + std::to_string(run) + "\n"), std::string::npos) << dump.out;
  }
  EXPECT_EQ(Db(phone_).People(), (People{{"Ann", "Ann"}, {"Bob1", "Bob1"}, {"Bob2", "Bob2"}}));
}

struct ConflictCase {
  const char* label;
  int notes_hours;  // when Notes changed the e-mail, from now
  int phone_hours;  // when the phone did
  const char* winner;
};

void PrintTo(const ConflictCase& c, std::ostream* os) {
  *os << c.label;
}

class ConflictTest : public PimsyncSyncTest, public testing::WithParamInterface<ConflictCase> {};

TEST_P(ConflictTest, TheLaterSideWinsAndNotesWinsATie) {
  Db(notes_).AddPerson({{"FirstName", "Ann"}, {"MailAddress", "old@example.org"}});
  SyncOk();
  const NOTEID on_phone = Db(phone_).Find("Ann");
  Db(notes_).Edit(Db(notes_).Find("Ann"), {{"MailAddress", "notes@example.org"}},
                  HoursFromNow(GetParam().notes_hours));
  Db(phone_).Edit(on_phone, {{"MailAddress", "phone@example.org"}},
                  HoursFromNow(GetParam().phone_hours));
  SyncOk();
  const std::string expected = std::string(GetParam().winner) + "@example.org";
  EXPECT_EQ(Db(notes_).People("MailAddress")["Ann"], expected);
  // Notes' change reaches the phone alone: the fake phone rewrites the whole contact with it.
  EXPECT_EQ(Db(phone_).People("MailAddress")[expected == "notes@example.org" ? "" : "Ann"],
            expected);
}

INSTANTIATE_TEST_SUITE_P(Times, ConflictTest,
                         testing::Values(ConflictCase{"phone newer", 1, 2, "phone"},
                                         ConflictCase{"phone older", 2, 1, "notes"},
                                         ConflictCase{"same time", 1, 1, "notes"}));

TEST_F(PimsyncSyncTest, ChangesOnEitherSideReachTheOther) {
  Db(notes_).AddPerson({{"FirstName", "Ann"}, {"CompanyName", "ACME"}});
  Db(notes_).AddPerson({{"FirstName", "Bob"}, {"PhoneNumber", "030"}});
  SyncOk();
  Db(notes_).Edit(Db(notes_).Find("Ann"), {{"CompanyName", "Initech"}}, HoursFromNow(1));
  Db(phone_).Edit(Db(phone_).Find("Bob"), {{"PhoneNumber", "040"}}, HoursFromNow(1));
  SyncOk();
  // The fake phone rewrites the whole contact with the change, as its phone does; Notes keeps
  // every field.
  EXPECT_EQ(Db(phone_).People("CompanyName"), (People{{"", "Initech"}, {"Bob", ""}}));
  EXPECT_EQ(Db(notes_).People("CompanyName"), (People{{"Ann", "Initech"}, {"Bob", ""}}));
  EXPECT_EQ(Db(notes_).People("PhoneNumber")["Bob"], "040");
}

struct DeletionCase {
  const char* label;
  const char* mode;
  bool deleted_in_notes;  // else deleted on the phone
  People notes_after;     // first names, each with its "FirstName"
  People phone_after;
};

void PrintTo(const DeletionCase& c, std::ostream* os) {
  *os << c.label;
}

class DeletionTest : public PimsyncSyncTest, public testing::WithParamInterface<DeletionCase> {};

TEST_P(DeletionTest, SettlesUnderTheSyncMode) {
  Db(notes_).AddPerson({{"FirstName", "Ann"}});
  Db(notes_).AddPerson({{"FirstName", "Bob"}});
  SyncOk({"--mode", GetParam().mode});
  if (GetParam().deleted_in_notes) {
    Db(notes_).Delete(Db(notes_).Find("Bob"));
  } else {
    Db(phone_).Delete(Db(phone_).Find("Bob"));
  }
  SyncOk({"--mode", GetParam().mode});
  EXPECT_EQ(Db(notes_).People(), GetParam().notes_after);
  EXPECT_EQ(Db(phone_).People(), GetParam().phone_after);
  // Settled: the next run changes nothing.
  const std::string third = SyncOk({"--mode", GetParam().mode});
  EXPECT_EQ(third.find("1 added"), std::string::npos) << third;
  EXPECT_EQ(third.find("1 deleted"), std::string::npos) << third;
}

const People kBoth = {{"Ann", "Ann"}, {"Bob", "Bob"}};
const People kAnnOnly = {{"Ann", "Ann"}};

INSTANTIATE_TEST_SUITE_P(
    Modes, DeletionTest,
    testing::Values(DeletionCase{"mode 0, deleted in Notes", "0", true, kAnnOnly, kAnnOnly},
                    DeletionCase{"mode 0, deleted on the phone", "0", false, kBoth, kBoth},
                    DeletionCase{"mode 1, deleted in Notes", "1", true, kBoth, kBoth},
                    DeletionCase{"mode 1, deleted on the phone", "1", false, kAnnOnly, kAnnOnly},
                    DeletionCase{"mode 2, deleted in Notes", "2", true, kAnnOnly, kAnnOnly},
                    DeletionCase{"mode 2, deleted on the phone", "2", false, kAnnOnly, kAnnOnly}));

TEST_F(PimsyncSyncTest, OverTheLimitNothingMovesUntilTheLimitAllowsIt) {
  Db(notes_).AddPerson({{"FirstName", "Ann"}});
  Db(notes_).AddPerson({{"FirstName", "Bob"}});
  SyncOk({"--contact-limit", "2"});  // a count equal to the limit passes
  Db(phone_).AddPerson({{"FirstName", "Carl"}});
  const test::PimsyncResult over = Sync({"--contact-limit", "2"});
  EXPECT_EQ(over.exit_status, 1);
  EXPECT_NE(
      over.out.find("entry points that did not return 0:\n  PIMHandler_SyncVCard returned 3\n"),
      std::string::npos)
      << over.out;
  EXPECT_EQ(Db(notes_).People(), kBoth);
  SyncOk({"--contact-limit", "3"});
  EXPECT_EQ(Db(notes_).People().count("Carl"), 1u);
}

TEST_F(PimsyncSyncTest, KeepsTheExchangedFilesUnderTheirNames) {
  Db(notes_).AddPerson({{"FirstName", "Ann"}});
  SyncOk({"--keep", "exchange"});
  for (const char* name : {"phone-contacts.vcf", "phone-todos.vcs", "changes-contacts.vcf",
                           "changes-todos.vcs", "answers-contacts.vcf", "answers-todos.vcs"}) {
    EXPECT_TRUE(std::ifstream(dir_.File("exchange/") + name).good()) << name;
  }
  EXPECT_EQ(test::ReadFile(dir_.File("exchange/changes-todos.vcs")),
            "BEGIN:VCALENDAR\nVERSION:1.0\nEND:VCALENDAR\n");
}

TEST_F(PimsyncSyncTest, AStoreInUseIsRefused) {
  const int fd = ::open((store_ + ".lock").c_str(), O_RDWR | O_CREAT, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  const test::PimsyncResult refused = Sync();
  ::close(fd);
  EXPECT_NE(refused.exit_status, 0);
  EXPECT_EQ(refused.err, "pimsync: the store " + store_ +
                             " is in use by another pimsync sync; try again when it has ended\n");
  EXPECT_FALSE(std::ifstream(store_).good());
}

TEST_F(PimsyncSyncTest, AStoreThatCannotBeReadStopsTheRunBeforeItIsSavedOver) {
  Db(notes_).AddPerson({{"FirstName", "Ann"}});
  ASSERT_EQ(::mkdir(store_.c_str(), 0700), 0);  // a folder where the store file should be
  const test::PimsyncResult run = Sync();
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_EQ(run.err, "handler: message: Error: Cannot open \"" + store_ + "\": Is a directory.\n");
  EXPECT_NE(run.out.find("the store file " + store_ + " could not be read"), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("the run stopped before PIMHandler_Deinit"), std::string::npos);
  EXPECT_TRUE(Db(phone_).People().empty());
}

TEST_F(PimsyncSyncTest, BadArgumentsGiveOneLineAndStatusTwo) {
  const test::PimsyncResult missing = test::RunPimsync(dir_, {"sync", "--contacts", notes_});
  EXPECT_EQ(missing.exit_status, 2);
  EXPECT_EQ(missing.err, "pimsync: sync: --phone is required (see 'pimsync sync --help')\n");
  const test::PimsyncResult mode = Sync({"--mode", "3"});
  EXPECT_EQ(mode.exit_status, 2);
  EXPECT_EQ(mode.err, "pimsync: sync: --mode takes 0, 1 or 2 (see 'pimsync sync --help')\n");
}

TEST_F(PimsyncSyncTest, MessageBoxesGoToStandardError) {
  const test::PimsyncResult run = test::RunPimsync(
      dir_, {"sync", "--contacts", dir_.File("missing.db"), "--phone", phone_, "--store", store_});
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_NE(run.err.find("handler: message: Error: "), std::string::npos) << run.err;
  EXPECT_NE(run.out.find("the run stopped before PIMHandler_Deinit"), std::string::npos);
  EXPECT_FALSE(std::ifstream(store_).good());
}

TEST(PimsyncDemoTest, RunsTwiceInAFreshFolder) {
  test::TempDir dir;
  test::ScopedTimeZone tz(test::kCentralEurope);
  const test::PimsyncResult first = test::RunPimsync(dir, {"demo"});
  ASSERT_EQ(first.exit_status, 0) << first.out << first.err;
  EXPECT_EQ(first.err, "");
  EXPECT_NE(first.out.find("contacts\n  Notes: 13 before, 14 after: 2 added, 2 changed, 1 deleted\n"
                           "  phone: 13 before, 14 after: 2 added, 1 changed, 1 deleted\n"),
            std::string::npos)
      << first.out;
  const test::PimsyncResult second = test::RunPimsync(dir, {"demo"});
  ASSERT_EQ(second.exit_status, 0) << second.out << second.err;
  EXPECT_NE(second.out.find("contacts\n  Notes: 14 before, 14 after: 0 added, 0 changed, 0 "
                            "deleted\n  phone: 14 before, 14 after: 0 added, 0 changed, 0 "
                            "deleted\nto-dos\n  Notes: 7 before, 7 after: 0 added, 0 changed, 0 "
                            "deleted\n  phone: 7 before, 7 after: 0 added, 0 changed, 0 deleted\n"),
            std::string::npos)
      << second.out;
}

}  // namespace
}  // namespace pim
