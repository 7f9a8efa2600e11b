// File errors at every file the library opens, reads, creates or writes: a missing folder, a
// folder where a file should be (and a file where a folder should be), a place nobody may
// write to, a file that cannot be read, a device that is always full, and a full disk played
// by a file-size limit in a forked child. Each must give the file error report and the result
// the behaviour gives, and a failed save must leave the previous store file byte for byte.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <set>

#include "faults/fault_support.h"
#include "faults/sync_scene.h"
#include "handler/module_state.h"
#include "handler/store_io.h"
#include "notesapi/fault_injection.h"
#include "pim_handler.h"
#include "support/notes_fixture.h"
#include "support/test_support.h"

namespace pim::faults {
namespace {

// A path at which a file operation fails, with the step the report names and its cause.
struct Place {
  std::string what;
  std::string path;
  std::string action;
  int error = 0;

  // The file error report of the place.
  Box Report() const { return FileErrorBox(action, path, error); }
};

// Paths in `folder` at which a file named `name` cannot be read.
std::vector<Place> UnreadablePlaces(const std::string& folder, const std::string& name) {
  const std::string base = folder + "/unreadable-" + name;
  std::filesystem::create_directories(base);
  std::filesystem::create_directory(base + "/folder-" + name);
  std::filesystem::create_symlink("/proc/self/mem", base + "/mem-" + name);
  return {
      {"a missing folder", base + "/missing/" + name, "open", ENOENT},
      {"a folder where the file should be", base + "/folder-" + name, "open", EISDIR},
      {"a file that cannot be read", base + "/mem-" + name, "read", EIO},
  };
}

// A path under /sys that nobody, root included, may create a file at.
std::string UnwritablePath(const std::string& name) {
  return "/sys/pim-faults-" + name;
}

// Paths in `folder` at which a file named `name` cannot be created or written.
std::vector<Place> UnwritablePlaces(const std::string& folder, const std::string& name) {
  const std::string base = folder + "/unwritable-" + name;
  std::filesystem::create_directories(base + "/folder-" + name);
  test::WriteFile(base + "/folder-" + name + "/inside", "x");
  test::WriteFile(base + "/plain", "not a folder");
  const std::string sys = UnwritablePath(name);
  const int sys_error = CreateErrno(sys);
  EXPECT_NE(sys_error, 0) << sys << " can be written";
  return {
      {"a missing folder", base + "/missing/" + name, "create", ENOENT},
      {"a folder where the file should be", base + "/folder-" + name, "create", EISDIR},
      {"a file where a folder should be", base + "/plain/" + name, "create", ENOTDIR},
      {"a place nobody may write to", sys, "create", sys_error},
      {"a device that is always full", "/dev/full", "write", ENOSPC},
  };
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

class EveryFileOperationFails : public SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    if (HasFatalFailure()) return;
    old_store_ = test::ReadFile(scene_.store);
    old_keys_ = *ReadStoreKeys(scene_.store);
  }

  void TearDown() override {
    PIMHandler_DeinitAsFakePhone();
    SceneTest::TearDown();
  }

  // A fresh copy of the scene for the next run of the test.
  RunFiles NextRun() { return Fresh("run" + std::to_string(++runs_)); }

  // A run started and retrieved: the handler holds the stored records and Notes' new ones.
  void Retrieved(const RunFiles& files, int32_t contact_limit = 200, int32_t calendar_limit = 200) {
    StartRun(files, contact_limit, calendar_limit);
    ASSERT_EQ(PIMHandler_RetrievePIM(), 0);
  }

  std::string old_store_;
  StoreKeys old_keys_;
  int runs_ = 0;
};

// The keys of `before` first, in order, then possibly more.
testing::AssertionResult StartsWith(const std::vector<RecordKey>& keys,
                                    const std::vector<RecordKey>& before) {
  if (keys.size() >= before.size() &&
      std::vector<RecordKey>(keys.begin(), keys.begin() + before.size()) == before) {
    return testing::AssertionSuccess();
  }
  return testing::AssertionFailure() << testing::PrintToString(keys) << " does not start with "
                                     << testing::PrintToString(before);
}

// Store reads.

TEST_F(EveryFileOperationFails, RetrievalReportsAStoreItCannotReadAndGoesOnWithNotes) {
  for (const Place& place : UnreadablePlaces(dir_.path(), "pim.store")) {
    SCOPED_TRACE(place.what);
    const RunFiles files = NextRun();
    ASSERT_EQ(PIMHandler_Init(), 0);
    ASSERT_EQ(PIMHandler_Prepare(2, 200, 200, files.contacts.c_str(), "", "",
                                 files.calendar.c_str(), place.path.c_str()),
              0);
    BoxCapture boxes;
    EXPECT_EQ(PIMHandler_RetrievePIM(), 0);
    if (place.error == ENOENT) {
      EXPECT_TRUE(NoBox(boxes.boxes())) << "no file at the path is no error";
    } else {
      EXPECT_TRUE(OneBox(boxes.boxes(), place.Report()));
    }
    // Nothing was loaded: every note read is new.
    const StoreKeys held = HeldKeys();
    EXPECT_EQ(held.todos.size(), 4u);
    EXPECT_EQ(held.contacts.size(), 4u);
    for (const auto* keys : {&held.todos, &held.contacts}) {
      for (const RecordKey& key : *keys)
        EXPECT_EQ(key.luid, "");
    }
    boxes.Clear();
    PIMHandler_Deinit();
    EXPECT_EQ(HeldKeys(), StoreKeys{});
    if (place.error == EIO) {
      // The save follows the link, and no file can be made beside what it names.
      EXPECT_TRUE(OneBox(boxes.boxes(), FileErrorBox("create", place.path, ENOENT)));
      EXPECT_EQ(std::filesystem::read_symlink(place.path), "/proc/self/mem");
    } else if (place.error == EISDIR) {
      EXPECT_TRUE(OneBox(boxes.boxes(), FileErrorBox("create", place.path, EISDIR)));
      EXPECT_TRUE(IsFolder(place.path));
    } else {
      EXPECT_TRUE(OneFileErrorBox(boxes.boxes(), {"create", "write"}, place.path, ENOENT));
      EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(place.path).parent_path()));
    }
  }
}

TEST_F(EveryFileOperationFails, StoreDumpReportsAStoreItCannotReadAndWritesNothing) {
  for (const Place& place : UnreadablePlaces(dir_.path(), "dumped.store")) {
    SCOPED_TRACE(place.what);
    BoxCapture boxes;
    test::DebugCapture output;
    if (place.error == ENOENT) {
      EXPECT_EQ(PIMHandler_DumpSyncObjectStore(place.path.c_str()), 0);
      EXPECT_TRUE(NoBox(boxes.boxes()));
    } else {
      EXPECT_EQ(PIMHandler_DumpSyncObjectStore(place.path.c_str()), 1);
      EXPECT_TRUE(OneBox(boxes.boxes(), place.Report()));
    }
    EXPECT_TRUE(output.lines().empty());
  }
}

// The store save.

TEST_F(EveryFileOperationFails, SaveThatCannotCreateItsFileReportsItAndReleasesTheRecords) {
  std::vector<Place> places = UnwritablePlaces(dir_.path(), "pim.store");
  places.pop_back();  // a store is never saved onto a device
  places.push_back({"an empty path", "", "create", ENOENT});
  for (const Place& place : places) {
    SCOPED_TRACE(place.what);
    HoldStore(scene_.store);
    ASSERT_EQ(PIMHandler_Prepare(2, 200, 200, "", "", "", "", place.path.c_str()), 0);
    BoxCapture boxes;
    PIMHandler_Deinit();
    EXPECT_TRUE(OneFileErrorBox(boxes.boxes(), {"create", "write"}, place.path, place.error));
    EXPECT_EQ(HeldKeys(), StoreKeys{});
    if (place.error == EISDIR) {
      EXPECT_EQ(test::ReadFile(place.path + "/inside"), "x") << "the folder is left as it was";
    } else if (!place.path.empty()) {
      EXPECT_FALSE(std::filesystem::exists(place.path));
      EXPECT_FALSE(std::filesystem::exists(place.path + ".new"));
    }
  }
}

TEST_F(EveryFileOperationFails, SaveThatCannotWriteItsNewFileLeavesThePreviousStore) {
  const RunFiles files = Fresh("run");
  // Something else holds the name the new store is written under.
  std::filesystem::create_directory(files.store + ".new");
  test::WriteFile(files.store + ".new/inside", "x");
  HoldStore(files.store);
  handler::State().contacts.pop_back();
  ASSERT_EQ(PIMHandler_Prepare(2, 200, 200, "", "", "", "", files.store.c_str()), 0);
  BoxCapture boxes;
  PIMHandler_Deinit();
  EXPECT_TRUE(OneBox(boxes.boxes(),
                     test::ExpectedBox("Cannot create \"" + files.store + "\": \"" + files.store +
                                           ".new\", where the new store is written first, is a "
                                           "folder. Move it away and try again.",
                                       nullptr, 0)));
  EXPECT_EQ(test::ReadFile(files.store), old_store_);
  EXPECT_EQ(test::ReadFile(files.store + ".new/inside"), "x");
  EXPECT_EQ(HeldKeys(), StoreKeys{});
}

TEST_F(EveryFileOperationFails, SaveOnAFullDiskReportsItAndLeavesThePreviousStoreByteForByte) {
  const RunFiles files = Fresh("run");
  HoldStore(files.store);
  // The records to save: the stored ones and one more, so that the new store differs.
  auto extra = std::make_unique<CContactObject>();
  extra->m_nNoteId = 4242;
  extra->m_strLuid = "extra";
  extra->SetFirstName(std::string(3000, 'z'), true);
  handler::State().contacts.push_back(std::move(extra));
  const std::string new_store =
      handler::EncodeStore(handler::State().calendar, handler::State().contacts);
  ASSERT_NE(new_store, old_store_);
  ASSERT_EQ(PIMHandler_Prepare(2, 200, 200, "", "", "", "", files.store.c_str()), 0);

  for (const rlim_t limit : {rlim_t{0}, rlim_t{1}, rlim_t{old_store_.size()},
                             rlim_t{new_store.size() - 1}, rlim_t{new_store.size()}}) {
    SCOPED_TRACE("files may grow to " + std::to_string(limit) + " bytes of " +
                 std::to_string(new_store.size()));
    test::WriteFile(files.store, old_store_);
    const ChildRun run = RunWithFileSizeLimit(limit, [] {
      PIMHandler_Deinit();
      return 0;
    });
    ASSERT_TRUE(run.completed);
    EXPECT_TRUE(run.leak_free);
    if (limit < new_store.size()) {
      EXPECT_TRUE(OneBox(run.boxes, FileErrorBox("write", files.store, EFBIG)));
      EXPECT_EQ(test::ReadFile(files.store), old_store_);
    } else {
      EXPECT_TRUE(NoBox(run.boxes));
      EXPECT_EQ(test::ReadFile(files.store), new_store);
    }
    EXPECT_FALSE(std::filesystem::exists(files.store + ".new"));
  }
}

// The phone passes.

using PhonePass = int32_t (*)(const char*, const char*);

struct PassUnderTest {
  const char* name;
  PhonePass pass;
  std::string RunFiles::*phone_file;
  std::string RunFiles::*change_file;
  std::vector<RecordKey> StoreKeys::*keys;
};

const PassUnderTest kPasses[] = {
    {"contacts", &PIMHandler_SyncVCard, &RunFiles::phone_cards, &RunFiles::card_changes,
     &StoreKeys::contacts},
    {"to-dos", &PIMHandler_SyncVCal, &RunFiles::phone_todos, &RunFiles::todo_changes,
     &StoreKeys::todos},
};

TEST_F(EveryFileOperationFails, PhonePassReportsAPhoneFileItCannotReadAndKeepsTheStore) {
  for (const PassUnderTest& pass : kPasses) {
    for (const Place& place : UnreadablePlaces(dir_.path(), std::string("phone-") + pass.name)) {
      SCOPED_TRACE(std::string(pass.name) + ", " + place.what);
      const RunFiles files = NextRun();
      Retrieved(files);
      const StoreKeys held = HeldKeys();
      BoxCapture boxes;
      EXPECT_EQ(pass.pass(place.path.c_str(), (files.*pass.change_file).c_str()), 1);
      EXPECT_TRUE(OneBox(boxes.boxes(), place.Report()));
      EXPECT_EQ(HeldKeys(), held);
      if (place.action == "open") {
        EXPECT_FALSE(std::filesystem::exists(files.*pass.change_file));
      }
      EXPECT_EQ(SaveAndRead(files), held);
    }
  }
}

TEST_F(EveryFileOperationFails, PhonePassReportsAChangeFileItCannotWrite) {
  for (const PassUnderTest& pass : kPasses) {
    for (const Place& place : UnwritablePlaces(dir_.path(), std::string("changes-") + pass.name)) {
      SCOPED_TRACE(std::string(pass.name) + ", " + place.what);
      const RunFiles files = NextRun();
      Retrieved(files);
      const StoreKeys held = HeldKeys();
      BoxCapture boxes;
      EXPECT_EQ(pass.pass((files.*pass.phone_file).c_str(), place.path.c_str()), 1);
      EXPECT_TRUE(OneBox(boxes.boxes(), place.Report()));
      // What the pass did to the records stays; none of them is lost.
      const std::optional<StoreKeys> saved = SaveAndRead(files);
      ASSERT_TRUE(saved.has_value());
      EXPECT_TRUE(StartsWith((*saved).*pass.keys, held.*pass.keys));
    }
  }
}

TEST_F(EveryFileOperationFails, PhonePassReportsAChangeFileThatFillsTheDisk) {
  for (const PassUnderTest& pass : kPasses) {
    SCOPED_TRACE(pass.name);
    const RunFiles files = NextRun();
    Retrieved(files);
    const std::string phone_file = files.*pass.phone_file;
    const std::string change_file = files.*pass.change_file;
    const ChildRun run = RunWithFileSizeLimit(
        16, [&] { return pass.pass(phone_file.c_str(), change_file.c_str()); });
    ASSERT_TRUE(run.completed);
    EXPECT_TRUE(run.leak_free);
    EXPECT_EQ(run.result, 1);
    EXPECT_TRUE(OneBox(run.boxes, FileErrorBox("write", change_file, EFBIG)));
    EXPECT_LE(test::ReadFile(change_file).size(), 16u);
  }
}

TEST_F(EveryFileOperationFails, RollBackThatCannotReadTheStoreKeepsTheRecordsRetrievalRead) {
  for (const PassUnderTest& pass : kPasses) {
    for (const char* how : {"removed", "a folder", "unreadable"}) {
      SCOPED_TRACE(std::string(pass.name) + ", the store file is " + how);
      const RunFiles files = NextRun();
      Retrieved(files, 1, 1);  // both passes go over their limits
      std::filesystem::remove(files.store);
      int error = ENOENT;
      std::string action = "open";
      if (std::string(how) == "a folder") {
        std::filesystem::create_directory(files.store);
        error = EISDIR;
      } else if (std::string(how) == "unreadable") {
        std::filesystem::create_symlink("/proc/self/mem", files.store);
        error = EIO;
        action = "read";
      }
      BoxCapture boxes;
      EXPECT_EQ(pass.pass((files.*pass.phone_file).c_str(), (files.*pass.change_file).c_str()), 1);
      EXPECT_TRUE(OneBox(boxes.boxes(), FileErrorBox(action, files.store, error)));
      EXPECT_EQ(test::ReadFile(files.*pass.change_file), "");
      EXPECT_EQ(HeldKeys().*pass.keys, old_keys_.*pass.keys);
      std::filesystem::remove(files.store);
      EXPECT_EQ(SaveAndRead(files).value_or(StoreKeys{}).*pass.keys, old_keys_.*pass.keys);
    }
  }
}

// The LUID write-back.

TEST_F(EveryFileOperationFails, LuidWriteBackReportsAnAnswerFileItCannotRead) {
  using Update = int32_t (*)(const char*);
  const struct {
    const char* name;
    Update update;
  } updates[] = {{"contacts", &PIMHandler_UpdateVCardLUID}, {"to-dos", &PIMHandler_UpdateVCalLUID}};
  for (const auto& update : updates) {
    for (const Place& place :
         UnreadablePlaces(dir_.path(), std::string("answers-") + update.name)) {
      SCOPED_TRACE(std::string(update.name) + ", " + place.what);
      const RunFiles files = NextRun();
      Retrieved(files);
      const StoreKeys held = HeldKeys();  // the records new in Notes wait for their LUIDs
      BoxCapture boxes;
      EXPECT_EQ(update.update(place.path.c_str()), 1);
      EXPECT_TRUE(OneBox(boxes.boxes(), place.Report()));
      EXPECT_EQ(HeldKeys(), held);
      EXPECT_EQ(SaveAndRead(files), held);
    }
  }
}

// The fake phone.

TEST_F(EveryFileOperationFails, FakePhoneStartGivesOneWithoutAReportWhenItCannotWrite) {
  for (const bool contacts : {true, false}) {
    for (const Place& place : UnwritablePlaces(dir_.path(), contacts ? "fake.vcf" : "fake.vcs")) {
      SCOPED_TRACE(std::string(contacts ? "contact file, " : "calendar file, ") + place.what);
      const RunFiles files = NextRun();
      PrepareFakePhone(files);
      BoxCapture boxes;
      EXPECT_EQ(PIMHandler_InitAsFakePhone(contacts ? place.path.c_str() : "",
                                           contacts ? "" : place.path.c_str()),
                1);
      EXPECT_TRUE(NoBox(boxes.boxes()));
      EXPECT_EQ(PIMHandler_DeinitAsFakePhone(), 0) << "the session stays open";
    }
  }
  const RunFiles files = Fresh("full");
  PrepareFakePhone(files);
  // An open connection keeps the database's shared-memory file at its full size, so that the
  // limit stops the phone record files and not the database.
  const test::HeldOpen holder(files.phone_db);
  const ChildRun run = RunWithFileSizeLimit(16, [&] {
    const int32_t result =
        PIMHandler_InitAsFakePhone(files.fake_cards.c_str(), files.fake_todos.c_str());
    PIMHandler_DeinitAsFakePhone();
    return result;
  });
  ASSERT_TRUE(run.completed);
  EXPECT_TRUE(run.leak_free);
  EXPECT_EQ(run.result, 1);
  EXPECT_TRUE(NoBox(run.boxes));
}

struct FakeSyncUnderTest {
  const char* name;
  PhonePass sync;
  std::string RunFiles::*change_file;
  std::string RunFiles::*answer_file;
};

const FakeSyncUnderTest kFakeSyncs[] = {
    {"contacts", &PIMHandler_SyncCardAsFakePhone, &RunFiles::fake_card_changes,
     &RunFiles::fake_card_answers},
    {"to-dos", &PIMHandler_SyncCalAsFakePhone, &RunFiles::fake_todo_changes,
     &RunFiles::fake_todo_answers},
};

TEST_F(EveryFileOperationFails, FakePhoneChangesReportAChangeFileItCannotReadAndChangeNothing) {
  for (const FakeSyncUnderTest& sync : kFakeSyncs) {
    for (const Place& place : UnreadablePlaces(dir_.path(), std::string("fake-") + sync.name)) {
      SCOPED_TRACE(std::string(sync.name) + ", " + place.what);
      const RunFiles files = NextRun();
      PrepareFakePhone(files);
      ASSERT_EQ(PIMHandler_InitAsFakePhone("", ""), 0);
      BoxCapture boxes;
      EXPECT_EQ(sync.sync(place.path.c_str(), (files.*sync.answer_file).c_str()), 1);
      EXPECT_TRUE(OneBox(boxes.boxes(), place.Report()));
      EXPECT_EQ(PIMHandler_DeinitAsFakePhone(), 0);
      EXPECT_EQ(NoteIdSet(files.phone_db),
                (std::set<notes::NOTEID>{ids_.p1, ids_.p2, ids_.p3, ids_.phone_group, ids_.q1,
                                         ids_.q2, ids_.q3}));
    }
  }
}

TEST_F(EveryFileOperationFails, FakePhoneChangesReportAnAnswerFileItCannotWrite) {
  for (const FakeSyncUnderTest& sync : kFakeSyncs) {
    for (const Place& place : UnwritablePlaces(dir_.path(), std::string("fake-") + sync.name)) {
      SCOPED_TRACE(std::string(sync.name) + ", " + place.what);
      const RunFiles files = NextRun();
      PrepareFakePhone(files);
      ASSERT_EQ(PIMHandler_InitAsFakePhone("", ""), 0);
      BoxCapture boxes;
      EXPECT_EQ(sync.sync((files.*sync.change_file).c_str(), place.path.c_str()), 1);
      EXPECT_TRUE(OneBox(boxes.boxes(), place.Report()));
      EXPECT_EQ(PIMHandler_DeinitAsFakePhone(), 0);
    }
  }
  // A full disk, with an empty change file so that only the answer file grows.
  const RunFiles files = Fresh("full");
  test::WriteFile(files.fake_todo_changes, "");
  PrepareFakePhone(files);
  ASSERT_EQ(PIMHandler_InitAsFakePhone("", ""), 0);
  // An open connection keeps the database's shared-memory file at its full size, so that the
  // limit stops the answer file and not the database.
  const test::HeldOpen holder(files.phone_db);
  const ChildRun run = RunWithFileSizeLimit(16, [&] {
    return PIMHandler_SyncCalAsFakePhone(files.fake_todo_changes.c_str(),
                                         files.fake_todo_answers.c_str());
  });
  ASSERT_TRUE(run.completed);
  EXPECT_TRUE(run.leak_free);
  EXPECT_EQ(run.result, 1);
  EXPECT_TRUE(OneBox(run.boxes, FileErrorBox("write", files.fake_todo_answers, EFBIG)));
}

TEST_F(EveryFileOperationFails, FakePhoneStoreDumpReportsStoreAndOutputFileErrors) {
  for (const Place& place : UnreadablePlaces(dir_.path(), "fake.store")) {
    SCOPED_TRACE("store file, " + place.what);
    const std::string cards = dir_.File("dump.vcf");
    const std::string todos = dir_.File("dump.vcs");
    std::filesystem::remove(cards);
    std::filesystem::remove(todos);
    BoxCapture boxes;
    const int32_t result =
        PIMHandler_DumpSyncObjectStoreAsFakePhone(place.path.c_str(), cards.c_str(), todos.c_str());
    if (place.error == ENOENT) {
      EXPECT_EQ(result, 0);
      EXPECT_TRUE(NoBox(boxes.boxes()));
      EXPECT_EQ(test::ReadFile(cards), "");
      EXPECT_EQ(test::ReadFile(todos), "");
    } else {
      EXPECT_EQ(result, 1);
      EXPECT_TRUE(OneBox(boxes.boxes(), place.Report()));
      EXPECT_FALSE(std::filesystem::exists(cards));
      EXPECT_FALSE(std::filesystem::exists(todos));
    }
  }
  for (const bool contacts : {true, false}) {
    for (const Place& place : UnwritablePlaces(dir_.path(), contacts ? "dump.vcf" : "dump.vcs")) {
      SCOPED_TRACE(std::string(contacts ? "contact file, " : "calendar file, ") + place.what);
      const std::string other = dir_.File(contacts ? "other.vcs" : "other.vcf");
      BoxCapture boxes;
      EXPECT_EQ(PIMHandler_DumpSyncObjectStoreAsFakePhone(
                    scene_.store.c_str(), contacts ? place.path.c_str() : other.c_str(),
                    contacts ? other.c_str() : place.path.c_str()),
                1);
      EXPECT_TRUE(OneBox(boxes.boxes(), place.Report()));
    }
  }
  for (const bool contacts : {true, false}) {
    SCOPED_TRACE(std::string(contacts ? "contact file" : "calendar file") + " on a full disk");
    const std::string cards = dir_.File("full.vcf");
    const std::string todos = dir_.File("full.vcs");
    // The other file is a device without a size limit, so only the one under test fills up.
    const std::string tested = contacts ? cards : todos;
    const ChildRun run = RunWithFileSizeLimit(16, [&] {
      return PIMHandler_DumpSyncObjectStoreAsFakePhone(scene_.store.c_str(),
                                                       contacts ? cards.c_str() : "/dev/null",
                                                       contacts ? "/dev/null" : todos.c_str());
    });
    ASSERT_TRUE(run.completed);
    EXPECT_TRUE(run.leak_free);
    EXPECT_EQ(run.result, 1);
    EXPECT_TRUE(OneBox(run.boxes, FileErrorBox("write", tested, EFBIG)));
  }
}

}  // namespace
}  // namespace pim::faults
