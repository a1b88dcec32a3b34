#include "tests/support/FailingAllocations.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

namespace {
thread_local long AllocationsBeforeFailure = -1;  // -1: none fails
thread_local bool Failed = false;
}  // namespace

void* operator new(std::size_t size) {
  if (AllocationsBeforeFailure >= 0 && AllocationsBeforeFailure-- == 0) {
    Failed = true;
    throw std::bad_alloc();
  }
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}

void operator delete(void* p) noexcept {
  std::free(p);
}

void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}

void FailAllocation(long n) {
  AllocationsBeforeFailure = n;
  Failed = false;
}

bool AllocationFailed() {
  AllocationsBeforeFailure = -1;
  return Failed;
}

void ForEachFailingAllocation(const std::function<void()>& action,
                              const std::function<void(long)>& check) {
  for (long n = 0;; ++n) {
    bool raised = false;
    FailAllocation(n);
    try {
      action();
    } catch (const std::bad_alloc&) {
      raised = true;
    }
    if (!AllocationFailed()) return;
    EXPECT_TRUE(raised) << "the failure of allocation " << n << " was swallowed";
    check(n);
  }
}
