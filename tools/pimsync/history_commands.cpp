// pimsync history and pimsync undo: the runs kept beside a store, and putting back the files as
// they were before the last of them.
#include <cstdio>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "command_line.h"
#include "run_checks.h"
#include "run_commands.h"
#include "run_history.h"
#include "staged_run.h"
#include "sync_run.h"

namespace pim::cli {
namespace {

constexpr char kHistoryUsage[] =
    "usage: pimsync history --store FILE\n"
    "\n"
    "Lists the runs kept in FILE.history, oldest first: when each ran, and what it changed on\n"
    "each side. pimsync undo puts back the files as they were before the last of them.\n";

std::string UndoUsage() {
  return "usage: pimsync undo --store FILE [--force] [--keep-history N]\n"
         "\n"
         "Puts the store, the Notes databases and the phone's database back as they were\n"
         "before the last run kept in FILE.history. The undo is kept there too: undo again to\n"
         "undo it.\n"
         "\n"
         "  --force             undo even though a file changed since that run (the changes go,\n"
         "                      but the undo keeps them in the history: undo it to get them back)\n"
         "  --keep-history N    keep the last N runs, this undo included (default " +
         std::to_string(kDefaultKeptRuns) +
         ";\n"
         "                      0 keeps none)\n";
}

constexpr OptionSpec kHistoryOptions[] = {{"--store", OptionSpec::kValue}};
constexpr OptionSpec kUndoOptions[] = {
    {"--store", OptionSpec::kValue},
    {"--force", OptionSpec::kFlag},
    {"--keep-history", OptionSpec::kValue},
};

std::string ChangesText(const Changes& changes) {
  return std::to_string(changes.added) + " added, " + std::to_string(changes.changed) +
         " changed, " + std::to_string(changes.deleted) + " deleted";
}

// What a run changed, as two indented lines.
std::string ChangesLines(const RunChanges& changes) {
  if (!changes.counted) return "  changes not counted\n";
  return "  contacts: Notes " + ChangesText(changes.contacts_notes) + "; phone " +
         ChangesText(changes.contacts_phone) + "\n  to-dos: Notes " +
         ChangesText(changes.todos_notes) + "; phone " + ChangesText(changes.todos_phone) + "\n";
}

std::string Described(const HistoryEntry& entry) {
  return "run " + entry.name + " (" + entry.kind +
         (entry.undid.empty() ? "" : " of run " + entry.undid) + ", " + LocalTimeText(entry.time) +
         ")";
}

// The path of the first file of `entry` with one of the roles, or empty.
std::string WithRole(const HistoryEntry& entry, std::initializer_list<const char*> roles) {
  for (const char* role : roles) {
    for (const KeptFile& file : entry.files) {
      if (file.role == role) return file.path;
    }
  }
  return "";
}

int ShowHistory(const ParsedArguments& parsed) {
  NoPlainArguments(parsed);
  const std::string& store = Required(parsed, "--store");
  const std::vector<HistoryEntry> entries = ListHistory(store);
  const std::string folder = HistoryFolder(store);
  if (entries.empty()) {
    std::printf("no run is kept for %s (in %s)\n", store.c_str(), folder.c_str());
    return kExitOk;
  }
  std::printf("runs kept in %s, oldest first:\n", folder.c_str());
  for (const HistoryEntry& entry : entries) {
    std::printf("%s  %s  %s%s\n%s", entry.name.c_str(), LocalTimeText(entry.time).c_str(),
                entry.kind.c_str(), entry.undid.empty() ? "" : (" of run " + entry.undid).c_str(),
                ChangesLines(entry.changes).c_str());
  }
  std::printf("'pimsync undo --store %s' puts back the files as they were before run %s\n",
              store.c_str(), entries.back().name.c_str());
  return kExitOk;
}

int Undo(const ParsedArguments& parsed) {
  NoPlainArguments(parsed);
  const std::string& store = Required(parsed, "--store");
  const int32_t keep = Number(parsed, "--keep-history", kDefaultKeptRuns);
  if (keep < 0) throw UsageError("--keep-history takes 0 or more");
  StoreLock lock(store);
  std::vector<HistoryEntry> entries = ListHistory(store);
  std::vector<std::string> paths;
  for (const HistoryEntry& entry : entries) {
    for (const KeptFile& file : entry.files)
      paths.push_back(file.path);
  }
  if (StagedRun::Recover(store, paths)) {
    std::fprintf(stderr,
                 "pimsync: the last run on %s was stopped after it had committed its changes; "
                 "they are now in place\n",
                 store.c_str());
    entries = ListHistory(store);
  }
  TidyHistory(store);
  if (entries.empty()) {
    throw RunRefused("there is nothing to undo: no run is kept for " + store + " (in " +
                     HistoryFolder(store) + ").");
  }
  const HistoryEntry& last = entries.back();
  // A real phone is not put back with the files: the store put back alone would pair what the
  // phone no longer holds as it did, and the next run would add again what that run added.
  for (const KeptFile& file : last.files) {
    if (file.role != "phone") continue;
    throw RunRefused(Described(last) + " changed a real phone, which undo cannot put back. " +
                     "Nothing was changed; change on the phone or in Notes what you want back, " +
                     "and sync again.");
  }
  std::vector<RunFile> databases;
  for (const KeptFile& file : last.files) {
    if (file.role != "--store" && file.role != "check") databases.push_back({"--phone", file.path});
  }
  DatabaseLocks locked(databases);
  const std::vector<std::string> changed = last.ChangedSince();
  if (!changed.empty() && !parsed.HasFlag("--force")) {
    std::string names;
    for (const std::string& path : changed)
      names += (names.empty() ? "" : ", ") + path;
    throw RunRefused(names + (changed.size() == 1 ? " has" : " have") + " changed since " +
                     Described(last) + ": undoing it would lose those changes. Nothing was " +
                     "changed; to undo it all the same, run again with --force.");
  }

  StagedRun staged(store, {});
  std::map<std::string, std::string> roles;
  for (size_t i = 0; i < last.files.size(); ++i) {
    const KeptFile& file = last.files[i];
    if (file.kept) {
      staged.Restore(file.path, last.KeptPath(i));
    } else {
      staged.Delete(file.path);
    }
    roles.emplace(WrittenPath(file.path), file.role);
  }
  // What the undo changes on each side: the files now, against the files put back.
  RunChanges changes;
  const std::string contacts = WithRole(last, {"--contacts"});
  const std::string calendar = WithRole(last, {"--calendar", "--contacts"});
  const std::string phone = WithRole(last, {"--phone"});
  changes.counted = !contacts.empty();
  const CalendarRange days = RecordedTodoRange(store, kHostCalendarRange);
  if (changes.counted) {
    const NotesSnapshot now = TakeSnapshot(contacts, calendar, days);
    const NotesSnapshot back =
        TakeSnapshot(staged.PathFor(contacts), staged.PathFor(calendar), days);
    changes.contacts_notes = Compare(now.contacts, back.contacts);
    changes.todos_notes = Compare(now.todos, back.todos);
  }
  if (changes.counted && !phone.empty()) {
    const NotesSnapshot now = TakeSnapshot(phone, phone, days);
    const NotesSnapshot back = TakeSnapshot(staged.PathFor(phone), staged.PathFor(phone), days);
    changes.contacts_phone = Compare(now.contacts, back.contacts);
    changes.todos_phone = Compare(now.todos, back.todos);
  }
  CommitKept(staged, store, "undo", roles, changes, keep, last.name);
  std::printf("undid %s: its files are as they were before it\n%s", Described(last).c_str(),
              ChangesLines(changes).c_str());
  return kExitOk;
}

}  // namespace

int RunHistoryCommand(std::span<const std::string> args) {
  return RunCommand("history", kHistoryUsage, kHistoryOptions, args, ShowHistory);
}

int RunUndoCommand(std::span<const std::string> args) {
  return RunCommand("undo", UndoUsage(), kUndoOptions, args, Undo);
}

}  // namespace pim::cli
