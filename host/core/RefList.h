// The ordered list of a reference target's dependents: one entry per reference, cheap to remove from.
#pragma once

#include <cstddef>
#include <cstdint>

class ReferenceMaker;

// Entries keep their insertion order. A removed entry leaves a hole that is squeezed out later, so
// removing one dependent among 100k costs a hash probe, not a scan, and positions stay stable while
// the list is being walked (a handler may add or remove dependents during a walk).
class RefList {
public:
    // Where a removed entry stood; Revive puts the entry back there when the hole still exists, so an
    // undo restores the dependents' order exactly.
    struct Token {
        size_t pos = static_cast<size_t>(-1);
        unsigned epoch = 0;
        bool Valid() const { return pos != static_cast<size_t>(-1); }
    };

    RefList() : inPlace_{} {}
    ~RefList();
    RefList(const RefList&) = delete;
    RefList& operator=(const RefList&) = delete;

    // Appends an entry for reference `slot` of maker m.
    void Add(ReferenceMaker* m, int slot);
    // Removes one entry of m: the newest one recorded for `slot` if there is one, else m's newest entry.
    // Returns an invalid token when m has no entry.
    Token Remove(ReferenceMaker* m, int slot);
    void Revive(const Token& where, ReferenceMaker* m, int slot);

    // Positions 0..Size()-1, holes included: MakerAt answers null for a hole.
    size_t Size() const { return size_; }
    ReferenceMaker* MakerAt(size_t i) const { return i < size_ ? Data()[i].maker : nullptr; }
    // The reference index recorded with the entry; the maker may have renumbered since.
    int SlotAt(size_t i) const { return i < size_ ? Data()[i].slot : -1; }
    // Position of the first live entry (Size() when none). Removals from the front leave holes there
    // until the list is squeezed; this skips them at amortised constant cost.
    size_t FirstLive();
    // Live entries.
    int Count() const { return static_cast<int>(size_ - holes_); }
    int CountOf(ReferenceMaker* m) const;

    // While walked, positions never move.
    void BeginWalk() { ++walkers_; }
    void EndWalk();
    // A list whose positions must survive until an undo (the target was deleted) is never squeezed.
    void KeepPositions(bool keep);

private:
    struct Entry {
        ReferenceMaker* maker;
        int slot;
    };
    // A list longer than the room in place: one block of this header and the entries after it. Long
    // lists also index their live entries: an open-addressing table of positions, keyed by the maker the
    // entry names (read from the entry), so the index costs four bytes a slot and no node per entry.
    struct Spill {
        std::uint32_t capacity; // entries the block has room for
        std::uint32_t head;     // no live entry before this position
        std::uint32_t* index;   // null while the list is short enough to scan
        std::uint32_t indexBits;
        std::uint32_t indexed; // positions in the index
        Entry* Entries() { return reinterpret_cast<Entry*>(this + 1); }
        const Entry* Entries() const { return reinterpret_cast<const Entry*>(this + 1); }
    };
    static_assert(sizeof(Spill) % alignof(Entry) == 0, "entries follow the header aligned");
    // Most targets of a scene have one or two dependents (their owner, often one more user),
    // and a scene has millions of targets: up to two entries are held in place, in the room the spilled
    // list's pointer takes once there are more. A list is spilled exactly when it holds more positions
    // than that room, holes included.
    static constexpr std::uint32_t kInPlace = 2;
    bool Spilled() const { return size_ > kInPlace; }
    Entry* Data() { return Spilled() ? spill_->Entries() : inPlace_; }
    const Entry* Data() const { return Spilled() ? spill_->Entries() : inPlace_; }
    void Append(const Entry& e);
    // Moves the entries to a block with room for `capacity` (more than the room in place).
    void Respill(std::uint32_t capacity);
    void MaybeCompact();
    // The index: built once a list is long, kept while it stays long.
    size_t Home(ReferenceMaker* m) const;
    void IndexInsert(std::uint32_t pos);
    void IndexErase(size_t at);
    void BuildIndex(std::uint32_t bits);
    void DropIndex();

    union {
        Entry inPlace_[kInPlace];
        Spill* spill_;
    };
    std::uint32_t size_ = 0;
    std::uint32_t holes_ = 0;
    std::uint32_t epoch_ = 0;
    std::uint32_t walkers_ : 31 = 0;
    std::uint32_t keepPositions_ : 1 = 0;
};
