#include "support/allocation_probe.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace pim::test {
namespace {

std::atomic<size_t> g_largest{0};

void* Allocate(size_t size) {
  size_t seen = g_largest.load(std::memory_order_relaxed);
  while (size > seen && !g_largest.compare_exchange_weak(seen, size)) {
  }
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}

}  // namespace

void ResetLargestAllocation() {
  g_largest.store(0);
}
size_t LargestAllocation() {
  return g_largest.load();
}

}  // namespace pim::test

void* operator new(size_t size) {
  return pim::test::Allocate(size);
}
void* operator new[](size_t size) {
  return pim::test::Allocate(size);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, size_t) noexcept {
  std::free(p);
}
