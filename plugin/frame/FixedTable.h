// A table made at its final size: one pointer in its holder, one heap block for the count and the items.
#pragma once

#include <cstddef>
#include <new>

// For tables that a holder makes once at a size it knows and that many holders leave empty: a
// std::vector costs three words in each of a million mirrors, this costs one, and nothing on the heap
// while empty. Remaking the table at another size drops the old items.
template <class T> class FixedTable {
public:
    FixedTable() = default;
    FixedTable(const FixedTable&) = delete;
    FixedTable& operator=(const FixedTable&) = delete;
    ~FixedTable() { Clear(); }

    // n value-initialised items in place of the old ones (none for 0). On a throwing item constructor the
    // table is left empty.
    void Reset(size_t n) {
        Clear();
        if (n == 0) return;
        void* raw = ::operator new(kItemsAt + n * sizeof(T));
        T* items = reinterpret_cast<T*>(static_cast<char*>(raw) + kItemsAt);
        size_t made = 0;
        try {
            for (; made < n; ++made) new (items + made) T();
        } catch (...) {
            while (made > 0) items[--made].~T();
            ::operator delete(raw);
            throw;
        }
        *static_cast<size_t*>(raw) = n;
        block_ = raw;
    }
    void Clear() {
        if (!block_) return;
        for (size_t i = size(); i > 0; --i) begin()[i - 1].~T();
        ::operator delete(block_);
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
    static_assert(alignof(T) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__, "items are placed in a plain heap block");
    // The count first, then the items at their alignment.
    static constexpr size_t kItemsAt = (sizeof(size_t) + alignof(T) - 1) / alignof(T) * alignof(T);

    void* block_ = nullptr;
};
