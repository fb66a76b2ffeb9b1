// The position constraint: the weighted mean of its targets' positions.
#pragma once

#include "host/scene/controllers/TargetConstraint.h"

class PositionConstraint : public TargetConstraint {
public:
    explicit PositionConstraint(BOOL loading = FALSE);

    Class_ID ClassID() override;
    SClass_ID SuperClassID() override { return CTRL_POSITION_CLASS_ID; }
    void GetClassName(MSTR& s, bool localized = true) const override;
    Interface_ID TargetsInterfaceID() override { return POS_CONSTRAINT_INTERFACE; }

    // Point3, world space. Without a weighted target: the origin (CTRL_ABSOLUTE), or *val unchanged.
    void GetValue(TimeValue t, void* val, Interval& valid, GetSetMethod method = CTRL_ABSOLUTE) override;
    // The targets decide the value: setting one is ignored, so moving a constrained node never fails.
    void SetValue(TimeValue /*t*/, void* /*val*/, int /*commit*/ = 1, GetSetMethod /*method*/ = CTRL_ABSOLUTE) override {}
    BOOL IsKeyable() override { return FALSE; }

    RefTargetHandle Clone(RemapDir& remap) override;
};
