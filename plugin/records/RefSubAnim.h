// A record's remembered tree of sub-animatables, kept to notice when the item's structure changes.
#pragma once

#include "host/core/Animatable.h"
#include "host/core/WStr.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class RefSubAnimTree;

// One entry of the tree: stands for one animatable, by its handle (the record holds no reference to it,
// and a handle never names a second animatable, so a freed one is told apart), with its children in walk
// order; a child position that holds nothing has no entry and reads as null. Child names are kept only
// for the animatables whose children the walk names (custom attribute containers and the like).
class RefSubAnim {
public:
    // Null once the animatable is gone.
    Animatable* GetAnim() const { return Animatable::GetAnimByHandle(handle_); }
    // Still the animatable the entry was made for (compared by handle, so a freed one never matches).
    bool StandsFor(Animatable* anim) const;

    int NumChildren() const { return static_cast<int>(count_); }
    // Null for an empty position and out of range.
    const RefSubAnim* GetChild(int i) const;
    const std::vector<WStr>& GetNames() const;

    // Entries below and with this one (null positions not counted).
    int CountEntries() const;
    // One line per entry, indented by depth: "Box (Box01)", "  CAC: [Custom A]", "  <null>", "<gone>".
    std::string Dump(int depth = 0) const;

private:
    friend class RefSubAnimTree;
    const RefSubAnimTree* tree_ = nullptr;
    AnimHandle handle_ = 0;
    // The children: count_ positions, of which the `held_` that hold an animatable have entries, side by
    // side from first_ in the order of their positions.
    std::uint32_t first_ = 0;
    std::uint32_t count_ = 0;
    std::uint32_t held_ = 0;
    // This entry's position among its parent's children.
    std::uint32_t position_ = 0;
};

// Every entry of one tree in a single table: a record remembers a tree for each node of a scene of 100k
// nodes, so entries are not allocated one by one. While the walk takes the tree, a parent's children stand
// side by side, every position made (empty) when the walk learns how many there are and filled as it
// visits them; the walk names entries by index, since the table moves while it grows. Most positions of a
// node's tree stay empty (parameters without a controller), so the finished tree keeps only the entries
// that hold something. Pointers to entries hold once the walk is over.
class RefSubAnimTree {
public:
    using Index = std::uint32_t;

    explicit RefSubAnimTree(Animatable* root);
    RefSubAnimTree(const RefSubAnimTree&) = delete;
    RefSubAnimTree& operator=(const RefSubAnimTree&) = delete;

    const RefSubAnim& Root() const { return entries_.front(); }
    const RefSubAnim& At(Index i) const { return entries_[i]; }

    // Makes n empty child positions for entry e, which must have none yet.
    void MakeChildren(Index e, int n);
    // Child i of e now stands for anim; its index.
    Index SetChild(Index e, int i, Animatable* anim);
    void AppendName(Index e, const WStr& name);
    // Once the walk is over: drops the empty positions' entries and gives back the room the walk did not
    // use.
    void Finish();

private:
    friend class RefSubAnim;
    std::vector<RefSubAnim> entries_;
    // The few entries with child names, by entry index.
    std::vector<std::pair<Index, std::vector<WStr>>> names_;
    bool finished_ = false;
};
