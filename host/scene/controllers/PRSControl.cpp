// Position, rotation and scale composed into the local transform.
#include "host/scene/controllers/PRSControl.h"

#include "host/core/FixedSubAnimNames.h"
#include "host/core/RefKind.h"
#include "host/scene/controllers/ControlRestore.h"
#include "host/scene/controllers/ControlValue.h"
#include "host/scene/controllers/ControllerClassIds.h"
#include "host/scene/controllers/TargetConstraint.h"

namespace {
constexpr SClass_ID kSlotSuper[3] = {CTRL_POSITION_CLASS_ID, CTRL_ROTATION_CLASS_ID, CTRL_SCALE_CLASS_ID};

Matrix3 ScaleTM(const ScaleValue& sv) {
    if (sv.q.IsIdentity()) return ScaleMatrix(sv.s);
    // Scaling along a rotated axis system: into it, scale, back out.
    Matrix3 axes;
    axes.SetRotate(sv.q);
    return Inverse(axes) * ScaleMatrix(sv.s) * axes;
}
} // namespace

PRSControl::PRSControl(BOOL loading) {
    if (loading) return;
    ReplaceReference(kPosition, NewDefaultPositionController());
    ReplaceReference(kRotation, NewDefaultRotationController());
    ReplaceReference(kScale, NewDefaultScaleController());
}

Class_ID PRSControl::ClassID() { return PRS_CONTROL_CLASS_ID; }

void PRSControl::GetClassName(MSTR& s, bool /*localized*/) const { s = L"Position/Rotation/Scale"; }

namespace {

const MCHAR* const kSlotNames[3] = {L"Position", L"Rotation", L"Scale"};

} // namespace

MSTR PRSControl::SubAnimName(int i, bool /*localized*/) {
    return i >= 0 && i < 3 ? MSTR(kSlotNames[i]) : MSTR();
}

void* PRSControl::GetInterface(ULONG id) {
    static const FixedSubAnimNames fixed{kSlotNames, 3};
    if (id == I_FIXED_SUBANIM_NAMES) return const_cast<FixedSubAnimNames*>(&fixed);
    return Control::GetInterface(id);
}

Matrix3 PRSControl::LocalTM(TimeValue t, Interval& valid, const Matrix3* parent) {
    const Matrix3 parentTM = parent ? *parent : Matrix3();
    Point3 pos;
    Quat rot;
    ScaleValue scl;
    // Constraints give world-space values; the local part is what lands there under the parent.
    if (Control* p = Sub(kPosition)) {
        auto* pc = dynamic_cast<TargetConstraint*>(p);
        Point3 world;
        if (!pc) pos = EvalControlValue(p, t, &valid).Get<Point3>();
        else if (pc->WorldPosition(t, world, valid)) pos = world * Inverse(parentTM);
    }
    if (Control* r = Sub(kRotation)) {
        auto* rc = dynamic_cast<TargetConstraint*>(r);
        Quat world;
        if (!rc) {
            rot = EvalControlValue(r, t, &valid).Get<Quat>();
        } else if (rc->WorldRotation(t, pos * parentTM, world, valid)) {
            AffineParts pp;
            decomp_affine(parentTM, &pp);
            rot = world * pp.q.Inverse();
        }
    }
    if (Control* s = Sub(kScale)) scl = EvalControlValue(s, t, &valid).Get<ScaleValue>();
    Matrix3 rtm;
    rtm.SetRotate(rot);
    Matrix3 tm = ScaleTM(scl) * rtm;
    tm.SetTrans(pos);
    return tm;
}

void PRSControl::GetValue(TimeValue t, void* val, Interval& valid, GetSetMethod method) {
    Matrix3& m = *static_cast<Matrix3*>(val);
    if (method == CTRL_RELATIVE) {
        const Matrix3 parent = m;
        m = LocalTM(t, valid, &parent) * parent;
    } else {
        m = LocalTM(t, valid);
    }
}

void PRSControl::SetValue(TimeValue t, void* val, int commit, GetSetMethod method) {
    Matrix3 local = *static_cast<const Matrix3*>(val);
    if (method == CTRL_RELATIVE) {
        Interval iv = FOREVER;
        local = LocalTM(t, iv) * local;
    }
    AffineParts parts;
    decomp_affine(local, &parts);
    if (Control* p = Sub(kPosition)) {
        const Point3 cur = EvalControlValue(p, t).Get<Point3>();
        if (!(cur == parts.t)) p->SetValue(t, &parts.t, commit, CTRL_ABSOLUTE);
    }
    if (Control* r = Sub(kRotation)) {
        const Quat cur = EvalControlValue(r, t).Get<Quat>();
        if (!cur.Equals(parts.q, 1e-5f)) r->SetValue(t, &parts.q, commit, CTRL_ABSOLUTE);
    }
    if (Control* s = Sub(kScale)) {
        const ScaleValue cur = EvalControlValue(s, t).Get<ScaleValue>();
        ScaleValue next(parts.k);
        if (!cur.s.Equals(next.s, 1e-5f) || !cur.q.IsIdentity()) s->SetValue(t, &next, commit, CTRL_ABSOLUTE);
    }
}

void PRSControl::Copy(Control* from) {
    if (!from || from == this || from->SuperClassID() != CTRL_MATRIX3_CLASS_ID) return;
    Control* theirs[3] = {from->GetPositionController(), from->GetRotationController(), from->GetScaleController()};
    if (!theirs[0] && !theirs[1] && !theirs[2]) {
        Control::Copy(from);
        return;
    }
    for (int i = 0; i < 3; ++i) {
        if (!theirs[i] || theirs[i] == Sub(i)) continue;
        if (Sub(i) && Sub(i)->ClassID() == theirs[i]->ClassID()) Sub(i)->Copy(theirs[i]);
        else if (auto* copy = CloneRefHierarchy(theirs[i])) {
            if (!SetSub(i, static_cast<Control*>(copy))) copy->MaybeAutoDelete();
        }
    }
}

void PRSControl::SetReference(int i, RefTargetHandle t) {
    if (i >= 0 && i < 3) subs_[i] = RefAs<Control>(RefOfSuperClass(t, kSlotSuper[i]));
}

BOOL PRSControl::SetSub(int i, Control* c) {
    if (c && c->SuperClassID() != kSlotSuper[i]) return FALSE;
    return ReplaceControllerRef(this, i, c, {kControlRefNote, kValueChangeNote}) == REF_SUCCEED;
}

BOOL PRSControl::AssignController(Animatable* control, int subAnim) {
    if (!CanAssignController(subAnim)) return FALSE;
    if (control && !control->GetInterface(I_CONTROL)) return FALSE;
    return SetSub(subAnim, static_cast<Control*>(control));
}

RefTargetHandle PRSControl::Clone(RemapDir& remap) {
    auto* c = new PRSControl(TRUE);
    for (int i = 0; i < 3; ++i) c->ReplaceReference(i, remap.CloneRef(subs_[i]));
    BaseClone(this, c, remap);
    return c;
}
