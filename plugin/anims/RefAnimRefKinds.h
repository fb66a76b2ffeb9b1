// Mirrors of animatables that hold references to other scene items, and of animatables tracked only for local
// dependents.
#pragma once

#include "plugin/anims/ModifierMirror.h"
#include "plugin/anims/RefAnimIndepRefs.h"
#include "plugin/anims/RefAnimKind.h"
#include "plugin/anims/RefAnimWithRefs.h"

// Mirrors animatables tracked only for local dependents: the user's edits of such an animatable are never
// kept, so no change message marks it; what it keeps is whether something outside the referenced content
// uses the animatable, and at a merge it hands those users over to the fresh animatable and follows it.
class RefAnimLocDep : public RefAnimKind<RefAnimLocDep, RefAnim, 0x0000000c, IDS_REFANIMLOCDEP> {
public:
    using RefAnimKind::RefAnimKind;
    // Registered under class id (0xc, 0), it reports the kind number the kind rule assigns it.
    ULONG GetKindID() const override { return KIND_LOC_DEP; }
    bool IsPassive() const override { return GetKindID() == KIND_LOC_DEP; }
    RefResult NotifyRefChanged(const Interval&, RefTargetHandle, PartID&, RefMessage, BOOL) override {
        return REF_STOP;
    }
    // An animatable the user put in the slot goes back as any mirror's; otherwise the fresh one is
    // followed (SetAnim hands the local dependents over).
    void Override(Animatable* root) override {
        if (IsOverridden(REFANIM_REPLACED)) {
            RefAnim::Override(root);
            return;
        }
        PathResolution r;
        if (!GetAnimByPath(root, r)) return;
        if (r.anim == GetAnim())
            SetPathByNumber(r.newNumbers);
        else
            FollowFresh(r);
    }
};

// Mirrors modifiers holding references.
class RefAnimWithRefsMod : public RefAnimKind<RefAnimWithRefsMod, ModifierMirror<RefAnimWithRefs>, KIND_WITH_REFS_MOD,
                                               IDS_REFANIMWITHREFSMOD> {
public:
    using RefAnimKind::RefAnimKind;
};
