// The records of one binding pass by the name of the item they wait for, built once per load.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

// Records waiting for a merged item of their name, in table order, and how many records of that name are
// bound already: binding an item must not walk the record table.
template <class Record> struct NameSlot {
    // Taken from the front (next); a vector, as most names have one record or none.
    std::vector<Record*> free;
    size_t next = 0;
    int bound = 0;

    Record* TakeFree() { return next < free.size() ? free[next++] : nullptr; }
};

// A load binds every merged node by name, 100k of them in a large scene, so the table is open addressed,
// sized once for the names the load can meet and keyed by views without copies: a lookup reads one run of
// entries, each with its hash, and compares text only where the hashes agree. The slots stand apart in
// the order their names came. The views must stay valid while the table is used (the records' own names,
// which a load does not change, or the text of a name only looked up).
template <class Record> class RecordsByName {
public:
    using Index = std::uint32_t;
    static constexpr Index kNone = static_cast<Index>(-1);

    explicit RecordsByName(size_t expectedNames) {
        entries_.resize(std::bit_ceil(std::max<size_t>(16, expectedNames * 2)));
        slots_.reserve(expectedNames);
    }

    // The slot of name, or kNone.
    Index Find(std::wstring_view name) const {
        const size_t hash = std::hash<std::wstring_view>()(name);
        const Entry& e = entries_[Probe(name, hash)];
        return e.slot;
    }

    // The slot of name, made (empty, keyed by name) when there is none; fresh says which.
    Index FindOrAdd(std::wstring_view name, bool& fresh) {
        const size_t hash = std::hash<std::wstring_view>()(name);
        size_t at = Probe(name, hash);
        fresh = entries_[at].slot == kNone;
        if (!fresh) return entries_[at].slot;
        if ((slots_.size() + 1) * 2 > entries_.size()) {
            Grow();
            at = Probe(name, hash);
        }
        entries_[at] = Entry{hash, name, static_cast<Index>(slots_.size())};
        slots_.emplace_back();
        return entries_[at].slot;
    }

    // Keys slot i by another view of the same text (the record's own copy of a name first met on an item).
    void Rekey(Index i, std::wstring_view sameName) {
        const size_t hash = std::hash<std::wstring_view>()(sameName);
        Entry& e = entries_[Probe(sameName, hash)];
        if (e.slot == i) e.key = sameName;
    }

    NameSlot<Record>& Slot(Index i) { return slots_[i]; }

private:
    struct Entry {
        size_t hash = 0;
        std::wstring_view key;
        Index slot = kNone;
    };

    // Where name stands, or the empty entry where it would go.
    size_t Probe(std::wstring_view name, size_t hash) const {
        const size_t mask = entries_.size() - 1;
        for (size_t at = hash & mask;; at = (at + 1) & mask) {
            const Entry& e = entries_[at];
            if (e.slot == kNone || (e.hash == hash && e.key == name)) return at;
        }
    }

    void Grow() {
        std::vector<Entry> old(entries_.size() * 2);
        old.swap(entries_);
        const size_t mask = entries_.size() - 1;
        for (const Entry& e : old) {
            if (e.slot == kNone) continue;
            size_t at = e.hash & mask;
            while (entries_[at].slot != kNone) at = (at + 1) & mask;
            entries_[at] = e;
        }
    }

    std::vector<Entry> entries_;
    std::vector<NameSlot<Record>> slots_;
};
