// Makes chosen Notes calls fail on purpose. Linking this file into a test program replaces the
// library's pass-through call seam with one that counts every Notes call and fails the armed
// ones.
#pragma once

#include <cstdint>

#include "notesapi/call_seam.h"

namespace pim::notes {

// The `nth` call (1 = the next one) of `operation` from now on fails with `status` before it
// does anything.
void InjectFault(LNOperation operation, uint32_t nth, LNSTATUS status);
// Forgets the armed fault (one at a time: arming another replaces it) and restarts the call
// counts.
void ClearFaults();
// Calls since the last ClearFaults: of one operation, and of all.
uint32_t CallCount(LNOperation operation);
uint32_t TotalCallCount();

}  // namespace pim::notes
