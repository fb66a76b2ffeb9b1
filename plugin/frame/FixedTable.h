// A table made at its final size: one pointer in its holder, one pooled block for the count and the items.
#pragma once

#include "host/core/SlabPool.h"

#include <cstddef>
#include <new>
#include <utility>

// For tables that a holder makes once at a size it knows and that many holders leave empty: a
// std::vector costs three words in each of a million mirrors, this costs one, and nothing on the heap
// while empty. Remaking the table at another size drops the old items. The block comes from the host's
// slab pool: the tables of a load are made together and freed together when a reload drops the records,
// and the count tells the block's size back to the pool.
template <class T> class FixedTable {
public:
    FixedTable() = default;
    FixedTable(const FixedTable&) = delete;
    FixedTable& operator=(const FixedTable&) = delete;
    FixedTable(FixedTable&& other) noexcept : block_(std::exchange(other.block_, nullptr)) {}
    FixedTable& operator=(FixedTable&& other) noexcept {
        if (this != &other) {
            Clear();
            block_ = std::exchange(other.block_, nullptr);
        }
        return *this;
    }
    ~FixedTable() { Clear(); }

    // n value-initialised items in place of the old ones (none for 0). On a throwing item constructor the
    // table is left empty.
    void Reset(size_t n) {
        Clear();
        if (n == 0) return;
        void* raw = SlabPool::Allocate(BlockBytes(n));
        T* items = reinterpret_cast<T*>(static_cast<char*>(raw) + kItemsAt);
        size_t made = 0;
        try {
            for (; made < n; ++made) new (items + made) T();
        } catch (...) {
            while (made > 0) items[--made].~T();
            SlabPool::Free(raw, BlockBytes(n));
            throw;
        }
        *static_cast<size_t*>(raw) = n;
        block_ = raw;
    }
    void Clear() {
        if (!block_) return;
        const size_t n = size();
        for (size_t i = n; i > 0; --i) begin()[i - 1].~T();
        SlabPool::Free(block_, BlockBytes(n));
        block_ = nullptr;
    }

    size_t size() const { return block_ ? *static_cast<const size_t*>(block_) : 0; }
    bool empty() const { return block_ == nullptr; }
    T* begin() { return block_ ? reinterpret_cast<T*>(static_cast<char*>(block_) + kItemsAt) : nullptr; }
    T* end() { return begin() + size(); }
    const T* begin() const {
        return block_ ? reinterpret_cast<const T*>(static_cast<const char*>(block_) + kItemsAt) : nullptr;
    }
    const T* end() const { return begin() + size(); }
    T& operator[](size_t i) { return begin()[i]; }
    const T& operator[](size_t i) const { return begin()[i]; }

    // The block, handed over to a holder that keeps it as a plain pointer (see PointerTable); the table is
    // left empty. FreeReleased frees such a block.
    void* Release() {
        void* block = block_;
        block_ = nullptr;
        return block;
    }
    static void FreeReleased(void* block) {
        FixedTable table;
        table.block_ = block;
    }
    static size_t SizeOf(const void* block) { return *static_cast<const size_t*>(block); }
    static T* ItemsOf(void* block) { return reinterpret_cast<T*>(static_cast<char*>(block) + kItemsAt); }

private:
    static_assert(alignof(T) <= alignof(void*), "the pool's slots are aligned for a pointer");
    // The count first, then the items at their alignment.
    static constexpr size_t kItemsAt = (sizeof(size_t) + alignof(T) - 1) / alignof(T) * alignof(T);
    static constexpr size_t BlockBytes(size_t n) { return kItemsAt + n * sizeof(T); }

    void* block_ = nullptr;
};
