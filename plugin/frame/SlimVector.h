// A growable table of plain values one pointer wide: count, room and items in one pooled block, none while empty.
#pragma once

#include "host/core/SlabPool.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <stdexcept>
#include <type_traits>
#include <utility>

// For tables that every node record has and most leave empty (its children, its modifier entries): a
// std::vector costs three words in each of a hundred thousand records, this costs one. Items are plain
// values (pointers), copied as bytes. Blocks come from the host's slab pool, which the room sizes back.
template <class T> class SlimVector {
    static_assert(std::is_trivially_copyable_v<T>, "items are moved as bytes");

public:
    SlimVector() = default;
    SlimVector(const SlimVector& other) { assign(other.begin(), other.end()); }
    SlimVector(SlimVector&& other) noexcept : block_(std::exchange(other.block_, nullptr)) {}
    SlimVector& operator=(const SlimVector& other) {
        if (this != &other) assign(other.begin(), other.end());
        return *this;
    }
    SlimVector& operator=(SlimVector&& other) noexcept {
        if (this != &other) {
            Free(block_);
            block_ = std::exchange(other.block_, nullptr);
        }
        return *this;
    }
    ~SlimVector() { Free(block_); }

    size_t size() const { return block_ ? block_->size : 0; }
    bool empty() const { return size() == 0; }
    T* data() { return block_ ? Items(block_) : nullptr; }
    const T* data() const { return block_ ? Items(block_) : nullptr; }
    T* begin() { return data(); }
    T* end() { return data() + size(); }
    const T* begin() const { return data(); }
    const T* end() const { return data() + size(); }
    T& operator[](size_t i) { return Items(block_)[i]; }
    const T& operator[](size_t i) const { return Items(block_)[i]; }

    void push_back(T item) {
        const size_t n = size();
        if (n == Room()) Regrow(n ? 2 * n : 1);
        Items(block_)[n] = item;
        block_->size = static_cast<std::uint32_t>(n + 1);
    }
    // Keeps the order of the items after at.
    T* erase(T* at) {
        const size_t i = static_cast<size_t>(at - begin());
        const size_t n = size();
        std::memmove(static_cast<void*>(at), at + 1, (n - i - 1) * sizeof(T));
        block_->size = static_cast<std::uint32_t>(n - 1);
        return begin() + i;
    }
    // Grows with fill or drops the tail.
    void resize(size_t n, T fill = T()) {
        const size_t old = size();
        if (n > Room()) Regrow(n);
        if (n > old) std::fill(Items(block_) + old, Items(block_) + n, fill);
        if (block_) block_->size = static_cast<std::uint32_t>(n);
    }
    void assign(size_t n, T fill) {
        clear();
        resize(n, fill);
    }
    template <class It> void assign(It first, It last) {
        clear();
        for (; first != last; ++first) push_back(*first);
    }
    // Gives the block back: an emptied table costs nothing again.
    void clear() {
        Free(block_);
        block_ = nullptr;
    }

private:
    // Two 32-bit counts: a block of one or two pointers fits the heap's smallest chunk.
    struct Block {
        std::uint32_t size;
        std::uint32_t room;
    };
    static_assert(sizeof(Block) % alignof(T) == 0 && alignof(T) <= alignof(void*),
                  "items follow the block's counts at their alignment, in slots aligned for a pointer");
    static size_t BlockBytes(size_t room) { return sizeof(Block) + room * sizeof(T); }
    static void Free(Block* b) {
        if (b) SlabPool::Free(b, BlockBytes(b->room));
    }
    static T* Items(Block* b) { return reinterpret_cast<T*>(b + 1); }
    static const T* Items(const Block* b) { return reinterpret_cast<const T*>(b + 1); }
    size_t Room() const { return block_ ? block_->room : 0; }
    void Regrow(size_t room) {
        if (room > UINT32_MAX) throw std::length_error("a record's table holds at most 2^32-1 items");
        auto* b = static_cast<Block*>(SlabPool::Allocate(BlockBytes(room)));
        b->size = static_cast<std::uint32_t>(size());
        b->room = static_cast<std::uint32_t>(room);
        if (b->size) std::memcpy(static_cast<void*>(Items(b)), Items(block_), b->size * sizeof(T));
        Free(block_);
        block_ = b;
    }

    Block* block_ = nullptr;
};
