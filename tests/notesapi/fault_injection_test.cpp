// Faults armed on purpose: which call fails, how, and that a failed call does nothing.
#include <functional>
#include <set>

#include "notesapi_fixture.h"

namespace pim::notesapi_test {
namespace {

constexpr LNSTATUS kFault = 0x7777;

class FaultTest : public NotesApiTest {
 protected:
  void SetUp() override {
    NotesApiTest::SetUp();
    ASSERT_EQ(session_.GetCalendar(&calendar_, path_, ""), LNNOERROR);
    LNDatetimeRange range;
    range.SetBegin(DateOnly(2024, 1, 1));
    range.SetEnd(DateOnly(2024, 1, 1));
    ASSERT_EQ(calendar_.CreateEntry(range, "x", LNCALENDARENTRYTYPE_TODO, &entry_), LNNOERROR);
    ClearFaults();
  }

  LNCalendar calendar_;
  LNCalendarEntry entry_;
};

TEST_F(FaultTest, EveryOperationPassesTheCheckFirst) {
  LNNotesSession other_session;
  LNDatabase db;
  LNCalendar calendar;
  LNDocument doc;
  LNDocumentArray documents;
  LNCalendarEntryArray entries;
  LNItem item;
  LNString text;
  LNDatetimeRange range;
  range.SetBegin(DateOnly(2024, 1, 1));
  range.SetEnd(DateOnly(2024, 1, 1));
  ASSERT_EQ(session_.GetDatabase(path_, &db), LNNOERROR);
  ASSERT_EQ(db.Open(), LNNOERROR);
  ASSERT_EQ(db.CreateDocument(&doc, "Person"), LNNOERROR);
  const NOTEID entry_id = entry_.GetNoteID();
  ClearFaults();

  using Op = LNOperation;
  const std::pair<Op, std::function<void()>> calls[] = {
      {Op::kSessionInitialize, [&] { other_session.Initialize(); }},
      {Op::kSessionTerm, [&] { session_.Term(); }},
      {Op::kSessionGetDatabase, [&] { session_.GetDatabase(path_, &db); }},
      {Op::kSessionGetCalendar, [&] { session_.GetCalendar(&calendar, path_, ""); }},
      {Op::kDatabaseOpen, [&] { db.Open(); }},
      {Op::kDatabaseClose, [&] { db.Close(); }},
      {Op::kDatabaseGetDocuments, [&] { db_.GetDocuments(&documents); }},
      {Op::kDatabaseGetTitle, [&] { db_.GetTitle(&text); }},
      {Op::kDatabaseGetDocument, [&] { db_.GetDocument(entry_id, &doc); }},
      {Op::kDatabaseCreateDocument, [&] { db_.CreateDocument(&doc, "Person"); }},
      {Op::kDatabaseDeleteNote, [&] { db_.DeleteNote(entry_id); }},
      {Op::kNoteOpen, [&] { doc.Open(); }},
      {Op::kNoteClose, [&] { doc.Close(); }},
      {Op::kNoteGetNoteID, [&] { doc.GetNoteID(); }},
      {Op::kNoteGetLastModified, [&] { entry_.GetLastModified(); }},
      {Op::kNoteGetItem, [&] { entry_.GetItem(kEntryBriefItem, &item); }},
      {Op::kNoteCreateItem, [&] { entry_.CreateItem("X", item); }},
      {Op::kNoteSave, [&] { entry_.LNNote::Save(); }},
      {Op::kDocumentGetFormNote, [&] { entry_.GetFormNote(&text); }},
      {Op::kDocumentComputeWithForm, [&] { entry_.ComputeWithForm(); }},
      {Op::kCalendarGetEntries, [&] { calendar_.GetEntries(range, &entries); }},
      {Op::kCalendarCreateEntry, [&] { calendar_.CreateEntry(range, "", 1, &entry_); }},
      {Op::kEntryGetDatetimeRange, [&] { entry_.GetDatetimeRange(&range); }},
      {Op::kEntrySetDatetimeRange, [&] { entry_.SetDatetimeRange(range); }},
      {Op::kEntryGetBriefDescription, [&] { entry_.GetBriefDescription(&text); }},
      {Op::kEntrySetBriefDescription, [&] { entry_.SetBriefDescription("y"); }},
      {Op::kEntryGetIsAlarmEnabled, [&] { entry_.GetIsAlarmEnabled(); }},
      {Op::kEntrySetIsAlarmEnabled, [&] { entry_.SetIsAlarmEnabled(TRUE); }},
      {Op::kEntrySetAlarmDatetime, [&] { entry_.SetAlarmDatetime(range.GetBegin()); }},
      {Op::kEntrySave, [&] { entry_.Save(); }},
  };
  std::set<Op> covered;
  for (const auto& [operation, call] : calls) {
    SCOPED_TRACE(static_cast<int>(operation));
    covered.insert(operation);
    ClearFaults();
    InjectFault(operation, 1, kFault);
    EXPECT_EQ(ThrownStatus(call), kFault);
    EXPECT_EQ(CallCount(operation), 1u);
    EXPECT_EQ(TotalCallCount(), 1u);
    // Fired once, then gone.
    EXPECT_NE(ThrownStatus(call), kFault);
  }
  EXPECT_EQ(covered.size(), static_cast<size_t>(Op::kCount));
}

TEST_F(FaultTest, AFaultedCallDoesNothing) {
  const NOTEID id = entry_.GetNoteID();
  InjectFault(LNOperation::kDatabaseDeleteNote, 1, kFault);
  EXPECT_EQ(db_.DeleteNote(id), kFault);
  EXPECT_EQ(DocumentIds(db_), std::vector<NOTEID>{id});
  InjectFault(LNOperation::kSessionTerm, 1, kFault);
  EXPECT_EQ(session_.Term(), kFault);
  EXPECT_TRUE(session_.IsInitialized());
  InjectFault(LNOperation::kEntrySetBriefDescription, 1, kFault);
  EXPECT_EQ(entry_.SetBriefDescription("changed"), kFault);
  LNString brief;
  ASSERT_EQ(entry_.GetBriefDescription(&brief), LNNOERROR);
  EXPECT_EQ(brief, "x");
}

TEST_F(FaultTest, TheNthCallOfOneOperationFails) {
  InjectFault(LNOperation::kNoteSave, 2, LNERR_DATABASE_IO);
  LNDocument first, second;
  ASSERT_EQ(db_.CreateDocument(&first, "Person"), LNNOERROR);
  ASSERT_EQ(db_.CreateDocument(&second, "Person"), LNNOERROR);
  EXPECT_EQ(first.Save(), LNNOERROR);
  EXPECT_EQ(second.Save(), LNERR_DATABASE_IO);
  EXPECT_EQ(second.GetNoteID(), 0u);       // nothing was written
  EXPECT_EQ(DocumentIds(db_).size(), 2u);  // the entry and the first document
  EXPECT_EQ(second.Save(), LNNOERROR);     // the fault fires once
  EXPECT_EQ(CallCount(LNOperation::kNoteSave), 3u);
}

TEST_F(FaultTest, TheNthCallOfAnyOperationFails) {
  InjectFaultAtCall(3, kFault);
  LNDocument doc;
  EXPECT_EQ(db_.CreateDocument(&doc, "Person"), LNNOERROR);          // 1
  EXPECT_EQ(doc.CreateItem("Name", Texts("", {"Ann"})), LNNOERROR);  // 2
  EXPECT_EQ(doc.CreateItem("Age", Numbers("", {3})), kFault);        // 3
  EXPECT_FALSE(doc.HasItem("Age"));
  EXPECT_EQ(doc.Save(), LNNOERROR);  // 4
  EXPECT_EQ(TotalCallCount(), 4u);
  EXPECT_EQ(CallCount(LNOperation::kNoteCreateItem), 2u);

  // Thrown in throwing mode, and two armed faults both fire.
  ClearFaults();
  InjectFaultAtCall(1, kFault);
  InjectFault(LNOperation::kDatabaseGetTitle, 2, LNERR_DATABASE_BUSY);
  LNString title;
  EXPECT_EQ(ThrownStatus([&] { db_.GetTitle(&title); }), kFault);
  EXPECT_EQ(ThrownStatus([&] { db_.GetTitle(&title); }), LNERR_DATABASE_BUSY);
  EXPECT_EQ(db_.GetTitle(&title), LNNOERROR);
}

TEST_F(FaultTest, ClearFaultsDisarmsAndRestartsTheCounts) {
  InjectFault(LNOperation::kDatabaseGetTitle, 1, kFault);
  InjectFaultAtCall(2, kFault);
  LNString title;
  LNDocumentArray documents;
  EXPECT_EQ(db_.GetDocuments(&documents), LNNOERROR);
  ClearFaults();
  EXPECT_EQ(TotalCallCount(), 0u);
  EXPECT_EQ(CallCount(LNOperation::kDatabaseGetDocuments), 0u);
  EXPECT_EQ(db_.GetTitle(&title), LNNOERROR);
  EXPECT_EQ(db_.GetTitle(&title), LNNOERROR);
  // Arming the zeroth call arms nothing.
  InjectFault(LNOperation::kDatabaseGetTitle, 0, kFault);
  InjectFaultAtCall(0, kFault);
  EXPECT_EQ(db_.GetTitle(&title), LNNOERROR);
}

// A fault counts the calls the caller makes, not the work a call does inside.
TEST_F(FaultTest, InnerWorkIsNotCounted) {
  LNCalendar calendar;
  ASSERT_EQ(session_.GetCalendar(&calendar, path_, ""), LNNOERROR);
  LNCalendarEntry entry;
  LNDatetimeRange range;
  range.SetBegin(DateOnly(2024, 2, 1));
  range.SetEnd(DateOnly(2024, 2, 1));
  ASSERT_EQ(calendar.CreateEntry(range, "y", LNCALENDARENTRYTYPE_TODO, &entry), LNNOERROR);
  EXPECT_EQ(TotalCallCount(), 2u);
  EXPECT_EQ(CallCount(LNOperation::kSessionGetCalendar), 1u);
  EXPECT_EQ(CallCount(LNOperation::kCalendarCreateEntry), 1u);
  EXPECT_EQ(CallCount(LNOperation::kDatabaseOpen), 0u);
  EXPECT_EQ(CallCount(LNOperation::kNoteSave), 0u);
}

}  // namespace
}  // namespace pim::notesapi_test
