// The scene's nodes by name without regard to case: open addressing over case-folded name hashes.
#include "host/scene/nodes/NodeNameIndex.h"

#include "host/scene/nodes/Node.h"

#include <cwctype>
#include <new>

namespace {

wchar_t Fold(wchar_t c) {
    // The common names are ASCII: folded without a call into the C library.
    if (c < 0x80) return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + (L'a' - L'A')) : c;
    return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
}

// A name's set of several nodes lives in the slab pool with its tree nodes: merging a file again makes one
// per name of the file.
template <class Handles> Handles* NewHandles(ULONG handle, Node* n) {
    void* raw = SlabPool::Allocate(sizeof(Handles));
    try {
        return new (raw) Handles{{handle, n}};
    } catch (...) {
        SlabPool::Free(raw, sizeof(Handles)); // the set's first entry could not be made
        throw;
    }
}

template <class Handles> void DeleteHandles(Handles* h) {
    if (!h) return;
    h->~Handles();
    SlabPool::Free(h, sizeof(Handles));
}

} // namespace

NodeNameIndex::~NodeNameIndex() {
    for (Bucket& b : buckets_) DeleteHandles(b.many);
}

std::uint64_t NodeNameIndex::Hash(const MCHAR* name, size_t& length) {
    // FNV-1a over the folded characters, then mixed so that the top bits, which pick the home bucket,
    // depend on every character.
    std::uint64_t h = 0xCBF29CE484222325ull;
    length = 0;
    for (const MCHAR* p = name; *p; ++p, ++length) {
        h ^= static_cast<std::uint64_t>(static_cast<std::uint32_t>(Fold(*p)));
        h *= 0x100000001B3ull;
    }
    h ^= h >> 29;
    h *= 0x9E3779B97F4A7C15ull;
    return h | 1; // never 0, the hash of no bucket
}

bool NodeNameIndex::SameName(const MCHAR* a, size_t length, const MCHAR* b) {
    for (size_t i = 0; i < length; ++i)
        if (!b[i] || Fold(a[i]) != Fold(b[i])) return false;
    return b[length] == 0;
}

size_t NodeNameIndex::Probe(const MCHAR* name, std::uint64_t hash, size_t length) const {
    const size_t mask = buckets_.size() - 1;
    for (size_t i = hash >> 32 & mask;; i = (i + 1) & mask) {
        const Bucket& b = buckets_[i];
        if (b.count == 0) return i;
        if (b.hash == hash && SameName(name, length, b.AnyNode()->GetName())) return i;
    }
}

const NodeNameIndex::Bucket* NodeNameIndex::Find(const MCHAR* name) const {
    if (used_ == 0) return nullptr;
    size_t length = 0;
    const std::uint64_t hash = Hash(name ? name : L"", length);
    const Bucket& b = buckets_[Probe(name ? name : L"", hash, length)];
    return b.count ? &b : nullptr;
}

void NodeNameIndex::Grow() {
    std::vector<Bucket> old(buckets_.empty() ? 16 : 2 * buckets_.size());
    old.swap(buckets_);
    const size_t mask = buckets_.size() - 1;
    for (const Bucket& b : old) {
        if (b.count == 0) continue;
        size_t i = b.hash >> 32 & mask;
        while (buckets_[i].count != 0) i = (i + 1) & mask;
        buckets_[i] = b;
    }
}

void NodeNameIndex::Add(Node* n, const MCHAR* name) {
    if (2 * (used_ + 1) > buckets_.size()) Grow();
    if (!name) name = L"";
    size_t length = 0;
    const std::uint64_t hash = Hash(name, length);
    Bucket& b = buckets_[Probe(name, hash, length)];
    if (b.count == 0) {
        b.hash = hash;
        b.count = 1;
        b.one = n;
        ++used_;
        return;
    }
    if (!b.many) {
        if (b.one == n) return;
        b.many = NewHandles<Handles>(b.one->GetHandle(), b.one);
        b.one = nullptr;
    }
    if (b.many->emplace(n->GetHandle(), n).second) ++b.count;
}

void NodeNameIndex::Remove(Node* n, const MCHAR* name) {
    if (used_ == 0) return;
    if (!name) name = L"";
    size_t length = 0;
    const std::uint64_t hash = Hash(name, length);
    const size_t i = Probe(name, hash, length);
    Bucket& b = buckets_[i];
    if (b.count == 0) return;
    if (!b.many) {
        if (b.one == n) EraseAt(i);
        return;
    }
    auto it = b.many->find(n->GetHandle());
    if (it == b.many->end() || it->second != n) return;
    b.many->erase(it);
    if (--b.count > 1) return;
    // Back to one node, held in place.
    b.one = b.many->begin()->second;
    DeleteHandles(b.many);
    b.many = nullptr;
}

void NodeNameIndex::EraseAt(size_t at) {
    const size_t mask = buckets_.size() - 1;
    size_t gap = at;
    for (size_t i = (at + 1) & mask; buckets_[i].count != 0; i = (i + 1) & mask) {
        const size_t home = buckets_[i].hash >> 32 & mask;
        if (((i - home) & mask) >= ((i - gap) & mask)) {
            buckets_[gap] = buckets_[i];
            gap = i;
        }
    }
    buckets_[gap] = Bucket();
    --used_;
}
