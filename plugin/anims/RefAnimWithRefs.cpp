// The referencing animatable's mirror: the items it references, weak until the user changes it.
#include "plugin/anims/RefAnimWithRefs.h"

#include "host/core/ChunkFields.h"
#include "host/core/Hold.h"
#include "host/core/RemapDir.h"
#include "plugin/frame/OperationCode.h"

#include <algorithm>
#include <unordered_set>

RefAnimWithRefs::~RefAnimWithRefs() {
    // The base destructor counts one reference only: the items go here.
    DropRefsUnlessDeleted();
}

RefTargetHandle RefAnimWithRefs::GetReference(int i) {
    return i >= 1 && i <= NumExtraRefs() ? extras_[static_cast<size_t>(i - 1)] : RefAnim::GetReference(i);
}

void RefAnimWithRefs::SetReference(int i, RefTargetHandle rtarg) {
    if (i >= 1 && i <= NumExtraRefs())
        extras_[static_cast<size_t>(i - 1)] = rtarg;
    else
        RefAnim::SetReference(i, rtarg);
}

void RefAnimWithRefs::SetNumExtraRefs(int count) {
    for (int k = NumExtraRefs() - 1; k >= 0; --k)
        if (extras_[static_cast<size_t>(k)]) DeleteReference(1 + k);
    extras_.assign(static_cast<size_t>(std::max(count, 0)), nullptr);
}

bool RefAnimWithRefs::IsExtra(ReferenceTarget* t) const {
    return t && std::find(extras_.begin(), extras_.end(), t) != extras_.end();
}

std::vector<int> RefAnimWithRefs::ItemRefIndices(ReferenceTarget* anim) {
    std::vector<int> indices;
    if (!anim) return indices;
    // Every such mirror a load makes asks this of its animatable, which mostly has a few sub-animatables:
    // those are compared on the stack; only a wide animatable takes a set.
    constexpr int kFew = 8;
    Animatable* few[kFew];
    int nFew = 0;
    std::unordered_set<Animatable*> subs;
    const int numSubs = anim->NumSubs();
    for (int s = 0; s < numSubs; ++s)
        if (Animatable* sub = anim->SubAnim(s)) {
            if (numSubs <= kFew) few[nFew++] = sub;
            else subs.insert(sub);
        }
    const auto isSub = [&](Animatable* t) {
        return numSubs <= kFew ? std::find(few, few + nFew, t) != few + nFew : subs.count(t) != 0;
    };
    for (int j = 0; j < anim->NumRefs(); ++j) {
        ReferenceTarget* t = anim->GetReference(j);
        if (t && !isSub(t)) indices.push_back(j);
    }
    return indices;
}

std::vector<ReferenceTarget*> RefAnimWithRefs::ItemsOf(ReferenceTarget* anim) {
    std::vector<ReferenceTarget*> items;
    for (int j : ItemRefIndices(anim)) items.push_back(anim->GetReference(j));
    return items;
}

void RefAnimWithRefs::TakeItems(const std::vector<ReferenceTarget*>& items) {
    if (items == extras_) return;
    // Slot by slot, so an item that stays is never let go in between (it could be deleted).
    const size_t keep = items.size();
    if (keep > extras_.size()) extras_.resize(keep, nullptr);
    for (size_t k = 0; k < keep; ++k)
        if (extras_[k] != items[k]) ReplaceReference(1 + static_cast<int>(k), items[k]);
    for (size_t k = extras_.size(); k-- > keep;)
        if (extras_[k]) DeleteReference(1 + static_cast<int>(k));
    extras_.resize(keep);
}

BOOL RefAnimWithRefs::IsRealDependency(ReferenceTarget* rtarg) {
    if (rtarg && rtarg != GetAnim() && IsExtra(rtarg)) return !IsUntouched();
    return RefAnim::IsRealDependency(rtarg);
}

RefResult RefAnimWithRefs::NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                                            RefMessage message, BOOL propagate) {
    ReferenceTarget* anim = GetAnim();
    if (!anim || hTarget != anim) return REF_STOP;
    if (GetCurrentOperation() == OperationCode::None && !IsOverridden(REFANIM_REPLACED)) {
        const std::vector<ReferenceTarget*> items = ItemsOf(anim);
        if (items != extras_) {
            TakeItems(items);
            if (!theHold.RestoreOrRedoing() && !IsOverridden(REFANIM_MODIFIED))
                SetOverriddenFlag(REFANIM_MODIFIED, true, true);
        }
    }
    return RefAnim::NotifyRefChanged(changeInt, hTarget, partID, message, propagate);
}

RefResult RefAnimWithRefs::SetAnim(ReferenceTarget* anim) {
    const RefResult res = RefAnim::SetAnim(anim);
    TakeItems(ItemsOf(anim));
    return res;
}

void RefAnimWithRefs::CollectItems() {
    if (IsUntouched())
        SetNumExtraRefs(0);
    else if (GetAnim())
        TakeItems(ItemsOf(GetAnim()));
}

void RefAnimWithRefs::OverrideWithItems(Animatable* root) {
    RefAnim::Override(root);
    if (GetAnim()) TakeItems(ItemsOf(GetAnim()));
}

void RefAnimWithRefs::BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) {
    auto* src = dynamic_cast<RefAnimWithRefs*>(from);
    auto* dst = dynamic_cast<RefAnimWithRefs*>(to);
    if (src && dst) {
        // Items stay the scene's: a copy references the same ones (or their copies where those were cloned).
        dst->SetNumExtraRefs(src->NumExtraRefs());
        for (int k = 0; k < src->NumExtraRefs(); ++k)
            if (ReferenceTarget* t = src->extras_[static_cast<size_t>(k)]) {
                ReferenceTarget* mapped = remap.FindMapping(t);
                dst->ReplaceReference(1 + k, mapped ? mapped : t);
            }
    }
    RefAnim::BaseClone(from, to, remap);
}

IOResult RefAnimWithRefs::Save(ISave* isave) {
    IOResult res = SaveWrappedBase(isave);
    if (res == IO_OK) res = WriteValueChunk(isave, kExtraRefCountChunk, static_cast<std::int32_t>(NumExtraRefs()));
    return res;
}

IOResult RefAnimWithRefs::Load(ILoad* iload) {
    return ForEachChunk(iload, [&](USHORT id) -> IOResult {
        switch (id) {
        case kWrappedBaseChunk: return LoadWrappedBase(iload);
        case kExtraRefCountChunk: {
            std::int32_t count = 0;
            IOResult res = ReadCount(iload, count, kMaxExtraRefs);
            if (res == IO_OK) SetNumExtraRefs(count);
            return res;
        }
        default: return LoadKindChunk(iload);
        }
    });
}

MSTR RefAnimWithRefs::Describe() {
    MSTR s = RefAnim::Describe();
    if (extras_.empty()) return s;
    s += L"\nRefs: ";
    for (ReferenceTarget* t : extras_) s += DescribeAnimatable(t) + L", ";
    return s;
}
