#include "run_commands.h"

#include <cstdio>
#include <cstring>
#include <string_view>

#include "command_line.h"
#include "handler_library.h"
#include "sync_run.h"

namespace pim::cli {
namespace {

constexpr char kSyncUsage[] =
    "usage: pimsync sync --contacts DB [--calendar DB] --phone PHONEDB --store FILE\n"
    "                    [--mode 0|1|2] [--contact-limit N] [--calendar-limit N]\n"
    "                    [--keep DIR] [--library PATH] [--debug]\n"
    "\n"
    "Runs one whole sync between the Notes databases and the fake phone's database, driving two\n"
    "instances of the handler library as a host drives them, and reports what changed.\n"
    "\n"
    "  --contacts DB       the Notes database of the Person documents\n"
    "  --calendar DB       the Notes database of the to-dos (default: the contact database)\n"
    "  --phone PHONEDB     the Notes database that plays the phone's memory\n"
    "  --store FILE        the sync object store file, kept between runs\n"
    "  --mode M            how deletions are settled: 0 resends to the phone what it lacks,\n"
    "                      1 brings back into Notes what Notes lacks, 2 (default) deletes on\n"
    "                      the other side what one side deleted\n"
    "  --contact-limit N   the most contacts the phone holds (default 200)\n"
    "  --calendar-limit N  the most to-dos the phone holds (default 200)\n"
    "  --keep DIR          keep the exchanged files in DIR\n"
    "  --library PATH      the handler library (default: libpimhandler.so beside pimsync)\n"
    "  --debug             print the library's debug output too\n"
    "\n"
    "Exit status 0 when every entry point returned 0.\n";

constexpr char kDumpUsage[] =
    "usage: pimsync dump [--library PATH] STORE\n"
    "       pimsync dump --as-phone [--library PATH] STORE CONTACTS CALENDAR\n"
    "\n"
    "Prints every record of a store file as the handler's debug output shows it: the to-dos as\n"
    "VTODO texts, then the contacts as vCards. With --as-phone, writes the phone record files of\n"
    "a phone whose memory equals the store instead, LUIDs being the note IDs.\n";

constexpr char kPurgeUsage[] =
    "usage: pimsync purge --contacts DB [--calendar DB] [--library PATH]\n"
    "\n"
    "Deletes every Person document of the contact database and every to-do of 1990/1/1 to\n"
    "2020/1/1 from the calendar database (default: the contact database). Other documents stay.\n";

bool WantsHelp(std::span<const std::string> args, const char* usage) {
  for (const std::string& arg : args) {
    if (arg == "--") break;
    if (arg == "--help" || arg == "-h") {
      std::fputs(usage, stdout);
      return true;
    }
  }
  return false;
}

const std::string& Required(const ParsedArguments& parsed, std::string_view name) {
  const std::string* value = parsed.Value(name);
  if (value == nullptr || value->empty()) {
    throw UsageError(std::string(name) + " is required");
  }
  return *value;
}

int32_t Number(const ParsedArguments& parsed, std::string_view name, int32_t fallback) {
  const std::string* value = parsed.Value(name);
  if (value == nullptr) return fallback;
  char* end = nullptr;
  errno = 0;
  const long number = std::strtol(value->c_str(), &end, 10);
  if (value->empty() || *end != '\0' || errno != 0 || number < INT32_MIN || number > INT32_MAX) {
    throw UsageError(std::string(name) + " takes a whole number, not '" + *value + "'");
  }
  return static_cast<int32_t>(number);
}

void NoPlainArguments(const ParsedArguments& parsed) {
  if (!parsed.plain.empty()) throw UsageError("unexpected argument '" + parsed.plain[0] + "'");
}

// Runs a command body; a usage error becomes one line and exit status 2.
template <class Body>
int WithUsage(const char* command, Body&& body) {
  try {
    return body();
  } catch (const UsageError& e) {
    std::fprintf(stderr, "pimsync: %s: %s (see 'pimsync %s --help')\n", command, e.what(), command);
    return kExitUsage;
  }
}

int PrintBoxToStderr(void*, const char* text, const char* caption, unsigned int) {
  std::fprintf(stderr, "pimsync: message: %s%s%s\n", caption ? caption : "Error",
               caption && !*caption ? "" : ": ", text ? text : "");
  return 1;
}

void PrintDebugToStdout(const char* text) {
  std::fputs(text ? text : "", stdout);
}

}  // namespace

int RunSyncCommand(std::span<const std::string> args) {
  if (WantsHelp(args, kSyncUsage)) return kExitOk;
  return WithUsage("sync", [&] {
    static constexpr OptionSpec kOptions[] = {
        {"--contacts", OptionSpec::kValue},       {"--calendar", OptionSpec::kValue},
        {"--phone", OptionSpec::kValue},          {"--store", OptionSpec::kValue},
        {"--mode", OptionSpec::kValue},           {"--contact-limit", OptionSpec::kValue},
        {"--calendar-limit", OptionSpec::kValue}, {"--keep", OptionSpec::kValue},
        {"--library", OptionSpec::kValue},        {"--debug", OptionSpec::kFlag},
    };
    const ParsedArguments parsed = ParseArguments(args, kOptions);
    NoPlainArguments(parsed);
    SyncOptions options;
    options.contacts_db = Required(parsed, "--contacts");
    options.phone_db = Required(parsed, "--phone");
    options.store = Required(parsed, "--store");
    if (const std::string* calendar = parsed.Value("--calendar")) options.calendar_db = *calendar;
    options.mode = Number(parsed, "--mode", 2);
    if (options.mode < 0 || options.mode > 2) throw UsageError("--mode takes 0, 1 or 2");
    options.contact_limit = Number(parsed, "--contact-limit", 200);
    options.calendar_limit = Number(parsed, "--calendar-limit", 200);
    if (const std::string* keep = parsed.Value("--keep")) options.keep_dir = *keep;
    if (const std::string* library = parsed.Value("--library")) options.library = *library;
    options.debug = parsed.HasFlag("--debug");
    return RunSync(options);
  });
}

int RunDumpCommand(std::span<const std::string> args) {
  if (WantsHelp(args, kDumpUsage)) return kExitOk;
  return WithUsage("dump", [&] {
    static constexpr OptionSpec kOptions[] = {
        {"--as-phone", OptionSpec::kFlag},
        {"--library", OptionSpec::kValue},
    };
    const ParsedArguments parsed = ParseArguments(args, kOptions);
    const bool as_phone = parsed.HasFlag("--as-phone");
    const size_t wanted = as_phone ? 3 : 1;
    if (parsed.plain.size() < wanted) {
      throw UsageError(as_phone ? "give STORE CONTACTS CALENDAR" : "give the STORE file");
    }
    if (parsed.plain.size() > wanted) {
      throw UsageError("unexpected argument '" + parsed.plain[wanted] + "'");
    }
    const std::string* library_path = parsed.Value("--library");
    HandlerLibrary library(library_path ? *library_path : HandlerLibrary::DefaultPath());
    library.SetMessageBoxHook(&PrintBoxToStderr);
    library.SetDebugOutputHook(&PrintDebugToStdout);
    const std::string& store = parsed.plain[0];
    const int32_t result =
        as_phone ? library.DumpSyncObjectStoreAsFakePhone(store.c_str(), parsed.plain[1].c_str(),
                                                          parsed.plain[2].c_str())
                 : library.DumpSyncObjectStore(store.c_str());
    std::fflush(stdout);
    if (result == 2) {
      std::fprintf(stderr, "pimsync: dump: %s is not a sync object store\n", store.c_str());
    } else if (result != 0) {
      std::fprintf(stderr, "pimsync: dump: %s could not be read whole\n", store.c_str());
    }
    return result == 0 ? kExitOk : kExitFailure;
  });
}

int RunPurgeCommand(std::span<const std::string> args) {
  if (WantsHelp(args, kPurgeUsage)) return kExitOk;
  return WithUsage("purge", [&] {
    static constexpr OptionSpec kOptions[] = {
        {"--contacts", OptionSpec::kValue},
        {"--calendar", OptionSpec::kValue},
        {"--library", OptionSpec::kValue},
    };
    const ParsedArguments parsed = ParseArguments(args, kOptions);
    NoPlainArguments(parsed);
    const std::string& contacts = Required(parsed, "--contacts");
    const std::string* calendar = parsed.Value("--calendar");
    const std::string* library_path = parsed.Value("--library");
    HandlerLibrary library(library_path ? *library_path : HandlerLibrary::DefaultPath());
    library.SetMessageBoxHook(&PrintBoxToStderr);
    library.Prepare(2, 200, 200, contacts.c_str(), "", "",
                    (calendar ? *calendar : contacts).c_str(), "");
    const int32_t result = library.PurgeAll();
    if (result != 0)
      std::fprintf(stderr, "pimsync: purge: PIMHandler_PurgeAll returned %d\n", result);
    return result == 0 ? kExitOk : kExitFailure;
  });
}

}  // namespace pim::cli
