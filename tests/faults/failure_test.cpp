// The library under failures: every Notes call of every entry point failing in turn, and every
// file an entry point opens failing to open, read, be created or be written.
#include <filesystem>
#include <functional>

#include "faults/notes_faults.h"
#include "handler/handler_fixture.h"

namespace pim::test {
namespace {

namespace fs = std::filesystem;
constexpr notes::LNSTATUS kStatus = notes::LNERR_DATABASE_IO;

// The fake phone's files and a phone that changed Ann, lost Bob and added Eve and a to-do.
const char kPhoneCards[] =
    "BEGIN:VCARD\nX-VOQ-LUID:A1\nN:Ann\nTEL;CELL;VOICE:0151\nREV:20300101T000000Z\nEND:VCARD\n"
    "BEGIN:VCARD\nX-VOQ-LUID:E1\nN:Eve\nEND:VCARD\n";
const char kPhoneTodos[] =
    "BEGIN:VTODO\nX-VOQ-LUID:T1\nSUMMARY:Dentist at 11\nLAST-MODIFIED:20300101T000000Z\n"
    "END:VTODO\nBEGIN:VTODO\nX-VOQ-LUID:T2\nDTSTART:20050125T180000Z\n"
    "DTEND:20050125T183000Z\nSUMMARY:Call mum\nEND:VTODO\n";

// The library linked into the test program, where Notes calls can be made to fail, on a scene
// built once and copied afresh for every attempt: Ann, Bob and the dentist paired with the
// phone, and Cid new in Notes.
class FailureTest : public HandlerTest {
 protected:
  FailureTest() : HandlerTest(InProcessHandler()) {}
  void SetUp() override {
    HandlerTest::SetUp();
    AddAnn(contacts_);
    bob_ = contacts_.AddDocument({{"FirstName", "Bob"}}, "2005-01-10 10:00:00");
    AddDentist(calendar_);
    WholeRun({.cards = "",
              .card_answers = "X-VOQ-LUID:A1\nX-VOQ-LUID:B1\n",
              .todo_answers = "X-VOQ-LUID:T1\n"});
    contacts_.AddDocument({{"FirstName", "Cid"}}, "2005-01-10 10:00:00");
    for (const char* name : {"contacts.db", "calendar.db", "pim.store"})
      fs::copy_file(dir_.File(name), dir_.File(std::string("scene-") + name));
    WriteFile(dir_.File("phone.vcf"), kPhoneCards);
    WriteFile(dir_.File("phone.vcs"), kPhoneTodos);
    // The fake phone's memory is the same databases: Ann and the dentist are note 1 of theirs.
    const std::string bob = std::to_string(bob_);
    WriteFile(dir_.File("fake.vcf"),
              "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:1\nN:Ann\nEND:VCARD\n"
              "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:\nN:Eve\nEND:VCARD\n"
              "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:" +
                  bob + "\nEND:VCARD\n");
    WriteFile(dir_.File("fake.vcs"),
              "BEGIN:VTODO\nX-VOQ-LUID:1\nSUMMARY:Dentist at 11\nEND:VTODO\n"
              "BEGIN:VTODO\nX-VOQ-LUID:\nSUMMARY:Call mum\nEND:VTODO\n");
  }
  void TearDown() override {
    notes::ClearFaults();
    h_.DeinitAsFakePhone();
    HandlerTest::TearDown();
  }
  void FreshScene() {
    h_.Deinit();
    h_.DeinitAsFakePhone();
    for (const char* name : {"contacts.db", "calendar.db", "pim.store"}) {
      for (const char* journal : {"", "-wal", "-shm"})
        fs::remove(dir_.File(std::string(name) + journal));
      fs::copy_file(dir_.File(std::string("scene-") + name), dir_.File(name));
    }
    ClearCaptures();
  }
  int32_t Sync(int32_t (*pass)(const char*, const char*), const char* phone) {
    const std::string in = dir_.File(phone);
    const std::string out = dir_.File(std::string("out-") + phone);
    return pass(in.c_str(), out.c_str());
  }
  // How far a fresh scene is taken before the call under test.
  enum class Stage { kLoaded, kPrepared, kStarted, kRetrieved, kPassed, kPhone };
  void Reach(Stage stage) {
    FreshScene();
    if (stage == Stage::kLoaded) return;
    EXPECT_EQ(stage == Stage::kPrepared || stage == Stage::kPhone ? 0 : h_.Init(), 0);
    EXPECT_EQ(Prepare(), 0);
    EXPECT_EQ(stage == Stage::kRetrieved || stage == Stage::kPassed ? h_.RetrievePIM() : 0, 0);
    EXPECT_EQ(stage == Stage::kPassed ? Sync(h_.SyncVCard, "phone.vcf") : 0, 0);
    EXPECT_EQ(stage == Stage::kPassed ? Sync(h_.SyncVCal, "phone.vcs") : 0, 0);
    EXPECT_EQ(stage == Stage::kPhone ? h_.InitAsFakePhone("", "") : 0, 0);
  }
  notes::NOTEID bob_ = 0;
};

TEST_F(FailureTest, EveryFailingNotesCallIsReportedOnceAndTheRunEndsCleanly) {
  const struct {
    const char* name;
    const char* caption;  // of the Notes error report
    Stage before;
    std::function<int32_t()> call;
  } entry_points[] = {
      {"Init", nullptr, Stage::kLoaded, [this] { return h_.Init(); }},
      {"QueryObjectCount", nullptr, Stage::kStarted,
       [this] {
         uint32_t contacts = 0, calendar = 0;
         return h_.QueryObjectCount(&contacts, &calendar);
       }},
      {"RetrievePIM", nullptr, Stage::kStarted, [this] { return h_.RetrievePIM(); }},
      {"UpdatePIM", "", Stage::kPassed, [this] { return h_.UpdatePIM(); }},
      {"PurgeAll", nullptr, Stage::kPrepared, [this] { return h_.PurgeAll(); }},
      {"InitAsFakePhone", nullptr, Stage::kPrepared,
       [this] {
         const std::string cards = dir_.File("out.vcf"), todos = dir_.File("out.vcs");
         return h_.InitAsFakePhone(cards.c_str(), todos.c_str());
       }},
      {"SyncCardAsFakePhone", "", Stage::kPhone,
       [this] { return Sync(h_.SyncCardAsFakePhone, "fake.vcf"); }},
      {"SyncCalAsFakePhone", "", Stage::kPhone,
       [this] { return Sync(h_.SyncCalAsFakePhone, "fake.vcs"); }},
  };
  for (const auto& entry : entry_points) {
    // A clean attempt counts the calls of each operation.
    Reach(entry.before);
    notes::ClearFaults();
    ASSERT_EQ(entry.call(), 0) << entry.name;
    uint32_t calls[static_cast<int>(notes::LNOperation::kCount)];
    for (int op = 0; op < static_cast<int>(notes::LNOperation::kCount); ++op)
      calls[op] = notes::CallCount(static_cast<notes::LNOperation>(op));
    ASSERT_GT(notes::TotalCallCount(), 0u) << entry.name;
    for (int op = 0; op < static_cast<int>(notes::LNOperation::kCount); ++op) {
      for (uint32_t nth = 1; nth <= calls[op]; ++nth) {
        SCOPED_TRACE(std::string(entry.name) + ": call " + std::to_string(nth) + " of operation " +
                     std::to_string(op) + " fails");
        Reach(entry.before);
        notes::ClearFaults();
        notes::InjectFault(static_cast<notes::LNOperation>(op), nth, kStatus);
        const int32_t result = entry.call();
        notes::ClearFaults();
        if (static_cast<notes::LNOperation>(op) == notes::LNOperation::kNoteGetItem) {
          // The Notes mapping takes a failed item look-up for an absent item.
          EXPECT_EQ(result, 0);
          EXPECT_TRUE(NoBoxes());
        } else {
          EXPECT_EQ(result, 1);
          EXPECT_TRUE(Boxes({NotesErrorBox(kStatus, entry.caption)}));
        }
      }
    }
  }
}

// A path at which a file operation fails, with the step the report names and its cause.
struct Place {
  const char* what;
  std::string path;
  const char* action;
  int error;
};

TEST_F(FailureTest, EveryFileThatFailsIsReportedWithItsNameAndCause) {
  fs::create_directory(dir_.File("folder"));
  fs::create_symlink("/proc/self/mem", dir_.File("unreadable"));
  const std::vector<Place> unreadable = {
      {"a missing folder", dir_.File("missing/file"), "open", ENOENT},
      {"a folder", dir_.File("folder"), "open", EISDIR},
      {"a file that cannot be read", dir_.File("unreadable"), "read", EIO}};
  // No file at a store path is no error: there is nothing to read yet.
  const std::vector<Place> stores = {unreadable[1], unreadable[2]};
  const std::vector<Place> unwritable = {
      {"a missing folder", dir_.File("missing/file"), "create", ENOENT},
      {"a folder", dir_.File("folder"), "create", EISDIR},
      {"a device that is always full", "/dev/full", "write", ENOSPC}};
  // A store is never saved onto a device.
  const std::vector<Place> saves = {unwritable[0], unwritable[1]};
  const std::string out = dir_.File("out");
  const std::string phone_cards = dir_.File("phone.vcf");
  const struct {
    const char* role;
    const std::vector<Place>& places;
    Stage before;
    std::function<int32_t(const std::string&)> call;
    int32_t result;
    bool reported;
  } files[] = {
      {"the phone's cards", unreadable, Stage::kRetrieved,
       [&](const std::string& p) { return h_.SyncVCard(p.c_str(), out.c_str()); }, 1, true},
      {"the phone's to-dos", unreadable, Stage::kRetrieved,
       [&](const std::string& p) { return h_.SyncVCal(p.c_str(), out.c_str()); }, 1, true},
      {"the card changes", unwritable, Stage::kRetrieved,
       [&](const std::string& p) { return h_.SyncVCard(phone_cards.c_str(), p.c_str()); }, 1, true},
      {"the to-do changes", unwritable, Stage::kRetrieved,
       [&](const std::string& p) { return h_.SyncVCal(phone_cards.c_str(), p.c_str()); }, 1, true},
      {"the card answers", unreadable, Stage::kRetrieved,
       [&](const std::string& p) { return h_.UpdateVCardLUID(p.c_str()); }, 1, true},
      {"the to-do answers", unreadable, Stage::kRetrieved,
       [&](const std::string& p) { return h_.UpdateVCalLUID(p.c_str()); }, 1, true},
      {"the store read by retrieval", stores, Stage::kStarted,
       [&](const std::string& p) {
         h_.Prepare(2, 200, 200, contacts_.path().c_str(), "", "", calendar_.path().c_str(),
                    p.c_str());
         return h_.RetrievePIM();
       },
       0, true},
      {"the store dumped", stores, Stage::kLoaded,
       [&](const std::string& p) { return h_.DumpSyncObjectStore(p.c_str()); }, 1, true},
      {"the fake phone's card file", unwritable, Stage::kPhone,
       [&](const std::string& p) { return h_.InitAsFakePhone(p.c_str(), ""); }, 1, false},
      {"the fake phone's card changes", unreadable, Stage::kPhone,
       [&](const std::string& p) { return h_.SyncCardAsFakePhone(p.c_str(), out.c_str()); }, 1,
       true},
      {"the fake phone's to-do answers", unwritable, Stage::kPhone,
       [&](const std::string& p) {
         return h_.SyncCalAsFakePhone(dir_.File("fake.vcs").c_str(), p.c_str());
       },
       1, true},
      {"the store saved", saves, Stage::kRetrieved,
       [&](const std::string& p) {
         h_.Prepare(2, 200, 200, "", "", "", "", p.c_str());
         h_.Deinit();
         return 0;
       },
       0, true},
      {"the store the fake phone plays", stores, Stage::kLoaded,
       [&](const std::string& p) {
         return h_.DumpSyncObjectStoreAsFakePhone(p.c_str(), out.c_str(), out.c_str());
       },
       1, true},
  };
  for (const auto& file : files) {
    for (const Place& place : file.places) {
      SCOPED_TRACE(std::string(file.role) + " at " + place.what);
      Reach(file.before);
      ClearCaptures();
      EXPECT_EQ(file.call(place.path), file.result);
      if (file.reported) {
        EXPECT_TRUE(Boxes({FileErrorBox(place.action, place.path, place.error)}));
      } else {
        EXPECT_TRUE(NoBoxes());
      }
    }
  }
}

}  // namespace
}  // namespace pim::test
