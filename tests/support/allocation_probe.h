// Watches the sizes of the allocations made through operator new in the test program, so that
// a test can tell that damaged input never made the code ask for a huge block.
#pragma once

#include <cstddef>

namespace pim::test {

// Starts watching: forgets the largest allocation seen so far.
void ResetLargestAllocation();
// The largest single allocation since the last reset, in bytes.
size_t LargestAllocation();

}  // namespace pim::test
