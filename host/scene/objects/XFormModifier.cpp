// The XForm modifier's controllers, their replacement and the transform they make.
#include "host/scene/objects/XFormModifier.h"


XFormModifier::XFormModifier(ObjectClassDesc* cd, BOOL loading) : ConfiguredModifier<Modifier>(cd, loading) {
    if (loading) return;
    SetExtraRef(0, NewDefaultMatrix3Controller());
    SetExtraRef(1, NewDefaultPositionController());
}

Matrix3 XFormModifier::Effect(TimeValue t) {
    Matrix3 gizmo(1);
    Interval valid = FOREVER;
    if (Control* g = Gizmo()) g->GetValue(t, &gizmo, valid, CTRL_RELATIVE);
    Point3 c;
    if (Control* center = Center()) center->GetValue(t, &c, valid);
    return TransMatrix(-c) * gizmo * TransMatrix(c);
}

MSTR XFormModifier::SubAnimName(int i, bool /*localized*/) {
    return i == 0 ? MSTR(L"Gizmo") : i == 1 ? MSTR(L"Center") : MSTR();
}

BOOL XFormModifier::AssignController(Animatable* control, int subAnim) {
    const SClass_ID want = subAnim == 0 ? CTRL_MATRIX3_CLASS_ID : CTRL_POSITION_CLASS_ID;
    if ((subAnim != 0 && subAnim != 1) || !control || control->SuperClassID() != want) return FALSE;
    SetExtraRef(subAnim, static_cast<ReferenceTarget*>(static_cast<Control*>(control)));
    NotifyDependents(FOREVER, PART_ALL, REFMSG_SUBANIM_STRUCTURE_CHANGED);
    return TRUE;
}
