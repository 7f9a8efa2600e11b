#include "faults/notes_faults.h"

#include <array>
#include <mutex>
#include <vector>

namespace pim::notes {
namespace {

constexpr size_t kOperations = static_cast<size_t>(LNOperation::kCount);

struct ArmedFault {
  LNOperation operation;
  uint64_t at;  // the count at which it fires
  LNSTATUS status;
};

// Counts and faults are per process: the code under test reaches Notes through many handles,
// and a test arms a fault without knowing which handle will make the call.
struct FaultState {
  std::mutex mutex;
  std::array<uint64_t, kOperations> counts{};
  uint64_t total = 0;
  std::vector<ArmedFault> armed;
};

FaultState& State() {
  static FaultState state;
  return state;
}

size_t Index(LNOperation operation) {
  return static_cast<size_t>(operation);
}

bool Known(LNOperation operation) {
  return Index(operation) < kOperations;
}

}  // namespace

void InjectFault(LNOperation operation, uint32_t nth, LNSTATUS status) {
  if (nth == 0 || !Known(operation)) return;  // there is no zeroth call to fail
  FaultState& state = State();
  std::lock_guard lock(state.mutex);
  state.armed.push_back({operation, state.counts[Index(operation)] + nth, status});
}

void ClearFaults() {
  FaultState& state = State();
  std::lock_guard lock(state.mutex);
  state.armed.clear();
  state.counts.fill(0);
  state.total = 0;
}

uint32_t CallCount(LNOperation operation) {
  if (!Known(operation)) return 0;
  FaultState& state = State();
  std::lock_guard lock(state.mutex);
  return static_cast<uint32_t>(state.counts[Index(operation)]);
}

uint32_t TotalCallCount() {
  FaultState& state = State();
  std::lock_guard lock(state.mutex);
  return static_cast<uint32_t>(state.total);
}

namespace detail {

LNSTATUS EnterCall(LNOperation operation) {
  FaultState& state = State();
  std::lock_guard lock(state.mutex);
  const uint64_t count = ++state.counts[Index(operation)];
  ++state.total;
  for (auto it = state.armed.begin(); it != state.armed.end(); ++it) {
    if (it->operation == operation && it->at == count) {
      const LNSTATUS status = it->status;
      state.armed.erase(it);
      return status;
    }
  }
  return LNNOERROR;
}

}  // namespace detail
}  // namespace pim::notes
