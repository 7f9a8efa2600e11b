// Whole runs through the loaded library: one contact and one to-do settled under each sync
// mode for each change on either side, with the change files, Notes and the store afterwards.
#include "handler/handler_fixture.h"

namespace pim::test {
namespace {

enum class InNotes { kUnchanged, kModified, kDeleted, kAdded };
// What the change files carry, and what is left of the records in Notes and in the store.
enum class Sent { kNothing, kWhole, kWholeChanged, kChangedFields, kDeleteStub };
enum class Left { kNothing, kAsBefore, kChanged, kRecreated };

struct Row {
  const char* name;
  int32_t mode;
  InNotes notes;
  bool on_phone;
  Sent sent;
  bool new_luid;  // sent as new: the phone answers with a new LUID
  Left in_notes;
  Left in_store;
};

// clang-format off
const Row kRows[] = {
    {"Mode0UnchangedOnPhone",        0, InNotes::kUnchanged, true,  Sent::kNothing,       false, Left::kAsBefore,  Left::kAsBefore},
    {"Mode1UnchangedOnPhone",        1, InNotes::kUnchanged, true,  Sent::kNothing,       false, Left::kAsBefore,  Left::kAsBefore},
    {"Mode2UnchangedOnPhone",        2, InNotes::kUnchanged, true,  Sent::kNothing,       false, Left::kAsBefore,  Left::kAsBefore},
    {"Mode0UnchangedNotOnPhone",     0, InNotes::kUnchanged, false, Sent::kWhole,         true,  Left::kAsBefore,  Left::kAsBefore},
    {"Mode1UnchangedNotOnPhone",     1, InNotes::kUnchanged, false, Sent::kNothing,       false, Left::kNothing,   Left::kNothing},
    {"Mode2UnchangedNotOnPhone",     2, InNotes::kUnchanged, false, Sent::kNothing,       false, Left::kNothing,   Left::kNothing},
    {"Mode0ModifiedOnPhone",         0, InNotes::kModified,  true,  Sent::kChangedFields, false, Left::kChanged,   Left::kChanged},
    {"Mode2ModifiedOnPhone",         2, InNotes::kModified,  true,  Sent::kChangedFields, false, Left::kChanged,   Left::kChanged},
    {"Mode0ModifiedNotOnPhone",      0, InNotes::kModified,  false, Sent::kWholeChanged,  true,  Left::kChanged,   Left::kChanged},
    {"Mode1ModifiedNotOnPhone",      1, InNotes::kModified,  false, Sent::kNothing,       false, Left::kNothing,   Left::kNothing},
    // Deleted in Notes, still on the phone: deleted there too, except in mode 1, which brings
    // it back into Notes. The record stays one more run, until the phone has let go.
    {"Mode0DeletedOnPhone",          0, InNotes::kDeleted,   true,  Sent::kDeleteStub,    false, Left::kNothing,   Left::kAsBefore},
    {"Mode1DeletedOnPhone",          1, InNotes::kDeleted,   true,  Sent::kNothing,       false, Left::kRecreated, Left::kRecreated},
    {"Mode2DeletedOnPhone",          2, InNotes::kDeleted,   true,  Sent::kDeleteStub,    false, Left::kNothing,   Left::kAsBefore},
    {"Mode0DeletedNotOnPhone",       0, InNotes::kDeleted,   false, Sent::kNothing,       false, Left::kNothing,   Left::kNothing},
    {"Mode1DeletedNotOnPhone",       1, InNotes::kDeleted,   false, Sent::kNothing,       false, Left::kNothing,   Left::kNothing},
    // New in Notes: the phone cannot know it yet, not even a phone record without a LUID.
    {"Mode1AddedWithoutLuidOnPhone", 1, InNotes::kAdded,     true,  Sent::kWhole,         true,  Left::kAsBefore,  Left::kAsBefore},
    {"Mode2AddedNotOnPhone",         2, InNotes::kAdded,     false, Sent::kWhole,         true,  Left::kAsBefore,  Left::kAsBefore},
};
// clang-format on

const char kChangedCard[] = "TEL;WORK;VOICE:222\nX-VOQ-PHB-CGROUP-ID:3\nREV:20050201T080000Z\n";

std::string Card(const std::string& luid, bool changed) {
  const std::string card = AnnCard(luid);
  if (!changed) return card;
  return card.substr(0, card.find("TEL;")) + kChangedCard + "END:VCARD\n";
}

std::string Todo(const std::string& luid, bool changed) {
  const std::string todo = DentistTodo(luid);
  if (!changed) return todo;
  return todo.substr(0, todo.find("SUMMARY:")) +
         "SUMMARY:Dentist 2\nLAST-MODIFIED:20050201T080000Z\nEND:VTODO\n";
}

class StateMatrixTest : public HandlerTest, public testing::WithParamInterface<Row> {};

TEST_P(StateMatrixTest, SettlesTheContactAndTheToDo) {
  const Row& row = GetParam();
  const notes::NOTEID ann = AddAnn(contacts_);
  const notes::NOTEID dentist = AddDentist(calendar_);
  if (row.notes != InNotes::kAdded) {
    // A first run pairs both records with the phone.
    const Outcome first = WholeRun({.cards = "",
                                    .todos = Calendar(""),
                                    .card_answers = "X-VOQ-LUID:A1\n",
                                    .todo_answers = "X-VOQ-LUID:T1\n"});
    EXPECT_EQ(first.card_changes, AnnCard(""));
    EXPECT_EQ(first.todo_changes, Calendar(DentistTodo("")));
  }
  if (row.notes == InNotes::kModified) {
    contacts_.Edit(ann, {{"OfficePhoneNumber", "222"}}, "2005-02-01 08:00:00");
    calendar_.Edit(dentist, {}, "2005-02-01 08:00:00", "Dentist 2");
  } else if (row.notes == InNotes::kDeleted) {
    contacts_.Delete(ann);
    calendar_.Delete(dentist);
  }
  const std::string luid = row.notes == InNotes::kAdded ? "" : "A1";
  const Outcome run =
      WholeRun({.cards = row.on_phone ? AnnCard(luid) : "",
                .todos = Calendar(row.on_phone ? DentistTodo(luid == "" ? "" : "T1") : ""),
                .card_answers = row.new_luid ? "X-VOQ-LUID:A9\n" : "",
                .todo_answers = row.new_luid ? "X-VOQ-LUID:T9\n" : "",
                .mode = row.mode});
  EXPECT_EQ(run.card_pass, 0);
  EXPECT_EQ(run.todo_pass, 0);
  switch (row.sent) {
    case Sent::kNothing:
      EXPECT_EQ(run.card_changes, "");
      EXPECT_EQ(run.todo_changes, Calendar(""));
      break;
    case Sent::kWhole:
    case Sent::kWholeChanged:
      EXPECT_EQ(run.card_changes, Card("", row.sent == Sent::kWholeChanged));
      EXPECT_EQ(run.todo_changes, Calendar(Todo("", row.sent == Sent::kWholeChanged)));
      break;
    case Sent::kChangedFields:
      // A contact's Notes delta holds the fields that changed, a to-do's every field.
      EXPECT_EQ(run.card_changes,
                "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:A1\nX-VOQ-PHB-STORAGE:ME\n"
                "TEL;WORK;VOICE:222\nREV:20050201T080000Z\nEND:VCARD\n");
      EXPECT_EQ(run.todo_changes, Calendar(Todo("T1", true)));
      break;
    case Sent::kDeleteStub:
      EXPECT_EQ(run.card_changes, "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:A1\nEND:VCARD\n");
      EXPECT_EQ(run.todo_changes, Calendar("BEGIN:VTODO\nX-VOQ-LUID:T1\nEND:VTODO\n"));
      break;
  }
  if (row.notes == InNotes::kAdded && row.on_phone) {
    EXPECT_TRUE(Boxes({ExpectedBox("Abnormal condition: LUID is reused!", nullptr, 0x2000)}));
  } else {
    EXPECT_TRUE(NoBoxes());
  }

  const std::vector<notes::NOTEID> people = contacts_.NoteIds();
  const std::vector<notes::NOTEID> todos = calendar_.NoteIds();
  const bool changed = row.in_notes == Left::kChanged;
  if (row.in_notes == Left::kNothing) {
    EXPECT_TRUE(people.empty());
    EXPECT_TRUE(todos.empty());
  } else {
    ASSERT_EQ(people.size(), 1u);
    ASSERT_EQ(todos.size(), 1u);
    EXPECT_EQ(people[0] != ann, row.in_notes == Left::kRecreated);
    EXPECT_EQ(todos[0] != dentist, row.in_notes == Left::kRecreated);
    const auto items = contacts_.TextItems(people[0]);
    EXPECT_EQ(items.at("FirstName"), "Ann");
    EXPECT_EQ(items.at("OfficePhoneNumber"), changed ? "222" : "111");
    EXPECT_EQ(items.at("Categories"), "Family");
    EXPECT_EQ(calendar_.Todo(todos[0]), std::string("2005-01-12 09:00:00 - 2005-01-12 10:00:00 ") +
                                            (changed ? "Dentist 2" : "Dentist") + ", alarm on");
  }
  std::vector<std::string> stored;
  if (row.in_store == Left::kRecreated) {
    // A to-do created from the phone keeps only its alarm and its time of change flagged.
    stored = {"BEGIN:VTODO\nX-VOQ-LUID:T1\nAALARM:ON\nLAST-MODIFIED:20050110T120000Z\nEND:VTODO\n",
              AnnCard("A1")};
  } else if (row.in_store != Left::kNothing) {
    const bool store_changed = row.in_store == Left::kChanged;
    stored = {Todo(row.new_luid ? "T9" : "T1", store_changed),
              Card(row.new_luid ? "A9" : "A1", store_changed)};
  }
  EXPECT_EQ(DumpedStore(), stored);
}

INSTANTIATE_TEST_SUITE_P(Runs, StateMatrixTest, testing::ValuesIn(kRows),
                         [](const testing::TestParamInfo<Row>& row) { return row.param.name; });

// The phone's own changes, against what Notes did meanwhile: the later side wins, and Notes
// wins a tie; a record without a time of change is newer than an unchanged Notes side only.
struct ConflictRow {
  const char* name;
  bool changed_in_notes;
  const char* card_time;  // the REV line; "" for none
  const char* todo_time;  // the LAST-MODIFIED line; "" for none
  bool phone_wins;
};

// clang-format off
const ConflictRow kConflicts[] = {
    {"BothChangedPhoneNewerWins",            true,  "REV:20050202T080000Z", "LAST-MODIFIED:20050202T080000Z", true},
    {"BothChangedEqualTimesNotesWins",       true,  "REV:20050201T080000Z", "LAST-MODIFIED:20050201T080000Z", false},
    {"BothChangedPhoneWithoutTimeNotesWins", true,  "",                     "",                               false},
    {"PhoneChangedNewerIsTaken",             false, "REV:20050115T080000Z", "LAST-MODIFIED:20050111T080000Z", true},
    {"PhoneChangedSameTimeIsIgnored",        false, "REV:20050110T100000Z", "LAST-MODIFIED:20050110T120000Z", false},
    {"PhoneChangedWithoutTimeIsTaken",       false, "",                     "",                               true},
};
// clang-format on

class ConflictTest : public HandlerTest, public testing::WithParamInterface<ConflictRow> {};

TEST_P(ConflictTest, SettlesByTheTimeOfChange) {
  const ConflictRow& row = GetParam();
  const notes::NOTEID ann = AddAnn(contacts_);
  const notes::NOTEID dentist = AddDentist(calendar_);
  WholeRun({.cards = "",
            .todos = Calendar(""),
            .card_answers = "X-VOQ-LUID:A1\n",
            .todo_answers = "X-VOQ-LUID:T1\n"});
  if (row.changed_in_notes) {
    contacts_.Edit(ann, {{"OfficePhoneNumber", "222"}}, "2005-02-01 08:00:00");
    calendar_.Edit(dentist, {}, "2005-02-01 08:00:00", "Dentist 2");
  }
  const auto line = [](const char* text) { return *text != '\0' ? std::string(text) + "\n" : ""; };
  const Outcome run =
      WholeRun({.cards = "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:A1\nN:Ann\nTEL;WORK;VOICE:111\n"
                         "TEL;CELL;VOICE:0151\nX-VOQ-PHB-CGROUP-ID:3\n" +
                         line(row.card_time) + "END:VCARD\n",
                .todos = Calendar("BEGIN:VTODO\nX-VOQ-LUID:T1\nSUMMARY:Dentist at 11\n" +
                                  line(row.todo_time) + "END:VTODO\n")});
  EXPECT_TRUE(NoBoxes());
  const auto items = contacts_.TextItems(ann);
  const std::string range = "2005-01-12 09:00:00 - 2005-01-12 10:00:00 ";
  if (row.phone_wins) {
    EXPECT_EQ(run.card_changes, "");
    EXPECT_EQ(run.todo_changes, Calendar(""));
    // The update writes every item of the phone's card, the ones it lacks as empty texts.
    // clang-format off
    EXPECT_EQ(items, (std::map<std::string, std::string>{
        {"Type", "Person"}, {"FirstName", "Ann"}, {"Categories", "Family"},
        {"CellPhoneNumber", "0151"}, {"MailAddress", ""}, {"OfficeFAXPhoneNumber", ""},
        {"PhoneNumber", ""}, {"OfficePhoneNumber", "111"}, {"CompanyName", ""}}));
    // clang-format on
    // The phone sent no alarm: the entry keeps its own.
    EXPECT_EQ(calendar_.Todo(dentist), range + "Dentist at 11, alarm on");
  } else {
    EXPECT_EQ(items.count("CellPhoneNumber"), 0u);
    EXPECT_EQ(items.at("OfficePhoneNumber"), row.changed_in_notes ? "222" : "111");
    EXPECT_EQ(calendar_.Todo(dentist),
              range + (row.changed_in_notes ? "Dentist 2" : "Dentist") + ", alarm on");
    // What Notes changed goes to the phone as the state matrix shows; here, only whether.
    EXPECT_EQ(run.card_changes.empty(), !row.changed_in_notes);
    EXPECT_EQ(run.todo_changes, Calendar(row.changed_in_notes ? Todo("T1", true) : ""));
  }
}

INSTANTIATE_TEST_SUITE_P(Times, ConflictTest, testing::ValuesIn(kConflicts),
                         [](const testing::TestParamInfo<ConflictRow>& row) {
                           return row.param.name;
                         });

}  // namespace
}  // namespace pim::test
