// One entry of a record's remembered tree of sub-animatables.
#include "plugin/records/RefSubAnim.h"

#include "plugin/anims/RefAnim.h"

RefSubAnim::RefSubAnim(Animatable* anim)
    : anim_(anim), handle_(anim ? Animatable::GetHandleByAnim(anim) : 0) {}

bool RefSubAnim::StandsFor(Animatable* anim) const {
    return anim && anim == anim_ && Animatable::GetAnimByHandle(handle_) == anim;
}

RefSubAnim* RefSubAnim::GetChild(int i) const {
    return i >= 0 && i < NumChildren() ? children_[static_cast<size_t>(i)].get() : nullptr;
}

RefSubAnim* RefSubAnim::AppendChild(Animatable* anim) {
    children_.push_back(std::make_unique<RefSubAnim>(anim));
    return children_.back().get();
}

int RefSubAnim::CountEntries() const {
    int n = 1;
    for (const auto& c : children_)
        if (c) n += c->CountEntries();
    return n;
}

std::string RefSubAnim::Dump(int depth) const {
    std::string s(static_cast<size_t>(depth) * 2, ' ');
    Animatable* live = anim_ ? Animatable::GetAnimByHandle(handle_) : nullptr;
    s += anim_ && !live ? std::string("<gone>") : DescribeAnimatable(live).ToUTF8();
    if (!names_.empty()) {
        s += ": [";
        for (size_t i = 0; i < names_.size(); ++i) s += (i ? ", " : "") + names_[i].ToUTF8();
        s += "]";
    }
    s += "\n";
    for (const auto& c : children_) s += c ? c->Dump(depth + 1) : std::string(static_cast<size_t>(depth + 1) * 2, ' ') + "<null>\n";
    return s;
}
