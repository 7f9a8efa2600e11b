#include "handler/handler_fixture.h"

#include <sys/stat.h>

#include <filesystem>

namespace pim::test {

HandlerTest::HandlerTest() : HandlerTest(Handler()) {}

HandlerTest::HandlerTest(const HandlerApi& api)
    : h_(api),
      contacts_db_(dir_.File("contacts.db")),
      calendar_db_(dir_.File("calendar.db")),
      store_path_(dir_.File("pim.store")) {}

void HandlerTest::SetUp() {
  ClearCaptures();
  contacts_db_.Create();
  calendar_db_.Create();
}

void HandlerTest::TearDown() {
  // Whatever the test left, the module ends the run with nothing held: the next test in the
  // same process starts from its own files.
  const std::string spare = dir_.File("teardown.store");
  h_.Prepare(2, 200, 200, "", "", "", "", spare.c_str());
  h_.Deinit();
  ClearCaptures();
}

void HandlerTest::StartRun(int32_t mode, int32_t contact_limit, int32_t calendar_limit) {
  ASSERT_EQ(h_.Init(), 0);
  ASSERT_EQ(Prepare(mode, contact_limit, calendar_limit), 0);
}

int32_t HandlerTest::Prepare(int32_t mode, int32_t contact_limit, int32_t calendar_limit) {
  return h_.Prepare(mode, contact_limit, calendar_limit, contacts_db_.path().c_str(), "", "",
                    calendar_db_.path().c_str(), store_path_.c_str());
}

void HandlerTest::StartRunWith(const std::string& contacts, const std::string& calendar) {
  ASSERT_EQ(h_.Init(), 0);
  ASSERT_EQ(PrepareWith(contacts, calendar), 0);
}

int32_t HandlerTest::PrepareWith(const std::string& contacts, const std::string& calendar) {
  return h_.Prepare(2, 200, 200, contacts.c_str(), "", "", calendar.c_str(), store_path_.c_str());
}

void HandlerTest::UseCopy(const std::string& name) {
  const std::filesystem::path folder = dir_.File(name);
  std::filesystem::create_directory(folder);
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
    if (entry.is_regular_file())
      std::filesystem::copy_file(entry.path(), folder / entry.path().filename());
  }
  contacts_db_ = NotesDb((folder / "contacts.db").string());
  calendar_db_ = NotesDb((folder / "calendar.db").string());
  store_path_ = (folder / "pim.store").string();
}

int32_t HandlerTest::SyncVCard(const std::string& phone_text) {
  return Pass(h_.SyncVCard, "vcf", phone_text, vcard_changes_);
}

int32_t HandlerTest::SyncVCal(const std::string& phone_text) {
  return Pass(h_.SyncVCal, "vcs", phone_text, vcal_changes_);
}

int32_t HandlerTest::Pass(PhonePass pass, const std::string& extension,
                          const std::string& phone_text, std::string& changes_text) {
  const std::string phone = dir_.File("phone." + extension);
  const std::string changes = dir_.File("changes." + extension);
  WriteFile(phone, phone_text);
  const int32_t result = pass(phone.c_str(), changes.c_str());
  struct stat st {};
  changes_text = ::stat(changes.c_str(), &st) == 0 ? ReadFile(changes) : "<no file>";
  return result;
}

int32_t HandlerTest::UpdateVCardLuids(const std::string& answer_text) {
  return Answer(h_.UpdateVCardLUID, "luids.vcf", answer_text);
}

int32_t HandlerTest::UpdateVCalLuids(const std::string& answer_text) {
  return Answer(h_.UpdateVCalLUID, "luids.vcs", answer_text);
}

int32_t HandlerTest::Answer(int32_t (*update)(const char*), const std::string& name,
                            const std::string& answer_text) {
  const std::string answers = dir_.File(name);
  WriteFile(answers, answer_text);
  return update(answers.c_str());
}

int32_t HandlerTest::RunCardPass(const std::string& phone_cards, int32_t contact_limit) {
  return RunOnePass(&HandlerTest::SyncVCard, phone_cards, 2, contact_limit, 200, std::nullopt);
}

int32_t HandlerTest::RunTodoPass(const std::string& phone_todos, int32_t calendar_limit) {
  return RunOnePass(&HandlerTest::SyncVCal, phone_todos, 2, 200, calendar_limit, std::nullopt);
}

int32_t HandlerTest::RunCardPassWithAnswers(const std::string& phone_cards,
                                            const std::string& luid_answers, int32_t mode) {
  return RunOnePass(&HandlerTest::SyncVCard, phone_cards, mode, 200, 200, luid_answers);
}

int32_t HandlerTest::RunOnePass(int32_t (HandlerTest::*pass)(const std::string&),
                                const std::string& phone_text, int32_t mode, int32_t contact_limit,
                                int32_t calendar_limit,
                                const std::optional<std::string>& luid_answers) {
  StartRun(mode, contact_limit, calendar_limit);
  if (HasFatalFailure()) return -1;
  EXPECT_EQ(h_.RetrievePIM(), 0);
  const int32_t result = (this->*pass)(phone_text);
  EXPECT_EQ(h_.UpdatePIM(), 0);
  if (luid_answers) {
    EXPECT_EQ(UpdateVCardLuids(*luid_answers), 0);
  }
  h_.Deinit();
  return result;
}

std::pair<notes::NOTEID, ContactFields> HandlerTest::AddStoredPerson(const std::string& first,
                                                                     const std::string& luid) {
  const notes::NOTEID id = AddPerson(contacts_db_, first);
  return {id, PersonRecord(id, luid, first)};
}

bool HandlerTest::StoreExists() const {
  struct stat st {};
  return ::stat(store_path_.c_str(), &st) == 0;
}

notes::NOTEID AddAnn(const NotesDb& contacts) {
  return contacts.AddDocument(
      {{"FirstName", "Ann"}, {"OfficePhoneNumber", "111"}, {"Categories", "Family"}},
      "2005-01-10 10:00:00");
}

ContactFields AnnRecord(notes::NOTEID id, const std::string& luid) {
  return {.note_id = id,
          .luid = luid,
          .group = 3,
          .has_group = true,
          .first = "Ann",
          .work = "111",
          .revision = WinterCet(2005, 1, 10, 10, 0)};
}

notes::NOTEID AddPerson(const NotesDb& contacts, const std::string& first) {
  return contacts.AddDocument({{"FirstName", first}}, "2005-01-10 10:00:00");
}

ContactFields PersonRecord(notes::NOTEID id, const std::string& luid, const std::string& first) {
  return {.note_id = id, .luid = luid, .first = first, .revision = WinterCet(2005, 1, 10, 10, 0)};
}

notes::NOTEID AddDentist(const NotesDb& calendar, bool alarm) {
  return calendar.AddTodo("2005-01-12 09:00:00", "2005-01-12 10:00:00", "Dentist", alarm,
                          "2005-01-10 12:00:00");
}

TodoFields DentistRecord(notes::NOTEID id, const std::string& luid, bool alarm) {
  return NotesTodoRecord(id, luid, "Dentist", WinterCet(2005, 1, 12, 9, 0),
                         WinterCet(2005, 1, 12, 10, 0), WinterCet(2005, 1, 10, 12, 0), alarm);
}

std::map<std::string, std::string> PersonItems(const std::map<std::string, std::string>& values) {
  std::map<std::string, std::string> items = {
      {"Type", "Person"},        {"FirstName", ""},   {"CellPhoneNumber", ""},
      {"MailAddress", ""},       {"PhoneNumber", ""}, {"OfficeFAXPhoneNumber", ""},
      {"OfficePhoneNumber", ""}, {"CompanyName", ""}};
  for (const auto& [name, value] : values)
    items[name] = value;
  return items;
}

TodoFields NotesTodoRecord(notes::NOTEID id, const std::string& luid, const std::string& summary,
                           int32_t start, int32_t end, int32_t last_modified, bool alarm) {
  return {.note_id = id,
          .luid = luid,
          .alarm = alarm ? 1 : 0,
          .has_alarm = true,
          .summary = summary,
          .has_summary = true,
          .start = start,
          .has_start = true,
          .end = end,
          .has_end = true,
          .last_modified = last_modified,
          .has_last_modified = true};
}

std::string PhoneCard(const std::string& luid, const std::vector<std::string>& lines) {
  std::string text = "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:" + luid + "\n";
  for (const std::string& line : lines)
    text += line + "\n";
  return text + "END:VCARD\n";
}

std::string PhoneTodo(const std::string& luid, const std::vector<std::string>& lines) {
  std::string text = "BEGIN:VTODO\nX-VOQ-LUID:" + luid + "\n";
  for (const std::string& line : lines)
    text += line + "\n";
  return text + "END:VTODO\n";
}

std::string PhoneCalendar(const std::vector<std::string>& todos) {
  std::string components;
  for (const std::string& todo : todos)
    components += todo;
  return CalendarChanges(components);
}

std::string CalendarChanges(const std::string& components) {
  return "BEGIN:VCALENDAR\nVERSION:1.0\n" + components + "END:VCALENDAR\n";
}

}  // namespace pim::test
