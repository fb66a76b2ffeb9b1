// Dependents list: two entries packed in place, a short block of packed entries, or a long block of
// entries with a tagged position index; holes instead of erasure, squeezing when half empty.
#include "host/core/RefList.h"

#include "host/core/SlabPool.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace {
// Lists up to this length are scanned; longer ones keep an index until a squeeze leaves a quarter of it.
constexpr std::uint32_t kIndexThreshold = 32;
// An index slot that holds no position.
constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
constexpr size_t kNone = static_cast<size_t>(-1);
constexpr std::uint32_t kInPlace = 2;
// A block or an index with more than this many places per live entry is made smaller at a squeeze.
constexpr size_t kIndexSparseness = 16;

// Where each position of a list being squeezed moves to. One table for every list of the thread, kept
// at the size of the longest list squeezed so far, so a squeeze allocates nothing.
std::vector<std::uint32_t>& MovedPositions() {
    thread_local std::vector<std::uint32_t> moved;
    return moved;
}

// A list that outgrows its place most often stops at three entries (a target's owner, one user, and the
// mirror a reference record puts on it): the first short block holds three words, 24 bytes. Blocks are
// odd counts of words, which a heap's 16-byte steps (8 bytes of them its own) would fit without waste;
// in the slab pool, whose slots step by a word, any count fits. Small ones double, as each step is an
// allocation and most lists stop early; from 15 on they grow by half: 3, 7, 15, 23, 35, 53, 63. A short
// list is scanned: 63 positions are 504 bytes, what a long list scanned before its index at 32 entries of
// 16 bytes. Lists of a scene that outgrow it are long (a material shared by thousands of nodes); those
// that stay are a few dozen at most (a material shared by ten nodes, with its mirrors).
constexpr std::uint32_t kShortMax = 63;
std::uint32_t NextShortCapacity(std::uint32_t capacity) {
    return std::min(kShortMax, capacity < 15 ? 2 * capacity + 1 : (capacity + capacity / 2) | 1u);
}

// Blocks live in the host's slab pool, as their targets do: a merge makes one for every target with more
// than two dependents and a deletion frees them with their targets, so they cost no heap call each.
// Long blocks beyond the pool's slots go to the heap through it.
void* NewBlock(size_t bytes) {
    return SlabPool::Allocate(bytes);
}
void FreeBlock(void* p, size_t bytes) {
    SlabPool::Free(p, bytes);
}

// At least twice as many index slots as positions, so that probe runs stay short. The home slot is
// taken from the 32-bit tag, which bounds the table at 2^32 slots.
std::uint32_t IndexBitsFor(std::uint32_t positions) {
    std::uint32_t bits = 4;
    while (bits < 32 && (size_t(1) << bits) < 2 * size_t(positions)) ++bits;
    return bits;
}
} // namespace

RefList::~RefList() {
    if (!Spilled()) return;
    if (Long()) {
        delete[] spill()->index;
        FreeBlock(spill(), sizeof(Spill) + size_t(spill()->capacity) * sizeof(Entry));
    } else {
        FreeBlock(Packed(), size_t(ShortCapacity(words_[1])) * sizeof(std::uintptr_t));
    }
}

int RefList::Count() const {
    if (Long()) return static_cast<int>(spill()->size - spill()->holes);
    const std::uintptr_t* w = Packed();
    int n = 0;
    for (size_t i = 0, size = Size(); i < size; ++i) n += int(PackedMaker(w[i]) != nullptr);
    return n;
}

void RefList::MoveToShort(std::uint32_t capacity) {
    auto* block = static_cast<std::uintptr_t*>(NewBlock(size_t(capacity) * sizeof(std::uintptr_t)));
    const auto size = static_cast<std::uint32_t>(Size());
    std::memcpy(block, Packed(), size * sizeof(std::uintptr_t));
    const unsigned epoch = Epoch();
    if (Spilled()) FreeBlock(Packed(), size_t(ShortCapacity(words_[1])) * sizeof(std::uintptr_t));
    words_[0] = reinterpret_cast<std::uintptr_t>(block);
    words_[1] = ShortWord(size, capacity, epoch);
}

void RefList::Respill(std::uint32_t capacity) {
    void* raw = NewBlock(sizeof(Spill) + size_t(capacity) * sizeof(Entry));
    auto* moved = new (raw) Spill{capacity, 0, 0, 0, nullptr, 0, 0, 0, 0};
    if (Long()) {
        Spill* old = spill();
        *moved = *old;
        moved->capacity = capacity;
        std::memcpy(static_cast<void*>(moved->Entries()), old->Entries(), size_t(old->size) * sizeof(Entry));
        FreeBlock(old, sizeof(Spill) + size_t(old->capacity) * sizeof(Entry));
    } else {
        // The packed entries (and holes) keep their positions in the block, and the tokens naming them
        // stay good: the block goes on at the packed list's epoch. A list never goes back from a long
        // block, so its epoch only grows.
        const std::uintptr_t* w = Packed();
        moved->size = static_cast<std::uint32_t>(Size());
        moved->epoch = Epoch();
        for (std::uint32_t i = 0; i < moved->size; ++i) {
            moved->Entries()[i] = Entry{PackedMaker(w[i]), PackedSlot(w[i])};
            if (!moved->Entries()[i].maker) ++moved->holes;
        }
        if (Spilled()) FreeBlock(Packed(), size_t(ShortCapacity(words_[1])) * sizeof(std::uintptr_t));
    }
    words_[0] = reinterpret_cast<std::uintptr_t>(moved);
    words_[1] = 0;
}

void RefList::Append(const Entry& e) {
    if (!Long()) {
        const auto n = static_cast<std::uint32_t>(Size());
        const std::uint32_t room = Spilled() ? ShortCapacity(words_[1]) : kInPlace;
        if (Packable(e.maker, e.slot) && (n < room || room < kShortMax)) {
            if (n == room) MoveToShort(Spilled() ? NextShortCapacity(room) : kInPlace + 1);
            Packed()[n] = Pack(e.maker, e.slot);
            if (Spilled()) words_[1] = ShortWord(n + 1, ShortCapacity(words_[1]), ShortEpoch(words_[1]));
            return;
        }
        Respill(std::max(2 * n, 2 * kInPlace));
    } else if (spill()->size == spill()->capacity) {
        Respill(2 * spill()->capacity);
    }
    Spill& s = *spill();
    s.Entries()[s.size++] = e;
}

std::uint32_t RefList::TagOf(ReferenceMaker* m) {
    // Fibonacci hashing: the top bits of the product mix every bit of the address.
    const std::uint64_t h = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(m)) * 0x9E3779B97F4A7C15ull;
    return static_cast<std::uint32_t>(h >> 32);
}

void RefList::IndexInsert(std::uint32_t pos) {
    Spill& s = *spill();
    if (2 * (size_t(s.indexed) + 1) > (size_t(1) << s.indexBits)) {
        // The rebuilt index holds every live entry, pos among them.
        BuildIndex(s.indexBits + 1);
        return;
    }
    const size_t mask = (size_t(1) << s.indexBits) - 1;
    const std::uint32_t tag = TagOf(s.Entries()[pos].maker);
    size_t i = HomeOf(tag, s.indexBits);
    while (s.index[i].pos != kEmpty) i = (i + 1) & mask;
    s.index[i] = IndexSlot{pos, tag};
    ++s.indexed;
}

void RefList::IndexErase(size_t at) {
    // Backward shift: the positions of the run after `at` move up over the gap when their home allows,
    // so a lookup never meets an empty slot before its key (no tombstones to sweep).
    Spill& s = *spill();
    const size_t mask = (size_t(1) << s.indexBits) - 1;
    size_t gap = at;
    for (size_t i = (at + 1) & mask; s.index[i].pos != kEmpty; i = (i + 1) & mask) {
        const size_t home = HomeOf(s.index[i].tag, s.indexBits);
        if (((i - home) & mask) >= ((i - gap) & mask)) {
            s.index[gap] = s.index[i];
            gap = i;
        }
    }
    s.index[gap].pos = kEmpty;
    --s.indexed;
}

void RefList::BuildIndex(std::uint32_t bits) {
    Spill& s = *spill();
    const size_t slots = size_t(1) << bits;
    if (!s.index || s.indexBits != bits) {
        delete[] s.index;
        s.index = nullptr; // a failed allocation leaves the list unindexed, not dangling
        s.index = new IndexSlot[slots];
        s.indexBits = bits;
    }
    std::fill_n(s.index, slots, IndexSlot{kEmpty, 0});
    s.indexed = 0;
    const size_t mask = slots - 1;
    const Entry* e = s.Entries();
    for (std::uint32_t p = 0; p < s.size; ++p) {
        if (!e[p].maker) continue;
        const std::uint32_t tag = TagOf(e[p].maker);
        size_t i = HomeOf(tag, bits);
        while (s.index[i].pos != kEmpty) i = (i + 1) & mask;
        s.index[i] = IndexSlot{p, tag};
        ++s.indexed;
    }
}

void RefList::DropIndex() {
    if (!Long() || !spill()->index) return;
    delete[] spill()->index;
    spill()->index = nullptr;
    spill()->indexBits = 0;
    spill()->indexed = 0;
}

void RefList::Add(ReferenceMaker* m, int slot) {
    // Most lists take their first or second entry in place: the packed word goes straight in.
    if (words_[1] == 0 && (words_[0] == 0 || (words_[0] & kPacked)) && Packable(m, slot)) {
        words_[words_[0] == 0 ? 0 : 1] = Pack(m, slot);
        return;
    }
    Append(Entry{m, slot});
    if (!Long()) return;
    Spill& s = *spill();
    if (s.index) IndexInsert(s.size - 1);
    else if (s.size > kIndexThreshold) BuildIndex(IndexBitsFor(s.size));
}

RefList::Token RefList::Remove(ReferenceMaker* m, int slot, bool squeeze) {
    Token t;
    if (!m) return t;
    // m's newest entry recorded for the slot, else m's newest entry.
    size_t found = kNone;
    bool slotMatch = false;
    auto consider = [&](size_t p, int entrySlot) {
        const bool match = entrySlot == slot;
        if (found == kNone || (match && !slotMatch) || (match == slotMatch && p > found)) {
            found = p;
            slotMatch = match;
            return true;
        }
        return false;
    };
    if (!Long()) {
        const std::uintptr_t* w = Packed();
        for (size_t i = Size(); i-- > 0;) {
            if (PackedMaker(w[i]) != m) continue;
            consider(i, PackedSlot(w[i]));
            if (slotMatch) break;
        }
        if (found == kNone) return t;
        return VacatePacked(found, squeeze);
    }
    Spill& s = *spill();
    Entry* e = s.Entries();
    if (s.index) {
        const size_t mask = (size_t(1) << s.indexBits) - 1;
        const std::uint32_t tag = TagOf(m);
        size_t at = kNone;
        for (size_t i = HomeOf(tag, s.indexBits); s.index[i].pos != kEmpty; i = (i + 1) & mask) {
            const std::uint32_t p = s.index[i].pos;
            if (s.index[i].tag == tag && e[p].maker == m && consider(p, e[p].slot)) at = i;
        }
        if (found == kNone) return t;
        return Vacate(found, at, squeeze);
    }
    for (size_t i = s.size; i-- > 0;) {
        if (e[i].maker != m) continue;
        consider(i, e[i].slot);
        if (slotMatch) break;
    }
    if (found == kNone) return t;
    return Vacate(found, kNone, squeeze);
}

RefList::Token RefList::RemoveAt(size_t pos, bool squeeze) {
    Token t;
    if (!Long()) {
        if (pos >= Size() || !PackedMaker(Packed()[pos])) return t;
        return VacatePacked(pos, squeeze);
    }
    Spill& s = *spill();
    Entry* e = s.Entries();
    if (pos >= s.size || !e[pos].maker) return t;
    size_t at = kNone;
    if (s.index) {
        const size_t mask = (size_t(1) << s.indexBits) - 1;
        at = HomeOf(TagOf(e[pos].maker), s.indexBits);
        while (s.index[at].pos != pos) at = (at + 1) & mask;
    }
    return Vacate(pos, at, squeeze);
}

RefList::Token RefList::Vacate(size_t pos, size_t indexSlot, bool squeeze) {
    Spill& s = *spill();
    if (indexSlot != kNone) IndexErase(indexSlot);
    s.Entries()[pos].maker = nullptr;
    ++s.holes;
    Token t;
    t.pos = pos;
    t.epoch = s.epoch;
    if (squeeze) Squeeze();
    return t;
}

RefList::Token RefList::VacatePacked(size_t pos, bool squeeze) {
    std::uintptr_t* w = Packed();
    w[pos] = HoleOf(w[pos]);
    Token t;
    t.pos = pos;
    t.epoch = Epoch();
    if (squeeze) Squeeze();
    return t;
}

void RefList::Revive(const Token& where, ReferenceMaker* m, int slot) {
    if (!where.Valid() || where.epoch != Epoch() || where.pos >= Size() || MakerAt(where.pos)) {
        Add(m, slot);
        return;
    }
    if (!Long()) {
        if (Packable(m, slot)) {
            Packed()[where.pos] = Pack(m, slot);
            return;
        }
        Respill(std::max(2 * static_cast<std::uint32_t>(Size()), 2 * kInPlace));
    }
    Spill& s = *spill();
    const auto pos = static_cast<std::uint32_t>(where.pos);
    s.Entries()[pos] = Entry{m, slot};
    --s.holes;
    if (pos < s.head) s.head = pos;
    if (s.index) IndexInsert(pos);
}

size_t RefList::FirstLive() {
    if (!Long()) {
        const std::uintptr_t* w = Packed();
        size_t i = 0;
        for (const size_t size = Size(); i < size && !PackedMaker(w[i]);) ++i;
        return i;
    }
    Spill& s = *spill();
    while (s.head < s.size && !s.Entries()[s.head].maker) ++s.head;
    return s.head;
}

int RefList::CountOf(ReferenceMaker* m) const {
    if (!m) return 0;
    if (!Long()) {
        const std::uintptr_t* w = Packed();
        int n = 0;
        for (size_t i = 0, size = Size(); i < size; ++i) n += int(PackedMaker(w[i]) == m);
        return n;
    }
    const Spill& s = *spill();
    const Entry* e = s.Entries();
    int n = 0;
    if (s.index) {
        const size_t mask = (size_t(1) << s.indexBits) - 1;
        const std::uint32_t tag = TagOf(m);
        for (size_t i = HomeOf(tag, s.indexBits); s.index[i].pos != kEmpty; i = (i + 1) & mask)
            if (s.index[i].tag == tag && e[s.index[i].pos].maker == m) ++n;
        return n;
    }
    for (size_t i = 0; i < s.size; ++i)
        if (e[i].maker == m) ++n;
    return n;
}

void RefList::SqueezeBlock() {
    if (!Long()) {
        // A short list squeezes as a long one does, in its block: positions and tokens change alike.
        std::uintptr_t* w = Packed();
        const std::uint32_t size = ShortSize(words_[1]);
        const auto holes = size - static_cast<std::uint32_t>(Count());
        if (holes < kMinHolesToCompact || size_t(holes) * 2 < size) return;
        std::uint32_t out = 0;
        for (std::uint32_t i = 0; i < size; ++i)
            if (PackedMaker(w[i])) w[out++] = w[i];
        words_[1] = ShortWord(out, ShortCapacity(words_[1]), ShortEpoch(words_[1]) + 1);
        return;
    }
    Spill& s = *spill();
    if (s.holes < kMinHolesToCompact || size_t(s.holes) * 2 < s.size) return;
    Entry* e = s.Entries();
    // The index keeps its slots (a slot's home follows from the tag, not the position) and only learns
    // where each entry moved: renumbering it reads it in order, where a rebuild would write every entry
    // to a random place in a new table. A list being emptied, as all the nodes of a layer are deleted,
    // squeezes at every halving.
    const bool remap = s.index && size_t(1) << s.indexBits <= kIndexSparseness * size_t(s.size - s.holes);
    std::vector<std::uint32_t>& moved = MovedPositions();
    if (remap && moved.size() < s.size) moved.resize(s.size);
    std::uint32_t out = 0;
    for (std::uint32_t i = 0; i < s.size; ++i) {
        if (!e[i].maker) continue;
        if (remap) moved[i] = out;
        e[out++] = e[i];
    }
    s.size = out;
    s.holes = 0;
    s.head = 0;
    ++s.epoch;
    if (remap) {
        const size_t slots = size_t(1) << s.indexBits;
        for (size_t i = 0; i < slots; ++i)
            if (s.index[i].pos != kEmpty) s.index[i].pos = moved[s.index[i].pos];
    }
    // Room is given back once it is many times the entries, and then only down to twice: a list being
    // emptied moves to a smaller block every fourth halving only. Taking or freeing a large block makes
    // the allocator gather every small block freed since, and a mass deletion frees millions of them.
    if (s.capacity > kIndexSparseness * (size_t(out) + 1)) Respill(std::max(2 * out, 2 * kInPlace));
    // An index is dropped only well below the length that builds one, so a list hovering around it
    // does not build and drop one over and over. A renumbered index stays; a sparse one is rebuilt
    // smaller.
    const bool indexed = spill()->index != nullptr;
    if (indexed ? out <= kIndexThreshold / 4 : out <= kIndexThreshold) DropIndex();
    else if (!remap) BuildIndex(IndexBitsFor(out));
}
