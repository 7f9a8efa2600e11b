// Every exported function of the library, each a shim: it takes the C arguments, calls the
// module-wide session, and turns whatever failed into its result and, where the user must hear
// of it, a report. Nothing below these functions reaches the session other than through them.
#include <new>
#include <string>

#include "fakephone/fake_phone.h"
#include "handler/reports.h"
#include "handler/session.h"
#include "handler/store_dump.h"
#include "notesapi/lnglobal.h"
#include "pim_handler.h"
#include "platform/platform.h"

using namespace pim;
using namespace pim::handler;

namespace {

// The library's state lives from the first call to unload; the records still held then are
// released with it.
Session& TheSession() {
  static Session session;
  return session;
}

std::string Text(const char* text) {
  return text != nullptr ? text : "";
}

// Runs a call's body: a Notes status it throws (the class library's throwing mode) or an Error
// becomes result 1 and is reported with `caption`; no exception leaves.
template <class Body>
int32_t Run(Caption caption, Body&& body) noexcept {
  try {
    return body();
  } catch (notes::LNSTATUS status) {
    Report(Error::NotesStatus(status), caption);
  } catch (const Error& error) {
    Report(error, caption);
  } catch (...) {
    // Out of memory, or a failure nobody foresaw: the result says it.
  }
  return 1;
}

}  // namespace

extern "C" int32_t PIMHandler_Init(void) {
  return Run(Caption::kDefault, [] {
    TheSession().StartNotes();
    return 0;
  });
}

extern "C" void PIMHandler_Deinit(void) {
  Session& session = TheSession();
  // A failure to end the Notes session is reported, and the store is saved all the same.
  Run(Caption::kDefault, [&] {
    session.EndNotes();
    return 0;
  });
  Run(Caption::kDefault, [&] {
    session.SaveStore();
    return 0;
  });
  session.ReleaseRecords();
}

extern "C" int32_t PIMHandler_Prepare(int32_t sync_mode, int32_t contact_limit,
                                      int32_t calendar_limit, const char* contact_db_path,
                                      const char* contact_db_server,
                                      const char* calendar_second_name,
                                      const char* calendar_first_name, const char* store_path) {
  return Run(Caption::kDefault, [&] {
    TheSession().Prepare({sync_mode, contact_limit, calendar_limit, Text(contact_db_path),
                          Text(contact_db_server), Text(calendar_first_name),
                          Text(calendar_second_name), Text(store_path)});
    return 0;
  });
}

extern "C" int32_t PIMHandler_QueryObjectCount(uint32_t* contact_count, uint32_t* calendar_count) {
  return Run(Caption::kDefault, [&] {
    TheSession().CountNotes(contact_count, calendar_count);
    return 0;
  });
}

extern "C" int32_t PIMHandler_RetrievePIM(void) {
  return Run(Caption::kDefault, [] {
    return TheSession().Retrieve([](const Error& error) { Report(error, Caption::kDefault); });
  });
}

extern "C" int32_t PIMHandler_DumpSyncObjectStore(const char* store_path) {
  return Run(Caption::kDefault, [&] { return DumpStore(Text(store_path)); });
}

extern "C" int32_t PIMHandler_SyncVCard(const char* phone_file, const char* change_file) {
  return Run(Caption::kDefault,
             [&] { return TheSession().SyncContacts(Text(phone_file), Text(change_file)); });
}

extern "C" int32_t PIMHandler_SyncVCal(const char* phone_file, const char* change_file) {
  return Run(Caption::kDefault,
             [&] { return TheSession().SyncTodos(Text(phone_file), Text(change_file)); });
}

extern "C" int32_t PIMHandler_UpdatePIM(void) {
  return Run(Caption::kEmpty, [] {
    TheSession().UpdateNotes();
    return 0;
  });
}

extern "C" int32_t PIMHandler_UpdateVCardLUID(const char* answer_file) {
  return Run(Caption::kDefault, [&] { return TheSession().TakeContactLuids(Text(answer_file)); });
}

extern "C" int32_t PIMHandler_UpdateVCalLUID(const char* answer_file) {
  return Run(Caption::kDefault, [&] { return TheSession().TakeTodoLuids(Text(answer_file)); });
}

extern "C" int32_t PIMHandler_PurgeAll(void) {
  return Run(Caption::kDefault, [] {
    TheSession().PurgeNotes();
    return 0;
  });
}

extern "C" int32_t PIMHandler_SetCalendarRange(const char* first_day, const char* last_day) {
  return Run(Caption::kDefault, [&] {
    CalendarRange range;
    if (first_day == nullptr || last_day == nullptr ||
        !ParseCalendarRange(first_day, last_day, range)) {
      return 1;
    }
    TheSession().SetCalendarRange(range);
    return 0;
  });
}

extern "C" int32_t PIMHandler_InitAsFakePhone(const char* contact_file, const char* calendar_file) {
  return Run(Caption::kDefault,
             [&] { return TheSession().StartFakePhone(Text(contact_file), Text(calendar_file)); });
}

extern "C" int32_t PIMHandler_SyncCardAsFakePhone(const char* change_file,
                                                  const char* answer_file) {
  return Run(Caption::kEmpty, [&] {
    TheSession().ApplyCardChanges(Text(change_file), Text(answer_file));
    return 0;
  });
}

extern "C" int32_t PIMHandler_SyncCalAsFakePhone(const char* change_file, const char* answer_file) {
  return Run(Caption::kEmpty, [&] {
    TheSession().ApplyTodoChanges(Text(change_file), Text(answer_file));
    return 0;
  });
}

extern "C" int32_t PIMHandler_DeinitAsFakePhone(void) {
  return Run(Caption::kDefault, [] { return TheSession().EndFakePhone(); });
}

extern "C" int32_t PIMHandler_DumpSyncObjectStoreAsFakePhone(const char* store_path,
                                                             const char* contact_file,
                                                             const char* calendar_file) {
  return Run(Caption::kDefault, [&] {
    return DumpStoreAsPhoneFiles(Text(store_path), Text(contact_file), Text(calendar_file));
  });
}

extern "C" void PIMPlatform_SetMessageBoxHook(PIMPlatform_MessageBoxHook hook) {
  platform::SetMessageBoxHook(hook);
}

extern "C" void PIMPlatform_SetDebugOutputHook(PIMPlatform_DebugOutputHook hook) {
  platform::SetDebugOutputHook(hook);
}
