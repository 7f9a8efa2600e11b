#include "handler/store_dump.h"

#include "platform/platform.h"
#include "records/store_io.h"
#include "vobject/vobject_writer.h"

namespace pim::handler {

int32_t DumpStore(const std::string& store_path) {
  CalendarArray todos;
  ContactArray contacts;
  if (LoadStore(store_path, todos, contacts) == StoreLoad::kForeignHead) return 2;
  for (auto& record : todos) {
    platform::OutputDebugStringA(VObjectText(*record));
    record.reset();
  }
  for (auto& record : contacts) {
    platform::OutputDebugStringA(VObjectText(*record));
    record.reset();
  }
  return 0;
}

}  // namespace pim::handler
