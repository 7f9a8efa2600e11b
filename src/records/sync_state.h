#pragma once

#include <cstdint>
#include <string>

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

// The LUID under which the fake phone knows a note: its ID in signed decimal, as the phone has
// always seen it. Every file the fake phone writes uses this one form, so that an ID of 2^31 or
// more names the same record in the phone record file and in the answer file.
inline std::string LuidOfNoteId(uint32_t note_id) {
  return std::to_string(static_cast<int32_t>(note_id));
}

}  // namespace pim
