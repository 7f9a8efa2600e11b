#include "sync_run.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "gammu_side.h"
#include "handler_library.h"
#include "notes_snapshot.h"
#include "run_checks.h"
#include "run_history.h"
#include "staged_run.h"

namespace pim::cli {
namespace {

// Ctrl-C (SIGINT) or SIGTERM, caught during a run: the run stops at its next step, or, once its
// changes are being put in place, finishes that and then stops.
volatile std::sig_atomic_t g_stop_signal = 0;

void OnStopSignal(int signal) {
  g_stop_signal = signal;
}

class StopSignals {
 public:
  StopSignals() {
    g_stop_signal = 0;
    struct sigaction catching {};
    catching.sa_handler = &OnStopSignal;
    catching.sa_flags = SA_RESTART;
    sigemptyset(&catching.sa_mask);
    ::sigaction(SIGINT, &catching, &old_int_);
    ::sigaction(SIGTERM, &catching, &old_term_);
  }
  ~StopSignals() {
    ::sigaction(SIGINT, &old_int_, nullptr);
    ::sigaction(SIGTERM, &old_term_, nullptr);
  }
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

 private:
  struct sigaction old_int_ {};
  struct sigaction old_term_ {};
};

// Where the two instances' message boxes and debug output go as they happen.
const char* g_role = "handler";
bool g_debug = false;

int PrintBox(void*, const char* text, const char* caption, unsigned int) {
  std::fprintf(stderr, "%s: message: %s%s%s\n", g_role, caption ? caption : "Error",
               caption && !*caption ? "" : ": ", text ? text : "");
  std::fflush(stderr);
  return 1;  // IDOK
}

void PrintDebug(const char* text) {
  std::fprintf(stderr, "%s: debug: %s\n", g_role, text ? text : "");
}

void Hook(HandlerLibrary& library) {
  PIM_ENTRY(library, PIMPlatform_SetMessageBoxHook)(&PrintBox);
  PIM_ENTRY(library, PIMPlatform_SetDebugOutputHook)(g_debug ? &PrintDebug : nullptr);
}

}  // namespace

void SetTodoRange(HandlerLibrary& library, const CalendarRange& range) {
  if (PIM_ENTRY(library, PIMHandler_SetCalendarRange)(CalendarDayText(range.first).c_str(),
                                                      CalendarDayText(range.last).c_str()) != 0) {
    throw std::runtime_error("the handler library refused the to-do range " + RangeText(range));
  }
}

std::string RangeText(const CalendarRange& range) {
  return CalendarDayText(range.first) + ".." + CalendarDayText(range.last);
}

namespace {

// The files the two sides exchange, named after what each is.
struct ExchangeFiles {
  explicit ExchangeFiles(const std::string& dir)
      : phone_contacts(dir + "/phone-contacts.vcf"),
        phone_todos(dir + "/phone-todos.vcs"),
        contact_changes(dir + "/changes-contacts.vcf"),
        todo_changes(dir + "/changes-todos.vcs"),
        contact_answers(dir + "/answers-contacts.vcf"),
        todo_answers(dir + "/answers-todos.vcs") {}
  std::string phone_contacts, phone_todos, contact_changes, todo_changes, contact_answers,
      todo_answers;
};

// Closes every descriptor above standard error but `a` and `b`.
void CloseAllBut(int a, int b) {
  const unsigned low = static_cast<unsigned>(std::min(a, b));
  const unsigned high = static_cast<unsigned>(std::max(a, b));
  if (low > 3) ::close_range(3, low - 1, 0);
  if (high > low + 1) ::close_range(low + 1, high - 1, 0);
  ::close_range(high + 1, ~0U, 0);
}

void WriteAll(int fd, const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    p += n;
    size -= static_cast<size_t>(n);
  }
}

bool ReadAll(int fd, void* data, size_t size) {
  char* p = static_cast<char*>(data);
  while (size > 0) {
    const ssize_t n = ::read(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

constexpr int32_t kPhoneLost = -1;  // the phone process failed before it could answer

// The fake phone: a child process with its own instance of the library. It writes the phone
// record files at once, then waits for the word to apply the change files.
class PhoneProcess {
 public:
  PhoneProcess(const SyncOptions& options, const std::string& library, const ExchangeFiles& files) {
    int to_phone[2];
    int from_phone[2];
    if (::pipe2(to_phone, O_CLOEXEC) != 0 || ::pipe2(from_phone, O_CLOEXEC) != 0) {
      throw std::runtime_error(std::string("cannot start the phone: ") + std::strerror(errno));
    }
    std::fflush(nullptr);
    const pid_t host = ::getpid();
    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error(std::string("cannot fork: ") + std::strerror(errno));
    if (pid_ == 0) {
      // The phone goes with its host: one left behind would hold the database locks it was
      // born with, and write on into a copy that the next run removes.
      ::prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (::getppid() != host) ::_exit(1);
      ::close(to_phone[1]);
      ::close(from_phone[0]);
      // Nor does it hold the host's locks, which would outlive a killed host with it. A Ctrl-C
      // reaches it too: the host decides when the phone stops.
      CloseAllBut(to_phone[0], from_phone[1]);
      ::signal(SIGINT, SIG_IGN);
      ::signal(SIGTERM, SIG_IGN);
      ::_exit(Serve(options, library, files, to_phone[0], from_phone[1]));
    }
    ::close(to_phone[0]);
    ::close(from_phone[1]);
    to_phone_ = to_phone[1];
    from_phone_ = from_phone[0];
  }

  ~PhoneProcess() {
    if (to_phone_ >= 0) ::close(to_phone_);
    if (from_phone_ >= 0) ::close(from_phone_);
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
  }
  PhoneProcess(const PhoneProcess&) = delete;
  PhoneProcess& operator=(const PhoneProcess&) = delete;

  int32_t Answer() {
    int32_t result = kPhoneLost;
    if (!ReadAll(from_phone_, &result, sizeof result)) return kPhoneLost;
    return result;
  }
  void Tell(char word) { WriteAll(to_phone_, &word, 1); }

 private:
  static int Serve(const SyncOptions& options, const std::string& library,
                   const ExchangeFiles& files, int in, int out) {
    g_role = "phone";
    try {
      HandlerLibrary phone(library);
      Hook(phone);
      SetTodoRange(phone, options.todo_range);
      const std::string& db = options.phone_db;
      PIM_ENTRY(phone, PIMHandler_Prepare)
      (options.mode, options.contact_limit, options.calendar_limit, db.c_str(), "", "", db.c_str(),
       "");
      const int32_t init = PIM_ENTRY(phone, PIMHandler_InitAsFakePhone)(
          files.phone_contacts.c_str(), files.phone_todos.c_str());
      WriteAll(out, &init, sizeof init);
      char word = 0;
      if (!ReadAll(in, &word, 1) || word != 's') {
        PIM_ENTRY(phone, PIMHandler_DeinitAsFakePhone)();
        return 0;
      }
      const int32_t results[2] = {PIM_ENTRY(phone, PIMHandler_SyncCardAsFakePhone)(
                                      files.contact_changes.c_str(), files.contact_answers.c_str()),
                                  PIM_ENTRY(phone, PIMHandler_SyncCalAsFakePhone)(
                                      files.todo_changes.c_str(), files.todo_answers.c_str())};
      WriteAll(out, results, sizeof results);
      // The changes are in the database: the handler goes on while the session ends (which
      // checkpoints the database's journal into its file).
      const int32_t ended = PIM_ENTRY(phone, PIMHandler_DeinitAsFakePhone)();
      WriteAll(out, &ended, sizeof ended);
      return 0;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "pimsync: phone: %s\n", e.what());
      return 1;
    }
  }

  pid_t pid_ = -1;
  int to_phone_ = -1;
  int from_phone_ = -1;
};

struct Step {
  const char* name;
  int32_t result;
};

// What a step does, as a person says it.
const char* InWords(std::string_view step) {
  static constexpr std::pair<std::string_view, const char*> kWords[] = {
      {"PIMHandler_Init", "starting Notes"},
      {"PIMHandler_Prepare", "taking the run's settings"},
      {"PIMHandler_QueryObjectCount", "counting the records of Notes"},
      {"PIMHandler_RetrievePIM", "reading Notes and the store"},
      {"PIMHandler_InitAsFakePhone", "reading the phone"},
      {"PIMHandler_SyncVCard", "comparing the contacts"},
      {"PIMHandler_SyncVCal", "comparing the to-dos"},
      {"PIMHandler_SyncCardAsFakePhone", "changing the contacts on the phone"},
      {"PIMHandler_SyncCalAsFakePhone", "changing the to-dos on the phone"},
      {"PIMHandler_DeinitAsFakePhone", "ending the phone's session"},
      {"PIMHandler_UpdatePIM", "changing Notes"},
      {"PIMHandler_UpdateVCardLUID", "recording the phone's new contacts"},
      {"PIMHandler_UpdateVCalLUID", "recording the phone's new to-dos"},
      {"the phone", "changing the phone"}};
  for (const auto& [name, words] : kWords) {
    if (name == step) return words;
  }
  return "a step of the run";
}

// The first of the names of a group of `total` records, and how many more there are.
std::string FirstOf(const std::vector<std::string>& names, size_t total, const char* unnamed) {
  std::string text;
  for (size_t i = 0; i < names.size() && i < Changes::kNamed; ++i)
    text += (i > 0 ? ", " : "") + (names[i].empty() ? std::string(unnamed) : names[i]);
  if (total > Changes::kNamed) text += ", " + std::to_string(total - Changes::kNamed) + " more";
  return text;
}

// The records a run added, changed and deleted on one side, by name.
void PrintNames(const Changes& changes, const char* unnamed) {
  for (const auto& [group, count, names] :
       {std::tuple{"added", changes.added, &changes.added_names},
        std::tuple{"changed", changes.changed, &changes.changed_names},
        std::tuple{"deleted", changes.deleted, &changes.deleted_names}}) {
    if (count > 0) std::printf("    %s: %s\n", group, FirstOf(*names, count, unnamed).c_str());
  }
}

// A side's records as the last run left them, before this run, and after it.
struct Looks {
  const SnapshotNotes& seen;
  const SnapshotNotes& before;
  const SnapshotNotes& after;
};

// The records changed on both sides since the last run, and which side's change won.
void PrintConflicts(const char* unnamed, const Looks& notes, const Looks& phone) {
  const Changes notes_lost = Overruled(notes.seen, notes.before, notes.after);
  const Changes phone_lost = Overruled(phone.seen, phone.before, phone.after);
  const size_t count =
      notes_lost.changed + notes_lost.deleted + phone_lost.changed + phone_lost.deleted;
  if (count == 0) return;
  std::printf("  changed on both sides since the last run: %zu\n", count);
  for (const auto& [lost, won, names] :
       {std::tuple{notes_lost.changed, "the phone's change won over Notes'",
                   &notes_lost.changed_names},
        std::tuple{notes_lost.deleted, "the phone's deletion won over Notes' change",
                   &notes_lost.deleted_names},
        std::tuple{phone_lost.changed, "Notes' change won over the phone's",
                   &phone_lost.changed_names},
        std::tuple{phone_lost.deleted, "Notes' deletion won over the phone's change",
                   &phone_lost.deleted_names}}) {
    if (lost > 0) std::printf("    %s: %s\n", won, FirstOf(*names, lost, unnamed).c_str());
  }
}

void PrintKind(const char* kind, const char* unnamed, const Looks& notes_looks,
               const Looks& phone_looks) {
  const SnapshotNotes& notes_before = notes_looks.before;
  const SnapshotNotes& notes_after = notes_looks.after;
  const SnapshotNotes& phone_before = phone_looks.before;
  const SnapshotNotes& phone_after = phone_looks.after;
  const Changes notes = Compare(notes_before, notes_after);
  const Changes phone = Compare(phone_before, phone_after);
  std::printf("%s\n", kind);
  std::printf("  Notes: %zu before, %zu after: %zu added, %zu changed, %zu deleted\n",
              notes_before.size(), notes_after.size(), notes.added, notes.changed, notes.deleted);
  PrintNames(notes, unnamed);
  std::printf("  phone: %zu before, %zu after: %zu added, %zu changed, %zu deleted\n",
              phone_before.size(), phone_after.size(), phone.added, phone.changed, phone.deleted);
  PrintNames(phone, unnamed);
  PrintConflicts(unnamed, notes_looks, phone_looks);
}

// The records in a phone record file: its lines that begin one.
uint32_t CountRecords(const std::string& path, std::string_view begin) {
  std::string text;
  if (!ReadWholeFile(path, text)) return 0;
  uint32_t count = 0;
  for (size_t at = text.find(begin); at != std::string::npos; at = text.find(begin, at + 1)) {
    if (at == 0 || text[at - 1] == '\n') ++count;
  }
  return count;
}

// Why a phone pass of one kind moved nothing: what each side holds against the limit.
std::string OverLimit(uint32_t in_notes, uint32_t on_phone, const std::string& kind, int32_t limit,
                      const char* option) {
  return "Notes holds " + std::to_string(in_notes) + " " + kind + "s and the phone " +
         std::to_string(on_phone) + "; the " + kind + " limit is " + std::to_string(limit) +
         " (raise it with " + option + ").";
}

// The to-dos Notes holds that the run left out, and why.
void PrintLeftOut(const NotesSnapshot& notes, const CalendarRange& range) {
  if (notes.outside.empty() && notes.spanning.empty()) return;
  std::printf("to-dos in Notes that the run left out\n");
  if (!notes.outside.empty()) {
    std::printf("  %zu outside %s: %s\n", notes.outside.size(), RangeText(range).c_str(),
                FirstOf(notes.outside, notes.outside.size(), "(no brief)").c_str());
  }
  if (!notes.spanning.empty()) {
    std::printf("  %zu spanning two days: %s\n", notes.spanning.size(),
                FirstOf(notes.spanning, notes.spanning.size(), "(no brief)").c_str());
  }
}

// What a side held before the run and what the run deleted from it, contacts and to-dos.
struct SideCount {
  size_t held;
  size_t deleted;
};

SideCount CountSide(const NotesSnapshot& before, const NotesSnapshot& after) {
  return {before.contacts.size() + before.todos.size(),
          Compare(before.contacts, after.contacts).deleted +
              Compare(before.todos, after.todos).deleted};
}

// Refuses a run that empties a side or deletes much of it: more often an accident than a wish.
void GuardDeletions(const SyncOptions& options, bool store_pairs, const SideCount& notes,
                    const SideCount& phone) {
  const std::string notes_side = "Notes (" + options.contacts_db + ")";
  const std::string phone_side =
      options.gammu ? "the phone" : "the phone (" + options.phone_db + ")";
  const char* again = " Nothing was changed; if that is what you want, run again with --force.";
  for (const auto& [side, count] : {std::pair{&notes_side, notes}, std::pair{&phone_side, phone}}) {
    if (store_pairs && count.held == 0) {
      throw RunRefused(*side + " holds no records, but the store pairs records with it: it was " +
                       "emptied since the last run, and the run would delete them on the other " +
                       "side too." + again);
    }
    const bool counted = !options.max_delete_percent || count.held >= kGuardedFrom;
    const size_t allowed = options.max_delete_percent
                               ? count.held * static_cast<size_t>(options.max_delete) / 100
                               : static_cast<size_t>(options.max_delete);
    if (counted && count.deleted > allowed) {
      throw RunRefused("the run would delete " + std::to_string(count.deleted) + " of the " +
                       std::to_string(count.held) + " records of " + *side + ", more than " +
                       "--max-delete allows (" + std::to_string(options.max_delete) +
                       (options.max_delete_percent ? "%" : "") + ")." + again);
    }
  }
}

// Beside the store: what the last run saw of each record at its end, by which the next one
// knows the records changed on both sides since.
std::string LastLookPath(const std::string& store) {
  return store + ".last-look";
}

// The files a run may have copied: its own, the store's check and the last look.
std::vector<std::string> RunPaths(const std::vector<RunFile>& files) {
  std::vector<std::string> paths;
  for (const RunFile& file : files) {
    paths.push_back(file.path);
    if (file.IsStore()) {
      paths.push_back(StoreCheckPath(file.path));
      paths.push_back(LastLookPath(file.path));
      paths.push_back(GammuSide::MemoryPath(file.path));
    }
  }
  return paths;
}

// The store a run saved: the text of its check file, and its permission bits.
struct SavedStore {
  std::string check;
  mode_t mode;
};

// None when the run saved no store.
std::optional<SavedStore> CheckSaved(const std::string& store) {
  struct stat st {};
  if (::stat(store.c_str(), &st) != 0) return std::nullopt;
  std::string bytes;
  if (!ReadWholeFile(store, bytes)) {
    throw std::runtime_error("cannot read the store the run saved, " + store +
                             "; nothing was changed");
  }
  return SavedStore{StoreCheckText(bytes), st.st_mode & 07777};
}

}  // namespace

int RunSync(SyncOptions options) {
  const std::string library =
      options.library.empty() ? HandlerLibrary::DefaultPath() : options.library;
  g_debug = options.debug;

  std::vector<RunFile> databases = {{"--contacts", options.contacts_db}};
  if (!options.gammu) databases.push_back({"--phone", options.phone_db});
  if (!options.calendar_db.empty()) databases.push_back({"--calendar", options.calendar_db});
  std::vector<RunFile> all = databases;
  all.push_back({"--store", options.store});
  CheckDistinctFiles(all);
  CheckDatabasesExist(databases);
  StopSignals signals;
  StoreLock lock(options.store);
  DatabaseLocks database_locks(databases);
  // The phone holds the to-dos of the last run's days: a run that took fewer would delete the
  // others there.
  const CalendarRange recorded = RecordedTodoRange(options.store, options.todo_range);
  if (!options.force &&
      (options.todo_range.first > recorded.first || options.todo_range.last < recorded.last)) {
    throw RunRefused("the run would take the to-dos of " + RangeText(options.todo_range) +
                     ", fewer days than the last run on " + options.store + " took (" +
                     RangeText(recorded) + "): the to-dos of the days left out would be " +
                     "deleted on the phone. Nothing was changed; give --todo-range " +
                     RangeText(recorded) + ", or run again with --force to narrow it.");
  }
  if (options.dry_run && StagedRun::Interrupted(options.store)) {
    throw RunRefused("a run on " + options.store + " was stopped after it had committed its " +
                     "changes: run pimsync sync without --dry-run to put them in place first. " +
                     "Nothing was changed.");
  }
  if (!options.dry_run && StagedRun::Recover(options.store, RunPaths(all))) {
    std::fprintf(stderr,
                 "pimsync: the last run on %s was stopped after it had committed its changes; "
                 "they are now in place\n",
                 options.store.c_str());
  }
  if (!options.dry_run) TidyHistory(options.store);
  // An empty store holds its word and two counts of nothing.
  struct stat store_st {};
  const bool store_pairs = ::stat(options.store.c_str(), &store_st) == 0 && store_st.st_size > 8;
  // The run works on copies; the files given change only at its end, all together. The store
  // is checked while they are made.
  ExchangeDir dir(options.keep_dir);
  HandlerLibrary handler(library);
  std::exception_ptr store_refused;
  // What the databases say of themselves is read beside the copies too.
  RunDatabases paired;
  LastLook last_look;
  std::thread store_check([&] {
    try {
      if (std::string bytes; options.report && ReadWholeFile(LastLookPath(options.store), bytes))
        last_look = ReadLastLook(bytes);
      paired = ReadDatabases(databases);
      CheckStore(handler, options.store, paired);
    } catch (...) {
      store_refused = std::current_exception();
    }
  });
  std::optional<StagedRun> copies;
  std::exception_ptr not_copied;
  try {
    copies.emplace(options.store, all, options.dry_run ? dir.path() : "");
  } catch (...) {
    not_copied = std::current_exception();
  }
  store_check.join();
  // A store that cannot be copied is one that cannot be read: the check says it better.
  if (store_refused) std::rethrow_exception(store_refused);
  if (not_copied) std::rethrow_exception(not_copied);
  StagedRun& staged = *copies;
  // A real phone is read before anything else moves: it may be the wrong one, or not answer.
  std::optional<GammuSide> gammu;
  if (options.gammu) {
    gammu.emplace(options.gammu_options, options.store, options.todo_range);
    for (const std::string& done : gammu->Completed()) {
      std::fprintf(stderr,
                   "pimsync: the last run was stopped after it changed the phone; "
                   "this run completed what it began: %s\n",
                   done.c_str());
    }
    if (options.contact_limit < 0) options.contact_limit = gammu->Capacity(PhoneKind::kContact);
    if (options.calendar_limit < 0) options.calendar_limit = gammu->Capacity(PhoneKind::kTodo);
  }
  SyncOptions paths = options;
  paths.contacts_db = staged.PathFor(options.contacts_db);
  if (!options.gammu) paths.phone_db = staged.PathFor(options.phone_db);
  if (!options.calendar_db.empty()) paths.calendar_db = staged.PathFor(options.calendar_db);
  paths.store = staged.PathFor(options.store);
  const std::string calendar_db = paths.calendar_db.empty() ? paths.contacts_db : paths.calendar_db;
  const ExchangeFiles files(dir.path());
  const GammuSide::Files gammu_files{files.phone_contacts,  files.phone_todos,
                                     files.contact_changes, files.todo_changes,
                                     files.contact_answers, files.todo_answers};
  if (gammu) gammu->WriteRecords(gammu_files);

  std::vector<Step> steps;
  bool stopped = false;
  // What each side holds, as the handler counts Notes and as the phone lists its memory.
  struct Held {
    uint32_t notes_contacts = 0, notes_todos = 0, phone_contacts = 0, phone_todos = 0;
  } held;
  bool over_contacts = false;
  bool over_todos = false;
  NotesSnapshot notes_before;
  NotesSnapshot phone_before;
  // The first looks read the files given, which the run never writes: nothing waits for them
  // until a second look compares with them. Declared first: the second looks wait on them.
  std::promise<NotesSnapshot> phone_first;
  std::future<NotesSnapshot> phone_looked = phone_first.get_future();
  std::future<NotesSnapshot> notes_looked;
  // The first look at Notes, taken once, by whichever step needs it first.
  const auto take_notes_before = [&] {
    if (notes_looked.valid()) notes_before = notes_looked.get();
  };
  // The second looks, each taken as soon as its database has had its last change.
  std::future<NotesSnapshot> notes_after;
  std::future<std::optional<SavedStore>> saved_store;
  std::optional<NotesSnapshot> phone_after;
  std::optional<NotesSnapshot> notes_early;  // with a real phone: Notes before the phone moves
  // The second looks read again only what the first saw saved since.
  const auto look = [&](const std::string& contacts, const std::string& calendar,
                        const NotesSnapshot* earlier) {
    return options.report ? TakeSnapshot(contacts, calendar, options.todo_range, earlier)
                          : NotesSnapshot();
  };
  const auto look_at_notes = [&](const NotesSnapshot* earlier) {
    return look(paths.contacts_db, calendar_db, earlier);
  };
  const auto look_at_phone = [&](const NotesSnapshot* earlier) {
    return look(paths.phone_db, paths.phone_db, earlier);
  };
  {
    // The phone starts first, so that it reads its memory while this process reads Notes, and
    // the first looks run beside them. The fork comes before any thread starts.
    std::optional<PhoneProcess> fake;
    if (!gammu) fake.emplace(paths, library, files);
    // At the lowest priority: the looks take what the two sides leave of the processors. The
    // phone's comes first, as its second look is the first to be taken.
    notes_looked = std::async(std::launch::async, [&] {
      ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 19);
      try {
        phone_first.set_value(gammu ? gammu->Before()
                                    : look(options.phone_db, options.phone_db, nullptr));
      } catch (...) {
        phone_first.set_exception(std::current_exception());
      }
      return look(options.contacts_db,
                  options.calendar_db.empty() ? options.contacts_db : options.calendar_db, nullptr);
    });
    Hook(handler);
    SetTodoRange(handler, options.todo_range);
    // A step whose failure leaves the store in doubt ends the run before PIMHandler_Deinit,
    // so the store file stays as the last good run left it.
    const auto run = [&](const char* name, int32_t result) {
      steps.push_back({name, result});
      return result;
    };
    // The new records' LUIDs go into the store, which PIMHandler_Deinit saves; its check is
    // made beside whatever comes next.
    const auto record_answers_and_save = [&] {
      run("PIMHandler_UpdateVCardLUID",
          PIM_ENTRY(handler, PIMHandler_UpdateVCardLUID)(files.contact_answers.c_str()));
      run("PIMHandler_UpdateVCalLUID",
          PIM_ENTRY(handler, PIMHandler_UpdateVCalLUID)(files.todo_answers.c_str()));
      PIM_ENTRY(handler, PIMHandler_Deinit)();
      KillPoint();
      if (!options.dry_run) saved_store = std::async(std::launch::async, CheckSaved, paths.store);
    };
    // The handler reads Notes and the store while the phone reads its memory; the phone's
    // answer is awaited only when the phone pass needs its records.
    bool retrieved = run("PIMHandler_Init", PIM_ENTRY(handler, PIMHandler_Init)()) == 0;
    if (retrieved) {
      run("PIMHandler_Prepare",
          PIM_ENTRY(handler, PIMHandler_Prepare)(options.mode, options.contact_limit,
                                                 options.calendar_limit, paths.contacts_db.c_str(),
                                                 "", "", calendar_db.c_str(), paths.store.c_str()));
      run("PIMHandler_QueryObjectCount",
          PIM_ENTRY(handler, PIMHandler_QueryObjectCount)(&held.notes_contacts, &held.notes_todos));
      // The store it reads is a copy made from a store checked to read whole.
      retrieved = run("PIMHandler_RetrievePIM", PIM_ENTRY(handler, PIMHandler_RetrievePIM)()) == 0;
    }
    // A real phone was read before the run began.
    const bool phone_ready = gammu || run("PIMHandler_InitAsFakePhone", fake->Answer()) == 0;
    // A pass counts the records of both sides, those the store pairs once. A side that alone
    // holds more than a limit passes it whatever the store pairs, and both sides together do
    // when it pairs nothing: the run stops before anything moves (a first run's pass over a
    // limit would fail on the store it has not made).
    // No side holds 2^31 records: under the default limits there is nothing to count.
    if (phone_ready && options.contact_limit < INT32_MAX) {
      held.phone_contacts = CountRecords(files.phone_contacts, "BEGIN:VCARD");
    }
    if (phone_ready && options.calendar_limit < INT32_MAX) {
      held.phone_todos = CountRecords(files.phone_todos, "BEGIN:VTODO");
    }
    const auto over = [&](uint32_t in_notes, uint32_t on_phone, int32_t limit) {
      const uint64_t least =
          store_pairs ? std::max(in_notes, on_phone) : uint64_t{in_notes} + on_phone;
      return least > static_cast<uint64_t>(limit);
    };
    if (options.report && (over(held.notes_contacts, held.phone_contacts, options.contact_limit) ||
                           over(held.notes_todos, held.phone_todos, options.calendar_limit))) {
      // The handler counts every to-do that starts in the range; the look, those a run takes.
      take_notes_before();
      held.notes_contacts = static_cast<uint32_t>(notes_before.contacts.size());
      held.notes_todos = static_cast<uint32_t>(notes_before.todos.size());
    }
    over_contacts = over(held.notes_contacts, held.phone_contacts, options.contact_limit);
    over_todos = over(held.notes_todos, held.phone_todos, options.calendar_limit);
    const int32_t cards =
        retrieved && phone_ready && !over_contacts && !over_todos
            ? run("PIMHandler_SyncVCard",
                  PIM_ENTRY(handler, PIMHandler_SyncVCard)(files.phone_contacts.c_str(),
                                                           files.contact_changes.c_str()))
            : 1;
    const int32_t todos =
        cards != 1
            ? run("PIMHandler_SyncVCal", PIM_ENTRY(handler, PIMHandler_SyncVCal)(
                                             files.phone_todos.c_str(), files.todo_changes.c_str()))
            : 1;
    // A pass over its limit moves nothing of its kind: the run stops before anything moves.
    over_contacts = over_contacts || cards == 3;
    over_todos = over_todos || todos == 3;
    if (todos == 1 || over_contacts || over_todos || g_stop_signal != 0) {
      phone_before = phone_looked.get();
      take_notes_before();
      if (fake) fake->Tell('q');
      stopped = true;
    } else if (gammu) {
      // Notes changes on its copies first. The phone cannot be put back: the guards decide on
      // the changes applied to the host's copy of the phone before the phone is written.
      run("PIMHandler_UpdatePIM", PIM_ENTRY(handler, PIMHandler_UpdatePIM)());
      KillPoint();
      take_notes_before();
      notes_early = look_at_notes(&notes_before);
      phone_before = phone_looked.get();
      gammu->Apply(gammu_files, false);
      phone_after = gammu->After();
      if (options.report && !options.force && !options.dry_run) {
        GuardDeletions(options, store_pairs, CountSide(notes_before, *notes_early),
                       CountSide(phone_before, *phone_after));
      }
      bool written = true;
      if (!options.dry_run) {
        try {
          gammu->Apply(gammu_files, true);
        } catch (const std::exception& e) {
          std::fprintf(stderr, "pimsync: %s\n", e.what());
          written = false;
        }
        run("the phone", written ? 0 : 1);
      }
      if (written && g_stop_signal == 0) {
        record_answers_and_save();
      } else {
        // The store stays as the last run left it; the journal tells the next run what the
        // phone holds now.
        stopped = true;
      }
    } else {
      PhoneProcess& phone = *fake;
      phone.Tell('s');
      // The phone applies its changes to its memory while the handler applies the phone's to
      // Notes: two processes, two databases. The steps are listed in the order a host calls
      // them.
      const size_t phone_at = steps.size();
      run("PIMHandler_UpdatePIM", PIM_ENTRY(handler, PIMHandler_UpdatePIM)());
      KillPoint();
      notes_after = std::async(std::launch::async, [&] {
        take_notes_before();
        return look_at_notes(&notes_before);
      });
      const Step cards_applied{"PIMHandler_SyncCardAsFakePhone", phone.Answer()};
      const Step todos_applied{"PIMHandler_SyncCalAsFakePhone", phone.Answer()};
      steps.insert(steps.begin() + static_cast<std::ptrdiff_t>(phone_at),
                   {cards_applied, todos_applied});
      KillPoint();
      // The phone's second look waits for the end of its session, whose close of the database
      // moves the journal into the file (the last connection to close does that).
      int32_t phone_ended = kPhoneLost;
      auto phone_look = std::async(std::launch::async, [&] {
        phone_ended = phone.Answer();
        phone_before = phone_looked.get();
        return look_at_phone(&phone_before);
      });
      const size_t phone_end = steps.size();
      // The store's check is made while the phone ends its session.
      record_answers_and_save();
      // Listed where it was called, after the phone's last change.
      phone_after = phone_look.get();
      steps.insert(steps.begin() + static_cast<std::ptrdiff_t>(phone_end),
                   {"PIMHandler_DeinitAsFakePhone", phone_ended});
    }
  }

  if ((over_contacts || over_todos) && g_stop_signal == 0) {
    std::string why;
    if (over_contacts) {
      why = OverLimit(held.notes_contacts, held.phone_contacts, "contact", options.contact_limit,
                      "--contact-limit");
    }
    if (over_todos) {
      why += (why.empty() ? "" : " ") + OverLimit(held.notes_todos, held.phone_todos, "to-do",
                                                  options.calendar_limit, "--calendar-limit");
    }
    throw RunRefused(why + " Nothing was changed.");
  }
  int status = stopped ? 1 : 0;
  for (const Step& step : steps) {
    if (step.result != 0) status = 1;
  }
  const NotesSnapshot notes_now = notes_early           ? std::move(*notes_early)
                                  : notes_after.valid() ? notes_after.get()
                                                        : look_at_notes(&notes_before);
  const NotesSnapshot phone_now =
      phone_after ? std::move(*phone_after) : look_at_phone(&phone_before);
  // A run that reached PIMHandler_Deinit saved the store the library made of it: the copies
  // are the new state of every file. One stopped before leaves every file as it was.
  const bool interrupted = g_stop_signal != 0;
  std::string refusal;  // of a preview: what would stop the real run
  // A real phone's run was guarded before the phone was written.
  if (!stopped && !interrupted && options.report && !options.force &&
      !(gammu && !options.dry_run)) {
    try {
      GuardDeletions(options, store_pairs, CountSide(notes_before, notes_now),
                     CountSide(phone_before, phone_now));
    } catch (const RunRefused& refused) {
      if (!options.dry_run) throw;
      refusal = refused.what();
    }
  }
  if (!stopped && !interrupted && !options.dry_run) {
    // With the store goes the check of its bytes, by which the next run knows it.
    const std::optional<SavedStore> saved =
        saved_store.valid() ? saved_store.get() : CheckSaved(paths.store);
    if (saved) {
      // The databases carry the pairing too: a run that lost the store and its check is known
      // by them.
      std::string pairing = StoreCheckValue(options.store, "pairing");
      if (pairing.empty()) pairing = NewPairing();
      std::vector<std::string> unmarked;
      for (size_t i = 0; i < databases.size(); ++i) {
        const std::vector<std::string>& carried = paired.pairings[i];
        if (std::find(carried.begin(), carried.end(), pairing) == carried.end())
          unmarked.push_back(staged.PathFor(databases[i].path));
      }
      if (!unmarked.empty()) MarkPaired(unmarked, pairing);
      if (gammu) staged.Add(GammuSide::MemoryPath(options.store), gammu->MemoryText(), saved->mode);
      staged.Add(StoreCheckPath(options.store),
                 saved->check + paired.line + PairingLine(pairing) + "to-dos " +
                     CalendarDayText(options.todo_range.first) + " " +
                     CalendarDayText(options.todo_range.last) + "\n",
                 saved->mode);
      // Without looks, the last one would be older than the store.
      if (options.report) {
        staged.Add(LastLookPath(options.store), LastLookBytes(notes_now, phone_now), saved->mode);
      } else if (struct stat st{}; ::lstat(LastLookPath(options.store).c_str(), &st) == 0) {
        staged.Delete(LastLookPath(options.store));
      }
    }
    RunChanges changes;
    changes.counted = options.report;
    changes.contacts_notes = Compare(notes_before.contacts, notes_now.contacts);
    changes.contacts_phone = Compare(phone_before.contacts, phone_now.contacts);
    changes.todos_notes = Compare(notes_before.todos, notes_now.todos);
    changes.todos_phone = Compare(phone_before.todos, phone_now.todos);
    CommitKept(staged, options.store, "sync", RolesOf(all), changes, options.keep_history);
    if (gammu) gammu->Committed();
  }
  if (interrupted || g_stop_signal != 0) {
    std::fprintf(stderr, !interrupted ? "pimsync: interrupted after the changes were committed\n"
                         : gammu && gammu->Wrote()
                             ? "pimsync: interrupted after the phone was changed in part: sync "
                               "again to complete it (nothing will be added twice)\n"
                             : "pimsync: interrupted: nothing was changed\n");
    return 128 + g_stop_signal;
  }
  if (!options.report || options.quiet) return status;
  if (options.dry_run) std::printf("preview: what a run would do now; nothing was changed\n");
  PrintKind("contacts", "(no name)",
            {last_look.notes.contacts, notes_before.contacts, notes_now.contacts},
            {last_look.phone.contacts, phone_before.contacts, phone_now.contacts});
  PrintKind("to-dos", "(no brief)", {last_look.notes.todos, notes_before.todos, notes_now.todos},
            {last_look.phone.todos, phone_before.todos, phone_now.todos});
  PrintLeftOut(notes_before, options.todo_range);
  // In words; the entry points and their results with --debug.
  std::string failed;
  for (const Step& step : steps) {
    if (step.result == 0) continue;
    if (options.debug) {
      if (failed.empty()) std::printf("entry points that did not return 0:\n");
      if (step.result == kPhoneLost) {
        std::printf("  %s: the phone process gave no answer\n", step.name);
      } else {
        std::printf("  %s returned %d\n", step.name, step.result);
      }
    }
    failed += (failed.empty() ? "" : "; ") + std::string(InWords(step.name));
  }
  if (!failed.empty() && !options.debug) {
    std::printf("what did not succeed: %s (the messages above say why)\n", failed.c_str());
  }
  if (stopped && gammu && gammu->Wrote()) {
    // A phone is not put back: the journal beside the store lets the next run go on from here.
    std::printf(
        "the run stopped after it had changed the phone in part, before it saved the "
        "store: sync again to complete it (nothing will be added twice)\n");
  } else if (stopped) {
    std::printf(options.debug ? "the run stopped before PIMHandler_Deinit: nothing was changed\n"
                              : "the run stopped before it saved anything: nothing was changed\n");
  }
  if (!options.keep_dir.empty()) std::printf("exchanged files: %s\n", options.keep_dir.c_str());
  if (!refusal.empty()) {
    std::printf("a real run would be refused: %s\n", refusal.c_str());
    status = 1;
  }
  return status;
}

}  // namespace pim::cli
