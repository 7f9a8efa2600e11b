// The start and end of a run through the exported functions: the settings, the store file that
// Deinit writes, and how the reports reach the host.
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

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Runs the body with the current folder set to a fresh one, then goes back: the body must have
// left nothing in it.
template <class Body>
void InEmptyFolder(Body&& body) {
  TempDir folder;
  const std::filesystem::path old = std::filesystem::current_path();
  std::filesystem::current_path(folder.path());
  body();
  std::filesystem::current_path(old);
  EXPECT_TRUE(FilesIn(folder.path()).empty());
}

// The reports of a path that is empty: reading from it and saving the store to it.
const std::string kCannotOpenEmptyPath = "Cannot open \"\": No such file or directory.";
const std::string kCannotCreateEmptyPath = "Cannot create \"\": No such file or directory.";

using LifecycleTest = HandlerTest;

TEST_F(LifecycleTest, InitPrepareDeinitWritesTheEightByteEmptyStore) {
  ASSERT_EQ(h_.Init(), 0);
  ASSERT_EQ(Prepare(), 0);
  h_.Deinit();
  EXPECT_EQ(ToHex(Store()), ToHex(kEmptyStore));
  EXPECT_TRUE(NoBoxes());
}

TEST_F(LifecycleTest, DeinitTruncatesAnExistingStoreAndLeavesNoFileBesideIt) {
  WriteFile(store_path_, std::string(300, 'x'));
  StartRun();
  h_.Deinit();
  EXPECT_EQ(ToHex(Store()), ToHex(kEmptyStore));
  EXPECT_EQ(FilesIn(dir_.path()),
            (std::vector<std::string>{"calendar.db", "contacts.db", "pim.store"}));
  EXPECT_TRUE(NoBoxes());
}

TEST(LifecycleWithoutPrepare, DeinitReportsTheEmptyStorePathAndWritesNothing) {
  if (!HandlerFreshlyLoaded()) GTEST_SKIP() << "needs a process of its own, as ctest runs it";
  const HandlerApi& h = Handler();
  ClearCaptures();
  InEmptyFolder([&] {
    ASSERT_EQ(h.Init(), 0);
    h.Deinit();
    EXPECT_TRUE(OneBox(kCannotCreateEmptyPath, nullptr, 0));
  });
}

TEST_F(LifecycleTest, DeinitWithAnEmptyStorePathReportsAndWritesNothing) {
  InEmptyFolder([&] {
    ASSERT_EQ(h_.Init(), 0);
    ASSERT_EQ(h_.Prepare(2, 200, 200, contacts_db_.path().c_str(), "", "",
                         calendar_db_.path().c_str(), ""),
              0);
    h_.Deinit();
    EXPECT_TRUE(OneBox(kCannotCreateEmptyPath, nullptr, 0));
  });
}

TEST_F(LifecycleTest, NullStringsCountAsEmptyStrings) {
  InEmptyFolder([&] {
    ASSERT_EQ(h_.Prepare(2, 200, 200, nullptr, nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(h_.DumpSyncObjectStore(nullptr), 0);
    EXPECT_TRUE(NoBoxes());
    EXPECT_EQ(h_.SyncVCard(nullptr, nullptr), 1);
    EXPECT_TRUE(OneBox(kCannotOpenEmptyPath, nullptr, 0));
    ClearCaptures();
    EXPECT_EQ(h_.SyncVCal(nullptr, nullptr), 1);
    EXPECT_TRUE(OneBox(kCannotOpenEmptyPath, nullptr, 0));
    ClearCaptures();
    EXPECT_EQ(h_.UpdateVCardLUID(nullptr), 1);
    EXPECT_TRUE(OneBox(kCannotOpenEmptyPath, nullptr, 0));
    ClearCaptures();
    EXPECT_EQ(h_.UpdateVCalLUID(nullptr), 1);
    EXPECT_TRUE(OneBox(kCannotOpenEmptyPath, nullptr, 0));
    ClearCaptures();
    h_.Deinit();
    EXPECT_TRUE(OneBox(kCannotCreateEmptyPath, nullptr, 0));
  });
}

TEST_F(LifecycleTest, PreparedTwiceOnlyTheSecondStorePathIsWritten) {
  const std::string first = dir_.File("first.store");
  ASSERT_EQ(h_.Init(), 0);
  ASSERT_EQ(h_.Prepare(0, 5, 5, "a.db", "", "", "b.db", first.c_str()), 0);
  ASSERT_EQ(Prepare(), 0);
  h_.Deinit();
  EXPECT_FALSE(std::filesystem::exists(first));
  EXPECT_EQ(ToHex(Store()), ToHex(kEmptyStore));
  EXPECT_TRUE(NoBoxes());
}

TEST_F(LifecycleTest, DeinitWithoutInitSavesAndReportsNothing) {
  ASSERT_EQ(Prepare(), 0);
  h_.Deinit();
  EXPECT_EQ(ToHex(Store()), ToHex(kEmptyStore));
  EXPECT_TRUE(NoBoxes());
}

TEST_F(LifecycleTest, AFolderAtTheStorePathIsReportedAndTheRecordsAreStillReleased) {
  AddPerson(contacts_db_, "Ann");
  ASSERT_TRUE(std::filesystem::create_directory(store_path_));
  StartRun();
  EXPECT_EQ(h_.RetrievePIM(), 0);
  EXPECT_TRUE(OneBox("Cannot open \"" + store_path_ + "\": Is a directory.", nullptr, 0));
  ClearCaptures();
  h_.Deinit();
  EXPECT_TRUE(OneBox("Cannot create \"" + store_path_ + "\": Is a directory.", nullptr, 0));
  EXPECT_TRUE(std::filesystem::is_directory(store_path_));
  EXPECT_TRUE(FilesIn(store_path_).empty());

  // Nothing of the first run is held: the Notes contact is new again, not matched in memory.
  ASSERT_TRUE(std::filesystem::remove(store_path_));
  ClearCaptures();
  StartRun();
  EXPECT_EQ(h_.RetrievePIM(), 0);
  EXPECT_EQ(SyncVCard(""), 0);
  EXPECT_EQ(vcard_changes_,
            "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:\nX-VOQ-PHB-STORAGE:ME\nN:Ann\n"
            "REV:20050110T100000Z\nEND:VCARD\n");
  EXPECT_TRUE(NoBoxes());
}

TEST_F(LifecycleTest, ASaveThatFailsLeavesTheOldStoreWhole) {
  const std::string old_store = StoreOf({}, {{.note_id = 5, .luid = "A1", .first = "Ann"}});
  WriteFile(store_path_, old_store);
  // The new store is written beside the old one first; here it cannot be.
  ASSERT_TRUE(std::filesystem::create_directory(store_path_ + ".new"));
  StartRun();
  h_.Deinit();
  EXPECT_TRUE(OneBox("Cannot create \"" + store_path_ + "\": \"" + store_path_ +
                         ".new\", where the new store is written first, is a folder. Move it "
                         "away and try again.",
                     nullptr, 0));
  EXPECT_EQ(ToHex(Store()), ToHex(old_store));
}

// Saves by Prepare and Deinit alone (two empty arrays) at `store`, in a child process that may
// not make a file in `locked` but may write the files in it: as root, the child becomes the
// user nobody, who owns them; otherwise the folder is made read-only for the call. Returns the
// number of boxes the save showed.
int SaveWhereNoFileCanBeAdded(const HandlerApi& h, const std::string& store,
                              const std::string& locked, const std::string& top) {
  const bool root = ::geteuid() == 0;
  constexpr uid_t kNobody = 65534;
  if (root) {
    EXPECT_EQ(::chmod(top.c_str(), 0755), 0);
    EXPECT_EQ(::chown(store.c_str(), kNobody, kNobody), 0);
  } else {
    EXPECT_EQ(::chmod(locked.c_str(), 0555), 0);
  }
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    if (root && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) ::_exit(100);
    h.Prepare(2, 200, 200, "", "", "", "", store.c_str());
    h.Deinit();
    ::_exit(static_cast<int>(std::min<size_t>(CapturedBoxes().size(), 99)));
  }
  int status = 0;
  EXPECT_EQ(::waitpid(child, &status, 0), child);
  ::chmod(locked.c_str(), 0755);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 101;
}

TEST_F(LifecycleTest, ASaveReplacesTheFileALinkNamesKeepsItsAccessAndWritesInPlaceWhereItMust) {
  namespace fs = std::filesystem;
  const std::string old_store = StoreOf({}, {{.note_id = 5, .luid = "A1", .first = "Ann"}});
  const auto mode_of = [](const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
  };
  const auto save = [&](const std::string& store) {
    ClearCaptures();
    h_.Prepare(2, 200, 200, "", "", "", "", store.c_str());
    h_.Deinit();
  };
  ASSERT_TRUE(fs::create_directories(dir_.File("real/deeper")));
  {
    SCOPED_TRACE("a chain of relative links to a private file");
    const std::string target = dir_.File("real/deeper/pim.store");
    WriteFile(target, old_store);
    ASSERT_EQ(::chmod(target.c_str(), 0600), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
      ASSERT_EQ(::chown(target.c_str(), 65534, 65534), 0);
    }
    fs::create_symlink("deeper/pim.store", dir_.File("real/link"));
    fs::create_symlink("real/link", dir_.File("linked.store"));
    save(dir_.File("linked.store"));
    EXPECT_TRUE(NoBoxes());
    EXPECT_EQ(fs::read_symlink(dir_.File("linked.store")), "real/link");
    EXPECT_EQ(fs::read_symlink(dir_.File("real/link")), "deeper/pim.store");
    EXPECT_EQ(ToHex(ReadFile(target)), ToHex(kEmptyStore));
    EXPECT_EQ(mode_of(target), 0600u);
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    if (root) {
      EXPECT_EQ(st.st_uid, 65534u);
      EXPECT_EQ(st.st_gid, 65534u);
    }
    EXPECT_FALSE(fs::exists(target + ".new"));
  }
  {
    SCOPED_TRACE("a link to a file not made yet");
    fs::create_symlink(dir_.File("real/later.store"), dir_.File("dangling.store"));
    save(dir_.File("dangling.store"));
    EXPECT_TRUE(NoBoxes());
    EXPECT_TRUE(fs::is_symlink(dir_.File("dangling.store")));
    EXPECT_EQ(ToHex(ReadFile(dir_.File("real/later.store"))), ToHex(kEmptyStore));
  }
  {
    SCOPED_TRACE("a folder that takes no new file");
    const std::string locked = dir_.File("locked");
    const std::string store = locked + "/pim.store";
    ASSERT_TRUE(fs::create_directory(locked));
    WriteFile(store, old_store);
    ASSERT_EQ(::chmod(store.c_str(), 0640), 0);
    struct stat before {};
    ASSERT_EQ(::stat(store.c_str(), &before), 0);
    EXPECT_EQ(SaveWhereNoFileCanBeAdded(h_, store, locked, dir_.path()), 0);
    struct stat after {};
    ASSERT_EQ(::stat(store.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << "written in place";
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_EQ(ToHex(ReadFile(store)), ToHex(kEmptyStore));
    EXPECT_FALSE(fs::exists(store + ".new"));
  }
  {
    SCOPED_TRACE("a link where the new store is written first");
    const std::string target = dir_.File("real/deeper/pim.store");
    WriteFile(target, old_store);
    fs::create_symlink(dir_.File("elsewhere"), target + ".new");
    save(dir_.File("linked.store"));
    EXPECT_TRUE(OneBox("Cannot create \"" + dir_.File("linked.store") + "\": \"" + target +
                           ".new\", where the new store is written first, is a symbolic link. "
                           "Move it away and try again.",
                       nullptr, 0));
    EXPECT_EQ(ToHex(ReadFile(target)), ToHex(old_store));
    EXPECT_TRUE(fs::is_symlink(target + ".new"));
    EXPECT_FALSE(fs::exists(dir_.File("elsewhere")));
  }
}

TEST_F(LifecycleTest, AStoreRefusedByRetrievalIsOverwrittenByDeinit) {
  const std::string foreign = Hex("02000000 0000 0000");
  WriteFile(store_path_, foreign);
  StartRun();
  EXPECT_EQ(h_.RetrievePIM(), 2);
  h_.Deinit();
  EXPECT_EQ(ToHex(Store()), ToHex(kEmptyStore));
  EXPECT_TRUE(NoBoxes());
}

TEST_F(LifecycleTest, DeinitAfterPurgeDoesNotEndTheSessionTwice) {
  StartRun();
  EXPECT_EQ(h_.PurgeAll(), 0);
  h_.Deinit();
  EXPECT_TRUE(NoBoxes());
  EXPECT_EQ(ToHex(Store()), ToHex(kEmptyStore));
}

TEST_F(LifecycleTest, ReportsReachTheHostWithANullOrAnEmptyCaption) {
  // Retrieval reports with no caption of its own, the update of Notes with the empty one.
  StartRunWith(MissingDatabase(), calendar_db_.path());
  EXPECT_EQ(h_.RetrievePIM(), 1);
  const std::string text = notes::LNGetErrorMessage(notes::LNERR_DATABASE_NOT_FOUND);
  EXPECT_TRUE(OneBox(text, nullptr, 0x2000));
  ClearCaptures();
  EXPECT_EQ(h_.UpdatePIM(), 1);
  EXPECT_TRUE(OneBox(text, "", 0x2000));
}

}  // namespace
}  // namespace pim::test
