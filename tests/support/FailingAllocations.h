#pragma once
// Allocation failures on demand, for tests of what code does when memory runs out. A test
// program that compiles FailingAllocations.cpp gets its global operator new replaced; only the
// thread that asks sees failures.

#include <functional>

// The allocation `n` allocations from now (0: the next one) throws std::bad_alloc, once.
void FailAllocation(long n);
// Whether the failure asked for has happened; from here on nothing fails.
bool AllocationFailed();

// Runs `action` with its first allocation failing, then with its second, and so on until it runs
// through. Each failure must reach the caller as std::bad_alloc; `check` then looks at what the
// failed action left, given the number of the failing allocation.
void ForEachFailingAllocation(const std::function<void()>& action,
                              const std::function<void(long)>& check);
