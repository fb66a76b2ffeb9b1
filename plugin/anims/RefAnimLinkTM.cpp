// The link transform mirror: the control node's motion is not an edit, a new control node is.
#include "plugin/anims/RefAnimLinkTM.h"

#include "host/core/Hold.h"
#include "plugin/anims/RefAnimLinkedXForm.h"
#include "plugin/frame/OperationCode.h"

namespace {

AnimHandle ControlNodeOf(Animatable* ctrl) {
    Animatable* node = RefAnimLinkedXForm::FollowedNodeOf(ctrl);
    return node ? Animatable::GetHandleByAnim(node) : 0;
}

} // namespace

void RefAnimLinkTM::SetReference(int i, RefTargetHandle rtarg) {
    RefAnimKind::SetReference(i, rtarg);
    if (i == 0) controlNode_ = ControlNodeOf(rtarg);
}

void RefAnimLinkTM::Compare() {
    if (!GetAnim() || IsOverridden(REFANIM_MODIFIED | REFANIM_REPLACED)) return;
    const AnimHandle now = ControlNodeOf(GetAnim());
    if (now == controlNode_) return;
    controlNode_ = now;
    SetOverriddenFlag(REFANIM_MODIFIED, true, true);
}

RefResult RefAnimLinkTM::NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID&, RefMessage message, BOOL) {
    if (!GetAnim() || hTarget != GetAnim() || message != REFMSG_CHANGE) return REF_STOP;
    if (GetCurrentOperation() != OperationCode::None) return REF_STOP;
    if (theHold.RestoreOrRedoing()) {
        controlNode_ = ControlNodeOf(GetAnim());
        return REF_STOP;
    }
    Compare();
    return REF_STOP;
}

void RefAnimLinkTM::CollectLocDep(DWORD stamp) {
    Compare();
    RefAnim::CollectLocDep(stamp);
}
