#include "vobject/vobject_reader.h"

#include <gtest/gtest.h>

#include <functional>

#include "support/test_support.h"

namespace pim {
namespace {

using test::ScopedTimeZone;

struct CardCase {
  const char* name;
  const char* value;
  bool clears;  // whether bLuidOnly is cleared
  std::function<void(const CContactObject&)> check;
};

void PrintTo(const CardCase& c, std::ostream* os) {
  *os << c.name << ':' << c.value;
}

class VCardPropertyTest : public testing::TestWithParam<CardCase> {};

TEST_P(VCardPropertyTest, FillsTheScratchRecord) {
  ScopedTimeZone tz(test::kUtc);
  CContactObject record;
  record.Reset();
  bool luid_only = true;
  EXPECT_TRUE(ReadVCardProperty(record, GetParam().name, GetParam().value, luid_only));
  EXPECT_EQ(luid_only, !GetParam().clears);
  GetParam().check(record);
}

void Untouched(const CContactObject& c) {
  EXPECT_EQ(c.ToVCard(),
            "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:\nX-VOQ-PHB-STORAGE:\n"
            "REV:19700101T000000Z\nEND:VCARD\n");
  EXPECT_EQ(c.m_nPhoneState, SyncStateUnchanged);
}

INSTANTIATE_TEST_SUITE_P(
    Properties, VCardPropertyTest,
    testing::Values(
        CardCase{"TEL;CELL;VOICE", "0170 5", true,
                 [](const CContactObject& c) {
                   EXPECT_EQ(c.m_strMobilePhone, "0170 5");
                   EXPECT_EQ(c.m_bHasMobilePhone, 1);
                   EXPECT_EQ(c.m_nPhoneState, SyncStateModified);
                 }},
        CardCase{"tel;cell;voice", "1", true,
                 [](const CContactObject& c) { EXPECT_EQ(c.m_strMobilePhone, "1"); }},
        CardCase{"TEL;WORK;VOICE", "2", true,
                 [](const CContactObject& c) { EXPECT_EQ(c.m_strWorkPhone, "2"); }},
        CardCase{"TEL;HOME;VOICE", "3", true,
                 [](const CContactObject& c) { EXPECT_EQ(c.m_strHomePhone, "3"); }},
        CardCase{"TEL;WORK;FAX", "4", true,
                 [](const CContactObject& c) { EXPECT_EQ(c.m_strWorkFax, "4"); }},
        CardCase{"EMAIL;PREF;INTERNET", "a@b", true,
                 [](const CContactObject& c) { EXPECT_EQ(c.m_strEmail, "a@b"); }},
        CardCase{"ORG", "ACME", true,
                 [](const CContactObject& c) { EXPECT_EQ(c.m_strCompany, "ACME"); }},
        CardCase{"N", "Doe;John", true,
                 [](const CContactObject& c) {
                   EXPECT_EQ(c.m_strFirstName, "Doe;John");
                   EXPECT_EQ(c.m_bHasLastName, 0);
                 }},
        CardCase{"X-VOQ-LUID", "Ab1", false,
                 [](const CContactObject& c) {
                   EXPECT_EQ(c.m_strLuid, "Ab1");
                   EXPECT_EQ(c.m_nPhoneState, SyncStateUnchanged);
                 }},
        CardCase{"X-VOQ-PHB-STORAGE", "SM", true,
                 [](const CContactObject& c) {
                   EXPECT_EQ(c.m_strStorage, "SM");
                   EXPECT_EQ(c.m_nPhoneState, SyncStateUnchanged);
                 }},
        CardCase{"X-VOQ-PHB-RING-ID", "7", true,
                 [](const CContactObject& c) {
                   EXPECT_EQ(c.m_nRingId, 7);
                   EXPECT_EQ(c.m_bHasRingId, 1);
                 }},
        CardCase{"X-VOQ-PHB-RING-ID", "", true, Untouched},
        CardCase{"X-VOQ-PHB-PIC-ID", "x", true,
                 [](const CContactObject& c) {
                   EXPECT_EQ(c.m_nPictureId, 0);  // no digits read as 0
                   EXPECT_EQ(c.m_bHasPictureId, 1);
                 }},
        CardCase{"X-VOQ-PHB-PIC-ID", "-1", true,
                 [](const CContactObject& c) {
                   EXPECT_EQ(c.m_bHasPictureId, 0);  // -1 is what Reset holds already
                 }},
        CardCase{"X-VOQ-PHB-CGROUP-ID", "3x", true,
                 [](const CContactObject& c) { EXPECT_EQ(c.m_nGroupId, 3); }},
        CardCase{"REV", "20051231T235959Z", true,
                 [](const CContactObject& c) {
                   EXPECT_EQ(c.m_tRevision, 1136073599);
                   EXPECT_EQ(c.m_bHasRevision, 1);
                   EXPECT_EQ(c.m_nPhoneState, SyncStateUnchanged);
                 }},
        CardCase{"REV", "20051231T2359Z", true, Untouched},
        CardCase{"X-VOQ-PHB-IDX", "5", true, Untouched},
        CardCase{"FN", "John Doe", true, Untouched}, CardCase{"LN", "Doe", false, Untouched},
        CardCase{"TEL;CELL", "0170", false, Untouched},
        CardCase{"TEL;CELL;VOICE;PREF", "0170", false, Untouched},
        CardCase{"EMAIL;INTERNET", "a@b", false, Untouched},
        CardCase{"N ", "Doe", false, Untouched}, CardCase{"BEGIN", "VCARD", false, Untouched},
        CardCase{"VERSION", "2.1", false, Untouched}, CardCase{"X-UNKNOWN", "", false, Untouched}));

TEST(VCardReaderTest, WrongVersionReturnsFalseAndChangesNothing) {
  CContactObject record;
  bool luid_only = true;
  EXPECT_FALSE(ReadVCardProperty(record, "VERSION", "3.0", luid_only));
  EXPECT_TRUE(luid_only);
  EXPECT_EQ(record.ToVCard(), CContactObject().ToVCard());
  EXPECT_TRUE(ReadVCardProperty(record, "version", "2.1", luid_only));
}

TEST(VCardReaderTest, CardWithOnlyALuidStaysLuidOnly) {
  CContactObject record;
  record.Reset();
  bool luid_only = true;
  ReadVCardProperty(record, "VERSION", "2.1", luid_only);
  ReadVCardProperty(record, "X-VOQ-LUID", "44", luid_only);
  EXPECT_TRUE(luid_only);
  ReadVCardProperty(record, "N", "", luid_only);
  EXPECT_FALSE(luid_only);
}

TEST(VCardReaderTest, ValueEqualToTheHeldOneInOtherCaseIsNoChange) {
  CContactObject record;
  record.m_strCompany = "ACME";
  bool luid_only = true;
  ReadVCardProperty(record, "ORG", "acme", luid_only);
  EXPECT_EQ(record.m_strCompany, "ACME");
  EXPECT_EQ(record.m_bHasCompany, 0);
  EXPECT_FALSE(luid_only);
}

struct TodoCase {
  const char* name;
  const char* value;
  bool clears;
  std::function<void(const CCalEntryObject&)> check;
};

void PrintTo(const TodoCase& c, std::ostream* os) {
  *os << c.name << ':' << c.value;
}

class VCalendarPropertyTest : public testing::TestWithParam<TodoCase> {};

TEST_P(VCalendarPropertyTest, FillsTheScratchRecord) {
  ScopedTimeZone tz(test::kCentralEurope);
  CCalEntryObject record;
  record.Reset();
  bool luid_only = true;
  EXPECT_TRUE(ReadVCalendarProperty(record, GetParam().name, GetParam().value, luid_only));
  EXPECT_EQ(luid_only, !GetParam().clears);
  GetParam().check(record);
}

void NothingSet(const CCalEntryObject& e) {
  EXPECT_EQ(e.ToVCalendar(), "BEGIN:VTODO\nX-VOQ-LUID:\nEND:VTODO\n");
  EXPECT_EQ(e.m_nPhoneState, SyncStateUnchanged);
}

INSTANTIATE_TEST_SUITE_P(
    Properties, VCalendarPropertyTest,
    testing::Values(
        TodoCase{"DTSTART", "20051231T235959Z", true,
                 [](const CCalEntryObject& e) {
                   EXPECT_EQ(e.m_tStart, 1136069999);  // 23:59:59 local (CET)
                   EXPECT_EQ(e.m_bHasStart, 1);
                   EXPECT_EQ(e.m_nPhoneState, SyncStateModified);
                 }},
        TodoCase{"DTSTART", "20051231T2359Z", true, NothingSet},
        TodoCase{"dtend", "20050701T120000Z", true,
                 [](const CCalEntryObject& e) { EXPECT_EQ(e.m_tEnd, 1120212000); }},
        TodoCase{"LAST-MODIFIED", "20050701T120000Z", true,
                 [](const CCalEntryObject& e) {
                   EXPECT_EQ(e.m_tLastModified, 1120212000);
                   EXPECT_EQ(e.m_nPhoneState, SyncStateUnchanged);
                 }},
        TodoCase{"AALARM", "off", true,
                 [](const CCalEntryObject& e) {
                   EXPECT_EQ(e.m_bAlarm, 0);
                   EXPECT_EQ(e.m_bHasAlarm, 1);
                 }},
        TodoCase{"AALARM", "ON", true, [](const CCalEntryObject& e) { EXPECT_EQ(e.m_bAlarm, 1); }},
        TodoCase{"AALARM", "", true, [](const CCalEntryObject& e) { EXPECT_EQ(e.m_bAlarm, 1); }},
        TodoCase{"AALARM", "20051231T235959Z;;1;", true,
                 [](const CCalEntryObject& e) { EXPECT_EQ(e.m_bAlarm, 1); }},
        TodoCase{"SUMMARY", "Buy milk; eggs", true,
                 [](const CCalEntryObject& e) {
                   EXPECT_EQ(e.m_strSummary, "Buy milk; eggs");
                   EXPECT_EQ(e.m_bHasSummary, 1);
                 }},
        TodoCase{"SUMMARY", "", true,
                 [](const CCalEntryObject& e) { EXPECT_EQ(e.m_bHasSummary, 1); }},
        TodoCase{"X-VOQ-LUID", "9", false,
                 [](const CCalEntryObject& e) { EXPECT_EQ(e.m_strLuid, "9"); }},
        TodoCase{"X-VOQ-CAL-IDX", "9", true, NothingSet},
        TodoCase{"RRULE", "D1", false, NothingSet}, TodoCase{"VERSION", "1.0", false, NothingSet},
        TodoCase{"SUMMARY;CHARSET=UTF-8", "x", false, NothingSet},
        TodoCase{"DUE", "20051231T235959Z", false, NothingSet}));

}  // namespace
}  // namespace pim
