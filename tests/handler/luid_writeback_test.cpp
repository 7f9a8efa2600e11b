// The phone's LUIDs for the records sent to it as new, taken from the answer file in order.
#include <filesystem>

#include "handler/handler_fixture.h"

namespace pim::test {
namespace {

class LuidWritebackTest : public HandlerTest {
 protected:
  // `count` contacts new in Notes, sent to the phone as new by a whole run up to the
  // write-back; returns their records as Notes gave them.
  std::vector<ContactFields> SendNewContacts(size_t count) {
    std::vector<ContactFields> records;
    for (size_t i = 0; i < count; ++i)
      records.push_back(AddStoredPerson("N" + std::to_string(i + 1), "").second);
    StartRun();
    EXPECT_EQ(h_.RetrievePIM(), 0);
    EXPECT_EQ(SyncVCard(""), 0);
    EXPECT_EQ(SyncVCal(""), 0);
    EXPECT_EQ(h_.UpdatePIM(), 0);
    return records;
  }
};

struct WritebackRow {
  const char* name;
  size_t waiting;
  std::string answers;
  int32_t result;
  std::vector<std::string> luids;  // of the waiting records afterwards, in array order
};

class LuidAnswerFileTest : public LuidWritebackTest,
                           public testing::WithParamInterface<WritebackRow> {};

TEST_P(LuidAnswerFileTest, AssignsTheLuidsInOrder) {
  const WritebackRow& row = GetParam();
  std::vector<ContactFields> records = SendNewContacts(row.waiting);
  EXPECT_EQ(UpdateVCardLuids(row.answers), row.result);
  h_.Deinit();
  ASSERT_EQ(records.size(), row.luids.size());
  for (size_t i = 0; i < records.size(); ++i)
    records[i].luid = row.luids[i];
  EXPECT_EQ(ToHex(Store()), ToHex(StoreOf({}, records)));
  EXPECT_TRUE(NoBoxes());
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Files, LuidAnswerFileTest,
    testing::Values(
        WritebackRow{"EmptyFileNoneWaiting", 0, "", 0, {}},
        WritebackRow{"EmptyFileOneWaiting", 1, "", 1, {""}},
        WritebackRow{"ThreeForThree", 3, "X-VOQ-LUID:a\nX-VOQ-LUID:b\nX-VOQ-LUID:c\n", 0, {"a", "b", "c"}},
        WritebackRow{"ThreeLuidsForTwo", 2, "X-VOQ-LUID:a\nX-VOQ-LUID:b\nX-VOQ-LUID:c\n", 1, {"a", "b"}},
        WritebackRow{"TwoLuidsForThree", 3, "X-VOQ-LUID:a\nX-VOQ-LUID:b\n", 1, {"a", "b", ""}},
        WritebackRow{"LowerCaseNameCounts", 1, "x-voq-luid:a\n", 0, {"a"}},
        WritebackRow{"LineWithoutColonIsIgnored", 1, "X-VOQ-LUID a\nX-VOQ-LUID:b\n", 0, {"b"}},
        WritebackRow{"EmptyValueSkipsTheRecord", 2, "X-VOQ-LUID:\nX-VOQ-LUID:b\n", 0, {"", "b"}},
        WritebackRow{"EmptyValueLast", 2, "X-VOQ-LUID:a\nX-VOQ-LUID:\n", 0, {"a", ""}},
        WritebackRow{"ValueIsTrimmed", 1, "  X-VOQ-LUID:  a 1 \t\r\n", 0, {"a 1"}},
        WritebackRow{"NameWithBlankBeforeColonDoesNotCount", 1, "X-VOQ-LUID :a\n", 1, {""}},
        WritebackRow{"OtherLinesAroundAreIgnored", 2,
                     "BEGIN:VCARD\nX-VOQ-LUID:a\nN:ignored\nEND:VCARD\nBEGIN:VCARD\nVERSION:2.1\n"
                     "X-VOQ-LUID:b\nEND:VCARD\n", 0, {"a", "b"}}),
    [](const testing::TestParamInfo<WritebackRow>& param) { return param.param.name; });
// clang-format on

TEST_F(LuidWritebackTest, LuidsSkipTheRecordsThatHaveOne) {
  // Ann, Bob and Cid are paired; in mode 0, Ann and Cid, gone from the phone, are sent to it
  // again as new with their LUIDs forgotten.
  std::vector<ContactFields> records;
  for (const char* name : {"Ann", "Bob", "Cid"})
    records.push_back(AddStoredPerson(name, std::string(1, name[0]) + "1").second);
  WriteFile(store_path_, StoreOf({}, records));
  EXPECT_EQ(RunCardPassWithAnswers(PhoneCard("B1", {"N:Bob", "REV:20050110T100000Z"}),
                                   "X-VOQ-LUID:n1\nX-VOQ-LUID:n2\n", 0),
            0);
  EXPECT_EQ(vcard_changes_,
            "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:\nX-VOQ-PHB-STORAGE:ME\nN:Ann\n"
            "REV:20050110T100000Z\nEND:VCARD\n"
            "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:\nX-VOQ-PHB-STORAGE:ME\nN:Cid\n"
            "REV:20050110T100000Z\nEND:VCARD\n");
  records[0].luid = "n1";
  records[2].luid = "n2";
  EXPECT_EQ(ToHex(Store()), ToHex(StoreOf({}, records)));
  EXPECT_TRUE(NoBoxes());
}

TEST_F(LuidWritebackTest, ARecordTheUpdateDroppedTakesNoLuid) {
  // Xen never got a LUID and the phone, not knowing it, did not send it: mode 2 deletes it
  // from Notes and drops it, so Yul, new in Notes, is the only one waiting.
  WriteFile(store_path_, StoreOf({}, {AddStoredPerson("Xen", "").second}));
  const notes::NOTEID yul = AddPerson(contacts_db_, "Yul");
  EXPECT_EQ(RunCardPassWithAnswers("", "X-VOQ-LUID:y1\n"), 0);
  EXPECT_EQ(contacts_db_.NoteIds(), std::vector<notes::NOTEID>{yul});
  EXPECT_EQ(ToHex(Store()), ToHex(StoreOf({}, {PersonRecord(yul, "y1", "Yul")})));
}

TEST_F(LuidWritebackTest, ACardThePhoneSentWithoutALuidWaitsForOne) {
  EXPECT_EQ(
      RunCardPassWithAnswers("BEGIN:VCARD\nVERSION:2.1\nN:Pat\nREV:20050110T100000Z\nEND:VCARD\n",
                             "X-VOQ-LUID:p1\n"),
      0);
  const std::vector<notes::NOTEID> ids = contacts_db_.NoteIds();
  ASSERT_EQ(ids.size(), 1u);
  EXPECT_EQ(ToHex(Store()), ToHex(StoreOf({}, {{.note_id = ids[0],
                                                .luid = "p1",
                                                .group = -1,
                                                .picture = -1,
                                                .ring = -1,
                                                .first = "Pat",
                                                .revision = WinterCet(2005, 1, 10, 10, 0)}})));
}

TEST_F(LuidWritebackTest, ToDoLuidsGoToTheToDosOnly) {
  const notes::NOTEID first = calendar_db_.AddTodo("2005-01-12 09:00:00", "2005-01-12 10:00:00",
                                                   "One", false, "2005-01-10 12:00:00");
  const notes::NOTEID second = calendar_db_.AddTodo("2005-01-13 09:00:00", "2005-01-13 10:00:00",
                                                    "Two", false, "2005-01-10 12:00:00");
  std::vector<ContactFields> contacts = SendNewContacts(1);
  EXPECT_EQ(UpdateVCalLuids("BEGIN:VTODO\nX-VOQ-LUID:t1\nEND:VTODO\n"
                            "BEGIN:VTODO\nX-VOQ-LUID:t2\nEND:VTODO\n"),
            0);
  EXPECT_EQ(UpdateVCardLuids(""), 1);
  h_.Deinit();
  const auto store = DecodedStoreFile();
  ASSERT_TRUE(store.has_value());
  ASSERT_EQ(store->todos.size(), 2u);
  EXPECT_EQ(store->todos[0].note_id, first);
  EXPECT_EQ(store->todos[0].luid, "t1");
  EXPECT_EQ(store->todos[1].note_id, second);
  EXPECT_EQ(store->todos[1].luid, "t2");
  EXPECT_EQ(store->contacts, contacts);
}

TEST_F(LuidWritebackTest, AnAnswerFileThatCannotBeReadIsReported) {
  std::vector<ContactFields> records = SendNewContacts(1);
  const std::string missing = dir_.File("none.vcf");
  EXPECT_EQ(h_.UpdateVCardLUID(missing.c_str()), 1);
  EXPECT_TRUE(OneBox("Cannot open \"" + missing + "\": No such file or directory.", nullptr, 0));
  ClearCaptures();
  const std::string folder = dir_.File("answers");
  ASSERT_TRUE(std::filesystem::create_directory(folder));
  EXPECT_EQ(h_.UpdateVCalLUID(folder.c_str()), 1);
  EXPECT_TRUE(OneBox("Cannot open \"" + folder + "\": Is a directory.", nullptr, 0));
  ClearCaptures();
  h_.Deinit();
  EXPECT_EQ(ToHex(Store()), ToHex(StoreOf({}, records)));
}

}  // namespace
}  // namespace pim::test
