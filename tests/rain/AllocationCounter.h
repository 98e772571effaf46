#pragma once
// Counts every allocation through operator new made by this test program.
#include <cstdint>

namespace rain_test {
int64_t AllocationCount();
}
