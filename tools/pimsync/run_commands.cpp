#include "run_commands.h"

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "command_line.h"
#include "handler_library.h"
#include "notes/sync_scope.h"
#include "purge_run.h"
#include "sync_run.h"
#include "verify_run.h"

namespace pim::cli {
namespace {

// printf into a string.
[[gnu::format(printf, 1, 2)]] std::string Format(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::va_list again;
  va_copy(again, args);
  const int size = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string text(static_cast<size_t>(size > 0 ? size : 0), '\0');
  std::vsnprintf(text.data(), text.size() + 1, format, again);
  va_end(again);
  return text;
}

std::string SyncUsage() {
  const SyncOptions defaults;
  const auto mark = [&](int32_t mode) { return mode == defaults.mode ? " (default)" : ""; };
  return Format(
      "usage: pimsync sync --contacts DB [--calendar DB] --phone PHONEDB --store FILE\n"
      "                    [--mode 0|1|2] [--contact-limit N] [--calendar-limit N]\n"
      "                    [--todo-range FROM..TO] [--max-delete N|P%%] [--force] [--dry-run]\n"
      "                    [--keep-history N] [--keep DIR] [--library PATH] [--debug]\n"
      "       pimsync sync --contacts DB [--calendar DB] --gammu [--gammu-config FILE]\n"
      "                    [--gammu-section N] [--memory ME|SM] --store FILE [...]\n"
      "\n"
      "Runs one whole sync between the Notes databases and the fake phone's database, driving two\n"
      "instances of the handler library as a host drives them, and reports what changed. With\n"
      "--gammu, the phone is a real one, reached through gammu%s.\n"
      "\n"
      "  --contacts DB       the Notes database of the %s documents\n"
      "  --calendar DB       the Notes database of the to-dos (default: the contact database)\n"
      "  --phone PHONEDB     the Notes database that plays the phone's memory\n"
      "  --gammu             sync the phone that gammu's configuration names instead\n"
      "  --gammu-config FILE gammu's configuration (default: gammu's own search, ~/.gammurc)\n"
      "  --gammu-section N   the configuration's section N, [gammuN] (default 0, [gammu])\n"
      "  --memory ME|SM      the phone's memory of contacts: ME, its own (default), or SM, the\n"
      "                      SIM card's\n"
      "  --store FILE        the sync object store file, kept between runs\n"
      "  --mode M            how deletions are settled: 0%s resends to the phone what it lacks,\n"
      "                      1%s brings back into Notes what Notes lacks, 2%s deletes on\n"
      "                      the other side what one side deleted\n"
      "  --contact-limit N   the most contacts the phone holds (default %d; with --gammu, the\n"
      "                      phone's capacity)\n"
      "  --calendar-limit N  the most to-dos the phone holds (default %d; with --gammu, the\n"
      "                      phone's capacity)\n"
      "  --todo-range FROM..TO\n"
      "                      the days whose one-day to-dos the run takes, YYYY-MM-DD (default\n"
      "                      %s); a range narrower than the last run's is\n"
      "                      refused unless --force\n"
      "  --max-delete N|P%%   refuse a run that would delete more than N records, or P%% of\n"
      "                      them, on either side (default 50%%, counted from 10 records on)\n"
      "  --force             run all the same, once: lifts --max-delete, the refusal of a\n"
      "                      side emptied since the last run and of a narrower --todo-range\n"
      "  --dry-run           report what a run would do, and what would refuse it, and change\n"
      "                      nothing\n"
      "  --keep-history N    keep the files as they were before each of the last N runs in\n"
      "                      FILE.history, for pimsync undo (default %d; 0 keeps none)\n"
      "  --keep DIR          keep the exchanged files in DIR\n"
      "  --library PATH      the handler library (default: libpimhandler.so beside pimsync)\n"
      "  --debug             print the library's debug output too\n"
      "\n"
      "Exit status 0 when every entry point returned 0.\n",
#ifdef PIMSYNC_GAMMU
      "",
#else
      " (this pimsync is built without it)",
#endif
      kPersonForm, mark(0), mark(1), mark(2), defaults.contact_limit, defaults.calendar_limit,
      RangeText(defaults.todo_range).c_str(), defaults.keep_history);
}

constexpr char kDumpUsage[] =
    "usage: pimsync dump [--library PATH] STORE\n"
    "       pimsync dump --as-phone [--library PATH] STORE CONTACTS CALENDAR\n"
    "\n"
    "Prints every record of a store file as the handler's debug output shows it: the to-dos as\n"
    "VTODO texts, then the contacts as vCards. With --as-phone, writes the phone record files of\n"
    "a phone whose memory equals the store instead, LUIDs being the note IDs.\n";

constexpr char kVerifyUsage[] =
    "usage: pimsync verify --contacts DB [--calendar DB] --phone DB --store FILE [--json]\n"
    "                      [--library PATH]\n"
    "\n"
    "Reads Notes, the phone and the store that the last sync on them saved, and lists, for each\n"
    "pair of records the store holds, the fields in which Notes and the phone disagree, then\n"
    "the records of either side that the store pairs with nothing. Changes nothing.\n"
    "\n"
    "  --json          one JSON object: {\"agree\":BOOL,\"contacts\":{...},\"todos\":{...}}\n"
    "  --library PATH  the handler library (default: libpimhandler.so beside pimsync)\n"
    "\n"
    "Exit status: 0 when both sides agree, 1 when they differ, 2 when it cannot tell (a file\n"
    "missing or unreadable, a store that is not the last run's, a run in progress).\n";

std::string PurgeUsage() {
  return Format(
      "usage: pimsync purge --contacts DB [--calendar DB] [--store FILE] [--yes] [--dry-run]\n"
      "                     [--todo-range FROM..TO] [--keep-history N] [--library PATH]\n"
      "\n"
      "Deletes every %s document of the contact database and every one-day to-do of the range\n"
      "from the calendar database (default: the contact database). Other documents stay.\n"
      "It says what it will delete and asks first; where no one can answer, it wants --yes.\n"
      "\n"
      "  --todo-range FROM..TO  the days of the to-dos, YYYY-MM-DD (default %s)\n"
      "  --store FILE        the store of these databases: the purge is kept in its history,\n"
      "                      and pimsync undo --store FILE puts back what it deleted\n"
      "  --yes               delete without asking\n"
      "  --dry-run           say what would be deleted, and change nothing\n"
      "  --keep-history N    with --store: keep the last N runs (default %d; 0 keeps none)\n"
      "  --library PATH      the handler library (default: libpimhandler.so beside pimsync)\n",
      kPersonForm, RangeText(kHostCalendarRange).c_str(), kDefaultKeptRuns);
}

// --todo-range FROM..TO, or the default.
CalendarRange TodoRange(const ParsedArguments& parsed) {
  const std::string* given = parsed.Value("--todo-range");
  if (given == nullptr) return kHostCalendarRange;
  const size_t dots = given->find("..");
  CalendarRange range;
  if (dots == std::string::npos ||
      !ParseCalendarRange(given->substr(0, dots), given->substr(dots + 2), range)) {
    throw UsageError(
        "--todo-range takes FROM..TO, two days written YYYY-MM-DD from 1970-01-01 "
        "to 2037-12-31, the first not after the last, not '" +
        *given + "'");
  }
  return range;
}

int32_t KeptRuns(const ParsedArguments& parsed) {
  const int32_t keep = Number(parsed, "--keep-history", kDefaultKeptRuns);
  if (keep < 0) throw UsageError("--keep-history takes 0 or more");
  return keep;
}

std::string LibraryPath(const ParsedArguments& parsed) {
  const std::string* given = parsed.Value("--library");
  return given != nullptr ? *given : HandlerLibrary::DefaultPath();
}

int PrintBoxToStderr(void*, const char* text, const char* caption, unsigned int) {
  std::fprintf(stderr, "pimsync: message: %s%s%s\n", caption ? caption : "Error",
               caption && !*caption ? "" : ": ", text ? text : "");
  return 1;
}

void PrintDebugToStdout(const char* text) {
  std::fputs(text ? text : "", stdout);
}

constexpr OptionSpec kSyncOptions[] = {
    {"--contacts", OptionSpec::kValue},       {"--calendar", OptionSpec::kValue},
    {"--phone", OptionSpec::kValue},          {"--store", OptionSpec::kValue},
    {"--mode", OptionSpec::kValue},           {"--contact-limit", OptionSpec::kValue},
    {"--calendar-limit", OptionSpec::kValue}, {"--keep", OptionSpec::kValue},
    {"--library", OptionSpec::kValue},        {"--debug", OptionSpec::kFlag},
    {"--max-delete", OptionSpec::kValue},     {"--force", OptionSpec::kFlag},
    {"--dry-run", OptionSpec::kFlag},         {"--keep-history", OptionSpec::kValue},
    {"--todo-range", OptionSpec::kValue},     {"--gammu", OptionSpec::kFlag},
    {"--gammu-config", OptionSpec::kValue},   {"--gammu-section", OptionSpec::kValue},
    {"--memory", OptionSpec::kValue},
};
constexpr OptionSpec kDumpOptions[] = {
    {"--as-phone", OptionSpec::kFlag},
    {"--library", OptionSpec::kValue},
};
constexpr OptionSpec kVerifyOptions[] = {
    {"--contacts", OptionSpec::kValue}, {"--calendar", OptionSpec::kValue},
    {"--phone", OptionSpec::kValue},    {"--store", OptionSpec::kValue},
    {"--json", OptionSpec::kFlag},      {"--library", OptionSpec::kValue},
};
constexpr OptionSpec kPurgeOptions[] = {
    {"--contacts", OptionSpec::kValue}, {"--calendar", OptionSpec::kValue},
    {"--store", OptionSpec::kValue},    {"--yes", OptionSpec::kFlag},
    {"--dry-run", OptionSpec::kFlag},   {"--keep-history", OptionSpec::kValue},
    {"--library", OptionSpec::kValue},  {"--todo-range", OptionSpec::kValue},
};

}  // namespace

int RunSyncCommand(std::span<const std::string> args) {
  return RunCommand("sync", SyncUsage(), kSyncOptions, args, [](const ParsedArguments& parsed) {
    NoPlainArguments(parsed);
    SyncOptions options;
    options.contacts_db = Required(parsed, "--contacts");
    options.gammu = parsed.HasFlag("--gammu");
    if (options.gammu) {
      if (parsed.Value("--phone") != nullptr) {
        throw UsageError("--gammu and --phone name two phones: give one of them");
      }
#ifndef PIMSYNC_GAMMU
      throw UsageError("this pimsync is built without gammu, so --gammu is not there");
#endif
      if (const std::string* config = parsed.Value("--gammu-config"))
        options.gammu_options.config = *config;
      options.gammu_options.section = Number(parsed, "--gammu-section", 0);
      if (options.gammu_options.section < 0) throw UsageError("--gammu-section takes 0 or more");
      if (const std::string* memory = parsed.Value("--memory")) {
        if (*memory != "ME" && *memory != "SM")
          throw UsageError("--memory takes ME or SM, not '" + *memory + "'");
        options.gammu_options.memory = *memory;
      }
      // The phone's capacity, unless given.
      if (parsed.Value("--contact-limit") == nullptr) options.contact_limit = -1;
      if (parsed.Value("--calendar-limit") == nullptr) options.calendar_limit = -1;
    } else {
      for (const char* option : {"--gammu-config", "--gammu-section", "--memory"}) {
        if (parsed.Value(option) != nullptr)
          throw UsageError(std::string(option) + " goes with --gammu");
      }
      options.phone_db = Required(parsed, "--phone");
    }
    options.store = Required(parsed, "--store");
    if (const std::string* calendar = parsed.Value("--calendar")) options.calendar_db = *calendar;
    options.mode = Number(parsed, "--mode", options.mode);
    if (options.mode < 0 || options.mode > 2) throw UsageError("--mode takes 0, 1 or 2");
    if (parsed.Value("--contact-limit") != nullptr) {
      options.contact_limit = Number(parsed, "--contact-limit", options.contact_limit);
      if (options.contact_limit < 0) throw UsageError("--contact-limit takes 0 or more");
    }
    if (parsed.Value("--calendar-limit") != nullptr) {
      options.calendar_limit = Number(parsed, "--calendar-limit", options.calendar_limit);
      if (options.calendar_limit < 0) throw UsageError("--calendar-limit takes 0 or more");
    }
    if (const std::string* keep = parsed.Value("--keep")) options.keep_dir = *keep;
    if (const std::string* library = parsed.Value("--library")) options.library = *library;
    options.debug = parsed.HasFlag("--debug");
    options.force = parsed.HasFlag("--force");
    options.dry_run = parsed.HasFlag("--dry-run");
    options.keep_history = KeptRuns(parsed);
    options.todo_range = TodoRange(parsed);
    if (const std::string* limit = parsed.Value("--max-delete")) {
      std::string number = *limit;
      options.max_delete_percent = !number.empty() && number.back() == '%';
      if (options.max_delete_percent) number.pop_back();
      char* end = nullptr;
      errno = 0;
      const long value = std::strtol(number.c_str(), &end, 10);
      if (number.empty() || *end != '\0' || errno != 0 || value < 0 || value > INT32_MAX ||
          (options.max_delete_percent && value > 100)) {
        throw UsageError("--max-delete takes a count or a percentage (N or P%), not '" + *limit +
                         "'");
      }
      options.max_delete = static_cast<int32_t>(value);
    }
    return RunSync(options);
  });
}

int RunDumpCommand(std::span<const std::string> args) {
  return RunCommand("dump", kDumpUsage, kDumpOptions, args, [](const ParsedArguments& parsed) {
    const bool as_phone = parsed.HasFlag("--as-phone");
    const size_t wanted = as_phone ? 3 : 1;
    if (parsed.plain.size() < wanted) {
      throw UsageError(as_phone ? "give STORE CONTACTS CALENDAR" : "give the STORE file");
    }
    if (parsed.plain.size() > wanted) {
      throw UsageError("unexpected argument '" + parsed.plain[wanted] + "'");
    }
    const std::string& store = parsed.plain[0];
    // The library reads a store it cannot open as an empty one.
    if (std::FILE* file = std::fopen(store.c_str(), "rb")) {
      std::fclose(file);
    } else {
      std::fprintf(stderr, "pimsync: dump: cannot open %s: %s\n", store.c_str(),
                   std::strerror(errno));
      return kExitFailure;
    }
    HandlerLibrary library(LibraryPath(parsed));
    PIM_ENTRY(library, PIMPlatform_SetMessageBoxHook)(&PrintBoxToStderr);
    PIM_ENTRY(library, PIMPlatform_SetDebugOutputHook)(&PrintDebugToStdout);
    const int32_t result =
        as_phone ? PIM_ENTRY(library, PIMHandler_DumpSyncObjectStoreAsFakePhone)(
                       store.c_str(), parsed.plain[1].c_str(), parsed.plain[2].c_str())
                 : PIM_ENTRY(library, PIMHandler_DumpSyncObjectStore)(store.c_str());
    std::fflush(stdout);
    if (result == 2) {
      std::fprintf(stderr, "pimsync: dump: %s is not a sync object store\n", store.c_str());
    } else if (result != 0) {
      std::fprintf(stderr, "pimsync: dump: %s could not be read whole\n", store.c_str());
    }
    return result == 0 ? kExitOk : kExitFailure;
  });
}

int RunVerifyCommand(std::span<const std::string> args) {
  return RunCommand("verify", kVerifyUsage, kVerifyOptions, args,
                    [](const ParsedArguments& parsed) {
                      NoPlainArguments(parsed);
                      VerifyOptions options;
                      options.contacts_db = Required(parsed, "--contacts");
                      options.phone_db = Required(parsed, "--phone");
                      options.store = Required(parsed, "--store");
                      if (const std::string* calendar = parsed.Value("--calendar"))
                        options.calendar_db = *calendar;
                      if (const std::string* library = parsed.Value("--library"))
                        options.library = *library;
                      options.json = parsed.HasFlag("--json");
                      return RunVerify(options);
                    });
}

int RunPurgeCommand(std::span<const std::string> args) {
  return RunCommand("purge", PurgeUsage(), kPurgeOptions, args, [](const ParsedArguments& parsed) {
    NoPlainArguments(parsed);
    PurgeOptions options;
    options.contacts_db = Required(parsed, "--contacts");
    if (const std::string* calendar = parsed.Value("--calendar")) options.calendar_db = *calendar;
    if (const std::string* store = parsed.Value("--store")) options.store = *store;
    options.yes = parsed.HasFlag("--yes");
    options.dry_run = parsed.HasFlag("--dry-run");
    options.keep_history = KeptRuns(parsed);
    options.todo_range = TodoRange(parsed);
    HandlerLibrary library(LibraryPath(parsed));
    PIM_ENTRY(library, PIMPlatform_SetMessageBoxHook)(&PrintBoxToStderr);
    return RunPurge(library, options);
  });
}

}  // namespace pim::cli
