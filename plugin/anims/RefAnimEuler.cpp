// The Euler rotation mirror: axis assignments mark it, axis values do not.
#include "plugin/anims/RefAnimEuler.h"

#include "host/core/Hold.h"
#include "plugin/frame/OperationCode.h"

void RefAnimEuler::SetReference(int i, RefTargetHandle rtarg) {
    RefAnim::SetReference(i, rtarg);
    if (i == 0) axes_.Take(rtarg);
}

RefResult RefAnimEuler::NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID&, RefMessage message, BOOL) {
    ReferenceTarget* euler = GetAnim();
    if (!euler || hTarget != euler || IsOverridden(REFANIM_MODIFIED | REFANIM_REPLACED)) return REF_STOP;
    if (GetCurrentOperation() != OperationCode::None || theHold.RestoreOrRedoing()) return REF_STOP;
    if (message != REFMSG_CONTROLREF_CHANGE && message != REFMSG_SUBANIM_STRUCTURE_CHANGED) return REF_STOP;
    if (!axes_.AnyDiffers(euler)) return REF_STOP;
    axes_.Take(euler);
    SetOverriddenFlag(REFANIM_MODIFIED, true, true);
    return REF_STOP;
}
