#pragma once

#include <cstdint>

namespace pim::handler {

// The last line of defence of every exported function: whatever its own handling lets
// through (out of memory where nothing else catches it, a failure nobody foresaw) ends here
// as a failure result instead of crossing into the host.
template <class Body>
int32_t Guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return 1;
  }
}

}  // namespace pim::handler
