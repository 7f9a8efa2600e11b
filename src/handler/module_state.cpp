#include "handler/module_state.h"

namespace pim::handler {

void ModuleState::RefreshNotesStrings() {
  contact_db_path = settings.contact_db_path;
  contact_db_server = settings.contact_db_server;
  calendar_first_name = settings.calendar_first_name;
  calendar_second_name = settings.calendar_second_name;
}

ModuleState& State() {
  // Built when the library loads, before any entry point can run; the records still held at
  // unload are released with it.
  static ModuleState state;
  return state;
}

}  // namespace pim::handler
