// The entries of a parameter-block-2 mirror: the header every entry shares, one value class per family of
// parameter types, and the tab count entry.
#include "plugin/anims/Pblock2Param.h"

#include "host/core/ChunkFields.h"
#include "host/core/Matrix3.h"
#include "host/scene/Control.h"

#include <array>
#include <cstdio>

namespace {

constexpr USHORT kNameChunk = 0;
constexpr USHORT kHeaderChunk = 1;
constexpr USHORT kValueChunk = 2;

std::string FloatText(float f) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", static_cast<double>(f));
    return buf;
}

template <class... F> std::string FloatsText(F... f) {
    std::string s = "(";
    bool first = true;
    ((s += (first ? "" : " ") + FloatText(f), first = false), ...);
    return s + ")";
}

// What one value class needs of its type: the base types it keeps, how the block reads and writes it,
// equality, the definition's range, and its text.
struct FloatTraits {
    using T = float;
    static constexpr std::int32_t kTag = PB2PARAM_FLOAT;
    static bool Accepts(int b) {
        return b == TYPE_FLOAT || b == TYPE_ANGLE || b == TYPE_PCNT_FRAC || b == TYPE_WORLD || b == TYPE_COLOR_CHANNEL;
    }
    static bool Get(IParamBlock2* pb, ParamID id, int tab, T& v) {
        Interval iv = FOREVER;
        return pb->GetValue(id, 0, v, iv, tab);
    }
    static bool Set(IParamBlock2* pb, ParamID id, int tab, const T& v) { return pb->SetValue(id, 0, v, tab); }
    static bool Equal(const T& a, const T& b) { return a == b; }
    static bool InRange(const ParamDef& d, const T& v) {
        return !d.has_range || (v >= d.range_low.f && v <= d.range_high.f);
    }
    static std::string Text(const T& v) { return FloatText(v); }
};

struct IntTraits {
    using T = std::int32_t;
    static constexpr std::int32_t kTag = PB2PARAM_INT;
    static bool Accepts(int b) {
        return b == TYPE_INT || b == TYPE_BOOL || b == TYPE_TIMEVALUE || b == TYPE_RADIOBTN_INDEX || b == TYPE_INDEX;
    }
    static bool Get(IParamBlock2* pb, ParamID id, int tab, T& v) {
        Interval iv = FOREVER;
        int x = 0;
        const bool ok = pb->GetValue(id, 0, x, iv, tab);
        v = x;
        return ok;
    }
    static bool Set(IParamBlock2* pb, ParamID id, int tab, const T& v) { return pb->SetValue(id, 0, static_cast<int>(v), tab); }
    static bool Equal(const T& a, const T& b) { return a == b; }
    static bool InRange(const ParamDef& d, const T& v) {
        return !d.has_range || (v >= d.range_low.i && v <= d.range_high.i);
    }
    static std::string Text(const T& v) { return std::to_string(v); }
};

struct Point3Traits {
    using T = Point3;
    static constexpr std::int32_t kTag = PB2PARAM_POINT3;
    static bool Accepts(int b) { return b == TYPE_RGBA || b == TYPE_POINT3 || b == TYPE_HSV; }
    static bool Get(IParamBlock2* pb, ParamID id, int tab, T& v) {
        Interval iv = FOREVER;
        return pb->GetValue(id, 0, v, iv, tab);
    }
    static bool Set(IParamBlock2* pb, ParamID id, int tab, const T& v) { return pb->SetValue(id, 0, v, tab); }
    static bool Equal(const T& a, const T& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }
    static bool InRange(const ParamDef&, const T&) { return true; }
    static std::string Text(const T& v) { return FloatsText(v.x, v.y, v.z); }
};

// Point2 values travel through the block's point3 accessors; z is never used.
struct Point2Traits {
    using T = std::array<float, 2>;
    static constexpr std::int32_t kTag = PB2PARAM_POINT2;
    static bool Accepts(int b) { return b == TYPE_POINT2; }
    static bool Get(IParamBlock2* pb, ParamID id, int tab, T& v) {
        Point3 p;
        Interval iv = FOREVER;
        if (!pb->GetValue(id, 0, p, iv, tab)) return false;
        v = {p.x, p.y};
        return true;
    }
    static bool Set(IParamBlock2* pb, ParamID id, int tab, const T& v) {
        return pb->SetValue(id, 0, Point3(v[0], v[1], 0.0f), tab);
    }
    static bool Equal(const T& a, const T& b) { return a == b; }
    static bool InRange(const ParamDef&, const T&) { return true; }
    static std::string Text(const T& v) { return FloatsText(v[0], v[1]); }
};

struct Point4Traits {
    using T = Point4;
    static constexpr std::int32_t kTag = PB2PARAM_POINT4;
    static bool Accepts(int b) { return b == TYPE_POINT4 || b == TYPE_FRGBA; }
    static bool Get(IParamBlock2* pb, ParamID id, int tab, T& v) {
        Interval iv = FOREVER;
        return pb->GetValue(id, 0, v, iv, tab);
    }
    static bool Set(IParamBlock2* pb, ParamID id, int tab, const T& v) { return pb->SetValue(id, 0, v, tab); }
    static bool Equal(const T& a, const T& b) { return a.x == b.x && a.y == b.y && a.z == b.z && a.w == b.w; }
    static bool InRange(const ParamDef&, const T&) { return true; }
    static std::string Text(const T& v) { return FloatsText(v.x, v.y, v.z, v.w); }
};

struct Matrix3Traits {
    using T = Matrix3;
    static constexpr std::int32_t kTag = PB2PARAM_MATRIX3;
    static bool Accepts(int b) { return b == TYPE_MATRIX3; }
    static bool Get(IParamBlock2* pb, ParamID id, int tab, T& v) {
        Interval iv = FOREVER;
        return pb->GetValue(id, 0, v, iv, tab);
    }
    static bool Set(IParamBlock2* pb, ParamID id, int tab, const T& v) { return pb->SetValue(id, 0, v, tab); }
    static bool Equal(const T& a, const T& b) { return a == b; }
    static bool InRange(const ParamDef&, const T&) { return true; }
    static std::string Text(const T& v) {
        const Point3& t = v.GetRow(3);
        return "[.. " + FloatsText(t.x, t.y, t.z) + "]";
    }
};

template <int... Types> struct TextTraits {
    using T = WStr;
    static bool Accepts(int b) { return ((b == Types) || ...); }
    static bool Get(IParamBlock2* pb, ParamID id, int tab, T& v) {
        const MCHAR* s = nullptr;
        Interval iv = FOREVER;
        if (!pb->GetValue(id, 0, s, iv, tab)) return false;
        v = s ? s : L"";
        return true;
    }
    static bool Set(IParamBlock2* pb, ParamID id, int tab, const T& v) { return pb->SetValue(id, 0, v.c_str(), tab); }
    static bool Equal(const T& a, const T& b) { return a == b; }
    static bool InRange(const ParamDef&, const T&) { return true; }
    static std::string Text(const T& v) { return "\"" + v.ToUTF8() + "\""; }
};
struct StringTraits : TextTraits<TYPE_STRING, TYPE_FILENAME> {
    static constexpr std::int32_t kTag = PB2PARAM_STRING;
};
// The host keeps a bitmap parameter as its bitmap's file name, and saves it so.
struct BitmapTraits : TextTraits<TYPE_BITMAP> {
    static constexpr std::int32_t kTag = PB2PARAM_BITMAP;
};

template <class Traits> IOResult SaveTraitValue(ISave* isave, const typename Traits::T& v) {
    if constexpr (std::is_same_v<typename Traits::T, WStr>)
        return WriteStringChunk(isave, kValueChunk, v);
    else
        return WriteValueChunk(isave, kValueChunk, v);
}

template <class Traits> IOResult LoadTraitValue(ILoad* iload, typename Traits::T& v) {
    if constexpr (std::is_same_v<typename Traits::T, WStr>) {
        MSTR s;
        const IOResult res = iload->ReadWStringChunk(s);
        if (res == IO_OK) v = s;
        return res;
    } else {
        return ReadValues(iload, v);
    }
}

// One value class of the family.
template <class Traits> class ValueParam : public Pblock2Param {
public:
    using Pblock2Param::Pblock2Param;
    std::int32_t TypeTag() const override { return Traits::kTag; }
    IOResult LoadValue(ILoad* iload) override { return LoadTraitValue<Traits>(iload, value_); }
    IOResult SaveValue(ISave* isave) override { return SaveTraitValue<Traits>(isave, value_); }
    void Capture(IParamBlock2* pb) override {
        if (pb) Traits::Get(pb, static_cast<ParamID>(paramID), tabIndex, value_);
    }
    void Apply(IParamBlock2* pb) override {
        const Pblock2ParamLookup found = FindParam(pb);
        if (!found.found) return;
        if (!Traits::Accepts(found.baseType)) return Mark();
        const auto id = static_cast<ParamID>(paramID);
        typename Traits::T current{};
        if (Traits::Get(pb, id, tabIndex, current) && Traits::Equal(current, value_)) return;
        // A controller with tracks of its own cannot take one value at time 0.
        if (Control* c = pb->GetController(id, tabIndex); c && c->NumSubs() > 0) return Mark();
        if (!Traits::InRange(pb->GetParamDef(id), value_)) return Mark();
        if (!Traits::Set(pb, id, tabIndex, value_)) Mark();
    }
    Pblock2Param* Clone() const override {
        auto* copy = new ValueParam<Traits>();
        copy->CopyHeader(*this);
        copy->value_ = value_;
        return copy;
    }
    std::string ValueText() const override { return Traits::Text(value_); }

private:
    typename Traits::T value_{};
};

using FloatParam = ValueParam<FloatTraits>;
using IntParam = ValueParam<IntTraits>;
using Point3Param = ValueParam<Point3Traits>;
using Point2Param = ValueParam<Point2Traits>;
using Point4Param = ValueParam<Point4Traits>;
using Matrix3Param = ValueParam<Matrix3Traits>;
using StringParam = ValueParam<StringTraits>;
using BitmapParam = ValueParam<BitmapTraits>;

} // namespace

bool IsUserParam(IParamBlock2* pb, ParamID id) {
    if (!pb || pb->IDtoIndex(id) < 0) return false;
    return (pb->GetParamDef(id).flags & P_INVISIBLE) == 0;
}

WStr ParamEntryName(IParamBlock2* pb, ParamID id) {
    const MCHAR* n = pb->GetParamDef(id).int_name;
    return n && *n ? WStr(n) : WStr(pb->GetLocalName(id));
}

// ---- the header

IOResult Pblock2Param::Save(ISave* isave) {
    IOResult res = WriteStringChunk(isave, kNameChunk, name);
    if (res == IO_OK) res = WriteValueChunk(isave, kHeaderChunk, paramID, tabIndex);
    if (res == IO_OK) res = SaveValue(isave);
    return res;
}

IOResult Pblock2Param::Load(ILoad* iload) {
    return ForEachChunk(iload, [&](USHORT id) -> IOResult {
        switch (id) {
        case kNameChunk: {
            MSTR s;
            const IOResult res = iload->ReadWStringChunk(s);
            if (res == IO_OK) name = s;
            return res;
        }
        case kHeaderChunk: return ReadValues(iload, paramID, tabIndex);
        case kValueChunk: return LoadValue(iload);
        default: return IO_OK;
        }
    });
}

Pblock2Param* Pblock2Param::Clone() const {
    auto* copy = new Pblock2Param();
    copy->CopyHeader(*this);
    return copy;
}

void Pblock2Param::CopyHeader(const Pblock2Param& from) {
    name = from.name;
    paramID = from.paramID;
    tabIndex = from.tabIndex;
}

Pblock2ParamLookup Pblock2Param::FindParam(IParamBlock2* pb) {
    Pblock2ParamLookup out;
    if (!pb || paramID < 0) return out;
    auto id = static_cast<ParamID>(paramID);
    if (pb->IDtoIndex(id) < 0 || ParamEntryName(pb, id) != name) {
        // Renumbered in the file: the name decides. A scan, but only for an entry whose id moved.
        id = -1;
        for (int i = 0; i < pb->NumParams() && id < 0; ++i)
            if (ParamEntryName(pb, pb->IndextoID(i)) == name) id = pb->IndextoID(i);
        if (id < 0) {
            Mark();
            return out;
        }
        paramID = id;
    }
    if (!IsUserParam(pb, id)) {
        Mark();
        return out;
    }
    const int type = pb->GetParameterType(id);
    out.baseType = base_type(type);
    out.isTab = is_tab(type);
    out.found = out.isTab ? pb->Count(id) > tabIndex : tabIndex < 1;
    if (!out.found) Mark();
    return out;
}

// ---- the tab count

IOResult TabParam::LoadValue(ILoad* iload) {
    return ReadValues(iload, count, baseType);
}

IOResult TabParam::SaveValue(ISave* isave) {
    return WriteValueChunk(isave, kValueChunk, count, baseType);
}

void TabParam::Capture(IParamBlock2* pb) {
    if (!pb) return;
    const auto id = static_cast<ParamID>(paramID);
    count = pb->Count(id);
    baseType = base_type(pb->GetParameterType(id));
}

void TabParam::Apply(IParamBlock2* pb) {
    const Pblock2ParamLookup found = FindParam(pb);
    if (!found.found) return;
    if (!found.isTab || found.baseType != baseType || count < 0) return Mark();
    const auto id = static_cast<ParamID>(paramID);
    if (pb->Count(id) != count) pb->SetCount(id, count);
}

Pblock2Param* TabParam::Clone() const {
    auto* copy = new TabParam();
    copy->CopyHeader(*this);
    copy->count = count;
    copy->baseType = baseType;
    return copy;
}

// ---- making entries

Pblock2Param* NewParamEntryForTag(std::int32_t tag) {
    switch (tag) {
    case PB2PARAM_POINT3: return new Point3Param();
    case PB2PARAM_POINT4: return new Point4Param();
    case PB2PARAM_INT: return new IntParam();
    case PB2PARAM_FLOAT: return new FloatParam();
    case PB2PARAM_MATRIX3: return new Matrix3Param();
    case PB2PARAM_STRING: return new StringParam();
    case PB2PARAM_BITMAP: return new BitmapParam();
    case PB2PARAM_TAB: return new TabParam();
    case PB2PARAM_POINT2: return new Point2Param();
    default: return new Pblock2Param();
    }
}

Pblock2Param* NewParamEntryForType(int baseType, WStr name, ParamID id, int tabIndex) {
    Pblock2Param* entry = nullptr;
    if (FloatTraits::Accepts(baseType)) entry = new FloatParam();
    else if (IntTraits::Accepts(baseType)) entry = new IntParam();
    else if (Point3Traits::Accepts(baseType)) entry = new Point3Param();
    else if (Point2Traits::Accepts(baseType)) entry = new Point2Param();
    else if (Point4Traits::Accepts(baseType)) entry = new Point4Param();
    else if (Matrix3Traits::Accepts(baseType)) entry = new Matrix3Param();
    else if (StringTraits::Accepts(baseType)) entry = new StringParam();
    else if (BitmapTraits::Accepts(baseType)) entry = new BitmapParam();
    if (!entry) return nullptr;
    entry->name = std::move(name);
    entry->paramID = id;
    entry->tabIndex = tabIndex;
    return entry;
}
