// Position from the weighted targets.
#include "host/scene/controllers/PositionConstraint.h"

#include "host/scene/controllers/ControllerClassIds.h"

PositionConstraint::PositionConstraint(BOOL /*loading*/) : TargetConstraint(0) {}

Class_ID PositionConstraint::ClassID() { return POSITION_CONSTRAINT_CLASS_ID; }

void PositionConstraint::GetClassName(MSTR& s, bool /*localized*/) const { s = L"Position Constraint"; }

void PositionConstraint::GetValue(TimeValue t, void* val, Interval& valid, GetSetMethod method) {
    Point3& out = *static_cast<Point3*>(val);
    Point3 p;
    if (WorldPosition(t, p, valid)) out = p;
    else if (method == CTRL_ABSOLUTE) out = Point3();
}

RefTargetHandle PositionConstraint::Clone(RemapDir& remap) {
    auto* c = new PositionConstraint(TRUE);
    CloneTargetsInto(c, remap);
    BaseClone(this, c, remap);
    return c;
}
