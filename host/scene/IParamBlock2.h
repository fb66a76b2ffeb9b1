// The parameter block of the second generation: parameters by id described by a ParamBlockDesc2, with
// tables, per-element controllers, accessors, owners and the host's change messages.
#pragma once

#include "host/core/Matrix3.h"
#include "host/core/ParamType.h"
#include "host/core/PlugApi.h"
#include "host/core/ReferenceTarget.h"

#include <cstdint>
#include <deque>
#include <iosfwd>
#include <string>
#include <unordered_map>
#include <vector>

class Control;
class Mtl;
class Texmap;
class INode;
class IParamBlock2;
class ClassDesc2;

// Parameter definition flags.
constexpr int P_ANIMATABLE = 0x00000001;
constexpr int P_TRANSIENT = 0x00000002;
constexpr int P_NO_INIT = 0x00000004;
constexpr int P_COMPUTED_NAME = 0x00000008;
constexpr int P_INVISIBLE = 0x00000010;
constexpr int P_RESET_DEFAULT = 0x00000020;
constexpr int P_SUBANIM = 0x00000040;
constexpr int P_TV_SHOW_ALL = 0x00000080;
constexpr int P_NO_REF = 0x00000100;
constexpr int P_OWNERS_REF = 0x00000200;
constexpr int P_CAN_CONVERT = 0x00000400;
constexpr int P_SUBTEX = 0x00000800;
constexpr int P_VARIABLE_SIZE = 0x00001000;
constexpr int P_NO_AUTO_LABELS = 0x00002000;
constexpr int P_SHORT_LABELS = 0x00004000;
constexpr int P_READ_ONLY = 0x00008000;

// Block flags.
constexpr int P_CLASS_PARAMS = 0x00000001;
constexpr int P_AUTO_CONSTRUCT = 0x00000002;
constexpr int P_AUTO_UI = 0x00000004;
constexpr int P_USE_PARAMS = 0x00000008;
constexpr int P_INCLUDE_PARAMS = 0x00000010;
constexpr int P_MULTIMAP = 0x00000020;
constexpr int P_CALLSETS_ON_LOAD = 0x00000040;
constexpr int P_HASCATEGORY = 0x00000080;
constexpr int P_VERSION = 0x00000100;

// A parameter value of any type, as accessors and defaults see it. Which member counts follows the
// parameter's type family: i for int/bool/index/radio/time, f for float/angle/percent/world/colour
// channel, p for point3/rgba/hsv/point2, p4 for point4/frgba, m for matrix3, s for string/filename/bitmap
// (the bitmap's file name), r for the reference types.
struct PB2Value {
    int i = 0;
    float f = 0;
    Point3 p;
    Point4 p4;
    Matrix3 m;
    MSTR s;
    ReferenceTarget* r = nullptr;

    static PB2Value Int(int v) {
        PB2Value x;
        x.i = v;
        return x;
    }
    static PB2Value Float(float v) {
        PB2Value x;
        x.f = v;
        return x;
    }
    static PB2Value Pt3(const Point3& v) {
        PB2Value x;
        x.p = v;
        return x;
    }
    static PB2Value Pt4(const Point4& v) {
        PB2Value x;
        x.p4 = v;
        return x;
    }
    static PB2Value Str(const MCHAR* v) {
        PB2Value x;
        x.s = v;
        return x;
    }
};

// Called on every change of a parameter that has it (edits, scripts and the owner's own SetValue), and on
// every read.
class PBAccessor {
public:
    virtual ~PBAccessor() = default;
    virtual void Get(PB2Value& /*v*/, ReferenceMaker* /*owner*/, ParamID /*id*/, int /*tabIndex*/,
                     TimeValue /*t*/, Interval& /*valid*/) {}
    // Called before the value is stored; the accessor may change v.
    virtual void Set(PB2Value& /*v*/, ReferenceMaker* /*owner*/, ParamID /*id*/, int /*tabIndex*/,
                     TimeValue /*t*/) {}
};

struct ParamDef {
    ParamID ID = -1;
    const MCHAR* int_name = L""; // internal (script) name; may be empty
    int type = TYPE_FLOAT;       // ParamType2, with TYPE_TAB for tables
    int flags = 0;               // P_ANIMATABLE, P_TRANSIENT, P_RESET_DEFAULT, ...
    StringResID local_name = -1; // string resource of the localized name; negative = none
    PB2Value def{};              // default
    bool has_range = false;
    PB2Value range_low{}, range_high{};
    int tab_size = 0;           // initial table size
    int asset_type = 0;         // asset kind of file names
    const MCHAR* caption = L""; // file dialog caption
    int file_types = -1;        // string resource of the file filter
    PBAccessor* accessor = nullptr;
};

// The layout of one block of a class. Constructed with a class descriptor, it registers itself with it
// (as the host's descriptors do), so MakeAutoParamBlocks and loading find it by block id.
class ParamBlockDesc2 {
public:
    ParamBlockDesc2(BlockID id, const MCHAR* int_name, StringResID local_name, ClassDesc2* cd, int flags,
                    int ref_no = 0);
    ParamBlockDesc2(const ParamBlockDesc2&) = delete;
    ParamBlockDesc2& operator=(const ParamBlockDesc2&) = delete;
    // Appends a parameter; the names are copied, so they may be temporaries. A second parameter with an
    // id already used throws MAXException naming the block and the id.
    ParamBlockDesc2& AddParam(const ParamDef& def);

    BlockID ID = 0;
    const MCHAR* int_name = L"";
    StringResID local_name = -1;
    ClassDesc2* cd = nullptr;
    int flags = 0;
    int ref_no = 0;        // the owner's reference that holds the block (auto construct)
    int dlg_template = -1; // rollup template and title (auto UI)
    StringResID title = -1;
    std::vector<ParamDef> paramdefs;

    int Count() const { return static_cast<int>(paramdefs.size()); }
    // -1 for an unknown id / index.
    int IDtoIndex(ParamID id) const;
    ParamID IndextoID(int index) const;
    ParamDef* GetParamDefByID(ParamID id);

private:
    std::deque<std::wstring> names_; // owned copies of the names the definitions point at
    // Parameter index by id: a block's every lookup by id goes through here, so it stays constant-time
    // however many parameters the block has. Ids are mostly small and dense, so they index a table
    // directly (-1 where no parameter has the id); the rare large or negative id is hashed.
    static constexpr int kDirectIds = 1024;
    std::vector<std::int16_t> directIndex_;
    std::unordered_map<ParamID, int> otherIndex_;
};

// Super class PARAMETER_BLOCK2_CLASS_ID. Every change of a value, a table size or a controller notifies
// REFMSG_CHANGE from the block and remembers which parameter and element it was (LastNotifyParamID).
// Setting a value while the hold is open puts a restore object.
class IParamBlock2 : public ReferenceTarget {
public:
    virtual ParamBlockDesc2* GetDesc() = 0;
    virtual BlockID ID() = 0;
    virtual ReferenceMaker* GetOwner() = 0;
    virtual void SetOwner(ReferenceMaker* owner) = 0;
    virtual int NumParams() = 0;
    virtual ParamID IndextoID(int index) = 0;
    virtual int IDtoIndex(ParamID id) = 0;
    virtual ParamDef& GetParamDef(ParamID id) = 0;
    // The definition of the parameter at index (0 to NumParams() - 1), with no lookup by id; an index out
    // of range answers an invalid definition (id -1).
    virtual ParamDef& GetParamDefByIndex(unsigned short index) = 0;
    virtual ParamType2 GetParameterType(ParamID id) = 0;
    virtual MSTR GetLocalName(ParamID id, int tabIndex = -1) = 0;

    // Tables.
    virtual int Count(ParamID id) = 0;
    virtual void SetCount(ParamID id, int n) = 0;
    virtual int Delete(ParamID id, int start, int num) = 0;
    virtual int Resize(ParamID id, int n) = 0;

    // Appends num elements to a table (one notification per element and one for the size); returns
    // the index of the first, or -1 when id is not a table.
    int Append(ParamID id, int num, const float* el);
    int Append(ParamID id, int num, const int* el);
    int Append(ParamID id, int num, const Point3* el);
    int Append(ParamID id, int num, const MCHAR* const* el);
    int Append(ParamID id, int num, ReferenceTarget* const* el);

    // Values. A set converts between the int and float families and between point3 and point4 (alpha
    // 1); other mismatches, an unknown id or an element out of range answer FALSE. On an animated
    // element the value goes to (and comes from) its controller.
    virtual BOOL SetValue(ParamID id, TimeValue t, float v, int tabIndex = 0) = 0;
    virtual BOOL SetValue(ParamID id, TimeValue t, int v, int tabIndex = 0) = 0;
    virtual BOOL SetValue(ParamID id, TimeValue t, const Point3& v, int tabIndex = 0) = 0;
    virtual BOOL SetValue(ParamID id, TimeValue t, const Point4& v, int tabIndex = 0) = 0;
    virtual BOOL SetValue(ParamID id, TimeValue t, const Matrix3& v, int tabIndex = 0) = 0;
    virtual BOOL SetValue(ParamID id, TimeValue t, const MCHAR* v, int tabIndex = 0) = 0;
    virtual BOOL SetValue(ParamID id, TimeValue t, ReferenceTarget* v, int tabIndex = 0) = 0;
    virtual BOOL GetValue(ParamID id, TimeValue t, float& v, Interval& ivalid, int tabIndex = 0) = 0;
    virtual BOOL GetValue(ParamID id, TimeValue t, int& v, Interval& ivalid, int tabIndex = 0) = 0;
    virtual BOOL GetValue(ParamID id, TimeValue t, Point3& v, Interval& ivalid, int tabIndex = 0) = 0;
    virtual BOOL GetValue(ParamID id, TimeValue t, Point4& v, Interval& ivalid, int tabIndex = 0) = 0;
    virtual BOOL GetValue(ParamID id, TimeValue t, Matrix3& v, Interval& ivalid, int tabIndex = 0) = 0;
    virtual BOOL GetValue(ParamID id, TimeValue t, const MCHAR*& v, Interval& ivalid, int tabIndex = 0) = 0;
    virtual BOOL GetValue(ParamID id, TimeValue t, ReferenceTarget*& v, Interval& ivalid,
                          int tabIndex = 0) = 0;
    // Typed conveniences over the above.
    float GetFloat(ParamID id, TimeValue t = 0, int tabIndex = 0);
    int GetInt(ParamID id, TimeValue t = 0, int tabIndex = 0);
    Point3 GetPoint3(ParamID id, TimeValue t = 0, int tabIndex = 0);
    const MCHAR* GetStr(ParamID id, TimeValue t = 0, int tabIndex = 0);
    Mtl* GetMtl(ParamID id, TimeValue t = 0, int tabIndex = 0);
    Texmap* GetTexmap(ParamID id, TimeValue t = 0, int tabIndex = 0);
    INode* GetINode(ParamID id, TimeValue t = 0, int tabIndex = 0);
    ReferenceTarget* GetReferenceTarget(ParamID id, TimeValue t = 0, int tabIndex = 0);

    // Controllers of animatable parameters (one per table element); null while not animated.
    virtual Control* GetController(ParamID id, int tabIndex = 0) = 0;
    // The same for the parameter at index: a walk over every parameter needs no lookup by id.
    virtual Control* GetControllerByIndex(int index, int tabIndex = 0) = 0;
    virtual BOOL SetController(ParamID id, int tabIndex, Control* c, BOOL preserveFrame0Value = TRUE) = 0;
    virtual void RemoveController(ParamID id, int tabIndex = 0) = 0;
    // Sub-animatable number of a parameter element (-1 when it is none), and back (-1 when animNum is out
    // of range). Sub-animatables are the elements of animatable parameters and of reference parameters
    // flagged P_SUBANIM, in parameter order; they are named by the internal name ("Radius", "Mtls[2]").
    virtual int GetAnimNum(ParamID id, int tabIndex = 0) = 0;
    virtual ParamID AnimNumToParamNum(int animNum, int& tabIndex) = 0;

    // The parameter (and element) the last change notification was about; -1 when none. A change of a
    // table's size reports tabIndex -1.
    virtual ParamID LastNotifyParamID(int& tabIndex) = 0;
};

// Class identity of the block, as scene files name it.
constexpr Class_ID PARAMBLOCK2_CLASS_ID(PARAMETER_BLOCK2_CLASS_ID, 0);

// A new block for owner with the layout desc; values start at their defaults.
IParamBlock2* CreateParameterBlock2(ParamBlockDesc2* desc, ReferenceMaker* owner);
// Creates each P_AUTO_CONSTRUCT block of the class and puts it into the owner's reference ref_no.
void MakeAutoParamBlocks(ClassDesc2* cd, ReferenceMaker* owner);
// Registers the block classes (both generations) with the class directory and installs the block
// services of ClassDesc2. Idempotent.
void RegisterParamBlockClasses();
// Parameter by parameter: id, name, type, value(s), controller class and value when animated.
void DumpParamBlock2(IParamBlock2* pb, std::ostream& os, int indent = 0);
// How local names (string resources) are looked up; without a resolver GetLocalName answers the
// internal name.
using ParamBlockStringResolver = MSTR (*)(ClassDesc2* cd, StringResID id);
void SetParamBlockStringResolver(ParamBlockStringResolver resolver);
