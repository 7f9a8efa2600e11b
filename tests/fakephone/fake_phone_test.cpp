// Fake-phone mode, called in-process: the phone's record files out of a Notes database, and
// change files applied to it.
#include <gtest/gtest.h>

#include <ctime>

#include "handler/store_io.h"
#include "notes/person_document.h"
#include "notesapi/fault_injection.h"
#include "pim_handler.h"
#include "platform/platform.h"
#include "support/handler_host.h"
#include "support/notes_fixture.h"
#include "vobject/vdatetime.h"

namespace pim {
namespace {

using test::DebugCapture;
using test::ReadFile;
using test::ScopedTimeZone;
using test::WriteFile;

// The boxes the in-process library showed since the last clear.
std::vector<test::CapturedBox>& Boxes() {
  return test::CapturedBoxes();
}

class FakePhoneTest : public test::NotesTest {
 protected:
  test::InProcessCapture capture_;  // the boxes the library shows
  void SetUp() override {
    test::NotesTest::SetUp();
    Boxes().clear();
    PIMHandler_Prepare(2, 200, 200, db_path_.c_str(), "", "", db_path_.c_str(), "");
  }
  void TearDown() override {
    PIMHandler_DeinitAsFakePhone();
    test::NotesTest::TearDown();
  }

  std::string Text(notes::NOTEID id, const char* item) {
    std::string value;
    EXPECT_TRUE(ReadTextItem(OpenDocument(id), item, value)) << item;
    return value;
  }

  std::string FormatRevision(notes::NOTEID id) {
    int32_t time = 0;
    EXPECT_TRUE(NotesTimeToLocal(time, OpenDocument(id).GetLastModified()));
    return FormatVDateTime(time);
  }

  bool Exists(notes::NOTEID id) {
    notes::LNDocument doc;
    try {
      db_.GetDocument(id, &doc);
      return true;
    } catch (notes::LNSTATUS) {
      return false;
    }
  }

  ScopedTimeZone tz_{test::kCentralEurope};
};

TEST_F(FakePhoneTest, InitWithNoPathsReadsAndWritesNothing) {
  AddDocument({{"FirstName", "Ann"}});
  DebugCapture trace;
  EXPECT_EQ(PIMHandler_InitAsFakePhone("", ""), 0);
  EXPECT_EQ(trace.lines(), std::vector<std::string>{">PIMHandler_InitAsFakePhone"});
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(FakePhoneTest, InitWritesThePhoneRecordFilesWithNoteIdsAsLuids) {
  const auto ann = AddDocument({{"FirstName", "Ann"}, {"CellPhoneNumber", "0170"}});
  AddDocument({{"FirstName", "Group"}}, "Group");
  const auto bob = AddDocument({{"FirstName", "Bob"}, {"Categories", "VIP"}});
  const auto todo = AddEntry("2005-07-01 09:00:00", "2005-07-01 10:00:00", "Milk", true);
  AddEntry("2021-07-01 09:00:00", "2021-07-01 10:00:00", "Too late");
  AddEntry("2005-07-01 23:00:00", "2005-07-02 01:00:00", "Two days");
  const std::string contacts = dir_.File("phone.vcf");
  const std::string todos = dir_.File("phone.vcs");
  ASSERT_EQ(PIMHandler_InitAsFakePhone(contacts.c_str(), todos.c_str()), 0);

  const std::string rev_ann = FormatRevision(ann);
  const std::string rev_bob = FormatRevision(bob);
  EXPECT_EQ(ReadFile(contacts),
            "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:" + std::to_string(ann) +
                "\nX-VOQ-PHB-STORAGE:ME\nN:Ann\nTEL;CELL;VOICE:0170\nREV:" + rev_ann +
                "\nEND:VCARD\n"
                "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:" +
                std::to_string(bob) + "\nX-VOQ-PHB-STORAGE:ME\nN:Bob\nX-VOQ-PHB-CGROUP-ID:0\nREV:" +
                rev_bob + "\nEND:VCARD\n");
  const std::string vcs = ReadFile(todos);
  EXPECT_EQ(vcs.substr(0, vcs.find("LAST-MODIFIED:")),
            "BEGIN:VTODO\nX-VOQ-LUID:" + std::to_string(todo.GetNoteID()) +
                "\nDTSTART:20050701T090000Z\nDTEND:20050701T100000Z\nAALARM:ON\n"
                "SUMMARY:Milk\n");
  EXPECT_EQ(vcs.substr(vcs.size() - 10), "END:VTODO\n");
  EXPECT_EQ(vcs.find("VCALENDAR"), std::string::npos);
}

TEST_F(FakePhoneTest, ContactChangeFileDeletesUpdatesAndCreates) {
  const auto gone = AddDocument({{"FirstName", "Gone"}});
  const auto kept =
      AddDocument({{"FirstName", "Kept"}, {"CompanyName", "Old"}, {"CellPhoneNumber", "0170"}});
  ASSERT_EQ(PIMHandler_InitAsFakePhone("", ""), 0);
  const std::string changes = dir_.File("changes.vcf");
  const std::string answers = dir_.File("answers.vcf");
  WriteFile(changes, "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:" + std::to_string(gone) +
                         "\nEND:VCARD\n"
                         "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:" +
                         std::to_string(kept) +
                         "\nORG:New\nEND:VCARD\n"
                         "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:\nX-VOQ-PHB-STORAGE:ME\n"
                         "N:Carl\nTEL;HOME;VOICE:030\nREV:20050101T000000Z\nEND:VCARD\n");
  ASSERT_EQ(PIMHandler_SyncCardAsFakePhone(changes.c_str(), answers.c_str()), 0);
  EXPECT_FALSE(Exists(gone));
  EXPECT_EQ(Text(kept, "CompanyName"), "New");
  // The update rewrites the whole contact: what the change does not carry is emptied.
  EXPECT_EQ(Text(kept, "CellPhoneNumber"), "");
  EXPECT_EQ(Text(kept, "FirstName"), "");
  EXPECT_EQ(Text(kept, "Type"), "Person");
  const notes::NOTEID carl = kept + 1;
  EXPECT_EQ(Text(carl, "FirstName"), "Carl");
  EXPECT_EQ(Text(carl, "PhoneNumber"), "030");
  EXPECT_EQ(Text(carl, "Type"), "Person");
  EXPECT_EQ(ReadFile(answers),
            "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:" + std::to_string(carl) + "\nEND:VCARD\n");
}

TEST_F(FakePhoneTest, ContactChangeFileStopsAtAForeignVersion) {
  const auto first = AddDocument({{"FirstName", "A"}});
  const auto second = AddDocument({{"FirstName", "B"}});
  ASSERT_EQ(PIMHandler_InitAsFakePhone("", ""), 0);
  const std::string changes = dir_.File("changes.vcf");
  const std::string answers = dir_.File("answers.vcf");
  WriteFile(changes, "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:" + std::to_string(first) +
                         "\nEND:VCARD\nBEGIN:VCARD\nVERSION:3.0\nX-VOQ-LUID:" +
                         std::to_string(second) + "\nEND:VCARD\n");
  ASSERT_EQ(PIMHandler_SyncCardAsFakePhone(changes.c_str(), answers.c_str()), 0);
  EXPECT_FALSE(Exists(first));
  EXPECT_TRUE(Exists(second));
  EXPECT_EQ(ReadFile(answers), "");
}

TEST_F(FakePhoneTest, CalendarChangeFileCreatesWithAlarmOffDeletesAndUpdates) {
  const auto gone = AddEntry("2005-07-01 09:00:00", "2005-07-01 10:00:00", "Gone").GetNoteID();
  const auto kept =
      AddEntry("2005-07-02 09:00:00", "2005-07-02 10:00:00", "Kept", true).GetNoteID();
  ASSERT_EQ(PIMHandler_InitAsFakePhone("", ""), 0);
  const std::string changes = dir_.File("changes.vcs");
  const std::string answers = dir_.File("answers.vcs");
  WriteFile(changes,
            "BEGIN:VCALENDAR\nVERSION:1.0\n"
            "BEGIN:VTODO\nX-VOQ-LUID:" +
                std::to_string(gone) +
                "\nEND:VTODO\n"
                "BEGIN:VTODO\nX-VOQ-LUID:" +
                std::to_string(kept) +
                "\nSUMMARY:Renamed\nEND:VTODO\n"
                "BEGIN:VTODO\nX-VOQ-LUID:\nDTSTART:20050703T080000Z\n"
                "DTEND:20050703T083000Z\nSUMMARY:New\nEND:VTODO\n"
                "END:VCALENDAR\n");
  ASSERT_EQ(PIMHandler_SyncCalAsFakePhone(changes.c_str(), answers.c_str()), 0);
  EXPECT_FALSE(Exists(gone));
  notes::LNCalendarEntry renamed = OpenEntry(kept);
  notes::LNString brief;
  renamed.GetBriefDescription(&brief);
  EXPECT_EQ(brief, "Renamed");
  // An update carries the alarm the record start sets (off), as the phone sends it.
  EXPECT_EQ(renamed.GetIsAlarmEnabled(), notes::FALSE);
  const notes::NOTEID created = kept + 1;
  notes::LNCalendarEntry fresh = OpenEntry(created);
  fresh.GetBriefDescription(&brief);
  EXPECT_EQ(brief, "New");
  EXPECT_EQ(fresh.GetIsAlarmEnabled(), notes::FALSE);
  notes::LNDatetimeRange range;
  fresh.GetDatetimeRange(&range);
  EXPECT_EQ(range.GetText(), "2005-07-03 08:00:00 - 2005-07-03 08:30:00");
  EXPECT_EQ(ReadFile(answers), "BEGIN:VCALENDAR\nVERSION:1.0\nBEGIN:VTODO\nX-VOQ-LUID:" +
                                   std::to_string(created) + "\nEND:VTODO\nEND:VCALENDAR\n");
}

TEST_F(FakePhoneTest, CalendarAnswerFileHasItsFrameWhenNothingIsCreated) {
  ASSERT_EQ(PIMHandler_InitAsFakePhone("", ""), 0);
  const std::string changes = dir_.File("changes.vcs");
  const std::string answers = dir_.File("answers.vcs");
  WriteFile(changes, "");
  ASSERT_EQ(PIMHandler_SyncCalAsFakePhone(changes.c_str(), answers.c_str()), 0);
  EXPECT_EQ(ReadFile(answers), "BEGIN:VCALENDAR\nVERSION:1.0\nEND:VCALENDAR\n");
}

TEST_F(FakePhoneTest, NewTodoWithoutDatesIsDatedToday) {
  ASSERT_EQ(PIMHandler_InitAsFakePhone("", ""), 0);
  const std::string changes = dir_.File("changes.vcs");
  const std::string answers = dir_.File("answers.vcs");
  WriteFile(changes,
            "BEGIN:VTODO\nSUMMARY:Undated\nEND:VTODO\n"
            "BEGIN:VTODO\nDTEND:20050703T083000Z\nSUMMARY:End only\nEND:VTODO\n");
  ASSERT_EQ(PIMHandler_SyncCalAsFakePhone(changes.c_str(), answers.c_str()), 0);
  notes::LNDocumentArray docs;
  db_.GetDocuments(&docs);
  ASSERT_EQ(docs.GetCount(), 2u);
  notes::LNCalendarEntry undated = OpenEntry(docs[0].GetNoteID());
  notes::LNDatetimeRange range;
  undated.GetDatetimeRange(&range);
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char today[32];
  std::strftime(today, sizeof today, "%Y-%m-%d 00:00:00", &local);
  EXPECT_EQ(range.GetText(), std::string(today) + " - " + today);
  notes::LNCalendarEntry end_only = OpenEntry(docs[1].GetNoteID());
  end_only.GetDatetimeRange(&range);
  EXPECT_EQ(range.GetText(), "2005-07-03 08:30:00 - 2005-07-03 08:30:00");
}

TEST_F(FakePhoneTest, MissingChangeFileIsAFileErrorReport) {
  ASSERT_EQ(PIMHandler_InitAsFakePhone("", ""), 0);
  const std::string missing = dir_.File("missing.vcf");
  EXPECT_EQ(PIMHandler_SyncCardAsFakePhone(missing.c_str(), dir_.File("a.vcf").c_str()), 1);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text, "Cannot open \"" + missing + "\": No such file or directory.");
  EXPECT_TRUE(Boxes()[0].caption_is_null);
  EXPECT_EQ(Boxes()[0].style, 0u);
}

TEST_F(FakePhoneTest, UpdateOfAMissingNoteEndsWithAnEmptyCaptionedNotesReport) {
  ASSERT_EQ(PIMHandler_InitAsFakePhone("", ""), 0);
  const std::string changes = dir_.File("changes.vcf");
  WriteFile(changes, "BEGIN:VCARD\nX-VOQ-LUID:4711\nN:X\nEND:VCARD\n");
  EXPECT_EQ(PIMHandler_SyncCardAsFakePhone(changes.c_str(), dir_.File("a.vcf").c_str()), 1);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_FALSE(Boxes()[0].caption_is_null);
  EXPECT_EQ(Boxes()[0].caption, "");
  EXPECT_EQ(Boxes()[0].style, 0x2000u);
  EXPECT_EQ(Boxes()[0].text, notes::LNGetErrorMessage(notes::LNERR_NOTE_NOT_FOUND));
}

TEST_F(FakePhoneTest, AFailureKeepsAndAnswersWhatWasAppliedBeforeIt) {
  const auto last = AddDocument({{"FirstName", "Last"}});
  ASSERT_EQ(PIMHandler_InitAsFakePhone("", ""), 0);
  const std::string changes = dir_.File("changes.vcf");
  const std::string answers = dir_.File("answers.vcf");
  WriteFile(changes,
            "BEGIN:VCARD\nVERSION:2.1\nN:Before\nEND:VCARD\n"
            "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:4711\nN:X\nEND:VCARD\n"
            "BEGIN:VCARD\nVERSION:2.1\nN:After\nEND:VCARD\n");
  EXPECT_EQ(PIMHandler_SyncCardAsFakePhone(changes.c_str(), answers.c_str()), 1);
  const notes::NOTEID before = last + 1;
  EXPECT_EQ(Text(before, "FirstName"), "Before");  // read through a connection of its own
  EXPECT_FALSE(Exists(before + 1));
  EXPECT_EQ(ReadFile(answers),
            "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:" + std::to_string(before) + "\nEND:VCARD\n");
}

TEST_F(FakePhoneTest, InitNotesFailureGetsTheDefaultCaption) {
  notes::InjectFault(notes::LNOperation::kDatabaseGetDocuments, 1, notes::LNERR_DATABASE_IO);
  EXPECT_EQ(PIMHandler_InitAsFakePhone(dir_.File("c.vcf").c_str(), ""), 1);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_TRUE(Boxes()[0].caption_is_null);
  EXPECT_EQ(Boxes()[0].style, 0x2000u);
}

TEST_F(FakePhoneTest, DeinitReturnsTheStatusOfEndingTheSession) {
  ASSERT_EQ(PIMHandler_InitAsFakePhone("", ""), 0);
  EXPECT_EQ(PIMHandler_DeinitAsFakePhone(), 0);
  EXPECT_EQ(PIMHandler_DeinitAsFakePhone(),
            static_cast<int32_t>(notes::LNERR_SESSION_NOT_INITIALIZED));
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(FakePhoneTest, DumpOfAMissingStoreWritesTwoEmptyFiles) {
  const std::string contacts = dir_.File("c.vcf");
  const std::string todos = dir_.File("t.vcs");
  EXPECT_EQ(PIMHandler_DumpSyncObjectStoreAsFakePhone(dir_.File("none").c_str(), contacts.c_str(),
                                                      todos.c_str()),
            0);
  EXPECT_EQ(ReadFile(contacts), "");
  EXPECT_EQ(ReadFile(todos), "");
}

TEST_F(FakePhoneTest, DumpOfAForeignStoreWritesNothing) {
  const std::string store = dir_.File("store");
  WriteFile(store, test::Hex("02 00 00 00 00 00 00 00"));
  EXPECT_EQ(PIMHandler_DumpSyncObjectStoreAsFakePhone(store.c_str(), dir_.File("c").c_str(),
                                                      dir_.File("t").c_str()),
            2);
  EXPECT_FALSE(platform::PathExists(dir_.File("c")));
  EXPECT_FALSE(platform::PathExists(dir_.File("t")));
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(FakePhoneTest, DumpWritesEveryRecordWithItsNoteIdAsLuid) {
  CalendarArray todos;
  todos.push_back(std::make_unique<CCalEntryObject>());
  todos[0]->m_nNoteId = 7;
  todos[0]->m_strLuid = "phone-7";
  ContactArray contacts;
  contacts.push_back(std::make_unique<CContactObject>());
  contacts[0]->m_nNoteId = 9;
  contacts[0]->SetFirstName("Ann", false);
  const std::string store = dir_.File("store");
  WriteFile(store, handler::EncodeStore(todos, contacts));
  const std::string c = dir_.File("c.vcf");
  const std::string t = dir_.File("t.vcs");
  ASSERT_EQ(PIMHandler_DumpSyncObjectStoreAsFakePhone(store.c_str(), c.c_str(), t.c_str()), 0);
  EXPECT_EQ(ReadFile(t), "BEGIN:VTODO\nX-VOQ-LUID:7\nEND:VTODO\n");
  EXPECT_EQ(ReadFile(c),
            "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:9\nX-VOQ-PHB-STORAGE:ME\nN:Ann\n"
            "REV:19700101T010000Z\nEND:VCARD\n");
}

}  // namespace
}  // namespace pim
