// The ordered list of a reference target's dependents: one entry per reference, cheap to remove from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

class ReferenceMaker;

// Entries keep their insertion order. A removed entry leaves a hole that is squeezed out later, so
// removing one dependent among 100k costs a hash lookup, not a scan, and positions stay stable while
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

    RefList() = default;
    RefList(const RefList&) = delete;
    RefList& operator=(const RefList&) = delete;

    // Appends an entry for reference `slot` of maker m.
    void Add(ReferenceMaker* m, int slot);
    // Removes one entry of m, the one recorded for `slot` if there is one (else m's newest entry).
    // Returns an invalid token when m has no entry.
    Token Remove(ReferenceMaker* m, int slot);
    void Revive(const Token& where, ReferenceMaker* m, int slot);

    // Positions 0..Size()-1, holes included: MakerAt answers null for a hole.
    size_t Size() const { return entries_.size(); }
    ReferenceMaker* MakerAt(size_t i) const { return i < entries_.size() ? entries_[i].maker : nullptr; }
    // The reference index recorded with the entry; the maker may have renumbered since.
    int SlotAt(size_t i) const { return i < entries_.size() ? entries_[i].slot : -1; }
    // Position of the first live entry (Size() when none). Removals from the front leave holes there
    // until the list is squeezed; this skips them at amortised constant cost.
    size_t FirstLive();
    // Live entries.
    int Count() const { return static_cast<int>(entries_.size() - holes_); }
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
    // The entries in order. Most targets of a scene have a single dependent (their owner), and a scene
    // has millions of targets: the first entry is held in place, in the room the table's pointer takes
    // once it has more.
    class Entries {
    public:
        Entries() : one_{nullptr, 0} {}
        ~Entries() {
            if (OnHeap()) delete[] heap_;
        }
        Entries(const Entries&) = delete;
        Entries& operator=(const Entries&) = delete;

        size_t size() const { return size_; }
        Entry& operator[](size_t i) { return Data()[i]; }
        const Entry& operator[](size_t i) const { return Data()[i]; }
        const Entry* begin() const { return Data(); }
        const Entry* end() const { return Data() + size_; }
        void push_back(const Entry& e) {
            if (size_ == capacity_) MoveTo(capacity_ * 2);
            Data()[size_++] = e;
        }
        // Only ever shrinks.
        void resize(size_t n) {
            if (n < size_) size_ = static_cast<std::uint32_t>(n);
        }
        // Gives back room beyond twice the entries.
        void Trim() {
            if (OnHeap() && capacity_ > 2 * size_ + 2) MoveTo(size_ < 1 ? 1 : size_);
        }

    private:
        bool OnHeap() const { return capacity_ > 1; }
        Entry* Data() { return OnHeap() ? heap_ : &one_; }
        const Entry* Data() const { return OnHeap() ? heap_ : &one_; }
        void MoveTo(size_t capacity);

        union {
            Entry one_;
            Entry* heap_;
        };
        std::uint32_t size_ = 0;
        std::uint32_t capacity_ = 1;
    };

    void MaybeCompact();
    void BuildIndex();

    // Every reference target has a list: the counters are as wide as a list can grow (the entry table
    // counts in 32 bits) and no wider.
    Entries entries_;
    // Maker -> positions of its live entries; only for long lists, short ones are scanned.
    std::unique_ptr<std::unordered_multimap<ReferenceMaker*, size_t>> index_;
    std::uint32_t holes_ = 0;
    std::uint32_t head_ = 0; // no live entry before this position
    unsigned epoch_ = 0;
    std::uint32_t walkers_ : 31 = 0;
    std::uint32_t keepPositions_ : 1 = 0;
};
