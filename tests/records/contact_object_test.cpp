#include "records/contact_object.h"

#include <gtest/gtest.h>

namespace pim {
namespace {

TEST(ContactObjectTest, NewRecordHasTheDefaults) {
  CContactObject c;
  EXPECT_EQ(c.m_strStorage, "ME");
  EXPECT_EQ(c.m_nNotesState, SyncStateUnchanged);
  EXPECT_EQ(c.m_nPhoneState, SyncStateUnchanged);
  EXPECT_EQ(c.m_nNoteId, 0u);
  EXPECT_EQ(c.m_nGroupId, 4);  // no group, not VIP
  EXPECT_EQ(c.GetGroupName(), "");
  EXPECT_EQ(c.m_bHasRevision, 0);
  EXPECT_EQ(c.m_pNotesDelta, nullptr);
  EXPECT_EQ(c.m_strLuid, "");
}

TEST(ContactObjectTest, StringSetterTakesANewValueAndMarksTheSide) {
  CContactObject c;
  EXPECT_EQ(c.SetEmail("a@example.org", true), 1);
  EXPECT_EQ(c.m_strEmail, "a@example.org");
  EXPECT_EQ(c.m_bHasEmail, 1);
  EXPECT_EQ(c.m_nNotesState, SyncStateModified);
  EXPECT_EQ(c.m_nPhoneState, SyncStateUnchanged);
}

TEST(ContactObjectTest, StringSetterIgnoresLetterCase) {
  CContactObject c;
  c.m_strEmail = "Ann@Example.org";
  EXPECT_EQ(c.SetEmail("ann@example.ORG", false), 0);
  EXPECT_EQ(c.m_strEmail, "Ann@Example.org");
  EXPECT_EQ(c.m_bHasEmail, 0);
  EXPECT_EQ(c.m_nPhoneState, SyncStateUnchanged);
}

TEST(ContactObjectTest, EqualValueLeavesAClearFlagClear) {
  CContactObject c;
  EXPECT_EQ(c.SetCompany("", true), 0);
  EXPECT_EQ(c.m_bHasCompany, 0);
  EXPECT_EQ(c.SetRingId(0, true), 0);  // numbers do not look at the flag either
  EXPECT_EQ(c.m_bHasRingId, 0);
}

TEST(ContactObjectTest, NumberSetterComparesValuesOnly) {
  CContactObject c;
  EXPECT_EQ(c.SetPictureId(5, false), 1);
  EXPECT_EQ(c.m_bHasPictureId, 1);
  EXPECT_EQ(c.m_nPhoneState, SyncStateModified);
  EXPECT_EQ(c.SetPictureId(5, false), 0);
  EXPECT_EQ(c.SetPictureId(-1, false), 1);
  EXPECT_EQ(c.m_nPictureId, -1);
}

TEST(ContactObjectTest, SetRevisionNeverMarksModified) {
  CContactObject c;
  EXPECT_EQ(c.SetRevision(1000, true), 1);
  EXPECT_EQ(c.m_bHasRevision, 1);
  EXPECT_EQ(c.m_tRevision, 1000);
  EXPECT_EQ(c.m_nNotesState, SyncStateUnchanged);
  EXPECT_EQ(c.SetRevision(1000, false), 0);
}

TEST(ContactObjectTest, MarkModifiedOnlyMovesUnchanged) {
  for (int32_t state : {SyncStateAdded, SyncStateDeleted, SyncStateModified}) {
    CContactObject c;
    c.m_nNotesState = state;
    c.MarkModified(true);
    EXPECT_EQ(c.m_nNotesState, state);
  }
  CContactObject c;
  c.m_nPhoneState = SyncStateDeleted;
  c.MarkModified(true);
  EXPECT_EQ(c.m_nNotesState, SyncStateModified);
  EXPECT_EQ(c.m_nPhoneState, SyncStateDeleted);
}

TEST(ContactObjectTest, MergeFromWithNothingFlaggedLeavesTheSideUnchanged) {
  CContactObject stored;
  stored.m_nNotesState = SyncStateDeleted;
  CContactObject fresh;
  fresh.m_strEmail = "not flagged";
  EXPECT_EQ(stored.MergeFrom(fresh, true), 1);
  EXPECT_EQ(stored.m_nNotesState, SyncStateUnchanged);
  EXPECT_EQ(stored.m_strEmail, "");
}

TEST(ContactObjectTest, MergeFromTakesFlaggedFieldsOnly) {
  CContactObject stored;
  stored.m_nPhoneState = SyncStateDeleted;
  stored.m_strFirstName = "Ann";
  CContactObject fresh;
  fresh.SetFirstName("ANN", false);  // same name in other case: no change
  fresh.SetMobilePhone("0170", false);
  fresh.m_strCompany = "ignored";
  EXPECT_EQ(stored.MergeFrom(fresh, false), 1);
  EXPECT_EQ(stored.m_nPhoneState, SyncStateModified);
  EXPECT_EQ(stored.m_strFirstName, "Ann");
  EXPECT_EQ(stored.m_strMobilePhone, "0170");
  EXPECT_EQ(stored.m_bHasCompany, 0);
}

TEST(ContactObjectTest, MergeFromOnlyARevisionLeavesTheSideUnchanged) {
  CContactObject stored;
  CContactObject fresh;
  fresh.SetRevision(99, false);
  stored.MergeFrom(fresh, false);
  EXPECT_EQ(stored.m_tRevision, 99);
  EXPECT_EQ(stored.m_nPhoneState, SyncStateUnchanged);
}

TEST(ContactObjectTest, ResetClearsAllButRevisionSeenDeltaAndStates) {
  CContactObject c;
  c.SetFirstName("Ann", true);
  c.SetGroupId(2, true);
  c.SetRevision(77, true);
  c.m_strLuid = "12";
  c.m_nNoteId = 9;
  c.m_bSeenOnPhone = 1;
  c.m_nPhoneState = SyncStateAdded;
  c.StartNotesDelta();
  c.Reset();
  EXPECT_EQ(c.m_strStorage, "");
  EXPECT_EQ(c.m_strLuid, "");
  EXPECT_EQ(c.m_strFirstName, "");
  EXPECT_EQ(c.m_bHasFirstName, 0);
  EXPECT_EQ(c.m_nNoteId, 0u);
  EXPECT_EQ(c.m_nGroupId, -1);
  EXPECT_EQ(c.m_nPictureId, -1);
  EXPECT_EQ(c.m_nRingId, -1);
  EXPECT_EQ(c.m_bHasGroupId, 0);
  EXPECT_EQ(c.m_bHasRevision, 1);
  EXPECT_EQ(c.m_tRevision, 77);
  EXPECT_EQ(c.m_bSeenOnPhone, 1);
  EXPECT_NE(c.m_pNotesDelta, nullptr);
  EXPECT_EQ(c.m_nNotesState, SyncStateModified);
  EXPECT_EQ(c.m_nPhoneState, SyncStateAdded);
}

TEST(ContactObjectTest, CopyLeavesSeenFlagDeltaAndStatesBehind) {
  CContactObject c;
  c.SetHomePhone("030", true);
  c.m_nPhoneState = SyncStateAdded;
  c.m_bSeenOnPhone = 1;
  c.m_strStorage = "SM";
  c.StartNotesDelta();
  const CContactObject copy(c);
  EXPECT_EQ(copy.m_strHomePhone, "030");
  EXPECT_EQ(copy.m_bHasHomePhone, 1);
  EXPECT_EQ(copy.m_strStorage, "SM");
  EXPECT_EQ(copy.m_bSeenOnPhone, 0);
  EXPECT_EQ(copy.m_pNotesDelta, nullptr);
  EXPECT_EQ(copy.m_nNotesState, SyncStateUnchanged);
  EXPECT_EQ(copy.m_nPhoneState, SyncStateUnchanged);
}

TEST(ContactObjectTest, NotesDeltaFlagsExactlyTheFieldsANotesPassChanged) {
  CContactObject stored;
  stored.SetFirstName("Ann", false);
  stored.SetEmail("ann@example.org", false);
  stored.SetRevision(100, false);
  stored.m_strLuid = "7";
  stored.m_nNotesState = SyncStateDeleted;

  CContactObject fresh;
  fresh.SetFirstName("Ann", false);
  fresh.SetEmail("ann@example.com", false);
  fresh.SetRevision(200, false);

  stored.StartNotesDelta();
  ASSERT_NE(stored.m_pNotesDelta, nullptr);
  EXPECT_EQ(stored.m_pNotesDelta->m_bHasFirstName, 0);
  stored.m_pNotesDelta->MergeFrom(fresh, true);
  stored.MergeFrom(fresh, true);

  const CContactObject& delta = *stored.m_pNotesDelta;
  EXPECT_EQ(delta.m_strLuid, "7");
  EXPECT_EQ(delta.m_bHasFirstName, 0);
  EXPECT_EQ(delta.m_bHasEmail, 1);
  EXPECT_EQ(delta.m_strEmail, "ann@example.com");
  EXPECT_EQ(stored.m_nNotesState, SyncStateModified);
  EXPECT_EQ(stored.m_tRevision, 200);
}

TEST(ContactObjectTest, StartNotesDeltaReplacesTheOldDelta) {
  CContactObject c;
  c.StartNotesDelta();
  c.m_pNotesDelta->SetEmail("x", true);
  c.StartNotesDelta();
  EXPECT_EQ(c.m_pNotesDelta->m_bHasEmail, 0);
  EXPECT_EQ(c.m_pNotesDelta->m_pNotesDelta, nullptr);
}

TEST(ContactObjectTest, GroupNameOfEachGroup) {
  const struct {
    int32_t id;
    const char* name;
  } cases[] = {{0, "VIP"}, {1, "Business"}, {2, "Friends"}, {3, "Family"},
               {4, ""},    {-1, ""},        {5, ""},        {INT32_MIN, ""}};
  for (const auto& c : cases) {
    CContactObject record;
    record.m_nGroupId = c.id;
    EXPECT_EQ(record.GetGroupName(), c.name) << c.id;
  }
}

struct CategoryCase {
  const char* categories;
  int32_t group;
  int32_t flagged;
};

void PrintTo(const CategoryCase& c, std::ostream* os) {
  *os << '"' << c.categories << '"';
}

class GroupFromCategoriesTest : public testing::TestWithParam<CategoryCase> {};

TEST_P(GroupFromCategoriesTest, FirstCategoryNamingAGroupWins) {
  CContactObject c;
  c.m_nGroupId = 1;
  EXPECT_EQ(c.SetGroupFromCategories(GetParam().categories), GetParam().group);
  EXPECT_EQ(c.m_nGroupId, GetParam().group);
  EXPECT_EQ(c.m_bHasGroupId, GetParam().flagged);
  EXPECT_EQ(c.m_nPhoneState, GetParam().flagged ? SyncStateModified : SyncStateUnchanged);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GroupFromCategoriesTest,
    testing::Values(CategoryCase{"  family , VIP", 3, 1}, CategoryCase{"Golf,Friends", 2, 1},
                    CategoryCase{"Golf", 4, 0}, CategoryCase{"", 4, 0}, CategoryCase{" \t ", 4, 0},
                    CategoryCase{",,business", 1, 1}, CategoryCase{"VIP,", 0, 1},
                    CategoryCase{"Golf,", 4, 0}, CategoryCase{"Family Friends", 4, 0},
                    CategoryCase{"BUSINESS", 1, 1}));

}  // namespace
}  // namespace pim
