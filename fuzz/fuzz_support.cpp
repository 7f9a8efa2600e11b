#include "fuzz_support.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/file.h"
#include "platform/platform.h"
#include "records/archive.h"
#include "records/store_file.h"
#include "vobject/vobject_writer.h"

namespace pim::fuzz {
namespace {

std::string& ScratchDir() {
  static std::string dir;
  return dir;
}

size_t& BoxCount() {
  static size_t count = 0;
  return count;
}

int SilentBox(void*, const char*, const char*, unsigned int) {
  ++BoxCount();
  return platform::kIdOk;
}

void SilentDebugOutput(const char*) {}

void RemoveScratchDir() {
  std::error_code ignored;
  if (!ScratchDir().empty()) std::filesystem::remove_all(ScratchDir(), ignored);
}

std::string ScratchRoot() {
  std::error_code ignored;
  if (std::filesystem::is_directory("/dev/shm", ignored) && ::access("/dev/shm", W_OK) == 0) {
    return "/dev/shm";
  }
  return std::filesystem::temp_directory_path().string();
}

}  // namespace

void Fail(const char* what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

void Init() {
  // Times travel as local time: one fixed zone, with daylight saving, keeps runs repeatable.
  ::setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
  ::tzset();
  platform::SetMessageBoxHook(&SilentBox);
  platform::SetDebugOutputHook(&SilentDebugOutput);
  std::string pattern = ScratchRoot() + "/pimfuzz.XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) Fail("cannot make the scratch folder");
  ScratchDir() = pattern;
  std::atexit(&RemoveScratchDir);
}

std::string ScratchFile(std::string_view name) {
  return ScratchDir() + "/" + std::string(name);
}

void WriteBytes(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) Fail("cannot write a scratch file");
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

size_t TakeMessageBoxCount() {
  const size_t count = BoxCount();
  BoxCount() = 0;
  return count;
}

void MakeSampleArrays(CalendarArray& calendar, ContactArray& contacts) {
  calendar.clear();
  contacts.clear();
  for (int i = 1; i <= 3; ++i) {
    auto todo = std::make_unique<CCalEntryObject>();
    todo->m_nNoteId = static_cast<uint32_t>(100 + i);
    todo->m_strNoteKey = "key" + std::to_string(i);
    todo->m_strLuid = "t" + std::to_string(i);
    todo->SetSummary("To-do " + std::to_string(i), true);
    todo->SetStart(1120201200 + i * 86400, true);  // 2005-07-01 09:00 CEST, a day apart
    todo->SetEnd(1120204800 + i * 86400, true);
    todo->SetAlarm(i % 2, true);
    todo->SetLastModified(1120000000 + i, true);
    RepeatRule rule;
    rule.nKind = i == 2 ? RepeatRule::kWeeklyOnDays : RepeatRule::kNone;
    rule.abWeekdays[1] = 1;
    rule.abWeekdays[3] = 1;
    todo->SetRepeat(rule, true);
    calendar.push_back(std::move(todo));

    auto contact = std::make_unique<CContactObject>();
    contact->m_nNoteId = static_cast<uint32_t>(200 + i);
    contact->m_strNoteKey = "key" + std::to_string(i);
    contact->m_strLuid = "c" + std::to_string(i);
    contact->SetFirstName("First " + std::to_string(i), true);
    contact->SetLastName("Last " + std::to_string(i), true);
    contact->SetMobilePhone("0170 " + std::to_string(i), true);
    contact->SetHomePhone("030 " + std::to_string(i), true);
    contact->SetWorkPhone("040 " + std::to_string(i), true);
    contact->SetWorkFax("050 " + std::to_string(i), true);
    contact->SetEmail("p" + std::to_string(i) + "@example.com", true);
    contact->SetCompany("Company " + std::to_string(i), true);
    contact->SetGroupId(i, true);
    contact->SetPictureId(i, true);
    contact->SetRingId(i, true);
    contact->SetRevision(1120000000 + i, true);
    contacts.push_back(std::move(contact));
  }
}

void LoadAsRetrieved(std::string_view store_bytes, CalendarArray& calendar,
                     ContactArray& contacts) {
  calendar.clear();
  contacts.clear();
  ReadStoreBytes(store_bytes, calendar, contacts);
  const auto settle = [](auto& records, auto make_new) {
    for (auto& record : records) {
      record->m_nNotesState = SyncStateDeleted;
      record->m_nPhoneState = SyncStateDeleted;
    }
    if (records.size() >= 2) {
      records[0]->m_nNotesState = SyncStateUnchanged;
      records[1]->StartNotesDelta();
      records[1]->m_nNotesState = SyncStateModified;
    }
    auto added = make_new();
    added->m_nNotesState = SyncStateAdded;
    added->m_nPhoneState = SyncStateUnchanged;
    records.push_back(std::move(added));
  };
  settle(calendar, [] {
    auto todo = std::make_unique<CCalEntryObject>();
    todo->m_nNoteId = 999;
    todo->SetSummary("New in Notes", true);
    todo->SetStart(1120201200, true);
    todo->SetEnd(1120204800, true);
    return todo;
  });
  settle(contacts, [] {
    auto contact = std::make_unique<CContactObject>();
    contact->m_nNoteId = 999;
    contact->SetFirstName("New in Notes", true);
    return contact;
  });
  if (calendar.size() >= 2) calendar[1]->m_pNotesDelta->SetSummary("Changed", true);
  if (contacts.size() >= 2) contacts[1]->m_pNotesDelta->SetCompany("Changed", true);
}

void CheckNoEmptyPlace(const CalendarArray& calendar, const ContactArray& contacts) {
  for (const auto& record : calendar) {
    if (!record) Fail("an empty place in the calendar array");
  }
  for (const auto& record : contacts) {
    if (!record) Fail("an empty place in the contact array");
  }
}

void CheckRoundTrip(const CalendarArray& calendar, const ContactArray& contacts) {
  CheckNoEmptyPlace(calendar, contacts);
  size_t rendered = 0;
  for (const auto& record : calendar)
    rendered += VObjectText(*record).size();
  for (const auto& record : contacts)
    rendered += VObjectText(*record).size();
  if (rendered == 0 && !(calendar.empty() && contacts.empty())) Fail("a record renders empty");

  const std::string first = EncodeStore(calendar, contacts);
  CalendarArray calendar_again;
  ContactArray contacts_again;
  platform::MemorySource source(first);
  CArchive ar(source);
  if (ReadStoreHead(ar) != kLuidMode) Fail("a written store has another head");
  ReadCalendarArray(ar, calendar_again);
  ReadContactArray(ar, contacts_again);
  if (calendar_again.size() != calendar.size() || contacts_again.size() != contacts.size()) {
    Fail("a written store reads back with other counts");
  }
  if (EncodeStore(calendar_again, contacts_again) != first) {
    Fail("a written store does not read back to the same bytes");
  }
}

}  // namespace pim::fuzz
