#include "notes_snapshot.h"

#include "notesapi/call_guard.h"
#include "notesapi/item_codec.h"
#include "notesapi/lncalendar.h"
#include "notesapi/notes_store.h"
#include "platform/text.h"

namespace pim::cli {

using namespace pim::notes;

namespace {

// The items a sync carries, as the stand-in keeps them; a change to any other item (the alarm
// time an update writes, the Type item) is no change a user would see.
constexpr const char* kPersonItems[] = {
    "FirstName",       "LastName",          "Categories",
    "CellPhoneNumber", "MailAddress",       "OfficeFAXPhoneNumber",
    "PhoneNumber",     "OfficePhoneNumber", "CompanyName"};
constexpr const char* kEntryItems[] = {kEntryStartItem,  kEntryEndItem, kEntryBriefItem,
                                       kEntryAlarmItem,  "Repeats",     "RepeatForUnit",
                                       "RepeatInterval", "RepeatAdjust"};

// The retrieval window, as the handler asks the calendar for it: start dates from 1990-01-01
// to 2020-01-01, both days included.
constexpr int64_t kWindowFrom = detail::DayKey(1990, 1, 1);
constexpr int64_t kWindowTo = detail::DayKey(2020, 1, 1) + 100'000'000;

const LNItem* Find(const std::vector<LNItem>& items, const char* name) {
  for (const LNItem& item : items) {
    if (platform::EqualsNoCase(item.GetName(), name)) return &item;
  }
  return nullptr;
}

// The values of those items as one text. A missing item reads as an empty one: writing a
// Person document fills in every field, the empty ones included.
template <size_t N>
std::string Fingerprint(const std::vector<LNItem>& items, const char* const (&names)[N]) {
  std::string text;
  for (const char* name : names) {
    if (const LNItem* item = Find(items, name)) {
      if (const auto* texts = item->Texts()) {
        for (const std::string& value : *texts)
          (text += value) += '\x1f';
      } else if (const auto* datetimes = item->Datetimes()) {
        for (const LNDatetime& value : *datetimes)
          (text += value.GetText()) += '\x1f';
      } else if (const auto* numbers = item->Numbers()) {
        for (double value : *numbers)
          (text += std::to_string(value)) += '\x1f';
      }
    }
    text += '\x1e';
  }
  return text;
}

LNDatetime First(const LNItem* item) {
  const auto* datetimes = item != nullptr ? item->Datetimes() : nullptr;
  return datetimes != nullptr && !datetimes->empty() ? datetimes->front() : LNDatetime();
}

// A calendar entry the retrieval sees (its start, as the file keeps it for GetEntries, in the
// window), and on one day: the sync leaves out entries that span two days.
bool IsSyncedEntry(const detail::Statement& row, std::string_view encoded,
                   std::vector<LNItem>& items) {
  if (row.IsNull(4)) return false;
  const int64_t start = row.Int(4);
  if (start < kWindowFrom || start >= kWindowTo) return false;
  items.clear();
  if (!detail::DecodeItems(encoded, items)) return false;
  const LNDatetime begin = First(Find(items, kEntryStartItem));
  const LNDatetime end = First(Find(items, kEntryEndItem));
  return begin.GetYear() == end.GetYear() && begin.GetMonth() == end.GetMonth() &&
         begin.GetDay() == end.GetDay();
}

// The values of the items a sync carries, from a note's encoded items.
template <size_t N>
std::string FingerprintOf(std::string_view encoded, const char* const (&names)[N]) {
  std::vector<LNItem> items;
  detail::DecodeItems(encoded, items);
  return Fingerprint(items, names);
}

void Read(const std::string& path, SnapshotNotes* contacts, SnapshotNotes* todos) {
  try {
    const auto database = detail::NotesDatabase::Open(path);
    detail::Statement list(*database, detail::Sql::kListNotes);
    std::vector<LNItem> items;
    while (list.Step()) {
      const auto id = static_cast<uint32_t>(list.Int(0));
      const std::string_view encoded = list.Blob(3);
      if (contacts != nullptr && platform::EqualsNoCase(list.Text(1), "Person")) {
        contacts->Add(id, encoded);
      }
      if (todos != nullptr && IsSyncedEntry(list, encoded, items)) todos->Add(id, encoded);
    }
  } catch (const detail::StatusError&) {
    if (contacts != nullptr) contacts->clear();
    if (todos != nullptr) todos->clear();
  }
}

template <size_t N>
Changes Compare(const SnapshotNotes& before, const SnapshotNotes& after,
                const char* const (&names)[N]) {
  Changes changes;
  size_t old = 0;
  size_t now = 0;
  while (old < before.size() || now < after.size()) {
    if (now == after.size() || (old < before.size() && before.id(old) < after.id(now))) {
      ++changes.deleted;
      ++old;
    } else if (old == before.size() || after.id(now) < before.id(old)) {
      ++changes.added;
      ++now;
    } else {
      if (before.items(old) != after.items(now) &&
          FingerprintOf(before.items(old), names) != FingerprintOf(after.items(now), names)) {
        ++changes.changed;
      }
      ++old;
      ++now;
    }
  }
  return changes;
}

}  // namespace

void SnapshotNotes::Add(uint32_t id, std::string_view items) {
  ids_.push_back(id);
  bytes_.append(items);
  ends_.push_back(bytes_.size());
}

void SnapshotNotes::clear() {
  ids_.clear();
  ends_.clear();
  bytes_.clear();
}

NotesSnapshot TakeSnapshot(const std::string& contacts_db, const std::string& calendar_db) {
  NotesSnapshot snapshot;
  if (contacts_db == calendar_db) {
    Read(contacts_db, &snapshot.contacts, &snapshot.todos);
  } else {
    Read(contacts_db, &snapshot.contacts, nullptr);
    Read(calendar_db, nullptr, &snapshot.todos);
  }
  return snapshot;
}

Changes CompareContacts(const SnapshotNotes& before, const SnapshotNotes& after) {
  return Compare(before, after, kPersonItems);
}

Changes CompareTodos(const SnapshotNotes& before, const SnapshotNotes& after) {
  return Compare(before, after, kEntryItems);
}

}  // namespace pim::cli
