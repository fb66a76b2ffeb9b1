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

// The values of the wide entries, by entry: only trees with an item of more than 16k children or a
// handle past 2^48 have any.
std::unordered_map<const RefSubAnim*, RefSubAnim::Values>& WideByEntry() {
    static auto* wide = new std::unordered_map<const RefSubAnim*, RefSubAnim::Values>;
    return *wide;
}

} // namespace

static_assert(sizeof(RefSubAnim) == 12, "a remembered tree keeps one entry per kept animatable of each record");

const RefSubAnim::Values& RefSubAnim::WideValues() const { return WideByEntry().at(this); }

void RefSubAnim::Pack(const Values& v) {
    if (v.handle >> 48 == 0 && v.first <= 0xffffu && v.position <= 0xffffu && v.count <= kCountMask) {
        handleLow_ = static_cast<std::uint32_t>(v.handle);
        handleHigh_ = static_cast<std::uint16_t>(v.handle >> 32);
        first_ = static_cast<std::uint16_t>(v.first);
        count_ = static_cast<std::uint16_t>(v.count);
        position_ = static_cast<std::uint16_t>(v.position);
        return;
    }
    *this = RefSubAnim();
    count_ = kWideBit;
    WideByEntry()[this] = v;
}

bool RefSubAnim::StandsFor(Animatable* anim) const {
    const AnimHandle handle = Handle();
    return anim && handle != 0 && Animatable::GetAnimByHandle(handle) == anim;
}

const RefSubAnim* RefSubAnim::GetChild(int i) const {
    if (i < 0 || i >= NumChildren()) return nullptr;
    const auto wanted = static_cast<std::uint32_t>(i);
    const RefSubAnim* begin = this + First();
    const RefSubAnim* end = begin + Held();
    const RefSubAnim* it =
        std::lower_bound(begin, end, wanted, [](const RefSubAnim& e, std::uint32_t pos) { return e.Position() < pos; });
    return it != end && it->Position() == wanted ? it : nullptr;
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
    // Most scenes file no entry in either side table: a tree let go of as its item is deleted is freed
    // without reading its entries.
    if (!NamesByEntry().empty() || !WideByEntry().empty()) {
        for (const RefSubAnim& e : entries_) {
            if (e.count_ & RefSubAnim::kNamedBit) NamesByEntry().erase(&e);
            if (e.IsWide()) WideByEntry().erase(&e);
        }
    }
    entries_.Clear();
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
    entries_.push_back(Entry{root ? Animatable::GetHandleByAnim(root) : 0, 0, 0, kNone, kNone, kNone});
}

RefSubAnimWalk::~RefSubAnimWalk() {
    entries_.clear();
    Spare().push_back(std::move(entries_));
}

void RefSubAnimWalk::MakeChildren(Index e, int n) {
    if (n > 0) entries_[e].count = static_cast<Index>(n);
}

RefSubAnimWalk::Index RefSubAnimWalk::SetChild(Index e, int i, Animatable* anim) {
    const auto c = static_cast<Index>(entries_.size());
    entries_.push_back(Entry{anim ? Animatable::GetHandleByAnim(anim) : 0, 0, static_cast<Index>(i), kNone, kNone, kNone});
    Entry& parent = entries_[e];
    if (parent.lastChild == kNone)
        parent.firstChild = c;
    else
        entries_[parent.lastChild].nextSibling = c;
    parent.lastChild = c;
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
    static std::vector<RefSubAnim::Values> kept;
    static std::vector<Index> from; // kept entry -> its index in the walk's table
    static std::vector<Index> moved;
    kept.clear();
    from.clear();
    // Where each walk entry went is needed only to move the few names along.
    const bool named = !names_.empty();
    moved.assign(named ? entries_.size() : 0, static_cast<Index>(-1));
    kept.push_back(RefSubAnim::Values{entries_.front().handle, 0, 0, 0});
    from.push_back(0);
    if (named) moved[0] = 0;
    for (size_t k = 0; k < kept.size(); ++k) {
        const Entry& old = entries_[from[k]];
        kept[k].first = static_cast<std::uint32_t>(kept.size() - k);
        kept[k].count = old.count;
        for (Index c = old.firstChild; c != kNone; c = entries_[c].nextSibling) {
            if (!entries_[c].handle) continue;
            if (named) moved[c] = static_cast<Index>(kept.size());
            kept.push_back(RefSubAnim::Values{entries_[c].handle, 0, 0, entries_[c].position});
            from.push_back(c);
        }
    }
    // The closing entry: where the last entry's children end.
    RefSubAnimTree tree;
    tree.entries_.Reset(kept.size() + 1);
    for (size_t k = 0; k < kept.size(); ++k) tree.entries_[k].Pack(kept[k]);
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
