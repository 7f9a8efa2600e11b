// A run's start and end, and the entry points around a run: the store file that Deinit writes
// and retrieval reads, the count, the retrieval's trace, the store dump, the purge and the
// phone's LUIDs written back.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "handler/handler_fixture.h"

namespace pim::test {
namespace {

const std::string kEmptyStore = Hex("01000000 0000 0000");
// A store of one contact, paired as A1 with note 1: first name Ann, revision 0x41E24410
// (2005-01-10 10:00 in central Europe).
const std::string kOneContact =
    Hex("01000000 0000 0100 FFFF 0100 0E00 43436f6e746163744f626a656374 01000000"
        "00 04000000 00000000 00000000 00 00 00 00 02 4131 03 416E6E 00 00 00 1044e241"
        "00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000"
        "01000000 00000000");

using StoreSaveTest = HandlerTest;

TEST_F(StoreSaveTest, DeinitSavesWhatTheArraysHoldWhateverHappenedBefore) {
  const notes::NOTEID ann = contacts_.AddDocument({{"FirstName", "Ann"}}, "2005-01-10 10:00:00");
  ASSERT_EQ(ann, 1u);
  EXPECT_EQ(WholeRun({.cards = "", .card_answers = "X-VOQ-LUID:A1\n"}).card_pass, 0);
  EXPECT_EQ(ToHex(ReadFile(store_)), ToHex(kOneContact));
  // A store refused for its first word is saved over with what the arrays hold: nothing.
  WriteFile(store_, Hex("02000000 0000 0000"));
  ASSERT_EQ(h_.Init(), 0);
  ASSERT_EQ(Prepare(), 0);
  EXPECT_EQ(h_.RetrievePIM(), 2);
  h_.Deinit();
  EXPECT_EQ(ToHex(ReadFile(store_)), ToHex(kEmptyStore));
  EXPECT_TRUE(NoBoxes());
  // A save that fails still releases the records. Null strings count as empty ones: an empty
  // store path, which no file can have.
  ASSERT_EQ(h_.Init(), 0);
  ASSERT_EQ(Prepare(), 0);
  EXPECT_EQ(h_.RetrievePIM(), 0);
  ASSERT_EQ(h_.Prepare(2, 200, 200, nullptr, nullptr, nullptr, nullptr, nullptr), 0);
  h_.Deinit();
  EXPECT_TRUE(Boxes({FileErrorBox("create", "", ENOENT)}));
  ClearCaptures();
  EXPECT_EQ(WholeRun({.cards = ""}).card_changes,
            "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:\nX-VOQ-PHB-STORAGE:ME\nN:Ann\n"
            "REV:20050110T100000Z\nEND:VCARD\n");
}

// Saves two empty arrays at `store` in a child process that may write the file but may not add
// one to its folder: as root, the child becomes the user nobody, who owns the file; otherwise
// the folder is made read-only for the call. Returns the number of boxes the save showed.
int SaveWhereNoFileCanBeAdded(const HandlerApi& h, const std::string& store,
                              const std::string& folder, const std::string& top) {
  const bool root = ::geteuid() == 0;
  EXPECT_EQ(root ? ::chmod(top.c_str(), 0755) + ::chown(store.c_str(), 65534, 65534)
                 : ::chmod(folder.c_str(), 0555),
            0);
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    if (root && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(100);
    h.Prepare(2, 200, 200, "", "", "", "", store.c_str());
    h.Deinit();
    ::_exit(static_cast<int>(std::min<size_t>(CapturedBoxes().size(), 99)));
  }
  int status = 0;
  EXPECT_EQ(::waitpid(child, &status, 0), child);
  ::chmod(folder.c_str(), 0755);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 101;
}

TEST_F(StoreSaveTest, ASaveReplacesTheFileALinkNamesKeepsItsAccessAndWritesInPlaceWhereItMust) {
  namespace fs = std::filesystem;
  const auto save = [&](const std::string& store) {
    ClearCaptures();
    h_.Prepare(2, 200, 200, "", "", "", "", store.c_str());
    h_.Deinit();
  };
  struct stat st {};
  ASSERT_TRUE(fs::create_directories(dir_.File("real/deeper")));
  const std::string target = dir_.File("real/deeper/pim.store");
  {
    SCOPED_TRACE("a chain of relative links to a private file of another owner");
    WriteFile(target, kOneContact);
    ASSERT_EQ(::chmod(target.c_str(), 0600), 0);
    ASSERT_EQ(::geteuid() == 0 ? ::chown(target.c_str(), 65534, 65534) : 0, 0);
    fs::create_symlink("deeper/pim.store", dir_.File("real/link"));
    fs::create_symlink("real/link", dir_.File("linked.store"));
    save(dir_.File("linked.store"));
    EXPECT_TRUE(NoBoxes());
    EXPECT_EQ(fs::read_symlink(dir_.File("linked.store")), "real/link");
    EXPECT_EQ(fs::read_symlink(dir_.File("real/link")), "deeper/pim.store");
    EXPECT_EQ(ToHex(ReadFile(target)), ToHex(kEmptyStore));
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(st.st_uid + st.st_gid, ::geteuid() == 0 ? 2u * 65534 : ::geteuid() + ::getegid());
    EXPECT_FALSE(fs::exists(target + ".new"));
  }
  {
    SCOPED_TRACE("a folder that takes no new file");
    const std::string store = dir_.File("locked/pim.store");
    ASSERT_TRUE(fs::create_directory(dir_.File("locked")));
    WriteFile(store, kOneContact);
    ASSERT_EQ(::chmod(store.c_str(), 0640), 0);
    ASSERT_EQ(::stat(store.c_str(), &st), 0);
    const ino_t before = st.st_ino;
    EXPECT_EQ(SaveWhereNoFileCanBeAdded(h_, store, dir_.File("locked"), dir_.path()), 0);
    ASSERT_EQ(::stat(store.c_str(), &st), 0);
    EXPECT_EQ(st.st_ino, before) << "written in place";
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(ToHex(ReadFile(store)), ToHex(kEmptyStore));
  }
  {
    SCOPED_TRACE("a link where the new store is written first");
    WriteFile(target, kOneContact);
    fs::create_symlink(dir_.File("elsewhere"), target + ".new");
    save(dir_.File("linked.store"));
    EXPECT_TRUE(
        Boxes({ExpectedBox("Cannot create \"" + dir_.File("linked.store") + "\": \"" + target +
                               ".new\", where the new store is written first, is a "
                               "symbolic link. Move it away and try again.",
                           nullptr, 0)}));
    EXPECT_EQ(ToHex(ReadFile(target)), ToHex(kOneContact));
    EXPECT_FALSE(fs::exists(dir_.File("elsewhere")));
  }
}

using RetrievalTest = HandlerTest;

TEST_F(RetrievalTest, CountsAndTracesPersonsAndTheSingleDayEntriesOfItsRange) {
  AddAnn(contacts_);
  // The first category that names a group gives it.
  contacts_.AddDocument(
      {{"FirstName", "Bob"}, {"CellPhoneNumber", "0170"}, {"Categories", " golf, business,VIP "}},
      "2005-01-11 09:30:00", "PERSON");
  contacts_.AddDocument({{"ListName", "Team"}}, "2005-01-10 11:00:00", "Group");
  AddDentist(calendar_);
  const auto todo = [&](const char* begin, const char* end, const char* brief) {
    calendar_.AddTodo(begin, end, brief, false, "2005-01-10 12:00:00");
  };
  todo("2005-01-13 23:00:00", "2005-01-14 01:00:00", "Two days");
  todo("1989-12-31 09:00:00", "1989-12-31 10:00:00", "Too early");
  todo("1990-01-01 00:00:00", "1990-01-01 01:00:00", "First day");
  todo("2020-01-01 12:00:00", "2020-01-01 13:00:00", "Last day");
  todo("2020-01-02 09:00:00", "2020-01-02 10:00:00", "Too late");
  ASSERT_EQ(h_.Init(), 0);
  ASSERT_EQ(Prepare(), 0);
  uint32_t contacts = 99, calendar = 99;
  EXPECT_EQ(h_.QueryObjectCount(&contacts, &calendar), 0);
  // Every entry of the range counts, the one of two days too; only Person documents do.
  EXPECT_EQ(contacts, 2u);
  EXPECT_EQ(calendar, 4u);
  EXPECT_FALSE(std::filesystem::exists(store_)) << "the count reads Notes alone";
  ClearCaptures();
  EXPECT_EQ(h_.RetrievePIM(), 0);
  std::string trace;
  for (const std::string& line : CapturedDebugLines())
    trace += line + "|";
  EXPECT_EQ(trace,
            "<-- Calendar Entry|First day|1990-01-01 00:00:00 - 1990-01-01 01:00:00|"
            "Calendar Entry -->|<-- Calendar Entry|Dentist|2005-01-12 09:00:00 - 2005-01-12 "
            "10:00:00|Calendar Entry -->|<-- Calendar Entry|Last day|2020-01-01 12:00:00 - "
            "2020-01-01 13:00:00|Calendar Entry -->|<-- Contact|First Name:|Ann|Categories:|"
            "Family|Office:|111| Contact -->|<-- Contact|First Name:|Bob|Categories:| golf, "
            "business,VIP |Cell Phone Number:|0170|"
            " Contact -->|");
  std::string changes;
  EXPECT_EQ(Pass(h_.SyncVCard, "", changes), 0);
  EXPECT_EQ(changes,
            AnnCard("") +
                "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:\nX-VOQ-PHB-STORAGE:ME\nN:Bob\n"
                "TEL;CELL;VOICE:0170\nX-VOQ-PHB-CGROUP-ID:1\nREV:20050111T093000Z\nEND:VCARD\n");
  EXPECT_TRUE(NoBoxes());
}

TEST_F(RetrievalTest, ADamagedStoreKeepsTheRecordsReadBeforeItsFault) {
  contacts_.AddDocument({{"FirstName", "Ann"}}, "2005-01-10 10:00:00");
  // Two contacts, the second cut short after its note ID.
  std::string two = kOneContact;
  two[6] = '\x02';
  WriteFile(store_, two + Hex("0180 05000000"));
  ASSERT_EQ(h_.Init(), 0);
  ASSERT_EQ(Prepare(), 0);
  EXPECT_EQ(h_.RetrievePIM(), 0);
  EXPECT_TRUE(NoBoxes()) << "a damaged store is not reported";
  std::string changes;
  EXPECT_EQ(Pass(h_.SyncVCard, "BEGIN:VCARD\nX-VOQ-LUID:A1\nN:Ann\nEND:VCARD\n", changes), 0);
  EXPECT_EQ(changes, "") << "Ann and the phone's A1 are still paired";
}

TEST_F(RetrievalTest, ThePurgeDeletesPersonsAndTheEntriesOfTheRangeAndTheNextRunTellsThePhone) {
  AddAnn(contacts_);
  const notes::NOTEID group = contacts_.AddDocument({{"ListName", "Team"}, {"Type", "Person"}},
                                                    "2005-01-10 10:00:00", "Group");
  contacts_.AddDocument({{"FirstName", "Cid"}}, "2005-01-10 10:00:00", "PERSON");
  AddDentist(calendar_);
  const notes::NOTEID late = calendar_.AddTodo("2020-01-02 00:00:00", "2020-01-02 00:30:00",
                                               "Too late", false, "2005-01-10 12:00:00");
  WholeRun({.cards = "", .card_answers = "X-VOQ-LUID:A1\nX-VOQ-LUID:C1\n"});
  const std::string store = ReadFile(store_);
  ASSERT_EQ(Prepare(), 0);
  EXPECT_EQ(h_.PurgeAll(), 0);
  EXPECT_EQ(contacts_.NoteIds(), std::vector<notes::NOTEID>{group});
  EXPECT_EQ(calendar_.NoteIds(), std::vector<notes::NOTEID>{late});
  EXPECT_EQ(ReadFile(store_), store) << "the purge leaves the store alone";
  const Outcome run = WholeRun({.cards = AnnCard("A1")});
  EXPECT_EQ(run.card_changes, "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:A1\nEND:VCARD\n");
  EXPECT_TRUE(NoBoxes());
}

TEST_F(RetrievalTest, TheAnswerFileGivesItsLuidsToTheRecordsSentAsNewInOrder) {
  for (const char* name : {"Ann", "Bob", "Cid"})
    contacts_.AddDocument({{"FirstName", name}}, "2005-01-10 10:00:00");
  const struct {
    const char* what;
    std::string answers;
    int32_t result;
    std::string luids;  // of Ann, Bob and Cid afterwards
  } cases[] = {
      {"one a record", "X-VOQ-LUID:a\nX-VOQ-LUID:b\nX-VOQ-LUID:c\n", 0, "a|b|c|"},
      {"one too many", "X-VOQ-LUID:a\nX-VOQ-LUID:b\nX-VOQ-LUID:c\nX-VOQ-LUID:d\n", 1, "a|b|c|"},
      {"one too few", "X-VOQ-LUID:a\nX-VOQ-LUID:b\n", 1, "a|b||"},
      {"other lines between",
       "BEGIN:VCARD\nx-voq-luid:a\nX-VOQ-LUID b\nX-VOQ-LUID:\nEND:VCARD\nX-VOQ-LUID:c\n", 0,
       "a||c|"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    store_ = dir_.File(std::string(c.what) + ".store");  // none yet: every contact is new
    ASSERT_EQ(h_.Init(), 0);
    ASSERT_EQ(Prepare(), 0);
    ASSERT_EQ(h_.RetrievePIM(), 0);
    std::string changes;
    ASSERT_EQ(Pass(h_.SyncVCard, "", changes), 0);
    EXPECT_EQ(Answer(h_.UpdateVCardLUID, c.answers), c.result);
    h_.Deinit();
    std::string luids;
    for (const std::string& card : DumpedStore()) {
      const size_t at = card.find("X-VOQ-LUID:") + 11;
      luids += card.substr(at, card.find('\n', at) - at) + "|";
    }
    EXPECT_EQ(luids, c.luids);
  }
}

}  // namespace
}  // namespace pim::test
