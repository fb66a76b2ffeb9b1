// A typed value passed to and returned from published functions: the type in the host's numbering and
// an owned payload (copies are deep for strings, bit arrays and tables; objects are held by pointer).
#pragma once

#include "host/core/BitArray.h"
#include "host/core/MaxTypes.h"
#include "host/core/Matrix3.h"
#include "host/core/ParamType.h"
#include "host/core/Point3.h"
#include "host/core/Tab.h"
#include "host/core/WStr.h"

#include <cstddef>
#include <string>
#include <variant>

class INode;
class ReferenceTarget;
class Mtl;
class Texmap;
class IParamBlock2;
class FPInterface;

class FPValue {
public:
    // The value's type; with TYPE_BY_REF the callee may write the argument back into its slot.
    ParamType2 type = TYPE_VOID;

    FPValue() = default;
    // Integer family: TYPE_INT, TYPE_INDEX, TYPE_BOOL, TYPE_TIMEVALUE, TYPE_RADIOBTN_INDEX, TYPE_DWORD, ...
    FPValue(ParamType2 t, int v) { Load(t, v); }
    FPValue(ParamType2 t, bool v) { Load(t, v); }
    // Float family: TYPE_FLOAT, TYPE_ANGLE, TYPE_PCNT_FRAC, TYPE_WORLD, TYPE_COLOR_CHANNEL.
    FPValue(ParamType2 t, float v) { Load(t, v); }
    FPValue(ParamType2 t, double v) { Load(t, v); }
    // String family: TYPE_STRING, TYPE_FILENAME, TYPE_TSTR, TYPE_NAME.
    FPValue(ParamType2 t, const MCHAR* v) { Load(t, v); }
    FPValue(ParamType2 t, const WStr& v) { Load(t, v); }
    FPValue(ParamType2 t, const Point3& v) { Load(t, v); }
    FPValue(ParamType2 t, const Point4& v) { Load(t, v); }
    FPValue(ParamType2 t, const Matrix3& v) { Load(t, v); }
    FPValue(ParamType2 t, const BitArray& v) { Load(t, v); }
    FPValue(ParamType2 t, INode* v) { Load(t, v); }
    FPValue(ParamType2 t, ReferenceTarget* v) { Load(t, v); }
    FPValue(ParamType2 t, Mtl* v) { Load(t, v); }
    FPValue(ParamType2 t, Texmap* v) { Load(t, v); }
    FPValue(ParamType2 t, IParamBlock2* v) { Load(t, v); }
    FPValue(ParamType2 t, FPInterface* v) { Load(t, v); }
    // Tables: TYPE_INT_TAB, TYPE_INDEX_TAB, TYPE_BOOL_TAB; TYPE_FLOAT_TAB; the string tables;
    // TYPE_INODE_TAB; TYPE_REFTARG_TAB.
    FPValue(ParamType2 t, const Tab<int>& v) { Load(t, v); }
    FPValue(ParamType2 t, const Tab<float>& v) { Load(t, v); }
    FPValue(ParamType2 t, const Tab<WStr>& v) { Load(t, v); }
    FPValue(ParamType2 t, const Tab<INode*>& v) { Load(t, v); }
    FPValue(ParamType2 t, const Tab<ReferenceTarget*>& v) { Load(t, v); }
    // The undefined value of a type (a null node, a missing bit array or table).
    FPValue(ParamType2 t, std::nullptr_t) { LoadNull(t); }

    // Each Load checks that the type can hold the payload and throws MAXException when it cannot.
    void Load(ParamType2 t, int v);
    void Load(ParamType2 t, bool v) { Load(t, v ? 1 : 0); }
    void Load(ParamType2 t, float v);
    void Load(ParamType2 t, double v) { Load(t, static_cast<float>(v)); }
    void Load(ParamType2 t, const MCHAR* v);
    void Load(ParamType2 t, const WStr& v);
    void Load(ParamType2 t, const Point3& v);
    void Load(ParamType2 t, const Point4& v);
    void Load(ParamType2 t, const Matrix3& v);
    void Load(ParamType2 t, const BitArray& v);
    void Load(ParamType2 t, INode* v);
    void Load(ParamType2 t, ReferenceTarget* v);
    void Load(ParamType2 t, Mtl* v);
    void Load(ParamType2 t, Texmap* v);
    void Load(ParamType2 t, IParamBlock2* v);
    void Load(ParamType2 t, FPInterface* v);
    void Load(ParamType2 t, const Tab<int>& v);
    void Load(ParamType2 t, const Tab<float>& v);
    void Load(ParamType2 t, const Tab<WStr>& v);
    void Load(ParamType2 t, const Tab<INode*>& v);
    void Load(ParamType2 t, const Tab<ReferenceTarget*>& v);
    void LoadNull(ParamType2 t);
    void Free() { *this = FPValue(); }

    // True for TYPE_VOID and for the undefined value of a type.
    bool IsNull() const { return std::holds_alternative<std::monostate>(v_); }

    // Readers check the type family and throw MAXException naming both types on a mismatch. Object and
    // owned readers give null for the undefined value; scalar readers throw on it.
    int GetInt() const;    // integer family, TYPE_BOOL included
    int GetIndex() const;  // TYPE_INDEX or TYPE_INT, as the dispatcher sees it (0-based)
    bool GetBool() const;  // integer family: non-zero is true
    float GetFloat() const; // float family; the integer family converts
    TimeValue GetTime() const { return GetInt(); }
    const MCHAR* GetStr() const; // string family
    const WStr* GetWStr() const;
    Point3 GetPoint3() const;
    Point4 GetPoint4() const;
    Matrix3 GetMatrix3() const;
    const BitArray* GetBitArray() const;
    INode* GetNode() const;
    ReferenceTarget* GetRefTarg() const;
    Mtl* GetMtl() const;
    Texmap* GetTexmap() const;
    IParamBlock2* GetPBlock() const;
    FPInterface* GetInterface() const;
    const Tab<int>* GetIntTab() const; // TYPE_INT_TAB, TYPE_INDEX_TAB, TYPE_BOOL_TAB
    const Tab<float>* GetFloatTab() const;
    const Tab<WStr>* GetStrTab() const;
    const Tab<INode*>* GetNodeTab() const;
    const Tab<ReferenceTarget*>* GetRefTargTab() const;

    // The same value as another type of its family (integer and float families, strings, colours,
    // integer tables); the undefined value converts to any non-scalar type. Throws MAXException naming
    // both types when no conversion exists. Index numbering is not changed here: the published-function
    // boundary shifts indices.
    FPValue ConvertTo(ParamType2 target) const;

    // The value with every index shifted by delta (TYPE_INDEX, TYPE_INDEX_TAB and their by-ref forms);
    // other types are returned unchanged.
    FPValue ShiftIndices(int delta) const;

    // "TYPE_INT 5", "TYPE_STRING \"abc\"", "TYPE_INDEX_TAB #(0, 2)", "TYPE_INODE undefined".
    std::string ToString() const;
    // Only the payload: "5", "\"abc\"", "#(0, 2)".
    std::string PayloadString() const;

    bool operator==(const FPValue& o) const;
    bool operator!=(const FPValue& o) const { return !(*this == o); }

    // Objects print through this hook (the scene installs one that prints node and material names);
    // without it they print as "<node>", "<reftarg>", ... so dumps never contain addresses.
    using ObjectNamer = std::string (*)(ParamType2 baseType, const void* object);
    static void SetObjectNamer(ObjectNamer namer);

private:
    using Storage = std::variant<std::monostate, int, float, Point3, Point4, Matrix3, WStr, BitArray, INode*,
                                 ReferenceTarget*, Mtl*, Texmap*, IParamBlock2*, FPInterface*, Tab<int>,
                                 Tab<float>, Tab<WStr>, Tab<INode*>, Tab<ReferenceTarget*>>;
    void Store(ParamType2 t, Storage payload, int kind, const char* what);
    template <class T> const T* Find(int kind, const char* wanted) const;
    [[noreturn]] void Mismatch(const char* wanted) const;

    Storage v_;
};

// Readable test failures.
inline std::ostream& operator<<(std::ostream& os, const FPValue& v) { return os << v.ToString(); }
