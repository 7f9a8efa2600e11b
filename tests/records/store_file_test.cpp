#include "records/store_file.h"

#include <gtest/gtest.h>

#include "platform/file.h"
#include "support/allocation_probe.h"
#include "support/test_support.h"

namespace pim {

void PrintTo(ArchiveError::Cause cause, std::ostream* os) {
  static constexpr const char* kNames[] = {"end of file", "bad class", "bad schema", "bad index",
                                           "generic"};
  *os << kNames[static_cast<int>(cause)];
}

namespace {

using test::Hex;
using test::ToHex;

std::string Encode(const CalendarArray& calendar, const ContactArray& contacts) {
  std::string out;
  platform::StringSink sink(out);
  CArchive ar(sink);
  WriteStore(ar, calendar, contacts);
  ar.Flush();
  return out;
}

struct Store {
  uint32_t head = 0;
  CalendarArray calendar;
  ContactArray contacts;
};

Store Decode(std::string_view bytes) {
  platform::MemorySource source(bytes);
  CArchive ar(source);
  Store store;
  store.head = ReadStoreHead(ar);
  ReadCalendarArray(ar, store.calendar);
  ReadContactArray(ar, store.contacts);
  return store;
}

ArchiveError::Cause DecodeError(std::string_view bytes) {
  try {
    Decode(bytes);
  } catch (const ArchiveError& e) {
    return e.cause();
  }
  ADD_FAILURE() << "no archive error for " << ToHex(bytes);
  return ArchiveError::Cause::kGeneric;
}

// A contact with a little of everything: flags set and clear, a negative number.
std::unique_ptr<CContactObject> SampleContact() {
  auto c = std::make_unique<CContactObject>();
  c->m_nNoteId = 0x906;
  c->SetGroupId(2, false);
  c->m_nPictureId = -1;
  c->SetRingId(7, false);
  c->SetMobilePhone("0170", false);
  c->SetEmail("a@b", false);
  c->m_strLuid = "17";
  c->SetFirstName("Ann", false);
  c->SetRevision(0x12345678, false);
  return c;
}

constexpr const char* kSampleContactFields =
    "06 09 00 00  00  02 00 00 00  FF FF FF FF  07 00 00 00"
    "04 30 31 37 30  03 61 40 62  00  00  02 31 37  03 41 6E 6E  00  00  00"
    "78 56 34 12"
    "01 00 00 00  01 00 00 00  00 00 00 00  01 00 00 00  00 00 00 00  01 00 00 00"
    "00 00 00 00  00 00 00 00  00 00 00 00  01 00 00 00  00 00 00 00";

constexpr const char* kContactClass = "FF FF 01 00 0E 00 43 43 6F 6E 74 61 63 74 4F 62 6A 65 63 74";
constexpr const char* kCalendarClass =
    "FF FF 01 00 0F 00 43 43 61 6C 45 6E 74 72 79 4F 62 6A 65 63 74";

// A to-do with a weekly rule whose Tuesday flag holds 5: stored as 0.
std::unique_ptr<CCalEntryObject> SampleTodo() {
  auto e = std::make_unique<CCalEntryObject>();
  e->m_nNoteId = 0x10;
  e->SetAlarm(1, true);
  e->m_repeat.nKind = RepeatRule::kWeeklyOnDays;
  e->m_repeat.abWeekdays = {1, 0, 5, 1, 0, 0, 1};
  e->m_strLuid = "9";
  e->SetSummary("Buy milk", true);
  e->SetStart(946684800, true);
  e->SetEnd(946688400, true);
  return e;
}

constexpr const char* kSampleTodoFields =
    "10 00 00 00  00  01 00 00 00  02 00 00 00"
    "01 00 00 00  00 00 00 00  00 00 00 00  01 00 00 00  00 00 00 00  00 00 00 00  01 00 00 00"
    "01 39  08 42 75 79 20 6D 69 6C 6B"
    "80 43 6D 38  90 51 6D 38  00 00 00 00"
    "01 00 00 00  00 00 00 00  01 00 00 00  01 00 00 00  01 00 00 00";

constexpr const char* kEmptyTodoFields =
    "00 00 00 00  00  00 00 00 00  00 00 00 00"
    "00 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00"
    "00  00  00 00 00 00  00 00 00 00  00 00 00 00"
    "00 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00";

std::string TwoTodosOneContact() {
  return Hex(std::string("01 00 00 00  02 00") + kCalendarClass + kSampleTodoFields + "01 80" +
             kEmptyTodoFields + "01 00" + kContactClass + kSampleContactFields);
}

TEST(StoreFileTest, EmptyStoreIsEightBytes) {
  EXPECT_EQ(ToHex(Encode({}, {})), "01 00 00 00 00 00 00 00");
}

TEST(StoreFileTest, OneContactStore) {
  ContactArray contacts;
  contacts.push_back(SampleContact());
  const std::string expected =
      Hex(std::string("01 00 00 00  00 00  01 00") + kContactClass + kSampleContactFields);
  EXPECT_EQ(ToHex(Encode({}, contacts)), ToHex(expected));
}

TEST(StoreFileTest, TwoTodosAndOneContactNumberClassesAndObjectsInFileOrder) {
  CalendarArray calendar;
  calendar.push_back(SampleTodo());
  calendar.push_back(std::make_unique<CCalEntryObject>());
  ContactArray contacts;
  contacts.push_back(SampleContact());
  EXPECT_EQ(ToHex(Encode(calendar, contacts)), ToHex(TwoTodosOneContact()));
}

TEST(StoreFileTest, DecodeEncodeGivesTheSameBytes) {
  const std::string bytes = TwoTodosOneContact();
  const Store store = Decode(bytes);
  EXPECT_EQ(store.head, 1u);
  ASSERT_EQ(store.calendar.size(), 2u);
  ASSERT_EQ(store.contacts.size(), 1u);
  EXPECT_EQ(ToHex(Encode(store.calendar, store.contacts)), ToHex(bytes));
}

TEST(StoreFileTest, LoadedRecordsKeepUnstoredFieldsAtTheirDefaults) {
  Store store = Decode(TwoTodosOneContact());
  const CCalEntryObject& todo = *store.calendar[0];
  EXPECT_EQ(todo.m_strSummary, "Buy milk");
  EXPECT_EQ(todo.m_repeat.nKind, RepeatRule::kWeeklyOnDays);
  EXPECT_EQ(todo.m_repeat.abWeekdays, (std::array<int32_t, 7>{1, 0, 0, 1, 0, 0, 1}));
  EXPECT_EQ(todo.m_bHasRepeat, 0);
  EXPECT_EQ(todo.m_bAlarm, 1);
  EXPECT_EQ(todo.m_tEnd, 946688400);
  const CContactObject& contact = *store.contacts[0];
  EXPECT_EQ(contact.m_strStorage, "ME");
  EXPECT_EQ(contact.m_bHasRevision, 0);
  EXPECT_EQ(contact.m_tRevision, 0x12345678);
  EXPECT_EQ(contact.m_nPictureId, -1);
  EXPECT_EQ(contact.m_strFirstName, "Ann");
  EXPECT_EQ(contact.m_pNotesDelta, nullptr);
}

struct StringCase {
  size_t length;
  const char* prefix;
};

void PrintTo(const StringCase& c, std::ostream* os) {
  *os << c.length << " bytes";
}

class StringPrefixTest : public testing::TestWithParam<StringCase> {};

TEST_P(StringPrefixTest, LengthPicksThePrefixForm) {
  ContactArray contacts;
  contacts.push_back(std::make_unique<CContactObject>());
  contacts[0]->m_strNoteKey.assign(GetParam().length, 'k');
  const std::string bytes = Encode({}, contacts);
  const size_t at = 8 + 20 + 4;  // head, counts, class, note ID
  const std::string prefix = Hex(GetParam().prefix);
  EXPECT_EQ(ToHex(bytes.substr(at, prefix.size())), ToHex(prefix));
  EXPECT_EQ(bytes.size(), at + prefix.size() + GetParam().length + 9 + 64 - 4);
  EXPECT_EQ(Decode(bytes).contacts.at(0)->m_strNoteKey, contacts[0]->m_strNoteKey);
}

INSTANTIATE_TEST_SUITE_P(Lengths, StringPrefixTest,
                         testing::Values(StringCase{0, "00"}, StringCase{254, "FE"},
                                         StringCase{255, "FF FF 00"},
                                         StringCase{0xFFFD, "FF FD FF"},
                                         StringCase{0xFFFE, "FF FF FF FE FF 00 00"},
                                         StringCase{70000, "FF FF FF 70 11 01 00"}));

TEST(StoreFileTest, ReadsUtf16Strings) {
  // The summary in UTF-16 units: "h", e-acute, a lone high surrogate.
  const std::string bytes = Hex(std::string("01 00 00 00  01 00") + kCalendarClass +
                                "00 00 00 00  00  00 00 00 00  00 00 00 00" +
                                "00 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00"
                                "00 00 00 00  00 00 00 00  00 00 00 00"
                                "00  FF FE FF 03 68 00 E9 00 3D D8"
                                "00 00 00 00  00 00 00 00  00 00 00 00"
                                "01 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00"
                                "00 00");
  const Store store = Decode(bytes);
  ASSERT_EQ(store.calendar.size(), 1u);
  EXPECT_EQ(store.calendar[0]->m_strSummary, "h\xC3\xA9\xEF\xBF\xBD");
  EXPECT_EQ(store.calendar[0]->m_bHasSummary, 1);
}

TEST(StoreFileTest, LongArraysTakeTheDwordCount) {
  ContactArray contacts;
  for (int i = 0; i < 0xFFFF; ++i)
    contacts.push_back(std::make_unique<CContactObject>());
  const std::string bytes = Encode({}, contacts);
  EXPECT_EQ(ToHex(bytes.substr(0, 12)), "01 00 00 00 00 00 FF FF FF FF 00 00");
  EXPECT_EQ(Decode(bytes).contacts.size(), 0xFFFFu);
}

TEST(StoreFileTest, ClassNumbersFrom0x7FFFTakeTheDwordForm) {
  // Calendar class 1 and objects 2 to 32766: the contact class gets number 0x7FFF.
  CalendarArray calendar;
  for (int i = 0; i < 0x7FFD; ++i)
    calendar.push_back(std::make_unique<CCalEntryObject>());
  ContactArray contacts;
  contacts.push_back(std::make_unique<CContactObject>());
  contacts.push_back(std::make_unique<CContactObject>());
  const std::string bytes = Encode(calendar, contacts);
  const size_t todo_size = 2 + 75;
  const size_t contacts_at = 6 + 21 + 75 + (0x7FFD - 1) * todo_size;
  EXPECT_EQ(ToHex(bytes.substr(contacts_at, 4)), "02 00 FF FF");
  const size_t second_at = contacts_at + 2 + 20 + 74;
  EXPECT_EQ(ToHex(bytes.substr(second_at, 6)), "FF 7F FF 7F 00 80");
  const Store store = Decode(bytes);
  EXPECT_EQ(store.calendar.size(), 0x7FFDu);
  EXPECT_EQ(store.contacts.size(), 2u);
}

TEST(StoreFileTest, WeekdayFlagsOtherThanOneAreStoredAsZero) {
  CalendarArray calendar;
  calendar.push_back(std::make_unique<CCalEntryObject>());
  calendar[0]->m_repeat.abWeekdays = {1, 2, -1, 0, 1, 0x100, 1};
  const std::string bytes = Encode(calendar, {});
  EXPECT_EQ(ToHex(bytes.substr(6 + 21 + 13, 28)),
            "01 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
            "01 00 00 00 00 00 00 00 01 00 00 00");
}

TEST(StoreFileTest, HeadIsReadWithoutJudgingIt) {
  const Store store = Decode(Hex("02 00 00 00 00 00 00 00"));
  EXPECT_EQ(store.head, 2u);
}

// --- Damaged and hostile files: every one ends in an archive error at once. ---

std::string WithByte(std::string bytes, size_t at, std::string_view replacement) {
  return bytes.replace(at, replacement.size(), replacement);
}

TEST(StoreFileCorruptionTest, EveryTruncationIsAnEndOfFile) {
  const std::string bytes = TwoTodosOneContact();
  for (size_t size = 0; size < bytes.size(); ++size) {
    EXPECT_EQ(DecodeError(bytes.substr(0, size)), ArchiveError::Cause::kEndOfFile) << size;
  }
}

TEST(StoreFileCorruptionTest, ArrayCutShortKeepsTheRecordsReadBeforeTheFault) {
  const std::string bytes = TwoTodosOneContact();
  platform::MemorySource source(std::string_view(bytes).substr(0, bytes.size() - 10));
  CArchive ar(source);
  ReadStoreHead(ar);
  CalendarArray calendar;
  ReadCalendarArray(ar, calendar);
  ContactArray contacts;
  contacts.push_back(std::make_unique<CContactObject>());  // released by the reader
  EXPECT_THROW(ReadContactArray(ar, contacts), ArchiveError);
  EXPECT_EQ(calendar.size(), 2u);
  EXPECT_TRUE(contacts.empty());

  // The second to-do is damaged: the first stays, and no empty place follows it.
  platform::MemorySource cut(std::string_view(bytes).substr(0, 6 + 21 + 84 + 2 + 30));
  CArchive ar2(cut);
  ReadStoreHead(ar2);
  EXPECT_THROW(ReadCalendarArray(ar2, calendar), ArchiveError);
  ASSERT_EQ(calendar.size(), 1u);
  EXPECT_EQ(calendar[0]->m_strSummary, "Buy milk");
}

TEST(StoreFileCorruptionTest, HugeCountInATinyFileAllocatesLittle) {
  const std::string bytes = Hex(std::string("01 00 00 00  FF FF FF FF FF FF") + kCalendarClass);
  test::ResetLargestAllocation();
  EXPECT_EQ(DecodeError(bytes), ArchiveError::Cause::kEndOfFile);
  EXPECT_LT(test::LargestAllocation(), 1u << 20);
}

TEST(StoreFileCorruptionTest, HugeStringLengthAllocatesLittle) {
  // The contact's note key claims 4 GB; the file holds a few bytes more.
  const std::string bytes = Hex(std::string("01 00 00 00  00 00  01 00") + kContactClass +
                                "06 09 00 00  FF FF FF FF FF FF FF 41 42 43");
  test::ResetLargestAllocation();
  EXPECT_EQ(DecodeError(bytes), ArchiveError::Cause::kEndOfFile);
  EXPECT_LT(test::LargestAllocation(), 1u << 20);
  // The same in UTF-16 units.
  const std::string utf16 = Hex(std::string("01 00 00 00  00 00  01 00") + kContactClass +
                                "06 09 00 00  FF FE FF FF FF FF FF FF FF FF 41 00");
  test::ResetLargestAllocation();
  EXPECT_EQ(DecodeError(utf16), ArchiveError::Cause::kEndOfFile);
  EXPECT_LT(test::LargestAllocation(), 1u << 20);
}

TEST(StoreFileCorruptionTest, ClassNameInOtherLetterCaseIsABadClass) {
  // "CContactObject" becomes "Ccontactobject".
  const std::string bytes = WithByte(TwoTodosOneContact(), 6 + 21 + 84 + 77 + 2 + 6 + 1, "c");
  EXPECT_EQ(DecodeError(bytes), ArchiveError::Cause::kBadClass);
}

TEST(StoreFileCorruptionTest, UnknownOrOverlongClassNameIsABadClass) {
  EXPECT_EQ(DecodeError(Hex("01 00 00 00  01 00  FF FF 01 00 03 00 43 4F 62")),
            ArchiveError::Cause::kBadClass);
  const std::string long_name = Hex("01 00 00 00  01 00  FF FF 01 00 40 00") + std::string(64, 'C');
  EXPECT_EQ(DecodeError(long_name), ArchiveError::Cause::kBadClass);
}

TEST(StoreFileCorruptionTest, RecordOfTheOtherClassInAnArrayIsABadClass) {
  const std::string bytes =
      Hex(std::string("01 00 00 00  01 00") + kContactClass + kSampleContactFields + "00 00");
  EXPECT_EQ(DecodeError(bytes), ArchiveError::Cause::kBadClass);
}

TEST(StoreFileCorruptionTest, OtherSchemaNumberIsABadSchema) {
  const std::string bytes = WithByte(TwoTodosOneContact(), 8, Hex("02"));
  EXPECT_EQ(DecodeError(bytes), ArchiveError::Cause::kBadSchema);
}

struct ReferenceCase {
  const char* reference;  // replaces the reference to the second to-do (01 80)
  ArchiveError::Cause cause;
};

void PrintTo(const ReferenceCase& c, std::ostream* os) {
  *os << c.reference;
}

class BadReferenceTest : public testing::TestWithParam<ReferenceCase> {};

TEST_P(BadReferenceTest, IsRefused) {
  const std::string bytes = TwoTodosOneContact();
  const size_t at = 6 + 21 + 84;
  ASSERT_EQ(ToHex(bytes.substr(at, 2)), "01 80");
  const std::string damaged =
      bytes.substr(0, at) + Hex(GetParam().reference) + bytes.substr(at + 2);
  EXPECT_EQ(DecodeError(damaged), GetParam().cause) << GetParam().reference;
}

INSTANTIATE_TEST_SUITE_P(
    References, BadReferenceTest,
    testing::Values(
        ReferenceCase{"00 80", ArchiveError::Cause::kBadIndex},  // class number 0
        ReferenceCase{"05 80", ArchiveError::Cause::kBadIndex},  // class not introduced
        ReferenceCase{"02 80", ArchiveError::Cause::kBadIndex},  // an object, not a class
        ReferenceCase{"FF 7F 09 00 00 80", ArchiveError::Cause::kBadIndex},
        ReferenceCase{"09 00", ArchiveError::Cause::kBadIndex},  // nothing read under 9
        ReferenceCase{"01 00", ArchiveError::Cause::kBadIndex},  // a class, not an object
        ReferenceCase{"FF 7F 07 00 00 00", ArchiveError::Cause::kBadIndex},
        ReferenceCase{"00 00", ArchiveError::Cause::kGeneric},  // a null record
        ReferenceCase{"02 00", ArchiveError::Cause::kGeneric},  // the first to-do again
        ReferenceCase{"FF 7F 02 00 00 00", ArchiveError::Cause::kGeneric}));

TEST(StoreFileCorruptionTest, ClassNumberInTheDwordFormIsAccepted) {
  const std::string bytes = TwoTodosOneContact();
  const size_t at = 6 + 21 + 84;
  const std::string big = bytes.substr(0, at) + Hex("FF 7F 01 00 00 80") + bytes.substr(at + 2);
  EXPECT_EQ(Decode(big).calendar.size(), 2u);
}

}  // namespace
}  // namespace pim
