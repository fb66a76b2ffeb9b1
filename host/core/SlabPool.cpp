// The host's object memory: slabs of equal slots per object size instead of one heap block per object.
#include "host/core/SlabPool.h"

#include <cstdint>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define OSTRIVANS_POOL_BYPASS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define OSTRIVANS_POOL_BYPASS 1
#endif
#endif

#ifdef OSTRIVANS_POOL_BYPASS

void* SlabPool::Allocate(std::size_t size) {
    return ::operator new(size);
}

void SlabPool::Free(void* p, std::size_t) noexcept {
    ::operator delete(p);
}

#else

namespace {

constexpr std::size_t kSlabBytes = 64 * 1024;
// Slots in steps of a pointer: objects hold pointers and values no wider than one, and a million objects
// rounded up to 16 bytes lose 8 bytes each half the time.
constexpr std::size_t kGrain = alignof(void*);
constexpr std::size_t kLargestSlot = 512;
constexpr std::size_t kClasses = kLargestSlot / kGrain;
// Empty slabs kept: enough that objects made and freed one at a time, or a small scene loaded and deleted
// over and over, do not take slabs from the heap and give them back each time.
constexpr std::size_t kIdleEmptySlabs = 16;

struct Slab;

struct SizeClass {
    // Slabs with at least one free slot; a full or empty slab is on no class's list.
    Slab* roomy = nullptr;
};

// The head of a slab, at its aligned start: a slot's slab is found by masking the slot's address.
struct alignas(kGrain) Slab {
    SizeClass* owner;
    Slab* prev;
    Slab* next;
    // Slots given back, linked through their first word; slots past `carved` were never handed out.
    void* freed;
    std::uint32_t slotBytes;
    std::uint32_t carved;
    std::uint32_t capacity;
    std::uint32_t live;

    bool Full() const { return !freed && carved == capacity; }
    char* Slots() { return reinterpret_cast<char*>(this) + sizeof(Slab); }
};

SizeClass gClasses[kClasses];
// Empty slabs of no size yet, linked through `next`; the last emptied is handed out first.
Slab* gEmpty = nullptr;
std::size_t gEmptyCount = 0;

void Unlink(Slab* s) {
    (s->prev ? s->prev->next : s->owner->roomy) = s->next;
    if (s->next) s->next->prev = s->prev;
    s->prev = s->next = nullptr;
}

void PushRoomy(Slab* s) {
    s->prev = nullptr;
    s->next = s->owner->roomy;
    if (s->next) s->next->prev = s;
    s->owner->roomy = s;
}

// A slab for the class, its slots carved in order from the start.
Slab* TakeSlab(SizeClass& cls, std::size_t slotBytes) {
    void* block;
    if (gEmpty) {
        block = gEmpty;
        gEmpty = gEmpty->next;
        --gEmptyCount;
    } else {
        block = ::operator new(kSlabBytes, std::align_val_t(kSlabBytes));
    }
    return new (block) Slab{&cls, nullptr, nullptr, nullptr, static_cast<std::uint32_t>(slotBytes), 0,
                            static_cast<std::uint32_t>((kSlabBytes - sizeof(Slab)) / slotBytes), 0};
}

void GiveBack(Slab* s) {
    ::operator delete(static_cast<void*>(s), std::align_val_t(kSlabBytes));
}

void KeepEmpty(Slab* s) {
    if (gEmptyCount >= kIdleEmptySlabs) {
        GiveBack(s);
        return;
    }
    s->next = gEmpty;
    gEmpty = s;
    ++gEmptyCount;
}

} // namespace

void* SlabPool::Allocate(std::size_t size) {
    if (size == 0 || size > kLargestSlot) return ::operator new(size);
    const std::size_t index = (size - 1) / kGrain;
    SizeClass& cls = gClasses[index];
    Slab* s = cls.roomy;
    if (!s) {
        s = TakeSlab(cls, (index + 1) * kGrain);
        PushRoomy(s);
    }
    void* p;
    if (s->freed) {
        p = s->freed;
        s->freed = *static_cast<void**>(p);
        // Slots come back in the scattered order their objects were deleted in: the next one is fetched
        // while this one is being filled, so the next allocation does not wait for memory.
        if (s->freed) __builtin_prefetch(s->freed, 1);
    } else {
        p = s->Slots() + static_cast<std::size_t>(s->carved++) * s->slotBytes;
    }
    ++s->live;
    if (s->Full()) Unlink(s);
    return p;
}

void SlabPool::Free(void* p, std::size_t size) noexcept {
    if (!p) return;
    if (size == 0 || size > kLargestSlot) {
        ::operator delete(p);
        return;
    }
    auto* s = reinterpret_cast<Slab*>(reinterpret_cast<std::uintptr_t>(p) & ~(kSlabBytes - 1));
    const bool wasFull = s->Full();
    *static_cast<void**>(p) = s->freed;
    s->freed = p;
    --s->live;
    if (wasFull) PushRoomy(s);
    if (s->live > 0) return;
    Unlink(s);
    KeepEmpty(s);
}

#endif
