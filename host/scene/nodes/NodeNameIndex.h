// The scene's nodes by name without regard to case: a hashed table over the names the nodes carry.
#pragma once

#include "host/core/MaxTypes.h"
#include "host/core/SlabAllocator.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

class Node;

// A scene of 100k nodes asks for names while it merges and deletes: a lookup hashes the name as given,
// folding case on the way, and compares it with the name of a node listed under it, so nothing is
// copied or lower-cased into a string. A name most often belongs to one node, held in the table itself;
// a name shared by several nodes keeps them ordered by handle in a map of its own. Every node is listed
// under the name it carries: the caller takes a node out under its old name before renaming it.
class NodeNameIndex {
public:
    NodeNameIndex() = default;
    ~NodeNameIndex();
    NodeNameIndex(const NodeNameIndex&) = delete;
    NodeNameIndex& operator=(const NodeNameIndex&) = delete;

    // n carries name now (null reads as the empty name).
    void Add(Node* n, const MCHAR* name);
    void Remove(Node* n, const MCHAR* name);
    // The nodes named name, without regard to case, oldest handle first; stops at the first that accept
    // takes and returns it (null when none).
    template <class Accept> Node* FindFirst(const MCHAR* name, Accept&& accept) const {
        const Bucket* b = Find(name);
        if (!b) return nullptr;
        if (!b->many) return accept(b->one) ? b->one : nullptr;
        for (const auto& [h, n] : *b->many)
            if (accept(n)) return n;
        return nullptr;
    }

private:
    using Handles = std::map<ULONG, Node*, std::less<ULONG>, SlabAllocator<std::pair<const ULONG, Node*>>>;
    struct Bucket {
        std::uint64_t hash = 0;
        std::uint32_t count = 0; // nodes listed; 0 marks an empty bucket
        Node* one = nullptr;     // the node, while the name has one
        Handles* many = nullptr; // by handle, while it has more
        Node* AnyNode() const { return many ? many->begin()->second : one; }
    };

    static std::uint64_t Hash(const MCHAR* name, size_t& length);
    static bool SameName(const MCHAR* a, size_t length, const MCHAR* b);
    const Bucket* Find(const MCHAR* name) const;
    // The bucket of name, or the empty one where it would go.
    size_t Probe(const MCHAR* name, std::uint64_t hash, size_t length) const;
    void Grow();
    // Empties bucket i and moves the buckets after it back over the gap where their home allows, so a
    // probe never meets an empty bucket before its name.
    void EraseAt(size_t i);

    std::vector<Bucket> buckets_; // a power of two in size, at most half full
    size_t used_ = 0;
};
