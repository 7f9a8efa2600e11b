#include "verify_run.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "handler_library.h"
#include "json_text.h"
#include "run_checks.h"
#include "staged_run.h"
#include "sync_run.h"

namespace pim::cli {
namespace {

// A record as the handler's writer puts it: its key (the LUID line) and its fields in the order
// written. Each side is read by the library itself, so both come out of the same writer and
// compare line by line.
struct Rendered {
  std::string key;
  std::vector<std::pair<std::string, std::string>> fields;

  const std::string* Field(std::string_view name) const {
    for (const auto& [field, value] : fields) {
      if (field == name) return &value;
    }
    return nullptr;
  }
};

// Lines that say nothing about what a person sees: the frame, the times of the last
// change (each side stamps its own), and the last name, which the phone never sends back (its
// name is N alone), so the two sides cannot agree on it.
bool Compared(std::string_view field) {
  for (const char* skipped : {"VERSION", "REV", "LAST-MODIFIED", "LN"}) {
    if (field == skipped) return false;
  }
  return true;
}

// The records of `kind` ("VCARD" or "VTODO") in a text of records written one after another.
// A line without a colon goes on the value before it: the writer copies values as they are.
std::vector<Rendered> ParseRecords(std::string_view text, std::string_view kind) {
  std::vector<Rendered> records;
  bool inside = false;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const size_t colon = line.find(':');
    const std::string_view name = line.substr(0, colon);
    const std::string_view value =
        colon == std::string_view::npos ? std::string_view() : line.substr(colon + 1);
    if (name == "BEGIN" && value == kind) {
      records.emplace_back();
      inside = true;
    } else if (!inside) {
      continue;
    } else if (name == "END" && value == kind) {
      inside = false;
    } else if (colon == std::string_view::npos) {
      if (!records.back().fields.empty()) {
        records.back().fields.back().second.append("\n").append(line);
      }
    } else if (name == "X-VOQ-LUID") {
      records.back().key = value;
    } else {
      records.back().fields.emplace_back(name, value);
    }
  }
  return records;
}

std::string ReadRecordFile(const std::string& path) {
  std::string text;
  if (!ReadWholeFile(path, text)) throw std::runtime_error("cannot read " + path);
  return text;
}

// One kind of record: its two sides keyed by note ID and by the phone's LUID, and the pairs
// the store holds, in store order.
struct Sides {
  std::map<std::string, Rendered> notes;
  std::map<std::string, Rendered> phone;
  std::vector<std::pair<std::string, std::string>> pairs;  // note ID, phone LUID
};

std::map<std::string, Rendered> Keyed(std::vector<Rendered> records) {
  std::map<std::string, Rendered> keyed;
  for (Rendered& record : records) {
    std::string key = record.key;
    keyed.emplace(std::move(key), std::move(record));
  }
  return keyed;
}

// The debug output of the store's dump: one text per record.
std::vector<std::string> g_dumped;
void KeepDumped(const char* text) {
  g_dumped.emplace_back(text != nullptr ? text : "");
}

std::string g_first_box;
int KeepFirstMessage(void*, const char* text, const char*, unsigned int) {
  if (g_first_box.empty() && text != nullptr) g_first_box = text;
  return 1;  // IDOK
}

class CannotTell : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Plays the phone on `contacts` and `calendar` only to have the library write what it reads
// there, as a phone's record files keyed by note ID.
void ReadAsPhone(HandlerLibrary& library, const std::string& contacts, const std::string& calendar,
                 const std::string& contact_file, const std::string& todo_file,
                 const std::string& what) {
  g_first_box.clear();
  PIM_ENTRY(library, PIMHandler_Prepare)
  (kDefaultSyncMode, INT32_MAX, INT32_MAX, contacts.c_str(), "", "", calendar.c_str(), "");
  const int32_t read =
      PIM_ENTRY(library, PIMHandler_InitAsFakePhone)(contact_file.c_str(), todo_file.c_str());
  PIM_ENTRY(library, PIMHandler_DeinitAsFakePhone)();
  if (read != 0) {
    throw CannotTell("cannot read " + what + (g_first_box.empty() ? "" : ": " + g_first_box));
  }
}

// The pairs of the store: the dump gives the phone's LUIDs, the dump as a phone the note IDs,
// record by record in the same order.
void ReadPairs(HandlerLibrary& library, const std::string& store, const std::string& dir,
               Sides& contacts, Sides& todos) {
  const std::string contact_file = dir + "/store-contacts.vcf";
  const std::string todo_file = dir + "/store-todos.vcs";
  g_dumped.clear();
  PIM_ENTRY(library, PIMPlatform_SetDebugOutputHook)(&KeepDumped);
  const int32_t dumped = PIM_ENTRY(library, PIMHandler_DumpSyncObjectStore)(store.c_str());
  PIM_ENTRY(library, PIMPlatform_SetDebugOutputHook)(nullptr);
  const int32_t keyed = PIM_ENTRY(library, PIMHandler_DumpSyncObjectStoreAsFakePhone)(
      store.c_str(), contact_file.c_str(), todo_file.c_str());
  if (dumped != 0 || keyed != 0) throw CannotTell("cannot read the store " + store);
  std::vector<Rendered> by_luid;
  for (const std::string& text : g_dumped) {
    for (const char* kind : {"VTODO", "VCARD"}) {
      for (Rendered& record : ParseRecords(text, kind))
        by_luid.push_back(std::move(record));
    }
  }
  const std::vector<Rendered> store_todos = ParseRecords(ReadRecordFile(todo_file), "VTODO");
  const std::vector<Rendered> store_contacts = ParseRecords(ReadRecordFile(contact_file), "VCARD");
  if (by_luid.size() != store_todos.size() + store_contacts.size()) {
    throw CannotTell("the store " + store + " reads differently in its two dumps");
  }
  size_t at = 0;
  for (const auto& [records, sides] :
       {std::pair{&store_todos, &todos}, {&store_contacts, &contacts}}) {
    for (const Rendered& record : *records) {
      // A record the phone had not yet answered for has no LUID; one Notes had not yet made,
      // note ID 0.
      sides->pairs.emplace_back(record.key == "0" ? "" : record.key, by_luid[at++].key);
    }
  }
}

struct FieldDifference {
  std::string field;
  std::optional<std::string> notes;  // none: the side has no such line
  std::optional<std::string> phone;
};

struct Finding {
  enum Kind { kFields, kNotesOnly, kPhoneOnly, kGoneFromNotes, kGoneFromPhone };
  Kind kind;
  std::string name;
  std::string note_id;
  std::string luid;
  std::vector<FieldDifference> fields;
};

// The fields in which two records of a pair disagree, in the order the writer puts them.
std::vector<FieldDifference> Differences(const Rendered& notes, const Rendered& phone) {
  std::vector<FieldDifference> differences;
  for (const auto& [field, value] : notes.fields) {
    const std::string* other = phone.Field(field);
    if (Compared(field) && (other == nullptr || *other != value))
      differences.push_back(
          {field, value, other != nullptr ? std::optional(*other) : std::nullopt});
  }
  for (const auto& [field, value] : phone.fields) {
    if (Compared(field) && notes.Field(field) == nullptr)
      differences.push_back({field, std::nullopt, value});
  }
  return differences;
}

// A record as a person knows it: a contact's name (or company), a to-do's text.
std::string NameOf(const Rendered& record) {
  if (const std::string* text = record.Field("SUMMARY")) return *text;
  std::string name;
  for (const char* part : {"N", "LN"}) {
    const std::string* value = record.Field(part);
    if (value != nullptr && !value->empty()) name += (name.empty() ? "" : " ") + *value;
  }
  const std::string* company = record.Field("ORG");
  return name.empty() && company != nullptr ? *company : name;
}

std::vector<Finding> Compare(Sides& sides) {
  std::vector<Finding> findings;
  std::vector<Finding> one_sided;
  for (const auto& [note_id, luid] : sides.pairs) {
    const auto notes = sides.notes.find(note_id);
    const auto phone = sides.phone.find(luid);
    const bool in_notes = !note_id.empty() && notes != sides.notes.end();
    const bool on_phone = !luid.empty() && phone != sides.phone.end();
    if (in_notes && on_phone) {
      std::vector<FieldDifference> fields = Differences(notes->second, phone->second);
      if (!fields.empty()) {
        findings.push_back(
            {Finding::kFields, NameOf(notes->second), note_id, luid, std::move(fields)});
      }
    } else if (in_notes) {
      one_sided.push_back({Finding::kGoneFromPhone, NameOf(notes->second), note_id, luid, {}});
    } else if (on_phone) {
      one_sided.push_back({Finding::kGoneFromNotes, NameOf(phone->second), note_id, luid, {}});
    }
    if (in_notes) sides.notes.erase(notes);
    if (on_phone) sides.phone.erase(phone);
  }
  for (const auto& [note_id, record] : sides.notes)
    findings.push_back({Finding::kNotesOnly, NameOf(record), note_id, "", {}});
  for (const auto& [luid, record] : sides.phone)
    findings.push_back({Finding::kPhoneOnly, NameOf(record), "", luid, {}});
  findings.insert(findings.end(), one_sided.begin(), one_sided.end());
  return findings;
}

// A field as a person names it.
const char* FieldWords(std::string_view field) {
  static constexpr std::pair<std::string_view, const char*> kWords[] = {
      {"N", "name"},
      {"ORG", "company"},
      {"TEL;WORK;VOICE", "work phone"},
      {"TEL;HOME;VOICE", "home phone"},
      {"TEL;CELL;VOICE", "mobile phone"},
      {"TEL;WORK;FAX", "work fax"},
      {"EMAIL;PREF;INTERNET", "e-mail"},
      {"X-VOQ-PHB-PIC-ID", "picture"},
      {"X-VOQ-PHB-RING-ID", "ring tone"},
      {"X-VOQ-PHB-CGROUP-ID", "caller group"},
      {"X-VOQ-PHB-STORAGE", "phone memory"},
      {"DTSTART", "start"},
      {"DTEND", "end"},
      {"AALARM", "alarm"},
      {"SUMMARY", "text"},
      {"RRULE", "repeat"}};
  for (const auto& [name, words] : kWords) {
    if (name == field) return words;
  }
  return nullptr;
}

std::string Quoted(const std::optional<std::string>& value) {
  return value ? "\"" + *value + "\"" : "(none)";
}

std::string Named(const Finding& finding, const char* unnamed) {
  return finding.name.empty() ? unnamed : finding.name;
}

void PrintText(const char* kind, const char* unnamed, size_t pairs,
               const std::vector<Finding>& findings) {
  std::printf("%s: %zu paired\n", kind, pairs);
  for (const Finding& finding : findings) {
    const std::string name = Named(finding, unnamed);
    switch (finding.kind) {
      case Finding::kFields:
        std::printf("  %s (Notes %s, phone %s) differs in\n", name.c_str(), finding.note_id.c_str(),
                    finding.luid.c_str());
        for (const FieldDifference& difference : finding.fields) {
          const char* words = FieldWords(difference.field);
          const std::string field = words != nullptr
                                        ? std::string(words) + " (" + difference.field + ")"
                                        : difference.field;
          std::printf("    %s: Notes %s, phone %s\n", field.c_str(),
                      Quoted(difference.notes).c_str(), Quoted(difference.phone).c_str());
        }
        break;
      case Finding::kNotesOnly:
        std::printf("  %s (Notes %s): in Notes only, paired with nothing on the phone\n",
                    name.c_str(), finding.note_id.c_str());
        break;
      case Finding::kPhoneOnly:
        std::printf("  %s (phone %s): on the phone only, paired with nothing in Notes\n",
                    name.c_str(), finding.luid.c_str());
        break;
      case Finding::kGoneFromNotes:
        std::printf("  %s (phone %s): its pair is gone from Notes\n", name.c_str(),
                    finding.luid.c_str());
        break;
      case Finding::kGoneFromPhone:
        std::printf("  %s (Notes %s): its pair is gone from the phone\n", name.c_str(),
                    finding.note_id.c_str());
        break;
    }
  }
}

std::string JsonKey(const std::string& key) {
  return key.empty() ? "null" : JsonString(key);
}

std::string JsonValue(const std::optional<std::string>& value) {
  return value ? JsonString(*value) : "null";
}

std::string JsonFindings(size_t pairs, const std::vector<Finding>& findings) {
  static constexpr const char* kStates[] = {"differs", "notes-only", "phone-only",
                                            "gone-from-notes", "gone-from-phone"};
  std::string json = "{\"paired\":" + std::to_string(pairs) + ",\"findings\":[";
  for (const Finding& finding : findings) {
    if (json.back() != '[') json += ',';
    json += "{\"state\":\"" + std::string(kStates[finding.kind]) +
            "\",\"name\":" + JsonString(finding.name) + ",\"notes\":" +
            // A note ID is written as a number ("%d") by the library.
            (finding.note_id.empty() ? "null" : finding.note_id) +
            ",\"phone\":" + JsonKey(finding.luid);
    if (finding.kind == Finding::kFields) {
      json += ",\"fields\":[";
      for (const FieldDifference& difference : finding.fields) {
        if (json.back() != '[') json += ',';
        json += "{\"field\":" + JsonString(difference.field) +
                ",\"notes\":" + JsonValue(difference.notes) +
                ",\"phone\":" + JsonValue(difference.phone) + "}";
      }
      json += "]";
    }
    json += "}";
  }
  return json + "]}";
}

int Verify(const VerifyOptions& options) {
  std::vector<RunFile> databases = {{"--contacts", options.contacts_db},
                                    {"--phone", options.phone_db}};
  if (!options.calendar_db.empty()) databases.push_back({"--calendar", options.calendar_db});
  std::vector<RunFile> all = databases;
  all.push_back({"--store", options.store});
  CheckDistinctFiles(all);
  CheckDatabasesExist(databases);
  struct stat st {};
  if (::stat(options.store.c_str(), &st) != 0) {
    throw CannotTell("no store at " + options.store + " (--store): " +
                     (errno == ENOENT ? std::string("verify compares the records a sync paired; ") +
                                            "sync first, with this store"
                                      : std::string(std::strerror(errno))));
  }
  StoreLock lock(options.store);
  DatabaseLocks database_locks(databases);
  if (StagedRun::Interrupted(options.store)) {
    throw CannotTell("a run on " + options.store + " was stopped after it had committed its " +
                     "changes: run pimsync sync to put them in place first");
  }
  HandlerLibrary library(options.library.empty() ? HandlerLibrary::DefaultPath() : options.library);
  CheckStore(library, options.store, ReadDatabases(databases));
  PIM_ENTRY(library, PIMPlatform_SetMessageBoxHook)(&KeepFirstMessage);
  // The to-dos of the days the last run took: the others are not synced.
  SetTodoRange(library, RecordedTodoRange(options.store, kHostCalendarRange));
  ExchangeDir dir("");
  Sides contacts;
  Sides todos;
  ReadPairs(library, options.store, dir.path(), contacts, todos);
  const std::string calendar =
      options.calendar_db.empty() ? options.contacts_db : options.calendar_db;
  const std::string& d = dir.path();
  ReadAsPhone(library, options.contacts_db, calendar, d + "/notes.vcf", d + "/notes.vcs",
              "Notes (" + options.contacts_db + ")");
  ReadAsPhone(library, options.phone_db, options.phone_db, d + "/phone.vcf", d + "/phone.vcs",
              "the phone (" + options.phone_db + ")");
  contacts.notes = Keyed(ParseRecords(ReadRecordFile(d + "/notes.vcf"), "VCARD"));
  todos.notes = Keyed(ParseRecords(ReadRecordFile(d + "/notes.vcs"), "VTODO"));
  contacts.phone = Keyed(ParseRecords(ReadRecordFile(d + "/phone.vcf"), "VCARD"));
  todos.phone = Keyed(ParseRecords(ReadRecordFile(d + "/phone.vcs"), "VTODO"));

  const size_t contact_pairs = contacts.pairs.size();
  const size_t todo_pairs = todos.pairs.size();
  const std::vector<Finding> contact_findings = Compare(contacts);
  const std::vector<Finding> todo_findings = Compare(todos);
  const bool agree = contact_findings.empty() && todo_findings.empty();
  if (options.json) {
    std::printf("{\"agree\":%s,\"contacts\":%s,\"todos\":%s}\n", agree ? "true" : "false",
                JsonFindings(contact_pairs, contact_findings).c_str(),
                JsonFindings(todo_pairs, todo_findings).c_str());
  } else {
    PrintText("contacts", "(no name)", contact_pairs, contact_findings);
    PrintText("to-dos", "(no text)", todo_pairs, todo_findings);
    std::printf(agree ? "Notes and the phone agree.\n"
                      : "Notes and the phone differ. A sync settles the records changed since the "
                        "last one; a difference left after a sync stays until one side changes "
                        "the record again.\n");
  }
  return agree ? kVerifyAgree : kVerifyDiffer;
}

}  // namespace

int RunVerify(const VerifyOptions& options) {
  try {
    const int status = Verify(options);
    return std::fflush(stdout) == 0 ? status : kVerifyUnknown;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pimsync: verify: cannot tell whether the sides agree: %s\n", e.what());
    return kVerifyUnknown;
  }
}

}  // namespace pim::cli
