#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "platform/file.h"
#include "records/store_file.h"
#include "support/test_support.h"

namespace pim {
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

struct Loaded {
  std::string damage;  // what the store's reader found wrong; empty when it read the store whole
  CalendarArray calendar;
  ContactArray contacts;
};

Loaded Decode(std::string_view bytes) {
  platform::MemorySource source(bytes);
  CArchive ar(source);
  Loaded loaded;
  try {
    ReadStoreHead(ar);  // judged by the handler, not here
    ReadCalendarArray(ar, loaded.calendar);
    ReadContactArray(ar, loaded.contacts);
  } catch (const Error& e) {
    loaded.damage = e.kind() == Error::Kind::kDamagedArchive ? e.what() : "not damage";
  }
  return loaded;
}

// Two to-dos (a full one, then an empty one referring to the class by number) and a contact.
// Offsets: calendar count 4, to-do class 6, second to-do 111, contact count 188, contact
// class 190; 287 bytes in all.
const std::string kStore =
    Hex(std::string("01 00 00 00  02 00") +
        "FF FF 01 00 0F 00 43 43 61 6C 45 6E 74 72 79 4F 62 6A 65 63 74"  // CCalEntryObject
        "10 00 00 00  00  01 00 00 00  02 00 00 00"           // note ID, key, alarm, rule
        "01 00 00 00  00 00 00 00  00 00 00 00  01 00 00 00"  // Sunday to Wednesday
        "00 00 00 00  00 00 00 00  01 00 00 00"               // Thursday to Saturday
        "01 39  08 42 75 79 20 6D 69 6C 6B"                   // LUID, summary
        "80 43 6D 38  90 51 6D 38  00 00 00 00"               // start, end, last modified
        "01 00 00 00  00 00 00 00  01 00 00 00  01 00 00 00  01 00 00 00"
        "01 80" +
        std::string(75 * 2, '0') + "01 00" +
        "FF FF 01 00 0E 00 43 43 6F 6E 74 61 63 74 4F 62 6A 65 63 74"  // CContactObject
        "06 09 00 00  00  04 00 00 00  FF FF FF FF  00 00 00 00"  // ID, key, group, picture, ring
        "00 00 00 00 00  03 41 6E 6E  00 00 00  78 56 34 12"      // names, numbers, revision
        "00 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00"
        "00 00 00 00  00 00 00 00  00 00 00 00  01 00 00 00  00 00 00 00");

TEST(StoreFileTest, WritesHandWrittenBytesAndReadsThemBackExactly) {
  EXPECT_EQ(ToHex(Encode({}, {})), "01 00 00 00 00 00 00 00");
  CalendarArray calendar;
  calendar.push_back(std::make_unique<CCalEntryObject>());
  CCalEntryObject& todo = *calendar.back();
  todo.m_nNoteId = 0x10;
  todo.SetAlarm(1, true);
  todo.m_repeat = {RepeatRule::kWeeklyOnDays, {1, 0, 5, 1, 0, 0, 1}};  // 5 is stored as 0
  // Built, then moved in: GCC 12 at -O3 takes an assignment from a literal for an overlapping
  // copy (-Wrestrict, GCC bug 105651).
  todo.m_strLuid = std::string("9");
  todo.SetSummary("Buy milk", true);
  todo.SetStart(946684800, true);
  todo.SetEnd(946688400, true);
  calendar.push_back(std::make_unique<CCalEntryObject>());
  ContactArray contacts;
  contacts.push_back(std::make_unique<CContactObject>());
  CContactObject& contact = *contacts.back();
  contact.m_nNoteId = 0x906;
  contact.m_nPictureId = -1;
  contact.SetFirstName("Ann", false);
  contact.SetRevision(0x12345678, false);
  ASSERT_EQ(ToHex(Encode(calendar, contacts)), ToHex(kStore));

  const Loaded loaded = Decode(kStore);
  ASSERT_EQ(loaded.damage, "");
  EXPECT_EQ(ToHex(Encode(loaded.calendar, loaded.contacts)), ToHex(kStore));
  // A weekday flag other than 1 reads as 0.
  std::string five = kStore;
  five[48] = '\x05';
  EXPECT_EQ(Decode(five).calendar.at(0)->m_repeat.abWeekdays[2], 0);
}

TEST(StoreFileTest, StringLengthPicksThePrefixForm) {
  const std::pair<size_t, const char*> cases[] = {
      {254, "FE"}, {255, "FF FF 00"}, {0xFFFD, "FF FD FF"}, {0xFFFE, "FF FF FF FE FF 00 00"}};
  for (const auto& [length, prefix] : cases) {
    SCOPED_TRACE(length);
    ContactArray contacts;
    contacts.push_back(std::make_unique<CContactObject>());
    contacts[0]->m_strNoteKey.assign(length, 'k');
    const std::string bytes = Encode({}, contacts);
    EXPECT_EQ(ToHex(bytes.substr(32, Hex(prefix).size())), ToHex(Hex(prefix)));
    EXPECT_EQ(Decode(bytes).contacts.at(0)->m_strNoteKey, contacts[0]->m_strNoteKey);
  }
  // A string stored as UTF-16 (marked FF FE FF) reads as UTF-8.
  EXPECT_EQ(Decode(std::string(kStore).replace(232, 4, Hex("FF FE FF 03 41 00 F1 00 6E 00")))
                .contacts.at(0)
                ->m_strFirstName,
            "A\xC3\xB1n");
}

TEST(StoreFileTest, ClassNumbersFrom0x7FFFTakeTheLongForm) {
  // Class 1 and to-dos 2 to 0x7FFE: the contact class gets number 0x7FFF.
  CalendarArray calendar;
  for (int i = 0; i < 0x7FFD; ++i)
    calendar.push_back(std::make_unique<CCalEntryObject>());
  ContactArray contacts;
  contacts.push_back(std::make_unique<CContactObject>());
  contacts.push_back(std::make_unique<CContactObject>());
  const std::string bytes = Encode(calendar, contacts);
  const size_t contacts_at = 6 + 21 + 75 + (0x7FFD - 1) * 77;
  EXPECT_EQ(ToHex(bytes.substr(contacts_at, 4)), "02 00 FF FF");
  EXPECT_EQ(ToHex(bytes.substr(contacts_at + 2 + 20 + 74, 6)), "FF 7F FF 7F 00 80");
  const Loaded loaded = Decode(bytes);
  EXPECT_TRUE(Encode(loaded.calendar, loaded.contacts) == bytes);
}

TEST(StoreFileTest, CountsFrom65535TakeTheLongForm) {
  for (const auto& [count, form] : {std::pair<size_t, const char*>{0xFFFE, "FE FF"},
                                    std::pair<size_t, const char*>{0xFFFF, "FF FF FF FF 00 00"}}) {
    SCOPED_TRACE(count);
    ContactArray contacts;
    for (size_t i = 0; i < count; ++i)
      contacts.push_back(std::make_unique<CContactObject>());
    const std::string bytes = Encode({}, contacts);
    EXPECT_EQ(ToHex(bytes.substr(6, Hex(form).size())), ToHex(Hex(form)));
    EXPECT_EQ(Decode(bytes).contacts.size(), count);
  }
}

TEST(StoreFileTest, DamagedStoreIsRefusedKeepingTheRecordsReadBeforeTheFault) {
  constexpr size_t kToEnd = std::string::npos;
  constexpr const char* kNoObject = "an object number names no record read so far";
  // Name; the bytes taken out at an offset and the hex put in their place; how reading ends,
  // with the to-dos and contacts read before the fault.
  const std::tuple<const char*, size_t, size_t, const char*, const char*, size_t, size_t> cases[] =
      {{"cut in the second to-do", 150, kToEnd, "", "the store data ends early", 1, 0},
       {"cut before the contacts", 188, kToEnd, "", "the store data ends early", 2, 0},
       {"last byte cut", 286, kToEnd, "", "the store data ends early", 2, 0},
       {"to-do count 3", 4, 1, "03", kNoObject, 2, 0},
       {"schema 2", 8, 1, "02", "a class has another schema number", 0, 0},
       {"class name 64 bytes long", 10, 1, "40", "a class name is too long", 0, 0},
       {"class name in other letter case", 197, 1, "63", "an unknown class name", 2, 0},
       {"contact array holding a to-do", 190, 2, "01 80", "a record of the wrong class", 2, 0},
       {"an object's number as a class", 111, 2, "02 80",
        "a class number names no class read so far", 1, 0},
       {"a class's number as an object", 111, 2, "01 00", kNoObject, 1, 0},
       {"an object not read yet", 111, 2, "03 00", kNoObject, 1, 0},
       {"no object", 111, 2, "00 00", "an array holds no record in a place", 1, 0},
       {"the first to-do again", 111, 2, "02 00", "a record is stored twice", 1, 0},
       {"long class reference", 111, 2, "FF 7F 01 00 00 80", "", 2, 1},
       {"long contact count", 188, 2, "FF FF 01 00 00 00", "", 2, 1}};
  for (const auto& [name, at, erase, insert, damage, todos, contacts] : cases) {
    SCOPED_TRACE(name);
    const Loaded loaded = Decode(std::string(kStore).replace(at, erase, Hex(insert)));
    EXPECT_EQ(loaded.damage, damage);
    EXPECT_EQ(loaded.calendar.size(), todos);
    EXPECT_EQ(loaded.contacts.size(), contacts);
  }
}

}  // namespace
}  // namespace pim
