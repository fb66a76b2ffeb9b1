// Named parameter access over both block generations, with the script's unit conventions.
#include "host/script/scene/ParamAccess.h"

#include "host/core/ClassDirectory.h"
#include "host/scene/INode.h"
#include "host/scene/IParamBlock.h"
#include "host/scene/IParamBlock2.h"
#include "host/scene/Interface.h"
#include "host/scene/objects/ObjectClasses.h"
#include "host/script/Interpreter.h"
#include "host/script/ScriptError.h"
#include "host/script/scene/NodeValue.h"

#include <algorithm>
#include <cmath>
#include <cwctype>
#include <limits>
#include <numbers>

namespace {

TimeValue Now() { return GetCOREInterface()->GetTime(); }

std::wstring Lower(const std::wstring& s) {
    std::wstring out = s;
    for (wchar_t& c : out)
        c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return out;
}

// Display names of older blocks compared as words: "Far Attenuation End" matches far_attenuation_end.
std::wstring Squeezed(const std::wstring& s) {
    std::wstring out;
    for (wchar_t c : s)
        if (c != L' ' && c != L'_') out += static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return out;
}

const ObjectClassDesc* ObjectDesc(Animatable* anim) {
    return dynamic_cast<ObjectClassDesc*>(GetClassDirectory().FindClass(anim->SuperClassID(), anim->ClassID()));
}

IParamBlock* Block1(Animatable* anim) {
    auto* maker = dynamic_cast<ReferenceMaker*>(anim);
    if (!maker || maker->NumRefs() < 1) return nullptr;
    return dynamic_cast<IParamBlock*>(maker->GetReference(0));
}

constexpr double kRadToDeg = 180.0 / std::numbers::pi;

Value Element(IParamBlock2* pb, ParamID id, int type, int i) {
    TimeValue t = Now();
    Interval iv = FOREVER;
    switch (base_type(type)) {
    case TYPE_FLOAT:
    case TYPE_WORLD:
    case TYPE_COLOR_CHANNEL: {
        float f = 0;
        pb->GetValue(id, t, f, iv, i);
        return Value::Float(f);
    }
    case TYPE_ANGLE: {
        float f = 0;
        pb->GetValue(id, t, f, iv, i);
        return Value::Float(f * kRadToDeg);
    }
    case TYPE_PCNT_FRAC: {
        float f = 0;
        pb->GetValue(id, t, f, iv, i);
        return Value::Float(f * 100.0);
    }
    case TYPE_BOOL: {
        int v = 0;
        pb->GetValue(id, t, v, iv, i);
        return Value::Bool(v != 0);
    }
    case TYPE_INDEX: {
        int v = 0;
        pb->GetValue(id, t, v, iv, i);
        return Value::Int(v + 1);
    }
    case TYPE_INT:
    case TYPE_RADIOBTN_INDEX:
    case TYPE_TIMEVALUE: {
        int v = 0;
        pb->GetValue(id, t, v, iv, i);
        return Value::Int(v);
    }
    case TYPE_RGBA: {
        Point3 p;
        pb->GetValue(id, t, p, iv, i);
        return Value::Colour(p * 255.0f);
    }
    case TYPE_FRGBA: {
        Point4 p;
        pb->GetValue(id, t, p, iv, i);
        return Value::Colour(Point3(p.x, p.y, p.z) * 255.0f);
    }
    case TYPE_POINT3:
    case TYPE_HSV: {
        Point3 p;
        pb->GetValue(id, t, p, iv, i);
        return Value::Point(p);
    }
    case TYPE_STRING:
    case TYPE_FILENAME:
    case TYPE_BITMAP: {
        const MCHAR* s = nullptr;
        pb->GetValue(id, t, s, iv, i);
        return Value::String(s ? s : L"");
    }
    case TYPE_MTL:
    case TYPE_TEXMAP:
    case TYPE_INODE:
    case TYPE_REFTARG:
    case TYPE_PBLOCK2: {
        ReferenceTarget* r = nullptr;
        pb->GetValue(id, t, r, iv, i);
        return MakeAnimValue(r);
    }
    default:
        return Value();
    }
}

std::wstring TypeWord(int type) {
    switch (base_type(type)) {
    case TYPE_BOOL:
        return L"BooleanClass";
    case TYPE_INT:
    case TYPE_INDEX:
    case TYPE_RADIOBTN_INDEX:
    case TYPE_TIMEVALUE:
        return L"Integer";
    case TYPE_RGBA:
    case TYPE_FRGBA:
        return L"Color";
    case TYPE_POINT3:
    case TYPE_HSV:
        return L"Point3";
    case TYPE_STRING:
    case TYPE_FILENAME:
    case TYPE_BITMAP:
        return L"String";
    case TYPE_MTL:
        return L"Material";
    case TYPE_TEXMAP:
        return L"TextureMap";
    case TYPE_INODE:
        return L"Node";
    case TYPE_REFTARG:
        return L"MAXWrapper";
    default:
        return L"Float";
    }
}

// A script number as an int parameter's value: truncated toward zero, plus the offset (-1 for a 1-based
// index), held to what an int holds.
int SaturatedInt(const Value& v, int offset) {
    double d = std::trunc(ArgFloat(v));
    if (std::isnan(d)) ThrowConvertError(v, L"Integer");
    d = std::clamp(d + offset, static_cast<double>(std::numeric_limits<int>::min()),
                   static_cast<double>(std::numeric_limits<int>::max()));
    return static_cast<int>(d);
}

// The same, then held to the parameter's range when it has one, as the block's own spinners hold it.
int IntParamValue(IParamBlock2* pb, ParamID id, int type, const Value& v, int offset) {
    int value = SaturatedInt(v, offset);
    const ParamDef& def = pb->GetParamDef(id);
    if (base_type(type) == TYPE_INT && def.has_range && def.range_low.i <= def.range_high.i)
        value = std::clamp(value, def.range_low.i, def.range_high.i);
    return value;
}

void SetElement(IParamBlock2* pb, ParamID id, int type, int i, const Value& v, const std::wstring& name) {
    TimeValue t = Now();
    BOOL ok = FALSE;
    auto wrong = [&]() { ThrowConvertError(v, TypeWord(type).c_str()); };
    switch (base_type(type)) {
    case TYPE_FLOAT:
    case TYPE_WORLD:
    case TYPE_COLOR_CHANNEL:
        if (!v.IsNumber()) wrong();
        ok = pb->SetValue(id, t, static_cast<float>(v.Number()), i);
        break;
    case TYPE_ANGLE:
        if (!v.IsNumber()) wrong();
        ok = pb->SetValue(id, t, static_cast<float>(v.Number() / kRadToDeg), i);
        break;
    case TYPE_PCNT_FRAC:
        if (!v.IsNumber()) wrong();
        ok = pb->SetValue(id, t, static_cast<float>(v.Number() / 100.0), i);
        break;
    case TYPE_BOOL:
        if (v.Is(Value::Type::Boolean))
            ok = pb->SetValue(id, t, v.AsBool() ? 1 : 0, i);
        else if (v.Is(Value::Type::Integer))
            ok = pb->SetValue(id, t, v.AsInt() != 0 ? 1 : 0, i);
        else
            wrong();
        break;
    case TYPE_INDEX:
        if (!v.IsNumber()) wrong();
        ok = pb->SetValue(id, t, IntParamValue(pb, id, type, v, -1), i);
        break;
    case TYPE_INT:
    case TYPE_RADIOBTN_INDEX:
    case TYPE_TIMEVALUE:
        if (!v.IsNumber()) wrong();
        ok = pb->SetValue(id, t, IntParamValue(pb, id, type, v, 0), i);
        break;
    case TYPE_RGBA:
    case TYPE_FRGBA:
        if (v.Is(Value::Type::Color))
            ok = pb->SetValue(id, t, v.AsColour() / 255.0f, i);
        else if (v.Is(Value::Type::Point3))
            ok = pb->SetValue(id, t, v.AsPoint() / 255.0f, i);
        else
            wrong();
        break;
    case TYPE_POINT3:
    case TYPE_HSV:
        if (v.Is(Value::Type::Point3))
            ok = pb->SetValue(id, t, v.AsPoint(), i);
        else if (v.Is(Value::Type::Color))
            ok = pb->SetValue(id, t, v.AsColour(), i);
        else
            wrong();
        break;
    case TYPE_STRING:
    case TYPE_FILENAME:
    case TYPE_BITMAP:
        if (!v.Is(Value::Type::String)) wrong();
        ok = pb->SetValue(id, t, v.Str().c_str(), i);
        break;
    case TYPE_MTL:
    case TYPE_TEXMAP:
    case TYPE_INODE:
    case TYPE_REFTARG: {
        ReferenceTarget* r = nullptr;
        if (!v.IsUndefined()) {
            r = dynamic_cast<ReferenceTarget*>(AnimFromValue(v));
            if (!r) wrong();
            SClass_ID s = r->SuperClassID();
            int bt = base_type(type);
            if ((bt == TYPE_MTL && s != MATERIAL_CLASS_ID) || (bt == TYPE_TEXMAP && s != TEXMAP_CLASS_ID) ||
                (bt == TYPE_INODE && s != BASENODE_CLASS_ID))
                wrong();
        }
        ok = pb->SetValue(id, t, r, i);
        break;
    }
    default:
        throw ScriptError(L"Runtime error: cannot set parameter " + name + L" of type " +
                          std::to_wstring(type));
    }
    if (!ok)
        throw ScriptError(L"Runtime error: cannot set parameter " + name + L" to " + v.PrintForm() +
                          (is_tab(type) ? L" at index " + std::to_wstring(i + 1) : std::wstring()));
}

} // namespace

bool FindParam(Animatable* anim, const std::wstring& lowerName, ParamRef& out) {
    if (!anim) return false;
    for (int b = 0; b < anim->NumParamBlocks(); ++b) {
        IParamBlock2* pb = anim->GetParamBlock(b);
        if (!pb) continue;
        for (int i = 0; i < pb->NumParams(); ++i) {
            ParamID id = pb->IndextoID(i);
            const ParamDef& def = pb->GetParamDef(id);
            if (def.int_name && Lower(def.int_name) == lowerName) {
                out = ParamRef{pb, id, nullptr};
                return true;
            }
        }
    }
    if (IParamBlock* pb1 = Block1(anim)) {
        if (const ObjectClassDesc* cd = ObjectDesc(anim)) {
            const auto& params = cd->Def().pb1Params;
            std::wstring key = Squeezed(lowerName);
            for (size_t i = 0; i < params.size() && static_cast<int>(i) < pb1->NumParams(); ++i)
                if (Squeezed(params[i].name.str()) == key ||
                    (!params[i].scriptName.isNull() && Lower(params[i].scriptName.str()) == lowerName)) {
                    out = ParamRef{nullptr, static_cast<int>(i), pb1, params[i].angle};
                    return true;
                }
        }
    }
    return false;
}

Value GetParamValue(const ParamRef& p) {
    if (p.pb2) {
        int type = p.pb2->GetParameterType(p.id);
        if (!is_tab(type)) return Element(p.pb2, p.id, type, 0);
        std::vector<Value> items;
        int n = p.pb2->Count(p.id);
        items.reserve(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i)
            items.push_back(Element(p.pb2, p.id, type, i));
        return Value::Array(std::move(items));
    }
    Interval iv = FOREVER;
    switch (p.pb1->GetParameterType(p.id)) {
    case TYPE_INT_PB1: {
        int v = 0;
        p.pb1->GetValue(p.id, Now(), v, iv);
        return Value::Int(v);
    }
    case TYPE_BOOL_PB1: {
        int v = 0;
        p.pb1->GetValue(p.id, Now(), v, iv);
        return Value::Bool(v != 0);
    }
    case TYPE_RGBA_PB1: {
        Point3 c;
        p.pb1->GetValue(p.id, Now(), c, iv);
        return Value::Colour(c * 255.0f);
    }
    case TYPE_POINT3_PB1: {
        Point3 c;
        p.pb1->GetValue(p.id, Now(), c, iv);
        return Value::Point(c);
    }
    default: {
        float f = 0;
        p.pb1->GetValue(p.id, Now(), f, iv);
        return Value::Float(p.angle ? f * kRadToDeg : f);
    }
    }
}

void SetParamValue(const ParamRef& p, const Value& v, const std::wstring& paramName) {
    if (p.pb2) {
        int type = p.pb2->GetParameterType(p.id);
        if (!is_tab(type)) {
            SetElement(p.pb2, p.id, type, 0, v, paramName);
            return;
        }
        if (!v.Is(Value::Type::Array)) ThrowConvertError(v, L"Array");
        const auto& items = v.Items();
        if (p.pb2->Count(p.id) != static_cast<int>(items.size()))
            p.pb2->SetCount(p.id, static_cast<int>(items.size()));
        for (size_t i = 0; i < items.size(); ++i)
            SetElement(p.pb2, p.id, type, static_cast<int>(i), items[i], paramName);
        return;
    }
    TimeValue t = Now();
    BOOL ok = FALSE;
    switch (p.pb1->GetParameterType(p.id)) {
    case TYPE_INT_PB1:
        ok = p.pb1->SetValue(p.id, t, SaturatedInt(v, 0));
        break;
    case TYPE_BOOL_PB1:
        ok = p.pb1->SetValue(p.id, t, ArgBool(v) ? 1 : 0);
        break;
    case TYPE_RGBA_PB1:
        if (!v.Is(Value::Type::Color)) ThrowConvertError(v, L"Color");
        ok = p.pb1->SetValue(p.id, t, v.AsColour() / 255.0f);
        break;
    case TYPE_POINT3_PB1:
        if (!v.Is(Value::Type::Point3)) ThrowConvertError(v, L"Point3");
        ok = p.pb1->SetValue(p.id, t, v.AsPoint());
        break;
    default:
        ok = p.pb1->SetValue(p.id, t, static_cast<float>(p.angle ? ArgFloat(v) / kRadToDeg : ArgFloat(v)));
        break;
    }
    if (!ok) throw ScriptError(L"Runtime error: cannot set parameter " + paramName + L" to " + v.PrintForm());
}

std::vector<std::wstring> ParamNames(Animatable* anim) {
    std::vector<std::wstring> names;
    if (!anim) return names;
    for (int b = 0; b < anim->NumParamBlocks(); ++b)
        if (IParamBlock2* pb = anim->GetParamBlock(b))
            for (int i = 0; i < pb->NumParams(); ++i) {
                const ParamDef& def = pb->GetParamDef(pb->IndextoID(i));
                if (def.int_name && *def.int_name) names.emplace_back(def.int_name);
            }
    if (Block1(anim))
        if (const ObjectClassDesc* cd = ObjectDesc(anim))
            for (const auto& p : cd->Def().pb1Params) {
                if (!p.scriptName.isNull()) {
                    names.push_back(p.scriptName.str());
                    continue;
                }
                std::wstring n;
                for (wchar_t c : p.name.str())
                    n += c == L' ' ? L'_' : c;
                names.push_back(n);
            }
    return names;
}

bool GetParamProperty(Animatable* anim, const std::wstring& lowerName, Value& out) {
    ParamRef p;
    if (!FindParam(anim, lowerName, p)) return false;
    out = GetParamValue(p);
    return true;
}

bool SetParamProperty(Animatable* anim, const std::wstring& lowerName, const Value& value) {
    ParamRef p;
    if (!FindParam(anim, lowerName, p)) return false;
    SetParamValue(p, value, lowerName);
    return true;
}
