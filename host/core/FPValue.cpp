// Typed values of published functions: type checks, conversions and the text form used by dumps and tests.
#include "host/core/FPValue.h"

#include "host/core/FPInterface.h"
#include "host/core/MaxException.h"

#include <cstdio>
#include <type_traits>

namespace {

// Which payload a type carries.
enum Kind {
    kUnsupported,
    kVoid,
    kInt,
    kFloat,
    kPoint3,
    kPoint4,
    kMatrix3,
    kStr,
    kBits,
    kNode,
    kRefTarg,
    kMtl,
    kTexmap,
    kPBlock,
    kInterface,
    kIntTab,
    kFloatTab,
    kStrTab,
    kNodeTab,
    kRefTargTab,
};

Kind KindOf(int type) {
    switch (root_type(type)) {
    case TYPE_VOID: return kVoid;
    case TYPE_INT:
    case TYPE_INDEX:
    case TYPE_BOOL:
    case TYPE_bool:
    case TYPE_TIMEVALUE:
    case TYPE_RADIOBTN_INDEX:
    case TYPE_DWORD:
    case TYPE_ENUM: return kInt;
    case TYPE_FLOAT:
    case TYPE_ANGLE:
    case TYPE_PCNT_FRAC:
    case TYPE_WORLD:
    case TYPE_COLOR_CHANNEL:
    case TYPE_DOUBLE: return kFloat;
    case TYPE_POINT3:
    case TYPE_RGBA:
    case TYPE_COLOR:
    case TYPE_HSV: return kPoint3;
    case TYPE_POINT4:
    case TYPE_FRGBA: return kPoint4;
    case TYPE_MATRIX3: return kMatrix3;
    case TYPE_STRING:
    case TYPE_FILENAME:
    case TYPE_TSTR:
    case TYPE_NAME: return kStr;
    case TYPE_BITARRAY: return kBits;
    case TYPE_INODE: return kNode;
    case TYPE_REFTARG: return kRefTarg;
    case TYPE_MTL: return kMtl;
    case TYPE_TEXMAP: return kTexmap;
    case TYPE_PBLOCK2: return kPBlock;
    case TYPE_INTERFACE: return kInterface;
    case TYPE_INT_TAB:
    case TYPE_INDEX_TAB:
    case TYPE_BOOL_TAB: return kIntTab;
    case TYPE_FLOAT_TAB: return kFloatTab;
    case TYPE_STRING_TAB:
    case TYPE_FILENAME_TAB:
    case TYPE_TSTR_TAB: return kStrTab;
    case TYPE_INODE_TAB: return kNodeTab;
    case TYPE_REFTARG_TAB: return kRefTargTab;
    default: return kUnsupported;
    }
}

bool IsScalarKind(Kind k) { return k == kInt || k == kFloat || k == kPoint3 || k == kPoint4 || k == kMatrix3; }
bool IsBoolType(int type) { return root_type(type) == TYPE_BOOL || root_type(type) == TYPE_bool; }

FPValue::ObjectNamer gNamer = nullptr;

std::string FloatText(float f) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", static_cast<double>(f));
    return buf;
}

std::string QuotedText(const WStr& s) {
    std::string out = "\"";
    for (char c : s.ToUTF8()) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string PointText(std::initializer_list<float> parts) {
    std::string out = "[";
    bool first = true;
    for (float f : parts) {
        if (!first) out += ",";
        out += FloatText(f);
        first = false;
    }
    return out + "]";
}

std::string ObjectText(ParamType2 base, const void* object, const char* fallback) {
    if (!object) return "undefined";
    if (gNamer) return gNamer(base, object);
    return fallback;
}

template <class T, class F> std::string TabText(const Tab<T>& tab, F item) {
    std::string out = "#(";
    for (int i = 0; i < tab.Count(); ++i) {
        if (i) out += ", ";
        out += item(tab[i]);
    }
    return out + ")";
}

} // namespace

void FPValue::SetObjectNamer(ObjectNamer namer) { gNamer = namer; }

void FPValue::Store(ParamType2 t, Storage payload, int kind, const char* what) {
    if (KindOf(t) != kind)
        throw MAXException(WStr::FromUTF8("FPValue: " + ParamTypeName(t) + " cannot hold " + what));
    type = t;
    v_ = std::move(payload);
}

void FPValue::Load(ParamType2 t, int v) {
    // An integer given for a float type is taken as that number, as the script language does.
    if (KindOf(t) == kFloat) {
        Store(t, static_cast<float>(v), kFloat, "a float");
        return;
    }
    Store(t, IsBoolType(t) ? (v != 0 ? 1 : 0) : v, kInt, "an integer");
}
void FPValue::Load(ParamType2 t, float v) { Store(t, v, kFloat, "a float"); }
void FPValue::Load(ParamType2 t, const MCHAR* v) { Store(t, WStr(v), kStr, "a string"); }
void FPValue::Load(ParamType2 t, const WStr& v) { Store(t, v, kStr, "a string"); }
void FPValue::Load(ParamType2 t, const Point3& v) { Store(t, v, kPoint3, "a point3"); }
void FPValue::Load(ParamType2 t, const Point4& v) { Store(t, v, kPoint4, "a point4"); }
void FPValue::Load(ParamType2 t, const Matrix3& v) { Store(t, v, kMatrix3, "a matrix3"); }
void FPValue::Load(ParamType2 t, const BitArray& v) { Store(t, v, kBits, "a bit array"); }
void FPValue::Load(ParamType2 t, INode* v) { Store(t, v ? Storage(v) : Storage(), kNode, "a node"); }
void FPValue::Load(ParamType2 t, ReferenceTarget* v) {
    Store(t, v ? Storage(v) : Storage(), kRefTarg, "a reference target");
}
void FPValue::Load(ParamType2 t, Mtl* v) { Store(t, v ? Storage(v) : Storage(), kMtl, "a material"); }
void FPValue::Load(ParamType2 t, Texmap* v) { Store(t, v ? Storage(v) : Storage(), kTexmap, "a map"); }
void FPValue::Load(ParamType2 t, IParamBlock2* v) {
    Store(t, v ? Storage(v) : Storage(), kPBlock, "a parameter block");
}
void FPValue::Load(ParamType2 t, FPInterface* v) {
    Store(t, v ? Storage(v) : Storage(), kInterface, "an interface");
}
void FPValue::Load(ParamType2 t, const Tab<int>& v) { Store(t, v, kIntTab, "an integer table"); }
void FPValue::Load(ParamType2 t, const Tab<float>& v) { Store(t, v, kFloatTab, "a float table"); }
void FPValue::Load(ParamType2 t, const Tab<WStr>& v) { Store(t, v, kStrTab, "a string table"); }
void FPValue::Load(ParamType2 t, const Tab<INode*>& v) { Store(t, v, kNodeTab, "a node table"); }
void FPValue::Load(ParamType2 t, const Tab<ReferenceTarget*>& v) {
    Store(t, v, kRefTargTab, "a reference target table");
}

void FPValue::LoadNull(ParamType2 t) {
    Kind k = KindOf(t);
    if (k == kUnsupported || IsScalarKind(k))
        throw MAXException(WStr::FromUTF8("FPValue: " + ParamTypeName(t) + " has no undefined value"));
    type = t;
    v_ = std::monostate();
}

void FPValue::Mismatch(const char* wanted) const {
    throw MAXException(WStr::FromUTF8(std::string("FPValue: expected ") + wanted + " but the value is " + ToString()));
}

template <class T> const T* FPValue::Find(int kind, const char* wanted) const {
    if (KindOf(type) != kind) Mismatch(wanted);
    return std::get_if<T>(&v_);
}

int FPValue::GetInt() const {
    const int* v = KindOf(type) == kInt ? std::get_if<int>(&v_) : nullptr;
    if (!v) Mismatch("an integer");
    return *v;
}

int FPValue::GetIndex() const { return GetInt(); }

bool FPValue::GetBool() const { return GetInt() != 0; }

float FPValue::GetFloat() const {
    if (KindOf(type) == kInt) return static_cast<float>(GetInt());
    const float* v = KindOf(type) == kFloat ? std::get_if<float>(&v_) : nullptr;
    if (!v) Mismatch("a float");
    return *v;
}

const WStr* FPValue::GetWStr() const { return Find<WStr>(kStr, "a string"); }

const MCHAR* FPValue::GetStr() const {
    const WStr* s = GetWStr();
    return s ? s->c_str() : nullptr;
}

Point3 FPValue::GetPoint3() const {
    const Point3* v = Find<Point3>(kPoint3, "a point3");
    if (!v) Mismatch("a point3");
    return *v;
}

Point4 FPValue::GetPoint4() const {
    const Point4* v = Find<Point4>(kPoint4, "a point4");
    if (!v) Mismatch("a point4");
    return *v;
}

Matrix3 FPValue::GetMatrix3() const {
    const Matrix3* v = Find<Matrix3>(kMatrix3, "a matrix3");
    if (!v) Mismatch("a matrix3");
    return *v;
}

const BitArray* FPValue::GetBitArray() const { return Find<BitArray>(kBits, "a bit array"); }

template <class T> static T* PointerOr(T* const* p) { return p ? *p : nullptr; }

INode* FPValue::GetNode() const { return PointerOr(Find<INode*>(kNode, "a node")); }
ReferenceTarget* FPValue::GetRefTarg() const {
    return PointerOr(Find<ReferenceTarget*>(kRefTarg, "a reference target"));
}
Mtl* FPValue::GetMtl() const { return PointerOr(Find<Mtl*>(kMtl, "a material")); }
Texmap* FPValue::GetTexmap() const { return PointerOr(Find<Texmap*>(kTexmap, "a map")); }
IParamBlock2* FPValue::GetPBlock() const { return PointerOr(Find<IParamBlock2*>(kPBlock, "a parameter block")); }
FPInterface* FPValue::GetInterface() const { return PointerOr(Find<FPInterface*>(kInterface, "an interface")); }

const Tab<int>* FPValue::GetIntTab() const { return Find<Tab<int>>(kIntTab, "an integer table"); }
const Tab<float>* FPValue::GetFloatTab() const { return Find<Tab<float>>(kFloatTab, "a float table"); }
const Tab<WStr>* FPValue::GetStrTab() const { return Find<Tab<WStr>>(kStrTab, "a string table"); }
const Tab<INode*>* FPValue::GetNodeTab() const { return Find<Tab<INode*>>(kNodeTab, "a node table"); }
const Tab<ReferenceTarget*>* FPValue::GetRefTargTab() const {
    return Find<Tab<ReferenceTarget*>>(kRefTargTab, "a reference target table");
}

FPValue FPValue::ConvertTo(ParamType2 target) const {
    Kind from = KindOf(type);
    Kind to = KindOf(target);
    FPValue out;
    if (to == kUnsupported) {
        // Leave the result void; the error below names both types.
    } else if (IsNull() && !IsScalarKind(to)) {
        out.LoadNull(target);
        return out;
    } else if (IsNull()) {
        // A scalar has no undefined value.
    } else if (from == to) {
        out = *this;
        out.type = target;
        if (to == kInt && IsBoolType(target)) out.v_ = GetInt() != 0 ? 1 : 0;
        return out;
    } else if (from == kInt && to == kFloat) {
        out.Load(target, static_cast<float>(GetInt()));
        return out;
    } else if (from == kFloat && to == kInt) {
        // Truncates toward zero, as "as integer" does; a value no int holds (or NaN) cannot convert.
        const double f = GetFloat();
        if (f > -2147483649.0 && f < 2147483648.0) {
            out.Load(target, static_cast<int>(f));
            return out;
        }
    }
    throw MAXException(WStr::FromUTF8("FPValue: cannot convert " + ToString() + " to " + ParamTypeName(target)));
}

FPValue FPValue::ShiftIndices(int delta) const {
    // An index at the edge of int has no counterpart on the other side: a range error, never a wrap.
    auto shift = [delta](int i) {
        int out = 0;
        if (__builtin_add_overflow(i, delta, &out))
            throw MAXException(WStr::Format(L"index out of range: %d", i));
        return out;
    };
    FPValue out = *this;
    ParamType2 root = root_type(type);
    if (root == TYPE_INDEX) {
        if (const int* i = std::get_if<int>(&v_)) out.v_ = shift(*i);
    } else if (root == TYPE_INDEX_TAB) {
        if (const Tab<int>* tab = std::get_if<Tab<int>>(&v_)) {
            Tab<int> shifted = *tab;
            for (int& i : shifted) i = shift(i);
            out.v_ = std::move(shifted);
        }
    }
    return out;
}

std::string FPValue::PayloadString() const {
    if (KindOf(type) == kVoid) return "";
    if (IsNull()) return "undefined";
    ParamType2 base = base_type(type);
    return std::visit(
        [&](const auto& v) -> std::string {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate>) {
                return "undefined";
            } else if constexpr (std::is_same_v<T, int>) {
                if (IsBoolType(type)) return v ? "true" : "false";
                return std::to_string(v);
            } else if constexpr (std::is_same_v<T, float>) {
                return FloatText(v);
            } else if constexpr (std::is_same_v<T, Point3>) {
                return PointText({v.x, v.y, v.z});
            } else if constexpr (std::is_same_v<T, Point4>) {
                return PointText({v.x, v.y, v.z, v.w});
            } else if constexpr (std::is_same_v<T, Matrix3>) {
                std::string out = "(matrix3";
                for (int r = 0; r < 4; ++r) {
                    const Point3& row = v.GetRow(r);
                    out += " " + PointText({row.x, row.y, row.z});
                }
                return out + ")";
            } else if constexpr (std::is_same_v<T, WStr>) {
                return QuotedText(v);
            } else if constexpr (std::is_same_v<T, BitArray>) {
                return v.ToString();
            } else if constexpr (std::is_same_v<T, FPInterface*>) {
                FPInterfaceDesc* desc = v->GetDesc();
                return "<interface " + (desc ? desc->internal_name.ToUTF8() : std::string("?")) + ">";
            } else if constexpr (std::is_pointer_v<T>) {
                const char* fallback = base == TYPE_INODE     ? "<node>"
                                       : base == TYPE_MTL     ? "<material>"
                                       : base == TYPE_TEXMAP  ? "<map>"
                                       : base == TYPE_PBLOCK2 ? "<pblock2>"
                                                              : "<reftarg>";
                return ObjectText(base, v, fallback);
            } else if constexpr (std::is_same_v<T, Tab<int>>) {
                bool b = base == TYPE_BOOL;
                return TabText(v, [b](int i) { return b ? std::string(i ? "true" : "false") : std::to_string(i); });
            } else if constexpr (std::is_same_v<T, Tab<float>>) {
                return TabText(v, FloatText);
            } else if constexpr (std::is_same_v<T, Tab<WStr>>) {
                return TabText(v, QuotedText);
            } else if constexpr (std::is_same_v<T, Tab<INode*>>) {
                return TabText(v, [](INode* n) { return ObjectText(TYPE_INODE, n, "<node>"); });
            } else {
                static_assert(std::is_same_v<T, Tab<ReferenceTarget*>>);
                return TabText(v, [](ReferenceTarget* r) { return ObjectText(TYPE_REFTARG, r, "<reftarg>"); });
            }
        },
        v_);
}

std::string FPValue::ToString() const {
    std::string payload = PayloadString();
    return payload.empty() ? ParamTypeName(type) : ParamTypeName(type) + " " + payload;
}

bool FPValue::operator==(const FPValue& o) const {
    if (type != o.type || v_.index() != o.v_.index()) return false;
    return std::visit(
        [&](const auto& a) {
            using T = std::decay_t<decltype(a)>;
            const T& b = std::get<T>(o.v_);
            if constexpr (std::is_same_v<T, Matrix3>) {
                for (int r = 0; r < 4; ++r)
                    if (!(a.GetRow(r) == b.GetRow(r))) return false;
                return true;
            } else {
                return a == b;
            }
        },
        v_);
}
