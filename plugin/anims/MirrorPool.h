// Where mirrors live: slabs of equal slots per object size instead of one heap block per mirror.
#pragma once

#include <cstddef>

// A record of a 100k-node scene holds a dozen mirrors or more, made together when it is collected and
// dropped together when it goes, so the mirrors of a scene are over a million objects of a few sizes.
// Slots of one size share 64 KiB slabs: no per-object heap header, one heap call per few hundred mirrors,
// and the mirrors of one record sit next to each other. A slab whose last mirror goes is given back to
// the heap (one empty slab per size is kept for the next record). Sizes above the slot range, and builds
// with the address sanitizer (which must see every object on its own), use the heap directly. The host
// makes and deletes mirrors on its main thread only; the pool is not locked.
// Slots are aligned for a pointer, which is all a mirror of any kind needs.
class MirrorPool {
public:
    static void* Allocate(std::size_t size);
    // size is the one given to Allocate (the deleted object's own size).
    static void Free(void* p, std::size_t size) noexcept;
};
