// A record's remembered tree of sub-animatables, kept to notice when the item's structure changes.
#pragma once

#include "host/core/Animatable.h"
#include "host/core/WStr.h"
#include "plugin/frame/FixedTable.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class RefSubAnimTree;
class RefSubAnimWalk;

// One entry of the tree: stands for one animatable, by its handle (the record holds no reference to it,
// and a handle never names a second animatable, so a freed one is told apart), with its children in walk
// order; a child position that holds nothing has no entry and reads as null. Child names are kept only
// for the animatables whose children the walk names (custom attribute containers and the like).
//
// A record remembers a tree for each node of a scene of 100k nodes, so an entry is 12 bytes and knows
// nothing but itself: the entries of a tree stand breadth first in one table, the kept children of an
// entry side by side, so an entry finds its children at a distance from itself and counts them by where
// the next entry's children begin (the table ends with a closing entry for the last one). Handles below
// 2^48, distances and positions below 2^16 and counts below 2^14 fit the entry; an entry with a larger
// one is marked wide and keeps all four values in a side table, so a huge tree costs a lookup, not bytes
// on every entry.
class RefSubAnim {
public:
    // Null once the animatable is gone.
    Animatable* GetAnim() const { return Animatable::GetAnimByHandle(Handle()); }
    // Still the animatable the entry was made for (compared by handle, so a freed one never matches).
    bool StandsFor(Animatable* anim) const;

    int NumChildren() const { return static_cast<int>(IsWide() ? WideValues().count : count_ & kCountMask); }
    // Null for an empty position and out of range.
    const RefSubAnim* GetChild(int i) const;
    const std::vector<WStr>& GetNames() const;

    // Entries below and with this one (null positions not counted).
    int CountEntries() const;
    // One line per entry, indented by depth: "Box (Box01)", "  CAC: [Custom A]", "  <null>", "<gone>".
    std::string Dump(int depth = 0) const;

    // The values of an entry at full width.
    struct Values {
        AnimHandle handle = 0;
        std::uint32_t first = 0;
        std::uint32_t count = 0;
        std::uint32_t position = 0;
    };

private:
    friend class RefSubAnimTree;
    friend class RefSubAnimWalk;
    static constexpr std::uint16_t kNamedBit = 0x8000u;
    static constexpr std::uint16_t kWideBit = 0x4000u;
    static constexpr std::uint16_t kCountMask = 0x3fffu;

    bool IsWide() const { return (count_ & kWideBit) != 0; }
    // The side table's values of a wide entry.
    const Values& WideValues() const;
    // Packs v into this entry, or marks it wide and files v in the side table.
    void Pack(const Values& v);
    AnimHandle Handle() const {
        return IsWide() ? WideValues().handle : static_cast<AnimHandle>(handleHigh_) << 32 | handleLow_;
    }
    std::uint32_t First() const { return IsWide() ? WideValues().first : first_; }
    std::uint32_t Position() const { return IsWide() ? WideValues().position : position_; }
    // Kept children: from First() entries past this one up to where the next entry's begin.
    std::uint32_t Held() const { return 1 + this[1].First() - First(); }

    // The handle's low 32 and next 16 bits, so the entry needs no 8-byte alignment.
    std::uint32_t handleLow_ = 0;
    std::uint16_t handleHigh_ = 0;
    std::uint16_t first_ = 0;
    // The child positions, kept or empty; the top bits mark an entry with child names and a wide one.
    std::uint16_t count_ = 0;
    // This entry's position among its parent's children.
    std::uint16_t position_ = 0;
};

// A finished tree: the entries of one walk that hold something, in a table of exactly their size. Empty
// until a walk finishes into it.
class RefSubAnimTree {
public:
    RefSubAnimTree() = default;
    RefSubAnimTree(RefSubAnimTree&& other) noexcept : entries_(std::move(other.entries_)) {}
    RefSubAnimTree& operator=(RefSubAnimTree&& other) noexcept;
    RefSubAnimTree(const RefSubAnimTree&) = delete;
    RefSubAnimTree& operator=(const RefSubAnimTree&) = delete;
    ~RefSubAnimTree() { Clear(); }

    bool Empty() const { return entries_.empty(); }
    // The tree must not be empty.
    const RefSubAnim& Root() const { return entries_[0]; }
    void Clear();

private:
    friend class RefSubAnimWalk;
    FixedTable<RefSubAnim> entries_;
};

// The table a walk takes a tree in: one entry per position the walk fills, appended as it visits them
// and linked to its parent's list of filled children; the walk names entries by index, since the table
// moves while it grows. Most positions of a node's tree stay empty (parameters without a controller): a
// parent only notes how many positions it has, so an empty one costs nothing, and Finish reads only the
// entries that hold something. A walk fills a parent's positions in increasing order, so each list is in
// position order.
class RefSubAnimWalk {
public:
    using Index = std::uint32_t;

    explicit RefSubAnimWalk(Animatable* root);
    RefSubAnimWalk(const RefSubAnimWalk&) = delete;
    RefSubAnimWalk& operator=(const RefSubAnimWalk&) = delete;
    ~RefSubAnimWalk();

    // Gives entry e n child positions, all empty; e must have none yet.
    void MakeChildren(Index e, int n);
    // Child i of e now stands for anim; its index. Positions are filled once each, in increasing order.
    Index SetChild(Index e, int i, Animatable* anim);
    void AppendName(Index e, const WStr& name);
    // The tree the walk took, without its empty positions.
    RefSubAnimTree Finish();

private:
    static constexpr Index kNone = static_cast<Index>(-1);
    struct Entry {
        AnimHandle handle;
        // The entry's positions, filled or empty, and its own position among its parent's.
        Index count;
        Index position;
        // The filled children, as a list in position order.
        Index firstChild;
        Index lastChild;
        Index nextSibling;
    };
    static std::vector<std::vector<Entry>>& Spare();
    std::vector<Entry> entries_;
    // The few entries with child names, by entry index.
    std::vector<std::pair<Index, std::vector<WStr>>> names_;
};
