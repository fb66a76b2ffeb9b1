// The host's scene node: references, properties with their messages and undo records, hierarchy, TM.
#include "host/scene/nodes/Node.h"

#include "host/core/ClassDesc.h"
#include "host/core/ClassDirectory.h"
#include "host/core/FixedSubAnimNames.h"
#include "host/core/ChunkFields.h"
#include "host/core/HoldSuspend.h"
#include "host/core/Notify.h"
#include "host/core/RefKind.h"
#include "host/core/RemapDir.h"
#include "host/core/UniqueName.h"
#include "host/scene/Control.h"
#include "host/scene/IDerivedObject.h"
#include "host/scene/ILayer.h"
#include "host/scene/Mtl.h"
#include "host/scene/Object.h"
#include "host/scene/SceneEventManager.h"
#include "host/scene/layers/Layer.h"
#include "host/scene/nodes/NodeNameIndex.h"

#include <algorithm>
#include <iterator>
#include <utility>
#include <string>
#include <unordered_map>

namespace {

// Every live node by handle and, without case, by name.
struct NodeIndex {
    std::unordered_map<ULONG, Node*> byHandle;
    NodeNameIndex byName;
    ULONG nextHandle = 1;
};
NodeIndex& Index() {
    static NodeIndex* idx = new NodeIndex();
    return *idx;
}
void IndexName(Node* n, const MCHAR* name) { Index().byName.Add(n, name); }
void UnindexName(Node* n, const MCHAR* name) { Index().byName.Remove(n, name); }

thread_local CloneType g_cloneType = NODE_COPY;

INodeTab OneNode(INode* n) {
    INodeTab t;
    t.Append(n);
    return t;
}

// Deletes a node and everything below it through the application, children first, so every node gets its
// deletion notifications. Last child first, by handle: a deletion's handlers may take other nodes with them.
void DeleteTree(Node* top) {
    std::vector<ULONG> handles;
    for (Node* c : top->Children()) handles.push_back(c->GetHandle());
    for (auto h = handles.rbegin(); h != handles.rend(); ++h)
        if (Node* c = Node::FindByHandle(*h); c && c->GetParentNode() == top) DeleteTree(c);
    GetCOREInterface()->DeleteNode(top, FALSE);
}

const MCHAR* kSubNames[NODE_NUM_SUBANIMS] = {L"Visibility", L"Space Warps", L"Transform", L"Object", L"Material",
                                             L"Image Motion Blur Multiplier", L"Object Motion Blur On"};

bool IsWSDerived(RefTargetHandle t) {
    return t && t->SuperClassID() == GEN_DERIVOB_CLASS_ID && t->ClassID() == DERIVOB_CLASS_ID_WS;
}

float FloatValue(Control* c, TimeValue t, float def) {
    if (!c) return def;
    float v = def;
    Interval iv = FOREVER;
    c->GetValue(t, &v, iv, CTRL_ABSOLUTE);
    return v;
}

// Chunks of a node's own data.
constexpr USHORT kNameChunk = 0x2000;
constexpr USHORT kPropsChunk = 0x2010;
constexpr USHORT kUserPropsChunk = 0x2020;
constexpr USHORT kMorePropsChunk = 0x2030;

} // namespace

// A move between parents (link, unlink, a deleted node leaving its parent); undo puts the node back in
// its old place among its old parent's children and broadcasts the link again.
class NodeLinkRestore : public RestoreObj {
public:
    NodeLinkRestore(Node* child, Node* oldParent, std::int64_t oldKey, Node* newParent, std::int64_t newKey)
        : child_(Animatable::GetHandleByAnim(child)), oldParent_(oldParent ? Animatable::GetHandleByAnim(oldParent) : 0),
          newParent_(newParent ? Animatable::GetHandleByAnim(newParent) : 0), oldKey_(oldKey), newKey_(newKey) {}
    void Restore(int) override { Move(oldParent_, oldKey_); }
    void Redo() override { Move(newParent_, newKey_); }
    MSTR Description() override { return L"Link"; }

private:
    static Node* Get(AnimHandle h) { return h ? dynamic_cast<Node*>(Animatable::GetAnimByHandle(h)) : nullptr; }
    void Move(AnimHandle parent, std::int64_t key) {
        Node* c = Get(child_);
        if (!c) return;
        Node* p = Get(parent);
        c->MoveTo(p, key);
        if (p) {
            BroadcastNotification(NOTIFY_NODE_LINKED, static_cast<INode*>(c));
            TheSceneEventManager().Fire(SceneEventManager::Event::Link, c);
        }
    }
    AnimHandle child_, oldParent_, newParent_;
    std::int64_t oldKey_, newKey_;
};

Node::Node(bool isRoot, bool xrefRoot) : isRoot_(isRoot || xrefRoot), xrefRoot_(xrefRoot) {
    handle_ = Index().nextHandle++;
    Index().byHandle[handle_] = this;
    IndexName(this, name_.c_str());
}

Node::~Node() {
    for (XRefEntry& e : xrefs_)
        if (e.root) e.root->DeleteMe();
    xrefs_.clear();
    if (parent_) parent_->RemoveChild(this);
    for (auto& [k, c] : children_) c->parent_ = nullptr;
    children_.clear();
    DeleteAllRefs();
    UnindexName(this, name_.c_str());
    Index().byHandle.erase(handle_);
}

void Node::GetClassName(MSTR& s, bool) const { s = L"Node"; }

// ---- Index lookups ---------------------------------------------------------------------------------

Node* Node::FindByHandle(ULONG handle) {
    auto it = Index().byHandle.find(handle);
    return it == Index().byHandle.end() ? nullptr : it->second;
}

Node* Node::FindInSceneByName(const MCHAR* name) {
    return Index().byName.FindFirst(name, [](Node* n) { return !n->IsRootNode() && n->InScene(); });
}

bool Node::NameInScene(const MCHAR* name) { return FindInSceneByName(name) != nullptr; }

MSTR Node::MakeNameUnique(const MSTR& name) {
    if (!NameInScene(name.c_str())) return name;
    return NextFreeNumberedName(name, 0, [](const MSTR& c) { return NameInScene(c.c_str()); });
}

std::vector<Node*> Node::AllNodes() {
    std::vector<Node*> out;
    out.reserve(Index().byHandle.size());
    for (auto& [h, n] : Index().byHandle) out.push_back(n);
    return out;
}

void Node::SetCloneType(CloneType t) { g_cloneType = t; }
CloneType Node::GetCloneType() { return g_cloneType; }

Node* Node::TopRoot() {
    Node* n = this;
    while (n->parent_) n = n->parent_;
    return n;
}

bool Node::InScene() {
    if (TestAFlag(A_IS_DELETED)) return false;
    Node* top = TopRoot();
    return top->isRoot_ && !top->xrefRoot_ && static_cast<INode*>(top) == GetCOREInterface()->GetRootNode();
}

// ---- Records and messages --------------------------------------------------------------------------

void Node::PutNotifyRecord(bool onUndo, bool onRedo, std::function<void(Node*)> send) {
    if (!theHold.Holding()) return;
    theHold.Put(new NodeRestore(this, onUndo ? send : nullptr, onRedo ? send : nullptr));
}

void Node::InitReference(int which, RefTargetHandle t) {
    const HoldSuspend quiet;
    ReplaceReference(which, t);
}

RefTargetHandle Node::GetReference(int i) { return i >= 0 && i < NODE_NUM_REFS ? refs_[i] : nullptr; }

// The kind each reference holds; the getters cast what is stored, so anything else is refused here.
static ReferenceTarget* NodeSlotKind(int i, RefTargetHandle rtarg) {
    switch (i) {
    case NODE_REF_TM: return RefAs<Control>(RefOfSuperClass(rtarg, CTRL_MATRIX3_CLASS_ID));
    case NODE_REF_OBJ: return RefAs<Object>(rtarg);
    case NODE_REF_MTL: return RefAs<Mtl>(rtarg);
    case NODE_REF_LAYER: return RefAs<ILayer>(rtarg);
    case NODE_REF_VIS:
    case NODE_REF_IMAGE_BLUR:
    case NODE_REF_OBJECT_BLUR: return RefAs<Control>(RefOfSuperClass(rtarg, CTRL_FLOAT_CLASS_ID));
    default: return nullptr;
    }
}

void Node::SetReference(int i, RefTargetHandle rtarg) {
    if (i < 0 || i >= NODE_NUM_REFS) return;
    ReferenceTarget* now = NodeSlotKind(i, rtarg);
    if (i == NODE_REF_LAYER && now != refs_[i]) {
        // A layer being destroyed is no longer a Layer here: nothing is counted on it.
        if (auto* left = dynamic_cast<Layer*>(refs_[i])) left->CountNode(-1);
        if (auto* joined = dynamic_cast<Layer*>(now)) joined->CountNode(+1);
    }
    refs_[i] = now;
}

RefResult Node::NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID& partID, RefMessage message,
                                 BOOL) {
    // A transform change moves the whole subtree: tell the children's dependents too.
    if (message == REFMSG_CHANGE && hTarget && hTarget == refs_[NODE_REF_TM]) {
        std::vector<Node*> stack;
        for (auto& [k, c] : children_) stack.push_back(c);
        while (!stack.empty()) {
            Node* c = stack.back();
            stack.pop_back();
            c->NotifyDependents(FOREVER, PART_TM, REFMSG_CHANGE);
            for (auto& [k, cc] : c->children_) stack.push_back(cc);
        }
    }
    (void)partID;
    return REF_SUCCEED;
}

RefResult Node::AutoDelete() {
    if (parent_ || isRoot_) return REF_FAIL;
    return ReferenceTarget::AutoDelete();
}

// ---- Identity ---------------------------------------------------------------------------------------

void Node::ApplyName(Node* n, const MSTR& v) {
    const MSTR old = n->name_;
    if (old == v) return;
    UnindexName(n, old.c_str());
    n->name_ = v;
    IndexName(n, v.c_str());
    NameChange nc{old.c_str(), n->name_.c_str(), n};
    BroadcastNotification(NOTIFY_NODE_RENAMED, &nc);
    n->NotifyDependents(FOREVER, PART_ALL, REFMSG_NODE_NAMECHANGE);
    TheSceneEventManager().Fire(SceneEventManager::Event::Name, n);
}

void Node::SetName(const MCHAR* s) {
    const MSTR v(s ? s : L"");
    if (v == name_) return;
    Edit<MSTR>(name_, v, &Node::ApplyName);
}

// ---- Hierarchy ---------------------------------------------------------------------------------------

std::vector<Node*> Node::Children() const {
    std::vector<Node*> out;
    out.reserve(children_.size());
    for (const auto& [key, child] : children_) out.push_back(child);
    return out;
}

INode* Node::GetChildNode(int i) {
    if (i < 0 || i >= NumberOfChildren()) return nullptr;
    if (childCacheDirty_) {
        childCache_.clear();
        childCache_.reserve(children_.size());
        for (auto& [k, c] : children_) childCache_.push_back(c);
        childCacheDirty_ = false;
    }
    return childCache_[static_cast<size_t>(i)];
}

void Node::InsertChild(Node* c, std::int64_t key) {
    if (key < 0) key = nextChildKey_++;
    else if (key >= nextChildKey_) nextChildKey_ = key + 1;
    children_[key] = c;
    c->parent_ = this;
    c->keyInParent_ = key;
    childCacheDirty_ = true;
}

void Node::RemoveChild(Node* c) {
    auto it = children_.find(c->keyInParent_);
    if (it != children_.end() && it->second == c) children_.erase(it);
    c->parent_ = nullptr;
    childCacheDirty_ = true;
}

void Node::MoveTo(Node* newParent, std::int64_t key) {
    if (parent_) parent_->RemoveChild(this);
    if (newParent) newParent->InsertChild(this, key);
    NotifyDependents(FOREVER, PART_TM, REFMSG_CHANGE);
}

void Node::AttachChild(INode* child, int keepPos) {
    auto* c = dynamic_cast<Node*>(child);
    if (!c || c == this || c->isRoot_) return;
    for (Node* p = this; p; p = p->parent_)
        if (p == c) return; // would make a loop
    if (c->parent_ == this) return;
    const TimeValue t = GetCOREInterface()->GetTime();
    const Matrix3 world = keepPos ? c->GetNodeTM(t) : Matrix3();
    Node* oldParent = c->parent_;
    const std::int64_t oldKey = c->keyInParent_;
    if (oldParent) BroadcastNotification(NOTIFY_NODE_UNLINKED, static_cast<INode*>(c));
    const std::int64_t newKey = nextChildKey_;
    c->MoveTo(this, newKey);
    if (theHold.Holding()) theHold.Put(new NodeLinkRestore(c, oldParent, oldKey, this, newKey));
    if (keepPos) c->SetNodeTM(t, world);
    c->NotifyDependents(FOREVER, 0, REFMSG_NODE_LINK);
    BroadcastNotification(NOTIFY_NODE_LINKED, static_cast<INode*>(c));
    TheSceneEventManager().Fire(SceneEventManager::Event::Link, c);
}

void Node::DetachFromScene() {
    if (!parent_) return;
    Node* old = parent_;
    const std::int64_t key = keyInParent_;
    MoveTo(nullptr, -1);
    if (theHold.Holding()) theHold.Put(new NodeLinkRestore(this, old, key, nullptr, 0));
}

void Node::Detach(TimeValue, int keepPos) {
    if (isRoot_ || !parent_) return;
    Node* top = TopRoot();
    if (parent_ == top) return;
    top->AttachChild(this, keepPos);
}

// ---- Pipeline --------------------------------------------------------------------------------------

Object* Node::GetObjOrWSMRef() { return static_cast<Object*>(refs_[NODE_REF_OBJ]); }

Object* Node::GetObjectRef() {
    RefTargetHandle o = refs_[NODE_REF_OBJ];
    if (IsWSDerived(o)) return static_cast<IDerivedObject*>(o)->GetObjRef();
    return static_cast<Object*>(o);
}

void Node::SetObjectRef(Object* o) {
    auto send = [](Node* n) { n->NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE); };
    PutNotifyRecord(true, false, send);
    RefTargetHandle cur = refs_[NODE_REF_OBJ];
    if (IsWSDerived(cur) && o != cur) static_cast<IDerivedObject*>(cur)->ReferenceObject(o);
    else ReplaceReference(NODE_REF_OBJ, o);
    PutNotifyRecord(false, true, send);
    send(this);
}

ObjectState Node::EvalWorldState(TimeValue t) {
    Object* o = GetObjOrWSMRef();
    return o ? o->Eval(t) : ObjectState();
}

// ---- Transform ---------------------------------------------------------------------------------------

Control* Node::GetTMController() { return static_cast<Control*>(refs_[NODE_REF_TM]); }

BOOL Node::SetTMController(Control* m3cont) {
    if (m3cont && m3cont->SuperClassID() != CTRL_MATRIX3_CLASS_ID) return FALSE;
    auto send = [](Node* n) {
        n->NotifyDependents(FOREVER, PART_TM, REFMSG_CONTROLREF_CHANGE);
        TheSceneEventManager().Fire(SceneEventManager::Event::ControllerStructured, n);
    };
    PutNotifyRecord(true, false, send);
    if (ReplaceReference(NODE_REF_TM, m3cont) != REF_SUCCEED) return FALSE;
    PutNotifyRecord(false, true, send);
    send(this);
    return TRUE;
}

Matrix3 Node::GetNodeTM(TimeValue t, Interval* valid) {
    if (isRoot_) return Matrix3();
    Matrix3 m = parent_ ? parent_->GetNodeTM(t, valid) : Matrix3();
    if (Control* c = GetTMController()) {
        Interval iv = FOREVER;
        c->GetValue(t, &m, iv, CTRL_RELATIVE);
        if (valid) *valid = *valid & iv;
    }
    return m;
}

void Node::SetNodeTM(TimeValue t, const Matrix3& tm) {
    Control* c = GetTMController();
    if (!c || isRoot_) return;
    const Matrix3 parentTM = parent_ ? parent_->GetNodeTM(t) : Matrix3();
    Matrix3 local = tm * Inverse(parentTM);
    c->SetValue(t, &local, 1, CTRL_ABSOLUTE);
}

Matrix3 Node::GetObjectTM(TimeValue t, Interval* valid) {
    Matrix3 off = ScaleMatrix(offScale_.s);
    Matrix3 r;
    r.SetRotate(offRot_);
    off = off * r;
    off.Translate(offPos_);
    return off * GetNodeTM(t, valid);
}

void Node::SetObjOffsetPos(const Point3& p) {
    Edit<Point3>(offPos_, p, [](Node* n, const Point3& v) {
        n->offPos_ = v;
        n->NotifyDependents(FOREVER, PART_GEOM, REFMSG_CHANGE);
    });
}
void Node::SetObjOffsetRot(const Quat& q) {
    Edit<Quat>(offRot_, q, [](Node* n, const Quat& v) {
        n->offRot_ = v;
        n->NotifyDependents(FOREVER, PART_GEOM, REFMSG_CHANGE);
    });
}
void Node::SetObjOffsetScale(const ScaleValue& sv) {
    Edit<ScaleValue>(offScale_, sv, [](Node* n, const ScaleValue& v) {
        n->offScale_ = v;
        n->NotifyDependents(FOREVER, PART_GEOM, REFMSG_CHANGE);
    });
}

BOOL Node::GetTransformLock(int type, int axis) {
    if (type < 0 || type > 2 || axis < 0 || axis > 2) return FALSE;
    return (locks_ >> (type * 3 + axis)) & 1u;
}
void Node::SetTransformLock(int type, int axis, BOOL onOff) {
    if (type < 0 || type > 2 || axis < 0 || axis > 2) return;
    const DWORD bit = 1u << (type * 3 + axis);
    const DWORD v = onOff ? (locks_ | bit) : (locks_ & ~bit);
    if (v == locks_) return;
    Edit<DWORD>(locks_, v, [](Node* n, const DWORD& x) { n->locks_ = x; });
}

void Node::SetSkinPos(const Point3& p) { Edit<Point3>(skinPos_, p, [](Node* n, const Point3& v) { n->skinPos_ = v; }); }
void Node::SetSkinRotEuler(const Point3& r) {
    Edit<Point3>(skinRot_, r, [](Node* n, const Point3& v) { n->skinRot_ = v; });
}
void Node::SetSkinScale(const Point3& s) {
    Edit<Point3>(skinScale_, s, [](Node* n, const Point3& v) { n->skinScale_ = v; });
}
void Node::SetSkinScaleOrient(const Quat& q) {
    Edit<Quat>(skinScaleOrient_, q, [](Node* n, const Quat& v) { n->skinScaleOrient_ = v; });
}

// ---- Material and layer ------------------------------------------------------------------------------

Mtl* Node::GetMtl() { return static_cast<Mtl*>(refs_[NODE_REF_MTL]); }

void Node::SetMtl(Mtl* matl) {
    if (matl == GetMtl()) return;
    auto send = [](Node* n) { n->NotifyDependents(FOREVER, PART_MTL, REFMSG_NODE_MATERIAL_CHANGED); };
    BroadcastNotification(NOTIFY_NODE_PRE_MTL, static_cast<INode*>(this));
    PutNotifyRecord(true, false, send);
    ReplaceReference(NODE_REF_MTL, matl);
    if (matl)
        if (MtlBaseLib* lib = GetCOREInterface()->GetSceneMtls()) lib->Add(matl);
    PutNotifyRecord(false, true, send);
    send(this);
    BroadcastNotification(NOTIFY_NODE_POST_MTL, static_cast<INode*>(this));
}

ILayer* Node::GetLayer() { return static_cast<ILayer*>(refs_[NODE_REF_LAYER]); }

void Node::SendLayerChanged(ILayer* oldLayer) {
    NodeLayerChange ch{this, oldLayer, GetLayer()};
    BroadcastNotification(NOTIFY_NODE_LAYER_CHANGED, &ch);
}

void Node::SetLayer(ILayer* layer) {
    ILayer* old = GetLayer();
    if (!layer || layer == old) return;
    const AnimHandle oldH = old ? Animatable::GetHandleByAnim(old) : 0;
    const AnimHandle newH = Animatable::GetHandleByAnim(layer);
    // Undo and redo broadcast the move again, from the layer the node leaves.
    PutNotifyRecord(true, false, [newH](Node* n) { n->SendLayerChanged(dynamic_cast<ILayer*>(Animatable::GetAnimByHandle(newH))); });
    // Layers are kept by the layer manager; leaving one never deletes it.
    ReplaceReference(NODE_REF_LAYER, layer, FALSE);
    PutNotifyRecord(false, true, [oldH](Node* n) { n->SendLayerChanged(dynamic_cast<ILayer*>(Animatable::GetAnimByHandle(oldH))); });
    SendLayerChanged(old);
}

// ---- Display, render, user and bone properties -----------------------------------------------------

void Node::SetWireColor(DWORD newcol) {
    if (newcol == wireColor_) return;
    Edit<DWORD>(wireColor_, newcol, [](Node* n, const DWORD& v) {
        n->wireColor_ = v;
        n->NotifyDependents(FOREVER, PART_DISPLAY, REFMSG_NODE_WIRECOLOR_CHANGED);
    });
}

int Node::IsHidden(DWORD, BOOL) { return (dispFlags_ & NODE_DISP_HIDDEN) != 0; }

// v = {flags, byte0, byte1}: sets the display state and sends what changed.
void Node::ApplyDisplay(Node* n, const std::vector<DWORD>& v) {
    const DWORD changed = n->dispFlags_ ^ v[0];
    const bool bytesChanged = n->dispBytes_[0] != v[1] || n->dispBytes_[1] != v[2];
    n->dispFlags_ = v[0];
    n->dispBytes_[0] = static_cast<BYTE>(v[1]);
    n->dispBytes_[1] = static_cast<BYTE>(v[2]);
    if (changed & NODE_DISP_HIDDEN) {
        n->NotifyDependents(FOREVER, PART_HIDESTATE, REFMSG_NODE_DISPLAY_PROP_CHANGED);
        BroadcastNotification((v[0] & NODE_DISP_HIDDEN) ? NOTIFY_NODE_HIDE : NOTIFY_NODE_UNHIDE, static_cast<INode*>(n));
    }
    if (changed & NODE_DISP_FROZEN) {
        n->NotifyDependents(FOREVER, PART_FREEZESTATE, REFMSG_NODE_DISPLAY_PROP_CHANGED);
        BroadcastNotification((v[0] & NODE_DISP_FROZEN) ? NOTIFY_NODE_FREEZE : NOTIFY_NODE_UNFREEZE,
                              static_cast<INode*>(n));
    }
    if ((changed & ~(NODE_DISP_HIDDEN | NODE_DISP_FROZEN)) || bytesChanged) {
        n->NotifyDependents(FOREVER, 0, REFMSG_NODE_DISPLAY_PROP_CHANGED);
        INodeTab tab = OneNode(n);
        BroadcastNotification(NOTIFY_NODE_DISPLAY_PROPERTIES_CHANGED, &tab);
    }
}

void Node::SetDisplayFlags(DWORD flags) {
    if (flags == dispFlags_) return;
    Edit<std::vector<DWORD>>({dispFlags_, dispBytes_[0], dispBytes_[1]}, {flags, dispBytes_[0], dispBytes_[1]},
                             &Node::ApplyDisplay);
}
void Node::Hide(BOOL onOff) {
    SetDisplayFlags(onOff ? (dispFlags_ | NODE_DISP_HIDDEN) : (dispFlags_ & ~NODE_DISP_HIDDEN));
}
void Node::Freeze(BOOL onOff) {
    SetDisplayFlags(onOff ? (dispFlags_ | NODE_DISP_FROZEN) : (dispFlags_ & ~NODE_DISP_FROZEN));
}
BYTE Node::GetDisplayByte(int which) { return which == 0 || which == 1 ? dispBytes_[which] : 0; }
void Node::SetDisplayByte(int which, BYTE v) {
    if ((which != 0 && which != 1) || dispBytes_[which] == v) return;
    std::vector<DWORD> next{dispFlags_, dispBytes_[0], dispBytes_[1]};
    next[static_cast<size_t>(which) + 1] = v;
    Edit<std::vector<DWORD>>({dispFlags_, dispBytes_[0], dispBytes_[1]}, next, &Node::ApplyDisplay);
}

void Node::SetRenderFlagsAndValues(DWORD flags, const int* values) {
    constexpr DWORD kGI = NODE_REND_GI_EXCLUDED | NODE_REND_GI_RECEIVE | NODE_REND_GI_GENERATE;
    using State = std::vector<DWORD>; // flags, value 0..2
    const State oldS{renderFlags_, static_cast<DWORD>(renderValues_[0]), static_cast<DWORD>(renderValues_[1]),
                     static_cast<DWORD>(renderValues_[2])};
    const State newS{flags, static_cast<DWORD>(values[0]), static_cast<DWORD>(values[1]), static_cast<DWORD>(values[2])};
    if (oldS == newS) return;
    Edit<State>(oldS, newS, [](Node* n, const State& v) {
        const DWORD changed = n->renderFlags_ ^ v[0];
        const bool valuesChanged = n->renderValues_[0] != static_cast<int>(v[1]) ||
                                   n->renderValues_[1] != static_cast<int>(v[2]) ||
                                   n->renderValues_[2] != static_cast<int>(v[3]);
        n->renderFlags_ = v[0];
        for (int i = 0; i < 3; ++i) n->renderValues_[i] = static_cast<int>(v[static_cast<size_t>(i) + 1]);
        if (changed & kGI) n->NotifyDependents(FOREVER, 0, REFMSG_NODE_GI_PROP_CHANGED);
        if ((changed & ~kGI) || valuesChanged) n->NotifyDependents(FOREVER, 0, REFMSG_NODE_RENDERING_PROP_CHANGED);
        INodeTab tab = OneNode(n);
        BroadcastNotification(NOTIFY_NODE_RENDER_PROPERTIES_CHANGED, &tab);
    });
}

void Node::SetRenderFlags(DWORD flags) { SetRenderFlagsAndValues(flags, renderValues_); }
int Node::GetRenderValue(int which) { return which >= 0 && which < 3 ? renderValues_[which] : 0; }
void Node::SetRenderValue(int which, int v) {
    if (which < 0 || which > 2) return;
    int vals[3] = {renderValues_[0], renderValues_[1], renderValues_[2]};
    vals[which] = v;
    SetRenderFlagsAndValues(renderFlags_, vals);
}

float Node::GetVisibility(TimeValue t) { return FloatValue(static_cast<Control*>(refs_[NODE_REF_VIS]), t, 1.0f); }
void Node::SetVisibility(TimeValue t, float vis) {
    if (!refs_[NODE_REF_VIS]) ReplaceReference(NODE_REF_VIS, NewDefaultFloatController());
    if (auto* c = static_cast<Control*>(refs_[NODE_REF_VIS])) c->SetValue(t, &vis);
}
float Node::GetImageBlurMultiplier(TimeValue t) {
    return FloatValue(static_cast<Control*>(refs_[NODE_REF_IMAGE_BLUR]), t, 1.0f);
}
void Node::SetImageBlurMultiplier(TimeValue t, float m) {
    if (!refs_[NODE_REF_IMAGE_BLUR]) ReplaceReference(NODE_REF_IMAGE_BLUR, NewDefaultFloatController());
    if (auto* c = static_cast<Control*>(refs_[NODE_REF_IMAGE_BLUR])) c->SetValue(t, &m);
}

void Node::SetUserPropBuffer(const MSTR& buf) {
    if (buf == userProps_) return;
    Edit<MSTR>(userProps_, buf, [](Node* n, const MSTR& v) {
        n->userProps_ = v;
        INodeTab tab = OneNode(n);
        BroadcastNotification(NOTIFY_NODE_USER_PROPERTIES_CHANGED, &tab);
    });
}

void Node::SetBoneNodeOnOff(BOOL onOff, TimeValue) {
    const DWORD v = onOff ? 1 : 0;
    if (v == static_cast<DWORD>(boneOn_ ? 1 : 0)) return;
    Edit<DWORD>(boneOn_ ? 1 : 0, v, [](Node* n, const DWORD& x) {
        n->boneOn_ = x ? TRUE : FALSE;
        INodeTab tab = OneNode(n);
        BroadcastNotification(NOTIFY_NODE_BONE_PROPERTIES_CHANGED, &tab);
    });
}
void Node::SetBoneFlags(BYTE f) {
    if (f == boneFlags_) return;
    Edit<DWORD>(boneFlags_, f, [](Node* n, const DWORD& x) {
        n->boneFlags_ = static_cast<BYTE>(x);
        INodeTab tab = OneNode(n);
        BroadcastNotification(NOTIFY_NODE_BONE_PROPERTIES_CHANGED, &tab);
    });
}

void Node::SetBoneAxis(int axis) {
    if (axis < 0 || axis > 2 || axis == boneAxis_) return;
    Edit<DWORD>(static_cast<DWORD>(boneAxis_), static_cast<DWORD>(axis), [](Node* n, const DWORD& x) {
        n->boneAxis_ = static_cast<int>(x);
        INodeTab tab = OneNode(n);
        BroadcastNotification(NOTIFY_NODE_BONE_PROPERTIES_CHANGED, &tab);
    });
}
void Node::SetBoneAxisFlip(BOOL onOff) {
    const DWORD v = onOff ? 1 : 0;
    if (v == static_cast<DWORD>(boneFlip_ ? 1 : 0)) return;
    Edit<DWORD>(boneFlip_ ? 1 : 0, v, [](Node* n, const DWORD& x) {
        n->boneFlip_ = x ? TRUE : FALSE;
        INodeTab tab = OneNode(n);
        BroadcastNotification(NOTIFY_NODE_BONE_PROPERTIES_CHANGED, &tab);
    });
}

void Node::SetRenderFactor(int which, float v) {
    if (which < 0 || which >= NODE_NUM_RENDER_FACTORS || factors_[which] == v) return;
    using Factor = std::pair<int, float>;
    Edit<Factor>({which, factors_[which]}, {which, v}, [](Node* n, const Factor& f) {
        n->factors_[f.first] = f.second;
        n->NotifyDependents(FOREVER, 0,
                            f.first == NODE_FACTOR_OBJECT_BLUR ? REFMSG_NODE_RENDERING_PROP_CHANGED
                                                               : REFMSG_NODE_GI_PROP_CHANGED);
        INodeTab tab = OneNode(n);
        BroadcastNotification(NOTIFY_NODE_RENDER_PROPERTIES_CHANGED, &tab);
    });
}

// ---- Display interface and skin pose interface -------------------------------------------------------

namespace {
constexpr DWORD kInterfaceProps = NODE_DISP_SHOW_LINKS | NODE_DISPLAY_INTERFACE_RENDER_BITS;
bool OneInterfaceProp(DWORD prop) {
    return prop && (prop & kInterfaceProps) == prop && (prop & (prop - 1)) == 0;
}
} // namespace

BaseInterface* Node::GetInterface(Interface_ID id) {
    if (id == NODE_DISPLAY_PROPERTIES_INTERFACE) return &displayProps_;
    if (id == SKINPOSE_INTERFACE) return &skinPose_;
    return INode::GetInterface(id);
}

void Node::SetInterfaceFlag(DWORD prop, BOOL on) {
    if (!OneInterfaceProp(prop)) return;
    const DWORD v = on ? (ifaceFlags_ | prop) : (ifaceFlags_ & ~prop);
    if (v == ifaceFlags_) return;
    Edit<DWORD>(ifaceFlags_, v, [](Node* n, const DWORD& x) {
        n->ifaceFlags_ = x;
        n->NotifyDependents(FOREVER, PART_DISPLAY, REFMSG_SUBANIM_STRUCTURE_CHANGED);
    });
}

BOOL NodeDisplayProperties::GetNodeDisplayProperty(DWORD prop) {
    return OneInterfaceProp(prop) && (node_->GetInterfaceFlags() & prop) ? TRUE : FALSE;
}
void NodeDisplayProperties::SetNodeDisplayProperty(DWORD prop, BOOL on) { node_->SetInterfaceFlag(prop, on); }

Point3 NodeSkinPose::SkinPos() { return node_->GetSkinPos(); }
void NodeSkinPose::SetSkinPos(const Point3& p) { node_->SetSkinPos(p); }
Point3 NodeSkinPose::SkinRot() { return node_->GetSkinRotEuler(); }
void NodeSkinPose::SetSkinRot(const Point3& r) { node_->SetSkinRotEuler(r); }
Point3 NodeSkinPose::SkinScale() { return node_->GetSkinScale(); }
void NodeSkinPose::SetSkinScale(const Point3& s) { node_->SetSkinScale(s); }
Quat NodeSkinPose::SkinScaleOrient() { return node_->GetSkinScaleOrient(); }
void NodeSkinPose::SetSkinScaleOrient(const Quat& q) { node_->SetSkinScaleOrient(q); }

void Node::SetGroupBit(BYTE bit, BOOL on) {
    const DWORD v = on ? (group_ | bit) : (group_ & ~bit);
    if (v == group_) return;
    Edit<DWORD>(group_, v, [](Node* n, const DWORD& x) {
        n->group_ = static_cast<BYTE>(x);
        TheSceneEventManager().Fire(SceneEventManager::Event::Group, n);
    });
}

// ---- Targets ----------------------------------------------------------------------------------------

// A node's target is the first target of the look-at constraint turning it; the target finds its looker
// through its dependents (constraint, transform controller, node). The link lives in the controllers, so
// it survives save, open, merge and cloning with them.
INode* Node::GetTarget() {
    Control* tm = GetTMController();
    Control* rot = tm ? tm->GetRotationController() : nullptr;
    auto* targets = rot ? static_cast<IConstraintTargets*>(rot->GetInterface(LOOKAT_CONSTRAINT_INTERFACE)) : nullptr;
    return targets && targets->GetNumTargets() > 0 ? targets->GetNode(0) : nullptr;
}
INode* Node::GetLookatNode() {
    DependentIterator constraints(this);
    while (ReferenceMaker* c = constraints.Next()) {
        if (c->SuperClassID() != CTRL_ROTATION_CLASS_ID || !c->GetInterface(LOOKAT_CONSTRAINT_INTERFACE)) continue;
        DependentIterator tms(dynamic_cast<ReferenceTarget*>(c));
        while (ReferenceMaker* tm = tms.Next()) {
            if (tm->SuperClassID() != CTRL_MATRIX3_CLASS_ID) continue;
            DependentIterator nodes(dynamic_cast<ReferenceTarget*>(tm));
            while (ReferenceMaker* n = nodes.Next())
                if (auto* looker = dynamic_cast<Node*>(n); looker && looker->GetTarget() == this) return looker;
        }
    }
    return nullptr;
}

// ---- External-scene entries ----------------------------------------------------------------------

BOOL Node::AddNewXRefFile(const MSTR& file, BOOL, BOOL hideInManager) {
    if (!isRoot_ || xrefRoot_ || file.isNull()) return FALSE;
    auto* tree = new Node(true, true);
    UnindexName(tree, tree->name_.c_str());
    tree->name_ = file; // a tree root's name is its file; it is not indexed as a scene name
    xrefs_.push_back({file, tree, hideInManager});
    return TRUE;
}

MSTR Node::GetXRefFile(int i) {
    return i >= 0 && i < GetXRefFileCount() ? xrefs_[static_cast<size_t>(i)].file : MSTR();
}
INode* Node::GetXRefTree(int i) {
    return i >= 0 && i < GetXRefFileCount() ? xrefs_[static_cast<size_t>(i)].root : nullptr;
}
BOOL Node::DeleteXRefFile(int i) {
    if (i < 0 || i >= GetXRefFileCount()) return FALSE;
    Node* tree = xrefs_[static_cast<size_t>(i)].root;
    xrefs_.erase(xrefs_.begin() + i);
    if (tree) {
        // By handle: deleting one subtree may take others with it (handlers of the deletion).
        std::vector<ULONG> handles;
        for (Node* c : tree->Children()) handles.push_back(c->GetHandle());
        for (ULONG h : handles)
            if (Node* c = FindByHandle(h); c && c->parent_ == tree)
                DeleteTree(c);
        tree->DeleteMe();
    }
    return TRUE;
}

// ---- Sub-animatables ------------------------------------------------------------------------------

Animatable* Node::SubAnim(int i) {
    switch (i) {
    case NODE_SUBANIM_VISIBILITY: return refs_[NODE_REF_VIS];
    case NODE_SUBANIM_SPACEWARPS: return IsWSDerived(refs_[NODE_REF_OBJ]) ? refs_[NODE_REF_OBJ] : nullptr;
    case NODE_SUBANIM_TRANSFORM: return refs_[NODE_REF_TM];
    case NODE_SUBANIM_OBJECT: return GetObjectRef();
    case NODE_SUBANIM_MATERIAL: return refs_[NODE_REF_MTL];
    case NODE_SUBANIM_IMAGE_BLUR_MULT: return refs_[NODE_REF_IMAGE_BLUR];
    case NODE_SUBANIM_OBJECT_BLUR_ON: return refs_[NODE_REF_OBJECT_BLUR];
    default: return nullptr;
    }
}

MSTR Node::SubAnimName(int i, bool) { return i >= 0 && i < NODE_NUM_SUBANIMS ? MSTR(kSubNames[i]) : MSTR(); }

void* Node::GetInterface(ULONG id) {
    static const FixedSubAnimNames fixed{kSubNames, NODE_NUM_SUBANIMS};
    if (id == I_FIXED_SUBANIM_NAMES) return const_cast<FixedSubAnimNames*>(&fixed);
    return INode::GetInterface(id);
}

int Node::SubNumToRefNum(int subNum) {
    const bool ws = IsWSDerived(refs_[NODE_REF_OBJ]);
    switch (subNum) {
    case NODE_SUBANIM_VISIBILITY: return NODE_REF_VIS;
    case NODE_SUBANIM_SPACEWARPS: return ws ? NODE_REF_OBJ : -1;
    case NODE_SUBANIM_TRANSFORM: return NODE_REF_TM;
    case NODE_SUBANIM_OBJECT: return ws ? -1 : NODE_REF_OBJ;
    case NODE_SUBANIM_MATERIAL: return NODE_REF_MTL;
    case NODE_SUBANIM_IMAGE_BLUR_MULT: return NODE_REF_IMAGE_BLUR;
    case NODE_SUBANIM_OBJECT_BLUR_ON: return NODE_REF_OBJECT_BLUR;
    default: return -1;
    }
}

BOOL Node::CanAssignController(int subAnim) {
    return subAnim == NODE_SUBANIM_VISIBILITY || subAnim == NODE_SUBANIM_TRANSFORM ||
           subAnim == NODE_SUBANIM_IMAGE_BLUR_MULT || subAnim == NODE_SUBANIM_OBJECT_BLUR_ON;
}

BOOL Node::AssignController(Animatable* control, int subAnim) {
    auto* c = dynamic_cast<Control*>(control);
    if (!CanAssignController(subAnim)) return FALSE;
    if (subAnim == NODE_SUBANIM_TRANSFORM) return SetTMController(c);
    if (c && c->SuperClassID() != CTRL_FLOAT_CLASS_ID) return FALSE;
    const int ref = SubNumToRefNum(subAnim);
    return ReplaceReference(ref, c) == REF_SUCCEED;
}

BOOL Node::CanDeleteSubAnim(int i) {
    return (i == NODE_SUBANIM_VISIBILITY || i == NODE_SUBANIM_IMAGE_BLUR_MULT || i == NODE_SUBANIM_OBJECT_BLUR_ON) &&
           SubAnim(i) != nullptr;
}
void Node::DeleteSubAnim(int i) {
    if (CanDeleteSubAnim(i)) DeleteReference(SubNumToRefNum(i));
}

// ---- Clone, save, load ---------------------------------------------------------------------------

void Node::ResetProperties() {
    offPos_ = Point3();
    offRot_ = Quat();
    offScale_ = ScaleValue();
    locks_ = 0;
    skinPos_ = Point3();
    skinRot_ = Point3();
    skinScale_ = Point3(1.0f, 1.0f, 1.0f);
    skinScaleOrient_ = Quat();
    wireColor_ = NODE_DEFAULT_WIRE_COLOR;
    dispFlags_ = 0;
    dispBytes_[0] = dispBytes_[1] = 0;
    renderFlags_ = NODE_DEFAULT_RENDER_FLAGS;
    renderValues_[0] = renderValues_[1] = renderValues_[2] = 0;
    userProps_ = MSTR();
    boneOn_ = FALSE;
    boneFlags_ = 0;
    boneAxis_ = 0;
    boneFlip_ = FALSE;
    for (float& f : factors_) f = 1.0f;
    ifaceFlags_ = 0;
    group_ = 0;
}

RefTargetHandle Node::Clone(RemapDir& remap) {
    auto* n = new Node(false, false);
    UnindexName(n, n->name_.c_str());
    n->name_ = name_;
    IndexName(n, n->name_.c_str());
    n->offPos_ = offPos_;
    n->offRot_ = offRot_;
    n->offScale_ = offScale_;
    n->locks_ = locks_;
    n->skinPos_ = skinPos_;
    n->skinRot_ = skinRot_;
    n->skinScale_ = skinScale_;
    n->skinScaleOrient_ = skinScaleOrient_;
    n->wireColor_ = wireColor_;
    n->dispFlags_ = dispFlags_;
    n->dispBytes_[0] = dispBytes_[0];
    n->dispBytes_[1] = dispBytes_[1];
    n->renderFlags_ = renderFlags_;
    for (int i = 0; i < 3; ++i) n->renderValues_[i] = renderValues_[i];
    n->userProps_ = userProps_;
    n->boneOn_ = boneOn_;
    n->boneFlags_ = boneFlags_;
    n->boneAxis_ = boneAxis_;
    n->boneFlip_ = boneFlip_;
    std::copy(std::begin(factors_), std::end(factors_), std::begin(n->factors_));
    n->ifaceFlags_ = ifaceFlags_;
    n->group_ = group_;
    n->ReplaceReference(NODE_REF_TM, remap.CloneRef(refs_[NODE_REF_TM]));
    RefTargetHandle obj = refs_[NODE_REF_OBJ];
    switch (g_cloneType) {
    case NODE_INSTANCE: n->ReplaceReference(NODE_REF_OBJ, obj); break;
    case NODE_REFERENCE:
        n->ReplaceReference(NODE_REF_OBJ, obj ? CreateDerivedObject(static_cast<Object*>(obj)) : nullptr);
        break;
    default: n->ReplaceReference(NODE_REF_OBJ, remap.CloneRef(obj)); break;
    }
    n->ReplaceReference(NODE_REF_MTL, refs_[NODE_REF_MTL]);
    n->ReplaceReference(NODE_REF_LAYER, refs_[NODE_REF_LAYER]);
    for (int r : {NODE_REF_VIS, NODE_REF_IMAGE_BLUR, NODE_REF_OBJECT_BLUR})
        n->ReplaceReference(r, remap.CloneRef(refs_[r]));
    BaseClone(this, n, remap);
    return n;
}

IOResult Node::Save(ISave* isave) {
    if (WriteStringChunk(isave, kNameChunk, name_) != IO_OK) return IO_ERROR;
    const BYTE root = isRoot_ ? 1 : 0;
    const BYTE bone = boneOn_ ? 1 : 0;
    if (WriteValueChunk(isave, kPropsChunk, root, offPos_, offRot_, offScale_.s, offScale_.q, locks_, skinPos_,
                        skinRot_, skinScale_, skinScaleOrient_, wireColor_, dispFlags_, dispBytes_, renderFlags_,
                        renderValues_, bone, boneFlags_, group_) != IO_OK)
        return IO_ERROR;
    if (!userProps_.isNull() && WriteStringChunk(isave, kUserPropsChunk, userProps_) != IO_OK) return IO_ERROR;
    const BYTE flip = boneFlip_ ? 1 : 0;
    const auto axis = static_cast<BYTE>(boneAxis_);
    if (WriteValueChunk(isave, kMorePropsChunk, axis, flip, factors_, ifaceFlags_) != IO_OK) return IO_ERROR;
    return IO_OK;
}

IOResult Node::Load(ILoad* iload) {
    return ForEachChunk(iload, [&](USHORT id) {
        IOResult r = IO_OK;
        switch (id) {
        case kNameChunk: {
            MSTR s;
            r = iload->ReadWStringChunk(s);
            if (r == IO_OK) {
                UnindexName(this, name_.c_str());
                name_ = std::move(s);
                IndexName(this, name_.c_str());
            }
            break;
        }
        case kPropsChunk: {
            BYTE root = 0, bone = 0;
            r = ReadValues(iload, root, offPos_, offRot_, offScale_.s, offScale_.q, locks_, skinPos_, skinRot_,
                           skinScale_, skinScaleOrient_, wireColor_, dispFlags_, dispBytes_, renderFlags_,
                           renderValues_, bone, boneFlags_, group_);
            (void)root; // roots are never written as nodes: a file cannot make one
            boneOn_ = bone ? TRUE : FALSE;
            break;
        }
        case kUserPropsChunk: r = iload->ReadWStringChunk(userProps_); break;
        case kMorePropsChunk: {
            BYTE axis = 0, flip = 0;
            r = ReadValues(iload, axis, flip, factors_, ifaceFlags_);
            boneAxis_ = axis <= 2 ? axis : 0;
            boneFlip_ = flip ? TRUE : FALSE;
            ifaceFlags_ &= kInterfaceProps;
            break;
        }
        default: break;
        }
        return r;
    });
}

// ---- Class registration ---------------------------------------------------------------------------

namespace {
class NodeClassDesc : public ClassDesc2 {
public:
    int IsPublic() override { return 0; }
    void* Create(BOOL) override { return new Node(); }
    const MCHAR* ClassName() override { return L"Node"; }
    SClass_ID SuperClassID() override { return BASENODE_CLASS_ID; }
    Class_ID ClassID() override { return NODE_CLASS_IDENT; }
    const MCHAR* Category() override { return L""; }
};
} // namespace

void RegisterNodeClasses() {
    static NodeClassDesc* desc = new NodeClassDesc();
    ClassDirectory& dir = GetClassDirectory();
    if (!dir.FindClass(BASENODE_CLASS_ID, NODE_CLASS_IDENT)) dir.AddClass(desc);
}
