#include "support/notes_db.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "notesapi/lncalendar.h"
#include "notesapi/lnitem.h"
#include "notesapi/lnsession.h"

namespace pim::test {
namespace {

notes::LNDatetime Datetime(const std::string& text) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s);
  notes::LNDatetime dt;
  dt.SetDate(mo, d, y);
  dt.SetTime(h, mi, s, 0);
  return dt;
}

// Runs body(database, calendar) in a session of its own, in throwing mode; a thrown status
// fails the test instead of escaping.
template <class Result, class Body>
Result On(const std::string& path, Body&& body) {
  const notes::LNBOOL throwing = notes::LNGetThrowAllErrorsGlobal();
  notes::LNSetThrowAllErrorsGlobal(notes::TRUE);
  notes::LNNotesSession session;
  Result result{};
  try {
    session.Initialize(220, 0, nullptr, notes::TRUE, nullptr);
    notes::LNDatabase db;
    session.GetDatabase(path, &db, "");
    db.Open();
    notes::LNCalendar calendar;
    session.GetCalendar(&calendar, path, "", "");
    result = body(db, calendar);
    session.Term(0);
  } catch (notes::LNSTATUS status) {
    ADD_FAILURE() << path << ": " << notes::LNGetErrorMessage(status);
  }
  notes::LNSetThrowAllErrorsGlobal(throwing);
  return result;
}

void PutTextItems(notes::LNNote& note, const Items& items) {
  for (const auto& [name, value] : items) {
    notes::LNText text;
    text.SetValue(value, notes::TRUE);
    note.CreateItem(name, text);
  }
}

}  // namespace

void NotesDb::Create(notes::NOTEID first_note_id) const {
  EXPECT_EQ(notes::LNDatabase::Create(path_, "Test", first_note_id), notes::LNNOERROR) << path_;
}

notes::NOTEID NotesDb::AddDocument(const Items& items, const std::string& modified,
                                   const std::string& form) const {
  return On<notes::NOTEID>(path_, [&](notes::LNDatabase& db, notes::LNCalendar&) {
    notes::LNDocument doc;
    db.CreateDocument(&doc, form);
    PutTextItems(doc, items);
    doc.SetLastModifiedForSave(Datetime(modified));
    doc.Save(0);
    return doc.GetNoteID();
  });
}

notes::NOTEID NotesDb::AddTodo(const std::string& begin, const std::string& end,
                               const std::string& brief, bool alarm,
                               const std::string& modified) const {
  return On<notes::NOTEID>(path_, [&](notes::LNDatabase&, notes::LNCalendar& calendar) {
    notes::LNDatetimeRange range;
    range.SetBegin(Datetime(begin));
    range.SetEnd(Datetime(end));
    notes::LNCalendarEntry entry;
    calendar.CreateEntry(range, brief, notes::LNCALENDARENTRYTYPE_TODO, &entry);
    entry.SetIsAlarmEnabled(alarm ? notes::TRUE : notes::FALSE);
    entry.SetLastModifiedForSave(Datetime(modified));
    entry.Save(0, notes::TRUE);
    return entry.GetNoteID();
  });
}

void NotesDb::Edit(notes::NOTEID id, const Items& items, const std::string& modified,
                   const std::optional<std::string>& brief) const {
  On<int>(path_, [&](notes::LNDatabase&, notes::LNCalendar& calendar) {
    notes::LNCalendarEntry entry;
    calendar.GetDocument(id, &entry);
    entry.Open(0);
    PutTextItems(entry, items);
    if (brief) entry.SetBriefDescription(*brief);
    entry.SetLastModifiedForSave(Datetime(modified));
    entry.Save(0, notes::TRUE);
    return 0;
  });
}

void NotesDb::Delete(notes::NOTEID id) const {
  On<int>(path_, [&](notes::LNDatabase& db, notes::LNCalendar&) { return db.DeleteNote(id); });
}

std::vector<notes::NOTEID> NotesDb::NoteIds() const {
  return On<std::vector<notes::NOTEID>>(path_, [&](notes::LNDatabase& db, notes::LNCalendar&) {
    notes::LNDocumentArray documents;
    db.GetDocuments(&documents);
    std::vector<notes::NOTEID> ids;
    for (uint32_t i = 0; i < documents.GetCount(); ++i)
      ids.push_back(documents[i].GetNoteID());
    return ids;
  });
}

std::map<std::string, std::string> NotesDb::TextItems(notes::NOTEID id) const {
  return On<std::map<std::string, std::string>>(
      path_, [&](notes::LNDatabase& db, notes::LNCalendar&) {
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
        return items;
      });
}

std::string NotesDb::Todo(notes::NOTEID id) const {
  return On<std::string>(path_, [&](notes::LNDatabase&, notes::LNCalendar& calendar) {
    notes::LNCalendarEntry entry;
    calendar.GetDocument(id, &entry);
    entry.Open(0);
    notes::LNDatetimeRange range;
    entry.GetDatetimeRange(&range);
    notes::LNString brief;
    entry.GetBriefDescription(&brief);
    return std::string(range.GetText()) + " " + std::string(brief) + ", alarm " +
           (entry.GetIsAlarmEnabled() != 0 ? "on" : "off");
  });
}

}  // namespace pim::test
