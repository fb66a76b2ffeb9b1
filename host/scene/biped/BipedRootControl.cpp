// The Biped's root controller and master interface, and the making of a new Biped.
#include "host/scene/biped/BipedRootControl.h"

#include "host/core/ChunkFields.h"
#include "host/core/ClassDirectory.h"
#include "host/core/RefKind.h"
#include "host/core/RefMessages.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "host/scene/Object.h"
#include "host/scene/biped/BipedMaster.h"
#include "host/scene/biped/BipedPartControl.h"
#include "host/scene/controllers/ControlRestore.h"
#include "host/scene/controllers/MatrixValue.h"
#include "host/scene/objects/ObjectClasses.h"

#include <cmath>

namespace {
constexpr USHORT kModesChunk = 0x0100;

float FloatAt(Control* c, TimeValue t) {
    float v = 0.0f;
    Interval valid = FOREVER;
    if (c) c->GetValue(t, &v, valid, CTRL_ABSOLUTE);
    return v;
}

// Sets a float sub-controller at t: a key when asked or when it is animated, else its value.
void SetFloatAt(Control* c, TimeValue t, float v, BOOL setKey) {
    if (!c) return;
    if (setKey) c->AddNewKey(t, 0);
    if (FloatAt(c, t) != v) c->SetValue(t, &v, 1, CTRL_ABSOLUTE);
}

// The turning angle (about z) of a rotation.
float TurningOf(const Quat& q) {
    return 2.0f * std::atan2(q.z, q.w);
}
} // namespace

IBipMaster* GetBipMasterInterface(Animatable* anim) {
    return anim ? static_cast<IBipMaster*>(anim->GetInterface(I_BIPMASTER)) : nullptr;
}

BipedRootControl::BipedRootControl(BOOL loading) {
    if (loading) return;
    ReplaceReference(kMasterRef, new BipedMaster());
    for (int i = kVerticalRef; i <= kTurningRef; ++i) ReplaceReference(i, NewDefaultFloatController());
}

void BipedRootControl::GetClassName(MSTR& s, bool /*localized*/) const { s = L"Biped Root Controller"; }

void* BipedRootControl::GetInterface(ULONG id) {
    if (id == I_BIPMASTER) return static_cast<IBipMaster*>(this);
    return Control::GetInterface(id);
}

MSTR BipedRootControl::SubAnimName(int i, bool /*localized*/) {
    switch (i) {
    case 0: return L"Vertical";
    case 1: return L"Horizontal";
    case 2: return L"Turning";
    default: return MSTR();
    }
}

RefTargetHandle BipedRootControl::GetReference(int i) {
    if (i == kMasterRef) return master_;
    return i >= kVerticalRef && i <= kTurningRef ? subs_[i - 1] : nullptr;
}

void BipedRootControl::SetReference(int i, RefTargetHandle t) {
    if (i == kMasterRef) master_ = RefAs<BipedMaster>(t);
    else if (i >= kVerticalRef && i <= kTurningRef) subs_[i - 1] = RefAs<Control>(RefOfSuperClass(t, CTRL_FLOAT_CLASS_ID));
}

BOOL BipedRootControl::AssignController(Animatable* control, int subAnim) {
    if (!CanAssignController(subAnim)) return FALSE;
    return AssignControllerRef(this, subAnim + 1, control, CTRL_FLOAT_CLASS_ID);
}

BipedMaster* BipedRootControl::GetMaster() const { return static_cast<BipedMaster*>(master_); }

BipedRootControl* BipedRootControl::OfMaster(BipedMaster* master) {
    if (!master) return nullptr;
    DependentIterator it(master);
    while (ReferenceMaker* m = it.Next())
        if (auto* root = dynamic_cast<BipedRootControl*>(m); root && root->GetMaster() == master) return root;
    return nullptr;
}

std::vector<BipedPartControl*> BipedRootControl::GetParts() const {
    std::vector<BipedPartControl*> parts;
    if (!master_) return parts;
    DependentIterator it(master_);
    while (ReferenceMaker* m = it.Next())
        if (auto* p = dynamic_cast<BipedPartControl*>(m); p && p->GetMaster() == master_) parts.push_back(p);
    return parts;
}

BipedPartControl* BipedRootControl::GetPart(int id) const {
    for (BipedPartControl* p : GetParts())
        if (p->GetPartId() == id) return p;
    return nullptr;
}

void BipedRootControl::GetValue(TimeValue t, void* val, Interval& valid, GetSetMethod method) {
    Matrix3 local = RotateZMatrix(FloatAt(subs_[2], t));
    local.SetTrans(Point3(FloatAt(subs_[1], t), 0.0f, FloatAt(subs_[0], t)));
    ReadMatrixValue(local, val, method);
    for (Control* c : subs_)
        if (c && c->NumKeys() > 0) valid &= Interval(t, t);
}

AffineParts BipedRootControl::SetValueParts(Control* c, TimeValue t, const void* val, GetSetMethod method) {
    Matrix3 m = *static_cast<const Matrix3*>(val);
    if (method == CTRL_RELATIVE) {
        Interval valid = FOREVER;
        Matrix3 now;
        c->GetValue(t, &now, valid, CTRL_ABSOLUTE);
        m = m * now;
    }
    AffineParts parts;
    decomp_affine(m, &parts);
    return parts;
}

void BipedRootControl::SetValue(TimeValue t, void* val, int /*commit*/, GetSetMethod method) {
    const AffineParts parts = SetValueParts(this, t, val, method);
    SetBipedPos(parts.t, t, nullptr, FALSE);
    SetBipedRot(parts.q, t, nullptr, FALSE);
}

RefResult BipedRootControl::NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID&, RefMessage message,
                                             BOOL) {
    if (message == REFMSG_CHANGE && hTarget != master_ && master_)
        for (Control* c : subs_)
            if (hTarget == c) GetMaster()->AnimationChanged();
    return REF_SUCCEED;
}

void BipedRootControl::ChangeModes(DWORD after) {
    if (after == modes_) return;
    ChangeState(this, modes_, after, kValueChangeNote);
}

void BipedRootControl::BeginModes(DWORD modes, int /*redraw*/) { ChangeModes(modes_ | (modes & BMODE_ALL)); }

void BipedRootControl::EndModes(DWORD modes, int /*redraw*/) { ChangeModes(modes_ & ~modes); }

IMixer* BipedRootControl::GetMixer() {
    BipedMaster* m = GetMaster();
    return m && m->GetState().hasMixer ? m : nullptr;
}

IMixer* BipedRootControl::MakeMixer() {
    BipedMaster* m = GetMaster();
    if (!m || m->GetState().hasMixer) return GetMixer();
    BipedMaster::State after = m->GetState();
    after.hasMixer = true;
    m->Change(after);
    return m;
}

void BipedRootControl::ChangeSettings(int layers, BOOL showFootsteps, BOOL twistLinks) {
    BipedMaster* m = GetMaster();
    if (!m) return;
    BipedMaster::State after = m->GetState();
    after.layers = layers < 0 ? 0 : layers;
    after.showFootsteps = showFootsteps ? TRUE : FALSE;
    after.twistLinks = twistLinks ? TRUE : FALSE;
    m->Change(after);
}

int BipedRootControl::NumLayers() { return GetMaster() ? GetMaster()->GetState().layers : 0; }

void BipedRootControl::CreateLayer(int /*index*/, const MCHAR* /*name*/) {
    ChangeSettings(NumLayers() + 1, GetShowFootsteps(), GetTwistLinks());
}

void BipedRootControl::DeleteLayer(int index) {
    if (index >= 0 && index < NumLayers()) ChangeSettings(NumLayers() - 1, GetShowFootsteps(), GetTwistLinks());
}

BOOL BipedRootControl::GetShowFootsteps() { return GetMaster() && GetMaster()->GetState().showFootsteps; }

void BipedRootControl::SetShowFootsteps(BOOL on) { ChangeSettings(NumLayers(), on, GetTwistLinks()); }

BOOL BipedRootControl::GetTwistLinks() { return GetMaster() && GetMaster()->GetState().twistLinks; }

void BipedRootControl::SetTwistLinks(BOOL on) { ChangeSettings(NumLayers(), GetShowFootsteps(), on); }

INode* BipedRootControl::GetNode(int id, int link) {
    BipedPartControl* p = link == 0 ? GetPart(id) : nullptr;
    return p ? p->GetNode() : nullptr;
}

INode* BipedRootControl::GetRootNode() { return NodeOfController(this); }

Point3 BipedRootControl::GetBipedPos(TimeValue t, INode* node) {
    if (node && node != GetRootNode()) {
        auto* p = dynamic_cast<BipedPartControl*>(node->GetTMController());
        return p ? p->GetFigurePos() : Point3();
    }
    return Point3(FloatAt(subs_[1], t), 0.0f, FloatAt(subs_[0], t));
}

Quat BipedRootControl::GetBipedRot(TimeValue t, INode* node, BOOL /*local*/) {
    if (node && node != GetRootNode()) {
        auto* p = dynamic_cast<BipedPartControl*>(node->GetTMController());
        Quat q;
        Interval valid = FOREVER;
        if (p && p->GetKeys()) p->GetKeys()->GetValue(t, &q, valid, CTRL_ABSOLUTE);
        return q;
    }
    return Quat::FromAngleAxis(FloatAt(subs_[2], t), Point3(0.0f, 0.0f, 1.0f));
}

void BipedRootControl::SetBipedPos(const Point3& p, TimeValue t, INode* node, BOOL setKey) {
    if (node && node != GetRootNode()) {
        if (auto* part = dynamic_cast<BipedPartControl*>(node->GetTMController())) part->SetFigurePos(p);
        return;
    }
    SetFloatAt(subs_[1], t, p.x, setKey);
    SetFloatAt(subs_[0], t, p.z, setKey);
}

void BipedRootControl::SetBipedRot(const Quat& q, TimeValue t, INode* node, BOOL setKey) {
    if (node && node != GetRootNode()) {
        auto* part = dynamic_cast<BipedPartControl*>(node->GetTMController());
        Quat v = q;
        if (part && part->GetKeys()) {
            if (setKey) part->GetKeys()->AddNewKey(t, 0);
            part->GetKeys()->SetValue(t, &v, 1, CTRL_ABSOLUTE);
        }
        return;
    }
    SetFloatAt(subs_[2], t, TurningOf(q), setKey);
}

RefTargetHandle BipedRootControl::Clone(RemapDir& remap) {
    auto* c = new BipedRootControl(TRUE);
    c->modes_ = modes_;
    for (int i = 0; i < NumRefs(); ++i) c->ReplaceReference(i, remap.CloneRef(GetReference(i)));
    BaseClone(this, c, remap);
    return c;
}

IOResult BipedRootControl::Save(ISave* isave) { return WriteValueChunk(isave, kModesChunk, modes_); }

IOResult BipedRootControl::Load(ILoad* iload) {
    return ForEachChunk(iload, [&](USHORT id) { return id == kModesChunk ? ReadValues(iload, modes_) : IO_OK; });
}

INode* CreateBiped(const MSTR& name, float height) {
    Interface* ip = GetCOREInterface();
    const auto makeNode = [ip](const MSTR& nodeName, Control* tm) {
        auto* obj = static_cast<Object*>(CreateInstance(HELPER_CLASS_ID, DUMMY_HELPER_CLASS_ID));
        INode* n = ip->CreateObjectNode(obj);
        n->SetName(nodeName.c_str());
        n->SetTMController(tm);
        return n;
    };
    auto* root = new BipedRootControl();
    INode* rootNode = makeNode(name, root);
    root->SetBipedPos(Point3(0.0f, 0.0f, height), 0, nullptr, FALSE);
    struct Part {
        int id;
        const MCHAR* suffix;
        int parent; // index into the table, -1 for the root
        Point3 figure;
    };
    const float s = height / 4.0f;
    const float z = 0.0f;
    const Part parts[] = {{KEY_SPINE, L" Spine", -1, Point3(z, z, s)},
                          {KEY_HEAD, L" Head", 0, Point3(z, z, s)},
                          {KEY_LARM, L" L UpperArm", 0, Point3(-s, z, s * 0.8f)},
                          {KEY_RARM, L" R UpperArm", 0, Point3(s, z, s * 0.8f)},
                          {KEY_LLEG, L" L Thigh", -1, Point3(-s * 0.4f, z, z)},
                          {KEY_RLEG, L" R Thigh", -1, Point3(s * 0.4f, z, z)}};
    std::vector<INode*> made;
    for (const Part& p : parts) {
        auto* ctrl = new BipedPartControl();
        ctrl->Init(root->GetMaster(), p.id, p.figure);
        INode* n = makeNode(name + p.suffix, ctrl);
        (p.parent < 0 ? rootNode : made[static_cast<size_t>(p.parent)])->AttachChild(n, 0);
        made.push_back(n);
    }
    return rootNode;
}
