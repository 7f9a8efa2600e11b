// The diagnostic dump of a store file to the debug output.
#include <new>

#include "handler/entry_guard.h"
#include "handler/reports.h"
#include "handler/store_io.h"
#include "pim_handler.h"
#include "platform/platform.h"
#include "records/archive.h"

using namespace pim;
using namespace pim::handler;

extern "C" int32_t PIMHandler_DumpSyncObjectStore(const char* store_path) {
  return Guarded([&] {
    CalendarArray calendar;
    ContactArray contacts;
    try {
      if (LoadStore(store_path != nullptr ? store_path : "", calendar, contacts) ==
          StoreLoad::kForeignHead) {
        return 2;
      }
    } catch (const platform::FileError& error) {
      ReportFileError(error);
      return 1;
    } catch (const ArchiveError&) {
      return 1;
    } catch (const std::bad_alloc&) {
      return 1;
    }
    for (auto& record : calendar) {
      platform::OutputDebugStringA(record->ToVCalendar());
      record.reset();
    }
    for (auto& record : contacts) {
      platform::OutputDebugStringA(record->ToVCard());
      record.reset();
    }
    return 0;
  });
}
