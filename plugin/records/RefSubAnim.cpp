// A record's remembered tree of sub-animatables.
#include "plugin/records/RefSubAnim.h"

#include "plugin/anims/RefAnim.h"

#include <algorithm>
#include <unordered_map>

namespace {

// Child names of the entries that have them, by entry: a handful in a scene, so entries carry a bit
// instead of a pointer. A tree takes its entries' names out when it lets go of its table.
std::unordered_map<const RefSubAnim*, std::vector<WStr>>& NamesByEntry() {
    static auto* names = new std::unordered_map<const RefSubAnim*, std::vector<WStr>>;
    return *names;
}

} // namespace

bool RefSubAnim::StandsFor(Animatable* anim) const {
    const AnimHandle handle = Handle();
    return anim && handle != 0 && Animatable::GetAnimByHandle(handle) == anim;
}

const RefSubAnim* RefSubAnim::GetChild(int i) const {
    if (i < 0 || i >= NumChildren()) return nullptr;
    const auto wanted = static_cast<std::uint32_t>(i);
    const RefSubAnim* begin = this + first_;
    const RefSubAnim* end = begin + Held();
    const RefSubAnim* it =
        std::lower_bound(begin, end, wanted, [](const RefSubAnim& e, std::uint32_t pos) { return e.position_ < pos; });
    return it != end && it->position_ == wanted ? it : nullptr;
}

const std::vector<WStr>& RefSubAnim::GetNames() const {
    static const std::vector<WStr> none;
    if (!(count_ & kNamedBit)) return none;
    auto it = NamesByEntry().find(this);
    return it != NamesByEntry().end() ? it->second : none;
}

int RefSubAnim::CountEntries() const {
    int n = 1;
    for (int i = 0; i < NumChildren(); ++i)
        if (const RefSubAnim* c = GetChild(i)) n += c->CountEntries();
    return n;
}

std::string RefSubAnim::Dump(int depth) const {
    std::string s(static_cast<size_t>(depth) * 2, ' ');
    Animatable* live = GetAnim();
    s += Handle() && !live ? std::string("<gone>") : DescribeAnimatable(live).ToUTF8();
    const std::vector<WStr>& names = GetNames();
    if (!names.empty()) {
        s += ": [";
        for (size_t i = 0; i < names.size(); ++i) s += (i ? ", " : "") + names[i].ToUTF8();
        s += "]";
    }
    s += "\n";
    for (int i = 0; i < NumChildren(); ++i) {
        const RefSubAnim* c = GetChild(i);
        s += c ? c->Dump(depth + 1) : std::string(static_cast<size_t>(depth + 1) * 2, ' ') + "<null>\n";
    }
    return s;
}

RefSubAnimTree& RefSubAnimTree::operator=(RefSubAnimTree&& other) noexcept {
    if (this != &other) {
        Clear();
        entries_ = std::move(other.entries_);
    }
    return *this;
}

void RefSubAnimTree::Clear() {
    for (const RefSubAnim& e : entries_)
        if (e.count_ & RefSubAnim::kNamedBit) NamesByEntry().erase(&e);
    entries_.clear();
    entries_.shrink_to_fit();
}

std::vector<std::vector<RefSubAnimWalk::Entry>>& RefSubAnimWalk::Spare() {
    static auto* spare = new std::vector<std::vector<Entry>>;
    return *spare;
}

RefSubAnimWalk::RefSubAnimWalk(Animatable* root) {
    // A collection of 100k records takes a tree for each: the table of the last walk serves the next one.
    // Walks nest only while a collection mirrors a new child, so few tables are ever spare.
    std::vector<std::vector<Entry>>& spare = Spare();
    if (!spare.empty()) {
        entries_ = std::move(spare.back());
        spare.pop_back();
    }
    entries_.push_back(Entry{root ? Animatable::GetHandleByAnim(root) : 0, 0, 0});
}

RefSubAnimWalk::~RefSubAnimWalk() {
    entries_.clear();
    Spare().push_back(std::move(entries_));
}

void RefSubAnimWalk::MakeChildren(Index e, int n) {
    if (n <= 0) return;
    const auto first = static_cast<Index>(entries_.size());
    // Value-initialised: the new positions are zero (empty), filled as a block.
    entries_.resize(entries_.size() + static_cast<size_t>(n));
    entries_[e].first = first;
    entries_[e].count = static_cast<Index>(n);
}

RefSubAnimWalk::Index RefSubAnimWalk::SetChild(Index e, int i, Animatable* anim) {
    const Index c = entries_[e].first + static_cast<Index>(i);
    entries_[c].handle = anim ? Animatable::GetHandleByAnim(anim) : 0;
    return c;
}

void RefSubAnimWalk::AppendName(Index e, const WStr& name) {
    // The walk names one entry's children before it goes on to the next named entry's, mostly.
    for (auto it = names_.rbegin(); it != names_.rend(); ++it)
        if (it->first == e) {
            it->second.push_back(name);
            return;
        }
    names_.emplace_back(e, std::vector<WStr>{name});
}

RefSubAnimTree RefSubAnimWalk::Finish() {
    // Breadth first: the kept children of each entry go side by side, in the order of their positions.
    // An entry without an animatable is unreachable (GetChild answers null for it), and so is all below
    // it. Scratch tables kept between walks (one walk finishes at a time), so finishing allocates only the
    // table kept.
    static std::vector<RefSubAnim> kept;
    static std::vector<Index> from; // kept entry -> its index in the walk's table
    static std::vector<Index> moved;
    kept.clear();
    from.clear();
    // Where each walk entry went is needed only to move the few names along.
    const bool named = !names_.empty();
    moved.assign(named ? entries_.size() : 0, static_cast<Index>(-1));
    auto keep = [](AnimHandle handle, std::uint32_t position) {
        RefSubAnim e;
        e.handleLow_ = static_cast<std::uint32_t>(handle);
        e.handleHigh_ = static_cast<std::uint32_t>(handle >> 32);
        e.position_ = position;
        kept.push_back(e);
    };
    keep(entries_.front().handle, 0);
    from.push_back(0);
    if (named) moved[0] = 0;
    for (size_t k = 0; k < kept.size(); ++k) {
        const Entry& old = entries_[from[k]];
        kept[k].first_ = static_cast<std::uint32_t>(kept.size() - k);
        kept[k].count_ = old.count;
        for (Index c = old.first; c < old.first + old.count; ++c) {
            if (!entries_[c].handle) continue;
            if (named) moved[c] = static_cast<Index>(kept.size());
            keep(entries_[c].handle, c - old.first);
            from.push_back(c);
        }
    }
    // The closing entry: where the last entry's children end.
    kept.emplace_back();
    RefSubAnimTree tree;
    tree.entries_.assign(kept.begin(), kept.end());
    for (auto& [entry, names] : names_) {
        const Index at = moved[entry];
        if (at == static_cast<Index>(-1)) continue;
        RefSubAnim& e = tree.entries_[at];
        e.count_ |= RefSubAnim::kNamedBit;
        NamesByEntry()[&e] = std::move(names);
    }
    names_.clear();
    return tree;
}
