// The bone controller: its pose (undoable), its place in the rig, persistence and copies.
#include "host/scene/cat/CATBoneControl.h"

#include "host/core/ChunkFields.h"
#include "host/core/RefKind.h"
#include "host/scene/controllers/MatrixValue.h"
#include "host/scene/controllers/ControlRestore.h"

namespace {
constexpr USHORT kStateChunk = 0x0100;
}

CATBoneControl::CATBoneControl(BOOL) {}

void CATBoneControl::GetClassName(MSTR& s, bool) const { s = L"CAT Bone"; }

BaseInterface* CATBoneControl::GetInterface(Interface_ID id) {
    if (id == CATCONTROL_INTERFACE) return static_cast<ICATControl*>(this);
    return Control::GetInterface(id);
}

Control* CATBoneControl::GetCATParent() { return static_cast<Control*>(parent_); }

void CATBoneControl::Init(Control* parent, int limb, int index, const Matrix3& pose) {
    ReplaceReference(0, parent);
    state_ = State{limb, index, pose};
}

void CATBoneControl::SetReference(int i, RefTargetHandle t) {
    if (i == 0) parent_ = RefOfSuperClass(t, CTRL_MATRIX3_CLASS_ID);
}

void CATBoneControl::GetValue(TimeValue, void* val, Interval&, GetSetMethod method) {
    ReadMatrixValue(state_.pose, val, method);
}

void CATBoneControl::SetValue(TimeValue, void* val, int, GetSetMethod method) {
    State after = state_;
    after.pose = MatrixValueToSet(state_.pose, val, method);
    if (!(after == state_)) ChangeState(this, state_, after, kValueChangeNote);
}

RefTargetHandle CATBoneControl::Clone(RemapDir& remap) {
    auto* c = new CATBoneControl(TRUE);
    c->state_ = state_;
    c->ReplaceReference(0, remap.CloneRef(parent_));
    BaseClone(this, c, remap);
    return c;
}

IOResult CATBoneControl::Save(ISave* isave) {
    return WriteValueChunk(isave, kStateChunk, state_.limb, state_.index, state_.pose);
}

IOResult CATBoneControl::Load(ILoad* iload) {
    return ForEachChunk(iload, [&](USHORT id) {
        return id == kStateChunk ? ReadValues(iload, state_.limb, state_.index, state_.pose) : IO_OK;
    });
}
