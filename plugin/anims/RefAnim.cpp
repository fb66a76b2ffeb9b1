// The mirror base.
#include "plugin/anims/RefAnim.h"

#include "host/core/RemapDir.h"
#include "plugin/frame/StringTable.h"

#include <cstdio>

RefAnim::RefAnim(BOOL) {}

RefAnim::~RefAnim() {
    DeleteAllRefs();
}

void RefAnim::GetClassName(MSTR& s, bool) const {
    const MCHAR* name = GetKindName();
    s = name ? name : L"";
}

const MCHAR* RefAnim::GetKindName() const {
    return GetString(IDS_REFANIM);
}

BOOL RefAnim::IsRealDependency(ReferenceTarget*) {
    return IsModified() || (state_ & (REFANIM_REPLACED | REFANIM_LOCDEP)) != 0;
}

RefTargetHandle RefAnim::Clone(RemapDir& remap) {
    auto* copy = new RefAnim(FALSE);
    BaseClone(this, copy, remap);
    return copy;
}

void RefAnim::BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) {
    auto* src = dynamic_cast<RefAnim*>(from);
    auto* dst = dynamic_cast<RefAnim*>(to);
    if (src && dst) {
        dst->path_ = src->path_;
        dst->pathByNumber_ = src->pathByNumber_;
        dst->state_ = src->state_;
        if (src->anim_ && src->IsRealDependency(src->anim_))
            dst->ReplaceReference(0, remap.CloneRef(src->anim_));
    }
    ReferenceTarget::BaseClone(from, to, remap);
}

std::string RefAnim::Describe() const {
    const MCHAR* name = GetKindName();
    char buf[64];
    std::snprintf(buf, sizeof buf, " kind 0x%x path [", static_cast<unsigned>(GetKindID()));
    std::string s = (name ? WStr(name).ToUTF8() : std::string("?")) + buf;
    for (size_t i = 0; i < path_.size(); ++i) {
        if (i) s += ", ";
        s += path_[i].ToUTF8() + ":" + (i < pathByNumber_.size() ? std::to_string(pathByNumber_[i]) : "?");
    }
    s += "] state " + OverriddenStateText(state_) + "flag " + std::to_string(kindFlag_) + " last " +
         std::to_string(lastOperation_);
    return s;
}

std::string OverriddenStateText(BYTE state) {
    static const char* const kWords[] = {"Replaced, ", "Modified, ", "LocDep, ", "Added, ",
                                         "Removed, ",  "Renamed, ",  "Toggled, "};
    std::string s;
    for (int bit = 0; bit < 7; ++bit)
        if (state & (1u << bit)) s += kWords[bit];
    return s;
}
