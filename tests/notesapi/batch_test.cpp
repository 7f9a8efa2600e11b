// Batches: many writes reaching the file in one transaction, each failed one undone alone.
#include <sqlite3.h>

#include <algorithm>

#include "notesapi/notes_store.h"
#include "notesapi_fixture.h"

namespace pim::notesapi_test {
namespace {

class BatchTest : public NotesApiTest {
 protected:
  // The note IDs another connection sees, as another process would.
  std::vector<NOTEID> IdsElsewhere() {
    LNNotesSession session;
    LNDatabase db;
    OpenElsewhere(session, db);
    return DocumentIds(db);
  }

  void ExecElsewhere(const char* sql) {
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(path_.c_str(), &other), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(other, sql, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(other);
  }
};

TEST_F(BatchTest, OtherConnectionsSeeTheWritesOnlyWhenTheBatchEnds) {
  const NOTEID kept = SaveNew("Person", {Texts("FirstName", {"Ann"})});
  const NOTEID deleted = SaveNew("Person", {Texts("FirstName", {"Bob"})});
  ASSERT_EQ(db_.BeginBatch(), LNNOERROR);
  const NOTEID added = SaveNew("Person", {Texts("FirstName", {"Cy"})});
  LNDocument doc;
  ASSERT_EQ(db_.GetDocument(kept, &doc), LNNOERROR);
  ASSERT_EQ(doc.Open(), LNNOERROR);
  ASSERT_EQ(doc.CreateItem("FirstName", Texts("", {"Ann-Marie"})), LNNOERROR);
  ASSERT_EQ(doc.Save(), LNNOERROR);
  ASSERT_EQ(db_.DeleteNote(deleted), LNNOERROR);

  // The batch's own connection reads its writes; others still read the old notes, and a
  // writer elsewhere waits for the batch.
  EXPECT_EQ(DocumentIds(db_), (std::vector<NOTEID>{kept, added}));
  EXPECT_EQ(IdsElsewhere(), (std::vector<NOTEID>{kept, deleted}));
  LNItem name;
  ASSERT_EQ(ReadElsewhere(kept).GetItem("FirstName", &name), LNNOERROR);
  EXPECT_EQ(*name.Texts(), std::vector<LNString>{"Ann"});
  detail::SetBusyTimeout(50);
  LNNotesSession session;
  LNDatabase other;
  OpenElsewhere(session, other);
  detail::SetBusyTimeout(5000);
  EXPECT_EQ(other.DeleteNote(kept), LNERR_DATABASE_BUSY);

  ASSERT_EQ(db_.EndBatch(), LNNOERROR);
  EXPECT_EQ(IdsElsewhere(), (std::vector<NOTEID>{kept, added}));
  ASSERT_EQ(ReadElsewhere(kept).GetItem("FirstName", &name), LNNOERROR);
  EXPECT_EQ(*name.Texts(), std::vector<LNString>{"Ann-Marie"});
  EXPECT_EQ(other.DeleteNote(kept), LNNOERROR);
}

TEST_F(BatchTest, AFailedWriteIsUndoneAloneAndTheOthersStay) {
  const NOTEID first = SaveNew("Person", {Texts("FirstName", {"Ann"})});
  // The next note would get an ID wider than 32 bits: its insert fails after the row is in.
  ExecElsewhere("UPDATE sqlite_sequence SET seq = 4294967295 WHERE name = 'notes'");
  ASSERT_EQ(db_.BeginBatch(), LNNOERROR);
  LNDocument doc;
  ASSERT_EQ(db_.CreateDocument(&doc, "Person"), LNNOERROR);
  EXPECT_EQ(doc.Save(), LNERR_DATABASE_FULL);
  EXPECT_EQ(DocumentIds(db_), std::vector<NOTEID>{first});
  ASSERT_EQ(db_.DeleteNote(first), LNNOERROR);
  EXPECT_EQ(db_.DeleteNote(first), LNERR_NOTE_NOT_FOUND);
  ASSERT_EQ(db_.EndBatch(), LNNOERROR);
  EXPECT_TRUE(IdsElsewhere().empty());
}

TEST_F(BatchTest, CloseCommitsAndALostHandleRollsBack) {
  {
    LNNotesSession session;
    LNDatabase db;
    OpenElsewhere(session, db);
    ASSERT_EQ(db.BeginBatch(), LNNOERROR);
    LNDocument doc;
    ASSERT_EQ(db.CreateDocument(&doc, "Lost"), LNNOERROR);
    ASSERT_EQ(doc.Save(), LNNOERROR);
    ASSERT_EQ(session.Term(), LNNOERROR);
  }  // no EndBatch, no Close: the session ended, and the last handle on the file goes
  EXPECT_TRUE(IdsElsewhere().empty());

  ASSERT_EQ(db_.BeginBatch(), LNNOERROR);
  const NOTEID kept = SaveNew("Kept", {});
  ASSERT_EQ(db_.Close(), LNNOERROR);
  EXPECT_EQ(IdsElsewhere(), std::vector<NOTEID>{kept});
}

TEST_F(BatchTest, TheHandlesOfASessionShareItsBatch) {
  ASSERT_EQ(db_.BeginBatch(), LNNOERROR);
  LNCalendar calendar;  // the same file, got another way
  ASSERT_EQ(session_.GetCalendar(&calendar, path_, ""), LNNOERROR);
  LNCalendarEntry entry;
  LNDatetimeRange range;
  range.SetBegin(DateTime(2019, 3, 1, 9, 0, 0));
  range.SetEnd(DateTime(2019, 3, 1, 10, 0, 0));
  ASSERT_EQ(calendar.CreateEntry(range, "Call", LNCALENDARENTRYTYPE_TODO, &entry), LNNOERROR);
  EXPECT_TRUE(IdsElsewhere().empty());
  ASSERT_EQ(db_.EndBatch(), LNNOERROR);
  EXPECT_EQ(IdsElsewhere(), std::vector<NOTEID>{entry.GetNoteID()});
}

TEST_F(BatchTest, BatchesDoNotNestAndNeedAnOpenDatabase) {
  ASSERT_EQ(db_.BeginBatch(), LNNOERROR);
  EXPECT_EQ(db_.BeginBatch(), LNERR_BAD_ARGUMENT);
  EXPECT_EQ(db_.EndBatch(), LNNOERROR);
  EXPECT_EQ(db_.EndBatch(), LNNOERROR);  // nothing left to commit
  LNDatabase closed;
  EXPECT_EQ(closed.BeginBatch(), LNERR_DATABASE_NOT_OPEN);
  EXPECT_EQ(closed.EndBatch(), LNERR_DATABASE_NOT_OPEN);
  EXPECT_EQ(ThrownStatus([&] { closed.BeginBatch(); }), LNERR_DATABASE_NOT_OPEN);
}

}  // namespace
}  // namespace pim::notesapi_test
