// The phone's part of a run with a real phone: it reads the phone into the phone record files,
// stamps each entry with the time of its last change as the host knows it, applies the change
// files (on the host's copy of the phone to preview them, then on the phone, each operation
// journaled first) and keeps beside the store what it saw of each entry and which phone it was.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "gammu_phone.h"
#include "notes_snapshot.h"
#include "phone_entries.h"

namespace pim::cli {

class GammuSide {
 public:
  struct Files {
    std::string contacts, todos;                // the phone record files, written here
    std::string contact_changes, todo_changes;  // read
    std::string contact_answers, todo_answers;  // written
  };

  // Connects, refuses a phone other than the one the store pairs, completes from the journal the
  // bookkeeping of a run that was stopped, and reads the phone.
  GammuSide(const GammuOptions& options, const std::string& store, const CalendarRange& range);

  int Capacity(PhoneKind kind) { return phone_.Capacity(kind); }
  void WriteRecords(const Files& files);
  // What the phone files hold, as the report counts records.
  NotesSnapshot Before() const;
  // The change files applied: with `write` on the phone too; writes the answer files.
  void Apply(const Files& files, bool write);
  // What the phone holds after Apply.
  NotesSnapshot After() const;
  // What the next run reads beside the store.
  std::string MemoryText() const { return after_memory_.Text(); }
  static std::string MemoryPath(const std::string& store) { return store + ".phone"; }
  // Whether Apply wrote to the phone.
  bool Wrote() const { return wrote_; }
  // After the commit: the journal's operations are in the store.
  void Committed() { journal_.Remove(); }
  // What the journal of a stopped run completed, in words; empty when there was none.
  const std::vector<std::string>& Completed() const { return completed_; }

 private:
  struct Kind {
    PhoneKind kind;
    std::vector<PhoneEntry> read;  // every entry, in the order read
    std::map<int, std::string> stamps;
    // Entries a stopped run added, by the digest of their fields: kept out of the phone file,
    // and given to the additions they were made for.
    std::multimap<uint64_t, int> recovered;
    std::map<int, PhoneEntry> after;
  };
  bool Shown(const Kind& kind, const PhoneEntry& entry) const;
  void Apply(Kind& kind, const std::string& changes, const std::string& answers, bool write);
  NotesSnapshot Snapshot(bool after) const;

  GammuPhone phone_;
  CalendarRange range_;
  PhoneMemory memory_;
  PhoneMemory after_memory_;
  PhoneJournal journal_;
  std::string now_;
  Kind contacts_{PhoneKind::kContact, {}, {}, {}, {}};
  Kind todos_{PhoneKind::kTodo, {}, {}, {}, {}};
  std::vector<std::string> completed_;
  bool wrote_ = false;
};

}  // namespace pim::cli
