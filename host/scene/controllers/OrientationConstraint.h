// The orientation constraint: the weighted blend of its targets' orientations.
#pragma once

#include "host/scene/controllers/TargetConstraint.h"

class OrientationConstraint : public TargetConstraint {
public:
    explicit OrientationConstraint(BOOL loading = FALSE);

    Class_ID ClassID() override;
    SClass_ID SuperClassID() override { return CTRL_ROTATION_CLASS_ID; }
    void GetClassName(MSTR& s, bool localized = true) const override;
    Interface_ID TargetsInterfaceID() override { return ORIENT_CONSTRAINT_INTERFACE; }

    // Quat, world space. Without a weighted target: identity (CTRL_ABSOLUTE), or *val unchanged.
    void GetValue(TimeValue t, void* val, Interval& valid, GetSetMethod method = CTRL_ABSOLUTE) override;
    void SetValue(TimeValue /*t*/, void* /*val*/, int /*commit*/ = 1, GetSetMethod /*method*/ = CTRL_ABSOLUTE) override {}
    BOOL IsKeyable() override { return FALSE; }
    bool WorldRotation(TimeValue t, const Point3& sourceWorld, Quat& rot, Interval& valid) override;

    RefTargetHandle Clone(RemapDir& remap) override;
};
