#include "phone_entries.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <sstream>
#include <stdexcept>

#include "run_checks.h"

namespace pim::cli {
namespace {

const char* Begin(PhoneKind kind) {
  return kind == PhoneKind::kContact ? "VCARD" : "VTODO";
}
const char* StampField(PhoneKind kind) {
  return kind == PhoneKind::kContact ? "REV" : "LAST-MODIFIED";
}

// The lines of a text without their ends and the blanks around them, as the handler reads them.
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back())))
      line.remove_suffix(1);
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.front())))
      line.remove_prefix(1);
    lines.push_back(line);
  }
  return lines;
}

int Location(std::string_view luid) {
  int location = 0;
  for (char c : luid) {
    if (c < '0' || c > '9' || location > 100000000) location = -1;
    if (location < 0) break;
    location = location * 10 + (c - '0');
  }
  if (location <= 0) {
    throw std::runtime_error("the handler named a phone entry '" + std::string(luid) +
                             "', which is not a location of the phone's memory");
  }
  return location;
}

// A day of the dialect's time form, as a number that orders days; 0 when the text is none.
int DayOf(const std::string* time) {
  if (time == nullptr || time->size() != 16) return 0;
  int day = 0;
  for (size_t i = 0; i < 8; ++i) {
    if ((*time)[i] < '0' || (*time)[i] > '9') return 0;
    day = day * 10 + ((*time)[i] - '0');
  }
  return day;
}

}  // namespace

const std::string* PhoneEntry::Field(std::string_view name) const {
  for (const auto& [field, value] : fields) {
    if (field == name) return &value;
  }
  return nullptr;
}

void PhoneEntry::Set(std::string_view name, std::string value) {
  for (auto& [field, old] : fields) {
    if (field == name) {
      old = std::move(value);
      return;
    }
  }
  fields.emplace_back(name, std::move(value));
}

uint64_t PhoneEntry::Digest() const {
  std::vector<std::pair<std::string, std::string>> sorted = fields;
  std::sort(sorted.begin(), sorted.end());
  std::string text;
  for (const auto& [field, value] : sorted)
    text.append(field).append(1, '\x1f').append(value).append(1, '\x1e');
  return std::hash<std::string>()(text);
}

bool TakenBack(const PhoneEntry& todo, const CalendarRange& range) {
  const int start = DayOf(todo.Field("DTSTART"));
  const int first = (range.first.year * 100 + range.first.month) * 100 + range.first.day;
  const int last = (range.last.year * 100 + range.last.month) * 100 + range.last.day;
  return start != 0 && start == DayOf(todo.Field("DTEND")) && start >= first && start <= last;
}

std::vector<PhoneChange> ReadChangeFile(std::string_view text, PhoneKind kind) {
  std::vector<PhoneChange> changes;
  bool inside = false;
  bool luid_only = true;
  std::string luid;
  for (const std::string_view line : Lines(text)) {
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    const std::string_view name = line.substr(0, colon);
    std::string_view value = line.substr(colon + 1);
    while (!value.empty() && value.front() == ' ')
      value.remove_prefix(1);
    if (name == "BEGIN") {
      inside = value == Begin(kind);
      if (inside) {
        changes.emplace_back();
        luid.clear();
        luid_only = true;
      }
      continue;
    }
    if (!inside) continue;
    PhoneChange& change = changes.back();
    if (name == "END") {
      inside = false;
      change.kind = luid.empty() ? PhoneChange::kAdd
                    : luid_only  ? PhoneChange::kDelete
                                 : PhoneChange::kChange;
      if (!luid.empty()) change.entry.location = Location(luid);
    } else if (name == "X-VOQ-LUID") {
      luid = value;
    } else if (name == "VERSION") {
    } else if (name == StampField(kind)) {
      change.stamp = value;
      luid_only = false;
    } else {
      // The phone keeps no storage name and no repeat rule of a to-do.
      luid_only = false;
      if (name != "X-VOQ-PHB-STORAGE" && name != "RRULE")
        change.entry.Set(name, std::string(value));
    }
  }
  return changes;
}

std::string DialectTime(int64_t seconds) {
  const time_t t = static_cast<time_t>(seconds);
  std::tm local{};
  ::localtime_r(&t, &local);
  char text[80];
  std::snprintf(text, sizeof text, "%04d%02d%02dT%02d%02d%02dZ", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  return text;
}

PhoneMemory PhoneMemory::Parse(std::string_view text) {
  PhoneMemory memory;
  for (const std::string_view line : Lines(text)) {
    std::istringstream in{std::string(line)};
    std::string word;
    in >> word;
    if (word == "phone") {
      std::getline(in >> std::ws, memory.identity);
    } else if (word == "contact" || word == "todo") {
      int location = 0;
      Seen seen{};
      if (in >> location >> seen.digest >> seen.stamp) {
        memory.seen_[{word == "todo" ? 1 : 0, location}] = seen;
      }
    }
  }
  return memory;
}

std::string PhoneMemory::Text() const {
  std::string text = "phone " + identity + "\n";
  for (const auto& [key, seen] : seen_) {
    text += (key.first == 1 ? "todo " : "contact ") + std::to_string(key.second) + " " +
            std::to_string(seen.digest) + " " + seen.stamp + "\n";
  }
  return text;
}

const PhoneMemory::Seen* PhoneMemory::Find(PhoneKind kind, int location) const {
  const auto found = seen_.find({kind == PhoneKind::kTodo ? 1 : 0, location});
  return found != seen_.end() ? &found->second : nullptr;
}

std::string PhoneMemory::StampFor(PhoneKind kind, const PhoneEntry& entry,
                                  const std::string& now) const {
  const Seen* seen = Find(kind, entry.location);
  if (seen == nullptr) return now;
  if (seen->digest == entry.Digest()) return seen->stamp;
  // Changed: newer than what the store holds of it, which is at most the stamp last given, even
  // when the clock has not moved on since (the same text compares in the order of time).
  std::tm then{};
  if (std::sscanf(seen->stamp.c_str(), "%4d%2d%2dT%2d%2d%2d", &then.tm_year, &then.tm_mon,
                  &then.tm_mday, &then.tm_hour, &then.tm_min, &then.tm_sec) != 6) {
    return now;
  }
  then.tm_year -= 1900;
  then.tm_mon -= 1;
  then.tm_isdst = -1;
  const std::string later = DialectTime(static_cast<int64_t>(std::mktime(&then)) + 1);
  return std::max(now, later);
}

void PhoneMemory::Remember(PhoneKind kind, const PhoneEntry& entry, std::string stamp) {
  seen_[{kind == PhoneKind::kTodo ? 1 : 0, entry.location}] = {entry.Digest(), std::move(stamp)};
}

std::string PhoneRecordText(PhoneKind kind, const std::vector<PhoneEntry>& entries,
                            const std::vector<std::string>& stamps) {
  std::string text = kind == PhoneKind::kTodo ? "BEGIN:VCALENDAR\nVERSION:1.0\n" : "";
  for (size_t i = 0; i < entries.size(); ++i) {
    text += std::string("BEGIN:") + Begin(kind) + "\n";
    if (kind == PhoneKind::kContact) text += "VERSION:2.1\n";
    text += "X-VOQ-LUID:" + std::to_string(entries[i].location) + "\n";
    for (const auto& [field, value] : entries[i].fields)
      text += field + ":" + value + "\n";
    text += std::string(StampField(kind)) + ":" + stamps[i] + "\n";
    text += std::string("END:") + Begin(kind) + "\n";
  }
  if (kind == PhoneKind::kTodo) text += "END:VCALENDAR\n";
  return text;
}

std::string AnswerText(PhoneKind, const std::vector<int>& locations) {
  std::string text;
  for (int location : locations)
    text += "X-VOQ-LUID:" + std::to_string(location) + "\n";
  return text;
}

std::vector<PhoneJournal::Operation> PhoneJournal::Read() const {
  std::string text;
  std::vector<Operation> operations;
  if (!ReadWholeFile(path_, text)) return operations;
  for (const std::string_view line : Lines(text)) {
    std::istringstream in{std::string(line)};
    std::string word, kind;
    in >> word;
    if (word == "done") {
      int location = 0;
      if (in >> location && !operations.empty()) {
        operations.back().done = true;
        if (operations.back().change == PhoneChange::kAdd) operations.back().location = location;
      }
      continue;
    }
    Operation operation{};
    in >> kind;
    operation.kind = kind == "todo" ? PhoneKind::kTodo : PhoneKind::kContact;
    if (word == "add") {
      operation.change = PhoneChange::kAdd;
      in >> operation.digest;
    } else if (word == "change" || word == "delete") {
      operation.change = word == "change" ? PhoneChange::kChange : PhoneChange::kDelete;
      in >> operation.location;
    } else {
      continue;
    }
    if (in) operations.push_back(operation);
  }
  return operations;
}

void PhoneJournal::Append(const std::string& line) {
  const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  const bool written = fd >= 0 &&
                       ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size()) &&
                       ::fsync(fd) == 0;
  const int error = errno;
  if (fd >= 0) ::close(fd);
  if (!written) {
    throw std::runtime_error("cannot write the phone's journal " + path_ + ": " +
                             std::strerror(error) + "; the phone was not changed further");
  }
}

void PhoneJournal::Begin(const Operation& operation) {
  const char* kind = operation.kind == PhoneKind::kTodo ? "todo" : "contact";
  switch (operation.change) {
    case PhoneChange::kAdd:
      Append(std::string("add ") + kind + " " + std::to_string(operation.digest) + "\n");
      break;
    case PhoneChange::kChange:
      Append(std::string("change ") + kind + " " + std::to_string(operation.location) + "\n");
      break;
    case PhoneChange::kDelete:
      Append(std::string("delete ") + kind + " " + std::to_string(operation.location) + "\n");
      break;
  }
}

void PhoneJournal::Done(int location) {
  Append("done " + std::to_string(location) + "\n");
}

void PhoneJournal::Remove() {
  ::unlink(path_.c_str());
}

}  // namespace pim::cli
