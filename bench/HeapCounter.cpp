// The counting global operator new and delete of the benchmark programs.
#include "bench/HeapCounter.h"

#include <cstdlib>
#include <malloc.h>
#include <new>

namespace {

// The benchmarks run on one thread: plain counters keep the counting out of the times measured.
std::int64_t gLiveBytes = 0;
std::int64_t gAllocations = 0;

void* Allocate(std::size_t size, std::size_t align) {
    if (size == 0) size = 1;
    void* p = align > alignof(std::max_align_t) ? std::aligned_alloc(align, (size + align - 1) / align * align)
                                                : std::malloc(size);
    if (!p) throw std::bad_alloc();
    gLiveBytes += static_cast<std::int64_t>(malloc_usable_size(p));
    ++gAllocations;
    return p;
}

void Release(void* p) noexcept {
    if (!p) return;
    gLiveBytes -= static_cast<std::int64_t>(malloc_usable_size(p));
    std::free(p);
}

} // namespace

HeapCount ReadHeapCount() {
    return {gLiveBytes, gAllocations};
}

void* operator new(std::size_t size) { return Allocate(size, 0); }
void* operator new[](std::size_t size) { return Allocate(size, 0); }
void* operator new(std::size_t size, std::align_val_t align) { return Allocate(size, static_cast<std::size_t>(align)); }
void* operator new[](std::size_t size, std::align_val_t align) { return Allocate(size, static_cast<std::size_t>(align)); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size, 0);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size, 0);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }
void operator delete(void* p, std::align_val_t) noexcept { Release(p); }
void operator delete[](void* p, std::align_val_t) noexcept { Release(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { Release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Release(p); }
