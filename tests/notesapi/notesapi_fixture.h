// A fresh database in a temporary folder with a started session and the database open, in
// returning mode with no faults armed; and short ways to build items and date-times.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "notesapi/fault_injection.h"
#include "notesapi/lncalendar.h"
#include "notesapi/lnsession.h"
#include "support/test_support.h"

namespace pim::notesapi_test {

using namespace pim::notes;  // NOLINT: the tests read like the code that uses the library

inline LNDatetime DateTime(int year, int month, int day, int hour, int minute, int second,
                           int hundredth = 0) {
  LNDatetime when;
  EXPECT_EQ(when.SetDate(month, day, year), LNNOERROR);
  EXPECT_EQ(when.SetTime(hour, minute, second, hundredth), LNNOERROR);
  return when;
}

inline LNDatetime DateOnly(int year, int month, int day) {
  LNDatetime when;
  EXPECT_EQ(when.SetDate(month, day, year), LNNOERROR);
  return when;
}

inline LNItem Texts(const std::string& name, std::vector<LNString> values) {
  return LNItem(name, std::move(values));
}
inline LNItem Numbers(const std::string& name, std::vector<double> values) {
  return LNItem(name, std::move(values));
}
inline LNItem Datetimes(const std::string& name, std::vector<LNDatetime> values) {
  return LNItem(name, std::move(values));
}

class NotesApiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearFaults();
    LNSetThrowAllErrorsGlobal(FALSE);
    path_ = dir_.File("test.nsf");
    ASSERT_EQ(LNDatabase::Create(path_, "Test database"), LNNOERROR);
    ASSERT_EQ(session_.Initialize(), LNNOERROR);
    ASSERT_EQ(session_.GetDatabase(path_, &db_), LNNOERROR);
    ASSERT_EQ(db_.Open(), LNNOERROR);
  }

  void TearDown() override {
    ClearFaults();
    LNSetThrowAllErrorsGlobal(FALSE);
  }

  // A new document of that form with those items, saved; its note ID.
  NOTEID SaveNew(const std::string& form, const std::vector<LNItem>& items) {
    LNDocument doc;
    EXPECT_EQ(db_.CreateDocument(&doc, form), LNNOERROR);
    for (const LNItem& item : items)
      EXPECT_EQ(doc.CreateItem(item.GetName(), item), LNNOERROR);
    EXPECT_EQ(doc.Save(), LNNOERROR);
    return doc.GetNoteID();
  }

  // The database opened by a session of its own, through a connection of its own, as another
  // process would open it.
  void OpenElsewhere(LNNotesSession& session, LNDatabase& db) {
    EXPECT_EQ(session.Initialize(), LNNOERROR);
    EXPECT_EQ(session.GetDatabase(path_, &db), LNNOERROR);
    EXPECT_EQ(db.Open(), LNNOERROR);
  }

  // The note read through a second connection of its own, as another process would see it.
  LNDocument ReadElsewhere(NOTEID id) {
    LNNotesSession session;
    LNDatabase db;
    LNDocument doc;
    OpenElsewhere(session, db);
    EXPECT_EQ(db.GetDocument(id, &doc), LNNOERROR);
    EXPECT_EQ(doc.Open(), LNNOERROR);
    return doc;
  }

  std::vector<NOTEID> DocumentIds(LNDatabase& db) {
    LNDocumentArray documents;
    EXPECT_EQ(db.GetDocuments(&documents), LNNOERROR);
    std::vector<NOTEID> ids;
    for (uint32_t i = 0; i < documents.GetCount(); ++i)
      ids.push_back(documents[i].GetNoteID());
    return ids;
  }

  test::TempDir dir_;
  std::string path_;
  LNNotesSession session_;
  LNDatabase db_;
};

// Catches the status a call throws in throwing mode; 0 when it throws nothing.
template <typename Call>
LNSTATUS ThrownStatus(Call&& call) {
  LNSetThrowAllErrorsGlobal(TRUE);
  LNSTATUS thrown = LNNOERROR;
  try {
    call();
  } catch (LNSTATUS status) {
    thrown = status;
  }
  LNSetThrowAllErrorsGlobal(FALSE);
  return thrown;
}

}  // namespace pim::notesapi_test
