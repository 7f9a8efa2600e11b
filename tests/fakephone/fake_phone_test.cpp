// Fake-phone mode as a host meets it: through the loaded library, with the phone's memory a
// Notes database of the test's making.
#include <filesystem>

#include "handler/handler_fixture.h"

namespace pim::test {
namespace {

class FakePhoneTest : public HandlerTest {
 protected:
  // The phone's memory is one database, its contacts and its calendar.
  void StartPhone() {
    ASSERT_EQ(
        h_.Prepare(2, 200, 200, contacts_.path().c_str(), "", "", contacts_.path().c_str(), ""), 0);
    ASSERT_EQ(h_.InitAsFakePhone("", ""), 0);
  }
  void TearDown() override {
    h_.DeinitAsFakePhone();
    HandlerTest::TearDown();
  }
  // Applies `changes` with the card (or to-do) sync; returns the answer file.
  std::string Apply(int32_t (*sync)(const char*, const char*), const std::string& changes) {
    const std::string change_file = dir_.File("changes");
    const std::string answer_file = dir_.File("answers");
    WriteFile(change_file, changes);
    EXPECT_EQ(sync(change_file.c_str(), answer_file.c_str()), 0);
    return ReadFile(answer_file);
  }
  std::string Card(notes::NOTEID id, const std::string& lines) {
    return "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:" + std::to_string(id) + "\n" + lines +
           "END:VCARD\n";
  }
};

TEST_F(FakePhoneTest, AppliesACardChangeFileAndAnswersTheNewCards) {
  const notes::NOTEID gone = contacts_.AddDocument({{"FirstName", "Gone"}}, "2005-01-10 10:00:00");
  const notes::NOTEID kept = contacts_.AddDocument({{"FirstName", "Kept"}}, "2005-01-10 10:00:00");
  const notes::NOTEID last = contacts_.AddDocument({{"FirstName", "Last"}}, "2005-01-10 10:00:00");
  StartPhone();
  EXPECT_EQ(Apply(h_.SyncCardAsFakePhone,
                  Card(gone, "") + Card(kept, "N:Kim\n") +
                      "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:\nN:Carl\nTEL;HOME;VOICE:030\n"
                      "END:VCARD\n" +
                      "BEGIN:VCARD\nVERSION:3.0\n" + Card(last, "")),
            "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:" + std::to_string(last + 1) + "\nEND:VCARD\n");
  // Reading stopped at the foreign version: Last stays.
  EXPECT_EQ(contacts_.NoteIds(), (std::vector<notes::NOTEID>{kept, last, last + 1}));
  EXPECT_EQ(contacts_.TextItems(kept).at("FirstName"), "Kim");
  EXPECT_EQ(contacts_.TextItems(last + 1).at("PhoneNumber"), "030");
  // A card that begins anything but a vCard stops the reading as well.
  EXPECT_EQ(Apply(h_.SyncCardAsFakePhone, "BEGIN:VTODO\n" + Card(last, "")), "");
  EXPECT_EQ(contacts_.NoteIds().size(), 3u);
  EXPECT_TRUE(NoBoxes());
}

TEST_F(FakePhoneTest, AnUpdateRewritesTheWholeContactWithWhatTheCardCarries) {
  // clang-format off
  const Items everything = {
      {"FirstName", "Ann"}, {"LastName", "Smith"}, {"Categories", "Family"},
      {"CellPhoneNumber", "0170"}, {"MailAddress", "ann@example.org"},
      {"OfficeFAXPhoneNumber", "040"}, {"PhoneNumber", "030"}, {"OfficePhoneNumber", "111"},
      {"CompanyName", "ACME"}};
  // clang-format on
  const struct {
    const char* what;
    std::string card;
    std::map<std::string, std::string> written;
  } cases[] = {
      {"a Notes delta of one field", "ORG:Initech\n", {{"CompanyName", "Initech"}}},
      {"a card of properties no Person item holds",
       "FN:Ann Smith\nX-VOQ-PHB-STORAGE:SM\nX-VOQ-PHB-RING-ID:3\nREV:20300101T000000Z\n",
       {}},
      {"a card with a name, a number and a group",
       "N:Anna\nTEL;HOME;VOICE:031\nX-VOQ-PHB-CGROUP-ID:1\n",
       {{"FirstName", "Anna"}, {"PhoneNumber", "031"}, {"Categories", "Business"}}},
  };
  StartPhone();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const notes::NOTEID id = contacts_.AddDocument(everything, "2005-01-10 10:00:00");
    EXPECT_EQ(Apply(h_.SyncCardAsFakePhone, Card(id, c.card)), "");
    // Every item the update writes, empty unless the card gave it; the last name and the
    // category of a card without a group are never written.
    std::map<std::string, std::string> expected = {
        {"Type", "Person"},           {"FirstName", ""},       {"LastName", "Smith"},
        {"Categories", "Family"},     {"CellPhoneNumber", ""}, {"MailAddress", ""},
        {"OfficeFAXPhoneNumber", ""}, {"PhoneNumber", ""},     {"OfficePhoneNumber", ""},
        {"CompanyName", ""}};
    for (const auto& [item, value] : c.written)
      expected[item] = value;
    EXPECT_EQ(contacts_.TextItems(id), expected);
  }
  EXPECT_TRUE(NoBoxes());
}

TEST_F(FakePhoneTest, AppliesACalendarChangeFileWithTheAlarmOffUnlessGiven) {
  const notes::NOTEID gone = AddDentist(contacts_);
  const notes::NOTEID kept = AddDentist(contacts_);
  StartPhone();
  EXPECT_EQ(Apply(h_.SyncCalAsFakePhone, ""), Calendar(""));
  EXPECT_EQ(Apply(h_.SyncCalAsFakePhone,
                  Calendar("BEGIN:VTODO\nX-VOQ-LUID:" + std::to_string(gone) +
                           "\nEND:VTODO\nBEGIN:VTODO\nX-VOQ-LUID:" + std::to_string(kept) +
                           "\nSUMMARY:Renamed\nEND:VTODO\n"
                           "BEGIN:VTODO\nX-VOQ-LUID:\nDTSTART:20050703T080000Z\n"
                           "DTEND:20050703T083000Z\nSUMMARY:New\nEND:VTODO\n")),
            Calendar("BEGIN:VTODO\nX-VOQ-LUID:" + std::to_string(kept + 1) + "\nEND:VTODO\n"));
  EXPECT_EQ(contacts_.NoteIds(), (std::vector<notes::NOTEID>{kept, kept + 1}));
  EXPECT_EQ(contacts_.Todo(kept), "2005-01-12 09:00:00 - 2005-01-12 10:00:00 Renamed, alarm off");
  EXPECT_EQ(contacts_.Todo(kept + 1), "2005-07-03 08:00:00 - 2005-07-03 08:30:00 New, alarm off");
  EXPECT_TRUE(NoBoxes());
}

TEST_F(FakePhoneTest, NoteIdsOf2To31AndMoreAreOneSignedLuidInEveryFile) {
  const NotesDb phone(dir_.File("phone.db"));
  phone.Create(2147483648u);
  ASSERT_EQ(phone.AddDocument({{"FirstName", "Ann"}}, "2005-01-10 10:00:00"), 2147483648u);
  ASSERT_EQ(AddDentist(phone), 2147483649u);
  ASSERT_EQ(h_.Prepare(2, 200, 200, phone.path().c_str(), "", "", phone.path().c_str(), ""), 0);
  const std::string cards = dir_.File("phone.vcf");
  const std::string todos = dir_.File("phone.vcs");
  ASSERT_EQ(h_.InitAsFakePhone(cards.c_str(), todos.c_str()), 0);
  EXPECT_EQ(ReadFile(cards),
            "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:-2147483648\nX-VOQ-PHB-STORAGE:ME\nN:Ann\n"
            "REV:20050110T100000Z\nEND:VCARD\n");
  EXPECT_EQ(ReadFile(todos), DentistTodo("-2147483647"));
  EXPECT_EQ(Apply(h_.SyncCardAsFakePhone,
                  "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:\nN:Bob\nEND:VCARD\n"
                  "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:-2147483648\nEND:VCARD\n"),
            "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:-2147483646\nEND:VCARD\n");
  EXPECT_EQ(
      Apply(h_.SyncCalAsFakePhone, Calendar("BEGIN:VTODO\nX-VOQ-LUID:\nDTSTART:20050112T090000Z\n"
                                            "DTEND:20050112T100000Z\nSUMMARY:Bread\nEND:VTODO\n"
                                            "BEGIN:VTODO\nX-VOQ-LUID:-2147483647\nEND:VTODO\n")),
      Calendar("BEGIN:VTODO\nX-VOQ-LUID:-2147483645\nEND:VTODO\n"));
  // The delete stubs named the notes by the same LUIDs.
  EXPECT_EQ(phone.NoteIds(), (std::vector<notes::NOTEID>{2147483650u, 2147483651u}));
  EXPECT_TRUE(NoBoxes());
}

TEST_F(FakePhoneTest, PlaysAPhoneWhoseMemoryEqualsAStore) {
  AddAnn(contacts_);
  AddDentist(calendar_);
  WholeRun({.cards = "", .card_answers = "X-VOQ-LUID:A1\n", .todo_answers = "X-VOQ-LUID:T1\n"});
  const std::string cards = dir_.File("c.vcf");
  const std::string todos = dir_.File("t.vcs");
  EXPECT_EQ(h_.DumpSyncObjectStoreAsFakePhone(store_.c_str(), cards.c_str(), todos.c_str()), 0);
  EXPECT_EQ(ReadFile(cards), AnnCard("1"));
  EXPECT_EQ(ReadFile(todos), DentistTodo("1"));
  const std::string none = dir_.File("none");
  EXPECT_EQ(h_.DumpSyncObjectStoreAsFakePhone(none.c_str(), cards.c_str(), todos.c_str()), 0);
  EXPECT_EQ(ReadFile(cards) + ReadFile(todos), "");
  WriteFile(store_, Hex("02000000 0000 0000"));
  std::filesystem::remove(cards);
  EXPECT_EQ(h_.DumpSyncObjectStoreAsFakePhone(store_.c_str(), cards.c_str(), todos.c_str()), 2);
  EXPECT_FALSE(std::filesystem::exists(cards));
  EXPECT_TRUE(NoBoxes());
}

}  // namespace
}  // namespace pim::test
