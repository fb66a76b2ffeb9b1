// The .type of standard lights and cameras: read as the host names the kinds, and set by putting an object
// of the other class in the node's place (its settings carried over), with the target node made or removed.
#include "host/core/ClassDirectory.h"
#include "host/scene/Control.h"
#include "host/scene/IDerivedObject.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "host/scene/objects/ObjectClasses.h"
#include "host/scene/objects/StandardCamera.h"
#include "host/scene/objects/StandardLight.h"
#include "host/script/Interpreter.h"
#include "host/script/ScriptError.h"
#include "host/script/scene/NodeValue.h"
#include "host/script/scene/SceneProperties.h"

#include <cwctype>

namespace {

struct Kind {
    const wchar_t* name;
    SClass_ID superClass;
    Class_ID classId;
};

const Kind kKinds[] = {
    {L"omni", LIGHT_CLASS_ID, OMNI_LIGHT_CLASS_ID},
    {L"targetSpot", LIGHT_CLASS_ID, TARGET_SPOT_LIGHT_CLASS_ID},
    {L"freeSpot", LIGHT_CLASS_ID, FREE_SPOT_LIGHT_CLASS_ID},
    {L"targetDirect", LIGHT_CLASS_ID, TARGET_DIRECTIONAL_LIGHT_CLASS_ID},
    {L"freeDirect", LIGHT_CLASS_ID, DIRECTIONAL_LIGHT_CLASS_ID},
    {L"target", CAMERA_CLASS_ID, TARGET_CAMERA_CLASS_ID},
    {L"free", CAMERA_CLASS_ID, FREE_CAMERA_CLASS_ID},
};

const Kind* KindOf(Animatable* a) {
    if (!a) return nullptr;
    for (const Kind& k : kKinds)
        if (a->SuperClassID() == k.superClass && a->ClassID() == k.classId) return &k;
    return nullptr;
}

std::wstring Lower(std::wstring s) {
    for (wchar_t& c : s) c = static_cast<wchar_t>(std::towlower(c));
    return s;
}

const ObjectClassDef* DefOf(Object* o) {
    auto* cd = dynamic_cast<ObjectClassDesc*>(GetClassDirectory().FindClass(o->SuperClassID(), o->ClassID()));
    return cd ? &cd->Def() : nullptr;
}

IParamBlock* Block(Object* o) {
    if (auto* l = dynamic_cast<StandardLight*>(o)) return l->Block1();
    if (auto* c = dynamic_cast<StandardCamera*>(o)) return c->Block1();
    return nullptr;
}

// The parameters both classes have (by name) move over, with their controllers when animated.
void CarryParameters(Object* from, Object* to) {
    const ObjectClassDef* fd = DefOf(from);
    const ObjectClassDef* td = DefOf(to);
    IParamBlock* fb = Block(from);
    IParamBlock* tb = Block(to);
    if (!fd || !td || !fb || !tb) return;
    for (size_t j = 0; j < td->pb1Params.size(); ++j)
        for (size_t i = 0; i < fd->pb1Params.size(); ++i) {
            if (!(fd->pb1Params[i].name == td->pb1Params[j].name)) continue;
            const int fi = static_cast<int>(i), ti = static_cast<int>(j);
            if (Control* c = fb->GetController(fi)) {
                RemapDir remap;
                tb->SetController(ti, static_cast<Control*>(remap.CloneRef(c)), FALSE);
                break;
            }
            Interval valid = FOREVER;
            switch (fd->pb1Params[i].type) {
            case TYPE_FLOAT_PB1: {
                float f = 0.0f;
                fb->GetValue(fi, 0, f, valid);
                tb->SetValue(ti, 0, f);
                break;
            }
            case TYPE_RGBA_PB1:
            case TYPE_POINT3_PB1: {
                Point3 p;
                fb->GetValue(fi, 0, p, valid);
                tb->SetValue(ti, 0, p);
                break;
            }
            default: {
                int n = 0;
                fb->GetValue(fi, 0, n, valid);
                tb->SetValue(ti, 0, n);
                break;
            }
            }
            break;
        }
    if (auto* l = dynamic_cast<StandardLight*>(from)) {
        auto* nl = static_cast<StandardLight*>(to);
        nl->SetState(l->GetState());
        nl->GetExclList()->CopyFrom(*l->GetExclList());
        nl->SetUseLight(l->GetUseLight());
    }
    if (auto* c = dynamic_cast<StandardCamera*>(from)) {
        auto* nc = static_cast<StandardCamera*>(to);
        for (StandardCamera::Flag f : {StandardCamera::kClipManually, StandardCamera::kOrthographic,
                                       StandardCamera::kShowCone, StandardCamera::kShowHorizon,
                                       StandardCamera::kShowRanges})
            nc->SetFlag(f, c->GetFlag(f));
    }
}

float TargetDistance(Object* o) {
    const ObjectClassDef* d = DefOf(o);
    IParamBlock* pb = Block(o);
    if (!d || !pb) return 100.0f;
    for (size_t i = 0; i < d->pb1Params.size(); ++i)
        if (d->pb1Params[i].name == MSTR(L"Target Distance")) {
            float f = 100.0f;
            Interval valid = FOREVER;
            pb->GetValue(static_cast<int>(i), 0, f, valid);
            return f;
        }
    return 100.0f;
}

} // namespace

bool GetLookerType(Animatable* a, Value& out) {
    const Kind* k = KindOf(a);
    if (!k) return false;
    out = Value::Name(k->name);
    return true;
}

bool SetLookerType(INode* n, const Value& v) {
    Object* old = SceneBaseObject(n);
    const Kind* from = KindOf(old);
    if (!from) return false;
    const std::wstring who = n->GetName();
    const std::wstring wanted = v.Is(Value::Type::Name) ? Lower(v.NameText()) : std::wstring();
    const Kind* to = nullptr;
    for (const Kind& k : kKinds)
        if (k.superClass == from->superClass && Lower(k.name) == wanted) to = &k;
    if (!to) {
        std::wstring names;
        for (const Kind& k : kKinds)
            if (k.superClass == from->superClass) names += (names.empty() ? L"#" : L", #") + std::wstring(k.name);
        throw ScriptError(L"Runtime error: the .type of " + who + L" must be one of " + names + L", got: " +
                          v.PrintForm());
    }
    if (to == from) return true;
    auto* fresh = static_cast<Object*>(
        static_cast<Animatable*>(GetClassDirectory().CreateInstance(to->superClass, to->classId)));
    if (!fresh) throw ScriptError(L"Runtime error: the class of #" + std::wstring(to->name) + L" is not registered");
    CarryParameters(old, fresh);
    const TimeValue t = GetCOREInterface()->GetTime();
    const Matrix3 world = n->GetNodeTM(t);
    INode* oldTarget = n->GetTarget();
    Object* top = n->GetObjectRef();
    if (auto* derived = top && top->SuperClassID() == GEN_DERIVOB_CLASS_ID ? static_cast<IDerivedObject*>(top) : nullptr)
        derived->ReferenceObject(fresh);
    else
        n->SetObjectRef(fresh);
    if (oldTarget) {
        // A free kind keeps the orientation the target gave it.
        Control* tm = n->GetTMController();
        if (tm) tm->SetRotationController(NewDefaultRotationController());
        GetCOREInterface()->DeleteNode(oldTarget, FALSE);
        n->SetNodeTM(t, world);
    }
    if (DefOf(fresh) && DefOf(fresh)->targeted) {
        // The target goes where the looker looks (down its -z axis), at its target distance.
        auto* obj = static_cast<Object*>(
            static_cast<Animatable*>(GetClassDirectory().CreateInstance(GEOMOBJECT_CLASS_ID, TARGET_OBJECT_CLASS_ID)));
        if (!obj) throw ScriptError(L"Runtime error: the target object class is not registered");
        INode* target = GetCOREInterface()->CreateObjectNode(obj);
        target->SetName((who + L".Target").c_str());
        Matrix3 tm = world;
        tm.SetTrans(world.GetTrans() - Normalize(world.GetRow(2)) * TargetDistance(fresh));
        target->SetNodeTM(t, tm);
        SetNodeTarget(n, target);
    }
    return true;
}
