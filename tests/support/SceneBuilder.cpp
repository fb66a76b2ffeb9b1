// The scene builder and the fresh-scene fixture.
#include "tests/support/SceneBuilder.h"

#include "host/core/ClassDirectory.h"
#include "host/core/Hold.h"
#include "host/scene/ILayer.h"
#include "host/scene/IDerivedObject.h"
#include "host/scene/Interface.h"
#include "host/scene/Modifier.h"
#include "host/scene/Mtl.h"
#include "host/scene/Object.h"
#include "host/scene/SceneDump.h"
#include "host/application/HostInterface.h"
#include "host/scene/objects/ObjectClasses.h"

namespace {
MSTR W(const std::string& s) { return WStr::FromUTF8(s); }
Object* Make(SClass_ID sc, Class_ID id) {
    GetCOREInterface(); // registers the classes
    return static_cast<Object*>(CreateInstance(sc, id));
}
} // namespace

SceneBuilder::NodeSpec& SceneBuilder::NodeSpec::Layer(const std::string& layerName) {
    layer_ = layerName;
    return *this;
}
SceneBuilder::NodeSpec& SceneBuilder::NodeSpec::Material(Mtl* m) {
    mtl_ = m;
    return *this;
}
SceneBuilder::NodeSpec& SceneBuilder::NodeSpec::Parent(INode* parent) {
    parent_ = parent;
    return *this;
}
SceneBuilder::NodeSpec& SceneBuilder::NodeSpec::Pos(const Point3& p) {
    hasPos_ = true;
    pos_ = p;
    return *this;
}
SceneBuilder::NodeSpec& SceneBuilder::NodeSpec::Wire(DWORD color) {
    hasWire_ = true;
    wire_ = color;
    return *this;
}

INode* SceneBuilder::NodeSpec::Build() {
    Interface* ip = GetCOREInterface();
    INode* n = ip->CreateObjectNode(obj_);
    n->SetName(W(name_).c_str());
    if (!layer_.empty()) SceneBuilder().Layer(layer_)->AddToLayer(n);
    if (mtl_) n->SetMtl(mtl_);
    if (parent_) parent_->AttachChild(n, FALSE);
    if (hasPos_) {
        Matrix3 tm = n->GetNodeTM(ip->GetTime());
        tm.SetTrans(pos_);
        n->SetNodeTM(ip->GetTime(), tm);
    }
    if (hasWire_) n->SetWireColor(wire_);
    return n;
}

SceneBuilder::NodeSpec SceneBuilder::Box(const std::string& name) {
    return NodeSpec(Make(GEOMOBJECT_CLASS_ID, BOX_OBJECT_CLASS_ID), name);
}
SceneBuilder::NodeSpec SceneBuilder::Sphere(const std::string& name) {
    return NodeSpec(Make(GEOMOBJECT_CLASS_ID, SPHERE_OBJECT_CLASS_ID), name);
}
SceneBuilder::NodeSpec SceneBuilder::Dummy(const std::string& name) {
    return NodeSpec(Make(HELPER_CLASS_ID, DUMMY_HELPER_CLASS_ID), name);
}
SceneBuilder::NodeSpec SceneBuilder::Point(const std::string& name) {
    return NodeSpec(Make(HELPER_CLASS_ID, POINT_HELPER_CLASS_ID), name);
}
SceneBuilder::NodeSpec SceneBuilder::WithObject(Object* obj, const std::string& name) { return NodeSpec(obj, name); }

Modifier* SceneBuilder::AddModifier(INode* node, const Class_ID& cid) {
    auto* mod = static_cast<Modifier*>(CreateInstance(OSM_CLASS_ID, cid));
    Object* obj = node->GetObjectRef();
    auto* derived = dynamic_cast<IDerivedObject*>(obj);
    if (!derived) {
        derived = CreateDerivedObject(obj);
        node->SetObjectRef(derived);
    }
    derived->AddModifier(mod, nullptr, 0);
    return mod;
}

Mtl* SceneBuilder::Standard(const std::string& name) {
    GetCOREInterface();
    Mtl* m = NewDefaultStdMat();
    m->SetName(W(name));
    return m;
}
Mtl* SceneBuilder::MultiSub(const std::string& name) {
    GetCOREInterface();
    Mtl* m = NewDefaultMultiMtl();
    m->SetName(W(name));
    return m;
}

ILayer* SceneBuilder::Layer(const std::string& name) {
    ILayerManager* lm = GetCOREInterface()->GetLayerManager();
    if (ILayer* l = lm->GetLayer(W(name))) return l;
    return lm->CreateLayer(W(name));
}

SceneFixture::SceneFixture()
    : rec({NOTIFY_NODE_CREATED, NOTIFY_NODE_LINKED, NOTIFY_NODE_UNLINKED, NOTIFY_NODE_HIDE, NOTIFY_NODE_UNHIDE,
           NOTIFY_NODE_FREEZE, NOTIFY_NODE_UNFREEZE, NOTIFY_NODE_PRE_MTL, NOTIFY_NODE_POST_MTL, NOTIFY_SCENE_ADDED_NODE,
           NOTIFY_SCENE_PRE_DELETED_NODE, NOTIFY_SCENE_POST_DELETED_NODE, NOTIFY_NODE_BONE_PROPERTIES_CHANGED,
           NOTIFY_NODE_USER_PROPERTIES_CHANGED, NOTIFY_NODE_LAYER_CHANGED, NOTIFY_NODE_RENAMED,
           NOTIFY_NODE_RENDER_PROPERTIES_CHANGED, NOTIFY_NODE_DISPLAY_PROPERTIES_CHANGED, NOTIFY_SELECTIONSET_CHANGED,
           NOTIFY_PRE_RENDER, NOTIFY_POST_RENDER}) {}

void SceneFixture::SetUp() {
    ResetSceneContent();
    theHold.ClearUndoBuffer();
    rec.Clear();
}

void SceneFixture::TearDown() { ResetSceneContent(); }

std::string SceneFixture::Dump() { return DumpScene(); }
