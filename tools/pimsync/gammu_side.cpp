#include "gammu_side.h"

#include <algorithm>
#include <ctime>
#include <fstream>
#include <set>

#include "run_checks.h"
#include "staged_run.h"

namespace pim::cli {
namespace {

const char* Noun(PhoneKind kind) {
  return kind == PhoneKind::kContact ? "contact" : "to-do";
}

std::string NameOf(const PhoneEntry& entry) {
  for (const char* field : {"N", "SUMMARY", "ORG"}) {
    if (const std::string* value = entry.Field(field)) return *value;
  }
  return "";
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace

GammuSide::GammuSide(const GammuOptions& options, const std::string& store,
                     const CalendarRange& range)
    : phone_(options), range_(range), journal_(store + ".phone-journal") {
  std::string text;
  if (ReadWholeFile(MemoryPath(store), text)) memory_ = PhoneMemory::Parse(text);
  const std::string identity = phone_.Identity();
  if (!memory_.identity.empty() && memory_.identity != identity) {
    throw RunRefused("the phone is not the one " + store + " pairs: it is IMEI and memory " +
                     identity + ", the store's is " + memory_.identity + " (" + MemoryPath(store) +
                     " says so). A run would add every record again on " +
                     "each side. Nothing was changed; give the store of this phone.");
  }
  memory_.identity = identity;
  now_ = DialectTime(std::time(nullptr));
  for (Kind* kind : {&contacts_, &todos_})
    kind->read = phone_.Read(kind->kind);
  // Additions of a stopped run: each added entry that the store does not know yet is held back
  // for the addition it was made for. One that the journal does not say was done is looked for
  // by its fields.
  for (const PhoneJournal::Operation& operation : journal_.Read()) {
    if (operation.change != PhoneChange::kAdd) continue;
    Kind& kind = operation.kind == PhoneKind::kContact ? contacts_ : todos_;
    for (const PhoneEntry& entry : kind.read) {
      const bool held = std::any_of(kind.recovered.begin(), kind.recovered.end(),
                                    [&](const auto& r) { return r.second == entry.location; });
      const bool made = operation.done ? operation.location == entry.location
                                       : entry.Digest() == operation.digest;
      if (held || !made || memory_.Find(kind.kind, entry.location) != nullptr) continue;
      kind.recovered.emplace(operation.digest, entry.location);
      completed_.push_back("the " + std::string(Noun(kind.kind)) + " " + NameOf(entry) +
                           " that it added at location " + std::to_string(entry.location));
      break;
    }
  }
}

bool GammuSide::Shown(const Kind& kind, const PhoneEntry& entry) const {
  for (const auto& recovered : kind.recovered) {
    if (recovered.second == entry.location) return false;
  }
  return kind.kind == PhoneKind::kContact || TakenBack(entry, range_);
}

void GammuSide::WriteRecords(const Files& files) {
  for (Kind* kind : {&contacts_, &todos_}) {
    std::vector<PhoneEntry> shown;
    std::vector<std::string> stamps;
    for (const PhoneEntry& entry : kind->read) {
      kind->stamps[entry.location] = memory_.StampFor(kind->kind, entry, now_);
      if (!Shown(*kind, entry)) continue;
      shown.push_back(entry);
      stamps.push_back(kind->stamps[entry.location]);
    }
    WriteText(kind == &contacts_ ? files.contacts : files.todos,
              PhoneRecordText(kind->kind, shown, stamps));
  }
}

NotesSnapshot GammuSide::Snapshot(bool after) const {
  NotesSnapshot snapshot;
  for (const Kind* kind : {&contacts_, &todos_}) {
    std::vector<const PhoneEntry*> entries;
    if (after) {
      for (const auto& [location, entry] : kind->after)
        entries.push_back(&entry);
    } else {
      for (const PhoneEntry& entry : kind->read)
        entries.push_back(&entry);
    }
    std::sort(entries.begin(), entries.end(),
              [](const PhoneEntry* a, const PhoneEntry* b) { return a->location < b->location; });
    SnapshotNotes& notes = kind == &contacts_ ? snapshot.contacts : snapshot.todos;
    for (const PhoneEntry* entry : entries) {
      if (!after && !Shown(*kind, *entry)) continue;
      if (after && kind->kind == PhoneKind::kTodo && !TakenBack(*entry, range_)) continue;
      notes.Add({static_cast<uint32_t>(entry->location), {}, entry->Digest(), NameOf(*entry)});
    }
  }
  return snapshot;
}

NotesSnapshot GammuSide::Before() const {
  return Snapshot(false);
}

NotesSnapshot GammuSide::After() const {
  return Snapshot(true);
}

void GammuSide::Apply(const Files& files, bool write) {
  after_memory_ = PhoneMemory();
  after_memory_.identity = memory_.identity;
  Apply(contacts_, files.contact_changes, files.contact_answers, write);
  Apply(todos_, files.todo_changes, files.todo_answers, write);
}

void GammuSide::Apply(Kind& kind, const std::string& changes, const std::string& answers,
                      bool write) {
  std::string text;
  if (!ReadWholeFile(changes, text)) throw std::runtime_error("cannot read " + changes);
  kind.after.clear();
  for (const PhoneEntry& entry : kind.read)
    kind.after[entry.location] = entry;
  std::multimap<uint64_t, int> recovered = kind.recovered;
  std::vector<int> locations;
  std::set<int> touched;  // the entries this run added or changed
  const auto stamp = [&](const PhoneChange& change) {
    return change.stamp.size() == 16 ? change.stamp : now_;
  };
  int next = kind.after.empty() ? 1 : kind.after.rbegin()->first + 1;
  // Additions first: a phone gives a new entry the first free location, and one this run frees
  // would still be the LUID of the deleted record in the store the run saves, which pairs each
  // LUID once.
  std::vector<PhoneChange> ordered = ReadChangeFile(text, kind.kind);
  std::stable_partition(ordered.begin(), ordered.end(),
                        [](const PhoneChange& change) { return change.kind == PhoneChange::kAdd; });
  for (const PhoneChange& change : ordered) {
    if (change.kind == PhoneChange::kAdd) {
      PhoneEntry added = GammuPhone::Changed(kind.kind, {}, change.entry);
      const uint64_t digest = added.Digest();
      if (const auto found = recovered.find(digest); found != recovered.end()) {
        added = kind.after[found->second];
        recovered.erase(found);
      } else if (write) {
        wrote_ = true;
        journal_.Begin({kind.kind, PhoneChange::kAdd, 0, digest, false});
        added.location = phone_.Add(kind.kind, change.entry);
        // Stopped here, the phone holds the entry and the journal does not say where: the next
        // run finds it by its fields.
        KillPoint();
        journal_.Done(added.location);
        KillPoint();
        // What the phone kept of it: it may keep less than it was given.
        added = phone_.ReadOne(kind.kind, added.location);
      } else {
        added.location = next++;
      }
      next = std::max(next, added.location + 1);
      locations.push_back(added.location);
      touched.insert(added.location);
      after_memory_.Remember(kind.kind, added, stamp(change));
      kind.after[added.location] = std::move(added);
      continue;
    }
    const auto existing = kind.after.find(change.entry.location);
    // Gone from the phone already: nothing left to change or delete.
    if (existing == kind.after.end()) continue;
    if (write) {
      wrote_ = true;
      journal_.Begin({kind.kind, change.kind, change.entry.location, 0, false});
      if (change.kind == PhoneChange::kDelete) {
        phone_.Delete(kind.kind, change.entry.location);
      } else {
        phone_.Change(kind.kind, change.entry);
      }
      journal_.Done(change.entry.location);
      KillPoint();
    }
    if (change.kind == PhoneChange::kDelete) {
      kind.after.erase(existing);
    } else {
      existing->second = write ? phone_.ReadOne(kind.kind, change.entry.location)
                               : GammuPhone::Changed(kind.kind, existing->second, change.entry);
      touched.insert(change.entry.location);
      after_memory_.Remember(kind.kind, existing->second, stamp(change));
    }
  }
  // What a stopped run added for records that no longer come as additions (changed or gone
  // since) goes: the store pairs it with nothing.
  for (const auto& [digest, location] : recovered) {
    if (write) {
      wrote_ = true;
      journal_.Begin({kind.kind, PhoneChange::kDelete, location, 0, false});
      phone_.Delete(kind.kind, location);
      journal_.Done(location);
    }
    kind.after.erase(location);
  }
  // The others keep the stamps they were read with.
  for (const auto& [location, entry] : kind.after) {
    if (touched.count(location) == 0)
      after_memory_.Remember(kind.kind, entry, kind.stamps[location]);
  }
  WriteText(answers, AnswerText(kind.kind, locations));
}

}  // namespace pim::cli
