#include "faults/notes_faults.h"

#include <array>
#include <numeric>

namespace pim::notes {
namespace {

constexpr size_t kOperations = static_cast<size_t>(LNOperation::kCount);

// Per process, since the code under test reaches Notes through many handles; the tests make
// their Notes calls from one thread.
std::array<uint32_t, kOperations> g_counts{};
struct ArmedFault {
  LNOperation operation = LNOperation::kCount;  // kCount: none armed
  uint32_t at = 0;                              // the count at which it fires
  LNSTATUS status = LNNOERROR;
} g_armed;

size_t Index(LNOperation operation) {
  return static_cast<size_t>(operation);
}

}  // namespace

void InjectFault(LNOperation operation, uint32_t nth, LNSTATUS status) {
  if (nth == 0 || Index(operation) >= kOperations) return;  // no zeroth call to fail
  g_armed = {operation, g_counts[Index(operation)] + nth, status};
}

void ClearFaults() {
  g_armed = {};
  g_counts.fill(0);
}

uint32_t CallCount(LNOperation operation) {
  return Index(operation) < kOperations ? g_counts[Index(operation)] : 0;
}

uint32_t TotalCallCount() {
  return std::accumulate(g_counts.begin(), g_counts.end(), uint32_t{0});
}

namespace detail {

LNSTATUS EnterCall(LNOperation operation) {
  const uint32_t count = ++g_counts[Index(operation)];
  if (operation != g_armed.operation || count != g_armed.at) return LNNOERROR;
  const LNSTATUS status = g_armed.status;
  g_armed = {};
  return status;
}

}  // namespace detail
}  // namespace pim::notes
