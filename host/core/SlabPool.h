// The host's object memory: slabs of equal slots per object size instead of one heap block per object.
#pragma once

#include <cstddef>

// A 100k-node scene holds millions of animatables of a few dozen sizes, made together by a merge and freed
// together by a deletion. Slots of one size share 64 KiB slabs: no per-object heap header, one heap call per
// few hundred objects, and objects made one after another sit next to each other. A slab whose last object
// goes is kept empty for the next slab any size needs, up to a few (a megabyte), so objects made and freed
// one at a time do not take a slab from the heap and give it back each time; beyond those, emptied slabs go
// back to the heap at once, so a deleted scene is not held. Sizes above the slot range, and builds with the
// address sanitizer (which must see every object on its own), use the heap directly. The host makes and
// deletes its objects on its main thread only; the pool is not locked. Slots are aligned for a pointer,
// which is all any animatable needs (none holds a type aligned beyond that).
class SlabPool {
public:
    static void* Allocate(std::size_t size);
    // size is the one given to Allocate (the deleted object's own size).
    static void Free(void* p, std::size_t size) noexcept;
};
