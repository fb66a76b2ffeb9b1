// The CAT Parent Transform: rig settings and layers (undoable), limbs and their bones, IK targets, up
// nodes and footprints, persistence and copies, and the making of a new rig.
#include "host/scene/cat/CATParentControl.h"

#include "host/core/ChunkFields.h"
#include "host/core/ClassDirectory.h"
#include "host/core/Hold.h"
#include "host/core/RefKind.h"
#include "host/core/RefMessages.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "host/scene/Object.h"
#include "host/scene/biped/BipedPartControl.h"
#include "host/scene/cat/CATBoneControl.h"
#include "host/scene/cat/CATFootprintControl.h"
#include "host/scene/controllers/MatrixValue.h"
#include "host/scene/controllers/ControlRestore.h"
#include "host/scene/objects/ObjectClasses.h"

namespace {
constexpr USHORT kStateChunk = 0x0100;
constexpr USHORT kLayerChunk = 0x0110;
constexpr const MCHAR* kLimbNames[CATParentControl::kLimbs] = {L"LArm", L"RArm", L"LLeg", L"RLeg"};
// Each bone sits this far along the rig's length axis below the one before it.
constexpr float kBoneLength = 10.0f;

INode* MakeNode(const MSTR& name, const Class_ID& helper, Control* tm) {
    Interface* ip = GetCOREInterface();
    INode* n = ip->CreateObjectNode(static_cast<Object*>(CreateInstance(HELPER_CLASS_ID, helper)));
    n->SetName(name.c_str());
    if (tm) n->SetTMController(tm);
    return n;
}

bool ValidLimb(int limb) { return limb >= 0 && limb < CATParentControl::kLimbs; }
} // namespace

ICATParent* GetCATParentInterface(Animatable* anim) {
    if (auto* node = dynamic_cast<INode*>(anim)) anim = node->GetTMController();
    return anim ? static_cast<ICATParent*>(anim->GetInterface(CATPARENT_INTERFACE)) : nullptr;
}

CATParentControl::CATParentControl(BOOL) {}

void CATParentControl::GetClassName(MSTR& s, bool) const { s = L"CAT Parent Transform"; }

BaseInterface* CATParentControl::GetInterface(Interface_ID id) {
    if (id == CATPARENT_INTERFACE) return static_cast<ICATParent*>(this);
    return Control::GetInterface(id);
}

void CATParentControl::GetValue(TimeValue, void* val, Interval&, GetSetMethod method) {
    ReadMatrixValue(state_.tm, val, method);
}

void CATParentControl::SetValue(TimeValue, void* val, int, GetSetMethod method) {
    State after = state_;
    after.tm = MatrixValueToSet(state_.tm, val, method);
    Change(after);
}

RefTargetHandle CATParentControl::GetReference(int i) {
    return i >= 0 && i < kRefs ? refs_[static_cast<size_t>(i)] : nullptr;
}

void CATParentControl::SetReference(int i, RefTargetHandle t) {
    if (i >= 0 && i < kRefs) refs_[static_cast<size_t>(i)] = RefOfSuperClass(t, BASENODE_CLASS_ID);
}

RefResult CATParentControl::NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID&, RefMessage message,
                                             BOOL) {
    // A footprint's new key is a change of the rig; the moves of IK targets and up nodes are their own.
    for (int i = kFootprintRef; i < kRefs; ++i)
        if (hTarget == refs_[static_cast<size_t>(i)] && message == REFMSG_CHANGE) return REF_SUCCEED;
    return REF_STOP;
}

void CATParentControl::Change(const State& after) {
    if (after == state_) return;
    ChangeState(this, state_, after, kValueChangeNote);
}

void CATParentControl::SetSettings(const CATRigSettings& s) {
    State after = state_;
    after.settings = s;
    Change(after);
}

MSTR CATParentControl::GetLayerName(int index) {
    return index >= 0 && index < NumLayers() ? state_.layers[static_cast<size_t>(index)] : MSTR();
}

void CATParentControl::AppendLayer(const MCHAR* name) {
    State after = state_;
    after.layers.emplace_back(name ? name : L"");
    Change(after);
}

void CATParentControl::RemoveLayer(int index) {
    if (index < 0 || index >= NumLayers()) return;
    State after = state_;
    after.layers.erase(after.layers.begin() + index);
    Change(after);
}

MSTR CATParentControl::GetLimbName(int limb) { return ValidLimb(limb) ? MSTR(kLimbNames[limb]) : MSTR(); }

std::vector<CATBoneControl*> CATParentControl::GetBones() const {
    std::vector<CATBoneControl*> bones;
    DependentIterator it(const_cast<CATParentControl*>(this));
    while (ReferenceMaker* m = it.Next())
        if (auto* b = dynamic_cast<CATBoneControl*>(m); b && b->GetCATParent() == this) bones.push_back(b);
    return bones;
}

int CATParentControl::NumBones(int limb) {
    int n = 0;
    for (CATBoneControl* b : GetBones())
        if (b->GetLimb() == limb && NodeOfController(b)) ++n;
    return n;
}

INode* CATParentControl::GetBone(int limb, int index) {
    for (CATBoneControl* b : GetBones())
        if (b->GetLimb() == limb && b->GetBoneIndex() == index)
            if (INode* n = NodeOfController(b)) return n;
    return nullptr;
}

INode* CATParentControl::AddBone(int limb) {
    theHold.Begin();
    INode* n = AppendBone(limb);
    theHold.Accept(kCATStructureStep);
    return n;
}

INode* CATParentControl::AppendBone(int limb) {
    if (!ValidLimb(limb)) return nullptr;
    const int index = NumBones(limb);
    INode* above = index > 0 ? GetBone(limb, index - 1) : NodeOfController(this);
    if (!above) return nullptr;
    auto* ctrl = new CATBoneControl();
    Matrix3 pose;
    pose.SetTrans(state_.settings.lengthAxis == 0 ? Point3(kBoneLength, 0.0f, 0.0f) : Point3(0.0f, 0.0f, -kBoneLength));
    ctrl->Init(this, limb, index, pose);
    INode* n = MakeNode(MSTR(NodeOfController(this)->GetName()) + L" " + kLimbNames[limb] + WStr::FromInt(index + 1),
                        DUMMY_HELPER_CLASS_ID, ctrl);
    above->AttachChild(n, 0);
    return n;
}

BOOL CATParentControl::RemoveBone(int limb) {
    const int n = ValidLimb(limb) ? NumBones(limb) : 0;
    if (n <= 1) return FALSE;
    theHold.Begin();
    GetCOREInterface()->DeleteNode(GetBone(limb, n - 1));
    theHold.Accept(kCATStructureStep);
    return TRUE;
}

INode* CATParentControl::GetIKTarget(int limb) {
    return ValidLimb(limb) ? static_cast<INode*>(refs_[static_cast<size_t>(kIKTargetRef + limb)]) : nullptr;
}

INode* CATParentControl::GetUpNode(int limb) {
    return ValidLimb(limb) ? static_cast<INode*>(refs_[static_cast<size_t>(kUpNodeRef + limb)]) : nullptr;
}

INode* CATParentControl::CreateHelperAtEnd(int limb, const MCHAR* suffix, int ref) {
    if (!ValidLimb(limb)) return nullptr;
    INode* end = GetBone(limb, NumBones(limb) - 1);
    INode* n = MakeNode(MSTR(kLimbNames[limb]) + suffix, POINT_HELPER_CLASS_ID, nullptr);
    if (end) n->SetNodeTM(GetCOREInterface()->GetTime(), end->GetNodeTM(GetCOREInterface()->GetTime()));
    ReplaceReference(ref, n);
    NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
    return n;
}

INode* CATParentControl::CreateIKTarget(int limb) { return CreateHelperAtEnd(limb, L" IKTarget", kIKTargetRef + limb); }

INode* CATParentControl::CreateUpNode(int limb) { return CreateHelperAtEnd(limb, L" UpNode", kUpNodeRef + limb); }

void CATParentControl::SetIKTarget(int limb, INode* node) {
    if (!ValidLimb(limb)) return;
    ReplaceReference(kIKTargetRef + limb, node);
    NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
}

void CATParentControl::SetUpNode(int limb, INode* node) {
    if (!ValidLimb(limb)) return;
    ReplaceReference(kUpNodeRef + limb, node);
    NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
}

INode* CATParentControl::GetFootprint(int index) {
    return index >= 0 && index < kFootprints ? static_cast<INode*>(refs_[static_cast<size_t>(kFootprintRef + index)])
                                             : nullptr;
}

void CATParentControl::SetFootprint(int index, INode* node) {
    if (index >= 0 && index < kFootprints) ReplaceReference(kFootprintRef + index, node);
}

RefTargetHandle CATParentControl::Clone(RemapDir& remap) {
    auto* c = new CATParentControl(TRUE);
    c->state_ = state_;
    // A copied rig shares the nodes it points at unless they are copied with it.
    for (int i = 0; i < kRefs; ++i) {
        ReferenceTarget* r = refs_[static_cast<size_t>(i)];
        ReferenceTarget* copied = remap.FindMapping(r);
        c->ReplaceReference(i, copied ? copied : r);
    }
    BaseClone(this, c, remap);
    return c;
}

IOResult CATParentControl::Save(ISave* isave) {
    IOResult res = WriteValueChunk(isave, kStateChunk, state_.settings, state_.tm);
    for (const MSTR& name : state_.layers)
        if (res == IO_OK) res = WriteStringChunk(isave, kLayerChunk, name);
    return res;
}

IOResult CATParentControl::Load(ILoad* iload) {
    return ForEachChunk(iload, [&](USHORT id) -> IOResult {
        switch (id) {
        case kStateChunk: return ReadValues(iload, state_.settings, state_.tm);
        case kLayerChunk: {
            MSTR name;
            const IOResult res = iload->ReadWStringChunk(name);
            if (res == IO_OK) state_.layers.push_back(std::move(name));
            return res;
        }
        default: return IO_OK;
        }
    });
}

INode* CreateCATRig(const MSTR& name) {
    auto* parent = new CATParentControl();
    INode* root = MakeNode(name, DUMMY_HELPER_CLASS_ID, parent);
    for (int limb = 0; limb < CATParentControl::kLimbs; ++limb)
        for (int i = 0; i < 2; ++i) parent->AppendBone(limb);
    for (int i = 0; i < CATParentControl::kFootprints; ++i) {
        INode* fp = MakeNode(name + (i == 0 ? L" LFootprint" : L" RFootprint"), DUMMY_HELPER_CLASS_ID,
                             new CATFootprintControl());
        parent->SetFootprint(i, fp);
    }
    return root;
}
