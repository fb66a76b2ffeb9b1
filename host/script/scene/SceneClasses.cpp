// Script classes over the class directory: names, super classes, constructors and automatic node names.
#include "host/script/scene/SceneClasses.h"

#include "host/core/ClassDesc.h"
#include "host/core/ClassDirectory.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "host/scene/Mtl.h"
#include "host/scene/Object.h"
#include "host/scene/controllers/ControllerClassIds.h"
#include "host/scene/objects/ObjectClasses.h"
#include "host/script/Interpreter.h"
#include "host/script/ScriptError.h"
#include "host/script/scene/NodeValue.h"
#include "host/script/scene/SceneProperties.h"

#include <cstdio>
#include <cwctype>
#include <unordered_map>

namespace {

std::wstring Word(const std::wstring& s) {
    std::wstring out;
    for (wchar_t c : s)
        out += (c == L' ' || c == L'/' || c == L'-') ? L'_' : c;
    return out;
}

std::wstring LowerCopy(const std::wstring& s) {
    std::wstring out = s;
    for (wchar_t& c : out)
        c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return out;
}

bool IsObjectFamily(SClass_ID s) {
    return s == GEOMOBJECT_CLASS_ID || s == SHAPE_CLASS_ID || s == LIGHT_CLASS_ID || s == CAMERA_CLASS_ID ||
           s == HELPER_CLASS_ID || s == SYSTEM_CLASS_ID || s == WSM_OBJECT_CLASS_ID;
}

// Classes the language knows under names of their own.
const wchar_t* SpecialName(SClass_ID s, const Class_ID& id) {
    if (s == MATERIAL_CLASS_ID && id == DMTL_CLASS_ID) return L"Standardmaterial";
    if (s == MATERIAL_CLASS_ID && id == MULTI_MATERIAL_CLASS_ID) return L"Multimaterial";
    if (s == TEXMAP_CLASS_ID && id == BMTEX_CLASS_ID) return L"Bitmaptexture";
    if (s == CTRL_MATRIX3_CLASS_ID && id == PRS_CONTROL_CLASS_ID) return L"prs";
    return nullptr;
}

std::shared_ptr<ScriptClass> EnsureClass(Interpreter& in, const std::wstring& name,
                                         const std::shared_ptr<ScriptClass>& super) {
    if (auto c = in.FindClass(name)) return c;
    return in.RegisterClass(std::make_shared<ScriptClass>(name, super));
}

std::shared_ptr<ScriptClass> SuperClassFor(Interpreter& in, SClass_ID sid) {
    auto wrapper = EnsureClass(in, L"MAXWrapper", in.FindClass(L"Value"));
    std::wstring name = ScriptSuperClassName(sid);
    if (name == L"MAXWrapper") return wrapper;
    auto parent = IsObjectFamily(sid) ? EnsureClass(in, L"Node", wrapper) : wrapper;
    return EnsureClass(in, name, parent);
}

} // namespace

std::wstring ScriptClassName(ClassDesc* cd) {
    if (!cd) return L"MAXWrapper";
    if (const wchar_t* special = SpecialName(cd->SuperClassID(), cd->ClassID())) return special;
    const MCHAR* internal = cd->InternalName();
    return Word(internal && *internal ? internal : cd->ClassName());
}

std::wstring ScriptClassNameOf(Animatable* anim) {
    if (!anim) return L"UndefinedClass";
    if (ClassDesc* cd = GetClassDirectory().FindClass(anim->SuperClassID(), anim->ClassID()))
        return ScriptClassName(cd);
    if (const wchar_t* special = SpecialName(anim->SuperClassID(), anim->ClassID())) return special;
    MSTR s;
    anim->GetClassName(s);
    return Word(s.str());
}

std::wstring ScriptSuperClassName(SClass_ID sid) {
    switch (sid) {
    case GEOMOBJECT_CLASS_ID: return L"GeometryClass";
    case SHAPE_CLASS_ID: return L"shape";
    case LIGHT_CLASS_ID: return L"light";
    case CAMERA_CLASS_ID: return L"camera";
    case HELPER_CLASS_ID: return L"helper";
    case SYSTEM_CLASS_ID: return L"System";
    case WSM_OBJECT_CLASS_ID: return L"SpacewarpObject";
    case OSM_CLASS_ID: return L"modifier";
    case WSM_CLASS_ID: return L"SpacewarpModifier";
    case MATERIAL_CLASS_ID: return L"material";
    case TEXMAP_CLASS_ID: return L"textureMap";
    case CTRL_FLOAT_CLASS_ID: return L"FloatController";
    case CTRL_INTEGER_CLASS_ID: return L"IntegerController";
    case CTRL_POINT3_CLASS_ID: return L"Point3Controller";
    case CTRL_POINT4_CLASS_ID: return L"Point4Controller";
    case CTRL_POSITION_CLASS_ID: return L"PositionController";
    case CTRL_ROTATION_CLASS_ID: return L"RotationController";
    case CTRL_SCALE_CLASS_ID: return L"ScaleController";
    case CTRL_MATRIX3_CLASS_ID: return L"Matrix3Controller";
    case CTRL_MORPH_CLASS_ID: return L"MorphController";
    case CUST_ATTRIB_CLASS_ID: return L"CustAttrib";
    default: return L"MAXWrapper";
    }
}

SceneClass::SceneClass(std::wstring name, std::shared_ptr<ScriptClass> super, SClass_ID sid, Class_ID cid)
    : ScriptClass(std::move(name), std::move(super)), sid_(sid), cid_(cid) {}

Value SceneClass::Construct(Interpreter& interp, CallArgs& args) {
    if (!args.positional.empty())
        throw ScriptError(L"Argument count error: " + Name() + L" wanted 0, got " +
                          std::to_wstring(args.Count()));
    Interface* ip = GetCOREInterface();
    auto* anim = static_cast<Animatable*>(GetClassDirectory().CreateInstance(sid_, cid_));
    if (!anim) throw ScriptError(L"Runtime error: cannot create an instance of " + Name());
    if (!IsObjectFamily(sid_)) {
        // New materials and maps get the host's numbered names.
        if (sid_ == MATERIAL_CLASS_ID || sid_ == TEXMAP_CLASS_ID) {
            static int materials = 0, maps = 0;
            auto* m = static_cast<MtlBase*>(anim);
            if (m->GetName().isNull())
                m->SetName(sid_ == MATERIAL_CLASS_ID ? L"Material #" + std::to_wstring(++materials)
                                                     : L"Map #" + std::to_wstring(++maps));
        }
        Value v = MakeAnimValue(anim);
        ApplyKeywords(interp, v, args);
        return v;
    }
    auto* obj = static_cast<Object*>(anim);
    INode* node = ip->CreateObjectNode(obj);
    const Value* name = args.Keyword(L"name");
    std::wstring nodeName = name && name->Is(Value::Type::String) ? name->Str() : UniqueNodeName(AutoNameBase(obj));
    node->SetName(nodeName.c_str());
    if (!args.Keyword(L"target")) MakeTargetFor(node);
    Value v = MakeNodeValue(node);
    ApplyKeywords(interp, v, args);
    return v;
}

void RefreshSceneClasses(Interpreter& interp) {
    GetCOREInterface(); // the host registers its classes with the application object
    const ClassDirectory& dir = GetClassDirectory();
    // The directory's size when this interpreter last looked, under a name no script can write.
    const wchar_t* kSeen = L" scene classes seen";
    Value seen;
    if (interp.GetGlobal(kSeen, seen) && seen.Is(Value::Type::Integer) && seen.AsInt() == dir.Count()) return;
    for (int i = 0; i < dir.Count(); ++i) {
        ClassDesc* cd = dir.GetClassAt(i);
        if (!cd) continue;
        SClass_ID sid = cd->SuperClassID();
        if (sid == BASENODE_CLASS_ID || sid == GEN_DERIVOB_CLASS_ID || sid == DERIVOB_CLASS_ID ||
            sid == WSM_DERIVOB_CLASS_ID)
            continue;
        std::wstring name = ScriptClassName(cd);
        if (auto known = interp.FindClass(name)) {
            // A class the language made up for a value of a class registered late gives way to the real one.
            Value global;
            bool madeUp = !dynamic_cast<SceneClass*>(known.get()) && !known->CanConstruct() &&
                          interp.GetGlobal(name, global) && global.Is(Value::Type::Class) && global.Cls() == known &&
                          ScriptSuperClassName(sid) != name;
            if (!madeUp) continue;
        } else if (interp.HasGlobal(name)) {
            continue; // never hide a function or variable of the same name
        }
        interp.RegisterClass(std::make_shared<SceneClass>(name, SuperClassFor(interp, sid), sid, cd->ClassID()));
    }
    // The host's short names.
    if (auto std = interp.FindClass(L"Standardmaterial"); std && !interp.HasGlobal(L"Standard"))
        interp.SetGlobal(L"Standard", Value::Class(std));
    for (SClass_ID sid : {GEOMOBJECT_CLASS_ID, SHAPE_CLASS_ID, LIGHT_CLASS_ID, CAMERA_CLASS_ID, HELPER_CLASS_ID,
                          OSM_CLASS_ID, MATERIAL_CLASS_ID, TEXMAP_CLASS_ID, CTRL_FLOAT_CLASS_ID,
                          CTRL_POSITION_CLASS_ID, CTRL_ROTATION_CLASS_ID, CTRL_SCALE_CLASS_ID,
                          CTRL_MATRIX3_CLASS_ID})
        SuperClassFor(interp, sid);
    interp.SetGlobal(kSeen, Value::Int(dir.Count()));
}

std::wstring AutoNameBase(Animatable* obj) {
    if (!obj) return L"Object";
    Class_ID id = obj->ClassID();
    SClass_ID s = obj->SuperClassID();
    if (s == LIGHT_CLASS_ID && id == OMNI_LIGHT_CLASS_ID) return L"Omni";
    if (s == LIGHT_CLASS_ID && id == TARGET_SPOT_LIGHT_CLASS_ID) return L"Spot";
    if (s == CAMERA_CLASS_ID) return L"Camera";
    MSTR name;
    obj->GetClassName(name);
    std::wstring out;
    for (wchar_t c : name.str())
        if (c != L' ') out += c;
    return out.empty() ? L"Object" : out;
}

std::wstring UniqueNodeName(const std::wstring& base) {
    // The last number given per base: creating many nodes of one class stays linear.
    static std::unordered_map<std::wstring, int> last;
    Interface* ip = GetCOREInterface();
    auto name = [&](int i) {
        wchar_t digits[16];
        std::swprintf(digits, 16, L"%03d", i);
        return base + digits;
    };
    std::wstring key = LowerCopy(base);
    int start = 1;
    auto it = last.find(key);
    if (it != last.end() && ip->GetINodeByName(name(it->second).c_str())) start = it->second + 1;
    for (int i = start;; ++i) {
        std::wstring candidate = name(i);
        if (!ip->GetINodeByName(candidate.c_str())) {
            last[key] = i;
            return candidate;
        }
    }
}

void ApplyKeywords(Interpreter& interp, const Value& target, const CallArgs& args) {
    INode* node = NodeFromValue(target);
    for (const auto& [key, value] : args.keywords) {
        if (node && key == L"name") continue; // given at creation
        // The node's own .handle is read-only: a creation keyword of that name is the object's parameter
        // (the teapot's handle switch).
        if (Object* base = node ? SceneBaseObject(node) : nullptr; base && LowerCopy(key) == L"handle") {
            interp.SetProperty(MakeAnimValue(base), key, value);
            continue;
        }
        interp.SetProperty(target, key, value);
    }
}
