// An ordered table of nodes that loses a node in constant time when the node leaves the scene.
#pragma once

#include "host/scene/INode.h"

#include <unordered_map>
#include <vector>

// A load's working tables follow node deletions through host notifications; with thousands of merged
// nodes a deletion must not walk the table, so a removed node leaves an empty slot that walks skip.
class NodeTable {
public:
    // False for null and for a node the table holds already.
    bool Append(INode* node) {
        if (!node || !slot_.emplace(node, nodes_.size()).second) return false;
        nodes_.push_back(node);
        return true;
    }
    // Empties the node's slot; false when the table does not hold it.
    bool Remove(INode* node) {
        auto it = slot_.find(node);
        if (it == slot_.end()) return false;
        nodes_[it->second] = nullptr;
        slot_.erase(it);
        return true;
    }
    bool Contains(INode* node) const { return slot_.count(node) != 0; }
    // Slots, empty ones included: walks go by index and skip null.
    int Slots() const { return static_cast<int>(nodes_.size()); }
    INode* At(int i) const { return nodes_[static_cast<size_t>(i)]; }
    // Nodes held now.
    int Count() const { return static_cast<int>(slot_.size()); }
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
    std::vector<INode*> nodes_;
    std::unordered_map<INode*, size_t> slot_;
};
