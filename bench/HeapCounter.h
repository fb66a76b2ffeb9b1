// What the process holds on the heap: live bytes and the number of allocations made, counted by the
// program's own operator new, so that a benchmark reports the memory an operation leaves behind.
#pragma once

#include <cstddef>
#include <cstdint>

struct HeapCount {
    // Bytes of every live allocation, as the allocator sized it (usable size, not the size asked for).
    std::int64_t liveBytes = 0;
    // Allocations made since the program started.
    std::int64_t allocations = 0;
};

HeapCount ReadHeapCount();
