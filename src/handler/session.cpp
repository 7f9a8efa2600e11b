#include "handler/session.h"

#include <new>

#include "exchange/luid_writeback.h"
#include "exchange/notes_update.h"
#include "exchange/phone_pass.h"
#include "exchange/purge.h"
#include "fakephone/fake_phone.h"
#include "notes/person_document.h"
#include "platform/platform.h"
#include "records/store_io.h"

namespace pim::handler {
namespace {

// Whatever a loaded store holds starts the run as gone from both sides until a pass meets it.
template <class Array>
void MarkLoaded(Array& records) {
  for (auto& record : records) {
    record->m_nNotesState = SyncStateDeleted;
    record->m_nPhoneState = SyncStateDeleted;
    record->m_bSeenOnPhone = 0;
  }
}

}  // namespace

void Session::StartNotesSession() {
  notes::LNSetThrowAllErrorsGlobal(notes::TRUE);
  notes_.Initialize(220, 0, nullptr, notes::TRUE, nullptr);
}

void Session::RefreshNotesNames() {
  names_.contact_db_path = settings_.contact_db_path;
  names_.contact_db_server = settings_.contact_db_server;
  names_.calendar_first_name = settings_.calendar_first_name;
  names_.calendar_second_name = settings_.calendar_second_name;
}

void Session::StartNotes() {
  StartNotesSession();
}

void Session::EndNotes() {
  // A session that never started has nothing to end.
  if (notes_.IsInitialized()) notes_.Term(0);
}

void Session::SaveStore() const {
  pim::SaveStore(settings_.store_path, todos_, contacts_);
}

void Session::ReleaseRecords() {
  for (auto& record : todos_)
    record.reset();
  for (auto& record : contacts_)
    record.reset();
  todos_.clear();
  contacts_.clear();
  loaded_store_.clear();
}

void Session::CountNotes(uint32_t* contacts, uint32_t* todos) {
  RefreshNotesNames();
  notes::LNCalendar calendar;
  GetCalendar(notes_, names_, calendar);
  notes::LNCalendarEntryArray entries;
  GetSyncedEntries(calendar, range_, entries);
  if (todos != nullptr) *todos = entries.GetCount();

  notes::LNDatabase database;
  OpenContactDatabase(notes_, names_, database);
  notes::LNDocumentArray documents;
  database.GetDocuments(&documents);
  uint32_t persons = 0;
  for (uint32_t i = 0; i < documents.GetCount(); ++i) {
    notes::LNDocument document = documents[i];
    document.Open(0);
    notes::LNString form;
    document.GetFormNote(&form);
    if (IsPersonForm(form)) ++persons;
    document.Close();
  }
  database.Close();
  if (contacts != nullptr) *contacts = persons;
}

int32_t Session::Retrieve(const Tell& tell) {
  loaded_store_.clear();
  bool loaded = true;
  try {
    switch (LoadStore(settings_.store_path, todos_, contacts_, &loaded_store_)) {
      case StoreLoad::kForeignHead:
        return 2;
      case StoreLoad::kNoFile:
        loaded = false;  // the arrays go on as they are
        break;
      case StoreLoad::kLoaded:
        break;
    }
  } catch (const Error& error) {
    // A damaged store keeps, silently, what was read before the fault.
    if (error.kind() == Error::Kind::kFile) tell(error);
  } catch (const std::bad_alloc&) {
  }
  // Whatever was read, and whatever an array not reached still holds, starts this run with
  // its states: no record is left without them.
  if (loaded) {
    MarkLoaded(todos_);
    MarkLoaded(contacts_);
  }
  RefreshNotesNames();
  ReadNotes(notes_, names_, range_, &todos_, &contacts_);
  return 0;
}

int32_t Session::SyncContacts(const std::string& phone_file, const std::string& change_file) {
  const PassSettings pass{settings_.sync_mode, settings_.contact_limit, settings_.store_path,
                          loaded_store_};
  return pim::SyncContacts(contacts_, pass, phone_file, change_file);
}

int32_t Session::SyncTodos(const std::string& phone_file, const std::string& change_file) {
  const PassSettings pass{settings_.sync_mode, settings_.calendar_limit, settings_.store_path,
                          loaded_store_};
  return pim::SyncTodos(todos_, pass, phone_file, change_file);
}

void Session::UpdateNotes() {
  pim::UpdateNotes(notes_, names_, todos_, contacts_);
}

int32_t Session::TakeContactLuids(const std::string& answer_file) {
  return AssignLuids(answer_file, contacts_);
}

int32_t Session::TakeTodoLuids(const std::string& answer_file) {
  return AssignLuids(answer_file, todos_);
}

void Session::PurgeNotes() {
  StartNotesSession();
  RefreshNotesNames();
  pim::PurgeNotes(notes_, names_, range_);
  notes_.Term(0);
}

int32_t Session::StartFakePhone(const std::string& contact_file, const std::string& calendar_file) {
  platform::OutputDebugStringA(">PIMHandler_InitAsFakePhone");
  StartNotesSession();
  RefreshNotesNames();
  return WritePhoneFiles(notes_, names_, range_, contact_file, calendar_file);
}

void Session::ApplyCardChanges(const std::string& change_file, const std::string& answer_file) {
  pim::ApplyCardChanges(notes_, names_, change_file, answer_file);
}

void Session::ApplyTodoChanges(const std::string& change_file, const std::string& answer_file) {
  pim::ApplyTodoChanges(notes_, names_, change_file, answer_file);
}

int32_t Session::EndFakePhone() {
  try {
    return static_cast<int32_t>(notes_.Term(0));
  } catch (notes::LNSTATUS status) {
    return static_cast<int32_t>(status);
  }
}

}  // namespace pim::handler
