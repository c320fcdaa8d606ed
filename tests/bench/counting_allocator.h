// The benchmark program's allocation count: operator new and delete and the C
// allocation functions of this program count every allocation they make.
#pragma once

#include <cstdint>

uint64_t AllocationCount();
