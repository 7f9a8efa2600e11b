#pragma once

#include <cstdint>

namespace pim {

// The change state of one side (Notes or phone) of a record since the store was last saved.
enum SyncState : int32_t {
  SyncStateUnchanged = 0,
  SyncStateAdded = 1,
  SyncStateDeleted = 2,  // both sides of every record right after the store is loaded
  SyncStateModified = 3,
};

// The first word of every store file. It also tells the fake-phone writers to use the note ID
// as the LUID.
inline constexpr uint32_t kLuidMode = 1;

}  // namespace pim
