// CAT rigs from script: making one, its settings and layers, its limbs' bones, IK targets and up nodes,
// and its footprints. Limbs and layers are numbered from 1.
#include "host/scene/INode.h"
#include "host/scene/cat/CATParentControl.h"
#include "host/script/Interpreter.h"
#include "host/script/Lexer.h"
#include "host/script/ScriptError.h"
#include "host/script/scene/NodeValue.h"
#include "host/script/scene/SceneProperties.h"

#include <utility>

namespace {

ScriptError Refused(const wchar_t* fn, const std::wstring& why) {
    return ScriptError(L"Runtime error: " + std::wstring(fn) + L": " + why);
}

// The rig whose parent node v is.
ICATParent* ArgRig(const Value& v, const wchar_t* fn) {
    INode* n = NodeFromValue(v);
    if (v.ObjAs<NodeValue>() && !n) ThrowDeleted(L"scene node");
    if (ICATParent* rig = n ? GetCATParentInterface(n) : nullptr) return rig;
    throw ScriptError(L"No \"" + std::wstring(fn) + L"\" function for " + v.PrintForm());
}

// A number (1-based) among count things of a kind, as a 0-based index.
int ArgIndex(const Value& v, int count, const wchar_t* what, const wchar_t* fn) {
    const std::int64_t i = ArgInt(v);
    if (i < 1 || i > count)
        throw Refused(fn, std::wstring(what) + L" out of range: " + std::to_wstring(i) + L" (" + std::to_wstring(count) +
                              L" " + what + L"s)");
    return static_cast<int>(i - 1);
}

int ArgLimb(ICATParent* rig, const Value& v, const wchar_t* fn) { return ArgIndex(v, rig->NumLimbs(), L"limb", fn); }

Value NodeOrUndefined(INode* n) { return n ? MakeNodeValue(n) : Value(); }

// One of the rig's settings by name; false for an unknown name.
bool SettingValue(const CATRigSettings& s, const std::wstring& name, Value& out) {
    if (name == L"catmode") out = Value::Int(s.catMode);
    else if (name == L"catunits") out = Value::Float(s.catUnits);
    else if (name == L"lengthaxis") out = Value::Int(s.lengthAxis);
    else if (name == L"trackdisplay") out = Value::Int(s.trackDisplay);
    else if (name == L"rigcoloringmode") out = Value::Int(s.rigColoringMode);
    else return false;
    return true;
}

std::wstring ArgSettingName(const Value& v, const wchar_t* fn) {
    const std::wstring name = v.Is(Value::Type::Name) ? LowerName(v.NameText()) : L"";
    Value ignored;
    if (!SettingValue(CATRigSettings{}, name, ignored))
        throw Refused(fn, L"takes #CATMode, #CATUnits, #LengthAxis, #TrackDisplay or #rigColoringMode, got: " +
                              v.PrintForm());
    return name;
}

} // namespace

void RegisterCATBuiltins(Interpreter& in) {
    // catCreate name: a new rig; answers its parent node.
    in.RegisterFunction(L"catCreate", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"catCreate", a, 1);
        const std::wstring& name = ArgString(a[0]);
        if (name.empty()) throw Refused(L"catCreate", L"needs a name");
        return MakeNodeValue(CreateCATRig(MSTR(name.c_str())));
    });
    in.RegisterFunction(L"catGetSetting", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"catGetSetting", a, 2);
        Value out;
        SettingValue(ArgRig(a[0], L"catGetSetting")->GetSettings(), ArgSettingName(a[1], L"catGetSetting"), out);
        return out;
    });
    in.RegisterFunction(L"catSetSetting", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"catSetSetting", a, 3);
        ICATParent* rig = ArgRig(a[0], L"catSetSetting");
        const std::wstring name = ArgSettingName(a[1], L"catSetSetting");
        CATRigSettings s = rig->GetSettings();
        if (name == L"catunits") {
            const double units = ArgFloat(a[2]);
            if (units <= 0) throw Refused(L"catSetSetting", L"#CATUnits must be above 0, got: " + a[2].PrintForm());
            s.catUnits = static_cast<float>(units);
        } else {
            const auto v = static_cast<int>(ArgInt(a[2]));
            if (name == L"catmode") s.catMode = v;
            else if (name == L"lengthaxis") s.lengthAxis = v;
            else if (name == L"trackdisplay") s.trackDisplay = v;
            else s.rigColoringMode = v;
        }
        rig->SetSettings(s);
        return Value::Ok();
    });
    in.RegisterFunction(L"catGetLayers", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"catGetLayers", a, 1);
        ICATParent* rig = ArgRig(a[0], L"catGetLayers");
        std::vector<Value> names;
        for (int i = 0; i < rig->NumLayers(); ++i) names.push_back(Value::String(rig->GetLayerName(i).c_str()));
        return Value::Array(std::move(names));
    });
    in.RegisterFunction(L"catAddLayer", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"catAddLayer", a, 2);
        ArgRig(a[0], L"catAddLayer")->AppendLayer(ArgString(a[1]).c_str());
        return Value::Ok();
    });
    in.RegisterFunction(L"catRemoveLayer", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"catRemoveLayer", a, 2);
        ICATParent* rig = ArgRig(a[0], L"catRemoveLayer");
        rig->RemoveLayer(ArgIndex(a[1], rig->NumLayers(), L"layer", L"catRemoveLayer"));
        return Value::Ok();
    });
    // Bones of a limb: count, one by number, one added or taken at the end.
    in.RegisterFunction(L"catNumBones", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"catNumBones", a, 2);
        ICATParent* rig = ArgRig(a[0], L"catNumBones");
        return Value::Int(rig->NumBones(ArgLimb(rig, a[1], L"catNumBones")));
    });
    in.RegisterFunction(L"catGetBone", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"catGetBone", a, 3);
        ICATParent* rig = ArgRig(a[0], L"catGetBone");
        return NodeOrUndefined(rig->GetBone(ArgLimb(rig, a[1], L"catGetBone"), static_cast<int>(ArgInt(a[2]) - 1)));
    });
    in.RegisterFunction(L"catRemoveBone", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"catRemoveBone", a, 2);
        ICATParent* rig = ArgRig(a[0], L"catRemoveBone");
        if (!rig->RemoveBone(ArgLimb(rig, a[1], L"catRemoveBone")))
            throw Refused(L"catRemoveBone", L"a limb keeps at least one bone");
        return Value::Ok();
    });
    // A limb's node: a bone added at its end, its IK target or up node, found or made.
    using LimbNode = INode* (ICATParent::*)(int);
    const std::pair<const wchar_t*, LimbNode> limbNodes[] = {
        {L"catAddBone", &ICATParent::AddBone},         {L"catGetIKTarget", &ICATParent::GetIKTarget},
        {L"catCreateIKTarget", &ICATParent::CreateIKTarget}, {L"catGetUpNode", &ICATParent::GetUpNode},
        {L"catCreateUpNode", &ICATParent::CreateUpNode}};
    for (const auto& entry : limbNodes) {
        const wchar_t* name = entry.first;
        const LimbNode op = entry.second;
        in.RegisterFunction(name, [name, op](Interpreter&, CallArgs& a) {
            CheckArgCount(name, a, 2);
            ICATParent* rig = ArgRig(a[0], name);
            return NodeOrUndefined((rig->*op)(ArgLimb(rig, a[1], name)));
        });
    }
    in.RegisterFunction(L"catGetFootprint", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"catGetFootprint", a, 2);
        ICATParent* rig = ArgRig(a[0], L"catGetFootprint");
        return NodeOrUndefined(rig->GetFootprint(ArgIndex(a[1], rig->NumFootprints(), L"footprint", L"catGetFootprint")));
    });
}
