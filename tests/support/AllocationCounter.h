#pragma once
// Counts every operator new of the program it is linked into (tests and benchmarks that show
// a step allocates nothing): link tests/support/AllocationCounter.cpp into it.
#include <cstdint>

namespace testing_support {
int64_t AllocationCount();  // every operator new of this program so far
}  // namespace testing_support
