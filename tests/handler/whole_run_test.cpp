// Whole runs through the exported functions, one after another on one store file, as a host
// drives them: every change file and every saved store compared byte for byte.
#include "handler/handler_fixture.h"

namespace pim::test {
namespace {

struct RunResults {
  uint32_t contacts = 0;
  uint32_t calendar = 0;
  int32_t init = -1, prepare = -1, query = -1, retrieve = -1, vcard = -1, vcal = -1, update = -1,
          vcard_luids = -1, vcal_luids = -1;
};

class WholeRunTest : public HandlerTest {
 protected:
  RunResults Run(const std::string& phone_cards, const std::string& phone_todos,
                 const std::string& card_luids, const std::string& todo_luids) {
    RunResults r;
    r.init = h_.Init();
    r.prepare = Prepare(2);
    r.query = h_.QueryObjectCount(&r.contacts, &r.calendar);
    r.retrieve = h_.RetrievePIM();
    r.vcard = SyncVCard(phone_cards);
    r.vcal = SyncVCal(phone_todos);
    r.update = h_.UpdatePIM();
    r.vcard_luids = UpdateVCardLuids(card_luids);
    r.vcal_luids = UpdateVCalLuids(todo_luids);
    h_.Deinit();
    return r;
  }
  static void ExpectAllZero(const RunResults& r) {
    EXPECT_EQ(r.init, 0);
    EXPECT_EQ(r.prepare, 0);
    EXPECT_EQ(r.query, 0);
    EXPECT_EQ(r.retrieve, 0);
    EXPECT_EQ(r.vcard, 0);
    EXPECT_EQ(r.vcal, 0);
    EXPECT_EQ(r.update, 0);
    EXPECT_EQ(r.vcard_luids, 0);
    EXPECT_EQ(r.vcal_luids, 0);
  }
};

TEST_F(WholeRunTest, OneContactMakesTheStoreOfTheLayout) {
  const notes::NOTEID ann = AddPerson(contacts_db_, "Ann");
  const RunResults r = Run("", "", "X-VOQ-LUID:A1\n", "");
  ExpectAllZero(r);
  const std::string id = ToHex(StoreBytes().Dword(ann).bytes());
  EXPECT_EQ(ToHex(Store()),
            ToHex(Hex("01000000 0000 0100 FFFF 0100 0E00 43436f6e746163744f626a656374" + id +
                      "00 04000000 00000000 00000000 00 00 00 00 02 4131 03 416E6E 00 00 00"
                      "1044e241"
                      "00000000 00000000 00000000 00000000 00000000 00000000 00000000"
                      "00000000 00000000 01000000 00000000")));
  EXPECT_TRUE(NoBoxes());
}

TEST_F(WholeRunTest, FourRunsKeepNotesAndThePhoneInStep) {
  const notes::NOTEID ann = AddAnn(contacts_db_);
  const notes::NOTEID group =
      contacts_db_.AddDocument({{"ListName", "Team"}}, "2005-01-10 11:00:00", "Group");
  const notes::NOTEID bob = contacts_db_.AddDocument(
      {{"FirstName", "Bob"}, {"CellPhoneNumber", "0170"}}, "2005-01-11 09:30:00");
  const notes::NOTEID dentist = AddDentist(calendar_db_);
  const notes::NOTEID night = calendar_db_.AddTodo("2005-01-13 23:00:00", "2005-01-14 01:00:00",
                                                   "Night shift", false, "2005-01-10 12:00:00");

  const TodoFields dentist_record = DentistRecord(dentist);
  ContactFields ann_record = AnnRecord(ann, "P1");
  ContactFields bob_record{.note_id = bob,
                           .luid = "P2",
                           .mobile = "0170",
                           .first = "Bob",
                           .revision = WinterCet(2005, 1, 11, 9, 30)};

  // Run 1: the phone is empty; everything in Notes goes to it and comes back with LUIDs.
  {
    SCOPED_TRACE("run 1");
    const RunResults r = Run("", "",
                             "BEGIN:VCARD\nX-VOQ-LUID:P1\nEND:VCARD\n"
                             "BEGIN:VCARD\nX-VOQ-LUID:P2\nEND:VCARD\n",
                             "BEGIN:VTODO\nX-VOQ-LUID:T1\nEND:VTODO\n");
    ExpectAllZero(r);
    EXPECT_EQ(r.contacts, 2u);
    EXPECT_EQ(r.calendar, 2u);
    EXPECT_EQ(vcard_changes_,
              "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:\nX-VOQ-PHB-STORAGE:ME\nN:Ann\n"
              "TEL;WORK;VOICE:111\nX-VOQ-PHB-CGROUP-ID:3\nREV:20050110T100000Z\nEND:VCARD\n"
              "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:\nX-VOQ-PHB-STORAGE:ME\nN:Bob\n"
              "TEL;CELL;VOICE:0170\nREV:20050111T093000Z\nEND:VCARD\n");
    EXPECT_EQ(vcal_changes_,
              "BEGIN:VCALENDAR\nVERSION:1.0\n"
              "BEGIN:VTODO\nX-VOQ-LUID:\nDTSTART:20050112T090000Z\nDTEND:20050112T100000Z\n"
              "AALARM:ON\nSUMMARY:Dentist\nLAST-MODIFIED:20050110T120000Z\nEND:VTODO\n"
              "END:VCALENDAR\n");
    const std::string expected = StoreBytes()
                                     .Head()
                                     .Count(1)
                                     .NewClass("CCalEntryObject")
                                     .Todo(dentist_record)
                                     .Count(2)
                                     .NewClass("CContactObject")
                                     .Contact(ann_record)
                                     .OfClass(3)
                                     .Contact(bob_record);
    EXPECT_EQ(ToHex(Store()), ToHex(expected));
    EXPECT_TRUE(NoBoxes());
  }

  // Run 2: Notes changes Bob and adds a to-do; the phone changes Ann, adds Cid and a to-do.
  contacts_db_.SetItems(bob, {{"OfficePhoneNumber", "222"}}, "2005-02-01 08:00:00");
  const notes::NOTEID rent = calendar_db_.AddTodo("2005-02-03 09:00:00", "2005-02-03 09:30:00",
                                                  "Pay rent", false, "2005-01-30 18:00:00");
  const std::string ann_card =
      PhoneCard("P1", {"N:Ann", "TEL;WORK;VOICE:111", "TEL;CELL;VOICE:0151",
                       "X-VOQ-PHB-CGROUP-ID:3", "REV:20050120T080000Z"});
  const std::string cid_card =
      PhoneCard("P3", {"N:Cid", "TEL;HOME;VOICE:333", "REV:20050121T070000Z"});
  const std::string dentist_todo =
      PhoneTodo("T1", {"DTSTART:20050112T090000Z", "DTEND:20050112T100000Z", "AALARM:ON",
                       "SUMMARY:Dentist", "LAST-MODIFIED:20050110T120000Z"});
  const std::string call_todo =
      PhoneTodo("T2", {"DTSTART:20050125T180000Z", "DTEND:20050125T183000Z", "AALARM:OFF",
                       "SUMMARY:Call mum", "LAST-MODIFIED:20050122T200000Z"});
  const std::string rent_todo =
      PhoneTodo("T3", {"DTSTART:20050203T090000Z", "DTEND:20050203T093000Z", "AALARM:OFF",
                       "SUMMARY:Pay rent", "LAST-MODIFIED:20050130T180000Z"});
  ann_record.mobile = "0151";
  ann_record.revision = WinterCet(2005, 1, 20, 8, 0);
  bob_record.work = "222";
  bob_record.revision = WinterCet(2005, 2, 1, 8, 0);
  const TodoFields rent_record =
      NotesTodoRecord(rent, "T3", "Pay rent", WinterCet(2005, 2, 3, 9, 0),
                      WinterCet(2005, 2, 3, 9, 30), WinterCet(2005, 1, 30, 18, 0), false);
  notes::NOTEID cid = 0;
  notes::NOTEID call = 0;
  {
    SCOPED_TRACE("run 2");
    const RunResults r =
        Run(PhoneCard("P2", {"N:Bob", "TEL;CELL;VOICE:0170", "REV:20050111T093000Z"}) + ann_card +
                cid_card,
            PhoneCalendar({dentist_todo, call_todo}), "", "X-VOQ-LUID:T3\n");
    ExpectAllZero(r);
    EXPECT_EQ(r.contacts, 2u);
    EXPECT_EQ(r.calendar, 3u);
    EXPECT_EQ(vcard_changes_,
              "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:P2\nX-VOQ-PHB-STORAGE:ME\n"
              "TEL;WORK;VOICE:222\nREV:20050201T080000Z\nEND:VCARD\n");
    EXPECT_EQ(vcal_changes_,
              "BEGIN:VCALENDAR\nVERSION:1.0\n"
              "BEGIN:VTODO\nX-VOQ-LUID:\nDTSTART:20050203T090000Z\nDTEND:20050203T093000Z\n"
              "AALARM:OFF\nSUMMARY:Pay rent\nLAST-MODIFIED:20050130T180000Z\nEND:VTODO\n"
              "END:VCALENDAR\n");
    const std::vector<notes::NOTEID> contact_ids = contacts_db_.NoteIds();
    ASSERT_EQ(contact_ids.size(), 4u);
    cid = contact_ids[3];
    EXPECT_EQ(contacts_db_.TextItems(ann), PersonItems({{"FirstName", "Ann"},
                                                        {"Categories", "Family"},
                                                        {"CellPhoneNumber", "0151"},
                                                        {"OfficePhoneNumber", "111"}}));
    EXPECT_EQ(contacts_db_.TextItems(cid),
              PersonItems({{"FirstName", "Cid"}, {"PhoneNumber", "333"}}));
    const std::vector<notes::NOTEID> entry_ids = calendar_db_.NoteIds();
    ASSERT_EQ(entry_ids.size(), 4u);
    call = entry_ids[3];
    const NotesDb::Entry entry = calendar_db_.ReadEntry(call);
    EXPECT_EQ(entry.range, "2005-01-25 18:00:00 - 2005-01-25 18:30:00");
    EXPECT_EQ(entry.brief, "Call mum");
    EXPECT_FALSE(entry.alarm);
  }
  TodoFields call_record{.note_id = call,
                         .luid = "T2",
                         .alarm = 0,
                         .has_alarm = true,
                         .summary = "Call mum",
                         .start = WinterCet(2005, 1, 25, 18, 0),
                         .end = WinterCet(2005, 1, 25, 18, 30),
                         .last_modified = WinterCet(2005, 1, 22, 20, 0),
                         .has_last_modified = true};
  const ContactFields cid_record{.note_id = cid,
                                 .luid = "P3",
                                 .group = -1,
                                 .picture = -1,
                                 .ring = -1,
                                 .home = "333",
                                 .first = "Cid",
                                 .revision = WinterCet(2005, 1, 21, 7, 0)};
  EXPECT_EQ(ToHex(Store()), ToHex(StoreOf({dentist_record, rent_record, call_record},
                                          {ann_record, bob_record, cid_record})));

  // Run 3: Notes deletes the dentist, the phone deletes Bob. The documents the last update
  // saved get the times the phone gave them.
  contacts_db_.Restamp(ann, "2005-01-20 08:00:00");
  contacts_db_.Restamp(cid, "2005-01-21 07:00:00");
  calendar_db_.Restamp(call, "2005-01-22 20:00:00");
  calendar_db_.Delete(dentist);
  {
    SCOPED_TRACE("run 3");
    const RunResults r =
        Run(ann_card + cid_card, PhoneCalendar({dentist_todo, call_todo, rent_todo}), "", "");
    ExpectAllZero(r);
    EXPECT_EQ(vcard_changes_, "");
    // The new entry was made with the summary and times its record kept unflagged; reading it
    // back flags them again, so they go to the phone once more with the alarm.
    EXPECT_EQ(vcal_changes_,
              "BEGIN:VCALENDAR\nVERSION:1.0\n"
              "BEGIN:VTODO\nX-VOQ-LUID:T1\nEND:VTODO\n"
              "BEGIN:VTODO\nX-VOQ-LUID:T2\nDTSTART:20050125T180000Z\nDTEND:20050125T183000Z\n"
              "AALARM:OFF\nSUMMARY:Call mum\nEND:VTODO\n"
              "END:VCALENDAR\n");
    EXPECT_EQ(contacts_db_.NoteIds(), (std::vector<notes::NOTEID>{ann, group, cid}));
    EXPECT_EQ(calendar_db_.NoteIds(), (std::vector<notes::NOTEID>{night, rent, call}));
  }
  call_record.has_summary = call_record.has_start = call_record.has_end = true;
  // The dentist stays one more run: the phone has still to let go of it.
  EXPECT_EQ(ToHex(Store()),
            ToHex(StoreOf({dentist_record, rent_record, call_record}, {ann_record, cid_record})));

  // Run 4: the phone has deleted the dentist; nothing else changes anywhere.
  {
    SCOPED_TRACE("run 4");
    const RunResults r = Run(ann_card + cid_card, PhoneCalendar({call_todo, rent_todo}), "", "");
    ExpectAllZero(r);
    EXPECT_EQ(vcard_changes_, "");
    EXPECT_EQ(vcal_changes_, CalendarChanges(""));
  }
  EXPECT_EQ(ToHex(Store()), ToHex(StoreOf({rent_record, call_record}, {ann_record, cid_record})));
  EXPECT_EQ(contacts_db_.NoteIds(), (std::vector<notes::NOTEID>{ann, group, cid}));
  EXPECT_EQ(calendar_db_.NoteIds(), (std::vector<notes::NOTEID>{night, rent, call}));
  EXPECT_TRUE(NoBoxes());
}

}  // namespace
}  // namespace pim::test
