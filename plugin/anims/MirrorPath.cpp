// A mirror's path by name and by number, kept once for every mirror with the same pair.
#include "plugin/anims/MirrorPath.h"

#include <cstdint>
#include <functional>
#include <unordered_map>
#include <utility>

namespace {

// The stored pairs by the identities of their two stored sequences: equal sequences are one stored
// sequence, so two pairs are equal exactly when their identities are.
using PairKey = std::pair<const void*, const void*>;
struct PairKeyHash {
    size_t operator()(const PairKey& k) const noexcept {
        return std::hash<const void*>()(k.first) * 1000003u ^ std::hash<const void*>()(k.second);
    }
};

template <class Entry> std::unordered_map<PairKey, Entry*, PairKeyHash>& Stored() {
    // Never destroyed: holders freed during static destruction still release safely.
    static auto* table = new std::unordered_map<PairKey, Entry*, PairKeyHash>;
    return *table;
}

// The pairs met last, direct mapped by a hash of their values: a load makes the same few paths for every
// node, and a pair found here needs no lookup of its two sequences and of itself. A slot names a pair only
// while it is stored (Release empties the slot of a pair it frees), and a hit is compared value by value.
constexpr unsigned kRecentBits = 9;

size_t RecentSlot(const PathNames& names, const std::vector<std::int32_t>& numbers) {
    std::uint64_t h = names.size() * 0x9E3779B97F4A7C15ull;
    for (const PathName& n : names) h = (h ^ reinterpret_cast<std::uintptr_t>(&n.Str())) * 0x100000001B3ull;
    for (std::int32_t k : numbers) h = (h ^ static_cast<std::uint32_t>(k)) * 0x100000001B3ull;
    return static_cast<size_t>((h ^ (h >> 29)) * 0x9E3779B97F4A7C15ull >> (64 - kRecentBits));
}

template <class Entry> Entry*& Recent(size_t slot) {
    static Entry* recent[size_t(1) << kRecentBits] = {};
    return recent[slot];
}

} // namespace

MirrorPath::Entry* MirrorPath::Empty() {
    // Held by the table itself: every mirror starts with empty paths and takes its own a moment later.
    static Entry* const empty = [] {
        auto* e = new Entry{{}, {}, 1};
        Stored<Entry>().emplace(PairKey{e->names.Id(), e->numbers.Id()}, e);
        return e;
    }();
    return empty;
}

MirrorPath::MirrorPath() : entry_(Empty()) {
    ++entry_->holders;
}

MirrorPath::MirrorPath(const MirrorPath& other) : entry_(other.entry_) {
    ++entry_->holders;
}

MirrorPath& MirrorPath::operator=(const MirrorPath& other) {
    if (entry_ != other.entry_) {
        ++other.entry_->holders;
        Release(entry_);
        entry_ = other.entry_;
    }
    return *this;
}

MirrorPath::~MirrorPath() {
    Release(entry_);
}

void MirrorPath::Assign(const PathNames& names, const std::vector<std::int32_t>& numbers) {
    // A reload sets every mirror's numbers again, mostly to what they were: a side that stays the same
    // is not looked up again.
    const bool sameNames = names == entry_->names.Values();
    const bool sameNumbers = numbers == entry_->numbers.Values();
    if (sameNames && sameNumbers) return;
    Entry*& recent = Recent<Entry>(RecentSlot(names, numbers));
    if (recent && recent->names.Values() == names && recent->numbers.Values() == numbers) {
        ++recent->holders;
        Release(entry_);
        entry_ = recent;
        return;
    }
    InternedSequence<PathName, PathNameHash> n = entry_->names;
    if (!sameNames) n.Assign(names);
    InternedSequence<std::int32_t> m = entry_->numbers;
    if (!sameNumbers) m.Assign(numbers);
    const PairKey key{n.Id(), m.Id()};
    auto& table = Stored<Entry>();
    auto it = table.find(key);
    Entry* next = it != table.end() ? it->second : table.emplace(key, new Entry{n, m, 0}).first->second;
    // The old pair goes after the new one is held: the values may have come from it.
    ++next->holders;
    Release(entry_);
    entry_ = next;
    recent = next;
}

void MirrorPath::Release(Entry* e) {
    if (--e->holders > 0) return;
    Entry*& recent = Recent<Entry>(RecentSlot(e->names.Values(), e->numbers.Values()));
    if (recent == e) recent = nullptr;
    Stored<Entry>().erase(PairKey{e->names.Id(), e->numbers.Id()});
    delete e;
}
