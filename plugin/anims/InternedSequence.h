// A sequence of values stored once for every holder of an equal one: the shared form of mirror paths.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <unordered_set>
#include <utility>
#include <vector>

// A scene of 100k nodes has over a million mirrors, and their paths are a handful of distinct sequences
// ("Transform, Position", "0, 3, 1" and the like). Each distinct sequence is kept once, counted, and freed
// with its last holder; a holder is one pointer wide, copying one copies the pointer, and comparing two
// compares pointers. The sequence never changes once stored: a change makes (or finds) another one.
// Hash gives a value's hash.
template <class T, class Hash = std::hash<T>>
class InternedSequence {
public:
    InternedSequence() : entry_(Empty()) { ++entry_->holders; }
    explicit InternedSequence(std::vector<T> values) : entry_(Acquire(std::move(values))) {}
    InternedSequence(const InternedSequence& other) : entry_(other.entry_) { ++entry_->holders; }
    InternedSequence& operator=(const InternedSequence& other) {
        if (entry_ != other.entry_) {
            ++other.entry_->holders;
            Release(entry_);
            entry_ = other.entry_;
        }
        return *this;
    }
    InternedSequence& operator=(std::vector<T> values) {
        Entry* next = Acquire(std::move(values));
        Release(entry_);
        entry_ = next;
        return *this;
    }
    // The same from values the caller keeps: they are copied only when no holder has an equal sequence.
    void Assign(const std::vector<T>& values) {
        Entry* next = AcquireCopy(values);
        Release(entry_);
        entry_ = next;
    }
    ~InternedSequence() { Release(entry_); }

    const std::vector<T>& Values() const { return entry_->values; }
    operator const std::vector<T>&() const { return entry_->values; }
    size_t size() const { return entry_->values.size(); }
    bool empty() const { return entry_->values.empty(); }
    const T& operator[](size_t i) const { return entry_->values[i]; }
    const T& back() const { return entry_->values.back(); }
    auto begin() const { return entry_->values.begin(); }
    auto end() const { return entry_->values.end(); }
    bool operator==(const InternedSequence& other) const { return entry_ == other.entry_; }
    // The stored sequence's identity: equal for holders of equal sequences, and only for them.
    const void* Id() const { return entry_; }
    bool operator==(const std::vector<T>& values) const { return entry_->values == values; }

private:
    struct Entry {
        std::vector<T> values;
        size_t hash;
        std::uint32_t holders;
    };
    // Lookups go by the caller's values and their hash, so finding a stored sequence copies nothing.
    struct Key {
        const std::vector<T>* values;
        size_t hash;
    };
    struct EntryHash {
        using is_transparent = void;
        size_t operator()(const Entry* e) const noexcept { return e->hash; }
        size_t operator()(const Key& k) const noexcept { return k.hash; }
    };
    struct EntryEqual {
        using is_transparent = void;
        bool operator()(const Entry* a, const Entry* b) const noexcept { return a->values == b->values; }
        bool operator()(const Key& k, const Entry* e) const noexcept { return *k.values == e->values; }
        bool operator()(const Entry* e, const Key& k) const noexcept { return e->values == *k.values; }
    };
    using Table = std::unordered_set<Entry*, EntryHash, EntryEqual>;

    // Never destroyed: holders freed during static destruction still release safely.
    static Table& Stored() {
        static auto* table = new Table;
        return *table;
    }
    // The empty sequence is held by the table itself, so it never goes: every mirror starts with empty
    // paths and takes its own a moment later, and an empty entry freed and made again each time costs
    // two allocations per path.
    static Entry* Empty() {
        static Entry* const empty = [] {
            Entry* e = new Entry{std::vector<T>(), HashOf(std::vector<T>()), 1};
            Stored().insert(e);
            return e;
        }();
        return empty;
    }
    static size_t HashOf(const std::vector<T>& values) {
        size_t h = values.size();
        for (const T& v : values) h = h * 1000003u ^ Hash()(v);
        return h;
    }
    // The stored sequence equal to values, or a new one made of what take() gives.
    template <class Take> static Entry* Intern(const std::vector<T>& values, Take take) {
        Entry* e = values.empty() ? Empty() : nullptr;
        if (!e) {
            const size_t hash = HashOf(values);
            Table& table = Stored();
            auto it = table.find(Key{&values, hash});
            if (it != table.end()) {
                e = *it;
            } else {
                e = new Entry{take(), hash, 0};
                table.insert(e);
            }
        }
        ++e->holders;
        return e;
    }
    static Entry* Acquire(std::vector<T> values) {
        return Intern(values, [&values] {
            values.shrink_to_fit();
            return std::move(values);
        });
    }
    static Entry* AcquireCopy(const std::vector<T>& values) {
        return Intern(values, [&values] { return values; });
    }
    static void Release(Entry* e) {
        if (--e->holders > 0) return;
        Stored().erase(e);
        delete e;
    }

    Entry* entry_;
};
