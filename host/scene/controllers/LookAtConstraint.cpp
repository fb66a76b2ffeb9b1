// Pointing an axis at the weighted targets.
#include "host/scene/controllers/LookAtConstraint.h"

#include "host/core/ChunkFields.h"
#include "host/scene/controllers/ControlRestore.h"
#include "host/scene/controllers/ControllerClassIds.h"

#include <cmath>

namespace {
constexpr USHORT kAxisChunk = 0x0410;
}

LookAtConstraint::LookAtConstraint(BOOL /*loading*/) : TargetConstraint(0) {}

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
    Point3 a;
    a[axis_.axis] = axis_.flip ? -1.0f : 1.0f;
    const Point3 dir = Normalize(d);
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
    return WriteValueChunk(isave, kAxisChunk, v);
}

IOResult LookAtConstraint::LoadExtra(ILoad* iload) {
    if (iload->CurChunkID() != kAxisChunk) return IO_OK;
    int v[2] = {0, 0};
    if (ReadValues(iload, v) != IO_OK || v[0] < 0 || v[0] > 2) return IO_ERROR;
    axis_ = Axis{v[0], v[1] != 0};
    return IO_OK;
}

RefTargetHandle LookAtConstraint::Clone(RemapDir& remap) {
    auto* c = new LookAtConstraint(TRUE);
    c->axis_ = axis_;
    CloneTargetsInto(c, remap);
    BaseClone(this, c, remap);
    return c;
}
