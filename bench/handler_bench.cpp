// A whole sync run through the handler's entry points, Init to Deinit with the phone's record
// files given, when Notes and the phone are already in step: N contacts and N to-dos on both
// sides, the limits raised to 100000. Also the load and the save of the store such a run
// leaves. The Notes databases, the store and the phone's files are made once per size by a
// first run that pairs the two sides up; only the second, in-step run is timed.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>

#include "notesapi/lncalendar.h"
#include "notesapi/lnsession.h"
#include "pim_handler.h"
#include "records/store_io.h"
#include "scratch_dir.h"

namespace {

using pim::bench::ScratchDir;

using namespace pim;
using namespace pim::notes;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

LNItem Text(const std::string& value) {
  LNText text;
  text.SetValue(value);
  return text;
}

LNDatetime At(int year, int month, int day, int hour, int minute) {
  LNDatetime when;
  when.SetDate(month, day, year);
  when.SetTime(hour, minute, 0, 0);
  return when;
}

const char* const kCategories[] = {"VIP", "Business", "Friends", "Family", "Other"};

void MakeNotes(const std::string& contacts_path, const std::string& calendar_path, int count) {
  LNSetThrowAllErrorsGlobal(TRUE);
  LNDatabase::Create(contacts_path, "Contacts");
  LNDatabase::Create(calendar_path, "Calendar");
  LNNotesSession session;
  session.Initialize();
  LNDatabase db;
  session.GetDatabase(contacts_path, &db);
  db.Open();
  for (int i = 0; i < count; ++i) {
    const std::string n = std::to_string(i);
    LNDocument doc;
    db.CreateDocument(&doc, "Person");
    doc.CreateItem("FirstName", Text("First" + n));
    doc.CreateItem("LastName", Text("Last" + n));
    doc.CreateItem("OfficePhoneNumber", Text("+49 30 " + n));
    doc.CreateItem("CellPhoneNumber", Text("+49 170 " + n));
    doc.CreateItem("MailAddress", Text("person" + n + "@example.org"));
    doc.CreateItem("CompanyName", Text("Company " + std::to_string(i % 97)));
    doc.CreateItem("Categories", Text(kCategories[i % 5]));
    doc.SetLastModifiedForSave(At(2005, 1 + i % 12, 1 + i % 28, 10, i % 60));
    doc.Save();
    doc.Close();
  }
  db.Close();
  LNCalendar calendar;
  session.GetCalendar(&calendar, calendar_path, "");
  for (int i = 0; i < count; ++i) {
    const int month = 1 + i % 12;
    const int day = 1 + i / 12 % 28;
    const int hour = 8 + i % 10;
    LNDatetimeRange range;
    range.SetBegin(At(2006 + i % 10, month, day, hour, 0));
    range.SetEnd(At(2006 + i % 10, month, day, hour, 45));
    LNCalendarEntry entry;
    calendar.CreateEntry(range, "To-do " + std::to_string(i), LNCALENDARENTRYTYPE_TODO, &entry);
    entry.SetIsAlarmEnabled(i % 2);
    entry.SetLastModifiedForSave(At(2005, 1 + i % 12, 1 + i % 28, 12, i % 60));
    entry.Save();
    entry.Close();
  }
  calendar.Close();
  session.Term();
}

// Puts the answer file's LUIDs into the empty X-VOQ-LUID lines of a change file, in order.
std::string GiveLuids(const std::string& changes, const std::string& prefix, std::string& answers) {
  std::string out;
  out.reserve(changes.size() + changes.size() / 8);
  int next = 0;
  std::istringstream lines(changes);
  for (std::string line; std::getline(lines, line);) {
    if (line == "X-VOQ-LUID:") {
      const std::string luid = prefix + std::to_string(next++);
      line += luid;
      answers += "X-VOQ-LUID:" + luid + "\n";
    }
    out += line;
    out += '\n';
  }
  return out;
}

// The Notes databases, the store and the phone files of one size, in step after a first run.
class InStepScene {
 public:
  explicit InStepScene(int count)
      : contacts_(dir_.File("contacts.db")),
        calendar_(dir_.File("calendar.db")),
        store_(dir_.File("pim.store")) {
    MakeNotes(contacts_, calendar_, count);
    Run("", "");
    std::string card_answers;
    std::string todo_answers;
    WriteAll(File("phone.vcf"), GiveLuids(ReadAll(File("changes.vcf")), "C", card_answers));
    WriteAll(File("phone.vcs"), GiveLuids(ReadAll(File("changes.vcs")), "T", todo_answers));
    WriteAll(File("answers.vcf"), card_answers);
    WriteAll(File("answers.vcs"), todo_answers);
    if (PIMHandler_UpdateVCardLUID(File("answers.vcf").c_str()) != 0 ||
        PIMHandler_UpdateVCalLUID(File("answers.vcs").c_str()) != 0) {
      throw std::runtime_error("the pairing run's LUIDs did not pair up");
    }
    PIMHandler_Deinit();
    WriteAll(File("answers.vcf"), "");
    WriteAll(File("answers.vcs"), "");
  }

  // A whole run with the phone's files; false if anything but an in-step result came out.
  bool TimedRun() {
    if (!Run(File("phone.vcf"), File("phone.vcs"))) return false;
    const bool luids = PIMHandler_UpdateVCardLUID(File("answers.vcf").c_str()) == 0 &&
                       PIMHandler_UpdateVCalLUID(File("answers.vcs").c_str()) == 0;
    PIMHandler_Deinit();
    return luids;
  }
  bool ChangeFilesEmpty() const {
    return ReadAll(File("changes.vcf")).empty() &&
           ReadAll(File("changes.vcs")) == "BEGIN:VCALENDAR\nVERSION:1.0\nEND:VCALENDAR\n";
  }
  std::string File(const std::string& name) const { return dir_.File(name); }
  const std::string& store() const { return store_; }

 private:
  // Init to UpdatePIM; an empty phone path stands for an empty phone.
  bool Run(const std::string& phone_cards, const std::string& phone_todos) {
    const std::string cards = phone_cards.empty() ? File("empty.vcf") : phone_cards;
    const std::string todos = phone_todos.empty() ? File("empty.vcs") : phone_todos;
    if (phone_cards.empty()) WriteAll(cards, "");
    if (phone_todos.empty()) WriteAll(todos, "");
    return PIMHandler_Init() == 0 &&
           PIMHandler_Prepare(2, 100000, 100000, contacts_.c_str(), "", "", calendar_.c_str(),
                              store_.c_str()) == 0 &&
           PIMHandler_RetrievePIM() == 0 &&
           PIMHandler_SyncVCard(cards.c_str(), File("changes.vcf").c_str()) == 0 &&
           PIMHandler_SyncVCal(todos.c_str(), File("changes.vcs").c_str()) == 0 &&
           PIMHandler_UpdatePIM() == 0;
  }

  ScratchDir dir_;
  std::string contacts_;
  std::string calendar_;
  std::string store_;
};

InStepScene& SceneOf(int count) {
  static std::map<int, std::unique_ptr<InStepScene>> scenes;
  auto& scene = scenes[count];
  if (!scene) scene = std::make_unique<InStepScene>(count);
  return *scene;
}

// Everything the handler reports goes nowhere: a benchmark has no user to show it to.
int SilentBox(void*, const char*, const char*, unsigned int) {
  return 1;
}

void BM_InStepRun(benchmark::State& state) {
  PIMPlatform_SetMessageBoxHook(&SilentBox);
  InStepScene& scene = SceneOf(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    if (!scene.TimedRun()) {
      state.SkipWithError("the run failed");
      break;
    }
  }
  if (!scene.ChangeFilesEmpty()) state.SkipWithError("the two sides were not in step");
  state.counters["records"] = static_cast<double>(2 * state.range(0));
}
BENCHMARK(BM_InStepRun)->Arg(10'000)->Arg(20'000)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_StoreLoad(benchmark::State& state) {
  InStepScene& scene = SceneOf(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    CalendarArray calendar;
    ContactArray contacts;
    if (LoadStore(scene.store(), calendar, contacts) != StoreLoad::kLoaded ||
        calendar.size() != static_cast<size_t>(state.range(0))) {
      state.SkipWithError("the store did not load");
      break;
    }
    benchmark::DoNotOptimize(contacts.data());
  }
}
BENCHMARK(BM_StoreLoad)->Arg(10'000)->Unit(benchmark::kMillisecond);

void BM_StoreSave(benchmark::State& state) {
  InStepScene& scene = SceneOf(static_cast<int>(state.range(0)));
  CalendarArray calendar;
  ContactArray contacts;
  LoadStore(scene.store(), calendar, contacts);
  const std::string copy = scene.File("copy.store");
  for (auto _ : state)
    SaveStore(copy, calendar, contacts);
  if (ReadAll(copy) != ReadAll(scene.store())) state.SkipWithError("the saved store differs");
}
BENCHMARK(BM_StoreSave)->Arg(10'000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
