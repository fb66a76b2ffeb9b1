// Published values to script values and back, for every type the published-function layer carries.
#include "host/script/fp/FPValueConvert.h"

#include "host/core/FPInterface.h"
#include "host/core/ReferenceTarget.h"
#include "host/scene/INode.h"
#include "host/scene/IParamBlock2.h"
#include "host/scene/Mtl.h"
#include "host/script/Interpreter.h"
#include "host/script/ScriptError.h"
#include "host/script/fp/FPInterfaceValue.h"
#include "host/script/scene/NodeValue.h"

#include <limits>

namespace {

bool IsIntegerType(ParamType2 base) {
    switch (base) {
    case TYPE_INT:
    case TYPE_INDEX:
    case TYPE_DWORD:
    case TYPE_ENUM:
    case TYPE_RADIOBTN_INDEX:
    case TYPE_TIMEVALUE:
    case TYPE_INT64:
    case TYPE_INTPTR: return true;
    default: return false;
    }
}

bool IsFloatType(ParamType2 base) {
    switch (base) {
    case TYPE_FLOAT:
    case TYPE_ANGLE:
    case TYPE_PCNT_FRAC:
    case TYPE_WORLD:
    case TYPE_COLOR_CHANNEL:
    case TYPE_DOUBLE: return true;
    default: return false;
    }
}

bool IsStringType(ParamType2 base) {
    return base == TYPE_STRING || base == TYPE_FILENAME || base == TYPE_TSTR || base == TYPE_NAME;
}

bool IsColorType(ParamType2 base) { return base == TYPE_RGBA || base == TYPE_COLOR || base == TYPE_FRGBA; }

bool IsObjectType(ParamType2 base) {
    switch (base) {
    case TYPE_INODE:
    case TYPE_REFTARG:
    case TYPE_MTL:
    case TYPE_TEXMAP:
    case TYPE_PBLOCK2:
    case TYPE_INTERFACE:
    case TYPE_BITARRAY: return true;
    default: return false;
    }
}

// The plain C++ value a scalar script value gives for a base type; false when it does not fit.
bool ToInt(const Value& v, int& out) {
    if (!v.IsNumber()) return false;
    double d = v.Is(Value::Type::Integer) ? static_cast<double>(v.AsInt()) : v.Number();
    // Truncation toward zero keeps (-2^31 - 1, 2^31) inside int; NaN fails both tests.
    if (!(d > -2147483649.0 && d < 2147483648.0)) return false;
    out = static_cast<int>(d); // a float truncates, as "as integer" does
    return true;
}

bool ToText(const Value& v, WStr& out) {
    if (v.Is(Value::Type::String)) out = WStr(v.Str());
    else if (v.Is(Value::Type::Name)) out = WStr(v.NameText());
    else return false;
    return true;
}

template <class T> T* ObjectAs(const Value& v) { return dynamic_cast<T*>(UnwrapAnimatable(v)); }

// One item of a table; false when it does not fit the base type.
template <class T> bool TabItem(const Value& v, ParamType2 base, T& out);
template <> bool TabItem<int>(const Value& v, ParamType2 base, int& out) {
    if (base == TYPE_BOOL) {
        if (!v.Is(Value::Type::Boolean)) return false;
        out = v.AsBool() ? 1 : 0;
        return true;
    }
    return ToInt(v, out);
}
template <> bool TabItem<float>(const Value& v, ParamType2, float& out) {
    if (!v.IsNumber()) return false;
    out = static_cast<float>(v.Number());
    return true;
}
template <> bool TabItem<WStr>(const Value& v, ParamType2, WStr& out) { return ToText(v, out); }
template <> bool TabItem<INode*>(const Value& v, ParamType2, INode*& out) {
    out = v.IsUndefined() ? nullptr : ObjectAs<INode>(v);
    return v.IsUndefined() || out;
}
template <> bool TabItem<ReferenceTarget*>(const Value& v, ParamType2, ReferenceTarget*& out) {
    out = v.IsUndefined() ? nullptr : ObjectAs<ReferenceTarget>(v);
    return v.IsUndefined() || out;
}

template <class T> bool ToTab(const Value& v, ParamType2 type, FPValue& out) {
    if (!v.Is(Value::Type::Array)) return false;
    Tab<T> tab;
    for (const Value& item : v.Items()) {
        T x{};
        if (!TabItem<T>(item, base_type(type), x)) return false;
        tab.Append(x);
    }
    out = FPValue(type, tab);
    return true;
}

bool ConvertTyped(const Value& v, ParamType2 type, FPValue& out) {
    ParamType2 base = base_type(type);
    if (is_tab(type)) {
        if (v.IsUndefined()) {
            out = FPValue(type, nullptr);
            return true;
        }
        switch (base) {
        case TYPE_INT:
        case TYPE_INDEX:
        case TYPE_BOOL: return ToTab<int>(v, type, out);
        case TYPE_FLOAT: return ToTab<float>(v, type, out);
        case TYPE_STRING:
        case TYPE_FILENAME:
        case TYPE_TSTR: return ToTab<WStr>(v, type, out);
        case TYPE_INODE: return ToTab<INode*>(v, type, out);
        case TYPE_REFTARG: return ToTab<ReferenceTarget*>(v, type, out);
        default: return false;
        }
    }
    if (base == TYPE_VOID) {
        out = FPValue();
        return true;
    }
    if (IsObjectType(base) && v.IsUndefined()) {
        out = FPValue(type, nullptr);
        return true;
    }
    if (IsIntegerType(base)) {
        int i = 0;
        if (!ToInt(v, i)) return false;
        out = FPValue(type, i);
        return true;
    }
    if (base == TYPE_BOOL || base == TYPE_bool) {
        if (!v.Is(Value::Type::Boolean)) return false;
        out = FPValue(type, v.AsBool());
        return true;
    }
    if (IsFloatType(base)) {
        if (!v.IsNumber()) return false;
        out = FPValue(type, v.Number());
        return true;
    }
    if (IsStringType(base)) {
        WStr text;
        if (!ToText(v, text)) return false;
        out = FPValue(type, text);
        return true;
    }
    if (base == TYPE_POINT3 || base == TYPE_HSV) {
        if (!v.Is(Value::Type::Point3)) return false;
        out = FPValue(type, v.AsPoint());
        return true;
    }
    if (IsColorType(base)) {
        // Script colours count 0 to 255; published colours 0 to 1.
        Point3 c;
        if (v.Is(Value::Type::Color)) c = v.AsColour();
        else if (v.Is(Value::Type::Point3)) c = v.AsPoint();
        else return false;
        Point3 unit(c.x / 255.0f, c.y / 255.0f, c.z / 255.0f);
        out = base == TYPE_FRGBA ? FPValue(type, Point4(unit.x, unit.y, unit.z, 1.0f)) : FPValue(type, unit);
        return true;
    }
    // An object of the wanted class, or no conversion.
    auto object = [&](auto* p) {
        if (p) out = FPValue(type, p);
        return p != nullptr;
    };
    switch (base) {
    case TYPE_BITARRAY:
        if (!v.Is(Value::Type::BitArray)) return false;
        out = FPValue(type, v.BitsRef());
        return true;
    case TYPE_INODE: return object(ObjectAs<INode>(v));
    case TYPE_MTL: return object(ObjectAs<Mtl>(v));
    case TYPE_TEXMAP: return object(ObjectAs<Texmap>(v));
    case TYPE_PBLOCK2: return object(ObjectAs<IParamBlock2>(v));
    case TYPE_REFTARG: return object(ObjectAs<ReferenceTarget>(v));
    case TYPE_INTERFACE: return object(InterfaceFromValue(v));
    default: return false;
    }
}

// The type all items of an array share, as a table type; TYPE_VOID when they share none.
ParamType2 CommonTabType(const std::vector<Value>& items) {
    if (items.empty()) return TYPE_INT_TAB;
    auto all = [&](auto pred) {
        for (const Value& v : items)
            if (!pred(v)) return false;
        return true;
    };
    if (all([](const Value& v) { return v.Is(Value::Type::Integer); })) return TYPE_INT_TAB;
    if (all([](const Value& v) { return v.IsNumber(); })) return TYPE_FLOAT_TAB;
    if (all([](const Value& v) { return v.Is(Value::Type::Boolean); })) return TYPE_BOOL_TAB;
    if (all([](const Value& v) { return v.Is(Value::Type::String); })) return TYPE_STRING_TAB;
    if (all([](const Value& v) { return ObjectAs<INode>(v) != nullptr; })) return TYPE_INODE_TAB;
    if (all([](const Value& v) { return ObjectAs<ReferenceTarget>(v) != nullptr; })) return TYPE_REFTARG_TAB;
    return TYPE_VOID;
}

template <class T, class F> Value TabToArray(const Tab<T>* tab, F item) {
    std::vector<Value> items;
    if (tab)
        for (int i = 0; i < tab->Count(); ++i) items.push_back(item((*tab)[i]));
    return Value::Array(std::move(items));
}

} // namespace

std::wstring ScriptTypeName(ParamType2 type) {
    ParamType2 base = base_type(type);
    if (is_tab(type)) return L"Array";
    if (IsIntegerType(base)) return L"Integer";
    if (IsFloatType(base)) return L"Float";
    if (IsStringType(base)) return base == TYPE_NAME ? L"Name" : L"String";
    if (IsColorType(base)) return L"Color";
    switch (base) {
    case TYPE_BOOL:
    case TYPE_bool: return L"Boolean";
    case TYPE_POINT3:
    case TYPE_HSV: return L"Point3";
    case TYPE_BITARRAY: return L"BitArray";
    case TYPE_INODE: return L"node";
    case TYPE_MTL: return L"material";
    case TYPE_TEXMAP: return L"textureMap";
    case TYPE_INTERFACE: return L"Interface";
    default: return L"MAXWrapper";
    }
}

FPValue ScriptToFPValue(Interpreter& interp, const Value& v, ParamType2 type) {
    ParamType2 root = root_type(type);
    if (root == TYPE_FPVALUE || root == TYPE_VALUE) return ScriptToFPValue(interp, v);
    FPValue out;
    if (!ConvertTyped(v, type, out)) ThrowConvertError(v, ScriptTypeName(type).c_str());
    return out;
}

FPValue ScriptToFPValue(Interpreter&, const Value& v) {
    FPValue out;
    switch (v.GetType()) {
    case Value::Type::Integer:
        if (v.AsInt() >= std::numeric_limits<int>::min() && v.AsInt() <= std::numeric_limits<int>::max())
            out = FPValue(TYPE_INT, static_cast<int>(v.AsInt()));
        else
            out = FPValue(TYPE_DOUBLE, static_cast<double>(v.AsInt()));
        break;
    case Value::Type::Float: out = FPValue(TYPE_FLOAT, v.Number()); break;
    case Value::Type::Boolean: out = FPValue(TYPE_BOOL, v.AsBool()); break;
    case Value::Type::String: out = FPValue(TYPE_STRING, WStr(v.Str())); break;
    case Value::Type::Name: out = FPValue(TYPE_NAME, WStr(v.NameText())); break;
    case Value::Type::Point3: out = FPValue(TYPE_POINT3, v.AsPoint()); break;
    case Value::Type::Color: ConvertTyped(v, TYPE_COLOR, out); break;
    case Value::Type::BitArray: out = FPValue(TYPE_BITARRAY, v.BitsRef()); break;
    case Value::Type::Array: {
        ParamType2 t = CommonTabType(v.Items());
        if (t != TYPE_VOID) ConvertTyped(v, t, out);
        break;
    }
    case Value::Type::Object:
        if (FPInterface* fpi = InterfaceFromValue(v)) {
            out = FPValue(TYPE_INTERFACE, fpi);
        } else if (Animatable* a = UnwrapAnimatable(v)) {
            if (auto* node = dynamic_cast<INode*>(a)) out = FPValue(TYPE_INODE, node);
            else if (auto* mtl = dynamic_cast<Mtl*>(a)) out = FPValue(TYPE_MTL, mtl);
            else if (auto* map = dynamic_cast<Texmap*>(a)) out = FPValue(TYPE_TEXMAP, map);
            else if (auto* rt = dynamic_cast<ReferenceTarget*>(a)) out = FPValue(TYPE_REFTARG, rt);
        }
        break;
    default: break;
    }
    return out;
}

Value FPValueToScript(Interpreter&, const FPValue& v) {
    ParamType2 root = root_type(v.type);
    ParamType2 base = base_type(v.type);
    if (root == TYPE_VOID) return Value::Ok();
    if (is_tab(root)) {
        switch (base) {
        case TYPE_INT:
        case TYPE_INDEX: return TabToArray(v.GetIntTab(), [](int i) { return Value::Int(i); });
        case TYPE_BOOL: return TabToArray(v.GetIntTab(), [](int i) { return Value::Bool(i != 0); });
        case TYPE_FLOAT: return TabToArray(v.GetFloatTab(), [](float f) { return Value::Float(f); });
        case TYPE_STRING:
        case TYPE_FILENAME:
        case TYPE_TSTR: return TabToArray(v.GetStrTab(), [](const WStr& s) { return Value::String(s.str()); });
        case TYPE_INODE:
            return TabToArray(v.GetNodeTab(), [](INode* n) { return WrapAnimatable(n); });
        case TYPE_REFTARG:
            return TabToArray(v.GetRefTargTab(), [](ReferenceTarget* r) { return WrapAnimatable(r); });
        default: break;
        }
    } else if (v.IsNull()) {
        return Value();
    } else if (IsIntegerType(base)) {
        return Value::Int(v.GetInt());
    } else if (base == TYPE_BOOL || base == TYPE_bool) {
        return Value::Bool(v.GetBool());
    } else if (IsFloatType(base)) {
        return Value::Float(v.GetFloat());
    } else if (IsStringType(base)) {
        return base == TYPE_NAME ? Value::Name(v.GetStr()) : Value::String(v.GetStr());
    } else if (base == TYPE_POINT3 || base == TYPE_HSV) {
        return Value::Point(v.GetPoint3());
    } else if (base == TYPE_RGBA || base == TYPE_COLOR) {
        Point3 c = v.GetPoint3();
        return Value::Colour(Point3(c.x * 255.0f, c.y * 255.0f, c.z * 255.0f));
    } else if (base == TYPE_FRGBA) {
        Point4 c = v.GetPoint4();
        return Value::Colour(Point3(c.x * 255.0f, c.y * 255.0f, c.z * 255.0f));
    } else {
        switch (base) {
        case TYPE_BITARRAY: return Value::Bits(*v.GetBitArray());
        case TYPE_INODE: return WrapAnimatable(v.GetNode());
        case TYPE_REFTARG: return WrapAnimatable(v.GetRefTarg());
        case TYPE_MTL: return WrapAnimatable(v.GetMtl());
        case TYPE_TEXMAP: return WrapAnimatable(v.GetTexmap());
        case TYPE_PBLOCK2: return WrapAnimatable(v.GetPBlock());
        case TYPE_INTERFACE: return MakeInterfaceValue(v.GetInterface());
        default: break;
        }
    }
    throw ScriptError(L"Runtime error: a published " + WStr::FromUTF8(ParamTypeName(v.type)).str() +
                      L" value has no script form");
}

Value WrapAnimatable(Animatable* anim) { return MakeAnimValue(anim); }

Animatable* UnwrapAnimatable(const Value& v) { return AnimFromValue(v); }
