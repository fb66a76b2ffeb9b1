// Position along weighted target paths.
#include "host/scene/controllers/PathConstraint.h"

#include "host/scene/controllers/ControlRestore.h"
#include "host/scene/controllers/ValueControl.h"

PathConstraint::PathConstraint(BOOL loading) : TargetConstraint(1) {
    if (!loading) ReplaceReference(0, BezierFloat::Create(0.0f));
}

Class_ID PathConstraint::ClassID() { return PATH_CONSTRAINT_CLASS_ID; }

void PathConstraint::GetClassName(MSTR& s, bool /*localized*/) const { s = L"Path Constraint"; }

void PathConstraint::GetValue(TimeValue t, void* val, Interval& valid, GetSetMethod method) {
    Point3& out = *static_cast<Point3*>(val);
    Point3 p;
    if (WorldPosition(t, p, valid)) out = p;
    else if (method == CTRL_ABSOLUTE) out = Point3();
}

BOOL PathConstraint::AssignController(Animatable* control, int subAnim) {
    if (subAnim != 0) return FALSE;
    ReferenceTarget* c = nullptr;
    if (control) {
        if (!control->GetInterface(I_CONTROL) || control->SuperClassID() != CTRL_FLOAT_CLASS_ID) return FALSE;
        c = static_cast<Control*>(control);
    }
    return ReplaceControllerRef(this, 0, c, {kControlRefNote, kValueChangeNote}) == REF_SUCCEED;
}

RefTargetHandle PathConstraint::Clone(RemapDir& remap) {
    auto* c = new PathConstraint(TRUE);
    c->ReplaceReference(0, remap.CloneRef(percent_));
    CloneTargetsInto(c, remap);
    BaseClone(this, c, remap);
    return c;
}
