// The start and end of a sync run, the run's settings, and the platform hooks.
#include <new>

#include "handler/entry_guard.h"
#include "handler/module_state.h"
#include "handler/reports.h"
#include "handler/store_io.h"
#include "pim_handler.h"
#include "platform/platform.h"
#include "records/archive.h"

using namespace pim;
using namespace pim::handler;

namespace {

std::string Text(const char* s) {
  return s != nullptr ? s : "";
}

void ReleaseRecords(ModuleState& state) {
  // Calendar records first, then contacts, each from the first to the last.
  for (auto& record : state.calendar)
    record.reset();
  for (auto& record : state.contacts)
    record.reset();
  state.calendar.clear();
  state.contacts.clear();
  state.loaded_store.clear();
}

}  // namespace

extern "C" int32_t PIMHandler_Init(void) {
  return Guarded([] {
    notes::LNSetThrowAllErrorsGlobal(notes::TRUE);
    return WithNotesReports(Caption::kDefault, [] {
      State().session.Initialize(220, 0, nullptr, notes::TRUE, nullptr);
      return 0;
    });
  });
}

extern "C" void PIMHandler_Deinit(void) {
  ModuleState& state = State();
  try {
    // A session that never started has nothing to end; any other failure to end it is
    // reported, and the store is saved all the same.
    if (state.session.IsInitialized()) {
      WithNotesReports(Caption::kDefault, [&] {
        state.session.Term(0);
        return 0;
      });
    }
  } catch (...) {
  }
  try {
    SaveStore(state.settings.store_path, state.calendar, state.contacts);
  } catch (const platform::FileError& error) {
    ReportFileError(error);
  } catch (...) {
    // Malformed data or lack of memory while saving: no report, the old store stays.
  }
  ReleaseRecords(state);
}

extern "C" int32_t PIMHandler_Prepare(int32_t sync_mode, int32_t contact_limit,
                                      int32_t calendar_limit, const char* contact_db_path,
                                      const char* contact_db_server,
                                      const char* calendar_second_name,
                                      const char* calendar_first_name, const char* store_path) {
  return Guarded([&] {
    Settings& settings = State().settings;
    settings.contact_db_path = Text(contact_db_path);
    settings.contact_db_server = Text(contact_db_server);
    settings.calendar_second_name = Text(calendar_second_name);
    settings.calendar_first_name = Text(calendar_first_name);
    settings.store_path = Text(store_path);
    settings.sync_mode = sync_mode;
    settings.contact_limit = contact_limit;
    settings.calendar_limit = calendar_limit;
    return 0;
  });
}

extern "C" void PIMPlatform_SetMessageBoxHook(PIMPlatform_MessageBoxHook hook) {
  platform::SetMessageBoxHook(hook);
}

extern "C" void PIMPlatform_SetDebugOutputHook(PIMPlatform_DebugOutputHook hook) {
  platform::SetDebugOutputHook(hook);
}
