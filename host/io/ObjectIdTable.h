// The ids one scene write gives the objects it takes, found by the object's address.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A scene write asks for the id of every reference it follows: a million questions at 100k nodes. One flat
// array of slots answers each with about one cache line; a map of allocated entries would cost an
// allocation per object and a chain of pointers per question, which grows slower per node as the scene
// outgrows the caches.
class ObjectIdTable {
public:
    // The id of key, or -1 when it has none.
    int Find(const void* key) const {
        if (slots_.empty() || !key) return -1;
        return slots_[Probe(key)].id;
    }
    // The id of key; a key without one takes id, and added tells which happened.
    int Insert(const void* key, int id, bool& added) {
        added = false;
        if (!key) return -1;
        if ((size_ + 1) * 2 > slots_.size()) Grow();
        Slot& s = slots_[Probe(key)];
        if (s.key == key) return s.id;
        s = Slot{key, id};
        ++size_;
        added = true;
        return id;
    }
    size_t Size() const { return size_; }

private:
    struct Slot {
        const void* key = nullptr;
        int id = -1;
    };

    size_t Mask() const { return slots_.size() - 1; }
    // Addresses share their low bits (alignment) and their high bits (one heap): the multiply spreads the
    // rest over the table.
    size_t Home(const void* key) const {
        const auto bits = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(key));
        return static_cast<size_t>(((bits >> 4) * 0x9E3779B97F4A7C15ull) >> 20) & Mask();
    }
    // The slot that holds key, or the empty slot where it would go (the table is never full).
    size_t Probe(const void* key) const {
        size_t i = Home(key);
        while (slots_[i].key && slots_[i].key != key) i = (i + 1) & Mask();
        return i;
    }
    void Grow() {
        std::vector<Slot> old;
        old.swap(slots_);
        slots_.assign(old.empty() ? 1024 : old.size() * 2, Slot{});
        for (const Slot& s : old)
            if (s.key) slots_[Probe(s.key)] = s;
    }

    std::vector<Slot> slots_;
    size_t size_ = 0;
};
