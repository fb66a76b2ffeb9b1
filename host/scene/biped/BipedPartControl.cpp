// Biped body parts: keys in their own rotation controller, a place in the figure, edits told to the Biped.
#include "host/scene/biped/BipedPartControl.h"

#include "host/core/ChunkFields.h"
#include "host/core/RefKind.h"
#include "host/core/RefMessages.h"
#include "host/scene/INode.h"
#include "host/scene/biped/BipedMaster.h"
#include "host/scene/biped/BipedRootControl.h"
#include "host/scene/controllers/ControlRestore.h"
#include "host/scene/controllers/MatrixValue.h"
#include "host/scene/controllers/ValueControl.h"

namespace {
constexpr USHORT kPartChunk = 0x0100;
} // namespace

INode* NodeOfController(Control* ctrl) {
    if (!ctrl) return nullptr;
    DependentIterator it(ctrl);
    while (ReferenceMaker* m = it.Next())
        if (m->SuperClassID() == BASENODE_CLASS_ID) {
            auto* node = static_cast<INode*>(m);
            if (node->GetTMController() == ctrl) return node;
        }
    return nullptr;
}

BipedPartControl::BipedPartControl(BOOL loading) {
    if (!loading) ReplaceReference(kKeysRef, new TCBRotation());
}

void BipedPartControl::GetClassName(MSTR& s, bool /*localized*/) const { s = L"Biped Part Controller"; }

void* BipedPartControl::GetInterface(ULONG id) {
    if (id == I_BIPMASTER) {
        BipedRootControl* root = BipedRootControl::OfMaster(GetMaster());
        return root ? static_cast<IBipMaster*>(root) : nullptr;
    }
    return Control::GetInterface(id);
}

BipedMaster* BipedPartControl::GetMaster() const { return static_cast<BipedMaster*>(master_); }

RefTargetHandle BipedPartControl::GetReference(int i) {
    return i == kMasterRef ? master_ : i == kKeysRef ? keys_ : nullptr;
}

void BipedPartControl::SetReference(int i, RefTargetHandle t) {
    if (i == kMasterRef) master_ = RefAs<BipedMaster>(t);
    else if (i == kKeysRef) keys_ = RefAs<Control>(RefOfSuperClass(t, CTRL_ROTATION_CLASS_ID));
}

void BipedPartControl::Init(BipedMaster* master, int id, const Point3& figure) {
    ReplaceReference(kMasterRef, master);
    state_.id = id;
    state_.figure = figure;
}

INode* BipedPartControl::GetNode() { return NodeOfController(this); }

void BipedPartControl::GetValue(TimeValue t, void* val, Interval& valid, GetSetMethod method) {
    Quat q;
    if (keys_) keys_->GetValue(t, &q, valid, CTRL_ABSOLUTE);
    Matrix3 local;
    local.SetRotate(q);
    local.SetTrans(state_.figure);
    ReadMatrixValue(local, val, method);
}

void BipedPartControl::SetValue(TimeValue t, void* val, int commit, GetSetMethod method) {
    AffineParts parts = BipedRootControl::SetValueParts(this, t, val, method);
    BipedRootControl* root = BipedRootControl::OfMaster(GetMaster());
    if (root && (root->GetMode() & BMODE_FIGURE)) {
        SetFigurePos(parts.t);
        return;
    }
    if (keys_) keys_->SetValue(t, &parts.q, commit, CTRL_ABSOLUTE);
}

void BipedPartControl::SetFigurePos(const Point3& p) {
    State after = state_;
    after.figure = p;
    if (after == state_) return;
    ChangeState(this, state_, after, kValueChangeNote);
    if (BipedMaster* m = GetMaster()) m->AnimationChanged();
}

RefResult BipedPartControl::NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID&, RefMessage message,
                                             BOOL) {
    // A new key of the part is an edit of the Biped's animation; the master's own messages pass on.
    if (hTarget == keys_ && message == REFMSG_CHANGE)
        if (BipedMaster* m = GetMaster()) m->AnimationChanged();
    return REF_SUCCEED;
}

RefTargetHandle BipedPartControl::Clone(RemapDir& remap) {
    auto* c = new BipedPartControl(TRUE);
    c->state_ = state_;
    c->ReplaceReference(kMasterRef, remap.CloneRef(master_));
    c->ReplaceReference(kKeysRef, remap.CloneRef(keys_));
    BaseClone(this, c, remap);
    return c;
}

IOResult BipedPartControl::Save(ISave* isave) { return WriteValueChunk(isave, kPartChunk, state_.id, state_.figure); }

IOResult BipedPartControl::Load(ILoad* iload) {
    return ForEachChunk(iload, [&](USHORT id) { return id == kPartChunk ? ReadValues(iload, state_.id, state_.figure) : IO_OK; });
}
