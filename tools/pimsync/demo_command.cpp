// `pimsync demo`: the main job on sample data. The first time it builds a Notes database, a
// phone and the store of an earlier sync that paired them, and then lets the two sides drift
// apart: contacts and to-dos changed, added and deleted on either side, one contact changed on
// both. Then it syncs them and shows what moved. Run again, it shows a run with nothing to do.
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "command_line.h"
#include "gammu_phone.h"
#include "notes/sync_scope.h"
#include "notesapi/lncalendar.h"
#include "notesapi/lnsession.h"
#include "run_commands.h"
#include "sync_run.h"

namespace pim::cli {
namespace {

using namespace pim::notes;
using Items = std::vector<std::pair<std::string, std::string>>;

constexpr char kDemoUsage[] =
    "usage: pimsync demo [--gammu] [--library PATH] [DIR]\n"
    "\n"
    "Sets up, when DIR (default ./pimsync-demo) holds none yet, a sample Notes database\n"
    "(DIR/notes.db) and a sample phone (DIR/phone.db) that were synced once and have drifted\n"
    "apart since, then runs 'pimsync sync' on them with the store DIR/store.dat, keeping the\n"
    "exchanged files in DIR/exchange. Run again, it shows a run with nothing to do.\n"
    "\n"
    "  --gammu          the phone is gammu's dummy phone, its memory in DIR/phone and its\n"
    "                   configuration in DIR/gammurc (try 'gammu -c DIR/gammurc getallmemory ME')\n"
    "  --library PATH   the handler library (default: libpimhandler.so beside pimsync)\n";

LNDatetime At(int year, int month, int day, int hour, int minute) {
  LNDatetime when;
  when.SetDate(month, day, year);
  when.SetTime(hour, minute, 0, 0);
  return when;
}

// The sample's own edits, made through the Notes stand-in as a user of either side would.
class Sample {
 public:
  explicit Sample(const std::string& path) {
    session_.Initialize();
    session_.GetDatabase(path, &db_, "");
    db_.Open();
    session_.GetCalendar(&calendar_, path, "", "");
  }
  ~Sample() { session_.Term(0); }
  Sample(const Sample&) = delete;
  Sample& operator=(const Sample&) = delete;

  NOTEID AddPerson(const Items& items, const LNDatetime& modified) {
    LNDocument document;
    db_.CreateDocument(&document, kPersonForm);
    Set(document, items, modified);
    return document.GetNoteID();
  }

  void AddTodo(const LNDatetime& start, const LNDatetime& end, const std::string& brief,
               bool alarm) {
    LNDatetimeRange range;
    range.SetBegin(start);
    range.SetEnd(end);
    LNCalendarEntry entry;
    calendar_.CreateEntry(range, brief, LNCALENDARENTRYTYPE_TODO, &entry);
    entry.SetIsAlarmEnabled(alarm ? TRUE : FALSE);
    entry.SetAlarmDatetime(end);
    entry.SetLastModifiedForSave(start);
    entry.Save(0, TRUE);
  }

  // The note whose text item `item` reads `value`.
  NOTEID Find(const std::string& item, const std::string& value) {
    LNDocumentArray documents;
    db_.GetDocuments(&documents);
    for (uint32_t i = 0; i < documents.GetCount(); ++i) {
      LNDocument document = documents[i];
      document.Open(0);
      LNItem found;
      if (document.HasItem(item)) {
        document.GetItem(item, &found);
        if (found.Texts() != nullptr && !found.Texts()->empty() &&
            found.Texts()->front() == value) {
          return document.GetNoteID();
        }
      }
    }
    throw std::runtime_error("the sample lacks " + value);
  }

  void Edit(NOTEID id, const Items& items, const LNDatetime& modified) {
    LNDocument document;
    db_.GetDocument(id, &document);
    document.Open(0);
    Set(document, items, modified);
  }

  void RenameTodo(NOTEID id, const std::string& brief, const LNDatetime& modified) {
    LNCalendarEntry entry;
    calendar_.GetDocument(id, &entry);
    entry.Open(0);
    entry.SetBriefDescription(brief);
    entry.SetLastModifiedForSave(modified);
    entry.Save(0, TRUE);
  }

  void Delete(NOTEID id) { db_.DeleteNote(id); }

  LNDatabase& database() { return db_; }

 private:
  static void Set(LNDocument& document, const Items& items, const LNDatetime& modified) {
    for (const auto& [name, value] : items) {
      LNText text;
      text.SetValue(value, TRUE);
      document.CreateItem(name, text);
    }
    document.SetLastModifiedForSave(modified);
    document.Save(0);
  }

  LNNotesSession session_;
  LNDatabase db_;
  LNCalendar calendar_;
};

void CreateNotes(const std::string& path) {
  LNDatabase::Create(path, "Demo contacts and to-dos");
  Sample notes(path);
  const LNDatetime entered = At(2019, 1, 7, 9, 0);
  const std::vector<Items> people = {
      {{kFirstNameItem, "Ann Archer"},
       {kLastNameItem, "Archer"},
       {kCategoriesItem, "Family"},
       {kCellPhoneItem, "+44 7700 900001"},
       {kMailAddressItem, "ann@example.org"}},
      {{kFirstNameItem, "Bob Baker"},
       {kCompanyItem, "Baker & Sons"},
       {kCategoriesItem, "Business"},
       {kOfficePhoneItem, "+44 20 7946 0002"},
       {kOfficeFaxItem, "+44 20 7946 0003"}},
      {{kFirstNameItem, "Carla Diaz"},
       {kCategoriesItem, "Friends"},
       {kMailAddressItem, "carla@example.org"},
       {kCellPhoneItem, "+34 600 000 004"}},
      {{kFirstNameItem, "David Evans"}, {kCategoriesItem, "VIP"}, {kPhoneItem, "+44 161 496 0005"}},
      {{kFirstNameItem, "Erin Fox"}, {kCellPhoneItem, "+353 85 000 0006"}},
      {{kFirstNameItem, "Frank Green"},
       {kCompanyItem, "Green Gardens"},
       {kOfficePhoneItem, "+44 117 496 0007"}},
      {{kFirstNameItem, "Grace Hall"}, {kMailAddressItem, "grace@example.net"}},
      {{kFirstNameItem, "Henry Irwin"}, {kPhoneItem, "+44 131 496 0009"}},
      {{kFirstNameItem, "Irene Jones"},
       {kCategoriesItem, "Friends, Golf"},
       {kCellPhoneItem, "+44 7700 900010"}},
      {{kFirstNameItem, "Jack King"},
       {kCompanyItem, "King Print"},
       {kOfficePhoneItem, "+44 29 2018 0011"}},
      {{kFirstNameItem, "Karen Lee"}, {kCategoriesItem, "Family"}, {kPhoneItem, "+44 1632 960012"}},
      {{kFirstNameItem, "Liam Moore"}, {kMailAddressItem, "liam@example.com"}},
  };
  for (const Items& person : people)
    notes.AddPerson(person, entered);
  notes.AddTodo(At(2019, 3, 1, 9, 0), At(2019, 3, 1, 9, 30), "Renew passport", true);
  notes.AddTodo(At(2019, 4, 12, 15, 0), At(2019, 4, 12, 16, 0), "Dentist", true);
  notes.AddTodo(At(2019, 5, 31, 12, 0), At(2019, 5, 31, 12, 0), "Pay taxes", true);
  notes.AddTodo(At(2019, 6, 3, 8, 0), At(2019, 6, 3, 8, 15), "Call the bank", false);
  notes.AddTodo(At(2019, 9, 14, 10, 0), At(2019, 9, 14, 18, 0), "Team offsite", false);
  notes.AddTodo(At(1999, 12, 31, 23, 0), At(1999, 12, 31, 23, 59), "Party like it's 1999", false);
}

// The state an earlier sync left: the phone holds a copy of every Notes contact and to-do,
// saved at the time of that sync, and the store pairs each note with its phone copy's LUID.
// A real sync makes the copies and the store; the copies then get that earlier time.
void PairWithPhone(const SyncOptions& options) {
  LNDatabase::Create(options.phone_db, "Demo phone");
  SyncOptions first = options;
  // Quiet, but looking: its last look tells the demo's run what changed on both sides since.
  first.quiet = true;
  if (RunSync(first) != 0) throw std::runtime_error("the sample's first sync failed");
  const LNDatetime synced = At(2019, 1, 7, 9, 0);
  Sample phone(options.phone_db);
  LNDocumentArray documents;
  phone.database().GetDocuments(&documents);
  for (uint32_t i = 0; i < documents.GetCount(); ++i) {
    LNDocument document = documents[i];
    document.Open(0);
    document.SetLastModifiedForSave(synced);
    document.Save(0);
  }
}

// After the first sync each side goes its own way for a while.
void Drift(const std::string& notes_path, const std::string& phone_path) {
  {
    Sample notes(notes_path);
    const LNDatetime later = At(2019, 6, 1, 10, 0);
    notes.Edit(notes.Find(kFirstNameItem, "Bob Baker"), {{kOfficePhoneItem, "+44 20 7946 0020"}},
               later);
    notes.Edit(notes.Find(kFirstNameItem, "Carla Diaz"), {{kMailAddressItem, "carla@work.example"}},
               later);
    notes.Delete(notes.Find(kFirstNameItem, "Grace Hall"));
    notes.AddPerson({{kFirstNameItem, "Mia Novak"}, {kCellPhoneItem, "+420 601 000 013"}}, later);
    notes.AddPerson({{kFirstNameItem, "Noah Ortiz"},
                     {kCategoriesItem, "Business"},
                     {kCompanyItem, "Ortiz Design"}},
                    later);
    notes.RenameTodo(notes.Find(kEntryBriefItem, "Dentist"), "Dentist (moved to 4 pm)", later);
    notes.AddTodo(At(2019, 6, 20, 9, 0), At(2019, 6, 20, 9, 30), "Book the holiday", true);
  }
  if (phone_path.empty()) return;
  Sample phone(phone_path);
  const LNDatetime later = At(2019, 6, 2, 18, 0);
  phone.Edit(phone.Find(kFirstNameItem, "Ann Archer"), {{kCellPhoneItem, "+44 7700 900099"}},
             later);
  phone.Edit(phone.Find(kFirstNameItem, "Carla Diaz"), {{kMailAddressItem, "carla@home.example"}},
             later);
  phone.Delete(phone.Find(kFirstNameItem, "Henry Irwin"));
  phone.AddPerson({{kFirstNameItem, "Olivia Park"}, {kCellPhoneItem, "+44 7700 900014"}}, later);
  phone.AddPerson({{kFirstNameItem, "Paul Quinn"}, {kPhoneItem, "+44 1632 960015"}}, later);
  phone.Delete(phone.Find(kEntryBriefItem, "Pay taxes"));
  phone.AddTodo(At(2019, 7, 1, 17, 0), At(2019, 7, 1, 17, 30), "Buy a birthday present", true);
}

// The same drift on a real phone: the phone's edits are the later ones, being made now.
void DriftOnPhone(const GammuOptions& options) {
  GammuPhone phone(options);
  const auto find = [&](PhoneKind kind, const std::string& field, const std::string& value) {
    for (const PhoneEntry& entry : phone.Read(kind)) {
      if (const std::string* text = entry.Field(field); text != nullptr && *text == value)
        return entry.location;
    }
    throw std::runtime_error("the sample phone lacks " + value);
  };
  const int ann = find(PhoneKind::kContact, "N", "Ann Archer");
  const int carla = find(PhoneKind::kContact, "N", "Carla Diaz");
  const int henry = find(PhoneKind::kContact, "N", "Henry Irwin");
  const int taxes = find(PhoneKind::kTodo, "SUMMARY", "Pay taxes");
  phone.Change(PhoneKind::kContact, {ann, {{"TEL;CELL;VOICE", "+44 7700 900099"}}});
  phone.Change(PhoneKind::kContact, {carla, {{"EMAIL;PREF;INTERNET", "carla@home.example"}}});
  phone.Add(PhoneKind::kContact,
            {0, {{"N", "Olivia Park"}, {"TEL;CELL;VOICE", "+44 7700 900014"}}});
  phone.Add(PhoneKind::kContact, {0, {{"N", "Paul Quinn"}, {"TEL;HOME;VOICE", "+44 1632 960015"}}});
  phone.Add(PhoneKind::kTodo, {0,
                               {{"DTSTART", "20190701T170000Z"},
                                {"DTEND", "20190701T173000Z"},
                                {"AALARM", "ON"},
                                {"SUMMARY", "Buy a birthday present"}}});
  // Deleted last: a phone gives a new entry the first free location, and an entry that took a
  // deleted one's place would read as that entry changed.
  phone.Delete(PhoneKind::kContact, henry);
  phone.Delete(PhoneKind::kTodo, taxes);
}

}  // namespace

int RunDemoCommand(std::span<const std::string> args) {
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") {
      std::fputs(kDemoUsage, stdout);
      return kExitOk;
    }
  }
  try {
    static constexpr OptionSpec kOptions[] = {{"--library", OptionSpec::kValue},
                                              {"--gammu", OptionSpec::kFlag}};
    const ParsedArguments parsed = ParseArguments(args, kOptions);
    if (parsed.plain.size() > 1) throw UsageError("unexpected argument '" + parsed.plain[1] + "'");
    const std::string dir = parsed.plain.empty() ? "pimsync-demo" : parsed.plain[0];
    SyncOptions options;
    options.contacts_db = dir + "/notes.db";
    options.gammu = parsed.HasFlag("--gammu");
#ifndef PIMSYNC_GAMMU
    if (options.gammu)
      throw UsageError("this pimsync is built without gammu, so --gammu is not there");
#endif
    if (options.gammu) {
      options.gammu_options.config = dir + "/gammurc";
    } else {
      options.phone_db = dir + "/phone.db";
    }
    options.store = dir + "/store.dat";
    if (const std::string* library = parsed.Value("--library")) options.library = *library;

    // The demo writes only into a folder of its own: a file it did not make could be someone's.
    std::error_code none;
    for (const auto& entry : std::filesystem::directory_iterator(dir, none)) {
      const std::string name = entry.path().filename().string();
      const bool ours = name == "exchange" || name == "gammurc" || name == "phone" ||
                        name.rfind("notes.db", 0) == 0 || name.rfind("phone.db", 0) == 0 ||
                        name.rfind("store.dat", 0) == 0;
      if (!ours) {
        std::fprintf(stderr,
                     "pimsync: demo: %s holds %s, which the demo did not make; give it a new or "
                     "empty folder. Nothing was changed.\n",
                     dir.c_str(), entry.path().string().c_str());
        return kExitFailure;
      }
    }
    const bool fresh = !std::filesystem::exists(options.contacts_db);
    if (fresh) {
      std::filesystem::create_directories(dir);
      LNSetThrowAllErrorsGlobal(TRUE);
      std::filesystem::remove(options.store);
      CreateNotes(options.contacts_db);
      if (options.gammu) {
        // gammu's dummy phone keeps its memory in a folder of files.
        const std::string phone = std::filesystem::absolute(dir + "/phone").string();
        std::filesystem::remove_all(phone);
        std::filesystem::create_directories(phone);
        std::FILE* config = std::fopen(options.gammu_options.config.c_str(), "w");
        if (config == nullptr)
          throw std::runtime_error("cannot write " + options.gammu_options.config);
        std::fprintf(config, "[gammu]\ndevice = %s\nmodel = dummy\nconnection = none\n",
                     phone.c_str());
        std::fclose(config);
        SyncOptions first = options;
        first.quiet = true;
        if (RunSync(first) != 0) throw std::runtime_error("the sample's first sync failed");
        Drift(options.contacts_db, "");
        DriftOnPhone(options.gammu_options);
      } else {
        std::filesystem::remove(options.phone_db);
        PairWithPhone(options);
        Drift(options.contacts_db, options.phone_db);
      }
      std::printf(
          "Set up %s: a Notes database and a phone that were synced once and have drifted\n"
          "apart since. In Notes: Bob's office number and Carla's e-mail changed, Grace\n"
          "deleted, Mia and Noah added, the dentist renamed, the holiday to-do added. On the\n"
          "phone: Ann's mobile and Carla's e-mail changed (the phone's edit is the later one),\n"
          "Henry deleted, Olivia and Paul added, the taxes to-do deleted, a to-do added.\n\n",
          dir.c_str());
    } else {
      std::printf("%s holds the sample already: syncing it again.\n\n", dir.c_str());
    }
    options.keep_dir = dir + "/exchange";
    return RunSync(options);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "pimsync: demo: %s (see 'pimsync demo --help')\n", e.what());
    return kExitUsage;
  } catch (LNSTATUS status) {
    std::fprintf(stderr, "pimsync: demo: %s\n", LNGetErrorMessage(status).c_str());
    return kExitFailure;
  } catch (const PhoneError& e) {
    std::fprintf(stderr, "pimsync: demo: %s\n", e.what());
    return kExitFailure;
  }
}

}  // namespace pim::cli
