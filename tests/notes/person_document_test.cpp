#include "notes/person_document.h"

#include <gtest/gtest.h>

#include "support/notes_fixture.h"

namespace pim {
namespace {

using notes::LNDocument;
using notes::LNItem;
using notes::LNText;
using test::DebugCapture;
using test::ScopedTimeZone;
using Lines = std::vector<std::string>;

class PersonDocumentTest : public test::NotesTest {
 protected:
  ScopedTimeZone tz_{test::kCentralEurope};
};

TEST_F(PersonDocumentTest, ReadsEveryItemAndTracesIt) {
  const auto id = AddDocument({{"CompanyName", "ACME"},
                               {"FirstName", "Ann"},
                               {"LastName", "Smith"},
                               {"Categories", " golf, family "},
                               {"CellPhoneNumber", "0170"},
                               {"MailAddress", "ann@example.org"},
                               {"OfficeFAXPhoneNumber", "1"},
                               {"PhoneNumber", "2"},
                               {"OfficePhoneNumber", "3"}});
  LNDocument doc = OpenDocument(id);
  ContactArray records;
  DebugCapture trace;
  ASSERT_TRUE(ReadPersonDocument(records, doc));
  EXPECT_EQ(trace.lines(), (Lines{"<-- Contact",
                                  "First Name:",
                                  "Ann",
                                  "Last Name:",
                                  "Smith",
                                  "Categories:",
                                  " golf, family ",
                                  "Cell Phone Number:",
                                  "0170",
                                  "Mail Address:",
                                  "ann@example.org",
                                  "Fax:",
                                  "1",
                                  "Home:",
                                  "2",
                                  "Office:",
                                  "3",
                                  "Company:",
                                  "ACME",
                                  " Contact -->"}));
  ASSERT_EQ(records.size(), 1u);
  const CContactObject& c = *records[0];
  EXPECT_EQ(c.m_nNoteId, id);
  EXPECT_EQ(c.m_strFirstName, "Ann");
  EXPECT_EQ(c.m_strLastName, "Smith");
  EXPECT_EQ(c.m_nGroupId, 3);
  EXPECT_EQ(c.m_strCompany, "ACME");
  EXPECT_EQ(c.m_nNotesState, SyncStateAdded);
  EXPECT_EQ(c.m_nPhoneState, SyncStateUnchanged);
  int32_t modified = 0;
  ASSERT_TRUE(NotesTimeToLocal(modified, doc.GetLastModified()));
  EXPECT_EQ(c.m_tRevision, modified);
  EXPECT_EQ(c.m_bHasRevision, 1);
}

TEST_F(PersonDocumentTest, FormNameInOtherCaseIsAPersonOthersAreDeclined) {
  LNDocument person = OpenDocument(AddDocument({{"FirstName", "A"}}, "pERSON"));
  LNDocument group = OpenDocument(AddDocument({{"FirstName", "B"}}, "Group"));
  ContactArray records;
  DebugCapture trace;
  EXPECT_FALSE(ReadPersonDocument(records, group));
  EXPECT_TRUE(records.empty());
  EXPECT_TRUE(trace.lines().empty());
  EXPECT_TRUE(ReadPersonDocument(records, person));
  EXPECT_EQ(records.size(), 1u);
}

TEST_F(PersonDocumentTest, MissingItemLeavesTheFieldEmptyAndUnflagged) {
  LNDocument doc = OpenDocument(AddDocument({}));
  ContactArray records;
  DebugCapture trace;
  ReadPersonDocument(records, doc);
  EXPECT_EQ(trace.lines(), (Lines{"<-- Contact", " Contact -->"}));
  EXPECT_EQ(records.at(0)->m_strFirstName, "");
  EXPECT_EQ(records[0]->m_bHasFirstName, 0);
}

TEST_F(PersonDocumentTest, ItemThatIsNotTextIsAbsent) {
  LNDocument doc;
  db_.CreateDocument(&doc, "Person");
  doc.CreateItem("PhoneNumber", LNItem("PhoneNumber", std::vector<double>{123.0}));
  doc.CreateItem("OfficePhoneNumber",
                 LNItem("OfficePhoneNumber", std::vector{test::Datetime("2005-01-01 10:00:00")}));
  doc.CreateItem("CompanyName", LNItem("CompanyName", std::vector<std::string>{}));
  doc.Save(0);
  ContactArray records;
  DebugCapture trace;
  ReadPersonDocument(records, doc);
  // The empty text list is present with an empty value.
  EXPECT_EQ(trace.lines(), (Lines{"<-- Contact", "Company:", "", " Contact -->"}));
  EXPECT_EQ(records.at(0)->m_bHasHomePhone, 0);
  EXPECT_EQ(records[0]->m_bHasWorkPhone, 0);
}

TEST_F(PersonDocumentTest, ReadTextItemTakesTheFirstValue) {
  LNDocument doc;
  db_.CreateDocument(&doc, "Person");
  LNText list;
  list.Insert(0, "first");
  list.Insert(1, "second");
  doc.CreateItem("Multi", list);
  std::string value = "untouched";
  EXPECT_TRUE(ReadTextItem(doc, "multi", value));
  EXPECT_EQ(value, "first");
  value = "untouched";
  EXPECT_FALSE(ReadTextItem(doc, "Nothing", value));
  EXPECT_EQ(value, "untouched");
}

TEST_F(PersonDocumentTest, SecondReadingMergesIntoTheRecordNearestTheEnd) {
  const auto id = AddDocument({{"FirstName", "Ann"}, {"MailAddress", "a@x"}});
  ContactArray records;
  records.push_back(std::make_unique<CContactObject>());
  records.back()->m_nNoteId = id;
  records.push_back(std::make_unique<CContactObject>());
  records.back()->m_nNoteId = id;
  records.back()->SetFirstName("Ann", true);
  records.back()->m_strLuid = "L1";
  records.back()->m_nNotesState = SyncStateDeleted;
  records.back()->m_nPhoneState = SyncStateDeleted;
  LNDocument doc = OpenDocument(id);
  ReadPersonDocument(records, doc);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0]->m_bHasEmail, 0);
  const CContactObject& merged = *records[1];
  EXPECT_EQ(merged.m_strEmail, "a@x");
  EXPECT_EQ(merged.m_nNotesState, SyncStateModified);
  EXPECT_EQ(merged.m_nPhoneState, SyncStateDeleted);
  ASSERT_NE(merged.m_pNotesDelta, nullptr);
  EXPECT_EQ(merged.m_pNotesDelta->m_bHasEmail, 1);
  EXPECT_EQ(merged.m_pNotesDelta->m_bHasFirstName, 0);
  EXPECT_EQ(merged.m_pNotesDelta->m_strLuid, "L1");

  // Nothing changed since: the same reading leaves the Notes side unchanged.
  ReadPersonDocument(records, doc);
  EXPECT_EQ(records[1]->m_nNotesState, SyncStateUnchanged);
  EXPECT_EQ(records[1]->m_pNotesDelta->m_bHasEmail, 0);
}

TEST_F(PersonDocumentTest, WritesEveryFieldWhateverItsFlag) {
  CContactObject c;
  c.m_strFirstName = "Ann";
  c.m_strLastName = "never written";
  c.m_nGroupId = 1;
  c.m_strMobilePhone = "0170";
  c.m_strHomePhone = "2";
  LNDocument doc;
  db_.CreateDocument(&doc, "Person");
  WritePersonDocument(doc, c);
  const auto id = doc.GetNoteID();
  ASSERT_NE(id, 0u);
  doc.Close();
  LNDocument back = OpenDocument(id);
  std::vector<std::pair<std::string, std::string>> items;
  for (const LNItem& item : back.GetItems()) {
    ASSERT_EQ(item.GetType(), notes::LNITEMTYPE_TEXT) << item.GetName();
    ASSERT_EQ(item.Texts()->size(), 1u) << item.GetName();
    items.emplace_back(item.GetName(), item.Texts()->front());
  }
  EXPECT_EQ(items, (std::vector<std::pair<std::string, std::string>>{{"Type", "Person"},
                                                                     {"FirstName", "Ann"},
                                                                     {"Categories", "Business"},
                                                                     {"CellPhoneNumber", "0170"},
                                                                     {"MailAddress", ""},
                                                                     {"OfficeFAXPhoneNumber", ""},
                                                                     {"PhoneNumber", "2"},
                                                                     {"OfficePhoneNumber", ""},
                                                                     {"CompanyName", ""}}));
}

TEST_F(PersonDocumentTest, NoGroupLeavesTheCategoriesAsTheyWere) {
  const auto id = AddDocument({{"Categories", "Golf"}, {"LastName", "Smith"}}, "Person");
  CContactObject c;
  c.m_nGroupId = 4;
  LNDocument doc = OpenDocument(id);
  WritePersonDocument(doc, c);
  std::string value;
  ASSERT_TRUE(ReadTextItem(OpenDocument(id), "Categories", value));
  EXPECT_EQ(value, "Golf");
  ASSERT_TRUE(ReadTextItem(OpenDocument(id), "LastName", value));
  EXPECT_EQ(value, "Smith");
  ASSERT_TRUE(ReadTextItem(OpenDocument(id), "Type", value));
  EXPECT_EQ(value, "Person");
}

TEST(NotesTimeToLocalTest, ConvertsLocalPartsAndRefusesHalfDates) {
  ScopedTimeZone tz(test::kCentralEurope);
  int32_t t = 7;
  EXPECT_TRUE(NotesTimeToLocal(t, test::Datetime("2005-07-01 12:00:00")));
  EXPECT_EQ(t, 1120212000);  // daylight saving applies in July
  EXPECT_TRUE(NotesTimeToLocal(t, test::Datetime("2005-01-01 12:00:00")));
  EXPECT_EQ(t, 1104577200);
  notes::LNDatetime date_only;
  date_only.SetDate(1, 1, 2005);
  t = 7;
  EXPECT_FALSE(NotesTimeToLocal(t, date_only));
  EXPECT_EQ(t, 7);
  EXPECT_FALSE(NotesTimeToLocal(t, notes::LNDatetime()));
}

}  // namespace
}  // namespace pim
