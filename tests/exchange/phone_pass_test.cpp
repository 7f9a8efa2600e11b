// The phone passes through the loaded library: the forms of the phone's record files, the
// records they match or add, and the record limits with their roll-back.
#include "handler/handler_fixture.h"

namespace pim::test {
namespace {

class PhonePassTest : public HandlerTest {
 protected:
  // Ann and the dentist paired with the phone as A1 and T1, and Bob as B1.
  void Pair() {
    ann_ = AddAnn(contacts_);
    bob_ = contacts_.AddDocument({{"FirstName", "Bob"}}, "2005-01-10 10:00:00");
    dentist_ = AddDentist(calendar_);
    WholeRun({.cards = "",
              .card_answers = "X-VOQ-LUID:A1\nX-VOQ-LUID:B1\n",
              .todo_answers = "X-VOQ-LUID:T1\n"});
  }
  notes::NOTEID ann_ = 0, bob_ = 0, dentist_ = 0;
};

const char kBobCard[] =
    "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:B1\nN:Bob\nREV:20050110T100000Z\nEND:VCARD\n";
const char kCallMum[] =
    "BEGIN:VTODO\nX-VOQ-LUID:T2\nDTSTART:20050125T180000Z\nDTEND:20050125T183000Z\n"
    "AALARM:OFF\nSUMMARY:Call mum\nEND:VTODO\n";

TEST_F(PhonePassTest, ReadsEveryFormOfTheCalendarFileTheSameWay) {
  Pair();
  const struct {
    const char* what;
    std::string text;
  } forms[] = {
      {"without a frame", DentistTodo("T1") + kCallMum},
      // Other components and other END lines neither start nor end a to-do.
      {"framed, with an event, carriage returns, blanks and stray lines",
       "BEGIN:VCALENDAR\r\n\r\nVERSION:1.0\r\n" + DentistTodo("T1") +
           "BEGIN:VEVENT\r\nSUMMARY:Party\r\nEND:VEVENT\r\nBEGIN:VTODO\r\nX-VOQ-LUID: T2 \r\n"
           "  DTSTART:20050125T180000Z\r\nDTEND:20050125T183000Z\r\nAALARM:OFF\r\n"
           "SUMMARY:Call mum\r\nno colon here\r\nEND:VTODO\r\nEND:VCALENDAR\r\n"},
  };
  for (const auto& form : forms) {
    SCOPED_TRACE(form.what);
    const Outcome run = WholeRun({.cards = AnnCard("A1") + kBobCard, .todos = form.text});
    EXPECT_EQ(run.todo_changes, Calendar(""));
    const std::vector<notes::NOTEID> ids = calendar_.NoteIds();
    ASSERT_EQ(ids.size(), 2u);
    EXPECT_EQ(ids[0], dentist_);
    EXPECT_EQ(calendar_.Todo(ids[1]),
              "2005-01-25 18:00:00 - 2005-01-25 18:30:00 Call mum, alarm off");
    // Call mum goes again, for the next form to bring it back.
    WholeRun({.cards = AnnCard("A1") + kBobCard, .todos = DentistTodo("T1")});
  }
  EXPECT_TRUE(NoBoxes());
}

TEST_F(PhonePassTest, MatchesCardsByTheirExactLuidAndTakesEachOnce) {
  Pair();
  std::string many;
  for (int i = 0; i < 40; ++i)
    many += "BEGIN:VCARD\nX-VOQ-LUID:M" + std::to_string(i) + "\nEND:VCARD\n";
  const Outcome run =
      WholeRun({.cards = AnnCard("A1") +
                         "BEGIN:VCARD\nX-VOQ-LUID:A1\nN:Ann\nTEL;CELL;VOICE:0999\n"
                         "REV:20050101T080000Z\nEND:\n"  // older than Ann: ignored
                         "  begin:vcard  \nx-voq-luid:b1\nn:Bobby\nREV:20050110T100000Z\n"
                         "end:vtodo\n"  // any END ends a card
                         "BEGIN:VCARD\nX-VOQ-LUID:N1\nN:Pat\nREV:20050120T080000Z\nEND:VCARD\n" +
                         many +  // enough new cards to make the LUID index grow
                         "BEGIN:VCARD\nX-VOQ-LUID:N1\nN:Pat\nORG:ACME\nEND:VCARD\n"
                         "BEGIN:VCALENDAR\n" +
                         kBobCard,  // after the stop: Bob is gone from the phone
                .todos = DentistTodo("T1")});
  EXPECT_EQ(run.card_pass, 0);
  EXPECT_EQ(run.card_changes, "");
  // b1 differs from B1 in case: a new record, as is N1, whose second card merged into it.
  const std::vector<notes::NOTEID> ids = contacts_.NoteIds();
  ASSERT_EQ(ids.size(), 43u);
  EXPECT_EQ(ids[0], ann_);
  EXPECT_EQ(contacts_.TextItems(ann_).count("CellPhoneNumber"), 0u);
  EXPECT_EQ(contacts_.TextItems(ids[1]).at("FirstName"), "Bobby");
  EXPECT_EQ(contacts_.TextItems(ids[2]).at("CompanyName"), "ACME");
  // The store keeps what the phone sent, and nothing it did not.
  EXPECT_EQ(DumpedStore().at(3),
            "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:N1\nX-VOQ-PHB-STORAGE:ME\n"
            "N:Pat\nORG:ACME\nREV:20050120T080000Z\nEND:VCARD\n");
  EXPECT_TRUE(NoBoxes());
}

// The limits count the records still alive on the phone side after the pass: Ann on the phone,
// Cid new in Notes and Eve new on the phone; Bob and the dentist, gone from the phone, and Dan
// and Dora, gone from both sides, do not count.
TEST_F(PhonePassTest, APassOverItsLimitMovesNothingAndTheOtherKindGoesOn) {
  Pair();
  const notes::NOTEID dan = contacts_.AddDocument({{"FirstName", "Dan"}}, "2005-01-10 10:00:00");
  const notes::NOTEID dora = contacts_.AddDocument({{"FirstName", "Dora"}}, "2005-01-10 10:00:00");
  WholeRun({.cards = AnnCard("A1") + kBobCard,
            .todos = DentistTodo("T1"),
            .card_answers = "X-VOQ-LUID:D1\nX-VOQ-LUID:D2\n"});
  contacts_.Delete(dan);
  contacts_.Delete(dora);
  contacts_.AddDocument({{"FirstName", "Cid"}}, "2005-01-10 10:00:00");
  const std::string store = ReadFile(store_);
  const std::string cards =
      AnnCard("A1") + "BEGIN:VCARD\nX-VOQ-LUID:E1\nN:Eve\nREV:20050110T100000Z\nEND:VCARD\n";
  const std::string todos = Calendar(kCallMum);
  const Outcome over =
      WholeRun({.cards = cards, .todos = todos, .contact_limit = 2, .calendar_limit = 0});
  EXPECT_EQ(over.card_pass, 3);
  EXPECT_EQ(over.todo_pass, 3);
  EXPECT_EQ(over.card_changes, "");
  EXPECT_EQ(over.todo_changes, "");
  EXPECT_EQ(contacts_.NoteIds().size(), 3u);
  EXPECT_EQ(calendar_.NoteIds(), std::vector<notes::NOTEID>{dentist_});
  EXPECT_EQ(ToHex(ReadFile(store_)), ToHex(store));

  // At the limit the contacts pass; the to-dos, still over theirs, keep their store.
  const Outcome at = WholeRun({.cards = cards,
                               .todos = todos,
                               .card_answers = "X-VOQ-LUID:C1\n",
                               .contact_limit = 3,
                               .calendar_limit = 0});
  EXPECT_EQ(at.card_pass, 0);
  EXPECT_EQ(at.todo_pass, 3);
  EXPECT_EQ(at.card_changes,
            "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:\nX-VOQ-PHB-STORAGE:ME\nN:Cid\n"
            "REV:20050110T100000Z\nEND:VCARD\n");
  EXPECT_EQ(contacts_.NoteIds().size(), 3u);  // Bob went, Eve came
  EXPECT_EQ(calendar_.NoteIds(), std::vector<notes::NOTEID>{dentist_});
  const std::vector<std::string> dumped = DumpedStore();
  ASSERT_EQ(dumped.size(), 4u);
  EXPECT_EQ(dumped[0], DentistTodo("T1"));
  EXPECT_TRUE(NoBoxes());
}

}  // namespace
}  // namespace pim::test
