// The Linked XForm mirror: the followed node's motion is not an edit, a new followed node is.
#include "plugin/anims/RefAnimLinkedXForm.h"

#include "host/core/Hold.h"
#include "host/core/PlugApi.h"
#include "plugin/frame/OperationCode.h"

namespace {

AnimHandle HandleOf(Animatable* a) {
    return a ? Animatable::GetHandleByAnim(a) : 0;
}

} // namespace

Animatable* RefAnimLinkedXForm::FollowedNodeOf(Animatable* mod) {
    if (!mod || !mod->IsRefTarget()) return nullptr;
    auto* maker = static_cast<ReferenceTarget*>(mod);
    for (int j = 0; j < maker->NumRefs(); ++j)
        if (ReferenceTarget* t = maker->GetReference(j); t && t->SuperClassID() == BASENODE_CLASS_ID) return t;
    return nullptr;
}

void RefAnimLinkedXForm::SetReference(int i, RefTargetHandle rtarg) {
    RefAnimKind::SetReference(i, rtarg);
    if (i == 0) followed_ = HandleOf(FollowedNodeOf(rtarg));
}

RefResult RefAnimLinkedXForm::NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID&, RefMessage message,
                                               BOOL) {
    ReferenceTarget* mod = GetAnim();
    if (!mod || hTarget != mod || message != REFMSG_CHANGE || IsOverridden(REFANIM_MODIFIED | REFANIM_REPLACED))
        return REF_STOP;
    if (GetCurrentOperation() != OperationCode::None) return REF_STOP;
    const AnimHandle now = HandleOf(FollowedNodeOf(mod));
    if (now == followed_) return REF_STOP;
    followed_ = now;
    if (!theHold.RestoreOrRedoing()) SetOverriddenFlag(REFANIM_MODIFIED, true, true);
    return REF_STOP;
}
