// The handler's module-wide state: one per loaded library, alive from load to unload.
#pragma once

#include <cstdint>
#include <string>

#include "notesapi/lnsession.h"
#include "records/cal_entry_object.h"
#include "records/contact_object.h"

namespace pim::handler {

// The run's settings, as the host handed them to PIMHandler_Prepare.
struct Settings {
  int32_t sync_mode = 2;
  int32_t contact_limit = 200;
  int32_t calendar_limit = 200;
  std::string contact_db_path;
  std::string contact_db_server;
  std::string calendar_first_name;
  std::string calendar_second_name;
  std::string store_path;
};

struct ModuleState {
  notes::LNNotesSession session;
  Settings settings;

  // The Notes names as the Notes calls receive them. They follow the settings only when
  // RefreshNotesStrings runs (when a calendar is about to be opened), so a Prepare after the
  // retrieval does not reach the update of Notes.
  notes::LNString contact_db_path;
  notes::LNString contact_db_server;
  notes::LNString calendar_first_name;
  notes::LNString calendar_second_name;

  // The sync object store.
  CalendarArray calendar;
  ContactArray contacts;

  // The store file's bytes as retrieval read them: what a roll-back falls back on when it
  // cannot read the file again.
  std::string loaded_store;

  void RefreshNotesStrings();
};

ModuleState& State();

}  // namespace pim::handler
