#include "notes_snapshot.h"

#include <algorithm>
#include <vector>

#include "notesapi/lncalendar.h"
#include "notesapi/lnsession.h"
#include "platform/text.h"

namespace pim::cli {

using namespace pim::notes;

namespace {

// What a note holds, as one text: a change to any item changes it. The last-modified time is
// left out, since two saves within a second can carry the same one.
std::string Fingerprint(const LNNote& note) {
  // Items in name order: a save may move a rewritten item to the end without changing it.
  std::vector<const LNItem*> items;
  for (const LNItem& item : note.GetItems()) items.push_back(&item);
  std::sort(items.begin(), items.end(), [](const LNItem* a, const LNItem* b) {
    return a->GetName() < b->GetName();
  });
  std::string text;
  for (const LNItem* entry : items) {
    const LNItem& item = *entry;
    text += item.GetName();
    text += '\x1f';
    if (const auto* texts = item.Texts()) {
      for (const std::string& value : *texts) text += value + '\x1e';
    } else if (const auto* datetimes = item.Datetimes()) {
      for (const LNDatetime& value : *datetimes) text += value.GetText() + '\x1e';
    } else if (const auto* numbers = item.Numbers()) {
      for (double value : *numbers) text += std::to_string(value) + '\x1e';
    }
    text += '\x1d';
  }
  return text;
}

}  // namespace

NotesSnapshot TakeSnapshot(const std::string& contacts_db, const std::string& calendar_db) {
  NotesSnapshot snapshot;
  const LNBOOL throwing = LNGetThrowAllErrorsGlobal();
  LNSetThrowAllErrorsGlobal(TRUE);
  try {
    LNNotesSession session;
    session.Initialize();
    LNDatabase database;
    session.GetDatabase(contacts_db, &database, "");
    database.Open();
    LNDocumentArray documents;
    database.GetDocuments(&documents);
    for (uint32_t i = 0; i < documents.GetCount(); ++i) {
      LNDocument document = documents[i];
      document.Open(0);
      if (pim::platform::EqualsNoCase(document.GetFormName(), "Person")) {
        snapshot.contacts[document.GetNoteID()] = Fingerprint(document);
      }
    }
    LNCalendar calendar;
    session.GetCalendar(&calendar, calendar_db, "", "");
    LNDatetimeRange window;
    window.SetBegin(LNDatetime("1990/1/1"));
    window.SetEnd(LNDatetime("2020/1/1"));
    LNCalendarEntryArray entries;
    calendar.GetEntries(window, &entries, TRUE, "");
    for (uint32_t i = 0; i < entries.GetCount(); ++i) {
      LNCalendarEntry entry = entries[i];
      entry.Open(0);
      LNDatetimeRange range;
      entry.GetDatetimeRange(&range);
      const LNDatetime& begin = range.GetBegin();
      const LNDatetime& end = range.GetEnd();
      if (begin.GetYear() == end.GetYear() && begin.GetMonth() == end.GetMonth() &&
          begin.GetDay() == end.GetDay()) {
        snapshot.todos[entry.GetNoteID()] = Fingerprint(entry);
      }
    }
    session.Term(0);
    snapshot.readable = true;
  } catch (LNSTATUS) {
    // A database that cannot be read counts as holding nothing; the run reports why.
  }
  LNSetThrowAllErrorsGlobal(throwing);
  return snapshot;
}

Changes Compare(const std::map<uint32_t, std::string>& before,
                const std::map<uint32_t, std::string>& after) {
  Changes changes;
  for (const auto& [id, modified] : after) {
    const auto old = before.find(id);
    if (old == before.end()) {
      ++changes.added;
    } else if (old->second != modified) {
      ++changes.changed;
    }
  }
  for (const auto& [id, modified] : before) {
    if (after.find(id) == after.end()) ++changes.deleted;
  }
  return changes;
}

}  // namespace pim::cli
