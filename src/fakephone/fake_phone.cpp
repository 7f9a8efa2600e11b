#include "fakephone/fake_phone.h"

#include <new>

#include "exchange/line_splitter.h"
#include "notes/calendar_entry.h"
#include "notes/person_document.h"
#include "platform/text.h"
#include "records/store_io.h"
#include "vobject/vobject_reader.h"
#include "vobject/vobject_writer.h"

namespace pim {
namespace {

// LUIDs written by the fake phone are note IDs; read back the way atoi reads them.
notes::NOTEID NoteIdOf(const std::string& luid) {
  return static_cast<notes::NOTEID>(platform::StrToIntA(luid));
}

template <class Array>
void WritePhoneRecords(const std::string& path, Array& records) {
  platform::OutputFile file(path);
  for (auto& record : records) {
    file.Write(KeyLuidVObjectText(*record));
    record.reset();
  }
  records.clear();
  file.Close();
}

// A phone takes a change file in one go: `apply` runs in one Notes batch, which spares a
// commit per note, and the answers it gathers are written once the notes they name are
// committed, so that an answer never names a note that is not there. When `apply` fails, what
// it did before the failure stays and is answered, and the failure goes on.
template <class Apply>
void ApplyInOneBatch(notes::LNDatabase& database, platform::OutputFile& answers, Apply&& apply) {
  std::string answered;
  database.BeginBatch();
  try {
    apply(answered);
  } catch (...) {
    try {
      database.EndBatch();
      answers.Write(answered);
    } catch (...) {
      // The first failure is the one to report.
    }
    throw;
  }
  database.EndBatch();
  answers.Write(answered);
}

// One contact of a change file, at its END: a LUID alone deletes the note, a LUID with
// properties rewrites it, and a contact without a LUID is created and answered.
void ApplyCard(notes::LNDatabase& database, CContactObject& scratch, bool luid_only,
               std::string& answered) {
  if (luid_only) {
    database.DeleteNote(NoteIdOf(scratch.m_strLuid));
  } else if (!scratch.m_strLuid.empty()) {
    RewritePersonDocument(database, NoteIdOf(scratch.m_strLuid), scratch);
  } else if (CreatePersonDocument(database, scratch)) {
    answered +=
        "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:" + LuidOfNoteId(scratch.m_nNoteId) + "\nEND:VCARD\n";
  }
}

// One to-do of a change file, at its END: created and answered without a LUID, deleted by a
// LUID alone, rewritten otherwise.
void ApplyTodo(notes::LNCalendar& calendar, CCalEntryObject& scratch, bool luid_only,
               std::string& answered) {
  if (scratch.m_strLuid.empty()) {
    if (CreateTodoEntry(calendar, scratch)) {
      answered += "BEGIN:VTODO\nX-VOQ-LUID:" + LuidOfNoteId(scratch.m_nNoteId) + "\nEND:VTODO\n";
    }
  } else if (luid_only) {
    calendar.DeleteNote(NoteIdOf(scratch.m_strLuid));
  } else {
    RewriteCalendarEntry(calendar, NoteIdOf(scratch.m_strLuid), scratch);
  }
}

}  // namespace

int32_t WritePhoneFiles(notes::LNNotesSession& session, const NotesNames& names,
                        const CalendarRange& range, const std::string& contact_file,
                        const std::string& calendar_file) {
  CalendarArray todos;
  ContactArray contacts;
  ReadNotes(session, names, range, calendar_file.empty() ? nullptr : &todos,
            contact_file.empty() ? nullptr : &contacts);
  try {
    if (!contact_file.empty()) WritePhoneRecords(contact_file, contacts);
    if (!calendar_file.empty()) WritePhoneRecords(calendar_file, todos);
  } catch (const Error& error) {
    if (error.kind() != Error::Kind::kFile) throw;
    return 1;
  } catch (const std::bad_alloc&) {
    return 1;
  }
  return 0;
}

void ApplyCardChanges(notes::LNNotesSession& session, const NotesNames& names,
                      const std::string& change_file, const std::string& answer_file) {
  notes::LNDatabase database;
  OpenContactDatabase(session, names, database);
  platform::InputFile changes(change_file);
  platform::OutputFile answers(answer_file);
  ApplyInOneBatch(database, answers, [&](std::string& answered) {
    CContactObject scratch;
    bool luid_only = false;
    PropertyReader reader(changes);
    std::string_view name;
    std::string_view value;
    while (reader.Next(name, value)) {
      if (platform::EqualsNoCase(name, "BEGIN")) {
        if (!platform::EqualsNoCase(value, "VCARD")) break;
        scratch.Reset();
        luid_only = true;
      } else if (platform::EqualsNoCase(name, "VERSION")) {
        if (!platform::EqualsNoCase(value, "2.1")) break;
      } else if (platform::EqualsNoCase(name, "END")) {
        ApplyCard(database, scratch, luid_only, answered);
      } else {
        ReadVCardProperty(scratch, name, value, luid_only);
      }
    }
  });
  database.Close();
  answers.Close();
}

void ApplyTodoChanges(notes::LNNotesSession& session, const NotesNames& names,
                      const std::string& change_file, const std::string& answer_file) {
  platform::InputFile changes(change_file);
  platform::OutputFile answers(answer_file);
  notes::LNCalendar calendar;
  GetCalendar(session, names, calendar);
  answers.Write("BEGIN:VCALENDAR\nVERSION:1.0\n");
  ApplyInOneBatch(calendar, answers, [&](std::string& answered) {
    CCalEntryObject scratch;
    bool luid_only = true;
    PropertyReader reader(changes);
    std::string_view name;
    std::string_view value;
    while (reader.Next(name, value)) {
      const bool is_todo = platform::EqualsNoCase(value, "VTODO");
      if (platform::EqualsNoCase(name, "BEGIN")) {
        if (!is_todo) continue;
        scratch.Reset();
        scratch.SetAlarm(0, false);
        luid_only = true;
      } else if (platform::EqualsNoCase(name, "END")) {
        if (is_todo) ApplyTodo(calendar, scratch, luid_only, answered);
      } else {
        ReadVCalendarProperty(scratch, name, value, luid_only);
      }
    }
  });
  answers.Write("END:VCALENDAR\n");
  answers.Close();
}

int32_t DumpStoreAsPhoneFiles(const std::string& store_path, const std::string& contact_file,
                              const std::string& calendar_file) {
  CalendarArray todos;
  ContactArray contacts;
  if (LoadStore(store_path, todos, contacts) == StoreLoad::kForeignHead) return 2;
  platform::OutputFile calendar_out(calendar_file);
  platform::OutputFile contact_out(contact_file);
  for (auto& record : todos) {
    calendar_out.Write(KeyLuidVObjectText(*record));
    record.reset();
  }
  for (auto& record : contacts) {
    contact_out.Write(KeyLuidVObjectText(*record));
    record.reset();
  }
  calendar_out.Close();
  contact_out.Close();
  return 0;
}

}  // namespace pim
