// The Bevel Profile mirror: the user's profiles, held through an unload and given back after every merge.
#include "plugin/anims/RefAnimBevelProfile.h"

#include "host/core/ChunkFields.h"
#include "host/core/Hold.h"
#include "plugin/anims/RefAnimRestore.h"
#include "plugin/frame/OperationCode.h"

#include <algorithm>

namespace {

AnimHandle HandleOf(Animatable* a) {
    return a ? Animatable::GetHandleByAnim(a) : 0;
}

ReferenceTarget* MakerOf(Animatable* a) {
    return a && a->IsRefTarget() ? static_cast<ReferenceTarget*>(a) : nullptr;
}

} // namespace

RefAnimBevelProfile::~RefAnimBevelProfile() {
    // The base destructor counts one reference only: the held profiles go here.
    DropRefsUnlessDeleted();
}

int RefAnimBevelProfile::SlotRef(Animatable* mod, int k) {
    return (mod && mod->NumParamBlocks() > 0 ? 1 : 0) + k;
}

int RefAnimBevelProfile::NumSlots(Animatable* mod) {
    ReferenceTarget* m = MakerOf(mod);
    return m ? std::clamp(m->NumRefs() - SlotRef(mod, 0), 0, kSlots) : 0;
}

ReferenceTarget* RefAnimBevelProfile::SlotTarget(int k) const {
    ReferenceTarget* mod = MakerOf(GetAnim());
    return mod && k < NumSlots(mod) ? mod->GetReference(SlotRef(mod, k)) : nullptr;
}

RefTargetHandle RefAnimBevelProfile::GetReference(int i) {
    return i >= 1 && i <= kSlots ? held_[static_cast<size_t>(i - 1)] : RefAnim::GetReference(i);
}

void RefAnimBevelProfile::SetReference(int i, RefTargetHandle rtarg) {
    if (i >= 1 && i <= kSlots) {
        held_[static_cast<size_t>(i - 1)] = rtarg;
        return;
    }
    RefAnim::SetReference(i, rtarg);
    if (i != 0) return;
    // Every modifier the mirror comes to stand for gives the slots the user did not change.
    slotCount_ = NumSlots(rtarg);
    for (int k = 0; k < kSlots; ++k)
        if (!(changed_ & (1u << k))) seen_[static_cast<size_t>(k)] = HandleOf(SlotTarget(k));
}

BOOL RefAnimBevelProfile::IsRealDependency(ReferenceTarget* rtarg) {
    if (rtarg && rtarg != GetAnim() && std::find(held_.begin(), held_.end(), rtarg) != held_.end()) return TRUE;
    return RefAnim::IsRealDependency(rtarg);
}

std::uint8_t RefAnimBevelProfile::Differing() const {
    std::uint8_t out = 0;
    for (int k = 0; k < slotCount_; ++k)
        if (HandleOf(SlotTarget(k)) != seen_[static_cast<size_t>(k)]) out |= static_cast<std::uint8_t>(1u << k);
    return out;
}

void RefAnimBevelProfile::Change(std::uint8_t diff) {
    if (!diff) return;
    for (int k = 0; k < slotCount_; ++k) {
        if (!(diff & (1u << k))) continue;
        ReferenceTarget* now = SlotTarget(k);
        seen_[static_cast<size_t>(k)] = HandleOf(now);
        if (held_[static_cast<size_t>(k)] != now) ReplaceReference(1 + k, now);
    }
    SetFlagBits(changed_, diff, true, true, this);
    if (!IsOverridden(REFANIM_MODIFIED)) SetOverriddenFlag(REFANIM_MODIFIED, true, true);
}

RefResult RefAnimBevelProfile::NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID&, RefMessage message,
                                                BOOL) {
    if (!IsUserChangeOfAnim(hTarget, message)) return REF_STOP;
    if (theHold.RestoreOrRedoing()) {
        for (int k = 0; k < kSlots; ++k) seen_[static_cast<size_t>(k)] = HandleOf(SlotTarget(k));
        return REF_STOP;
    }
    Change(Differing());
    return REF_STOP;
}

void RefAnimBevelProfile::CollectLocDep(DWORD stamp) {
    if (!IsOverridden(REFANIM_REPLACED)) Change(Differing());
    RefAnim::CollectLocDep(stamp);
}

void RefAnimBevelProfile::Override(Animatable* root) {
    PathResolution r;
    if (!FollowToFresh(root, r)) return;
    ReferenceTarget* fresh = MakerOf(r.anim);
    if (!fresh || !IsOverridden(REFANIM_MODIFIED)) return;
    for (int k = 0; k < slotCount_; ++k) {
        if (!(changed_ & (1u << k))) continue;
        ReferenceTarget* mine = held_[static_cast<size_t>(k)];
        if (fresh->GetReference(SlotRef(fresh, k)) != mine) fresh->ReplaceReference(SlotRef(fresh, k), mine);
        seen_[static_cast<size_t>(k)] = HandleOf(mine);
    }
}

void RefAnimBevelProfile::BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) {
    auto* src = dynamic_cast<RefAnimBevelProfile*>(from);
    auto* dst = dynamic_cast<RefAnimBevelProfile*>(to);
    if (src && dst) {
        // A copy names the same profiles: they are the user's, not the copy's own.
        for (int k = 0; k < kSlots; ++k)
            if (src->held_[static_cast<size_t>(k)]) dst->ReplaceReference(1 + k, src->held_[static_cast<size_t>(k)]);
        dst->seen_ = src->seen_;
        dst->slotCount_ = src->slotCount_;
        dst->changed_ = src->changed_;
    }
    RefAnim::BaseClone(from, to, remap);
}

IOResult RefAnimBevelProfile::Save(ISave* isave) {
    IOResult res = SaveWrappedBase(isave);
    if (res == IO_OK) res = WriteValueChunk(isave, kChangedChunk, changed_);
    if (res == IO_OK) res = WriteValueChunk(isave, kSlotCountChunk, slotCount_);
    return res;
}

IOResult RefAnimBevelProfile::Load(ILoad* iload) {
    const IOResult res = ForEachChunk(iload, [&](USHORT id) -> IOResult {
        switch (id) {
        case kWrappedBaseChunk: return LoadWrappedBase(iload);
        case kChangedChunk: return ReadValues(iload, changed_);
        case kSlotCountChunk: return ReadValues(iload, slotCount_);
        default: return LoadKindChunk(iload);
        }
    });
    if (res != IO_OK) return res;
    // A changed slot the modifier did not have, or more slots than the mirror covers, is a damaged file.
    if (slotCount_ < 0 || slotCount_ > kSlots || (changed_ >> slotCount_) != 0) {
        slotCount_ = 0;
        changed_ = 0;
        return IO_ERROR;
    }
    return IO_OK;
}
