// Controllers built from three float sub-controllers, one per axis: Euler XYZ rotation, Position XYZ,
// Point3 XYZ and Scale XYZ.
#pragma once

#include "host/core/FixedSubAnimNames.h"
#include "host/core/RefKind.h"
#include "host/scene/controllers/ValueControl.h"

#include <vector>

// Info: Value, kSuperClassId, ClassID(), Name(), kSubNames (the axes' names), kDefault (the axes' value in a new
// controller), Compose(const float[3]) -> Value, Decompose(const Value&, float[3]).
template <class Info> class XYZControl : public Control {
public:
    using T = typename Info::Value;
    using Traits = ControlValueTraits<T>;

    explicit XYZControl(BOOL loading = FALSE);

    Class_ID ClassID() override { return Info::ClassID(); }
    SClass_ID SuperClassID() override { return Info::kSuperClassId; }
    void GetClassName(MSTR& s, bool /*localized*/ = true) const override { s = Info::Name(); }
    BOOL IsLeaf() override { return FALSE; }

    void GetValue(TimeValue t, void* val, Interval& valid, GetSetMethod method = CTRL_ABSOLUTE) override;
    // Sets the three axes (each axis records its own undo and notifies).
    void SetValue(TimeValue t, void* val, int commit = 1, GetSetMethod method = CTRL_ABSOLUTE) override;
    void Copy(Control* from) override;
    // Keys: the times at which any axis has one, as the track bar shows a compound track. Adding or
    // deleting a key does so on every axis.
    int NumKeys() override { return static_cast<int>(KeyTimes().size()); }
    TimeValue GetKeyTime(int index) override;
    void AddNewKey(TimeValue t, DWORD flags) override;
    void DeleteKeyByIndex(int index) override;
    void DeleteKeys(DWORD flags) override;

    int NumRefs() override { return 3; }
    RefTargetHandle GetReference(int i) override { return i >= 0 && i < 3 ? axes_[i] : nullptr; }
    int NumSubs() override { return 3; }
    Animatable* SubAnim(int i) override { return GetReference(i); }
    MSTR SubAnimName(int i, bool /*localized*/ = true) override { return i >= 0 && i < 3 ? MSTR(Info::kSubNames[i]) : MSTR(); }
    // I_FIXED_SUBANIM_NAMES answers the axes' fixed names.
    using Control::GetInterface;
    void* GetInterface(ULONG id) override {
        static const FixedSubAnimNames fixed{Info::kSubNames, 3};
        if (id == I_FIXED_SUBANIM_NAMES) return const_cast<FixedSubAnimNames*>(&fixed);
        return Control::GetInterface(id);
    }
    int SubNumToRefNum(int subNum) override { return subNum >= 0 && subNum < 3 ? subNum : -1; }
    BOOL CanAssignController(int subAnim) override { return subAnim >= 0 && subAnim < 3; }
    // Float controllers only; notifies REFMSG_CONTROLREF_CHANGE and REFMSG_CHANGE.
    BOOL AssignController(Animatable* control, int subAnim) override;
    Control* GetAxis(int i) { return GetReference(i) ? static_cast<Control*>(axes_[i]) : nullptr; }

    RefTargetHandle Clone(RemapDir& remap) override;

protected:
    void SetReference(int i, RefTargetHandle t) override {
        if (i >= 0 && i < 3) axes_[i] = RefAs<Control>(RefOfSuperClass(t, CTRL_FLOAT_CLASS_ID));
    }

private:
    // The axes' key times, in order, each once.
    std::vector<TimeValue> KeyTimes();

    RefTargetHandle axes_[3] = {nullptr, nullptr, nullptr};
};

struct EulerXYZInfo {
    using Value = Quat;
    static constexpr SClass_ID kSuperClassId = CTRL_ROTATION_CLASS_ID;
    static constexpr float kDefault = 0.0f;
    static Class_ID ClassID() { return EULER_XYZ_CLASS_ID; }
    static const MCHAR* Name() { return L"Euler XYZ"; }
    static constexpr const MCHAR* kSubNames[3] = {L"X Rotation", L"Y Rotation", L"Z Rotation"};
    // Angles in radians.
    static Quat Compose(const float f[3]) { return Quat::FromEulerXYZ(Point3(f[0], f[1], f[2])); }
    static void Decompose(const Quat& q, float f[3]) {
        const Point3 e = q.ToEulerXYZ();
        f[0] = e.x, f[1] = e.y, f[2] = e.z;
    }
};
struct PositionXYZInfo {
    using Value = Point3;
    static constexpr SClass_ID kSuperClassId = CTRL_POSITION_CLASS_ID;
    static constexpr float kDefault = 0.0f;
    static Class_ID ClassID() { return POSITION_XYZ_CLASS_ID; }
    static const MCHAR* Name() { return L"Position XYZ"; }
    static constexpr const MCHAR* kSubNames[3] = {L"X Position", L"Y Position", L"Z Position"};
    static Point3 Compose(const float f[3]) { return Point3(f[0], f[1], f[2]); }
    static void Decompose(const Point3& p, float f[3]) { f[0] = p.x, f[1] = p.y, f[2] = p.z; }
};
struct Point3XYZInfo {
    using Value = Point3;
    static constexpr SClass_ID kSuperClassId = CTRL_POINT3_CLASS_ID;
    static constexpr float kDefault = 0.0f;
    static Class_ID ClassID() { return POINT3_XYZ_CLASS_ID; }
    static const MCHAR* Name() { return L"Point3 XYZ"; }
    static constexpr const MCHAR* kSubNames[3] = {L"X", L"Y", L"Z"};
    static Point3 Compose(const float f[3]) { return Point3(f[0], f[1], f[2]); }
    static void Decompose(const Point3& p, float f[3]) { f[0] = p.x, f[1] = p.y, f[2] = p.z; }
};
struct ScaleXYZInfo {
    using Value = ScaleValue;
    static constexpr SClass_ID kSuperClassId = CTRL_SCALE_CLASS_ID;
    static constexpr float kDefault = 1.0f;
    static Class_ID ClassID() { return SCALE_XYZ_CLASS_ID; }
    static const MCHAR* Name() { return L"ScaleXYZ"; }
    static constexpr const MCHAR* kSubNames[3] = {L"X Scale", L"Y Scale", L"Z Scale"};
    // The scale axis system is not kept: the three axes are the node's own.
    static ScaleValue Compose(const float f[3]) { return ScaleValue(Point3(f[0], f[1], f[2])); }
    static void Decompose(const ScaleValue& s, float f[3]) { f[0] = s.s.x, f[1] = s.s.y, f[2] = s.s.z; }
};

using EulerXYZ = XYZControl<EulerXYZInfo>;
using PositionXYZ = XYZControl<PositionXYZInfo>;
using Point3XYZ = XYZControl<Point3XYZInfo>;
using ScaleXYZ = XYZControl<ScaleXYZInfo>;

extern template class XYZControl<EulerXYZInfo>;
extern template class XYZControl<PositionXYZInfo>;
extern template class XYZControl<Point3XYZInfo>;
extern template class XYZControl<ScaleXYZInfo>;
