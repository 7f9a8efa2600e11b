#include "handler/handler_fixture.h"

#include <sys/stat.h>

#include "notesapi/lncalendar.h"
#include "notesapi/lnitem.h"
#include "notesapi/lnsession.h"
#include "support/notes_fixture.h"

namespace pim::test {
namespace {

// A started session of the test's own stand-in copy, in throwing mode.
class Session {
 public:
  Session() {
    notes::LNSetThrowAllErrorsGlobal(notes::TRUE);
    session_.Initialize(220, 0, nullptr, notes::TRUE, nullptr);
  }
  ~Session() {
    if (session_.IsInitialized()) session_.Term(0);
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  notes::LNDatabase Open(const std::string& path) {
    notes::LNDatabase db;
    session_.GetDatabase(path, &db, "");
    db.Open();
    return db;
  }
  notes::LNCalendar Calendar(const std::string& path) {
    notes::LNCalendar calendar;
    session_.GetCalendar(&calendar, path, "", "");
    return calendar;
  }

 private:
  notes::LNNotesSession session_;
};

// Runs a Notes step of the test; a thrown status fails the test instead of escaping.
template <class Body>
auto Guard(const char* what, Body&& body) -> decltype(body()) {
  try {
    return body();
  } catch (notes::LNSTATUS status) {
    ADD_FAILURE() << what << ": " << notes::LNGetErrorMessage(status);
  }
  return decltype(body())();
}

void PutText(notes::LNNote& note, const std::string& name, const std::string& value) {
  notes::LNText text;
  text.SetValue(value, notes::TRUE);
  note.CreateItem(name, text);
}

}  // namespace

void NotesDb::Create() const {
  Guard("create", [&] {
    notes::LNSetThrowAllErrorsGlobal(notes::TRUE);
    notes::LNDatabase::Create(path_, "Test");
    return 0;
  });
}

notes::NOTEID NotesDb::AddDocument(const Items& items, const std::string& modified,
                                   const std::string& form) const {
  return Guard("add document", [&] {
    Session session;
    notes::LNDatabase db = session.Open(path_);
    notes::LNDocument doc;
    db.CreateDocument(&doc, form);
    for (const auto& [name, value] : items)
      PutText(doc, name, value);
    doc.SetLastModifiedForSave(Datetime(modified));
    doc.Save(0);
    const notes::NOTEID id = doc.GetNoteID();
    doc.Close();
    db.Close();
    return id;
  });
}

notes::NOTEID NotesDb::AddTodo(const std::string& begin, const std::string& end,
                               const std::string& brief, bool alarm,
                               const std::string& modified) const {
  return Guard("add to-do", [&] {
    Session session;
    notes::LNCalendar calendar = session.Calendar(path_);
    notes::LNDatetimeRange range;
    range.SetBegin(Datetime(begin));
    range.SetEnd(Datetime(end));
    notes::LNCalendarEntry entry;
    calendar.CreateEntry(range, brief, notes::LNCALENDARENTRYTYPE_TODO, &entry);
    entry.SetIsAlarmEnabled(alarm ? notes::TRUE : notes::FALSE);
    entry.SetLastModifiedForSave(Datetime(modified));
    entry.Save(0, notes::TRUE);
    const notes::NOTEID id = entry.GetNoteID();
    entry.Close();
    calendar.Close();
    return id;
  });
}

void NotesDb::SetItems(notes::NOTEID id, const Items& items, const std::string& modified) const {
  Guard("set items", [&] {
    Session session;
    notes::LNDatabase db = session.Open(path_);
    notes::LNDocument doc;
    db.GetDocument(id, &doc);
    doc.Open(0);
    for (const auto& [name, value] : items)
      PutText(doc, name, value);
    doc.SetLastModifiedForSave(Datetime(modified));
    doc.Save(0);
    doc.Close();
    db.Close();
    return 0;
  });
}

void NotesDb::SetBrief(notes::NOTEID id, const std::string& brief,
                       const std::string& modified) const {
  Guard("set brief", [&] {
    Session session;
    notes::LNCalendar calendar = session.Calendar(path_);
    notes::LNCalendarEntry entry;
    calendar.GetDocument(id, &entry);
    entry.Open(0);
    entry.SetBriefDescription(brief);
    entry.SetLastModifiedForSave(Datetime(modified));
    entry.Save(0, notes::TRUE);
    entry.Close();
    calendar.Close();
    return 0;
  });
}

void NotesDb::Restamp(notes::NOTEID id, const std::string& modified) const {
  SetItems(id, {}, modified);
}

void NotesDb::Delete(notes::NOTEID id) const {
  Guard("delete", [&] {
    Session session;
    notes::LNDatabase db = session.Open(path_);
    db.DeleteNote(id);
    db.Close();
    return 0;
  });
}

std::vector<notes::NOTEID> NotesDb::NoteIds() const {
  return Guard("list", [&] {
    Session session;
    notes::LNDatabase db = session.Open(path_);
    notes::LNDocumentArray documents;
    db.GetDocuments(&documents);
    std::vector<notes::NOTEID> ids;
    for (uint32_t i = 0; i < documents.GetCount(); ++i)
      ids.push_back(documents[i].GetNoteID());
    db.Close();
    return ids;
  });
}

std::optional<std::map<std::string, std::string>> NotesDb::TextItems(notes::NOTEID id) const {
  const std::vector<notes::NOTEID> ids = NoteIds();
  if (std::find(ids.begin(), ids.end(), id) == ids.end()) return std::nullopt;
  return Guard("read items", [&] {
    Session session;
    notes::LNDatabase db = session.Open(path_);
    notes::LNDocument doc;
    db.GetDocument(id, &doc);
    doc.Open(0);
    std::map<std::string, std::string> items;
    for (const notes::LNItem& item : doc.GetItems()) {
      const auto* texts = item.Texts();
      if (item.GetType() == notes::LNITEMTYPE_TEXT && texts != nullptr) {
        items[item.GetName()] = texts->empty() ? std::string() : texts->front();
      }
    }
    doc.Close();
    db.Close();
    return std::optional<std::map<std::string, std::string>>(items);
  });
}

std::string NotesDb::Form(notes::NOTEID id) const {
  return Guard("read form", [&] {
    Session session;
    notes::LNDatabase db = session.Open(path_);
    notes::LNDocument doc;
    db.GetDocument(id, &doc);
    doc.Open(0);
    notes::LNString form;
    doc.GetFormNote(&form);
    doc.Close();
    db.Close();
    return form;
  });
}

NotesDb::Entry NotesDb::ReadEntry(notes::NOTEID id) const {
  return Guard("read entry", [&] {
    Session session;
    notes::LNCalendar calendar = session.Calendar(path_);
    notes::LNCalendarEntry entry;
    calendar.GetDocument(id, &entry);
    entry.Open(0);
    Entry result;
    notes::LNDatetimeRange range;
    entry.GetDatetimeRange(&range);
    result.range = range.GetText();
    entry.GetBriefDescription(&result.brief);
    result.alarm = entry.GetIsAlarmEnabled() != 0;
    notes::LNDatetime when;
    try {
      entry.GetAlarmDatetime(&when);
      result.alarm_time = when.GetText();
    } catch (notes::LNSTATUS) {
    }
    entry.Close();
    calendar.Close();
    return result;
  });
}

HandlerTest::HandlerTest()
    : h_(Handler()),
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

int32_t HandlerTest::SyncVCard(const std::string& phone_text) {
  const std::string phone = dir_.File("phone.vcf");
  const std::string changes = dir_.File("changes.vcf");
  WriteFile(phone, phone_text);
  const int32_t result = h_.SyncVCard(phone.c_str(), changes.c_str());
  struct stat st {};
  vcard_changes_ = ::stat(changes.c_str(), &st) == 0 ? ReadFile(changes) : "<no file>";
  return result;
}

int32_t HandlerTest::SyncVCal(const std::string& phone_text) {
  const std::string phone = dir_.File("phone.vcs");
  const std::string changes = dir_.File("changes.vcs");
  WriteFile(phone, phone_text);
  const int32_t result = h_.SyncVCal(phone.c_str(), changes.c_str());
  struct stat st {};
  vcal_changes_ = ::stat(changes.c_str(), &st) == 0 ? ReadFile(changes) : "<no file>";
  return result;
}

int32_t HandlerTest::UpdateVCardLuids(const std::string& answer_text) {
  const std::string answers = dir_.File("luids.vcf");
  WriteFile(answers, answer_text);
  return h_.UpdateVCardLUID(answers.c_str());
}

int32_t HandlerTest::UpdateVCalLuids(const std::string& answer_text) {
  const std::string answers = dir_.File("luids.vcs");
  WriteFile(answers, answer_text);
  return h_.UpdateVCalLUID(answers.c_str());
}

bool HandlerTest::StoreExists() const {
  struct stat st {};
  return ::stat(store_path_.c_str(), &st) == 0;
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
  std::string text = "BEGIN:VCALENDAR\nVERSION:1.0\n";
  for (const std::string& todo : todos)
    text += todo;
  return text + "END:VCALENDAR\n";
}

std::string CalendarChanges(const std::string& components) {
  return "BEGIN:VCALENDAR\nVERSION:1.0\n" + components + "END:VCALENDAR\n";
}

testing::AssertionResult NoBoxes() {
  if (CapturedBoxes().empty()) return testing::AssertionSuccess();
  auto failure = testing::AssertionFailure() << CapturedBoxes().size() << " message box(es):";
  for (const CapturedBox& box : CapturedBoxes())
    failure << "\n  \"" << box.text << '"';
  return failure;
}

testing::AssertionResult OneBox(const std::string& text, const char* caption, unsigned int style) {
  const auto& boxes = CapturedBoxes();
  if (boxes.size() != 1) {
    auto failure = testing::AssertionFailure() << boxes.size() << " message boxes, not 1:";
    for (const CapturedBox& box : boxes)
      failure << "\n  \"" << box.text << '"';
    return failure;
  }
  const CapturedBox& box = boxes.front();
  if (!box.owner_is_null) return testing::AssertionFailure() << "the box has an owner window";
  if (box.text != text) {
    return testing::AssertionFailure() << "text \"" << box.text << "\", not \"" << text << '"';
  }
  if (caption == nullptr && !box.caption_is_null) {
    return testing::AssertionFailure() << "caption \"" << box.caption << "\", not none";
  }
  if (caption != nullptr && (box.caption_is_null || box.caption != caption)) {
    return testing::AssertionFailure()
           << "caption " << (box.caption_is_null ? "none" : '"' + box.caption + '"') << ", not \""
           << caption << '"';
  }
  if (box.style != style) {
    return testing::AssertionFailure()
           << "style 0x" << std::hex << box.style << ", not 0x" << style;
  }
  return testing::AssertionSuccess();
}

}  // namespace pim::test
