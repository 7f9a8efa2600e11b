// Documents in a database: items, forms, note IDs, the modified stamp, persistence.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "notesapi_fixture.h"

namespace pim::notesapi_test {
namespace {

void ExpectSameItem(const LNItem& actual, const LNItem& expected) {
  SCOPED_TRACE(expected.GetName());
  EXPECT_EQ(actual.GetName(), expected.GetName());
  ASSERT_EQ(actual.GetType(), expected.GetType());
  if (expected.Texts()) {
    EXPECT_EQ(*actual.Texts(), *expected.Texts());
  } else if (expected.Numbers()) {
    EXPECT_EQ(*actual.Numbers(), *expected.Numbers());
  } else {
    EXPECT_EQ(*actual.Datetimes(), *expected.Datetimes());
  }
}

TEST_F(NotesApiTest, ItemsOfEveryTypeArePersistedExactly) {
  const std::vector<LNItem> items = {
      Texts("FirstName", {"Ann"}),
      Texts("Phones", {"+49 30 1", "+49 170 2", "0800"}),
      Texts("NoValues", {}),
      Texts("EmptyValue", {""}),
      Texts("Utf8", {"M\xC3\xBCller \xE6\x97\xA5\xE6\x9C\xAC", std::string("nul\0byte", 8)}),
      Numbers("Numbers", {0, 1, -2.5, 4294967296.0, 1e-9}),
      Numbers("NoNumbers", {}),
      Datetimes("Dates", {DateTime(2024, 3, 31, 2, 30, 0, 99), DateOnly(1900, 2, 28)}),
      Datetimes("NoDates", {}),
  };
  const NOTEID id = SaveNew("Person", items);
  ASSERT_NE(id, 0u);

  // Through a second connection: what is compared is what the file holds.
  const LNDocument doc = ReadElsewhere(id);
  ASSERT_EQ(doc.GetItems().size(), items.size());
  for (size_t i = 0; i < items.size(); ++i) {
    ExpectSameItem(doc.GetItems()[i], items[i]);
    LNItem read;
    ASSERT_EQ(doc.GetItem(items[i].GetName(), &read), LNNOERROR);
    ExpectSameItem(read, items[i]);
  }
}

TEST_F(NotesApiTest, AbsentItemIsNotFound) {
  const NOTEID id = SaveNew("Person", {Texts("FirstName", {"Ann"})});
  const LNDocument doc = ReadElsewhere(id);
  LNItem item = Texts("untouched", {"x"});
  EXPECT_EQ(doc.GetItem("LastName", &item), LNERR_ITEM_NOT_FOUND);
  EXPECT_EQ(item.GetName(), "untouched");
  EXPECT_FALSE(doc.HasItem("LastName"));
  EXPECT_TRUE(doc.HasItem("FirstName"));
}

TEST_F(NotesApiTest, ItemNamesIgnoreAsciiLetterCaseOnly) {
  LNDocument doc;
  ASSERT_EQ(db_.CreateDocument(&doc, "Person"), LNNOERROR);
  ASSERT_EQ(doc.CreateItem("FirstName", Texts("", {"Ann"})), LNNOERROR);
  ASSERT_EQ(doc.CreateItem("Stra\xC3\x9F"
                           "e",
                           Texts("", {"sharp s"})),
            LNNOERROR);
  ASSERT_EQ(doc.Save(), LNNOERROR);

  LNDocument read = ReadElsewhere(doc.GetNoteID());
  LNItem item;
  for (const char* name : {"FirstName", "firstname", "FIRSTNAME", "fIRSTnAME"}) {
    ASSERT_EQ(read.GetItem(name, &item), LNNOERROR) << name;
    EXPECT_EQ(LNText(item)[0], "Ann");
  }
  // Bytes from 0x80 up compare exactly.
  EXPECT_EQ(read.GetItem("STRASSE", &item), LNERR_ITEM_NOT_FOUND);
  EXPECT_EQ(read.GetItem("STRA\xC3\x9F"
                         "E",
                         &item),
            LNNOERROR);

  // Writing under another case replaces the item, which takes the new spelling.
  ASSERT_EQ(read.CreateItem("FIRSTNAME", Texts("ignored", {"Bea"})), LNNOERROR);
  EXPECT_EQ(read.GetItems().size(), 2u);
  ASSERT_EQ(read.GetItem("firstName", &item), LNNOERROR);
  EXPECT_EQ(item.GetName(), "FIRSTNAME");
  EXPECT_EQ(LNText(item)[0], "Bea");
  EXPECT_EQ(read.DeleteItem("firstname"), LNNOERROR);
  EXPECT_EQ(read.DeleteItem("firstname"), LNERR_ITEM_NOT_FOUND);
  EXPECT_EQ(read.GetItems().size(), 1u);
}

TEST_F(NotesApiTest, FormNameIsKept) {
  for (const char* form : {"Person", "Memo", "", "Gro\xC3\x9F"}) {
    const NOTEID id = SaveNew(form, {});
    LNDocument doc = ReadElsewhere(id);
    LNString read;
    ASSERT_EQ(doc.GetFormNote(&read), LNNOERROR);
    EXPECT_EQ(read, form);
    EXPECT_EQ(doc.GetFormName(), form);
  }
}

TEST_F(NotesApiTest, NoteIdsAscendAndAreNeverReused) {
  LNDocument fresh;
  ASSERT_EQ(db_.CreateDocument(&fresh, "Person"), LNNOERROR);
  EXPECT_EQ(fresh.GetNoteID(), 0u);

  const NOTEID a = SaveNew("Person", {});
  const NOTEID b = SaveNew("Person", {});
  const NOTEID c = SaveNew("Person", {});
  EXPECT_LT(a, b);
  EXPECT_LT(b, c);
  EXPECT_NE(a, 0u);
  // Deleting the highest note must not hand its ID out again.
  ASSERT_EQ(db_.DeleteNote(c), LNNOERROR);
  ASSERT_EQ(db_.DeleteNote(b), LNNOERROR);
  const NOTEID d = SaveNew("Person", {});
  EXPECT_GT(d, c);
  ASSERT_EQ(db_.DeleteNote(d), LNNOERROR);
  EXPECT_EQ(DocumentIds(db_), std::vector<NOTEID>{a});

  // Nor after the database is closed and opened again.
  ASSERT_EQ(db_.Close(), LNNOERROR);
  LNNotesSession session;
  LNDatabase again;
  ASSERT_EQ(session.Initialize(), LNNOERROR);
  ASSERT_EQ(session.GetDatabase(path_, &again), LNNOERROR);
  ASSERT_EQ(again.Open(), LNNOERROR);
  LNDocument doc;
  ASSERT_EQ(again.CreateDocument(&doc, "Person"), LNNOERROR);
  ASSERT_EQ(doc.Save(), LNNOERROR);
  EXPECT_GT(doc.GetNoteID(), d);
  // A second save keeps the ID.
  const NOTEID e = doc.GetNoteID();
  ASSERT_EQ(doc.Save(), LNNOERROR);
  EXPECT_EQ(doc.GetNoteID(), e);
  EXPECT_EQ(DocumentIds(again), (std::vector<NOTEID>{a, e}));
}

TEST_F(NotesApiTest, GetDocumentsGivesWholeDocumentsInNoteIdOrder) {
  std::vector<NOTEID> ids;
  for (const char* form : {"Person", "Memo", "Person"})
    ids.push_back(SaveNew(form, {Texts("X", {form})}));
  LNDocumentArray documents;
  ASSERT_EQ(db_.GetDocuments(&documents), LNNOERROR);
  ASSERT_EQ(documents.GetCount(), 3u);
  for (uint32_t i = 0; i < 3; ++i) {
    LNDocument doc = documents[i];
    EXPECT_EQ(doc.GetNoteID(), ids[i]);
    ASSERT_EQ(doc.Open(), LNNOERROR);
    LNItem item;
    ASSERT_EQ(doc.GetItem("X", &item), LNNOERROR);
    EXPECT_EQ(LNText(item)[0], doc.GetFormName());
    // Closed, the handle lets its content go; opened again, it reads the note anew.
    ASSERT_EQ(doc.Close(), LNNOERROR);
    EXPECT_EQ(doc.GetItem("X", &item), LNERR_NOTE_NOT_OPEN);
    ASSERT_EQ(doc.Open(), LNNOERROR);
    EXPECT_EQ(doc.GetItem("X", &item), LNNOERROR);
  }
  EXPECT_EQ(documents[3].GetNoteID(), 0u);  // out of range: an empty handle
}

// The stamp lies between the local times just before and just after the save.
TEST_F(NotesApiTest, SaveStampsTheCurrentLocalTime) {
  for (const char* zone : {test::kUtc, test::kOneHourEast, test::kUsEastern}) {
    SCOPED_TRACE(zone);
    test::ScopedTimeZone tz(zone);
    auto local_now = [] {
      const std::time_t now = std::time(nullptr);
      std::tm parts{};
      localtime_r(&now, &parts);
      char text[32];
      std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
      return std::string(text);
    };
    const std::string before = local_now();
    LNDocument doc;
    ASSERT_EQ(db_.CreateDocument(&doc, "Person"), LNNOERROR);
    ASSERT_EQ(doc.Save(), LNNOERROR);
    const std::string after = local_now();
    const LNDatetime stamp = doc.GetLastModified();
    EXPECT_EQ(stamp.GetState(), LNDATETIMESTATE_DATE_AND_TIME);
    EXPECT_GE(stamp.GetText(), before);
    EXPECT_LE(stamp.GetText(), after);
    EXPECT_EQ(ReadElsewhere(doc.GetNoteID()).GetLastModified(), stamp);
  }
}

TEST_F(NotesApiTest, ForcedModifiedTimeHoldsForOneSaveAndIsStoredAsIs) {
  const LNDatetime forced = DateTime(2001, 2, 3, 4, 5, 6, 7);
  LNDocument doc;
  {
    test::ScopedTimeZone tz(test::kCentralEurope);
    ASSERT_EQ(db_.CreateDocument(&doc, "Person"), LNNOERROR);
    doc.SetLastModifiedForSave(forced);
    ASSERT_EQ(doc.Save(), LNNOERROR);
    EXPECT_EQ(doc.GetLastModified(), forced);
  }
  {
    // Another zone reads the same wall-clock parts: nothing is converted.
    test::ScopedTimeZone tz(test::kUsEastern);
    EXPECT_EQ(ReadElsewhere(doc.GetNoteID()).GetLastModified(), forced);
  }
  ASSERT_EQ(doc.Save(), LNNOERROR);
  EXPECT_NE(doc.GetLastModified(), forced);
  EXPECT_GT(doc.GetLastModified().GetYear(), 2020);
}

TEST_F(NotesApiTest, ChangesStayInTheHandleUntilSave) {
  const NOTEID id = SaveNew("Person", {Texts("Name", {"old"})});
  LNDocument doc;
  ASSERT_EQ(db_.GetDocument(id, &doc), LNNOERROR);
  ASSERT_EQ(doc.Open(), LNNOERROR);
  ASSERT_EQ(doc.CreateItem("Name", Texts("", {"new"})), LNNOERROR);
  LNItem item;
  ASSERT_EQ(ReadElsewhere(id).GetItem("Name", &item), LNNOERROR);
  EXPECT_EQ(LNText(item)[0], "old");
  ASSERT_EQ(doc.Save(), LNNOERROR);
  ASSERT_EQ(ReadElsewhere(id).GetItem("Name", &item), LNNOERROR);
  EXPECT_EQ(LNText(item)[0], "new");

  // Close drops what was not saved; opening again reads the file.
  ASSERT_EQ(doc.CreateItem("Name", Texts("", {"dropped"})), LNNOERROR);
  ASSERT_EQ(doc.Close(), LNNOERROR);
  ASSERT_EQ(doc.Open(), LNNOERROR);
  ASSERT_EQ(doc.GetItem("Name", &item), LNNOERROR);
  EXPECT_EQ(LNText(item)[0], "new");
}

TEST_F(NotesApiTest, ReopenedInANewSessionEverythingIsThere) {
  const LNDatetime forced = DateTime(2020, 6, 7, 8, 9, 10);
  LNDocument doc;
  ASSERT_EQ(db_.CreateDocument(&doc, "Person"), LNNOERROR);
  ASSERT_EQ(doc.CreateItem("Name", Texts("", {"Ann", "Bea"})), LNNOERROR);
  ASSERT_EQ(doc.CreateItem("Age", Numbers("", {42})), LNNOERROR);
  doc.SetLastModifiedForSave(forced);
  ASSERT_EQ(doc.Save(), LNNOERROR);
  const NOTEID memo = SaveNew("Memo", {});
  ASSERT_EQ(db_.Close(), LNNOERROR);
  ASSERT_EQ(session_.Term(), LNNOERROR);

  LNNotesSession session;
  LNDatabase db;
  ASSERT_EQ(session.Initialize(), LNNOERROR);
  ASSERT_EQ(session.GetDatabase(path_, &db), LNNOERROR);
  ASSERT_EQ(db.Open(), LNNOERROR);
  LNString title;
  ASSERT_EQ(db.GetTitle(&title), LNNOERROR);
  EXPECT_EQ(title, "Test database");
  EXPECT_EQ(DocumentIds(db), (std::vector<NOTEID>{doc.GetNoteID(), memo}));
  LNDocument read;
  ASSERT_EQ(db.GetDocument(doc.GetNoteID(), &read), LNNOERROR);
  ASSERT_EQ(read.Open(), LNNOERROR);
  EXPECT_EQ(read.GetFormName(), "Person");
  EXPECT_EQ(read.GetLastModified(), forced);
  ASSERT_EQ(read.GetItems().size(), 2u);
  ExpectSameItem(read.GetItems()[0], Texts("Name", {"Ann", "Bea"}));
  ExpectSameItem(read.GetItems()[1], Numbers("Age", {42}));
}

TEST_F(NotesApiTest, RelativePathsResolveAgainstTheCurrentFolder) {
  char* old = ::getcwd(nullptr, 0);
  ASSERT_EQ(::chdir(dir_.path().c_str()), 0);
  LNDatabase relative;
  ASSERT_EQ(LNDatabase::Create("relative.nsf", "R"), LNNOERROR);
  ASSERT_EQ(session_.GetDatabase("relative.nsf", &relative), LNNOERROR);
  ASSERT_EQ(::chdir("/"), 0);  // the path was fixed when the database was handed out
  EXPECT_EQ(relative.Open(), LNNOERROR);
  ASSERT_EQ(::chdir(old), 0);
  std::free(old);
  EXPECT_TRUE(test::ReadFile(dir_.File("relative.nsf")).size() > 0);
}

TEST_F(NotesApiTest, SavingANoteDeletedMeanwhileFailsAndDoesNotBringItBack) {
  const NOTEID id = SaveNew("Person", {});
  LNDocument doc;
  ASSERT_EQ(db_.GetDocument(id, &doc), LNNOERROR);
  ASSERT_EQ(doc.Open(), LNNOERROR);
  ASSERT_EQ(db_.DeleteNote(id), LNNOERROR);
  EXPECT_EQ(doc.Save(), LNERR_NOTE_NOT_FOUND);
  EXPECT_TRUE(DocumentIds(db_).empty());
  LNDocument gone;
  EXPECT_EQ(db_.GetDocument(id, &gone), LNERR_NOTE_NOT_FOUND);
  EXPECT_EQ(db_.DeleteNote(id), LNERR_NOTE_NOT_FOUND);
}

// Each read starts afresh: a read left open on a connection would keep showing it the file as
// it was then.
TEST_F(NotesApiTest, AConnectionSeesWhatAnotherOneCommitted) {
  LNNotesSession session;
  LNDatabase other;
  ASSERT_EQ(session.Initialize(), LNNOERROR);
  ASSERT_EQ(session.GetDatabase(path_, &other), LNNOERROR);
  ASSERT_EQ(other.Open(), LNNOERROR);
  const NOTEID id = SaveNew("Person", {Texts("Name", {"Ann"})});
  EXPECT_EQ(DocumentIds(other), std::vector<NOTEID>{id});
  LNDocument doc;
  ASSERT_EQ(other.GetDocument(id, &doc), LNNOERROR);
  ASSERT_EQ(doc.Open(), LNNOERROR);

  LNDocument mine;
  ASSERT_EQ(db_.GetDocument(id, &mine), LNNOERROR);
  ASSERT_EQ(mine.Open(), LNNOERROR);
  ASSERT_EQ(mine.CreateItem("Name", Texts("", {"Bea"})), LNNOERROR);
  ASSERT_EQ(mine.Save(), LNNOERROR);
  const NOTEID second = SaveNew("Memo", {});

  EXPECT_EQ(DocumentIds(other), (std::vector<NOTEID>{id, second}));
  ASSERT_EQ(doc.Close(), LNNOERROR);
  ASSERT_EQ(doc.Open(), LNNOERROR);
  LNItem item;
  ASSERT_EQ(doc.GetItem("Name", &item), LNNOERROR);
  EXPECT_EQ(LNText(item)[0], "Bea");
  ASSERT_EQ(other.DeleteNote(second), LNNOERROR);
  EXPECT_EQ(DocumentIds(db_), std::vector<NOTEID>{id});
}

TEST_F(NotesApiTest, DatabaseGotBeforeTermKeepsWorking) {
  ASSERT_EQ(session_.Term(), LNNOERROR);
  EXPECT_NE(SaveNew("Person", {}), 0u);
  EXPECT_EQ(DocumentIds(db_).size(), 1u);
}

TEST_F(NotesApiTest, ASessionSeesAFileThatWasReplacedOrRemoved) {
  ASSERT_NE(SaveNew("Person", {}), 0u);
  // Another database now lies at the path: the session's handles read that one.
  ASSERT_EQ(std::rename(path_.c_str(), (path_ + ".old").c_str()), 0);
  ASSERT_EQ(LNDatabase::Create(path_, "Other"), LNNOERROR);
  LNDatabase db;
  ASSERT_EQ(session_.GetDatabase(path_, &db), LNNOERROR);
  ASSERT_EQ(db.Open(), LNNOERROR);
  LNString title;
  ASSERT_EQ(db.GetTitle(&title), LNNOERROR);
  EXPECT_EQ(title, "Other");
  EXPECT_TRUE(DocumentIds(db).empty());
  // And none: opening fails as it would for a session that never saw the file.
  ASSERT_EQ(std::remove(path_.c_str()), 0);
  LNDatabase gone;
  ASSERT_EQ(session_.GetDatabase(path_, &gone), LNNOERROR);
  EXPECT_EQ(gone.Open(), LNERR_DATABASE_NOT_FOUND);
}

TEST_F(NotesApiTest, ListingsFollowEveryChangeWhereverItIsMade) {
  const NOTEID first = SaveNew("Person", {});
  EXPECT_EQ(DocumentIds(db_), std::vector<NOTEID>{first});
  // A save through another session's connection, then one through this one.
  LNNotesSession session;
  LNDatabase other;
  OpenElsewhere(session, other);
  LNDocument doc;
  ASSERT_EQ(other.CreateDocument(&doc, "Person"), LNNOERROR);
  ASSERT_EQ(doc.Save(), LNNOERROR);
  const NOTEID second = doc.GetNoteID();
  EXPECT_EQ(DocumentIds(db_), (std::vector<NOTEID>{first, second}));
  const NOTEID third = SaveNew("Person", {});
  EXPECT_EQ(DocumentIds(db_), (std::vector<NOTEID>{first, second, third}));
  // A change of the items alone, made elsewhere, is read too.
  ASSERT_EQ(doc.CreateItem("FirstName", Texts("", {"Ann"})), LNNOERROR);
  ASSERT_EQ(doc.Save(), LNNOERROR);
  LNDocumentArray documents;
  ASSERT_EQ(db_.GetDocuments(&documents), LNNOERROR);
  LNDocument read = documents[1];
  ASSERT_EQ(read.Open(), LNNOERROR);
  EXPECT_TRUE(read.HasItem("FirstName"));
  ASSERT_EQ(other.DeleteNote(first), LNNOERROR);
  EXPECT_EQ(DocumentIds(db_), (std::vector<NOTEID>{second, third}));
}

}  // namespace
}  // namespace pim::notesapi_test
