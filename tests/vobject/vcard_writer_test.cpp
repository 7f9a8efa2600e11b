#include <gtest/gtest.h>

#include "records/contact_object.h"
#include "support/test_support.h"

namespace pim {
namespace {

using test::ScopedTimeZone;

TEST(VCardWriterTest, NewRecordRendersSixLines) {
  ScopedTimeZone tz(test::kUtc);
  EXPECT_EQ(CContactObject().ToVCard(),
            "BEGIN:VCARD\n"
            "VERSION:2.1\n"
            "X-VOQ-LUID:\n"
            "X-VOQ-PHB-STORAGE:ME\n"
            "REV:19700101T000000Z\n"
            "END:VCARD\n");
}

TEST(VCardWriterTest, FullRecordRendersEveryFieldInFixedOrder) {
  ScopedTimeZone tz(test::kCentralEurope);
  CContactObject c;
  c.m_strLuid = "A7";
  c.m_strStorage = "SM";
  c.SetEmail("ann@example.org", false);
  c.SetWorkFax("+49 30 1", false);
  c.SetMobilePhone("0170 5", false);
  c.SetHomePhone("030 2", false);
  c.SetWorkPhone("030 3", false);
  c.SetCompany("ACME; Inc.", false);
  c.SetLastName("Smith", false);
  c.SetFirstName("Smith;Ann", false);
  c.SetPictureId(-1, false);
  c.SetRingId(12, false);
  c.SetGroupId(3, false);
  c.SetRevision(1120212000, false);
  // Values go out as they stand: no escaping of ';' or ',', no folding of long lines.
  EXPECT_EQ(c.ToVCard(),
            "BEGIN:VCARD\n"
            "VERSION:2.1\n"
            "X-VOQ-LUID:A7\n"
            "X-VOQ-PHB-STORAGE:SM\n"
            "N:Smith;Ann\n"
            "LN:Smith\n"
            "ORG:ACME; Inc.\n"
            "TEL;WORK;VOICE:030 3\n"
            "TEL;HOME;VOICE:030 2\n"
            "TEL;CELL;VOICE:0170 5\n"
            "TEL;WORK;FAX:+49 30 1\n"
            "EMAIL;PREF;INTERNET:ann@example.org\n"
            "X-VOQ-PHB-PIC-ID:-1\n"
            "X-VOQ-PHB-RING-ID:12\n"
            "X-VOQ-PHB-CGROUP-ID:3\n"
            "REV:20050701T120000Z\n"
            "END:VCARD\n");
}

TEST(VCardWriterTest, DeltaRecordRendersOnlyItsChangedFields) {
  ScopedTimeZone tz(test::kUtc);
  CContactObject stored;
  stored.m_strLuid = "5";
  stored.SetFirstName("Ann", true);
  stored.SetEmail("old@example.org", true);
  stored.StartNotesDelta();
  CContactObject fresh;
  fresh.SetFirstName("Ann", false);
  fresh.SetEmail("new@example.org", false);
  fresh.SetRevision(60, false);
  stored.m_pNotesDelta->MergeFrom(fresh, true);
  EXPECT_EQ(stored.m_pNotesDelta->ToVCard(),
            "BEGIN:VCARD\n"
            "VERSION:2.1\n"
            "X-VOQ-LUID:5\n"
            "X-VOQ-PHB-STORAGE:ME\n"
            "EMAIL;PREF;INTERNET:new@example.org\n"
            "REV:19700101T000100Z\n"
            "END:VCARD\n");
}

TEST(VCardWriterTest, GroupFourIsWrittenWhenFlagged) {
  ScopedTimeZone tz(test::kUtc);
  CContactObject c;
  c.m_bHasGroupId = 1;
  c.m_nGroupId = 4;
  EXPECT_NE(c.ToVCard().find("\nX-VOQ-PHB-CGROUP-ID:4\nREV:"), std::string::npos);
}

TEST(VCardWriterTest, KeyLuidIsTheNoteIdAndStaysInTheRecord) {
  ScopedTimeZone tz(test::kUtc);
  CContactObject c;
  c.m_nNoteId = 2310;
  c.m_strNoteKey = "ignored";
  c.m_strLuid = "old";
  const std::string text = c.ToVCardWithKeyLuid();
  EXPECT_EQ(text.substr(0, 41), "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:2310\nX");
  EXPECT_EQ(c.m_strLuid, "2310");
  // Note IDs go out as signed decimal.
  c.m_nNoteId = 0xFFFFFFFF;
  c.ToVCardWithKeyLuid();
  EXPECT_EQ(c.m_strLuid, "-1");
}

}  // namespace
}  // namespace pim
