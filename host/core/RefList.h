// The ordered list of a reference target's dependents: one entry per reference, cheap to remove from.
#pragma once

#include <cstddef>
#include <cstdint>

class ReferenceMaker;

// Entries keep their insertion order. A removed entry leaves a hole that is squeezed out later, so
// removing one dependent among 100k costs a hash probe, not a scan, and positions stay stable while
// the list is being walked (a handler may add or remove dependents during a walk). The owner knows when
// positions must hold still (a walk in progress, a deleted target waiting for an undo): it removes
// without squeezing then, and calls Squeeze once they may move again.
class RefList {
public:
    // Where a removed entry stood; Revive puts the entry back there when the hole still exists, so an
    // undo restores the dependents' order exactly.
    struct Token {
        size_t pos = static_cast<size_t>(-1);
        unsigned epoch = 0;
        bool Valid() const { return pos != static_cast<size_t>(-1); }
    };

    RefList() = default;
    ~RefList();
    RefList(const RefList&) = delete;
    RefList& operator=(const RefList&) = delete;

    // Appends an entry for reference `slot` of maker m.
    void Add(ReferenceMaker* m, int slot);
    // Removes one entry of m: the newest one recorded for `slot` if there is one, else m's newest entry.
    // Returns an invalid token when m has no entry. With `squeeze` the holes may be squeezed out after.
    Token Remove(ReferenceMaker* m, int slot, bool squeeze = true);
    // Removes the live entry at position pos, as Remove would when it found it there: for a walker that
    // stands on the entry and need not search for it.
    Token RemoveAt(size_t pos, bool squeeze = true);
    void Revive(const Token& where, ReferenceMaker* m, int slot);
    // Squeezes the holes out once they fill half the list. Called whenever a walk over the list ends,
    // so a list too short ever to squeeze (most lists) is told apart without a call.
    void Squeeze() {
        if (Spilled() && (Long() || ShortSize(words_[1]) >= kMinHolesToCompact)) SqueezeBlock();
    }

    // Positions 0..Size()-1, holes included: MakerAt answers null for a hole.
    size_t Size() const {
        if (!Spilled()) return size_t(words_[0] != 0) + size_t(words_[1] != 0);
        return words_[1] ? ShortSize(words_[1]) : spill()->size;
    }
    ReferenceMaker* MakerAt(size_t i) const {
        if (Long()) return i < spill()->size ? spill()->Entries()[i].maker : nullptr;
        return i < Size() ? PackedMaker(Packed()[i]) : nullptr;
    }
    // The reference index recorded with the entry; the maker may have renumbered since.
    int SlotAt(size_t i) const {
        if (Long()) return i < spill()->size ? spill()->Entries()[i].slot : -1;
        return i < Size() ? PackedSlot(Packed()[i]) : -1;
    }
    // Position of the first live entry (Size() when none). Removals from the front leave holes there
    // until the list is squeezed; this skips them at amortised constant cost.
    size_t FirstLive();
    // Live entries.
    int Count() const;
    int CountOf(ReferenceMaker* m) const;

private:
    struct Entry {
        ReferenceMaker* maker;
        int slot;
    };
    // One position of the index: the entry's position and the top half of its maker's hash, from which
    // the home slot follows, so a probe or a shift reads no entry unless the hashes agree.
    struct IndexSlot {
        std::uint32_t pos;
        std::uint32_t tag;
    };
    // A long list: one block of this header and the entries after it, its live entries indexed in an
    // open-addressing table of positions keyed by the entry's maker once it is long enough.
    struct Spill {
        std::uint32_t capacity; // entries the block has room for
        std::uint32_t size;     // positions, holes included
        std::uint32_t holes;
        std::uint32_t head;  // no live entry before this position
        IndexSlot* index;    // null while the list is short enough to scan
        std::uint32_t indexBits;
        std::uint32_t indexed; // positions in the index
        // Bumped by every squeeze: tokens from before it no longer name a position.
        std::uint32_t epoch;
        std::uint32_t unused;
        Entry* Entries() { return reinterpret_cast<Entry*>(this + 1); }
        const Entry* Entries() const { return reinterpret_cast<const Entry*>(this + 1); }
    };
    static_assert(sizeof(Spill) % alignof(Entry) == 0, "entries follow the header aligned");

    // Most targets of a scene have one or two dependents (their owner, often one more user), and a scene
    // has millions of targets: up to two entries are held in place, each packed in one word with the low
    // bit set (a block's address has it clear), the maker's address without its three alignment bits
    // above it and the slot in the top bits. Most lists that outgrow their place stay short (an owner,
    // a mirror and a node; the few nodes sharing a material and their mirrors): they go on in a short
    // block of the same packed words, without a header, its size, capacity and epoch packed in the
    // second word. A maker address or a slot that does not pack, or a list past the short block's
    // length, moves the list to a long block.
    static constexpr unsigned kAddressBits = 44; // addresses below 2^47, aligned to 8
    static constexpr unsigned kSlotShift = 1 + kAddressBits;
    static constexpr std::uintptr_t kPacked = 1;
    static bool Packable(ReferenceMaker* m, int slot) {
        const auto a = reinterpret_cast<std::uintptr_t>(m);
        return (a & 7) == 0 && (a >> (kAddressBits + 3)) == 0 && slot >= 0 && slot < (1 << (64 - kSlotShift));
    }
    static std::uintptr_t Pack(ReferenceMaker* m, int slot) {
        return ((reinterpret_cast<std::uintptr_t>(m) >> 3) << 1) | (std::uintptr_t(slot) << kSlotShift) | kPacked;
    }
    static ReferenceMaker* PackedMaker(std::uintptr_t w) {
        return reinterpret_cast<ReferenceMaker*>(((w >> 1) & ((std::uintptr_t(1) << kAddressBits) - 1)) << 3);
    }
    static int PackedSlot(std::uintptr_t w) { return static_cast<int>(w >> kSlotShift); }
    // The word of a hole keeps the slot, as a hole in a long block keeps its entry's slot.
    static std::uintptr_t HoleOf(std::uintptr_t w) { return (w & ~((std::uintptr_t(1) << kSlotShift) - 1)) | kPacked; }
    // The second word of a list in a short block: the low bit set (never 0), the positions in the next
    // 15 bits, the capacity in the 16 after them, the epoch in the top half.
    static std::uintptr_t ShortWord(std::uint32_t size, std::uint32_t capacity, std::uint32_t epoch) {
        return kPacked | std::uintptr_t(size) << 1 | std::uintptr_t(capacity) << 16 | std::uintptr_t(epoch) << 32;
    }
    static std::uint32_t ShortSize(std::uintptr_t w) { return static_cast<std::uint32_t>(w >> 1) & 0x7FFFu; }
    static std::uint32_t ShortCapacity(std::uintptr_t w) { return static_cast<std::uint32_t>(w >> 16) & 0xFFFFu; }
    static std::uint32_t ShortEpoch(std::uintptr_t w) { return static_cast<std::uint32_t>(w >> 32); }
    bool Spilled() const { return words_[0] != 0 && (words_[0] & kPacked) == 0; }
    bool Long() const { return Spilled() && words_[1] == 0; }
    Spill* spill() const { return reinterpret_cast<Spill*>(words_[0]); }
    // The packed positions of a list in place or in a short block; null for a long block.
    std::uintptr_t* Packed() { return Spilled() ? (words_[1] ? reinterpret_cast<std::uintptr_t*>(words_[0]) : nullptr) : words_; }
    const std::uintptr_t* Packed() const { return const_cast<RefList*>(this)->Packed(); }
    unsigned Epoch() const { return !Spilled() ? 0 : words_[1] ? ShortEpoch(words_[1]) : spill()->epoch; }

    // Holes are squeezed out once there are at least this many and they fill half the list.
    static constexpr std::uint32_t kMinHolesToCompact = 16;
    void SqueezeBlock();
    void Append(const Entry& e);
    // Moves a packed list to a short block with room for `capacity` positions (at least those held).
    void MoveToShort(std::uint32_t capacity);
    // Moves the entries to a long block with room for `capacity` (at least the positions held).
    void Respill(std::uint32_t capacity);
    // The index: built once a list is long, kept while it stays long.
    static std::uint32_t TagOf(ReferenceMaker* m);
    static size_t HomeOf(std::uint32_t tag, std::uint32_t bits) { return tag >> (32 - bits); }
    void IndexInsert(std::uint32_t pos);
    void IndexErase(size_t at);
    // Makes the spilled entry at pos a hole (and drops its index slot, kNone without index), then squeezes
    // when asked: the common end of both removals.
    Token Vacate(size_t pos, size_t indexSlot, bool squeeze);
    // The same for a packed list: the word at pos becomes a hole.
    Token VacatePacked(size_t pos, bool squeeze);
    void BuildIndex(std::uint32_t bits);
    void DropIndex();

    // In place: positions 0 and 1, each empty (0) or a packed entry or hole; positions are taken in
    // order. In a short block: its address, and its size word. In a long block: its address, and 0.
    std::uintptr_t words_[2] = {0, 0};
};
