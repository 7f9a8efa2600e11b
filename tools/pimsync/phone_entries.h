// A real phone's records as the host holds them between the phone and the handler: each entry
// of the phone's memory by its location, with its fields in the handler's phone dialect; the
// phone record files made of them, the change files read into operations on them, what the
// host remembers of each entry between runs, and the journal of the operations a run makes.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "notes/sync_scope.h"

namespace pim::cli {

enum class PhoneKind { kContact, kTodo };

// An entry as the handler's dialect names its fields: "N", "TEL;CELL;VOICE", ... for a contact,
// "SUMMARY", "DTSTART", ... for a to-do. The time of the last change is not a field: the host
// stamps it (see PhoneMemory).
struct PhoneEntry {
  int location = 0;
  std::vector<std::pair<std::string, std::string>> fields;

  const std::string* Field(std::string_view name) const;
  // Replaces the field's value, or adds the field.
  void Set(std::string_view name, std::string value);
  // Of the fields, whatever their order.
  uint64_t Digest() const;
};

// Whether the handler would take a to-do back from Notes: one that starts and ends on one day of
// the range. Others stay off the phone file, or the next run would delete them on the phone.
bool TakenBack(const PhoneEntry& todo, const CalendarRange& range);

// One record of a change file: a new entry (no location), the fields to set on an entry (an
// empty value clears the field), or the deletion of an entry.
struct PhoneChange {
  enum Kind { kAdd, kChange, kDelete };
  Kind kind = kAdd;
  PhoneEntry entry;   // location 0 for kAdd
  std::string stamp;  // the record's REV or LAST-MODIFIED, as given; empty when it has none
};

// The records of a change file, in order. Throws std::runtime_error for a LUID that is not a
// location.
std::vector<PhoneChange> ReadChangeFile(std::string_view text, PhoneKind kind);

// The time of a run as the dialect writes it: YYYYMMDDTHHMMSSZ, local time.
std::string DialectTime(int64_t seconds);

// What the host knew of each entry at the end of the last run, kept beside the store: a digest
// of its fields and the stamp it gave the entry. An entry whose fields are unchanged keeps its
// stamp; a changed or new one gets the time of the run, so that the handler takes it for the
// newer side.
class PhoneMemory {
 public:
  struct Seen {
    uint64_t digest;
    std::string stamp;
  };

  // The phone the memory is of (its IMEI and memory), empty when none is known.
  std::string identity;

  static PhoneMemory Parse(std::string_view text);
  std::string Text() const;

  // The stamp for an entry as the phone holds it now.
  std::string StampFor(PhoneKind kind, const PhoneEntry& entry, const std::string& now) const;
  void Remember(PhoneKind kind, const PhoneEntry& entry, std::string stamp);
  const Seen* Find(PhoneKind kind, int location) const;

 private:
  std::map<std::pair<int, int>, Seen> seen_;  // by kind, location
};

// The phone record file of entries: X-VOQ-LUID is the location, and each entry carries its stamp.
std::string PhoneRecordText(PhoneKind kind, const std::vector<PhoneEntry>& entries,
                            const std::vector<std::string>& stamps);

// The LUID answer file for the locations of the added entries, in change-file order.
std::string AnswerText(PhoneKind kind, const std::vector<int>& locations);

// Each phone operation is written here before it is made, and its end after: a run stopped
// between the two leaves the journal, and the next run completes the bookkeeping from it
// instead of making the operation twice.
class PhoneJournal {
 public:
  struct Operation {
    PhoneKind kind;
    PhoneChange::Kind change;
    int location = 0;     // the entry changed or deleted, or the one an addition made
    uint64_t digest = 0;  // an addition's entry
    bool done = false;
  };

  explicit PhoneJournal(std::string path) : path_(std::move(path)) {}
  // The operations of a journal left by a stopped run; none when there is no journal.
  std::vector<Operation> Read() const;
  // Writes the operation to the disk before the phone is told.
  void Begin(const Operation& operation);
  void Done(int location);
  void Remove();
  const std::string& path() const { return path_; }

 private:
  void Append(const std::string& line);
  std::string path_;
};

}  // namespace pim::cli
