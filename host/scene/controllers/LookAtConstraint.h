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

    using TargetConstraint::ApplyState;
    void ApplyState(const Axis& a) { axis_ = a; }

protected:
    // Chunk 0x0410: axis and flip.
    IOResult SaveExtra(ISave* isave) override;
    IOResult LoadExtra(ILoad* iload) override;

private:
    Axis axis_;
};
