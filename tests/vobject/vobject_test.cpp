// The texts the phone exchanges: date-times, and the vCard and VTODO texts of the records, each
// checked against text written by hand and read back into the same text.
#include <gtest/gtest.h>

#include <climits>
#include <tuple>

#include "support/test_support.h"
#include "vobject/vdatetime.h"
#include "vobject/vobject_reader.h"
#include "vobject/vobject_writer.h"

namespace pim {
namespace {

using test::ScopedTimeZone;

// A time before 1970 (the time of a date that cannot be held) renders from its local
// breakdown, and reads back as itself.
TEST(VDateTimeTest, FormatsAndParsesLocalWallClockTime) {
  const std::tuple<const char*, int32_t, const char*> cases[] = {
      {test::kUtc, 0, "19700101T000000Z"},
      {test::kUtc, 1092779376, "20040817T214936Z"},
      {test::kUtc, INT32_MAX, "20380119T031407Z"},
      {test::kCentralEurope, 1120212000, "20050701T120000Z"},
      {test::kUsEastern, 1120233600, "20050701T120000Z"},
      {test::kOneHourEast, -1, "19700101T005959Z"}};
  for (const auto& [zone, time, text] : cases) {
    SCOPED_TRACE(text);
    ScopedTimeZone tz(zone);
    EXPECT_EQ(FormatVDateTime(time), text);
    int32_t parsed = 0;
    EXPECT_TRUE(ParseVDateTime(text, parsed));
    EXPECT_EQ(parsed, time);
  }
}

// Feeds the lines of a text to a property reader as the callers split them, at the first
// colon; collects the names of the lines that left the record "LUID only".
template <class Record, class Read>
std::string ReadLines(Record& record, std::string_view text, Read read) {
  std::string luid_only_names;
  for (size_t end; !text.empty(); text.remove_prefix(end < text.size() ? end + 1 : end)) {
    end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    const std::string_view name = line.substr(0, line.find(':'));
    bool luid_only = true;
    const bool accepted = read(record, name, line.substr(name.size() + 1), luid_only);
    if (luid_only) luid_only_names += std::string(name) + ' ';
    if (!accepted) luid_only_names += "(refused) ";
  }
  return luid_only_names;
}

constexpr char kCard[] =
    "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:A7\nX-VOQ-PHB-STORAGE:SM\nN:Smith;Ann\nLN:Smith\n"
    "ORG:ACME; Inc.\nTEL;WORK;VOICE:030 3\nTEL;HOME;VOICE:030 2\nTEL;CELL;VOICE:0170 5\n"
    "TEL;WORK;FAX:+49 30 1\nEMAIL;PREF;INTERNET:a@b\nX-VOQ-PHB-PIC-ID:-2\n"
    "X-VOQ-PHB-RING-ID:12\nX-VOQ-PHB-CGROUP-ID:3\nREV:20050701T120000Z\nEND:VCARD\n";

TEST(VCardTest, ReadsAPhonesCardAndWritesItBackInFixedOrder) {
  ScopedTimeZone tz(test::kCentralEurope);
  CContactObject card;
  card.Reset();
  // The last name is not read, nor what only looks like a property; the names that leave a
  // card "LUID only" are listed.
  EXPECT_EQ(ReadLines(card,
                      std::string(kCard) +
                          "X-VOQ-PHB-IDX:5\nFN:A\nTEL;CELL:9\nREV:20991231T235959Z \nN :B\n"
                          "X-VOQ-PHB-RING-ID:\nversion:2.1\nVERSION:3.0\n",
                      ReadVCardProperty),
            "BEGIN VERSION X-VOQ-LUID LN END TEL;CELL N  version VERSION (refused) ");
  EXPECT_EQ(card.m_tRevision, 1120212000);
  card.SetLastName("Smith", false);
  EXPECT_EQ(VObjectText(card), kCard);
  card.m_nNoteId = 0xFFFFFFFF;
  EXPECT_EQ(KeyLuidVObjectText(card).substr(0, 38), "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:-1\n");
  card.Reset();
  ReadLines(card, "X-VOQ-PHB-PIC-ID:x\nX-VOQ-PHB-CGROUP-ID:2x\n", ReadVCardProperty);
  EXPECT_EQ(card.m_nPictureId + card.m_nGroupId, 2);
}

TEST(VCalendarTest, ReadsAPhonesToDoAndWritesItBackInFixedOrder) {
  ScopedTimeZone tz(test::kUsEastern);
  const std::string todo =
      "BEGIN:VTODO\nX-VOQ-LUID:-1\nDTSTART:20050701T120000Z\nDTEND:20050701T130000Z\n"
      "AALARM:ON\nSUMMARY:Call Bob, re: lunch\nRRULE:M1\nLAST-MODIFIED:20050701T120000Z\n"
      "END:VTODO\n";
  CCalEntryObject back;
  back.Reset();
  EXPECT_EQ(ReadLines(back, todo + "X-VOQ-CAL-IDX:3\nDTSTART:20051231T2359Z\nDUE:x\n",
                      ReadVCalendarProperty),
            "BEGIN X-VOQ-LUID RRULE END DUE ");
  EXPECT_EQ(back.m_tStart, 1120233600);
  back.SetRepeat(RepeatRule{RepeatRule::kMonthly, {}}, true);
  EXPECT_EQ(VObjectText(back), todo);
  ReadLines(back, "AALARM:off\n", ReadVCalendarProperty);
  EXPECT_EQ(back.m_bAlarm, 0);
  back.Reset();
  back.m_nNoteId = 2310;
  EXPECT_EQ(KeyLuidVObjectText(back), "BEGIN:VTODO\nX-VOQ-LUID:2310\nEND:VTODO\n");
}

TEST(VCalendarTest, RuleTextOfEachKind) {
  using R = RepeatRule;
  const std::pair<RepeatRule, const char*> cases[] = {
      {{R::kNone, {1, 1, 1, 1, 1, 1, 1}}, ""},
      {{R::kDaily, {1, 1, 1, 1, 1, 1, 1}}, "D1"},
      {{R::kWeeklyOnDays, {}}, "W1"},
      {{R::kWeeklyOnDays, {1, 2, 0, -3, 1, 1, 1}}, "W1 SU MO WE TH FR SA"},
      {{R::kWeeklyOnDays, {0, 0, 1}}, "W1 TU"},
      {{R::kWeekly, {0, 1, 0, 0, 0, 0, 0}}, "W1"},
      {{R::kMonthly, {}}, "M1"},
      {{5, {}}, ""}};
  for (const auto& [rule, text] : cases) {
    SCOPED_TRACE(text);
    CCalEntryObject e;
    e.m_repeat = rule;
    e.m_bHasRepeat = 1;
    EXPECT_EQ(VObjectText(e),
              std::string("BEGIN:VTODO\nX-VOQ-LUID:\nRRULE:") + text + "\nEND:VTODO\n");
  }
}

}  // namespace
}  // namespace pim
