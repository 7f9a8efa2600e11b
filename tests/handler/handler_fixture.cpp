#include "handler/handler_fixture.h"

#include <sys/stat.h>

namespace pim::test {

HandlerTest::HandlerTest(const HandlerApi& api)
    : h_(api),
      contacts_(dir_.File("contacts.db")),
      calendar_(dir_.File("calendar.db")),
      store_(dir_.File("pim.store")) {}

void HandlerTest::SetUp() {
  ClearCaptures();
  contacts_.Create();
  calendar_.Create();
}

void HandlerTest::TearDown() {
  // Whatever the test left, the module ends the run with nothing held.
  const std::string spare = dir_.File("teardown.store");
  h_.Prepare(2, 200, 200, "", "", "", "", spare.c_str());
  h_.Deinit();
  ClearCaptures();
}

int32_t HandlerTest::Prepare(int32_t mode, int32_t contact_limit, int32_t calendar_limit) {
  return h_.Prepare(mode, contact_limit, calendar_limit, contacts_.path().c_str(), "", "",
                    calendar_.path().c_str(), store_.c_str());
}

int32_t HandlerTest::Pass(int32_t (*pass)(const char*, const char*), const std::string& phone_text,
                          std::string& changes) {
  const std::string phone = dir_.File("phone.txt");
  const std::string out = dir_.File("changes.txt");
  WriteFile(phone, phone_text);
  ::unlink(out.c_str());
  const int32_t result = pass(phone.c_str(), out.c_str());
  struct stat st {};
  changes = ::stat(out.c_str(), &st) == 0 ? ReadFile(out) : "<none>";
  return result;
}

int32_t HandlerTest::Answer(int32_t (*update)(const char*), const std::string& answer_text) {
  const std::string answers = dir_.File("answers.txt");
  WriteFile(answers, answer_text);
  return update(answers.c_str());
}

HandlerTest::Outcome HandlerTest::WholeRun(const Run& run) {
  Outcome outcome;
  EXPECT_EQ(h_.Init(), 0);
  EXPECT_EQ(Prepare(run.mode, run.contact_limit, run.calendar_limit), 0);
  EXPECT_EQ(h_.RetrievePIM(), 0);
  outcome.card_pass = Pass(h_.SyncVCard, run.cards, outcome.card_changes);
  outcome.todo_pass = Pass(h_.SyncVCal, run.todos, outcome.todo_changes);
  EXPECT_EQ(h_.UpdatePIM(), 0);
  for (const auto& [update, answers] : {std::pair{h_.UpdateVCardLUID, &run.card_answers},
                                        std::pair{h_.UpdateVCalLUID, &run.todo_answers}}) {
    if (!answers->empty()) {
      EXPECT_EQ(Answer(update, *answers), 0);
    }
  }
  h_.Deinit();
  return outcome;
}

std::vector<std::string> HandlerTest::DumpedStore() {
  CapturedDebugLines().clear();
  EXPECT_EQ(h_.DumpSyncObjectStore(store_.c_str()), 0);
  return CapturedDebugLines();
}

notes::NOTEID AddAnn(const NotesDb& contacts) {
  return contacts.AddDocument(
      {{"FirstName", "Ann"}, {"OfficePhoneNumber", "111"}, {"Categories", "Family"}},
      "2005-01-10 10:00:00");
}

notes::NOTEID AddDentist(const NotesDb& calendar) {
  return calendar.AddTodo("2005-01-12 09:00:00", "2005-01-12 10:00:00", "Dentist", true,
                          "2005-01-10 12:00:00");
}

std::string AnnCard(const std::string& luid) {
  return "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:" + luid +
         "\nX-VOQ-PHB-STORAGE:ME\nN:Ann\nTEL;WORK;VOICE:111\nX-VOQ-PHB-CGROUP-ID:3\n"
         "REV:20050110T100000Z\nEND:VCARD\n";
}

std::string DentistTodo(const std::string& luid) {
  return "BEGIN:VTODO\nX-VOQ-LUID:" + luid +
         "\nDTSTART:20050112T090000Z\nDTEND:20050112T100000Z\nAALARM:ON\nSUMMARY:Dentist\n"
         "LAST-MODIFIED:20050110T120000Z\nEND:VTODO\n";
}

std::string Calendar(const std::string& components) {
  return "BEGIN:VCALENDAR\nVERSION:1.0\n" + components + "END:VCALENDAR\n";
}

}  // namespace pim::test
