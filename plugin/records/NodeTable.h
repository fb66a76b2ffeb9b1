// An ordered table of nodes that loses a node in constant time when the node leaves the scene.
#pragma once

#include "host/scene/INode.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// A load's working tables follow node deletions through host notifications; with thousands of merged
// nodes a deletion must not walk the table, so a removed node leaves an empty slot that walks skip.
// A node's slot is found through an open-addressed index in one block (linear probing, removals close
// the gap behind them): a load fills four of these tables with every merged node, and a hash map's
// heap block per node would cost a malloc and a free each.
class NodeTable {
public:
    // False for null and for a node the table holds already.
    bool Append(INode* node) {
        if (!node || Find(node) != kAbsent) return false;
        if ((count_ + 1) * 4 > index_.size() * 3) Regrow(index_.empty() ? 16 : 2 * index_.size());
        Place({node, nodes_.size()});
        ++count_;
        nodes_.push_back(node);
        return true;
    }
    // Empties the node's slot; false when the table does not hold it.
    bool Remove(INode* node) {
        const size_t at = node ? Find(node) : kAbsent;
        if (at == kAbsent) return false;
        nodes_[index_[at].slot] = nullptr;
        Close(at);
        --count_;
        return true;
    }
    bool Contains(INode* node) const { return node && Find(node) != kAbsent; }
    // The slot the node was appended at; -1 when the table does not hold it.
    int SlotOf(INode* node) const {
        const size_t at = node ? Find(node) : kAbsent;
        return at == kAbsent ? -1 : static_cast<int>(index_[at].slot);
    }
    // Slots, empty ones included: walks go by index and skip null.
    int Slots() const { return static_cast<int>(nodes_.size()); }
    INode* At(int i) const { return nodes_[static_cast<size_t>(i)]; }
    // Nodes held now.
    int Count() const { return static_cast<int>(count_); }
    // The nodes held, in order.
    void AppendTo(INodeTab& out) const {
        for (INode* n : nodes_)
            if (n) out.Append(n);
    }
    INodeTab ToTab() const {
        INodeTab out;
        AppendTo(out);
        return out;
    }

private:
    // A node and its slot in nodes_; a null node marks a free cell.
    struct Cell {
        INode* node = nullptr;
        size_t slot = 0;
    };
    static constexpr size_t kAbsent = static_cast<size_t>(-1);

    // The index's size is a power of two; nodes are 8-byte aligned, so the low bits say nothing.
    size_t Home(const INode* node) const {
        const auto bits = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(node) >> 3);
        return static_cast<size_t>(bits * 0x9E3779B97F4A7C15ull >> 32) & (index_.size() - 1);
    }
    size_t Find(const INode* node) const {
        if (index_.empty()) return kAbsent;
        for (size_t i = Home(node);; i = (i + 1) & (index_.size() - 1)) {
            if (index_[i].node == node) return i;
            if (!index_[i].node) return kAbsent;
        }
    }
    void Place(Cell cell) {
        size_t i = Home(cell.node);
        while (index_[i].node) i = (i + 1) & (index_.size() - 1);
        index_[i] = cell;
    }
    // Empties cell `at` and moves back every later cell of the run that would no longer be found past
    // the gap, so lookups can still stop at the first free cell.
    void Close(size_t at) {
        const size_t mask = index_.size() - 1;
        for (size_t i = (at + 1) & mask; index_[i].node; i = (i + 1) & mask) {
            // A cell may fill the gap when its home is not cyclically within (at, i].
            const size_t home = Home(index_[i].node);
            if (((i - home) & mask) >= ((i - at) & mask)) {
                index_[at] = index_[i];
                at = i;
            }
        }
        index_[at] = Cell();
    }
    void Regrow(size_t size) {
        std::vector<Cell> old(size);
        old.swap(index_);
        for (const Cell& c : old)
            if (c.node) Place(c);
    }

    std::vector<INode*> nodes_;
    std::vector<Cell> index_;
    size_t count_ = 0;
};
