// The mirror of a custom attribute: an attribute the user added is kept and put back into the fresh
// container after every merge.
#pragma once

#include "plugin/anims/RefAnimKind.h"

// The attribute's parameters are mirrored by its parameter block mirror, so no change message marks this
// one. An attribute of the referenced file is followed; one the user added (state Added) is the user's:
// kept alive, saved with the scene, and inserted again at its place among the fresh container's attributes.
class RefAnimCA : public RefAnimKind<RefAnimCA, RefAnim, KIND_CA, IDS_REFANIMCA> {
public:
    using RefAnimKind::RefAnimKind;

    BOOL IsRealDependency(ReferenceTarget* rtarg) override;
    RefResult NotifyRefChanged(const Interval&, RefTargetHandle, PartID&, RefMessage, BOOL) override { return REF_STOP; }
    // An attribute's only dependent is its container, in the referenced content: nothing local to hand
    // over, so the mirror only references the attribute.
    RefResult SetAnim(ReferenceTarget* anim) override;
    void Override(Animatable* root) override;
    bool IsUntouched() const override { return RefAnim::IsUntouched() && !IsOverridden(REFANIM_ADDED); }
};
