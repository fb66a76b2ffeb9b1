// The common scene classes from script: light and camera properties and targets, the XForm's gizmo and
// centre, editable mesh counts, instances and references of nodes, and groups.
#include "host/core/ClassDirectory.h"
#include "host/scene/Control.h"
#include "host/scene/INode.h"
#include "host/scene/IParamBlock2.h"
#include "host/scene/Interface.h"
#include "host/scene/controllers/ControllerClassIds.h"
#include "host/scene/controllers/LookAtConstraint.h"
#include "host/scene/objects/EditableMesh.h"
#include "host/scene/objects/FFDLattice.h"
#include "host/scene/objects/StandardCamera.h"
#include "host/scene/objects/StandardLight.h"
#include "host/scene/objects/XFormModifier.h"
#include "host/script/Interpreter.h"
#include "host/script/ScriptError.h"
#include "host/script/scene/NodeValue.h"
#include "host/script/scene/SceneClasses.h"
#include "host/script/scene/SceneProperties.h"

#include <cstdint>
#include <cwctype>
#include <unordered_set>

namespace {

Interface* Ip() { return GetCOREInterface(); }
TimeValue Now() { return Ip()->GetTime(); }

const ObjectClassDef* DefOf(Animatable* a) {
    auto* cd = a ? dynamic_cast<ObjectClassDesc*>(GetClassDirectory().FindClass(a->SuperClassID(), a->ClassID()))
                 : nullptr;
    return cd ? &cd->Def() : nullptr;
}

std::wstring ClassWord(Animatable* a) {
    MSTR s;
    a->GetClassName(s);
    return s.str();
}

// ---- lights --------------------------------------------------------------------------------------

// A light's include or exclude list as an array, undefined when the list is of the other kind.
Value ListValue(LightObject* l, bool include) {
    ExclList* list = l->GetExclList();
    if ((list->TestFlag(NT_INCLUDE) != 0) != include) return Value();
    std::vector<Value> nodes;
    for (INode* n : list->Nodes()) nodes.push_back(MakeNodeValue(n));
    return Value::Array(std::move(nodes));
}

void SetList(Interpreter& interp, LightObject* l, bool include, const Value& v) {
    std::vector<INode*> nodes = NodesOf(interp, v, include ? L"includeList" : L"excludeList");
    ExclList* list = l->GetExclList();
    list->SetSize(0);
    for (INode* n : nodes) list->AddNode(n);
    list->SetFlag(NT_INCLUDE, include ? TRUE : FALSE);
}

// A light's non-animated switches by script name; inverted for the ones on by default.
struct LightSwitch {
    const wchar_t* name;
    StandardLight::Flag flag;
    bool inverted;
};
const LightSwitch kLightSwitches[] = {
    {L"usenearatten", StandardLight::kUseNearAtten, false}, {L"usefaratten", StandardLight::kUseFarAtten, false},
    {L"showcone", StandardLight::kShowCone, false},         {L"overshoot", StandardLight::kOvershoot, false},
    {L"atmosshadows", StandardLight::kAtmosShadows, false}, {L"affectdiffuse", StandardLight::kNoDiffuse, true},
    {L"affectspecular", StandardLight::kNoSpecular, true},  {L"ambientonly", StandardLight::kAmbientOnly, false},
};
const LightSwitch* FindLightSwitch(const std::wstring& name) {
    for (const LightSwitch& s : kLightSwitches)
        if (name == s.name) return &s;
    return nullptr;
}

// inclExclType: what the include/exclude list affects, 1 illumination, 2 shadow casting, 3 both (a list
// never told counts as both).
int InclExclType(ExclList* list) {
    const int t = (list->TestFlag(NT_AFFECT_ILLUM) ? 1 : 0) | (list->TestFlag(NT_AFFECT_SHADOWCAST) ? 2 : 0);
    return t ? t : 3;
}
void SetInclExclType(ExclList* list, const Value& v) {
    const std::int64_t t = ArgInt(v);
    if (t < 1 || t > 3)
        throw ScriptError(L"Runtime error: inclExclType must be 1 (illumination), 2 (shadow casting) or 3 (both), got: " +
                          v.PrintForm());
    list->SetFlag(NT_AFFECT_ILLUM, (t & 1) != 0);
    list->SetFlag(NT_AFFECT_SHADOWCAST, (t & 2) != 0);
}

// A camera's display switches by script name.
struct CameraSwitch {
    const wchar_t* name;
    StandardCamera::Flag flag;
};
const CameraSwitch kCameraSwitches[] = {
    {L"clipmanually", StandardCamera::kClipManually}, {L"orthoprojection", StandardCamera::kOrthographic},
    {L"showcone", StandardCamera::kShowCone},         {L"showhorizon", StandardCamera::kShowHorizon},
    {L"showranges", StandardCamera::kShowRanges},
};
const CameraSwitch* FindCameraSwitch(const std::wstring& name) {
    for (const CameraSwitch& s : kCameraSwitches)
        if (name == s.name) return &s;
    return nullptr;
}

// ---- nodes ---------------------------------------------------------------------------------------

// instance and reference: a new node sharing the object (instance) or a new stack over it (reference).
NativeFn CloneAs(const wchar_t* fn, CloneType type) {
    return [fn, type](Interpreter& interp, CallArgs& a) {
        CheckArgCount(fn, a, 1);
        INode* n = ArgSceneNode(a[0], fn);
        INodeTab from, made;
        from.Append(n);
        if (!Ip()->CloneNodes(from, Point3(), false, type, nullptr, &made) || made.Count() != 1)
            throw ScriptError(std::wstring(L"Runtime error: ") + fn + L": cannot clone " + a[0].PrintForm());
        Value v = MakeNodeValue(made[0]);
        if (const Value* name = a.Keyword(L"name")) made[0]->SetName(ArgString(*name).c_str());
        ApplyKeywords(interp, v, a);
        return v;
    };
}

// group nodes [name:] [select:]: a dummy head at the centre of the nodes' bounds; the nodes whose
// parent is not among them are linked to it, and all become its members.
Value GroupNodes(Interpreter& interp, CallArgs& a) {
    CheckArgCount(L"group", a, 1);
    std::vector<INode*> nodes = NodesOf(interp, a[0], L"group");
    if (nodes.empty()) throw ScriptError(L"Runtime error: group: no nodes to group in " + a[0].PrintForm());
    std::unordered_set<INode*> members(nodes.begin(), nodes.end());
    Box3 bounds;
    for (INode* n : nodes) {
        Box3 local;
        if (Object* o = n->GetObjectRef()) o->GetLocalBoundBox(Now(), n, local);
        const Matrix3 tm = n->GetObjectTM(Now());
        if (local.IsEmpty()) {
            bounds += tm.GetTrans();
            continue;
        }
        for (int c = 0; c < 8; ++c)
            bounds += tm.PointTransform(Point3(c & 1 ? local.pmax.x : local.pmin.x, c & 2 ? local.pmax.y : local.pmin.y,
                                               c & 4 ? local.pmax.z : local.pmin.z));
    }
    auto* dummy = static_cast<Object*>(
        static_cast<Animatable*>(GetClassDirectory().CreateInstance(HELPER_CLASS_ID, DUMMY_HELPER_CLASS_ID)));
    if (!dummy) throw ScriptError(L"Runtime error: the dummy class is not registered");
    INode* head = Ip()->CreateObjectNode(dummy);
    const Value* name = a.Keyword(L"name");
    head->SetName(name ? ArgString(*name).c_str() : UniqueNodeName(L"Group").c_str());
    Matrix3 tm(1);
    tm.SetTrans(bounds.Center());
    head->SetNodeTM(Now(), tm);
    // The group sits where the first node's parent is.
    if (INode* parent = nodes[0]->GetParentNode(); parent && !parent->IsRootNode() && !members.count(parent))
        parent->AttachChild(head, 1);
    for (INode* n : nodes) {
        INode* parent = n->GetParentNode();
        if (!parent || parent->IsRootNode() || !members.count(parent)) head->AttachChild(n, 1);
        n->SetGroupMember(TRUE);
    }
    head->SetGroupHead(TRUE);
    if (const Value* sel = a.Keyword(L"select"); sel && ArgBool(*sel)) Ip()->SelectNode(head, 1);
    return MakeNodeValue(head);
}

INode* ArgGroupHead(const Value& v, const wchar_t* fn) {
    INode* n = ArgSceneNode(v, fn);
    if (!n->IsGroupHead())
        throw ScriptError(std::wstring(L"Runtime error: ") + fn + L": " + n->GetName() + L" is no group head");
    return n;
}

// An FFD's control point by its script name ("control_point_5", 1-based), or -1.
int FFDPointIndex(Animatable* a, const std::wstring& name, int& n) {
    n = a->SuperClassID() == OSM_CLASS_ID ? FFDLatticeSize(a->ClassID()) : 0;
    const std::wstring prefix = L"control_point_";
    if (!n || name.rfind(prefix, 0) != 0 || name.size() == prefix.size() || name.size() > prefix.size() + 2) return -1;
    int i = 0;
    for (size_t k = prefix.size(); k < name.size(); ++k) {
        if (!std::iswdigit(static_cast<wint_t>(name[k]))) return -1;
        i = i * 10 + (name[k] - L'0');
    }
    return i >= 1 && i <= n * n * n ? i - 1 : -1;
}

} // namespace

Object* SceneBaseObject(INode* n) {
    Object* o = n ? n->GetObjectRef() : nullptr;
    return o ? o->FindBaseObject() : nullptr;
}

INode* ArgSceneNode(const Value& v, const wchar_t* fn) {
    INode* n = NodeFromValue(v);
    if (n) return n;
    if (v.ObjAs<NodeValue>()) ThrowDeleted(L"scene node");
    throw ScriptError(std::wstring(L"Runtime error: ") + fn + L" needs a node, got: " + v.PrintForm());
}

bool GetObjectClassProperty(Interpreter&, Animatable* a, const std::wstring& name, Value& out) {
    if (auto* l = dynamic_cast<LightObject*>(a)) {
        auto* standard = dynamic_cast<StandardLight*>(a);
        const LightSwitch* sw = standard ? FindLightSwitch(name) : nullptr;
        if (name == L"enabled" || name == L"on") out = Value::Bool(l->GetUseLight() != 0);
        else if (name == L"castshadows" && standard) out = Value::Bool(standard->GetShadow() != 0);
        else if (name == L"excludelist") out = ListValue(l, false);
        else if (name == L"includelist") out = ListValue(l, true);
        else if (name == L"inclexcltype") out = Value::Int(InclExclType(l->GetExclList()));
        else if (sw) out = Value::Bool(standard->GetFlag(sw->flag) != sw->inverted);
        else if (name == L"attendecay" && standard) out = Value::Int(standard->GetDecay() + 1);
        else if (name == L"coneshape" && standard) out = Value::Int(standard->GetFlag(StandardLight::kRectangleCone) ? 2 : 1);
        else if (name == L"type") return GetLookerType(a, out);
        else return false;
        return true;
    }
    int n = 0;
    if (const int i = FFDPointIndex(a, name, n); i >= 0 && a->GetParamBlock(0)) {
        out = Value::Point(FFDControlPoint(a->GetParamBlock(0), n, i, Now()));
        return true;
    }
    if (auto* cam = dynamic_cast<StandardCamera*>(a)) {
        if (const CameraSwitch* sw = FindCameraSwitch(name)) out = Value::Bool(cam->GetFlag(sw->flag));
        else if (name == L"type") return GetLookerType(a, out);
        else return false;
        return true;
    }
    if (auto* xf = dynamic_cast<XFormModifier*>(a)) {
        if (name == L"gizmo") out = SubAnimByIndex(xf, Value::Int(1));
        else if (name == L"center" && xf->Center()) out = ControllerValue(xf->Center());
        else return false;
        return true;
    }
    if (auto* e = dynamic_cast<EditableMeshObject*>(a)) {
        if (name == L"numverts") out = Value::Int(e->GetMesh().getNumVerts());
        else if (name == L"numfaces") out = Value::Int(e->GetMesh().getNumFaces());
        else return false;
        return true;
    }
    return false;
}

bool SetObjectClassProperty(Interpreter& interp, Animatable* a, const std::wstring& name, const Value& v) {
    if (auto* l = dynamic_cast<LightObject*>(a)) {
        auto* standard = dynamic_cast<StandardLight*>(a);
        const LightSwitch* sw = standard ? FindLightSwitch(name) : nullptr;
        if (name == L"enabled" || name == L"on") l->SetUseLight(ArgBool(v));
        else if (name == L"castshadows" && standard) standard->SetShadow(ArgBool(v));
        else if (name == L"excludelist") SetList(interp, l, false, v);
        else if (name == L"includelist") SetList(interp, l, true, v);
        else if (name == L"inclexcltype") SetInclExclType(l->GetExclList(), v);
        else if (sw) standard->SetFlag(sw->flag, ArgBool(v) != sw->inverted);
        else if (name == L"attendecay" && standard) {
            if (!standard->SetDecay(static_cast<int>(ArgInt(v)) - 1))
                throw ScriptError(L"Runtime error: attenDecay must be 1 (none), 2 (inverse) or 3 (inverse square), got: " +
                                  v.PrintForm());
        } else if (name == L"coneshape" && standard) {
            const std::int64_t shape = ArgInt(v);
            if (shape != 1 && shape != 2)
                throw ScriptError(L"Runtime error: coneShape must be 1 (circle) or 2 (rectangle), got: " + v.PrintForm());
            standard->SetFlag(StandardLight::kRectangleCone, shape == 2);
        } else if (name == L"type" && standard)
            throw ScriptError(L"Runtime error: the .type of a light is set on its node");
        else return false;
        return true;
    }
    int n = 0;
    if (const int i = FFDPointIndex(a, name, n); i >= 0 && a->GetParamBlock(0)) {
        SetFFDControlPoint(a->GetParamBlock(0), n, i, ArgPoint(v), Now());
        return true;
    }
    if (auto* cam = dynamic_cast<StandardCamera*>(a)) {
        if (const CameraSwitch* sw = FindCameraSwitch(name)) cam->SetFlag(sw->flag, ArgBool(v));
        else if (name == L"type") throw ScriptError(L"Runtime error: the .type of a camera is set on its node");
        else return false;
        return true;
    }
    if (auto* xf = dynamic_cast<XFormModifier*>(a); xf && name == L"center" && xf->Center()) {
        SetControllerValue(xf->Center(), Value::Point(ArgPoint(v)));
        return true;
    }
    if (dynamic_cast<EditableMeshObject*>(a) && (name == L"numverts" || name == L"numfaces"))
        throw ScriptError(L"Runtime error: ." + name + L" is read-only");
    return false;
}

bool CallObjectClassMethod(Interpreter&, Animatable* a, const std::wstring& name, CallArgs& args, Value& out) {
    if (a->SuperClassID() != OSM_CLASS_ID || a->ClassID() != UNWRAP_UVW_MODIFIER_CLASS_ID) return false;
    IParamBlock2* pb = a->GetParamBlock(0);
    if (!pb || (name != L"getmapchannel" && name != L"setmapchannel")) return false;
    if (name == L"getmapchannel") {
        CheckArgCount(L"getMapChannel", args, 0);
        out = Value::Int(pb->GetInt(0, Now()));
        return true;
    }
    CheckArgCount(L"setMapChannel", args, 1);
    const std::int64_t channel = ArgInt(args[0]);
    if (channel < 0 || channel > 99)
        throw ScriptError(L"Runtime error: setMapChannel: map channel out of range: " + std::to_wstring(channel) +
                          L" (0 to 99)");
    pb->SetValue(0, Now(), static_cast<int>(channel));
    out = Value::Ok();
    return true;
}

void MakeTargetFor(INode* looker) {
    Object* base = SceneBaseObject(looker);
    const ObjectClassDef* def = DefOf(base);
    if (!def || !def->targeted) return;
    auto* obj = static_cast<Object*>(
        static_cast<Animatable*>(GetClassDirectory().CreateInstance(GEOMOBJECT_CLASS_ID, TARGET_OBJECT_CLASS_ID)));
    if (!obj) throw ScriptError(L"Runtime error: the target object class is not registered");
    INode* target = Ip()->CreateObjectNode(obj);
    target->SetName((std::wstring(looker->GetName()) + L".Target").c_str());
    // Placed below the looker, which looks down its own -z axis at it.
    Matrix3 tm = looker->GetNodeTM(Now());
    tm.SetTrans(tm.GetTrans() + Point3(0.0f, 0.0f, -100.0f));
    target->SetNodeTM(Now(), tm);
    SetNodeTarget(looker, target);
}

void SetNodeTarget(INode* looker, INode* target) {
    const std::wstring who = looker->GetName();
    Object* base = SceneBaseObject(looker);
    const ObjectClassDef* def = DefOf(base);
    if (!def || !def->targeted)
        throw ScriptError(L"Runtime error: cannot set .target of " + who + L": a " +
                          (base ? ClassWord(base) : std::wstring(L"node")) + L" has no target");
    if (!target) throw ScriptError(L"Runtime error: the .target of " + who + L" must be a node");
    if (target == looker) throw ScriptError(L"Runtime error: " + who + L" cannot be its own target");
    Control* tm = looker->GetTMController();
    Control* rot = tm ? tm->GetRotationController() : nullptr;
    auto* targets = rot ? static_cast<IConstraintTargets*>(rot->GetInterface(LOOKAT_CONSTRAINT_INTERFACE)) : nullptr;
    if (!targets) {
        auto* c = static_cast<LookAtConstraint*>(static_cast<Animatable*>(
            GetClassDirectory().CreateInstance(CTRL_ROTATION_CLASS_ID, LOOKAT_CONSTRAINT_CLASS_ID)));
        // Lights and cameras look down their -z axis.
        if (c) c->ApplyState(LookAtConstraint::Axis{2, true});
        if (!c || !tm || !tm->SetRotationController(c))
            throw ScriptError(L"Runtime error: cannot give " + who + L" a target: its transform takes no look-at");
        targets = c;
    }
    while (targets->GetNumTargets() > 0) targets->DeleteTarget(0);
    if (!targets->AppendTarget(target, 100.0f))
        throw ScriptError(L"Runtime error: " + std::wstring(target->GetName()) + L" cannot be the target of " + who);
}

void RegisterSceneClassBuiltins(Interpreter& in) {
    in.RegisterFunction(L"instance", CloneAs(L"instance", NODE_INSTANCE));
    in.RegisterFunction(L"reference", CloneAs(L"reference", NODE_REFERENCE));
    in.RegisterFunction(L"group", GroupNodes);
    // areNodesInstances a b: whether the two nodes share one object (their stacks included).
    in.RegisterFunction(L"areNodesInstances", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"areNodesInstances", a, 2);
        INode* first = ArgSceneNode(a[0], L"areNodesInstances");
        INode* second = ArgSceneNode(a[1], L"areNodesInstances");
        return Value::Bool(first->GetObjOrWSMRef() == second->GetObjOrWSMRef());
    });
    // ungroup head: the members stay where they are, under the head's parent; the head goes.
    in.RegisterFunction(L"ungroup", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"ungroup", a, 1);
        INode* head = ArgGroupHead(a[0], L"ungroup");
        INode* parent = head->GetParentNode();
        std::vector<INode*> kids;
        for (int i = 0; i < head->NumberOfChildren(); ++i) kids.push_back(head->GetChildNode(i));
        // The members below the head leave the group; a nested group keeps its own members.
        std::vector<INode*> walk = kids;
        while (!walk.empty()) {
            INode* m = walk.back();
            walk.pop_back();
            m->SetGroupMember(FALSE);
            if (!m->IsGroupHead())
                for (int i = 0; i < m->NumberOfChildren(); ++i) walk.push_back(m->GetChildNode(i));
        }
        for (INode* k : kids) {
            if (parent && !parent->IsRootNode())
                parent->AttachChild(k, 1);
            else
                k->Detach(Now(), 1);
        }
        Ip()->DeleteNode(head, FALSE);
        return Value::Ok();
    });
    in.RegisterFunction(L"isGroupHead", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"isGroupHead", a, 1);
        return Value::Bool(ArgSceneNode(a[0], L"isGroupHead")->IsGroupHead() != 0);
    });
    in.RegisterFunction(L"isGroupMember", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"isGroupMember", a, 1);
        return Value::Bool(ArgSceneNode(a[0], L"isGroupMember")->IsGroupMember() != 0);
    });
    in.RegisterFunction(L"setGroupOpen", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"setGroupOpen", a, 2);
        INode* head = ArgGroupHead(a[0], L"setGroupOpen");
        const bool open = ArgBool(a[1]);
        head->SetGroupHeadOpen(open);
        for (int i = 0; i < head->NumberOfChildren(); ++i) head->GetChildNode(i)->SetGroupMemberOpen(open);
        return Value::Ok();
    });
}
