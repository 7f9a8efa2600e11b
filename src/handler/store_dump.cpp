#include "handler/store_dump.h"

#include "platform/platform.h"
#include "records/store_io.h"
#include "vobject/vobject_writer.h"

namespace pim::handler {

int32_t DumpStore(const std::string& store_path) {
  CalendarArray todos;
  ContactArray contacts;
  if (LoadStore(store_path, todos, contacts) == StoreLoad::kForeignHead) return 2;
  // Without a debug output the dump is a check that the store reads whole: no texts to make.
  const bool shown = platform::DebugOutputWanted();
  for (auto& record : todos) {
    if (shown) platform::OutputDebugStringA(VObjectText(*record));
    record.reset();
  }
  for (auto& record : contacts) {
    if (shown) platform::OutputDebugStringA(VObjectText(*record));
    record.reset();
  }
  return 0;
}

}  // namespace pim::handler
