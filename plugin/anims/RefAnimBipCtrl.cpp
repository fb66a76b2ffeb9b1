// The Biped part mirror: the part's key controller held and put back after every merge.
#include "plugin/anims/RefAnimBipCtrl.h"

#include "host/core/ChunkFields.h"
#include "host/core/Hold.h"
#include "host/scene/Control.h"
#include "host/scene/biped/BipedPartControl.h"
#include "plugin/frame/OperationCode.h"

namespace {
BipedPartControl* PartOf(Animatable* anim) { return dynamic_cast<BipedPartControl*>(anim); }
} // namespace

RefAnimBipCtrl::~RefAnimBipCtrl() {
    // The base destructor counts one reference only.
    DropRefsUnlessDeleted();
}

void RefAnimBipCtrl::SetReference(int i, RefTargetHandle rtarg) {
    if (i == 1) keys_ = rtarg;
    else RefAnim::SetReference(i, rtarg);
}

BOOL RefAnimBipCtrl::IsRealDependency(ReferenceTarget* rtarg) {
    return rtarg && rtarg == keys_ && rtarg != GetAnim() && IsOverridden(REFANIM_MODIFIED);
}

ReferenceTarget* RefAnimBipCtrl::PartKeys() const {
    BipedPartControl* part = PartOf(GetAnim());
    return part ? part->GetKeys() : nullptr;
}

void RefAnimBipCtrl::Take(ReferenceTarget* keys) {
    if (keys != keys_) ReplaceReference(1, keys);
    auto* c = keys && keys->GetInterface(I_CONTROL) ? static_cast<Control*>(keys) : nullptr;
    keyCount_ = c ? c->NumKeys() : 0;
}

RefResult RefAnimBipCtrl::NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID& partID, RefMessage message,
                                           BOOL) {
    if (GetCurrentOperation() != OperationCode::None || theHold.RestoreOrRedoing() || IsIgnorablePart(partID) ||
        IsOverridden(REFANIM_REPLACED) || !GetAnim())
        return REF_STOP;
    // A key of the part, or another key controller put in it.
    const bool keyed = hTarget == keys_ && message == REFMSG_CHANGE;
    const bool replaced = hTarget == GetAnim() && PartKeys() != keys_;
    if (!keyed && !replaced) return REF_STOP;
    Take(PartKeys());
    if (!IsOverridden(REFANIM_MODIFIED)) SetOverriddenFlag(REFANIM_MODIFIED, true, true);
    return REF_STOP;
}

RefResult RefAnimBipCtrl::SetAnim(ReferenceTarget* anim) {
    const RefResult res = RefAnim::SetAnim(anim);
    if (BipedPartControl* part = PartOf(GetAnim())) {
        partId_ = part->GetPartId();
        if (!IsOverridden(REFANIM_MODIFIED)) Take(part->GetKeys());
    }
    return res;
}

void RefAnimBipCtrl::CollectLocDep(DWORD /*stamp*/) {
    if (IsOverridden(REFANIM_MODIFIED) && PartKeys()) Take(PartKeys());
}

void RefAnimBipCtrl::Override(Animatable* root) {
    PathResolution r;
    if (!GetAnimByPath(root, r) || !PartOf(r.anim)) return;
    if (r.anim != GetAnim()) SetAnim(static_cast<ReferenceTarget*>(r.anim));
    SetPathByNumber(r.newNumbers);
    if (IsOverridden(REFANIM_MODIFIED) && keys_) RegisterWithHelper();
}

void RefAnimBipCtrl::FinishOverride() {
    BipedPartControl* part = PartOf(GetAnim());
    if (part && keys_ && IsOverridden(REFANIM_MODIFIED) && part->GetKeys() != keys_)
        part->ReplaceReference(BipedPartControl::kKeysRef, keys_);
}

void RefAnimBipCtrl::BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) {
    auto* src = dynamic_cast<RefAnimBipCtrl*>(from);
    auto* dst = dynamic_cast<RefAnimBipCtrl*>(to);
    if (src && dst) {
        if (src->keys_) dst->ReplaceReference(1, src->keys_);
        dst->partId_ = src->partId_;
        dst->keyCount_ = src->keyCount_;
    }
    RefAnim::BaseClone(from, to, remap);
}

IOResult RefAnimBipCtrl::Save(ISave* isave) {
    IOResult res = SaveWrappedBase(isave);
    if (res == IO_OK) res = WriteValueChunk(isave, kPartIdChunk, partId_);
    if (res == IO_OK) res = WriteValueChunk(isave, kKeyCountChunk, keyCount_);
    return res;
}

IOResult RefAnimBipCtrl::Load(ILoad* iload) {
    return ForEachChunk(iload, [&](USHORT id) -> IOResult {
        switch (id) {
        case kWrappedBaseChunk: return LoadWrappedBase(iload);
        case kPartIdChunk: return ReadValues(iload, partId_);
        case kKeyCountChunk: return ReadValues(iload, keyCount_);
        default: return LoadKindChunk(iload);
        }
    });
}

MSTR RefAnimBipCtrl::Describe() {
    return RefAnim::Describe() + WStr::Format(L"\nPart Id: %d\nKeys: %d", partId_, keyCount_);
}
