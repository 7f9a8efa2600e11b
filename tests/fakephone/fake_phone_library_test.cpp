// Fake-phone mode as a host meets it: through the loaded library, with the phone's memory a
// Notes database of the test's making.
#include <gtest/gtest.h>

#include "handler/handler_fixture.h"

namespace pim::test {
namespace {

class FakePhoneLibraryTest : public HandlerTest {
 protected:
  // Starts the fake phone on the contact database (contacts) and the calendar database.
  void StartPhone() {
    ASSERT_EQ(Prepare(), 0);
    ASSERT_EQ(h_.InitAsFakePhone("", ""), 0);
  }
  void TearDown() override {
    h_.DeinitAsFakePhone();
    HandlerTest::TearDown();
  }
  // Applies `changes` with the card (or to-do) sync and returns the answer file.
  std::string Apply(int32_t (*sync)(const char*, const char*), const std::string& changes) {
    const std::string change_file = dir_.File("changes");
    const std::string answer_file = dir_.File("answers");
    WriteFile(change_file, changes);
    EXPECT_EQ(sync(change_file.c_str(), answer_file.c_str()), 0);
    return ReadFile(answer_file);
  }
};

TEST_F(FakePhoneLibraryTest, AnUpdateRewritesTheWholeContactWithWhatTheCardCarries) {
  const Items everything = {{"FirstName", "Ann"},
                            {"LastName", "Smith"},
                            {"Categories", "Family"},
                            {"CellPhoneNumber", "0170"},
                            {"MailAddress", "ann@example.org"},
                            {"OfficeFAXPhoneNumber", "040"},
                            {"PhoneNumber", "030"},
                            {"OfficePhoneNumber", "111"},
                            {"CompanyName", "ACME"}};
  // What the update never writes: the last name, and the category of a card without a group.
  const std::map<std::string, std::string> kept = {{"LastName", "Smith"}, {"Categories", "Family"}};
  const struct {
    const char* what;
    std::string card;
    std::map<std::string, std::string> written;
  } cases[] = {
      {"a Notes delta of one field", "ORG:Initech\n", {{"CompanyName", "Initech"}}},
      {"a card of properties no Person item holds",
       "FN:Ann Smith\nX-VOQ-PHB-STORAGE:SM\nX-VOQ-PHB-RING-ID:3\nREV:20300101T000000Z\n",
       {}},
      {"a card with a name and a number",
       "N:Anna\nTEL;HOME;VOICE:031\n",
       {{"FirstName", "Anna"}, {"PhoneNumber", "031"}}},
  };
  StartPhone();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const notes::NOTEID id = contacts_db_.AddDocument(everything, "2005-01-10 10:00:00");
    EXPECT_EQ(Apply(h_.SyncCardAsFakePhone, "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:" +
                                                std::to_string(id) + "\n" + c.card + "END:VCARD\n"),
              "");
    std::map<std::string, std::string> expected = PersonItems(c.written);
    expected.insert(kept.begin(), kept.end());
    EXPECT_EQ(contacts_db_.TextItems(id), expected);
  }
  EXPECT_TRUE(NoBoxes());
}

TEST_F(FakePhoneLibraryTest, NoteIdsOf2To31AndMoreAreOneSignedLuidInEveryFile) {
  // The phone's memory in one database, whose notes get IDs from 2^31 on.
  const NotesDb phone(dir_.File("phone.db"));
  phone.Create(2147483648u);
  const notes::NOTEID ann = phone.AddDocument({{"FirstName", "Ann"}}, "2005-01-10 10:00:00");
  const notes::NOTEID dentist = AddDentist(phone, false);
  ASSERT_EQ(ann, 2147483648u);
  ASSERT_EQ(dentist, 2147483649u);
  ASSERT_EQ(h_.Prepare(2, 200, 200, phone.path().c_str(), "", "", phone.path().c_str(), ""), 0);
  const std::string cards = dir_.File("phone.vcf");
  const std::string todos = dir_.File("phone.vcs");
  ASSERT_EQ(h_.InitAsFakePhone(cards.c_str(), todos.c_str()), 0);
  EXPECT_EQ(ReadFile(cards),
            "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:-2147483648\nX-VOQ-PHB-STORAGE:ME\nN:Ann\n"
            "REV:20050110T100000Z\nEND:VCARD\n");
  EXPECT_NE(ReadFile(todos).find("\nX-VOQ-LUID:-2147483647\n"), std::string::npos);

  EXPECT_EQ(Apply(h_.SyncCardAsFakePhone,
                  "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:\nN:Bob\nEND:VCARD\n"
                  "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:-2147483648\nEND:VCARD\n"),
            "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:-2147483646\nEND:VCARD\n");
  EXPECT_EQ(Apply(h_.SyncCalAsFakePhone,
                  "BEGIN:VCALENDAR\nVERSION:1.0\n"
                  "BEGIN:VTODO\nX-VOQ-LUID:\nDTSTART:20050112T090000Z\nDTEND:20050112T100000Z\n"
                  "SUMMARY:Bread\nEND:VTODO\n"
                  "BEGIN:VTODO\nX-VOQ-LUID:-2147483647\nEND:VTODO\nEND:VCALENDAR\n"),
            "BEGIN:VCALENDAR\nVERSION:1.0\nBEGIN:VTODO\nX-VOQ-LUID:-2147483645\nEND:VTODO\n"
            "END:VCALENDAR\n");
  // The delete stubs named the notes by the same LUIDs.
  EXPECT_EQ(phone.NoteIds(), (std::vector<notes::NOTEID>{2147483650u, 2147483651u}));
  EXPECT_TRUE(NoBoxes());
}

}  // namespace
}  // namespace pim::test
