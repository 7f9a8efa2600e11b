#include "support/notes_db.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "notesapi/lncalendar.h"
#include "notesapi/lnitem.h"
#include "notesapi/lnsession.h"

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

  // The database at `path`, open, or its calendar.
  void Reach(const std::string& path, notes::LNDatabase& db) {
    session_.GetDatabase(path, &db, "");
    db.Open();
  }
  void Reach(const std::string& path, notes::LNCalendar& calendar) {
    session_.GetCalendar(&calendar, path, "", "");
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

// Runs body(place) on the database at `path` (Place LNDatabase) or on its calendar (Place
// LNCalendar), reached in a session of its own, as the step `what`.
template <class Place, class Body>
auto On(const char* what, const std::string& path, Body&& body) {
  return Guard(what, [&] {
    Session session;
    Place place;
    session.Reach(path, place);
    auto result = body(place);
    place.Close();
    return result;
  });
}

// Runs body(note) on the note `id` opened from there: a document of the database or an entry
// of the calendar.
template <class Place, class Note, class Body>
auto OnNote(const char* what, const std::string& path, notes::NOTEID id, Body&& body) {
  return On<Place>(what, path, [&](Place& place) {
    Note note = OpenNote<Note>(place, id);
    auto result = body(note);
    note.Close();
    return result;
  });
}

using Database = notes::LNDatabase;
using Calendar = notes::LNCalendar;
using Document = notes::LNDocument;
using CalendarEntry = notes::LNCalendarEntry;

}  // namespace

void NotesDb::Create(notes::NOTEID first_note_id) const {
  Guard("create", [&] {
    notes::LNSetThrowAllErrorsGlobal(notes::TRUE);
    notes::LNDatabase::Create(path_, "Test", first_note_id);
    return 0;
  });
}

notes::NOTEID NotesDb::AddDocument(const Items& items, const std::string& modified,
                                   const std::string& form) const {
  return On<Database>("add document", path_, [&](Database& db) {
    notes::LNDocument doc;
    db.CreateDocument(&doc, form);
    PutTextItems(doc, items);
    doc.SetLastModifiedForSave(Datetime(modified));
    doc.Save(0);
    const notes::NOTEID id = doc.GetNoteID();
    doc.Close();
    return id;
  });
}

notes::NOTEID NotesDb::AddTodo(const std::string& begin, const std::string& end,
                               const std::string& brief, bool alarm,
                               const std::string& modified) const {
  return On<Calendar>("add to-do", path_, [&](Calendar& calendar) {
    notes::LNCalendarEntry entry;
    calendar.CreateEntry(DatetimeRange(begin, end), brief, notes::LNCALENDARENTRYTYPE_TODO, &entry);
    entry.SetIsAlarmEnabled(alarm ? notes::TRUE : notes::FALSE);
    entry.SetLastModifiedForSave(Datetime(modified));
    entry.Save(0, notes::TRUE);
    const notes::NOTEID id = entry.GetNoteID();
    entry.Close();
    return id;
  });
}

void NotesDb::SetItems(notes::NOTEID id, const Items& items, const std::string& modified) const {
  OnNote<Database, Document>("set items", path_, id, [&](Document& doc) {
    PutTextItems(doc, items);
    doc.SetLastModifiedForSave(Datetime(modified));
    doc.Save(0);
    return 0;
  });
}

void NotesDb::SetBrief(notes::NOTEID id, const std::string& brief,
                       const std::string& modified) const {
  OnNote<Calendar, CalendarEntry>("set brief", path_, id, [&](CalendarEntry& entry) {
    entry.SetBriefDescription(brief);
    entry.SetLastModifiedForSave(Datetime(modified));
    entry.Save(0, notes::TRUE);
    return 0;
  });
}

void NotesDb::Restamp(notes::NOTEID id, const std::string& modified) const {
  SetItems(id, {}, modified);
}

void NotesDb::Delete(notes::NOTEID id) const {
  On<Database>("delete", path_, [&](Database& db) {
    db.DeleteNote(id);
    return 0;
  });
}

std::vector<notes::NOTEID> NotesDb::NoteIds() const {
  return On<Database>("list", path_, [&](Database& db) {
    notes::LNDocumentArray documents;
    db.GetDocuments(&documents);
    std::vector<notes::NOTEID> ids;
    for (uint32_t i = 0; i < documents.GetCount(); ++i)
      ids.push_back(documents[i].GetNoteID());
    return ids;
  });
}

bool NotesDb::Exists(notes::NOTEID id) const {
  const std::vector<notes::NOTEID> ids = NoteIds();
  return std::find(ids.begin(), ids.end(), id) != ids.end();
}

std::optional<std::map<std::string, std::string>> NotesDb::TextItems(notes::NOTEID id) const {
  if (!Exists(id)) return std::nullopt;
  return OnNote<Database, Document>("read items", path_, id, [&](Document& doc) {
    std::map<std::string, std::string> items;
    for (const notes::LNItem& item : doc.GetItems()) {
      const auto* texts = item.Texts();
      if (item.GetType() == notes::LNITEMTYPE_TEXT && texts != nullptr) {
        items[item.GetName()] = texts->empty() ? std::string() : texts->front();
      }
    }
    return std::optional<std::map<std::string, std::string>>(items);
  });
}

std::string NotesDb::Text(notes::NOTEID id, const std::string& item) const {
  const auto items = TextItems(id);
  if (!items) return "";
  const auto found = items->find(item);
  return found != items->end() ? found->second : "";
}

std::string NotesDb::Form(notes::NOTEID id) const {
  return OnNote<Database, Document>("read form", path_, id, [&](Document& doc) {
    notes::LNString form;
    doc.GetFormNote(&form);
    return std::string(form);
  });
}

NotesDb::Entry NotesDb::ReadEntry(notes::NOTEID id) const {
  return OnNote<Calendar, CalendarEntry>("read entry", path_, id, [&](CalendarEntry& entry) {
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
    return result;
  });
}

HeldOpen::HeldOpen(const std::string& path) {
  notes::LNSetThrowAllErrorsGlobal(notes::TRUE);
  session_.Initialize(220, 0, nullptr, notes::TRUE, nullptr);
  session_.GetDatabase(path, &db_, "");
  db_.Open();
}

HeldOpen::~HeldOpen() {
  try {
    if (db_.IsOpen()) db_.Close();
    if (session_.IsInitialized()) session_.Term(0);
  } catch (notes::LNSTATUS status) {
    ADD_FAILURE() << "closing a test database failed with status " << status;
  }
}

}  // namespace pim::test
