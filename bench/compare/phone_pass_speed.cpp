// The phone pass against cat: how fast the contact and to-do passes turn a
// phone record file into a change file, next to the time it takes merely to read the same
// input and write the same output with cat.
//
//   phone_pass_speed RECORDS DIR
//
// The store holds RECORDS contacts and RECORDS to-dos, all on the phone under their LUIDs; one
// in ten is changed in Notes, so the change file carries those. Prints one line per kind:
// input MB, output MB, pass seconds, cat seconds, MB/s, and the ratio. Then one line for the
// store of both arrays: its MB, save seconds, load seconds, save MB/s, load MB/s.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "exchange/phone_pass.h"
#include "platform/file.h"
#include "records/store_io.h"
#include "vobject/vobject_writer.h"

extern char** environ;

namespace {

// The store's two arrays, as retrieval leaves them.
struct Records {
  pim::ContactArray contacts;
  pim::CalendarArray calendar;
};

using Clock = std::chrono::steady_clock;
constexpr int kRepeats = 5;

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

void Fill(Records& state, int records) {
  state.contacts.clear();
  state.calendar.clear();
  for (int i = 0; i < records; ++i) {
    auto contact = std::make_unique<pim::CContactObject>();
    contact->m_nNoteId = static_cast<uint32_t>(i + 1);
    contact->m_strLuid = std::to_string(1000 + i);
    contact->SetFirstName("Person " + std::to_string(i), true);
    contact->SetMobilePhone("+44 7700 " + std::to_string(900000 + i), true);
    contact->SetEmail("person" + std::to_string(i) + "@example.org", true);
    contact->SetRevision(1500000000, true);
    contact->m_nPhoneState = pim::SyncStateDeleted;
    contact->m_nNotesState = pim::SyncStateUnchanged;
    if (i % 10 == 0) {  // changed in Notes: the delta goes to the phone
      contact->StartNotesDelta();
      contact->m_pNotesDelta->SetEmail("new" + std::to_string(i) + "@example.org", true);
      contact->m_nNotesState = pim::SyncStateModified;
    }
    state.contacts.push_back(std::move(contact));

    auto todo = std::make_unique<pim::CCalEntryObject>();
    todo->m_nNoteId = static_cast<uint32_t>(records + i + 1);
    todo->m_strLuid = std::to_string(1000 + i);
    todo->SetSummary("To-do number " + std::to_string(i), true);
    todo->SetStart(1500000000 + i * 60, true);
    todo->SetEnd(1500003600 + i * 60, true);
    todo->SetAlarm(i % 2, true);
    todo->SetLastModified(1500000000, true);
    todo->m_nPhoneState = pim::SyncStateDeleted;
    todo->m_nNotesState = pim::SyncStateUnchanged;
    if (i % 10 == 0) {
      todo->StartNotesDelta();
      todo->m_pNotesDelta->SetSummary("Changed " + std::to_string(i), true);
      todo->m_nNotesState = pim::SyncStateModified;
    }
    state.calendar.push_back(std::move(todo));
  }
}

// Puts every record back as retrieval leaves it, between two passes over the same store.
void Rearm(Records& state) {
  auto rearm = [](auto& records) {
    for (size_t i = 0; i < records.size(); ++i) {
      records[i]->m_bSeenOnPhone = 0;
      records[i]->m_nPhoneState = pim::SyncStateDeleted;
      records[i]->m_nNotesState = i % 10 == 0 ? pim::SyncStateModified : pim::SyncStateUnchanged;
    }
  };
  rearm(state.contacts);
  rearm(state.calendar);
}

std::string PhoneFile(const Records& state, bool contacts) {
  std::string text = contacts ? "" : "BEGIN:VCALENDAR\nVERSION:1.0\n";
  if (contacts) {
    for (const auto& c : state.contacts)
      text += pim::VObjectText(*c);
  } else {
    for (const auto& t : state.calendar)
      text += pim::VObjectText(*t);
    text += "END:VCALENDAR\n";
  }
  return text;
}

double RunCat(const std::string& in, const std::string& out, const std::string& copy) {
  double best = 1e9;
  for (int r = 0; r < kRepeats; ++r) {
    const auto start = Clock::now();
    for (const auto& [from, to] : {std::pair{in, std::string("/dev/null")}, std::pair{out, copy}}) {
      posix_spawn_file_actions_t actions;
      posix_spawn_file_actions_init(&actions);
      posix_spawn_file_actions_addopen(&actions, 1, to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      char* argv[] = {const_cast<char*>("cat"), const_cast<char*>(from.c_str()), nullptr};
      pid_t pid = 0;
      if (posix_spawnp(&pid, "cat", &actions, nullptr, argv, environ) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
      }
      posix_spawn_file_actions_destroy(&actions);
    }
    best = std::min(best, Seconds(Clock::now() - start));
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: phone_pass_speed RECORDS DIR\n");
    return 2;
  }
  const int records = std::atoi(argv[1]);
  const std::string dir = argv[2];
  setenv("TZ", "UTC0", 1);
  tzset();
  Records state;
  pim::PassSettings settings;
  settings.limit = records * 2;
  settings.store_path = dir + "/store";
  for (const bool contacts : {true, false}) {
    Fill(state, records);
    const std::string in = dir + (contacts ? "/phone.vcf" : "/phone.vcs");
    const std::string out = dir + (contacts ? "/changes.vcf" : "/changes.vcs");
    const std::string text = PhoneFile(state, contacts);
    {
      pim::platform::OutputFile file(in);
      file.Write(text);
      file.Close();
    }
    double best = 1e9;
    for (int r = 0; r < kRepeats; ++r) {
      Rearm(state);
      const auto start = Clock::now();
      const int32_t result = contacts ? pim::SyncContacts(state.contacts, settings, in, out)
                                      : pim::SyncTodos(state.calendar, settings, in, out);
      best = std::min(best, Seconds(Clock::now() - start));
      if (result != 0) {
        std::fprintf(stderr, "the pass returned %d\n", result);
        return 1;
      }
    }
    const double cat = RunCat(in, out, dir + "/copy");
    const double in_mb = static_cast<double>(text.size()) / 1e6;
    std::FILE* f = std::fopen(out.c_str(), "rb");
    std::fseek(f, 0, SEEK_END);
    const double out_mb = static_cast<double>(std::ftell(f)) / 1e6;
    std::fclose(f);
    std::printf("%s %.2f %.2f %.4f %.4f %.1f %.2f\n", contacts ? "contacts" : "to-dos", in_mb,
                out_mb, best, cat, (in_mb + out_mb) / best, best / cat);
  }

  Fill(state, records);
  const std::string store = dir + "/store";
  double save = 1e9;
  double load = 1e9;
  for (int r = 0; r < kRepeats; ++r) {
    const auto start = Clock::now();
    pim::SaveStore(store, state.calendar, state.contacts);
    save = std::min(save, Seconds(Clock::now() - start));
    pim::CalendarArray calendar;
    pim::ContactArray contacts;
    const auto load_start = Clock::now();
    pim::LoadStore(store, calendar, contacts);
    load = std::min(load, Seconds(Clock::now() - load_start));
  }
  const double store_mb = static_cast<double>(std::filesystem::file_size(store)) / 1e6;
  std::printf("store %.2f %.4f %.4f %.1f %.1f\n", store_mb, save, load, store_mb / save,
              store_mb / load);
  return 0;
}
