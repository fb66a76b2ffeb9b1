// Dependents list: entries in place or in one block, holes instead of erasure, a flat position index for
// long lists, squeezing when half empty.
#include "host/core/RefList.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {
// Lists up to this length are scanned; longer ones keep an index until a squeeze leaves a quarter of it.
constexpr std::uint32_t kIndexThreshold = 32;
// Holes are squeezed out once there are at least this many and they fill half the list.
constexpr std::uint32_t kMinHolesToCompact = 16;
// An index slot that holds no position.
constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
constexpr size_t kNone = static_cast<size_t>(-1);

// At least twice as many index slots as positions, so that probe runs stay short.
std::uint32_t IndexBitsFor(std::uint32_t positions) {
    std::uint32_t bits = 4;
    while ((size_t(1) << bits) < 2 * size_t(positions)) ++bits;
    return bits;
}
} // namespace

RefList::~RefList() {
    if (!Spilled()) return;
    delete[] spill_->index;
    ::operator delete(spill_);
}

void RefList::Respill(std::uint32_t capacity) {
    void* raw = ::operator new(sizeof(Spill) + size_t(capacity) * sizeof(Entry));
    auto* moved = new (raw) Spill{capacity, 0, nullptr, 0, 0};
    if (Spilled()) {
        moved->head = spill_->head;
        moved->index = spill_->index;
        moved->indexBits = spill_->indexBits;
        moved->indexed = spill_->indexed;
        std::memcpy(static_cast<void*>(moved->Entries()), spill_->Entries(), size_ * sizeof(Entry));
        ::operator delete(spill_);
    } else {
        // Copied out before the pointer takes the room of the entries in place.
        std::memcpy(static_cast<void*>(moved->Entries()), inPlace_, size_ * sizeof(Entry));
    }
    spill_ = moved;
}

void RefList::Append(const Entry& e) {
    if (size_ < kInPlace) {
        inPlace_[size_++] = e;
        return;
    }
    if (size_ == kInPlace) Respill(2 * kInPlace);
    else if (size_ == spill_->capacity) Respill(2 * spill_->capacity);
    spill_->Entries()[size_++] = e;
}

size_t RefList::Home(ReferenceMaker* m) const {
    // Fibonacci hashing: the top bits of the product mix every bit of the address.
    const std::uint64_t h = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(m)) * 0x9E3779B97F4A7C15ull;
    return static_cast<size_t>(h >> (64 - spill_->indexBits));
}

void RefList::IndexInsert(std::uint32_t pos) {
    Spill& s = *spill_;
    if (2 * (size_t(s.indexed) + 1) > (size_t(1) << s.indexBits)) {
        // The rebuilt index holds every live entry, pos among them.
        BuildIndex(s.indexBits + 1);
        return;
    }
    const size_t mask = (size_t(1) << s.indexBits) - 1;
    size_t i = Home(s.Entries()[pos].maker);
    while (s.index[i] != kEmpty) i = (i + 1) & mask;
    s.index[i] = pos;
    ++s.indexed;
}

void RefList::IndexErase(size_t at) {
    // Backward shift: the positions of the run after `at` move up over the gap when their home allows,
    // so a lookup never meets an empty slot before its key (no tombstones to sweep).
    Spill& s = *spill_;
    const size_t mask = (size_t(1) << s.indexBits) - 1;
    const Entry* e = s.Entries();
    size_t gap = at;
    for (size_t i = (at + 1) & mask; s.index[i] != kEmpty; i = (i + 1) & mask) {
        const size_t home = Home(e[s.index[i]].maker);
        if (((i - home) & mask) >= ((i - gap) & mask)) {
            s.index[gap] = s.index[i];
            gap = i;
        }
    }
    s.index[gap] = kEmpty;
    --s.indexed;
}

void RefList::BuildIndex(std::uint32_t bits) {
    Spill& s = *spill_;
    const size_t slots = size_t(1) << bits;
    if (!s.index || s.indexBits != bits) {
        delete[] s.index;
        s.index = nullptr; // a failed allocation leaves the list unindexed, not dangling
        s.index = new std::uint32_t[slots];
        s.indexBits = bits;
    }
    std::fill_n(s.index, slots, kEmpty);
    s.indexed = 0;
    const size_t mask = slots - 1;
    const Entry* e = s.Entries();
    for (std::uint32_t p = 0; p < size_; ++p) {
        if (!e[p].maker) continue;
        size_t i = Home(e[p].maker);
        while (s.index[i] != kEmpty) i = (i + 1) & mask;
        s.index[i] = p;
        ++s.indexed;
    }
}

void RefList::DropIndex() {
    if (!Spilled() || !spill_->index) return;
    delete[] spill_->index;
    spill_->index = nullptr;
    spill_->indexBits = 0;
    spill_->indexed = 0;
}

void RefList::Add(ReferenceMaker* m, int slot) {
    Append(Entry{m, slot});
    if (!Spilled()) return;
    if (spill_->index) IndexInsert(size_ - 1);
    else if (size_ > kIndexThreshold) BuildIndex(IndexBitsFor(size_));
}

RefList::Token RefList::Remove(ReferenceMaker* m, int slot) {
    Token t;
    if (!m) return t;
    Entry* e = Data();
    // m's newest entry recorded for the slot, else m's newest entry.
    size_t found = kNone;
    bool slotMatch = false;
    auto consider = [&](size_t p) {
        const bool match = e[p].slot == slot;
        if (found == kNone || (match && !slotMatch) || (match == slotMatch && p > found)) {
            found = p;
            slotMatch = match;
            return true;
        }
        return false;
    };
    if (Spilled() && spill_->index) {
        const Spill& s = *spill_;
        const size_t mask = (size_t(1) << s.indexBits) - 1;
        size_t at = kNone;
        for (size_t i = Home(m); s.index[i] != kEmpty; i = (i + 1) & mask)
            if (e[s.index[i]].maker == m && consider(s.index[i])) at = i;
        if (found == kNone) return t;
        IndexErase(at);
    } else {
        for (size_t i = size_; i-- > 0;) {
            if (e[i].maker != m) continue;
            consider(i);
            if (slotMatch) break;
        }
        if (found == kNone) return t;
    }
    e[found].maker = nullptr;
    ++holes_;
    t.pos = found;
    t.epoch = epoch_;
    MaybeCompact();
    return t;
}

void RefList::Revive(const Token& where, ReferenceMaker* m, int slot) {
    if (where.Valid() && where.epoch == epoch_ && where.pos < size_ && !Data()[where.pos].maker) {
        const auto pos = static_cast<std::uint32_t>(where.pos);
        Data()[pos] = Entry{m, slot};
        --holes_;
        if (Spilled()) {
            if (pos < spill_->head) spill_->head = pos;
            if (spill_->index) IndexInsert(pos);
        }
        return;
    }
    Add(m, slot);
}

size_t RefList::FirstLive() {
    if (!Spilled()) {
        size_t i = 0;
        while (i < size_ && !inPlace_[i].maker) ++i;
        return i;
    }
    Spill& s = *spill_;
    while (s.head < size_ && !s.Entries()[s.head].maker) ++s.head;
    return s.head;
}

int RefList::CountOf(ReferenceMaker* m) const {
    if (!m) return 0;
    const Entry* e = Data();
    int n = 0;
    if (Spilled() && spill_->index) {
        const Spill& s = *spill_;
        const size_t mask = (size_t(1) << s.indexBits) - 1;
        for (size_t i = Home(m); s.index[i] != kEmpty; i = (i + 1) & mask)
            if (e[s.index[i]].maker == m) ++n;
        return n;
    }
    for (size_t i = 0; i < size_; ++i)
        if (e[i].maker == m) ++n;
    return n;
}

void RefList::EndWalk() {
    if (walkers_ > 0) --walkers_;
    MaybeCompact();
}

void RefList::KeepPositions(bool keep) {
    keepPositions_ = keep ? 1 : 0;
    MaybeCompact();
}

void RefList::MaybeCompact() {
    if (walkers_ > 0 || keepPositions_) return;
    if (holes_ < kMinHolesToCompact || size_t(holes_) * 2 < size_) return;
    // Holes enough to squeeze are only ever found in a spilled list.
    Spill* s = spill_;
    Entry* e = s->Entries();
    std::uint32_t out = 0;
    for (std::uint32_t i = 0; i < size_; ++i)
        if (e[i].maker) e[out++] = e[i];
    holes_ = 0;
    ++epoch_;
    if (out <= kInPlace) {
        // Back in place.
        Entry kept[kInPlace] = {};
        std::copy(e, e + out, kept);
        delete[] s->index;
        ::operator delete(s);
        size_ = out;
        std::copy(kept, kept + kInPlace, inPlace_);
        return;
    }
    size_ = out;
    s->head = 0;
    // Room beyond twice the entries is given back.
    if (s->capacity > 2 * out + 2) Respill(out);
    // An index is dropped only well below the length that builds one, so a list hovering around it
    // does not build and drop one over and over. Rebuilt, it shrinks with the entries.
    const bool indexed = spill_->index != nullptr;
    if (indexed ? out > kIndexThreshold / 4 : out > kIndexThreshold) BuildIndex(IndexBitsFor(out));
    else DropIndex();
}
