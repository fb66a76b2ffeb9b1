// Pointing an axis at the weighted targets.
#include "host/scene/controllers/LookAtConstraint.h"

#include "host/core/ChunkFields.h"
#include "host/core/RefKind.h"
#include "host/scene/controllers/ControlRestore.h"
#include "host/scene/controllers/ControllerClassIds.h"

#include <cmath>

namespace {
constexpr USHORT kAxisChunk = 0x0410;
constexpr USHORT kUpChunk = 0x0411;

Point3 Unit(int axis, bool flip) {
    Point3 a;
    a[axis] = flip ? -1.0f : 1.0f;
    return a;
}
} // namespace

LookAtConstraint::LookAtConstraint(BOOL /*loading*/) : TargetConstraint(1) {}

INode* LookAtConstraint::GetUpNode() const {
    return upNode_ && !upNode_->TestAFlag(A_IS_DELETED) ? upNode_ : nullptr;
}

bool LookAtConstraint::SetUpNode(INode* n) {
    if (n == upNode_) return true;
    if (n && !CanReference(this, n)) return false;
    ReplaceReference(0, n);
    SendNote(this, kValueChangeNote);
    return true;
}

void LookAtConstraint::SetFixedRef(int i, RefTargetHandle t) {
    if (i == 0) upNode_ = RefAs<INode>(t);
}

BOOL LookAtConstraint::IsRealDependency(ReferenceTarget* rtarg) {
    return rtarg && rtarg == upNode_ ? FALSE : TargetConstraint::IsRealDependency(rtarg);
}

BOOL LookAtConstraint::ShouldPersistWeakRef(RefTargetHandle rtarg) {
    return rtarg && rtarg == upNode_ ? TRUE : TargetConstraint::ShouldPersistWeakRef(rtarg);
}

Class_ID LookAtConstraint::ClassID() { return LOOKAT_CONSTRAINT_CLASS_ID; }

void LookAtConstraint::GetClassName(MSTR& s, bool /*localized*/) const { s = L"LookAt Constraint"; }

bool LookAtConstraint::WorldRotation(TimeValue t, const Point3& sourceWorld, Quat& rot, Interval& valid) {
    Point3 target;
    if (!WorldPosition(t, target, valid)) return false;
    const Point3 d = target - sourceWorld;
    if (d.Length() < 1e-6f) {
        rot = Quat();
        return true;
    }
    const Point3 a = Unit(axis_.axis, axis_.flip);
    const Point3 dir = Normalize(d);
    if (AlignUp(t, sourceWorld, dir, rot, valid)) return true;
    const float c = std::fmax(-1.0f, std::fmin(1.0f, DotProd(a, dir)));
    Point3 n = CrossProd(a, dir);
    if (n.Length() < 1e-6f) {
        // Parallel or opposite: any axis at right angles turns it.
        if (c > 0) {
            rot = Quat();
            return true;
        }
        n = std::fabs(a.x) < 0.5f ? Point3(1.0f, 0.0f, 0.0f) : Point3(0.0f, 1.0f, 0.0f);
        n = CrossProd(a, n);
    }
    rot = Quat::FromAngleAxis(std::acos(c), n);
    return true;
}

bool LookAtConstraint::AlignUp(TimeValue t, const Point3& sourceWorld, const Point3& dir, Quat& rot,
                               Interval& valid) const {
    if (up_.sourceAxis == axis_.axis) return false;
    INode* node = up_.world ? nullptr : GetUpNode();
    const Matrix3 upTM = node ? node->GetNodeTM(t, &valid) : Matrix3();
    const Point3 up = up_.ctrl == 1 ? upTM.GetRow(up_.upAxis) : upTM.GetTrans() - sourceWorld;
    Point3 side = up - dir * DotProd(up, dir);
    if (side.Length() < 1e-6f) return false; // the up direction lies on the line to the targets
    side = Normalize(side);
    // Rows are the images of the node's axes; the third keeps the frame right-handed.
    const int p = axis_.axis, u = up_.sourceAxis, w = 3 - p - u;
    Point3 rows[3];
    rows[p] = axis_.flip ? -dir : dir;
    rows[u] = up_.sourceFlip ? -side : side;
    rows[w] = (u == (p + 1) % 3) ? CrossProd(rows[p], rows[u]) : CrossProd(rows[u], rows[p]);
    Matrix3 m;
    for (int i = 0; i < 3; ++i) m.SetRow(i, rows[i]);
    m.SetRow(3, Point3());
    AffineParts parts;
    decomp_affine(m, &parts);
    rot = parts.q;
    return true;
}

void LookAtConstraint::SetUp(const Up& u) {
    if (u == up_) return;
    if (theHold.Holding()) theHold.Put(new StateRestore<LookAtConstraint, Up>(this, up_, u, kValueChangeNote));
    up_ = u;
    SendNote(this, kValueChangeNote);
}

void LookAtConstraint::GetValue(TimeValue t, void* val, Interval& valid, GetSetMethod method) {
    Quat& out = *static_cast<Quat*>(val);
    Quat q;
    if (WorldRotation(t, Point3(), q, valid)) out = q;
    else if (method == CTRL_ABSOLUTE) out = Quat();
}

void LookAtConstraint::SetAxis(const Axis& a) {
    if (a == axis_) return;
    if (theHold.Holding()) theHold.Put(new StateRestore<LookAtConstraint, Axis>(this, axis_, a, kValueChangeNote));
    axis_ = a;
    SendNote(this, kValueChangeNote);
}

IOResult LookAtConstraint::SaveExtra(ISave* isave) {
    const int v[2] = {axis_.axis, axis_.flip ? 1 : 0};
    if (WriteValueChunk(isave, kAxisChunk, v) != IO_OK) return IO_ERROR;
    return WriteValueChunk(isave, kUpChunk, up_);
}

IOResult LookAtConstraint::LoadExtra(ILoad* iload) {
    if (iload->CurChunkID() == kUpChunk) {
        Up u;
        if (ReadValues(iload, u) != IO_OK) return IO_ERROR;
        auto axis = [](int a) { return a >= 0 && a <= 2; };
        if (!axis(u.upAxis) || !axis(u.sourceAxis) || u.ctrl < 0 || u.ctrl > 1) return IO_ERROR;
        up_ = u;
        return IO_OK;
    }
    if (iload->CurChunkID() != kAxisChunk) return IO_OK;
    int v[2] = {0, 0};
    if (ReadValues(iload, v) != IO_OK || v[0] < 0 || v[0] > 2) return IO_ERROR;
    axis_ = Axis{v[0], v[1] != 0};
    return IO_OK;
}

RefTargetHandle LookAtConstraint::Clone(RemapDir& remap) {
    auto* c = new LookAtConstraint(TRUE);
    c->axis_ = axis_;
    c->up_ = up_;
    if (upNode_) {
        RefTargetHandle mapped = remap.FindMapping(upNode_);
        c->ReplaceReference(0, mapped ? mapped : upNode_, FALSE);
    }
    CloneTargetsInto(c, remap);
    BaseClone(this, c, remap);
    return c;
}
