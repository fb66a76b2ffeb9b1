// The table of shared names: each distinct text once, with the number of its holders.
#include "plugin/frame/SharedName.h"

#include <cstdint>
#include <functional>
#include <unordered_set>

struct SharedName::Entry {
    WStr text;
    size_t hash;
    std::uint32_t holders;
};

namespace {

struct Key {
    const WStr* text;
    size_t hash;
};

template <class E> struct EntryHash {
    using is_transparent = void;
    size_t operator()(const E* e) const noexcept { return e->hash; }
    size_t operator()(const Key& k) const noexcept { return k.hash; }
};

template <class E> struct EntryEqual {
    using is_transparent = void;
    bool operator()(const E* a, const E* b) const noexcept { return a == b; }
    bool operator()(const Key& k, const E* e) const noexcept { return *k.text == e->text; }
    bool operator()(const E* e, const Key& k) const noexcept { return e->text == *k.text; }
};

using Table = std::unordered_set<SharedName::Entry*, EntryHash<SharedName::Entry>, EntryEqual<SharedName::Entry>>;

Table& Stored() {
    // Never destroyed: holders freed during static destruction still release safely.
    static auto* table = new Table;
    return *table;
}

// The empty name is held by the table itself, so a mirror made before its name is known costs nothing.
SharedName::Entry* EmptyEntry() {
    static SharedName::Entry* const empty = [] {
        auto* e = new SharedName::Entry{WStr(), std::hash<WStr>()(WStr()), 1};
        Stored().insert(e);
        return e;
    }();
    return empty;
}

// The entry asked for last: the nodes that use one material tend to come one after the other, and a
// comparison with it spares them the hash and the table's probe.
SharedName::Entry* gLast = nullptr;

} // namespace

SharedName::Entry* SharedName::Acquire(const WStr& text) {
    if (text.Length() == 0) {
        Entry* e = EmptyEntry();
        ++e->holders;
        return e;
    }
    if (gLast && gLast->text == text) {
        ++gLast->holders;
        return gLast;
    }
    const size_t hash = std::hash<WStr>()(text);
    Table& table = Stored();
    auto it = table.find(Key{&text, hash});
    Entry* e = it != table.end() ? *it : nullptr;
    if (!e) {
        e = new Entry{text, hash, 0};
        table.insert(e);
    }
    ++e->holders;
    gLast = e;
    return e;
}

void SharedName::Release(Entry* e) {
    if (--e->holders > 0) return;
    if (gLast == e) gLast = nullptr;
    Stored().erase(e);
    delete e;
}

SharedName::SharedName() : entry_(Acquire(WStr())) {}
SharedName::SharedName(const WStr& text) : entry_(Acquire(text)) {}
SharedName::SharedName(const SharedName& other) : entry_(other.entry_) { ++entry_->holders; }

SharedName& SharedName::operator=(const SharedName& other) {
    if (entry_ != other.entry_) {
        ++other.entry_->holders;
        Release(entry_);
        entry_ = other.entry_;
    }
    return *this;
}

SharedName& SharedName::operator=(const WStr& text) {
    if (text == entry_->text) return *this;
    Entry* next = Acquire(text);
    Release(entry_);
    entry_ = next;
    return *this;
}

SharedName::~SharedName() { Release(entry_); }

const WStr& SharedName::Str() const { return entry_->text; }

size_t SharedName::NumStored() { return Stored().size(); }
