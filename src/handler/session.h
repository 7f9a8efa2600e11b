// The handler's session: everything the library keeps from one call to the next (the run's
// settings, the Notes session, the sync object store) and what each call does with it. The
// exported functions hold one module-wide session; the parts below the session get what they
// use as parameters.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "notes/notes_side.h"
#include "notes/sync_scope.h"
#include "platform/error.h"
#include "records/cal_entry_object.h"
#include "records/contact_object.h"

namespace pim::handler {

// The run's settings, as the host handed them to PIMHandler_Prepare.
struct Settings {
  int32_t sync_mode = kDefaultSyncMode;
  int32_t contact_limit = kDefaultLimit;
  int32_t calendar_limit = kDefaultLimit;
  std::string contact_db_path;
  std::string contact_db_server;
  std::string calendar_first_name;
  std::string calendar_second_name;
  std::string store_path;
};

// Tells the user of a failure that does not end the call.
using Tell = std::function<void(const Error&)>;

class Session {
 public:
  // The Notes session started in throwing mode.
  void StartNotes();
  // Ends a started Notes session.
  void EndNotes();
  // Saves the store to the settings' store file.
  void SaveStore() const;
  // Releases every record: the to-dos first, then the contacts, each from the first to the last.
  void ReleaseRecords();

  void Prepare(Settings settings) { settings_ = std::move(settings); }
  // Kept apart from the settings: a Prepare does not reset it, nor does the end of a run.
  void SetCalendarRange(const CalendarRange& range) { range_ = range; }

  // How many Person documents and synced to-dos Notes holds.
  void CountNotes(uint32_t* contacts, uint32_t* todos);
  // Loads the store file, then merges Notes into it. 2 for a store file whose first word is
  // foreign (nothing loaded); a store file that cannot be read is told and left aside.
  int32_t Retrieve(const Tell& tell);
  int32_t SyncContacts(const std::string& phone_file, const std::string& change_file);
  int32_t SyncTodos(const std::string& phone_file, const std::string& change_file);
  void UpdateNotes();
  int32_t TakeContactLuids(const std::string& answer_file);
  int32_t TakeTodoLuids(const std::string& answer_file);
  // Starts the Notes session, empties the Notes side and ends the session.
  void PurgeNotes();

  // Fake-phone mode, on the same Notes session and names.
  int32_t StartFakePhone(const std::string& contact_file, const std::string& calendar_file);
  void ApplyCardChanges(const std::string& change_file, const std::string& answer_file);
  void ApplyTodoChanges(const std::string& change_file, const std::string& answer_file);
  // The status of ending the Notes session, unreported: the host gets it as the result.
  int32_t EndFakePhone();

 private:
  // The Notes names follow the settings only here (when a call is about to open the calendar),
  // so a Prepare after the retrieval does not reach the update of Notes.
  void RefreshNotesNames();
  void StartNotesSession();

  notes::LNNotesSession notes_;
  Settings settings_;
  CalendarRange range_ = kDefaultCalendarRange;
  NotesNames names_;
  CalendarArray todos_;
  ContactArray contacts_;
  // The store file's bytes as retrieval read them: what a roll-back falls back on when it
  // cannot read the file again.
  std::string loaded_store_;
};

}  // namespace pim::handler
