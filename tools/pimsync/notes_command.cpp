#include "notes_command.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <type_traits>
#include <vector>

#include "command_line.h"
#include "item_values.h"
#include "json_text.h"
#include "notes/sync_scope.h"
#include "notesapi/lncalendar.h"
#include "notesapi/lnsession.h"

namespace pim::cli {
namespace {

using notes::LNCalendar;
using notes::LNCalendarEntry;
using notes::LNDatabase;
using notes::LNDatetime;
using notes::LNDatetimeRange;
using notes::LNDocument;
using notes::LNDocumentArray;
using notes::LNItem;
using notes::LNNotesSession;
using notes::LNSTATUS;
using notes::LNString;
using notes::NOTEID;

constexpr std::string_view kItemsHelp =
    "items:\n"
    "  ITEM=VALUE                 a text item; repeating ITEM appends a value (an empty VALUE\n"
    "                             gives one empty value)\n"
    "  --number ITEM=N            a number item\n"
    "  --datetime ITEM=\"YYYY-MM-DD HH:MM:SS\"\n"
    "                             a date-time item (\"YYYY-MM-DD\" for a date alone)\n"
    "Item names compare without regard to letter case; an item that is given replaces the\n"
    "note's item of that name.\n";

constexpr OptionSpec kPersonOptions[] = {{"--form", OptionSpec::kValue},
                                         {"--modified", OptionSpec::kValue},
                                         {"--number", OptionSpec::kRepeated},
                                         {"--datetime", OptionSpec::kRepeated}};
constexpr OptionSpec kTodoOptions[] = {
    {"--start", OptionSpec::kValue},      {"--end", OptionSpec::kValue},
    {"--brief", OptionSpec::kValue},      {"--alarm", OptionSpec::kValue},
    {"--modified", OptionSpec::kValue},   {"--number", OptionSpec::kRepeated},
    {"--datetime", OptionSpec::kRepeated}};
constexpr OptionSpec kSetOptions[] = {{"--modified", OptionSpec::kValue},
                                      {"--number", OptionSpec::kRepeated},
                                      {"--datetime", OptionSpec::kRepeated}};
constexpr OptionSpec kListOptions[] = {{"--json", OptionSpec::kFlag}};
constexpr OptionSpec kCreateOptions[] = {{"--first-note-id", OptionSpec::kValue}};

// Whether a date-time takes the parts that `set` gives it. It says no with a status, thrown or
// returned as the throwing mode has it.
template <class Set>
bool Takes(Set&& set) {
  try {
    return set() == notes::LNNOERROR;
  } catch (LNSTATUS) {
    return false;
  }
}

// "YYYY-MM-DD HH:MM:SS", or "YYYY-MM-DD" alone where a date is enough: local wall-clock time.
LNDatetime ParseDatetime(const std::string& text, std::string_view what, bool date_alone_ok) {
  auto number = [&](size_t pos, size_t count, int& value) {
    value = 0;
    for (size_t i = pos; i < pos + count; ++i) {
      if (text[i] < '0' || text[i] > '9') return false;
      value = value * 10 + (text[i] - '0');
    }
    return true;
  };
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  const bool has_time = text.size() == 19;
  LNDatetime datetime;
  bool ok = (text.size() == 10 && date_alone_ok) || has_time;
  ok = ok && number(0, 4, year) && text[4] == '-' && number(5, 2, month) && text[7] == '-' &&
       number(8, 2, day) && Takes([&] { return datetime.SetDate(month, day, year); });
  if (ok && has_time) {
    ok = text[10] == ' ' && number(11, 2, hour) && text[13] == ':' && number(14, 2, minute) &&
         text[16] == ':' && number(17, 2, second) &&
         Takes([&] { return datetime.SetTime(hour, minute, second, 0); });
  }
  if (!ok) {
    throw UsageError(std::string(what) + " '" + text + "' is not a date-time \"YYYY-MM-DD" +
                     (date_alone_ok ? "[ HH:MM:SS]" : " HH:MM:SS") + "\"");
  }
  return datetime;
}

// The items a command line gives, in the order first named, values in the order given.
struct ItemArgument {
  std::string name;
  notes::LNITEMTYPE type;
  std::vector<LNString> texts;
  std::vector<double> numbers;
  std::vector<LNDatetime> datetimes;

  LNItem ToItem() const {
    switch (type) {
      case notes::LNITEMTYPE_NUMBERS:
        return LNItem(name, numbers);
      case notes::LNITEMTYPE_DATETIMES:
        return LNItem(name, datetimes);
      default:
        return LNItem(name, texts);
    }
  }
};

// An item's type as a script reads it ("text", "number", "time") and as a person reads it.
struct TypeWords {
  const char* kind;
  const char* prose;
};

TypeWords WordsFor(notes::LNITEMTYPE type) {
  switch (type) {
    case notes::LNITEMTYPE_NUMBERS:
      return {"number", "a number"};
    case notes::LNITEMTYPE_DATETIMES:
      return {"time", "a date-time"};
    default:
      return {"text", "text"};
  }
}

// Plain arguments after the first `fixed` ones are ITEM=VALUE; --number and --datetime add
// their own types.
std::vector<ItemArgument> CollectItems(const ParsedArguments& args, size_t fixed) {
  std::vector<ItemArgument> items;
  size_t plain_seen = 0;
  for (const OrderedArgument& arg : args.ordered) {
    notes::LNITEMTYPE type;
    if (arg.option.empty()) {
      if (plain_seen++ < fixed) continue;
      type = notes::LNITEMTYPE_TEXT;
    } else if (arg.option == "--number") {
      type = notes::LNITEMTYPE_NUMBERS;
    } else if (arg.option == "--datetime") {
      type = notes::LNITEMTYPE_DATETIMES;
    } else {
      continue;
    }
    auto [name, value] = SplitAssignment(arg.value, "item");
    ItemArgument* item = nullptr;
    for (ItemArgument& known : items) {
      if (SameNotesName(known.name, name)) item = &known;
    }
    if (item == nullptr) {
      item = &items.emplace_back();
      item->name = name;
      item->type = type;
    } else if (item->type != type) {
      throw UsageError("item " + name + " is given both as " + WordsFor(item->type).prose +
                       " and as " + WordsFor(type).prose);
    }
    if (type == notes::LNITEMTYPE_NUMBERS) {
      item->numbers.push_back(ParseFiniteNumber(value, "number of item " + name));
    } else if (type == notes::LNITEMTYPE_DATETIMES) {
      item->datetimes.push_back(ParseDatetime(value, "date-time of item " + name, true));
    } else {
      item->texts.push_back(std::move(value));
    }
  }
  return items;
}

void ExpectPlain(const ParsedArguments& args, size_t at_least, size_t at_most,
                 std::string_view names) {
  if (args.plain.size() < at_least) throw UsageError("missing " + std::string(names));
  if (args.plain.size() > at_most) {
    throw UsageError("unexpected argument '" + args.plain[at_most] + "'");
  }
}

// Throwing mode is on: a failing Notes call throws its status from here.
void OpenDatabase(const std::string& path, LNNotesSession& session, LNDatabase& db) {
  session.Initialize();
  session.GetDatabase(path, &db, "");
  db.Open();
}

void WriteItems(LNDocument& doc, const std::vector<ItemArgument>& items) {
  for (const ItemArgument& item : items)
    doc.CreateItem(item.name, item.ToItem());
}

int Create(const ParsedArguments& args) {
  ExpectPlain(args, 1, 1, "DB");
  const std::string& path = args.plain[0];
  const std::string* first = args.Value("--first-note-id");
  const NOTEID first_note_id = first != nullptr ? ParseUnsigned32(*first, "first note ID") : 1;
  LNDatabase::Create(path, std::filesystem::path(path).stem().string(), first_note_id);
  return kExitOk;
}

// The items of a Person document that a sync carries, as a sentence.
std::string SyncedItemsText() {
  std::string text = "the items that sync are";
  for (const char* name : kPersonItemNames)
    text += std::string(name == kPersonItemNames[0] ? " " : ", ") + name;
  return text;
}

int AddPerson(const ParsedArguments& args) {
  ExpectPlain(args, 1, SIZE_MAX, "DB");
  const std::string* form = args.Value("--form");
  const std::string* modified = args.Value("--modified");
  const LNDatetime forced = modified ? ParseDatetime(*modified, "--modified", false) : LNDatetime();
  const std::vector<ItemArgument> items = CollectItems(args, 1);

  LNNotesSession session;
  LNDatabase db;
  OpenDatabase(args.plain[0], session, db);
  LNDocument doc;
  db.CreateDocument(&doc, form ? *form : kPersonForm);
  WriteItems(doc, items);
  if (modified) doc.SetLastModifiedForSave(forced);
  doc.Save();
  std::printf("%u\n", doc.GetNoteID());
  // Standard output stays the note ID alone.
  std::string unsynced;
  for (const ItemArgument& item : items) {
    const bool named = std::any_of(items.data(), &item, [&](const ItemArgument& earlier) {
      return SameNotesName(earlier.name, item.name);
    });
    if (!IsSyncedPersonItem(item.name) && !named)
      unsynced += (unsynced.empty() ? "" : ", ") + item.name;
  }
  if (!unsynced.empty() && (form == nullptr || IsPersonForm(*form))) {
    std::fprintf(stderr, "pimsync: notes add-person: warning: %s never sync%s; %s\n",
                 unsynced.c_str(), unsynced.find(", ") == std::string::npos ? "s" : "",
                 SyncedItemsText().c_str());
  }
  return kExitOk;
}

int AddTodo(const ParsedArguments& args) {
  ExpectPlain(args, 1, SIZE_MAX, "DB");
  const std::string* start = args.Value("--start");
  const std::string* end = args.Value("--end");
  if (start == nullptr) throw UsageError("--start is required");
  if (end == nullptr) throw UsageError("--end is required");
  LNDatetimeRange range;
  range.SetBegin(ParseDatetime(*start, "--start", true));
  range.SetEnd(ParseDatetime(*end, "--end", true));
  const auto moment = [](const LNDatetime& at) {
    return std::tuple(at.GetYear(), at.GetMonth(), at.GetDay(), at.GetHour(), at.GetMinute(),
                      at.GetSecond());
  };
  if (moment(range.GetEnd()) < moment(range.GetBegin())) {
    throw UsageError("--end '" + *end + "' comes before --start '" + *start + "'");
  }
  const std::string* alarm = args.Value("--alarm");
  if (alarm && *alarm != "on" && *alarm != "off") {
    throw UsageError("--alarm takes on or off, not '" + *alarm + "'");
  }
  const bool alarm_on = alarm && *alarm == "on";
  const std::string* modified = args.Value("--modified");
  const LNDatetime forced = modified ? ParseDatetime(*modified, "--modified", false) : LNDatetime();
  const std::vector<ItemArgument> items = CollectItems(args, 1);
  const std::string* brief = args.Value("--brief");

  LNNotesSession session;
  LNCalendar calendar;
  session.Initialize();
  session.GetCalendar(&calendar, args.plain[0], "", "");
  LNCalendarEntry entry;
  calendar.CreateEntry(range, brief ? *brief : "", notes::LNCALENDARENTRYTYPE_TODO, &entry);
  const NOTEID id = entry.GetNoteID();
  // The entry is saved once it exists; what the command adds goes in a second save, and a
  // to-do left half-written by a failure there is taken out again.
  try {
    if (alarm_on) {
      entry.SetIsAlarmEnabled(notes::TRUE);
      entry.SetAlarmDatetime(range.GetEnd());  // rings when the to-do falls due
    }
    WriteItems(entry, items);
    if (modified) entry.SetLastModifiedForSave(forced);
    if (alarm_on || modified || !items.empty()) entry.Save();
  } catch (LNSTATUS) {
    try {
      calendar.DeleteNote(id);
    } catch (LNSTATUS) {
      // The first failure is the one to report.
    }
    throw;
  }
  std::printf("%u\n", id);
  return kExitOk;
}

int Set(const ParsedArguments& args) {
  ExpectPlain(args, 2, SIZE_MAX, "DB and NOTEID");
  const NOTEID id = ParseUnsigned32(args.plain[1], "note ID");
  const std::string* modified = args.Value("--modified");
  const LNDatetime forced = modified ? ParseDatetime(*modified, "--modified", false) : LNDatetime();
  const std::vector<ItemArgument> items = CollectItems(args, 2);
  if (items.empty() && !modified) {
    throw UsageError("nothing to set: give ITEM=VALUE, --number, --datetime or --modified");
  }

  LNNotesSession session;
  LNDatabase db;
  OpenDatabase(args.plain[0], session, db);
  LNDocument doc;
  db.GetDocument(id, &doc);
  doc.Open();
  WriteItems(doc, items);
  if (modified) doc.SetLastModifiedForSave(forced);
  doc.Save();
  return kExitOk;
}

int Delete(const ParsedArguments& args) {
  ExpectPlain(args, 2, 2, "DB and NOTEID");
  const NOTEID id = ParseUnsigned32(args.plain[1], "note ID");
  LNNotesSession session;
  LNDatabase db;
  OpenDatabase(args.plain[0], session, db);
  db.DeleteNote(id);
  return kExitOk;
}

// The item's values joined by commas; texts quoted as JSON strings, date-times too when
// `quote_datetimes`.
std::string JoinValues(const LNItem& item, bool quote_datetimes) {
  std::string out;
  ForEachValue(item, [&](const auto& value) {
    if (!out.empty()) out += ',';
    using Value = std::decay_t<decltype(value)>;
    if constexpr (std::is_same_v<Value, double>) {
      out += JsonNumber(value);
    } else if constexpr (std::is_same_v<Value, LNDatetime>) {
      out += quote_datetimes ? JsonString(value.GetText()) : value.GetText();
    } else {
      out += JsonString(value);
    }
  });
  return out;
}

std::string JsonLine(LNDocument& doc) {
  std::string line = "{\"noteid\":" + std::to_string(doc.GetNoteID()) +
                     ",\"form\":" + JsonString(doc.GetFormName()) +
                     ",\"modified\":" + JsonString(doc.GetLastModified().GetText()) +
                     ",\"items\":{";
  bool first = true;
  for (const LNItem& item : doc.GetItems()) {
    if (!first) line += ',';
    first = false;
    const notes::LNITEMTYPE type = item.GetType();
    line += JsonString(item.GetName()) + ":{\"type\":" + std::to_string(type) + ",\"kind\":\"" +
            WordsFor(type).kind + "\",\"values\":[" + JoinValues(item, true) + "]}";
  }
  line += '}';
  if (LNCalendarEntry::IsCalendarEntry(doc)) {
    LNCalendarEntry entry(doc);
    LNDatetimeRange range;
    LNString brief;
    entry.GetDatetimeRange(&range);
    entry.GetBriefDescription(&brief);
    line += ",\"entry\":{\"start\":" + JsonString(range.GetBegin().GetText()) +
            ",\"end\":" + JsonString(range.GetEnd().GetText()) + ",\"brief\":" + JsonString(brief) +
            ",\"alarm\":" + (entry.GetIsAlarmEnabled() ? "true" : "false") + "}";
  }
  return line + "}\n";
}

// One cell of the table's ITEMS column: Name=value, lists joined by commas, text quoted so
// that blanks and separators inside it stay readable.
std::string ItemCell(const LNItem& item) {
  return item.GetName() + "=" + JoinValues(item, false);
}

// A table cell as it is when that is unambiguous, else quoted.
std::string PlainCell(const std::string& text) {
  const bool plain = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return static_cast<unsigned char>(c) > ' ' && c != '"' && c != '\\' && c != 0x7F;
  });
  return plain ? text : JsonString(text);
}

int List(const ParsedArguments& args) {
  ExpectPlain(args, 1, 1, "DB");
  const bool json = args.HasFlag("--json");
  LNNotesSession session;
  LNDatabase db;
  OpenDatabase(args.plain[0], session, db);
  LNDocumentArray documents;
  db.GetDocuments(&documents);

  std::vector<std::array<std::string, 4>> rows = {{"NOTEID", "FORM", "MODIFIED", "ITEMS"}};
  for (uint32_t i = 0; i < documents.GetCount(); ++i) {
    LNDocument doc = documents[i];
    doc.Open();
    if (json) {
      std::fputs(JsonLine(doc).c_str(), stdout);
    } else {
      std::string items;
      for (const LNItem& item : doc.GetItems())
        items += (items.empty() ? "" : "  ") + ItemCell(item);
      rows.push_back({std::to_string(doc.GetNoteID()), PlainCell(doc.GetFormName()),
                      doc.GetLastModified().GetText(), items});
    }
    doc.Close();
  }
  if (json) return kExitOk;
  size_t widths[3] = {};
  for (const auto& row : rows) {
    for (size_t c = 0; c < 3; ++c)
      widths[c] = std::max(widths[c], row[c].size());
  }
  for (const auto& row : rows) {
    std::string line;
    for (size_t c = 0; c < 3; ++c)
      line += row[c] + std::string(widths[c] - row[c].size() + 2, ' ');
    line += row[3];
    while (!line.empty() && line.back() == ' ')
      line.pop_back();
    std::puts(line.c_str());
  }
  return kExitOk;
}

struct Subcommand {
  std::string_view name;
  std::string_view synopsis;
  std::string_view description;
  std::span<const OptionSpec> options;
  bool takes_items;
  int (*run)(const ParsedArguments&);
};

constexpr Subcommand kSubcommands[] = {
    {"create", "create DB [--first-note-id N]",
     "Makes a new, empty database file at DB (which must not exist). Its first note gets the\n"
     "note ID N (1 unless given), the next N+1, and so on.",
     kCreateOptions, false, Create},
    {"add-person",
     "add-person DB [--form NAME] [--modified \"YYYY-MM-DD HH:MM:SS\"] [ITEM=VALUE ...]",
     "Adds a document, of form Person unless --form names another, and prints its note ID.\n"
     "--modified stamps that last-modified time instead of the current one.",
     kPersonOptions, true, AddPerson},
    {"add-todo",
     "add-todo DB --start \"YYYY-MM-DD HH:MM:SS\" --end \"YYYY-MM-DD HH:MM:SS\"\n"
     "                 [--brief TEXT] [--alarm on|off] [--modified ...] [ITEM=VALUE ...]",
     "Adds a to-do to the calendar of DB and prints its note ID. With --alarm on the alarm\n"
     "rings at the end time.",
     kTodoOptions, true, AddTodo},
    {"set", "set DB NOTEID [--modified \"YYYY-MM-DD HH:MM:SS\"] ITEM=VALUE ...",
     "Writes items into the note and saves it, stamped with the current time or --modified.",
     kSetOptions, true, Set},
    {"delete",
     "delete DB NOTEID",
     "Deletes the note. Its note ID is never given out again.",
     {},
     false,
     Delete},
    {"list", "list DB [--json]",
     "Lists every note in note-ID order: a table, or with --json one JSON object per line:\n"
     "{\"noteid\":N,\"form\":...,\"modified\":...,\"items\":{NAME:{\"type\":T,\"values\":[...]}}}\n"
     "with \"entry\":{\"start\",\"end\",\"brief\",\"alarm\"} added for calendar entries.",
     kListOptions, false, List},
};

void PrintNotesUsage(std::FILE* out) {
  std::fputs("usage: pimsync notes COMMAND ARGUMENTS\n\ncommands:\n", out);
  for (const Subcommand& sub : kSubcommands)
    std::fprintf(out, "  pimsync notes %s\n", std::string(sub.synopsis).c_str());
  std::fprintf(out, "\n%s", std::string(kItemsHelp).c_str());
  std::fputs("\n'pimsync notes COMMAND --help' tells more about one command.\n", out);
}

void PrintSubcommandUsage(const Subcommand& sub) {
  std::printf("usage: pimsync notes %s\n\n%s\n", std::string(sub.synopsis).c_str(),
              std::string(sub.description).c_str());
  if (sub.takes_items) std::printf("\n%s", std::string(kItemsHelp).c_str());
  if (sub.run == AddPerson) std::printf("\nIn a Person document, %s.\n", SyncedItemsText().c_str());
}

// Standard output must have reached its file: a sync script reads the note IDs from it.
int FlushOutput(int status) {
  if (std::fflush(stdout) != 0 && status == kExitOk) {
    std::fputs("pimsync: notes: cannot write the output\n", stderr);
    return kExitFailure;
  }
  return status;
}

}  // namespace

int RunNotesCommand(std::span<const std::string> args) {
  if (args.empty()) {
    std::fputs("pimsync: notes: a command is missing (see 'pimsync notes --help')\n", stderr);
    return kExitUsage;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    PrintNotesUsage(stdout);
    return FlushOutput(kExitOk);
  }
  const Subcommand* sub = nullptr;
  for (const Subcommand& candidate : kSubcommands) {
    if (candidate.name == args[0]) sub = &candidate;
  }
  if (sub == nullptr) {
    std::fprintf(stderr, "pimsync: notes: unknown command '%s' (see 'pimsync notes --help')\n",
                 args[0].c_str());
    return kExitUsage;
  }
  const std::string name(sub->name);
  const bool throwing = notes::LNGetThrowAllErrorsGlobal() != notes::FALSE;
  notes::LNSetThrowAllErrorsGlobal(notes::TRUE);
  int status;
  std::string db;  // named in the message of a failed Notes call
  try {
    const ParsedArguments parsed = ParseArguments(args.subspan(1), sub->options);
    if (!parsed.plain.empty()) db = parsed.plain[0] + ": ";
    if (parsed.help) {
      PrintSubcommandUsage(*sub);
      status = kExitOk;
    } else {
      status = sub->run(parsed);
    }
  } catch (const UsageError& e) {
    std::fprintf(stderr, "pimsync: notes %s: %s (see 'pimsync notes %s --help')\n", name.c_str(),
                 e.what(), name.c_str());
    status = kExitUsage;
  } catch (LNSTATUS failure) {
    std::fprintf(stderr, "pimsync: notes %s: %s%s\n", name.c_str(), db.c_str(),
                 notes::LNGetErrorMessage(failure).c_str());
    status = kExitFailure;
  }
  notes::LNSetThrowAllErrorsGlobal(throwing ? notes::TRUE : notes::FALSE);
  return FlushOutput(status);
}

}  // namespace pim::cli
