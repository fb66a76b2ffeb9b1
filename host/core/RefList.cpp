// Dependents list: holes instead of erasure, a position index for long lists, squeezing when half empty.
#include "host/core/RefList.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {
// Lists up to this length are scanned; longer ones keep a maker -> positions index until a squeeze leaves a
// quarter of it.
constexpr size_t kIndexThreshold = 32;
// Holes are squeezed out once there are at least this many and they fill half the list.
constexpr size_t kMinHolesToCompact = 16;
} // namespace

void RefList::Entries::MoveTo(size_t capacity) {
    if (capacity <= 1) {
        // Back in place: at most one entry is left.
        const Entry first = size_ ? Data()[0] : Entry{nullptr, 0};
        if (OnHeap()) delete[] heap_;
        one_ = first;
        capacity_ = 1;
        return;
    }
    auto* moved = new Entry[capacity];
    std::copy(Data(), Data() + size_, moved);
    if (OnHeap()) delete[] heap_;
    heap_ = moved;
    capacity_ = static_cast<std::uint32_t>(capacity);
}

void RefList::Add(ReferenceMaker* m, int slot) {
    entries_.push_back(Entry{m, slot});
    if (index_) index_->emplace(m, entries_.size() - 1);
    else if (entries_.size() > kIndexThreshold) BuildIndex();
}

RefList::Token RefList::Remove(ReferenceMaker* m, int slot) {
    Token t;
    if (!m) return t;
    size_t found = static_cast<size_t>(-1);
    if (index_) {
        auto range = index_->equal_range(m);
        auto chosen = index_->end();
        for (auto it = range.first; it != range.second; ++it) {
            if (entries_[it->second].slot == slot) {
                chosen = it;
                break;
            }
            if (chosen == index_->end() || it->second > chosen->second) chosen = it;
        }
        if (chosen == index_->end()) return t;
        found = chosen->second;
        index_->erase(chosen);
    } else {
        for (size_t i = entries_.size(); i-- > 0;) {
            if (entries_[i].maker != m) continue;
            if (entries_[i].slot == slot) {
                found = i;
                break;
            }
            if (found == static_cast<size_t>(-1)) found = i;
        }
        if (found == static_cast<size_t>(-1)) return t;
    }
    entries_[found].maker = nullptr;
    ++holes_;
    t.pos = found;
    t.epoch = epoch_;
    MaybeCompact();
    return t;
}

void RefList::Revive(const Token& where, ReferenceMaker* m, int slot) {
    if (where.Valid() && where.epoch == epoch_ && where.pos < entries_.size() && !entries_[where.pos].maker) {
        entries_[where.pos] = Entry{m, slot};
        --holes_;
        if (where.pos < head_) head_ = static_cast<std::uint32_t>(where.pos);
        if (index_) index_->emplace(m, where.pos);
        return;
    }
    Add(m, slot);
}

size_t RefList::FirstLive() {
    while (head_ < entries_.size() && !entries_[head_].maker) ++head_;
    return head_;
}

int RefList::CountOf(ReferenceMaker* m) const {
    if (!m) return 0;
    if (index_) return static_cast<int>(index_->count(m));
    int n = 0;
    for (const Entry& e : entries_)
        if (e.maker == m) ++n;
    return n;
}

void RefList::EndWalk() {
    if (walkers_ > 0) --walkers_;
    MaybeCompact();
}

void RefList::KeepPositions(bool keep) {
    keepPositions_ = keep ? 1 : 0;
    MaybeCompact();
}

void RefList::MaybeCompact() {
    if (walkers_ > 0 || keepPositions_) return;
    if (holes_ < kMinHolesToCompact || static_cast<size_t>(holes_) * 2 < entries_.size()) return;
    // Where each old position lands: the index is moved along instead of rebuilt, since rebuilding made
    // one allocation per live entry at every squeeze, and a layer or material losing 100k dependents
    // squeezes many times. The table is kept between squeezes (nothing in here calls out).
    static thread_local std::vector<std::uint32_t> moved;
    if (index_) moved.resize(entries_.size());
    size_t out = 0;
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (!entries_[i].maker) continue;
        if (index_) moved[i] = static_cast<std::uint32_t>(out);
        entries_[out++] = entries_[i];
    }
    entries_.resize(out);
    holes_ = 0;
    head_ = 0;
    ++epoch_;
    if (index_ && out > kIndexThreshold / 4) {
        for (auto& [maker, pos] : *index_)
            pos = moved[pos];
        // Buckets follow the entries down, as a fresh index would have.
        if (index_->bucket_count() > 4 * index_->size() + kIndexThreshold) index_->rehash(0);
    } else if (index_) {
        // Dropped well below the length that builds an index, so a list hovering around it does not
        // build and drop one over and over.
        index_.reset();
    } else if (out > kIndexThreshold) {
        BuildIndex();
    }
    entries_.Trim();
}

void RefList::BuildIndex() {
    index_ = std::make_unique<std::unordered_multimap<ReferenceMaker*, size_t>>();
    index_->reserve(entries_.size());
    for (size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i].maker) index_->emplace(entries_[i].maker, i);
}
