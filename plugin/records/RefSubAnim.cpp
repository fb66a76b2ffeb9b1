// A record's remembered tree of sub-animatables.
#include "plugin/records/RefSubAnim.h"

#include "plugin/anims/RefAnim.h"

#include <algorithm>

namespace {

// Trees of one scene tend to have one size: the last one made is the guess for the next table.
size_t gSizeHint = 16;

} // namespace

bool RefSubAnim::StandsFor(Animatable* anim) const {
    return anim && handle_ != 0 && Animatable::GetAnimByHandle(handle_) == anim;
}

const RefSubAnim* RefSubAnim::GetChild(int i) const {
    if (i < 0 || i >= NumChildren()) return nullptr;
    const auto wanted = static_cast<std::uint32_t>(i);
    if (!tree_->finished_) {
        const RefSubAnim& child = tree_->At(first_ + wanted);
        return child.handle_ ? &child : nullptr;
    }
    const RefSubAnim* begin = &tree_->At(first_);
    const RefSubAnim* end = begin + held_;
    const RefSubAnim* it =
        std::lower_bound(begin, end, wanted, [](const RefSubAnim& e, std::uint32_t pos) { return e.position_ < pos; });
    return it != end && it->position_ == wanted ? it : nullptr;
}

const std::vector<WStr>& RefSubAnim::GetNames() const {
    static const std::vector<WStr> none;
    const auto self = static_cast<RefSubAnimTree::Index>(this - &tree_->Root());
    for (const auto& [entry, names] : tree_->names_)
        if (entry == self) return names;
    return none;
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
    s += handle_ && !live ? std::string("<gone>") : DescribeAnimatable(live).ToUTF8();
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

RefSubAnimTree::RefSubAnimTree(Animatable* root) {
    entries_.reserve(gSizeHint);
    entries_.emplace_back();
    RefSubAnim& e = entries_.back();
    e.tree_ = this;
    e.handle_ = root ? Animatable::GetHandleByAnim(root) : 0;
}

void RefSubAnimTree::MakeChildren(Index e, int n) {
    if (n <= 0) return;
    const auto first = static_cast<Index>(entries_.size());
    entries_.resize(entries_.size() + static_cast<size_t>(n));
    for (size_t k = first; k < entries_.size(); ++k) entries_[k].tree_ = this;
    for (size_t k = first; k < entries_.size(); ++k) entries_[k].position_ = static_cast<std::uint32_t>(k - first);
    entries_[e].first_ = first;
    entries_[e].count_ = static_cast<std::uint32_t>(n);
    entries_[e].held_ = static_cast<std::uint32_t>(n);
}

RefSubAnimTree::Index RefSubAnimTree::SetChild(Index e, int i, Animatable* anim) {
    const Index c = entries_[e].first_ + static_cast<Index>(i);
    entries_[c].handle_ = anim ? Animatable::GetHandleByAnim(anim) : 0;
    return c;
}

void RefSubAnimTree::AppendName(Index e, const WStr& name) {
    // The walk names one entry's children before it goes on to the next named entry's, mostly.
    for (auto it = names_.rbegin(); it != names_.rend(); ++it)
        if (it->first == e) {
            it->second.push_back(name);
            return;
        }
    names_.emplace_back(e, std::vector<WStr>{name});
}

void RefSubAnimTree::Finish() {
    gSizeHint = entries_.size();
    // Breadth first: the kept children of each entry go side by side, in the order of their positions.
    // An entry without an animatable is unreachable (GetChild answers null for it), and so is all below it.
    // Scratch tables kept between trees (one tree is finished at a time), so finishing allocates only the
    // table kept.
    static std::vector<RefSubAnim> kept;
    static std::vector<Index> from; // kept entry -> its index in the walk's table
    static std::vector<Index> moved;
    kept.clear();
    from.clear();
    moved.assign(entries_.size(), static_cast<Index>(-1));
    kept.push_back(entries_.front());
    from.push_back(0);
    moved[0] = 0;
    for (size_t k = 0; k < kept.size(); ++k) {
        const RefSubAnim old = entries_[from[k]];
        const auto first = static_cast<Index>(kept.size());
        for (Index c = old.first_; c < old.first_ + old.count_; ++c) {
            if (!entries_[c].handle_) continue;
            moved[c] = static_cast<Index>(kept.size());
            kept.push_back(entries_[c]);
            from.push_back(c);
        }
        kept[k].first_ = first;
        kept[k].held_ = static_cast<std::uint32_t>(kept.size() - first);
    }
    for (auto& named : names_) named.first = moved[named.first];
    std::erase_if(names_, [](const auto& named) { return named.first == static_cast<Index>(-1); });
    names_.shrink_to_fit();
    entries_ = std::vector<RefSubAnim>(kept.begin(), kept.end());
    finished_ = true;
}
