// The transform controller mirror: the user's sub-controllers, slot by slot.
#include "plugin/anims/RefAnimPRS.h"

#include "host/core/Hold.h"
#include "host/scene/Control.h"
#include "plugin/frame/OperationCode.h"

RefAnimPRS::~RefAnimPRS() {
    // The base destructor counts one reference only: the slots go here.
    DropRefsUnlessDeleted();
}

RefTargetHandle RefAnimPRS::GetReference(int i) {
    return i >= 1 && i <= kSlots ? GetUserSlot(i - 1) : RefAnim::GetReference(i);
}

void RefAnimPRS::SetReference(int i, RefTargetHandle rtarg) {
    if (i < 1 || i > kSlots) {
        RefAnim::SetReference(i, rtarg);
        return;
    }
    if (!userSlots_) {
        if (!rtarg) return;
        userSlots_ = std::make_unique<std::array<ReferenceTarget*, kSlots>>();
    }
    (*userSlots_)[static_cast<size_t>(i - 1)] = rtarg;
}

bool RefAnimPRS::IsUserSlot(ReferenceTarget* t) const {
    for (int k = 0; k < kSlots; ++k)
        if (t && GetUserSlot(k) == t) return true;
    return false;
}

BOOL RefAnimPRS::IsRealDependency(ReferenceTarget* rtarg) {
    if (rtarg && rtarg == GetAnim()) return IsOverridden(REFANIM_REPLACED | REFANIM_LOCDEP);
    if (IsUserSlot(rtarg)) return TRUE;
    return RefAnim::IsRealDependency(rtarg);
}

RefResult RefAnimPRS::NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID&, RefMessage message, BOOL) {
    ReferenceTarget* prs = GetAnim();
    if (!prs || hTarget != prs || IsOverridden(REFANIM_REPLACED)) return REF_STOP;
    if (GetCurrentOperation() != OperationCode::None) return REF_STOP;
    if (message != REFMSG_CONTROLREF_CHANGE && message != REFMSG_SUBANIM_STRUCTURE_CHANGED) return REF_STOP;
    // Undo and redo put slots back: the held controllers follow them, the mark follows its own record.
    const bool undoing = theHold.RestoreOrRedoing();
    bool changed = false;
    for (int k = 0; k < kSlots; ++k) {
        // A slot that holds the file's controller again drops what the user had put there.
        ReferenceTarget* live = static_cast<ReferenceTarget*>(SubControllerSlots<kSlots>::At(prs, k));
        ReferenceTarget* want = fileSlots_.Differs(prs, k) ? live : nullptr;
        if (want == GetUserSlot(k)) continue;
        ReplaceReference(1 + k, want);
        changed = changed || want;
    }
    if (changed && !undoing && !IsOverridden(REFANIM_MODIFIED)) SetOverriddenFlag(REFANIM_MODIFIED, true, true);
    return REF_STOP;
}

RefResult RefAnimPRS::SetAnim(ReferenceTarget* anim) {
    const RefResult res = RefAnim::SetAnim(anim);
    fileSlots_.Take(anim);
    return res;
}

void RefAnimPRS::Override(Animatable* root) {
    PathResolution r;
    if (!FollowToFresh(root, r)) return;
    if (!IsOverridden(REFANIM_MODIFIED) || !r.anim) {
        // Nothing of the user's (a reset cleared the mark): the fresh controller's own slots stand.
        for (int k = 0; k < kSlots; ++k)
            if (GetUserSlot(k)) DeleteReference(1 + k);
        return;
    }
    for (int k = 0; k < kSlots; ++k) {
        ReferenceTarget* mine = GetUserSlot(k);
        if (mine && r.anim->CanAssignController(k) && SubControllerSlots<kSlots>::At(r.anim, k) != mine)
            r.anim->AssignController(mine, k);
    }
}

void RefAnimPRS::BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) {
    auto* src = dynamic_cast<RefAnimPRS*>(from);
    auto* dst = dynamic_cast<RefAnimPRS*>(to);
    if (src && dst)
        for (int k = 0; k < kSlots; ++k)
            if (ReferenceTarget* s = src->GetUserSlot(k)) dst->ReplaceReference(1 + k, remap.CloneRef(s));
    RefAnim::BaseClone(from, to, remap);
}

MSTR RefAnimPRS::Describe() {
    MSTR s = RefAnim::Describe();
    static const MCHAR* const kNames[kSlots] = {L"Position", L"Rotation", L"Scale"};
    for (int k = 0; k < kSlots; ++k)
        if (ReferenceTarget* mine = GetUserSlot(k))
            s += MSTR(L"\n") + kNames[k] + L": " + DescribeAnimatable(mine);
    return s;
}
