// A record's table of its mirrors: the entries, their count and the room for them in 16 bytes.
#pragma once

#include "host/core/SlabPool.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <stdexcept>

class RefAnim;

// Every referenced node and material has a record, and every record this table: a pointer and two 32-bit
// counts instead of a std::vector's three pointers. Fit() gives back the room a load left unused. The
// entries live in the host's slab pool: a load makes a table per record and a reload frees them all.
class MirrorTable {
public:
    using Entry = RefAnim*;

    MirrorTable() = default;
    MirrorTable(const MirrorTable&) = delete;
    MirrorTable& operator=(const MirrorTable&) = delete;
    ~MirrorTable() { SlabPool::Free(entries_, capacity_ * sizeof(Entry)); }

    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    Entry& operator[](size_t i) { return entries_[i]; }
    Entry operator[](size_t i) const { return entries_[i]; }
    Entry* begin() { return entries_; }
    Entry* end() { return entries_ + size_; }
    const Entry* begin() const { return entries_; }
    const Entry* end() const { return entries_ + size_; }

    void reserve(size_t n) {
        if (n > capacity_) Reallocate(n);
    }
    void push_back(Entry m) {
        if (size_ == capacity_) Reallocate(capacity_ ? 2 * size_t(capacity_) : 1);
        entries_[size_++] = m;
    }
    // Keeps the order of the entries after i.
    void erase(size_t i) {
        std::memmove(entries_ + i, entries_ + i + 1, (size_ - i - 1) * sizeof(Entry));
        --size_;
    }
    // n entries, each m.
    void assign(size_t n, Entry m) {
        size_ = 0;
        reserve(n);
        for (size_t i = 0; i < n; ++i) entries_[i] = m;
        size_ = static_cast<std::uint32_t>(n);
    }
    // The room is the count: nothing stays allocated for entries the table does not hold.
    void Fit() {
        if (capacity_ != size_) Reallocate(size_);
    }

private:
    void Reallocate(size_t n) {
        if (n > UINT32_MAX) throw std::length_error("a record's mirror table holds at most 2^32-1 mirrors");
        auto* entries = n ? static_cast<Entry*>(SlabPool::Allocate(n * sizeof(Entry))) : nullptr;
        if (size_) std::memcpy(entries, entries_, size_ * sizeof(Entry));
        SlabPool::Free(entries_, capacity_ * sizeof(Entry));
        entries_ = entries;
        capacity_ = static_cast<std::uint32_t>(n);
    }

    Entry* entries_ = nullptr;
    std::uint32_t size_ = 0;
    std::uint32_t capacity_ = 0;
};
