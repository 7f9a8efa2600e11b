#include "notes_snapshot.h"

#include <algorithm>
#include <functional>
#include <string_view>
#include <utility>

#include "item_values.h"
#include "notes/sync_scope.h"
#include "notesapi/lncalendar.h"
#include "notesapi/lnsession.h"

namespace pim::cli {

using namespace pim::notes;

namespace {

// Items that the handler and the phone write on every save of a note they sync, and that
// follow from the note's form or from its other items: the Person document's Type (its form
// again), an entry's type and its alarm time (its end). A save that only adds them changes
// nothing a user would see.
constexpr const char* kStampedItems[] = {kPersonTypeItem, kEntryTypeItem, kEntryAlarmTimeItem};

char Fold(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

bool IsStamped(const LNString& name) {
  return std::any_of(std::begin(kStampedItems), std::end(kStampedItems),
                     [&](const char* stamped) { return SameNotesName(name, stamped); });
}

bool NameBefore(const LNItem* a, const LNItem* b) {
  return std::lexicographical_compare(a->GetName().begin(), a->GetName().end(),
                                      b->GetName().begin(), b->GetName().end(),
                                      [](char x, char y) { return Fold(x) < Fold(y); });
}

void Append(std::string& text, const LNString& value) {
  text += value;
}
// Numbers and date-times go in as their bytes: the text is only compared, never shown.
template <class... Int>
void AppendBytes(std::string& text, Int... values) {
  (text.append(reinterpret_cast<const char*>(&values), sizeof values), ...);
}
void Append(std::string& text, double value) {
  AppendBytes(text, value);
}
// To the second, as a person reads it: hundredths alone are no change.
void Append(std::string& text, const LNDatetime& value) {
  AppendBytes(text, static_cast<int>(value.GetState()), value.GetYear(), value.GetMonth(),
              value.GetDay(), value.GetHour(), value.GetMinute(), value.GetSecond());
}

void Check(LNSTATUS status) {
  if (status != LNNOERROR) throw status;
}

// A date's day as one number that orders days.
int DayOf(const LNDatetime& datetime) {
  return (datetime.GetYear() * 100 + datetime.GetMonth()) * 100 + datetime.GetDay();
}

// A to-do the retrieval takes: its start in the retrieval window, as the calendar places an
// entry, and its end on the same day, since the sync leaves out entries that span two. An
// entry whose range cannot be read is none.
bool IsSyncedEntry(const LNCalendarEntry& entry) {
  static const int kFirstDay = DayOf(LNDatetime(kRetrievalFirstDay));
  static const int kLastDay = DayOf(LNDatetime(kRetrievalLastDay));
  if (!LNCalendarEntry::IsCalendarEntry(entry)) return false;
  LNDatetimeRange range;
  try {
    if (entry.GetDatetimeRange(&range) != LNNOERROR) return false;
  } catch (LNSTATUS) {
    return false;
  }
  const int start = DayOf(range.GetBegin());
  return start >= kFirstDay && start <= kLastDay && start == DayOf(range.GetEnd());
}

// The Person documents and the synced to-dos of one database, in one read of it: where the
// contacts and the to-dos share a database, the report's look costs a single pass.
void Read(LNNotesSession& session, const std::string& path, SnapshotNotes* contacts,
          SnapshotNotes* todos) {
  LNDatabase database;
  Check(session.GetDatabase(path, &database));
  Check(database.Open());
  LNDocumentArray documents;
  Check(database.GetDocuments(&documents));
  for (uint32_t i = 0; i < documents.GetCount(); ++i) {
    // Every note viewed as an entry; only those with an entry's items answer as one.
    LNCalendarEntry note(documents[i]);
    if (contacts != nullptr && IsPersonForm(note.GetFormName())) {
      contacts->Add(note.GetNoteID(), note.GetItems());
    } else if (todos != nullptr) {
      Check(note.Open(0));
      if (IsSyncedEntry(note)) todos->Add(note.GetNoteID(), note.GetItems());
    }
  }
}

}  // namespace

void SnapshotNotes::Add(uint32_t id, const std::vector<LNItem>& items) {
  // By name, so that a save that moves an item changes nothing; an item without values reads as
  // a missing one.
  std::vector<const LNItem*> named;
  named.reserve(items.size());
  for (const LNItem& item : items) {
    if (!IsStamped(item.GetName())) named.push_back(&item);
  }
  std::stable_sort(named.begin(), named.end(), NameBefore);
  scratch_.clear();
  for (const LNItem* item : named) {
    const size_t start = scratch_.size();
    for (char c : item->GetName())
      scratch_ += Fold(c);
    scratch_ += '\x1d';
    bool any = false;
    ForEachValue(*item, [&](const auto& value) {
      Append(scratch_, value);
      scratch_ += '\x1f';
      any = true;
    });
    if (any) {
      scratch_ += '\x1e';
    } else {
      scratch_.resize(start);
    }
  }
  ids_.push_back(id);
  digests_.push_back(std::hash<std::string_view>()(scratch_));
}

void SnapshotNotes::clear() {
  ids_.clear();
  digests_.clear();
}

NotesSnapshot TakeSnapshot(const std::string& contacts_db, const std::string& calendar_db) {
  NotesSnapshot snapshot;
  // One session for both kinds: where they share a database, they share its connection.
  LNNotesSession session;
  const auto read = [&](const std::string& path, SnapshotNotes* contacts, SnapshotNotes* todos) {
    try {
      Check(session.Initialize());
      Read(session, path, contacts, todos);
    } catch (LNSTATUS) {
      if (contacts != nullptr) contacts->clear();
      if (todos != nullptr) todos->clear();
    }
  };
  if (contacts_db == calendar_db) {
    read(contacts_db, &snapshot.contacts, &snapshot.todos);
  } else {
    read(contacts_db, &snapshot.contacts, nullptr);
    read(calendar_db, nullptr, &snapshot.todos);
  }
  return snapshot;
}

Changes Compare(const SnapshotNotes& before, const SnapshotNotes& after) {
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
      if (before.digest(old) != after.digest(now)) ++changes.changed;
      ++old;
      ++now;
    }
  }
  return changes;
}

}  // namespace pim::cli
