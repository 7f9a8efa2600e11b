#include "notes_snapshot.h"

#include <algorithm>
#include <cstring>
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

bool IsStamped(const LNString& name) {
  return std::any_of(std::begin(kStampedItems), std::end(kStampedItems),
                     [&](const char* stamped) { return SameNotesName(name, stamped); });
}

bool NameBefore(const LNItem* a, const LNItem* b) {
  return std::lexicographical_compare(
      a->GetName().begin(), a->GetName().end(), b->GetName().begin(), b->GetName().end(),
      [](char x, char y) { return FoldNotesName(x) < FoldNotesName(y); });
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
int DayOf(const CalendarDay& day) {
  return (day.year * 100 + day.month) * 100 + day.day;
}

// The first value of a text item, empty when there is none.
std::string TextOf(const std::vector<LNItem>& items, const char* name) {
  for (const LNItem& item : items) {
    if (!SameNotesName(item.GetName(), name)) continue;
    const auto* texts = item.Texts();
    return texts != nullptr && !texts->empty() ? texts->front() : std::string();
  }
  return "";
}

// A contact as a person knows it: first and last name, else the company.
std::string ContactName(const std::vector<LNItem>& items) {
  std::string name = TextOf(items, kFirstNameItem);
  const std::string last = TextOf(items, kLastNameItem);
  if (!last.empty()) name += (name.empty() ? "" : " ") + last;
  return name.empty() ? TextOf(items, kCompanyItem) : name;
}

enum class Fit { kNoEntry, kSynced, kOutsideRange, kSpansDays };

// Whether the retrieval takes a to-do: its start in the range, as the calendar places an entry,
// and its end on the same day, since the sync leaves out entries that span two. An entry whose
// range cannot be read is none.
Fit FitOf(const LNCalendarEntry& entry, const CalendarRange& days) {
  if (!LNCalendarEntry::IsCalendarEntry(entry)) return Fit::kNoEntry;
  LNDatetimeRange range;
  try {
    if (entry.GetDatetimeRange(&range) != LNNOERROR) return Fit::kNoEntry;
  } catch (LNSTATUS) {
    return Fit::kNoEntry;
  }
  const int start = DayOf(range.GetBegin());
  if (start < DayOf(days.first) || start > DayOf(days.last)) {
    return Fit::kOutsideRange;
  }
  return start == DayOf(range.GetEnd()) ? Fit::kSynced : Fit::kSpansDays;
}

// Walks the notes of an earlier look beside a read of the same database, both in ascending
// note IDs.
class Earlier {
 public:
  explicit Earlier(const SnapshotNotes* notes) : notes_(notes) {}

  // The earlier look's note with this ID, if it had one.
  const SnapshotNotes::Note* Find(uint32_t id) {
    if (notes_ == nullptr) return nullptr;
    while (at_ < notes_->size() && (*notes_)[at_].id < id)
      ++at_;
    return at_ < notes_->size() && (*notes_)[at_].id == id ? &(*notes_)[at_] : nullptr;
  }
  // The earlier look's note with this ID when it was saved last at `modified` then too.
  const SnapshotNotes::Note* Unchanged(uint32_t id, const LNDatetime& modified) {
    const SnapshotNotes::Note* note = Find(id);
    return note != nullptr && note->modified == modified ? note : nullptr;
  }

 private:
  const SnapshotNotes* notes_;
  size_t at_ = 0;
};

// The Person documents, the synced to-dos and the other notes of one database, in one read of
// it: where the contacts and the to-dos share a database, the report's look costs one pass.
void Read(LNNotesSession& session, const std::string& path, NotesSnapshot& into, bool read_contacts,
          bool read_todos, const CalendarRange& days, const NotesSnapshot* earlier) {
  LNDatabase database;
  Check(session.GetDatabase(path, &database));
  Check(database.Open());
  LNDocumentArray documents;
  Check(database.GetDocuments(&documents));
  Earlier earlier_contacts(earlier != nullptr ? &earlier->contacts : nullptr);
  Earlier earlier_todos(earlier != nullptr ? &earlier->todos : nullptr);
  Earlier earlier_others(earlier != nullptr ? &earlier->others : nullptr);
  for (uint32_t i = 0; i < documents.GetCount(); ++i) {
    // Every note viewed as an entry; only those with an entry's items answer as one.
    LNCalendarEntry note(documents[i]);
    Check(note.Open(0));
    const uint32_t id = note.GetNoteID();
    const LNDatetime modified = note.GetLastModified();
    if (read_contacts && IsPersonForm(note.GetFormName())) {
      const SnapshotNotes::Note* then = earlier_contacts.Find(id);
      if (then != nullptr && then->modified == modified) {
        into.contacts.Add(*then);
      } else {
        into.contacts.Add(id, modified, note.GetItems(), ContactName(note.GetItems()), true);
      }
    } else if (read_todos) {
      if (const auto* same = earlier_todos.Unchanged(id, modified)) {
        into.todos.Add(*same);
      } else if (const auto* other = earlier_others.Unchanged(id, modified)) {
        into.others.Add(*other);
      } else if (const Fit fit = FitOf(note, days); fit == Fit::kSynced) {
        into.todos.Add(id, modified, note.GetItems(), TextOf(note.GetItems(), kEntryBriefItem),
                       false);
      } else {
        into.others.Add({id, modified, 0, {}});
        if (fit != Fit::kNoEntry) {
          LNString brief;
          note.GetBriefDescription(&brief);
          (fit == Fit::kSpansDays ? into.spanning : into.outside).push_back(brief);
        }
      }
    }
  }
}

}  // namespace

void SnapshotNotes::Add(uint32_t id, const LNDatetime& modified, const std::vector<LNItem>& items,
                        std::string name, bool person) {
  // By name, so that a save that moves an item changes nothing; an item without values reads as
  // a missing one.
  // A note holds each name once, so the order by name is the same whatever sort makes it.
  named_.clear();
  for (const LNItem& item : items) {
    // Of a Person document, only the items a sync carries: a change to another one is no
    // change to the contact, and the phone never sees it.
    const bool counted = person ? IsSyncedPersonItem(item.GetName()) : !IsStamped(item.GetName());
    if (counted) named_.push_back(&item);
  }
  std::sort(named_.begin(), named_.end(), NameBefore);
  scratch_.clear();
  for (const LNItem* item : named_) {
    const size_t start = scratch_.size();
    for (char c : item->GetName())
      scratch_ += FoldNotesName(c);
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
  notes_.push_back({id, modified, std::hash<std::string_view>()(scratch_), std::move(name)});
}

NotesSnapshot TakeSnapshot(const std::string& contacts_db, const std::string& calendar_db,
                           const CalendarRange& days, const NotesSnapshot* earlier) {
  NotesSnapshot snapshot;
  // One session for both kinds: where they share a database, they share its connection.
  LNNotesSession session;
  const auto read = [&](const std::string& path, bool contacts, bool todos) {
    try {
      Check(session.Initialize());
      Read(session, path, snapshot, contacts, todos, days, earlier);
    } catch (LNSTATUS) {
      if (contacts) snapshot.contacts.clear();
      if (todos) {
        snapshot.todos.clear();
        snapshot.others.clear();
        snapshot.outside.clear();
        snapshot.spanning.clear();
      }
    }
  };
  if (contacts_db == calendar_db) {
    read(contacts_db, true, true);
  } else {
    read(contacts_db, true, false);
    read(calendar_db, false, true);
  }
  return snapshot;
}

Changes Compare(const SnapshotNotes& before, const SnapshotNotes& after) {
  Changes changes;
  const auto count = [](size_t& group, std::vector<std::string>& names, const std::string& name) {
    if (group++ < Changes::kNamed) names.push_back(name);
  };
  size_t old = 0;
  size_t now = 0;
  while (old < before.size() || now < after.size()) {
    if (now == after.size() || (old < before.size() && before[old].id < after[now].id)) {
      count(changes.deleted, changes.deleted_names, before[old].name);
      ++old;
    } else if (old == before.size() || after[now].id < before[old].id) {
      count(changes.added, changes.added_names, after[now].name);
      ++now;
    } else {
      if (before[old].digest != after[now].digest) {
        // An update may leave a phone's record without the fields that name it.
        count(changes.changed, changes.changed_names,
              after[now].name.empty() ? before[old].name : after[now].name);
      }
      ++old;
      ++now;
    }
  }
  return changes;
}

Changes Overruled(const SnapshotNotes& seen, const SnapshotNotes& before,
                  const SnapshotNotes& after) {
  Changes overruled;
  const auto count = [](size_t& group, std::vector<std::string>& names, const std::string& name) {
    if (group++ < Changes::kNamed) names.push_back(name);
  };
  Earlier then(&seen);
  Earlier now(&after);
  for (size_t i = 0; i < before.size(); ++i) {
    const SnapshotNotes::Note& note = before[i];
    const SnapshotNotes::Note* last = then.Find(note.id);
    if (last == nullptr || last->digest == note.digest) continue;
    const SnapshotNotes::Note* end = now.Find(note.id);
    if (end == nullptr) {
      count(overruled.deleted, overruled.deleted_names, note.name);
    } else if (end->digest != note.digest) {
      count(overruled.changed, overruled.changed_names, note.name);
    }
  }
  return overruled;
}

namespace {

constexpr std::string_view kLastLookHead = "pimsync last look 1\n";

void Put(std::string& bytes, const SnapshotNotes& notes) {
  AppendBytes(bytes, static_cast<uint32_t>(notes.size()));
  for (size_t i = 0; i < notes.size(); ++i)
    AppendBytes(bytes, notes[i].id, notes[i].digest);
}

bool Take(std::string_view& bytes, SnapshotNotes& notes) {
  const auto take = [&](auto& value) {
    if (bytes.size() < sizeof value) return false;
    std::memcpy(&value, bytes.data(), sizeof value);
    bytes.remove_prefix(sizeof value);
    return true;
  };
  uint32_t count = 0;
  if (!take(count) || bytes.size() / (sizeof(uint32_t) + sizeof(uint64_t)) < count) return false;
  for (uint32_t i = 0; i < count; ++i) {
    SnapshotNotes::Note note{};
    take(note.id);
    take(note.digest);
    // In ascending note IDs, as every look keeps them.
    if (notes.size() > 0 && notes[notes.size() - 1].id >= note.id) return false;
    notes.Add(note);
  }
  return true;
}

}  // namespace

std::string LastLookBytes(const NotesSnapshot& notes, const NotesSnapshot& phone) {
  std::string bytes(kLastLookHead);
  for (const NotesSnapshot* side : {&notes, &phone}) {
    Put(bytes, side->contacts);
    Put(bytes, side->todos);
  }
  return bytes;
}

LastLook ReadLastLook(std::string_view bytes) {
  LastLook look;
  if (bytes.substr(0, kLastLookHead.size()) != kLastLookHead) return {};
  bytes.remove_prefix(kLastLookHead.size());
  for (NotesSnapshot* side : {&look.notes, &look.phone}) {
    if (!Take(bytes, side->contacts) || !Take(bytes, side->todos)) return {};
  }
  return bytes.empty() ? look : LastLook{};
}

}  // namespace pim::cli
