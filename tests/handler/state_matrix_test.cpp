// One record through a whole run under each sync mode, for each change on the Notes side and
// with the phone holding it or not: the change file, Notes afterwards and the saved store.
// The same table drives a contact and a to-do.
#include "handler/handler_fixture.h"

namespace pim::test {
namespace {

enum class NotesSide { kUnchanged, kModified, kDeleted, kAdded };
// What the change file carries for the record.
enum class Sent { kNothing, kWhole, kWholeChanged, kChangedFields, kDeleteStub };
// What is left of the record in Notes or in the store.
enum class Left { kNothing, kAsBefore, kChanged, kRecreated };

struct Row {
  const char* name;
  int32_t mode;
  NotesSide notes;
  bool on_phone;
  Sent sent;
  bool new_luid;  // sent as new: the phone answers with a new LUID
  Left in_notes;
  Left in_store;
};

std::string RowName(const testing::TestParamInfo<Row>& row) {
  return row.param.name;
}

// The notes of the database after the run, against what the row leaves in Notes: none, or the
// one note, the record's own or, recreated, a new one. Gives that note to look at.
std::optional<notes::NOTEID> ExpectLeftInNotes(const Row& row,
                                               const std::vector<notes::NOTEID>& ids,
                                               notes::NOTEID own) {
  if (row.in_notes == Left::kNothing) {
    EXPECT_TRUE(ids.empty());
    return std::nullopt;
  }
  EXPECT_EQ(ids.size(), 1u);
  if (ids.size() != 1) return std::nullopt;
  if (row.in_notes == Left::kRecreated) {
    EXPECT_NE(ids[0], own);
  } else {
    EXPECT_EQ(ids[0], own);
  }
  return ids[0];
}

// The note the store's record names afterwards: a recreated record names its new note.
notes::NOTEID StoredNoteId(const Row& row, const std::vector<notes::NOTEID>& ids,
                           notes::NOTEID own) {
  return row.in_store == Left::kRecreated && !ids.empty() ? ids[0] : own;
}

// clang-format off
const Row kRows[] = {
    {"Mode0UnchangedOnPhone",   0, NotesSide::kUnchanged, true,  Sent::kNothing,       false, Left::kAsBefore,  Left::kAsBefore},
    {"Mode1UnchangedOnPhone",   1, NotesSide::kUnchanged, true,  Sent::kNothing,       false, Left::kAsBefore,  Left::kAsBefore},
    {"Mode2UnchangedOnPhone",   2, NotesSide::kUnchanged, true,  Sent::kNothing,       false, Left::kAsBefore,  Left::kAsBefore},
    {"Mode0UnchangedNotOnPhone",0, NotesSide::kUnchanged, false, Sent::kWhole,         true,  Left::kAsBefore,  Left::kAsBefore},
    {"Mode1UnchangedNotOnPhone",1, NotesSide::kUnchanged, false, Sent::kNothing,       false, Left::kNothing,   Left::kNothing},
    {"Mode2UnchangedNotOnPhone",2, NotesSide::kUnchanged, false, Sent::kNothing,       false, Left::kNothing,   Left::kNothing},
    {"Mode0ModifiedOnPhone",    0, NotesSide::kModified,  true,  Sent::kChangedFields, false, Left::kChanged,   Left::kChanged},
    {"Mode1ModifiedOnPhone",    1, NotesSide::kModified,  true,  Sent::kChangedFields, false, Left::kChanged,   Left::kChanged},
    {"Mode2ModifiedOnPhone",    2, NotesSide::kModified,  true,  Sent::kChangedFields, false, Left::kChanged,   Left::kChanged},
    {"Mode0ModifiedNotOnPhone", 0, NotesSide::kModified,  false, Sent::kWholeChanged,  true,  Left::kChanged,   Left::kChanged},
    {"Mode1ModifiedNotOnPhone", 1, NotesSide::kModified,  false, Sent::kNothing,       false, Left::kNothing,   Left::kNothing},
    {"Mode2ModifiedNotOnPhone", 2, NotesSide::kModified,  false, Sent::kNothing,       false, Left::kNothing,   Left::kNothing},
    // Deleted in Notes, still on the phone: deleted on the phone, except in mode 1, which
    // brings it back into Notes. The record stays one more run, until the phone has let go.
    {"Mode0DeletedOnPhone",     0, NotesSide::kDeleted,   true,  Sent::kDeleteStub,    false, Left::kNothing,   Left::kAsBefore},
    {"Mode1DeletedOnPhone",     1, NotesSide::kDeleted,   true,  Sent::kNothing,       false, Left::kRecreated, Left::kRecreated},
    {"Mode2DeletedOnPhone",     2, NotesSide::kDeleted,   true,  Sent::kDeleteStub,    false, Left::kNothing,   Left::kAsBefore},
    {"Mode0DeletedNotOnPhone",  0, NotesSide::kDeleted,   false, Sent::kNothing,       false, Left::kNothing,   Left::kNothing},
    {"Mode1DeletedNotOnPhone",  1, NotesSide::kDeleted,   false, Sent::kNothing,       false, Left::kNothing,   Left::kNothing},
    {"Mode2DeletedNotOnPhone",  2, NotesSide::kDeleted,   false, Sent::kNothing,       false, Left::kNothing,   Left::kNothing},
    // New in Notes: the phone cannot know it yet; a phone record without a LUID meets it.
    {"Mode0AddedWithoutLuidOnPhone", 0, NotesSide::kAdded, true,  Sent::kWhole,        true,  Left::kAsBefore,  Left::kAsBefore},
    {"Mode1AddedWithoutLuidOnPhone", 1, NotesSide::kAdded, true,  Sent::kWhole,        true,  Left::kAsBefore,  Left::kAsBefore},
    {"Mode2AddedWithoutLuidOnPhone", 2, NotesSide::kAdded, true,  Sent::kWhole,        true,  Left::kAsBefore,  Left::kAsBefore},
    {"Mode0AddedNotOnPhone",    0, NotesSide::kAdded,     false, Sent::kWhole,         true,  Left::kAsBefore,  Left::kAsBefore},
    {"Mode1AddedNotOnPhone",    1, NotesSide::kAdded,     false, Sent::kWhole,         true,  Left::kAsBefore,  Left::kAsBefore},
    {"Mode2AddedNotOnPhone",    2, NotesSide::kAdded,     false, Sent::kWhole,         true,  Left::kAsBefore,  Left::kAsBefore},
};
// clang-format on

class ContactMatrixTest : public HandlerTest, public testing::WithParamInterface<Row> {
 protected:
  ContactFields Stored(const std::string& luid, Left values, notes::NOTEID id) const {
    ContactFields ann = AnnRecord(id, luid);
    if (values == Left::kChanged) {
      ann.work = "222";
      ann.revision = WinterCet(2005, 2, 1, 8, 0);
    }
    return ann;
  }
  std::string Text(Sent sent) const {
    switch (sent) {
      case Sent::kNothing:
        return "";
      case Sent::kWhole:
        return "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:\nX-VOQ-PHB-STORAGE:ME\nN:Ann\n"
               "TEL;WORK;VOICE:111\nX-VOQ-PHB-CGROUP-ID:3\nREV:20050110T100000Z\nEND:VCARD\n";
      case Sent::kWholeChanged:
        return "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:\nX-VOQ-PHB-STORAGE:ME\nN:Ann\n"
               "TEL;WORK;VOICE:222\nX-VOQ-PHB-CGROUP-ID:3\nREV:20050201T080000Z\nEND:VCARD\n";
      case Sent::kChangedFields:
        return "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:A1\nX-VOQ-PHB-STORAGE:ME\n"
               "TEL;WORK;VOICE:222\nREV:20050201T080000Z\nEND:VCARD\n";
      case Sent::kDeleteStub:
        return "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:A1\nEND:VCARD\n";
    }
    return "?";
  }
};

TEST_P(ContactMatrixTest, SettlesTheRecord) {
  const Row& row = GetParam();
  const notes::NOTEID ann = AddAnn(contacts_db_);
  std::string phone;
  if (row.notes == NotesSide::kAdded) {
    WriteFile(store_path_, StoreOf({}, {}));
    if (row.on_phone) {
      phone =
          "BEGIN:VCARD\nVERSION:2.1\nN:Ann\nTEL;WORK;VOICE:111\nX-VOQ-PHB-CGROUP-ID:3\n"
          "REV:20050110T100000Z\nEND:VCARD\n";
    }
  } else {
    WriteFile(store_path_, StoreOf({}, {Stored("A1", Left::kAsBefore, ann)}));
    if (row.on_phone) {
      phone = PhoneCard(
          "A1", {"N:Ann", "TEL;WORK;VOICE:111", "X-VOQ-PHB-CGROUP-ID:3", "REV:20050110T100000Z"});
    }
  }
  if (row.notes == NotesSide::kModified) {
    contacts_db_.SetItems(ann, {{"OfficePhoneNumber", "222"}}, "2005-02-01 08:00:00");
  }
  if (row.notes == NotesSide::kDeleted) contacts_db_.Delete(ann);

  EXPECT_EQ(RunCardPassWithAnswers(phone, row.new_luid ? "X-VOQ-LUID:A9\n" : "", row.mode), 0);
  EXPECT_EQ(vcard_changes_, Text(row.sent));
  EXPECT_TRUE(NoBoxes());

  const std::vector<notes::NOTEID> ids = contacts_db_.NoteIds();
  if (const auto id = ExpectLeftInNotes(row, ids, ann)) {
    const auto items = contacts_db_.TextItems(*id);
    ASSERT_TRUE(items.has_value());
    EXPECT_EQ(items->at("FirstName"), "Ann");
    EXPECT_EQ(items->at("OfficePhoneNumber"), row.in_notes == Left::kChanged ? "222" : "111");
    EXPECT_EQ(items->at("Categories"), "Family");
  }
  const std::string store = row.in_store == Left::kNothing
                                ? StoreOf({}, {})
                                : StoreOf({}, {Stored(row.new_luid ? "A9" : "A1", row.in_store,
                                                      StoredNoteId(row, ids, ann))});
  EXPECT_EQ(ToHex(Store()), ToHex(store));
}

INSTANTIATE_TEST_SUITE_P(Contacts, ContactMatrixTest, testing::ValuesIn(kRows), RowName);

class TodoMatrixTest : public HandlerTest, public testing::WithParamInterface<Row> {
 protected:
  TodoFields Stored(const std::string& luid, Left values, notes::NOTEID id) const {
    TodoFields dentist = DentistRecord(id, luid);
    if (values == Left::kChanged) {
      dentist.summary = "Dentist 2";
      dentist.last_modified = WinterCet(2005, 2, 1, 8, 0);
    }
    if (values == Left::kRecreated) {
      // A to-do created from the phone keeps only its alarm and repeat rule flagged: the new
      // entry was made with the rest.
      dentist.has_summary = dentist.has_start = dentist.has_end = false;
    }
    return dentist;
  }
  std::string Text(Sent sent) const {
    switch (sent) {
      case Sent::kNothing:
        return CalendarChanges("");
      case Sent::kWhole:
        return CalendarChanges(
            "BEGIN:VTODO\nX-VOQ-LUID:\nDTSTART:20050112T090000Z\nDTEND:20050112T100000Z\n"
            "AALARM:ON\nSUMMARY:Dentist\nLAST-MODIFIED:20050110T120000Z\nEND:VTODO\n");
      case Sent::kWholeChanged:
        return CalendarChanges(
            "BEGIN:VTODO\nX-VOQ-LUID:\nDTSTART:20050112T090000Z\nDTEND:20050112T100000Z\n"
            "AALARM:ON\nSUMMARY:Dentist 2\nLAST-MODIFIED:20050201T080000Z\nEND:VTODO\n");
      case Sent::kChangedFields:
        // A to-do's Notes delta holds every field Notes gave, and the time when it changed.
        return CalendarChanges(
            "BEGIN:VTODO\nX-VOQ-LUID:T1\nDTSTART:20050112T090000Z\nDTEND:20050112T100000Z\n"
            "AALARM:ON\nSUMMARY:Dentist 2\nLAST-MODIFIED:20050201T080000Z\nEND:VTODO\n");
      case Sent::kDeleteStub:
        return CalendarChanges("BEGIN:VTODO\nX-VOQ-LUID:T1\nEND:VTODO\n");
    }
    return "?";
  }
};

TEST_P(TodoMatrixTest, SettlesTheRecord) {
  const Row& row = GetParam();
  const notes::NOTEID dentist = AddDentist(calendar_db_);
  const std::vector<std::string> fields = {"DTSTART:20050112T090000Z", "DTEND:20050112T100000Z",
                                           "AALARM:ON", "SUMMARY:Dentist",
                                           "LAST-MODIFIED:20050110T120000Z"};
  std::string phone = PhoneCalendar({});
  if (row.notes == NotesSide::kAdded) {
    WriteFile(store_path_, StoreOf({}, {}));
    if (row.on_phone) phone = PhoneCalendar({PhoneTodo("", fields)});
  } else {
    WriteFile(store_path_, StoreOf({Stored("T1", Left::kAsBefore, dentist)}, {}));
    if (row.on_phone) phone = PhoneCalendar({PhoneTodo("T1", fields)});
  }
  if (row.notes == NotesSide::kModified) {
    calendar_db_.SetBrief(dentist, "Dentist 2", "2005-02-01 08:00:00");
  }
  if (row.notes == NotesSide::kDeleted) calendar_db_.Delete(dentist);

  // Step by step: the report of the pass comes before the update runs.
  StartRun(row.mode);
  EXPECT_EQ(h_.RetrievePIM(), 0);
  EXPECT_EQ(SyncVCal(phone), 0);
  EXPECT_EQ(vcal_changes_, Text(row.sent));
  if (row.notes == NotesSide::kAdded && row.on_phone) {
    EXPECT_TRUE(OneBox("Abnormal condition: LUID is reused!", nullptr, 0x2000));
    ClearCaptures();
  }
  EXPECT_EQ(h_.UpdatePIM(), 0);
  EXPECT_EQ(UpdateVCalLuids(row.new_luid ? "X-VOQ-LUID:T9\n" : ""), 0);
  h_.Deinit();
  EXPECT_TRUE(NoBoxes());

  const std::vector<notes::NOTEID> ids = calendar_db_.NoteIds();
  if (const auto id = ExpectLeftInNotes(row, ids, dentist)) {
    const NotesDb::Entry entry = calendar_db_.ReadEntry(*id);
    EXPECT_EQ(entry.range, "2005-01-12 09:00:00 - 2005-01-12 10:00:00");
    EXPECT_EQ(entry.brief, row.in_notes == Left::kChanged ? "Dentist 2" : "Dentist");
    EXPECT_TRUE(entry.alarm);
  }
  const std::string store =
      row.in_store == Left::kNothing
          ? StoreOf({}, {})
          : StoreOf(
                {Stored(row.new_luid ? "T9" : "T1", row.in_store, StoredNoteId(row, ids, dentist))},
                {});
  EXPECT_EQ(ToHex(Store()), ToHex(store));
}

INSTANTIATE_TEST_SUITE_P(ToDos, TodoMatrixTest, testing::ValuesIn(kRows), RowName);

}  // namespace
}  // namespace pim::test
