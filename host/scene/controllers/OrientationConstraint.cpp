// Orientation blended from the weighted targets.
#include "host/scene/controllers/OrientationConstraint.h"

#include "host/scene/controllers/ControlValueTraits.h"
#include "host/scene/controllers/ControllerClassIds.h"

OrientationConstraint::OrientationConstraint(BOOL /*loading*/) : TargetConstraint(0) {}

Class_ID OrientationConstraint::ClassID() { return ORIENTATION_CONSTRAINT_CLASS_ID; }

void OrientationConstraint::GetClassName(MSTR& s, bool /*localized*/) const { s = L"Orientation Constraint"; }

bool OrientationConstraint::WorldRotation(TimeValue t, const Point3& /*sourceWorld*/, Quat& rot, Interval& valid) {
    // Running blend: each target pulls the result towards itself by its share of the weight so far,
    // which gives every target its share of the whole.
    Quat acc;
    float total = 0.0f;
    for (auto& [node, w] : LiveTargets()) {
        if (w <= 0.0f) continue;
        AffineParts parts;
        decomp_affine(node->GetNodeTM(t, &valid), &parts);
        total += w;
        acc = ctrl_detail::Slerp(acc, parts.q, w / total);
    }
    if (total <= 0.0f) return false;
    rot = acc;
    return true;
}

void OrientationConstraint::GetValue(TimeValue t, void* val, Interval& valid, GetSetMethod method) {
    Quat& out = *static_cast<Quat*>(val);
    Quat q;
    if (WorldRotation(t, Point3(), q, valid)) out = q;
    else if (method == CTRL_ABSOLUTE) out = Quat();
}

RefTargetHandle OrientationConstraint::Clone(RemapDir& remap) {
    auto* c = new OrientationConstraint(TRUE);
    CloneTargetsInto(c, remap);
    BaseClone(this, c, remap);
    return c;
}
