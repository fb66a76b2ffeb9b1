// The look-at constraint: turns one axis of the node towards the weighted mean of its targets.
#pragma once

#include "host/scene/controllers/TargetConstraint.h"

class LookAtConstraint : public TargetConstraint {
public:
    struct Axis {
        int axis = 0; // 0 X, 1 Y, 2 Z
        bool flip = false;
        bool operator==(const Axis&) const = default;
    };
    // How the node is turned about the line to its targets: its source axis is kept as close as it can be
    // to the up direction, which is the up node's upAxis (axis alignment) or the line to the up node
    // (look-at). The world stands in as the up node (its origin, its axes) while world is set or no live
    // node is picked.
    struct Up {
        int world = 1;
        int ctrl = 1; // 0 look-at, 1 axis alignment
        int upAxis = 2;
        int sourceAxis = 2;
        int sourceFlip = 0;
        bool operator==(const Up&) const = default;
    };

    explicit LookAtConstraint(BOOL loading = FALSE);

    Class_ID ClassID() override;
    SClass_ID SuperClassID() override { return CTRL_ROTATION_CLASS_ID; }
    void GetClassName(MSTR& s, bool localized = true) const override;
    Interface_ID TargetsInterfaceID() override { return LOOKAT_CONSTRAINT_INTERFACE; }

    // Quat: the rotation seen from the world origin (a transform controller asks WorldRotation with the
    // node's own position instead). Without a weighted target: identity, or *val unchanged.
    void GetValue(TimeValue t, void* val, Interval& valid, GetSetMethod method = CTRL_ABSOLUTE) override;
    void SetValue(TimeValue /*t*/, void* /*val*/, int /*commit*/ = 1, GetSetMethod /*method*/ = CTRL_ABSOLUTE) override {}
    BOOL IsKeyable() override { return FALSE; }
    // The rotation taking the chosen axis onto the direction from sourceWorld to the targets.
    bool WorldRotation(TimeValue t, const Point3& sourceWorld, Quat& rot, Interval& valid) override;

    RefTargetHandle Clone(RemapDir& remap) override;

    // The axis turned towards the targets; setting it records an undo step and notifies REFMSG_CHANGE.
    const Axis& GetAxis() const { return axis_; }
    void SetAxis(const Axis& a);

    const Up& GetUp() const { return up_; }
    // The picked up node (reference 0, held weakly like the targets), or null; null when it was deleted.
    INode* GetUpNode() const;
    // False when n would make a reference loop (the constrained node itself, or one that depends on it).
    bool SetUpNode(INode* n);
    BOOL IsRealDependency(ReferenceTarget* rtarg) override;
    BOOL ShouldPersistWeakRef(RefTargetHandle rtarg) override;
    // Records an undo step and notifies REFMSG_CHANGE when u differs.
    void SetUp(const Up& u);

    using TargetConstraint::ApplyState;
    void ApplyState(const Axis& a) { axis_ = a; }
    void ApplyState(const Up& u) { up_ = u; }

protected:
    RefTargetHandle GetFixedRef(int i) override { return i == 0 ? upNode_ : nullptr; }
    void SetFixedRef(int i, RefTargetHandle t) override;
    // Chunk 0x0410: axis and flip; chunk 0x0411: the up settings.
    IOResult SaveExtra(ISave* isave) override;
    IOResult LoadExtra(ILoad* iload) override;

private:
    // The rotation turning the target axis onto dir with the source axis towards the up direction; false
    // when the two axes are one or the up direction lies on dir.
    bool AlignUp(TimeValue t, const Point3& sourceWorld, const Point3& dir, Quat& rot, Interval& valid) const;

    Axis axis_;
    Up up_;
    INode* upNode_ = nullptr;
};
