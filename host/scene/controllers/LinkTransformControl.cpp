// A transform taken relative to one control node.
#include "host/scene/controllers/LinkTransformControl.h"

#include "host/core/RefKind.h"
#include "host/core/RemapDir.h"
#include "host/scene/controllers/ControlRestore.h"
#include "host/scene/controllers/ControllerClassIds.h"

namespace {
constexpr int kNodeRef = 1;

// A copy made with its control node maps to the copy of that node.
class RelinkProc : public PostPatchProc {
public:
    explicit RelinkProc(LinkTransformControl* copy) : copy_(copy) {}
    int Proc(RemapDir& remap) override {
        RefTargetHandle node = copy_->GetReference(kNodeRef);
        if (RefTargetHandle mapped = node ? remap.FindMapping(node) : nullptr) copy_->ReplaceReference(kNodeRef, mapped, FALSE);
        return 1;
    }

private:
    LinkTransformControl* copy_;
};
} // namespace

LinkTransformControl::LinkTransformControl(BOOL loading) {
    if (!loading) ReplaceReference(0, NewDefaultMatrix3Controller());
}

Class_ID LinkTransformControl::ClassID() { return LINK_TRANSFORM_CLASS_ID; }

void LinkTransformControl::GetClassName(MSTR& s, bool /*localized*/) const { s = L"Link Transform"; }

MSTR LinkTransformControl::SubAnimName(int i, bool /*localized*/) { return i == 0 ? MSTR(L"Transform") : MSTR(); }

RefTargetHandle LinkTransformControl::GetReference(int i) {
    return i == 0 ? static_cast<RefTargetHandle>(tm_) : i == kNodeRef ? static_cast<RefTargetHandle>(node_) : nullptr;
}

void LinkTransformControl::SetReference(int i, RefTargetHandle t) {
    if (i == 0) tm_ = RefAs<Control>(RefOfSuperClass(t, CTRL_MATRIX3_CLASS_ID));
    else if (i == kNodeRef) node_ = RefAs<INode>(RefOfSuperClass(t, BASENODE_CLASS_ID));
}

BOOL LinkTransformControl::SetControlNode(INode* node) {
    if (node && !CanReference(this, node)) return FALSE;
    return ReplaceControllerRef(this, kNodeRef, node, {kValueChangeNote}) == REF_SUCCEED;
}

RefResult LinkTransformControl::NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID&, RefMessage message,
                                                 BOOL) {
    // A deleted control node leaves the transform local.
    if (message == REFMSG_TARGET_DELETED && hTarget && hTarget == node_) node_ = nullptr;
    return REF_SUCCEED;
}

void LinkTransformControl::GetValue(TimeValue t, void* val, Interval& valid, GetSetMethod method) {
    Matrix3& m = *static_cast<Matrix3*>(val);
    Matrix3 local;
    if (tm_) tm_->GetValue(t, &local, valid, CTRL_ABSOLUTE);
    if (method == CTRL_ABSOLUTE) {
        m = local;
        return;
    }
    const Matrix3 parent = node_ && !node_->TestAFlag(A_IS_DELETED) ? node_->GetNodeTM(t, &valid) : m;
    m = local * parent;
}

void LinkTransformControl::SetValue(TimeValue t, void* val, int commit, GetSetMethod method) {
    if (tm_) tm_->SetValue(t, val, commit, method);
}

Control* LinkTransformControl::GetPositionController() { return tm_ ? tm_->GetPositionController() : nullptr; }
Control* LinkTransformControl::GetRotationController() { return tm_ ? tm_->GetRotationController() : nullptr; }
Control* LinkTransformControl::GetScaleController() { return tm_ ? tm_->GetScaleController() : nullptr; }

BOOL LinkTransformControl::AssignController(Animatable* control, int subAnim) {
    return subAnim == 0 && AssignControllerRef(this, 0, control, CTRL_MATRIX3_CLASS_ID);
}

RefTargetHandle LinkTransformControl::Clone(RemapDir& remap) {
    auto* c = new LinkTransformControl(TRUE);
    c->ReplaceReference(0, remap.CloneRef(tm_));
    if (node_) {
        RefTargetHandle mapped = remap.FindMapping(node_);
        c->ReplaceReference(kNodeRef, mapped ? mapped : node_, FALSE);
        remap.AddPostPatchProc(new RelinkProc(c), true);
    }
    BaseClone(this, c, remap);
    return c;
}
