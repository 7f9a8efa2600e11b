// Throughput of the Notes stand-in: saves, reads and deletes of Person documents and of
// calendar to-dos, 10,000 at a time, each save its own transaction as the handler makes it.
// items_per_second is documents per second.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "notesapi/lncalendar.h"
#include "notesapi/lnsession.h"
#include "scratch_dir.h"

namespace {

using pim::bench::ScratchDir;

using namespace pim::notes;

constexpr int kDocuments = 10'000;

// A fresh database with a session, the database and its calendar open.
struct Fixture {
  Fixture() {
    LNSetThrowAllErrorsGlobal(TRUE);
    const std::string path = dir.File("bench.nsf");
    LNDatabase::Create(path, "Bench");
    session.Initialize();
    session.GetDatabase(path, &db);
    db.Open();
    session.GetCalendar(&calendar, path, "");
  }

  ScratchDir dir;
  LNNotesSession session;
  LNDatabase db;
  LNCalendar calendar;
};

LNItem Text(const std::string& value) {
  LNText text;
  text.SetValue(value);
  return text;
}

LNDatetime At(int day_of_year, int hour) {
  LNDatetime when;
  when.SetDate(1 + day_of_year / 28 % 12, 1 + day_of_year % 28, 2024);
  when.SetTime(hour, 30, 0, 0);
  return when;
}

// A contact as the handler writes one: names, phone numbers, mail, company.
NOTEID SavePerson(LNDatabase& db, int i) {
  LNDocument doc;
  db.CreateDocument(&doc, "Person");
  const std::string n = std::to_string(i);
  doc.CreateItem("FirstName", Text("First" + n));
  doc.CreateItem("LastName", Text("Last" + n));
  doc.CreateItem("OfficePhoneNumber", Text("+49 30 " + n));
  doc.CreateItem("CellPhoneNumber", Text("+49 170 " + n));
  doc.CreateItem("MailAddress", Text("person" + n + "@example.org"));
  doc.CreateItem("CompanyName", Text("Company " + n));
  doc.Save();
  return doc.GetNoteID();
}

NOTEID SaveTodo(LNCalendar& calendar, int i) {
  LNDatetimeRange range;
  range.SetBegin(At(i % 300, 9));
  range.SetEnd(At(i % 300, 10));
  LNCalendarEntry entry;
  calendar.CreateEntry(range, "To-do " + std::to_string(i), LNCALENDARENTRYTYPE_TODO, &entry);
  return entry.GetNoteID();
}

std::vector<NOTEID> FillPersons(LNDatabase& db) {
  std::vector<NOTEID> ids;
  for (int i = 0; i < kDocuments; ++i)
    ids.push_back(SavePerson(db, i));
  return ids;
}

std::vector<NOTEID> FillTodos(LNCalendar& calendar) {
  std::vector<NOTEID> ids;
  for (int i = 0; i < kDocuments; ++i)
    ids.push_back(SaveTodo(calendar, i));
  return ids;
}

// Times `work` on a fresh database each iteration; making the database, `prepare` (which
// fills it and returns what `work` needs) and removing it stay out of the time.
template <class Prepare, class Work>
void OnFreshDatabase(benchmark::State& state, Prepare&& prepare, Work&& work) {
  for (auto _ : state) {
    state.PauseTiming();
    auto fixture = std::make_unique<Fixture>();
    const auto prepared = prepare(*fixture);
    state.ResumeTiming();
    work(*fixture, prepared);
    state.PauseTiming();
    fixture.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kDocuments);
}

std::vector<NOTEID> Nothing(Fixture&) {
  return {};
}

void BM_SavePersons(benchmark::State& state) {
  OnFreshDatabase(state, Nothing, [](Fixture& fixture, const std::vector<NOTEID>&) {
    for (int i = 0; i < kDocuments; ++i)
      SavePerson(fixture.db, i);
  });
}

void BM_ReadPersons(benchmark::State& state) {
  Fixture fixture;
  FillPersons(fixture.db);
  LNDocumentArray documents;
  fixture.db.GetDocuments(&documents);
  for (auto _ : state) {
    for (uint32_t i = 0; i < documents.GetCount(); ++i) {
      LNDocument doc = documents[i];
      doc.Open();
      LNItem first, last, phone;
      doc.GetItem("FirstName", &first);
      doc.GetItem("LastName", &last);
      doc.GetItem("OfficePhoneNumber", &phone);
      benchmark::DoNotOptimize(first);
      doc.Close();
    }
  }
  state.SetItemsProcessed(state.iterations() * documents.GetCount());
}

void BM_DeletePersons(benchmark::State& state) {
  OnFreshDatabase(
      state, [](Fixture& fixture) { return FillPersons(fixture.db); },
      [](Fixture& fixture, const std::vector<NOTEID>& ids) {
        for (NOTEID id : ids)
          fixture.db.DeleteNote(id);
      });
}

void BM_CreateTodos(benchmark::State& state) {
  OnFreshDatabase(state, Nothing, [](Fixture& fixture, const std::vector<NOTEID>&) {
    for (int i = 0; i < kDocuments; ++i)
      SaveTodo(fixture.calendar, i);
  });
}

// The handler's way through the to-dos: the year's entries, then each one's fields.
void BM_ReadTodosFromCalendar(benchmark::State& state) {
  Fixture fixture;
  FillTodos(fixture.calendar);
  LNDatetimeRange year;
  year.SetBegin(LNDatetime("2024/1/1"));
  year.SetEnd(LNDatetime("2024/12/31"));
  int64_t read = 0;
  for (auto _ : state) {
    LNCalendarEntryArray entries;
    fixture.calendar.GetEntries(year, &entries);
    for (uint32_t i = 0; i < entries.GetCount(); ++i) {
      LNCalendarEntry entry = entries[i];
      entry.Open();
      LNDatetimeRange range;
      LNString brief;
      entry.GetDatetimeRange(&range);
      entry.GetBriefDescription(&brief);
      benchmark::DoNotOptimize(entry.GetIsAlarmEnabled());
      entry.Close();
    }
    read += entries.GetCount();
  }
  state.SetItemsProcessed(read);
}

// One entry at a time by note ID: GetDocument, Open, the fields, Close.
void BM_ReadTodosById(benchmark::State& state) {
  Fixture fixture;
  const std::vector<NOTEID> ids = FillTodos(fixture.calendar);
  for (auto _ : state) {
    for (NOTEID id : ids) {
      LNCalendarEntry entry;
      fixture.calendar.GetDocument(id, &entry);
      entry.Open();
      LNDatetimeRange range;
      LNString brief;
      entry.GetDatetimeRange(&range);
      entry.GetBriefDescription(&brief);
      benchmark::DoNotOptimize(entry.GetIsAlarmEnabled());
      entry.Close();
    }
  }
  state.SetItemsProcessed(state.iterations() * kDocuments);
}

void BM_DeleteTodos(benchmark::State& state) {
  OnFreshDatabase(
      state, [](Fixture& fixture) { return FillTodos(fixture.calendar); },
      [](Fixture& fixture, const std::vector<NOTEID>& ids) {
        for (NOTEID id : ids)
          fixture.calendar.DeleteNote(id);
      });
}

BENCHMARK(BM_SavePersons)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadPersons)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DeletePersons)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CreateTodos)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadTodosFromCalendar)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadTodosById)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DeleteTodos)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
