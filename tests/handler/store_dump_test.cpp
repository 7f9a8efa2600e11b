// The store dump: every record of a store file to the debug output, to-dos first.
#include <filesystem>

#include "handler/handler_fixture.h"

namespace pim::test {
namespace {

class StoreDumpTest : public HandlerTest {
 protected:
  int32_t Dump(const std::string& path) {
    CapturedDebugLines().clear();
    return h_.DumpSyncObjectStore(path.c_str());
  }
};

TEST_F(StoreDumpTest, WritesOneCompleteTextPerRecordToDosFirst) {
  TodoFields dentist = DentistRecord(7);
  dentist.kind = 2;
  dentist.weekdays = {0, 1, 0, 1, 0, 0, 0};
  const TodoFields bare{.note_id = 9,
                        .alarm = 0,
                        .has_alarm = true,
                        .summary = "not flagged",
                        .start = 123,
                        .end = 456};
  const ContactFields ann{.note_id = 3,
                          .luid = "A1",
                          .group = 1,
                          .has_group = true,
                          .picture = 5,
                          .has_picture = true,
                          .ring = 7,
                          .has_ring = true,
                          .mobile = "0151",
                          .email = "ann@example.org",
                          .fax = "0301",
                          .home = "0302",
                          .first = "Ann",
                          .last = "Smith",
                          .work = "111",
                          .company = "ACME",
                          .revision = WinterCet(2005, 1, 10, 10, 0)};
  const ContactFields empty{};
  const ContactFields no_group{.note_id = 4,
                               .luid = "C1",
                               .group = 4,
                               .has_group = true,
                               .picture = -1,
                               .has_picture = true,
                               .revision = TimeAt(2005, 7, 1, 2, 0, 0, 2)};
  WriteFile(store_path_, StoreOf({dentist, bare}, {ann, empty, no_group}));

  EXPECT_EQ(Dump(store_path_), 0);
  EXPECT_EQ(CapturedDebugLines(),
            (std::vector<std::string>{
                // A loaded to-do has no repeat rule present: no RRULE line, whatever is stored.
                "BEGIN:VTODO\nX-VOQ-LUID:T1\nDTSTART:20050112T090000Z\n"
                "DTEND:20050112T100000Z\nAALARM:ON\nSUMMARY:Dentist\n"
                "LAST-MODIFIED:20050110T120000Z\nEND:VTODO\n",
                "BEGIN:VTODO\nX-VOQ-LUID:\nAALARM:OFF\nEND:VTODO\n",
                "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:A1\nX-VOQ-PHB-STORAGE:ME\nN:Ann\n"
                "LN:Smith\nORG:ACME\nTEL;WORK;VOICE:111\nTEL;HOME;VOICE:0302\n"
                "TEL;CELL;VOICE:0151\nTEL;WORK;FAX:0301\nEMAIL;PREF;INTERNET:ann@example.org\n"
                "X-VOQ-PHB-PIC-ID:5\nX-VOQ-PHB-RING-ID:7\nX-VOQ-PHB-CGROUP-ID:1\n"
                "REV:20050110T100000Z\nEND:VCARD\n",
                "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:\nX-VOQ-PHB-STORAGE:ME\n"
                "REV:19700101T010000Z\nEND:VCARD\n",
                // In summer, central Europe is two hours east of UTC.
                "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:C1\nX-VOQ-PHB-STORAGE:ME\n"
                "X-VOQ-PHB-PIC-ID:-1\nX-VOQ-PHB-CGROUP-ID:4\nREV:20050701T020000Z\nEND:VCARD\n",
            }));
  EXPECT_TRUE(NoBoxes());
}

TEST_F(StoreDumpTest, NoFileAtThePathDumpsNothing) {
  EXPECT_EQ(Dump(dir_.File("none.store")), 0);
  EXPECT_TRUE(CapturedDebugLines().empty());
  EXPECT_TRUE(NoBoxes());
}

struct UnreadableStore {
  const char* name;
  std::string bytes;
  int32_t result;
};

class StoreDumpOfUnreadableFileTest : public StoreDumpTest,
                                      public testing::WithParamInterface<UnreadableStore> {};

TEST_P(StoreDumpOfUnreadableFileTest, DumpsNothingAndGivesItsResult) {
  WriteFile(store_path_, GetParam().bytes);
  EXPECT_EQ(Dump(store_path_), GetParam().result);
  EXPECT_TRUE(CapturedDebugLines().empty());
  EXPECT_TRUE(NoBoxes());
}

ContactFields Someone(const std::string& luid) {
  return {.note_id = 1, .luid = luid, .first = "Someone", .revision = 1000};
}

std::string Cut(std::string bytes, size_t drop) {
  bytes.resize(bytes.size() - drop);
  return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Files, StoreDumpOfUnreadableFileTest,
    testing::Values(
        UnreadableStore{"ZeroBytes", "", 1}, UnreadableStore{"ShorterThanItsHead", Hex("0100"), 1},
        UnreadableStore{"FirstWordTwo", StoreOf({}, {Someone("A1")}).replace(0, 1, "\x02"), 2},
        // The records before the fault are not dumped either.
        UnreadableStore{"EndsInTheSecondRecord",
                        Cut(StoreOf({}, {Someone("A1"), Someone("B1")}), 3), 1},
        UnreadableStore{
            "ClassNameInOtherCase",
            StoreBytes().Head().Count(0).Count(1).NewClass("CCONTACTOBJECT").Contact(Someone("A1")),
            1},
        UnreadableStore{
            "ContactAmongToDos",
            StoreBytes().Head().Count(1).NewClass("CContactObject").Contact(Someone("A1")).Count(0),
            1}),
    [](const testing::TestParamInfo<UnreadableStore>& param) { return param.param.name; });

TEST_F(StoreDumpTest, AFolderAtThePathGetsTheFileErrorReport) {
  ASSERT_TRUE(std::filesystem::create_directory(store_path_));
  EXPECT_EQ(Dump(store_path_), 1);
  EXPECT_TRUE(CapturedDebugLines().empty());
  EXPECT_TRUE(OneBox("Cannot open \"" + store_path_ + "\": Is a directory.", nullptr, 0));
}

TEST_F(StoreDumpTest, DuringARunShowsTheFileAsLastSavedNotTheRecordsInMemory) {
  const auto [ann, ann_record] = AddStoredPerson("Ann", "A1");
  WriteFile(store_path_, StoreOf({}, {ann_record}));
  contacts_db_.SetItems(ann, {{"FirstName", "Anne"}}, "2005-02-01 08:00:00");
  contacts_db_.AddDocument({{"FirstName", "Bob"}}, "2005-01-11 09:30:00");

  StartRun();
  ASSERT_EQ(h_.RetrievePIM(), 0);
  EXPECT_EQ(Dump(store_path_), 0);
  EXPECT_EQ(CapturedDebugLines(),
            (std::vector<std::string>{"BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:A1\n"
                                      "X-VOQ-PHB-STORAGE:ME\nN:Ann\nREV:20050110T100000Z\n"
                                      "END:VCARD\n"}));
  // The run goes on with its own records.
  EXPECT_EQ(SyncVCard(PhoneCard("A1", {"N:Ann", "REV:20050110T100000Z"})), 0);
  EXPECT_EQ(vcard_changes_,
            "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:A1\nX-VOQ-PHB-STORAGE:ME\nN:Anne\n"
            "REV:20050201T080000Z\nEND:VCARD\n"
            "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:\nX-VOQ-PHB-STORAGE:ME\nN:Bob\n"
            "REV:20050111T093000Z\nEND:VCARD\n");
  EXPECT_TRUE(NoBoxes());
}

}  // namespace
}  // namespace pim::test
