// A standard allocator over the host's slab pool, for the small arrays and tree nodes host objects own.
#pragma once

#include "host/core/SlabPool.h"

#include <cstddef>
#include <vector>

// A scene's objects each own a few small arrays (a parameter block's values, a stack's slots, a node's
// children): made together by a merge and freed together by a deletion, they share the objects' slabs
// instead of taking a heap block each. Arrays above the pool's slot range go to the heap as before.
template <class T> struct SlabAllocator {
    static_assert(alignof(T) <= alignof(void*), "slab slots are aligned for a pointer only");
    using value_type = T;

    SlabAllocator() noexcept = default;
    template <class U> SlabAllocator(const SlabAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) { return static_cast<T*>(SlabPool::Allocate(n * sizeof(T))); }
    void deallocate(T* p, std::size_t n) noexcept { SlabPool::Free(p, n * sizeof(T)); }

    template <class U> bool operator==(const SlabAllocator<U>&) const noexcept { return true; }
};

template <class T> using SlabVector = std::vector<T, SlabAllocator<T>>;
