// The handler's half of a phone pass: the phone's complete record set matched against the
// store by LUID, each record's phone-side state settled under the sync mode, and the change file
// for the phone written.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/error.h"
#include "records/cal_entry_object.h"
#include "records/contact_object.h"

namespace pim {

struct PassSettings {
  int32_t sync_mode = 2;
  int32_t limit = 0;              // the most live records the pass may leave
  std::string store_path;         // read again when the pass goes over the limit
  std::string_view loaded_store;  // the store's bytes as retrieval read them
};

// Returns 0, or 3 when the records would be over the limit: the records then go back to what
// the store file holds and the change file stays empty. A phone or change file that fails
// throws a file Error; a roll-back that cannot read the store file again falls back on the
// bytes retrieval read, then throws what kept it from the file.
int32_t SyncContacts(ContactArray& records, const PassSettings& settings,
                     const std::string& phone_path, const std::string& change_path);
int32_t SyncTodos(CalendarArray& records, const PassSettings& settings,
                  const std::string& phone_path, const std::string& change_path);

}  // namespace pim
