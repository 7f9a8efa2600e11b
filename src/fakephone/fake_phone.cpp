// Fake-phone mode: the library plays the phone's side, with the Notes databases of the
// settings as the phone's memory and each note's ID, in decimal, as its LUID. It reads and
// writes exactly the texts a real phone exchanges with the handler.
#include <ctime>
#include <new>

#include "exchange/line_splitter.h"
#include "handler/entry_guard.h"
#include "handler/module_state.h"
#include "handler/notes_access.h"
#include "handler/reports.h"
#include "handler/store_io.h"
#include "notes/calendar_entry.h"
#include "notes/note_id_merge.h"
#include "notes/person_document.h"
#include "pim_handler.h"
#include "platform/local_time.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "records/archive.h"
#include "vobject/vobject_reader.h"

using namespace pim;
using namespace pim::handler;

namespace {

std::string Path(const char* path) {
  return path != nullptr ? path : "";
}

// LUIDs written by the fake phone are note IDs; read back the way atoi reads them.
notes::NOTEID NoteIdOf(const std::string& luid) {
  return static_cast<notes::NOTEID>(platform::StrToIntA(luid));
}

template <class Array>
void WritePhoneRecords(const std::string& path, Array& records) {
  platform::OutputFile file(path);
  for (auto& record : records) {
    if constexpr (std::is_same_v<typename Array::value_type::element_type, CContactObject>) {
      file.Write(record->ToVCardWithKeyLuid());
    } else {
      file.Write(record->ToVCalendarWithKeyLuid());
    }
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

}  // namespace

extern "C" int32_t PIMHandler_InitAsFakePhone(const char* contact_file, const char* calendar_file) {
  return Guarded([&] {
    platform::OutputDebugStringA(">PIMHandler_InitAsFakePhone");
    const std::string contact_path = Path(contact_file);
    const std::string calendar_path = Path(calendar_file);
    ModuleState& state = State();
    CalendarArray todos;
    ContactArray contacts;
    notes::LNSetThrowAllErrorsGlobal(notes::TRUE);
    const int32_t read = WithNotesReports(Caption::kDefault, [&] {
      state.session.Initialize(220, 0, nullptr, notes::TRUE, nullptr);
      state.RefreshNotesStrings();
      if (!calendar_path.empty()) {
        notes::LNCalendar calendar;
        GetCalendar(state, calendar);
        notes::LNCalendarEntryArray entries;
        GetRetrievalEntries(calendar, entries);
        NoteIdMerge<CCalEntryObject> merge(todos);
        for (uint32_t i = 0; i < entries.GetCount(); ++i) {
          notes::LNCalendarEntry entry = entries[i];
          entry.Open(0);
          merge.Merge([&](CalendarArray& fresh) { ReadCalendarEntry(fresh, entry); });
          entry.Close();
        }
      }
      if (!contact_path.empty()) {
        notes::LNDatabase database;
        OpenContactDatabase(state, database);
        notes::LNDocumentArray documents;
        database.GetDocuments(&documents);
        NoteIdMerge<CContactObject> merge(contacts);
        for (uint32_t i = 0; i < documents.GetCount(); ++i) {
          notes::LNDocument document = documents[i];
          document.Open(0);
          merge.Merge([&](ContactArray& fresh) { ReadPersonDocument(fresh, document); });
          document.Close();
        }
        database.Close();
      }
      return 0;
    });
    if (read != 0) return read;
    try {
      if (!contact_path.empty()) WritePhoneRecords(contact_path, contacts);
      if (!calendar_path.empty()) WritePhoneRecords(calendar_path, todos);
    } catch (const platform::FileError&) {
      return 1;
    } catch (const std::bad_alloc&) {
      return 1;
    }
    return 0;
  });
}

extern "C" int32_t PIMHandler_SyncCardAsFakePhone(const char* change_file,
                                                  const char* answer_file) {
  return Guarded([&] {
    try {
      return WithNotesReports(Caption::kEmpty, [&] {
        ModuleState& state = State();
        notes::LNDatabase database;
        state.session.GetDatabase(state.contact_db_path, &database, state.contact_db_server);
        database.Open();
        platform::InputFile changes(Path(change_file));
        platform::OutputFile answers(Path(answer_file));
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
              if (luid_only) {
                database.DeleteNote(NoteIdOf(scratch.m_strLuid));
              } else if (!scratch.m_strLuid.empty()) {
                notes::LNDocument document;
                if (database.GetDocument(NoteIdOf(scratch.m_strLuid), &document) ==
                    notes::LNNOERROR) {
                  document.Open(0);
                  WritePersonDocument(document, scratch);
                  scratch.m_nNoteId = document.GetNoteID();
                  document.Close();
                }
              } else {
                notes::LNDocument document;
                if (database.CreateDocument(&document, "Person") == notes::LNNOERROR) {
                  WritePersonDocument(document, scratch);
                  scratch.m_nNoteId = document.GetNoteID();
                  document.Close();
                  answered +=
                      "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:" + LuidOfNoteId(scratch.m_nNoteId) +
                      "\nEND:VCARD\n";
                }
              }
            } else {
              ReadVCardProperty(scratch, name, value, luid_only);
            }
          }
        });
        database.Close();
        answers.Close();
        return 0;
      });
    } catch (const platform::FileError& error) {
      ReportFileError(error);
      return 1;
    }
  });
}

extern "C" int32_t PIMHandler_SyncCalAsFakePhone(const char* change_file, const char* answer_file) {
  return Guarded([&] {
    try {
      return WithNotesReports(Caption::kEmpty, [&] {
        ModuleState& state = State();
        platform::InputFile changes(Path(change_file));
        platform::OutputFile answers(Path(answer_file));
        notes::LNCalendar calendar;
        GetCalendar(state, calendar);
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
              if (!is_todo) continue;
              if (scratch.m_strLuid.empty()) {
                notes::LNDatetimeRange range;
                RangeOfNewTodo(scratch, range);
                notes::LNCalendarEntry entry;
                if (calendar.CreateEntry(range, scratch.m_strSummary,
                                         notes::LNCALENDARENTRYTYPE_TODO,
                                         &entry) == notes::LNNOERROR) {
                  scratch.m_bHasSummary = 0;
                  scratch.m_bHasStart = 0;
                  scratch.m_bHasEnd = 0;
                  WriteCalendarEntry(entry, scratch);
                  scratch.m_nNoteId = entry.GetNoteID();
                  entry.Close();
                  answered += "BEGIN:VTODO\nX-VOQ-LUID:" + LuidOfNoteId(scratch.m_nNoteId) +
                              "\nEND:VTODO\n";
                }
              } else if (luid_only) {
                calendar.DeleteNote(NoteIdOf(scratch.m_strLuid));
              } else {
                notes::LNCalendarEntry entry;
                if (calendar.GetDocument(NoteIdOf(scratch.m_strLuid), &entry) == notes::LNNOERROR) {
                  entry.Open(0);
                  WriteCalendarEntry(entry, scratch);
                  entry.Close();
                }
              }
            } else {
              ReadVCalendarProperty(scratch, name, value, luid_only);
            }
          }
        });
        answers.Write("END:VCALENDAR\n");
        answers.Close();
        return 0;
      });
    } catch (const platform::FileError& error) {
      ReportFileError(error);
      return 1;
    }
  });
}

extern "C" int32_t PIMHandler_DeinitAsFakePhone(void) {
  return Guarded([] {
    try {
      return static_cast<int32_t>(State().session.Term(0));
    } catch (notes::LNSTATUS status) {
      // Not reported: the host gets the status itself.
      return static_cast<int32_t>(status);
    }
  });
}

extern "C" int32_t PIMHandler_DumpSyncObjectStoreAsFakePhone(const char* store_path,
                                                             const char* contact_file,
                                                             const char* calendar_file) {
  return Guarded([&] {
    CalendarArray todos;
    ContactArray contacts;
    try {
      if (LoadStore(Path(store_path), todos, contacts) == StoreLoad::kForeignHead) return 2;
      platform::OutputFile calendar_out(Path(calendar_file));
      platform::OutputFile contact_out(Path(contact_file));
      for (auto& record : todos) {
        calendar_out.Write(record->ToVCalendarWithKeyLuid());
        record.reset();
      }
      for (auto& record : contacts) {
        contact_out.Write(record->ToVCardWithKeyLuid());
        record.reset();
      }
      calendar_out.Close();
      contact_out.Close();
      return 0;
    } catch (const platform::FileError& error) {
      ReportFileError(error);
    } catch (const ArchiveError&) {
    } catch (const std::bad_alloc&) {
    }
    return 1;
  });
}
