// The constraint mirror: target count changes mark it.
#include "plugin/anims/RefAnimConstraint.h"

#include "host/core/Hold.h"
#include "host/scene/Control.h"
#include "plugin/frame/OperationCode.h"

int RefAnimConstraint::TargetCountOf(Animatable* anim) {
    if (!anim) return 0;
    Interface_ID iface;
    switch (anim->ClassID().PartA()) {
    case 0x2019: iface = POS_CONSTRAINT_INTERFACE; break;
    case 0x2011: iface = PATH_CONSTRAINT_INTERFACE; break;
    case 0x2020: iface = ORIENT_CONSTRAINT_INTERFACE; break;
    case 0x2021: iface = LOOKAT_CONSTRAINT_INTERFACE; break;
    default: return 0;
    }
    auto* targets = static_cast<IConstraintTargets*>(anim->GetInterface(iface));
    return targets ? targets->GetNumTargets() : 0;
}

void RefAnimConstraint::SetReference(int i, RefTargetHandle rtarg) {
    RefAnim::SetReference(i, rtarg);
    if (i == 0 && !IsModified()) targets_ = TargetCountOf(rtarg);
}

RefResult RefAnimConstraint::NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                                              RefMessage message, BOOL propagate) {
    if (message != REFMSG_SUBANIM_STRUCTURE_CHANGED)
        return RefAnim::NotifyRefChanged(changeInt, hTarget, partID, message, propagate);
    ReferenceTarget* c = GetAnim();
    if (!c || hTarget != c || IsOverridden(REFANIM_MODIFIED | REFANIM_REPLACED)) return REF_STOP;
    if (GetCurrentOperation() != OperationCode::None || theHold.RestoreOrRedoing()) return REF_STOP;
    const int now = TargetCountOf(c);
    if (now == targets_) return REF_STOP;
    targets_ = now;
    SetOverriddenFlag(REFANIM_MODIFIED, true, true);
    return REF_STOP;
}
