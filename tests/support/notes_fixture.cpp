#include "support/notes_fixture.h"

#include <cstdio>

#include "notesapi/fault_injection.h"
#include "platform/platform.h"

namespace pim::test {
namespace {

std::vector<std::string>& CapturedLines() {
  static std::vector<std::string> lines;
  return lines;
}

void Capture(const char* text) {
  CapturedLines().emplace_back(text);
}

}  // namespace

DebugCapture::DebugCapture() {
  CapturedLines().clear();
  platform::SetDebugOutputHook(&Capture);
}
DebugCapture::~DebugCapture() {
  platform::SetDebugOutputHook(nullptr);
}
const std::vector<std::string>& DebugCapture::lines() const {
  return CapturedLines();
}
void DebugCapture::Clear() {
  CapturedLines().clear();
}

notes::LNDatetime Datetime(const std::string& text) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s) != 6) {
    ADD_FAILURE() << "bad date-time " << text;
  }
  notes::LNDatetime dt;
  dt.SetDate(mo, d, y);
  dt.SetTime(h, mi, s, 0);
  return dt;
}

notes::LNDatetimeRange DatetimeRange(const std::string& begin, const std::string& end) {
  notes::LNDatetimeRange range;
  range.SetBegin(Datetime(begin));
  range.SetEnd(Datetime(end));
  return range;
}

void PutTextItems(notes::LNNote& note, const Items& items) {
  for (const auto& [name, value] : items) {
    notes::LNText text;
    text.SetValue(value, notes::TRUE);
    note.CreateItem(name, text);
  }
}

void NotesTest::SetUp() {
  notes::ClearFaults();
  notes::LNSetThrowAllErrorsGlobal(notes::TRUE);
  db_path_ = dir_.File("names.db");
  ASSERT_EQ(notes::LNDatabase::Create(db_path_, "Contacts"), notes::LNNOERROR);
  session_.Initialize(220, 0, nullptr, notes::TRUE, nullptr);
  session_.GetDatabase(db_path_, &db_, "");
  db_.Open();
  session_.GetCalendar(&calendar_, db_path_, "", "");
}

void NotesTest::TearDown() {
  notes::ClearFaults();
  if (db_.IsOpen()) db_.Close();
  if (calendar_.IsOpen()) calendar_.Close();
  if (session_.IsInitialized()) session_.Term(0);
}

notes::NOTEID NotesTest::AddDocument(const Items& items, const std::string& form) {
  notes::LNDocument doc;
  db_.CreateDocument(&doc, form);
  PutTextItems(doc, items);
  doc.Save(0);
  const notes::NOTEID id = doc.GetNoteID();
  doc.Close();
  return id;
}

notes::LNDocument NotesTest::OpenDocument(notes::NOTEID id) {
  return OpenNote<notes::LNDocument>(db_, id);
}

notes::LNCalendarEntry NotesTest::AddEntry(const std::string& begin, const std::string& end,
                                           const std::string& brief, bool alarm) {
  notes::LNCalendarEntry entry;
  calendar_.CreateEntry(DatetimeRange(begin, end), brief, notes::LNCALENDARENTRYTYPE_TODO, &entry);
  entry.SetIsAlarmEnabled(alarm ? notes::TRUE : notes::FALSE);
  entry.Save(0, notes::TRUE);
  return entry;
}

notes::LNCalendarEntry NotesTest::OpenEntry(notes::NOTEID id) {
  return OpenNote<notes::LNCalendarEntry>(calendar_, id);
}

}  // namespace pim::test
