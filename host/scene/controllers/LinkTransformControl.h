// The link transform controller: a local transform controller whose parent is one control node, held as a
// weak reference.
#pragma once

#include "host/scene/Control.h"
#include "host/scene/INode.h"

// References: 0 the local transform controller ("Transform"), 1 the control node. Sub-animatables: the
// local transform. Moving the control node moves what the controller drives; giving it another control
// node is an undoable edit that notifies REFMSG_CHANGE.
class LinkTransformControl : public Control {
public:
    // A new controller gets the host's default transform controller as its local transform.
    explicit LinkTransformControl(BOOL loading = FALSE);
    ~LinkTransformControl() override { DeleteAllRefs(); }

    Class_ID ClassID() override;
    SClass_ID SuperClassID() override { return CTRL_MATRIX3_CLASS_ID; }
    void GetClassName(MSTR& s, bool localized = true) const override;
    BOOL IsLeaf() override { return FALSE; }

    // Matrix3: the local transform; with CTRL_RELATIVE, local * (the control node's transform at t, or
    // *val without a control node).
    void GetValue(TimeValue t, void* val, Interval& valid, GetSetMethod method = CTRL_ABSOLUTE) override;
    // Goes to the local transform controller.
    void SetValue(TimeValue t, void* val, int commit = 1, GetSetMethod method = CTRL_ABSOLUTE) override;
    Control* GetPositionController() override;
    Control* GetRotationController() override;
    Control* GetScaleController() override;
    Control* GetTransformController() { return tm_; }

    INode* GetControlNode() const { return node_; }
    // A node that would make a loop (one the controller drives) is refused.
    BOOL SetControlNode(INode* node);

    int NumRefs() override { return 2; }
    RefTargetHandle GetReference(int i) override;
    int NumSubs() override { return 1; }
    Animatable* SubAnim(int i) override { return i == 0 ? tm_ : nullptr; }
    MSTR SubAnimName(int i, bool localized = true) override;
    int SubNumToRefNum(int subNum) override { return subNum == 0 ? 0 : -1; }
    BOOL CanAssignController(int subAnim) override { return subAnim == 0; }
    // Matrix3 controllers only.
    BOOL AssignController(Animatable* control, int subAnim) override;
    BOOL IsRealDependency(ReferenceTarget* rtarg) override { return rtarg && rtarg == node_ ? FALSE : TRUE; }
    BOOL ShouldPersistWeakRef(RefTargetHandle rtarg) override { return rtarg && rtarg == node_; }
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;

    RefTargetHandle Clone(RemapDir& remap) override;

protected:
    void SetReference(int i, RefTargetHandle t) override;

private:
    Control* tm_ = nullptr;
    INode* node_ = nullptr;
};
