// The animation layer controller mirror: layer count changes mark it.
#include "plugin/anims/RefAnimLayerCtrl.h"

#include "host/core/Hold.h"
#include "plugin/frame/OperationCode.h"

void RefAnimLayerCtrl::SetReference(int i, RefTargetHandle rtarg) {
    RefAnim::SetReference(i, rtarg);
    if (i == 0 && rtarg && !IsModified()) layers_ = rtarg->NumSubs();
}

RefResult RefAnimLayerCtrl::NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID&, RefMessage message,
                                             BOOL) {
    ReferenceTarget* c = GetAnim();
    if (!c || hTarget != c || IsOverridden(REFANIM_MODIFIED | REFANIM_REPLACED)) return REF_STOP;
    if (GetCurrentOperation() != OperationCode::None || theHold.RestoreOrRedoing()) return REF_STOP;
    if (message != REFMSG_SUBANIM_STRUCTURE_CHANGED && message != REFMSG_CHANGE) return REF_STOP;
    if (c->NumSubs() == layers_) return REF_STOP;
    layers_ = c->NumSubs();
    SetOverriddenFlag(REFANIM_MODIFIED, true, true);
    return REF_STOP;
}

void RefAnimLayerCtrl::Override(Animatable* root) {
    RefAnim::Override(root);
    if (GetAnim() && !IsModified()) layers_ = GetAnim()->NumSubs();
}

MSTR RefAnimLayerCtrl::Describe() {
    return RefAnim::Describe() + WStr::Format(L"\nLayers: %d", layers_);
}
