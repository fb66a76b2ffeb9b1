// A table of pointers of a size fixed when it is filled, one pointer wide, whose one-item form needs no block.
#pragma once

#include "plugin/frame/FixedTable.h"

#include <cstddef>
#include <cstdint>
#include <type_traits>

// Most pointer tables a mirror keeps hold one item (a plain reference parameter's target), and a scene
// has millions of mirrors: a heap block of one pointer costs a block header and an allocation each. The
// single item sits where the block pointer would, told apart by the low bit, which no pointer to the
// items' type sets (they are aligned to at least two bytes). Larger tables are a FixedTable.
template <class T> class PointerTable {
    static_assert(std::is_pointer_v<T> && alignof(std::remove_pointer_t<T>) >= 2, "the low bit tags the single item");

public:
    PointerTable() = default;
    PointerTable(const PointerTable&) = delete;
    PointerTable& operator=(const PointerTable&) = delete;
    ~PointerTable() { Clear(); }

    // n null items.
    void Reset(size_t n) {
        Clear();
        if (n == 1) {
            bits_ = kSingle;
        } else if (n > 1) {
            FixedTable<T> block;
            block.Reset(n);
            bits_ = reinterpret_cast<std::uintptr_t>(block.Release());
        }
    }
    void Clear() {
        if (bits_ != 0 && (bits_ & kSingle) == 0) FixedTable<T>::FreeReleased(reinterpret_cast<void*>(bits_));
        bits_ = 0;
    }

    size_t size() const {
        if (bits_ == 0) return 0;
        if (bits_ & kSingle) return 1;
        return FixedTable<T>::SizeOf(reinterpret_cast<const void*>(bits_));
    }
    T Get(size_t i) const {
        if (bits_ & kSingle) return reinterpret_cast<T>(bits_ & ~kSingle);
        return FixedTable<T>::ItemsOf(reinterpret_cast<void*>(bits_))[i];
    }
    void Set(size_t i, T item) {
        if (bits_ & kSingle) {
            bits_ = reinterpret_cast<std::uintptr_t>(item) | kSingle;
            return;
        }
        FixedTable<T>::ItemsOf(reinterpret_cast<void*>(bits_))[i] = item;
    }

private:
    static constexpr std::uintptr_t kSingle = 1;
    // 0: empty; low bit set: one item (the rest of the bits); else a FixedTable's block.
    std::uintptr_t bits_ = 0;
};
