// Key-frame controllers of one value type: a constant value, or sorted keys interpolated linearly.
#pragma once

#include "host/core/PlugApi.h"
#include "host/core/RemapDir.h"
#include "host/core/ChunkFields.h"
#include "host/scene/controllers/ControlRestore.h"
#include "host/scene/controllers/ControllerClassIds.h"
#include "host/scene/controllers/KeyTrack.h"

// Whether the host records changes as keys (animate mode).
bool AnimateModeOn();

// Info: Value (the value type), kSuperClassId, ClassID(), Name().
template <class Info> class ValueControl : public Control {
public:
    using T = typename Info::Value;
    using Traits = ControlValueTraits<T>;

    explicit ValueControl(BOOL /*loading*/ = FALSE) {}
    // A new controller holding v at every time.
    static ValueControl* Create(const T& v) {
        auto* c = new ValueControl();
        c->track_ = KeyTrack<T>(v);
        return c;
    }

    Class_ID ClassID() override { return Info::ClassID(); }
    SClass_ID SuperClassID() override { return Info::kSuperClassId; }
    void GetClassName(MSTR& s, bool /*localized*/ = true) const override { s = Info::Name(); }

    void GetValue(TimeValue t, void* val, Interval& valid, GetSetMethod method = CTRL_ABSOLUTE) override {
        const T v = track_.Eval(t, valid);
        if (method == CTRL_RELATIVE) Traits::ApplyRelative(v, *static_cast<T*>(val));
        else *static_cast<T*>(val) = v;
    }
    // CTRL_RELATIVE applies val on top of the value at t.
    void SetValue(TimeValue t, void* val, int /*commit*/ = 1, GetSetMethod method = CTRL_ABSOLUTE) override {
        T v = *static_cast<const T*>(val);
        if (method == CTRL_RELATIVE) {
            T cur = track_.Eval(t);
            Traits::ApplyRelative(v, cur);
            v = cur;
        }
        KeyTrack<T> after = track_;
        if (AnimateModeOn()) after.SetAnimated(t, v);
        else after.Set(t, v);
        Change(after);
    }
    void Copy(Control* from) override {
        if (!from || from == this || from->SuperClassID() != SuperClassID()) return;
        if (from->ClassID() == ClassID()) Change(static_cast<ValueControl*>(from)->track_);
        else Control::Copy(from);
    }
    int NumKeys() override { return track_.NumKeys(); }

    // Adds or replaces a key (the track becomes animated).
    void SetKey(TimeValue t, const T& v) {
        KeyTrack<T> after = track_;
        after.SetKey(t, v);
        Change(after);
    }
    // Drops the keys, keeping the value at time 0 everywhere.
    void DeleteKeys(DWORD /*flags*/) override {
        KeyTrack<T> after = track_;
        after.DeleteKeys(0);
        Change(after);
    }
    TimeValue GetKeyTime(int i) override { return track_.KeyTime(i); }
    void AddNewKey(TimeValue t, DWORD /*flags*/) override {
        if (track_.HasKeyAt(t)) return;
        SetKey(t, track_.Eval(t));
    }
    void DeleteKeyByIndex(int i) override {
        if (i < 0 || i >= track_.NumKeys()) return;
        KeyTrack<T> after = track_;
        after.DeleteKey(i);
        Change(after);
    }
    const KeyTrack<T>& Track() const { return track_; }
    // Replaces the whole track (undoable, notifies): an animation loaded from a file.
    void SetTrack(const KeyTrack<T>& after) { Change(after); }

    RefTargetHandle Clone(RemapDir& remap) override {
        auto* c = new ValueControl(TRUE);
        c->track_ = track_;
        BaseClone(this, c, remap);
        return c;
    }
    IOResult Save(ISave* isave) override { return track_.Save(isave); }
    IOResult Load(ILoad* iload) override {
        return ForEachChunk(iload, [this, iload](USHORT) {
            IOResult r = IO_OK;
            track_.LoadChunk(iload, r);
            return r;
        });
    }

    // For undo records.
    void ApplyState(const KeyTrack<T>& s) { track_ = s; }

private:
    void Change(const KeyTrack<T>& after) {
        if (after == track_) return;
        ChangeState(this, track_, after, kValueChangeNote);
    }

    KeyTrack<T> track_;
};

struct BezierFloatInfo {
    using Value = float;
    static constexpr SClass_ID kSuperClassId = CTRL_FLOAT_CLASS_ID;
    static Class_ID ClassID() { return BEZIER_FLOAT_CLASS_ID; }
    static const MCHAR* Name() { return L"Bezier Float"; }
};
struct LinearFloatInfo {
    using Value = float;
    static constexpr SClass_ID kSuperClassId = CTRL_FLOAT_CLASS_ID;
    static Class_ID ClassID() { return LININTERP_FLOAT_CLASS_ID; }
    static const MCHAR* Name() { return L"Linear Float"; }
};
struct BezierPoint3Info {
    using Value = Point3;
    static constexpr SClass_ID kSuperClassId = CTRL_POINT3_CLASS_ID;
    static Class_ID ClassID() { return BEZIER_POINT3_CLASS_ID; }
    static const MCHAR* Name() { return L"Bezier Point3"; }
};
struct BezierPositionInfo {
    using Value = Point3;
    static constexpr SClass_ID kSuperClassId = CTRL_POSITION_CLASS_ID;
    static Class_ID ClassID() { return BEZIER_POSITION_CLASS_ID; }
    static const MCHAR* Name() { return L"Bezier Position"; }
};
struct TCBRotationInfo {
    using Value = Quat;
    static constexpr SClass_ID kSuperClassId = CTRL_ROTATION_CLASS_ID;
    static Class_ID ClassID() { return TCB_ROTATION_CLASS_ID; }
    static const MCHAR* Name() { return L"TCB Rotation"; }
};
struct BezierScaleInfo {
    using Value = ScaleValue;
    static constexpr SClass_ID kSuperClassId = CTRL_SCALE_CLASS_ID;
    static Class_ID ClassID() { return BEZIER_SCALE_CLASS_ID; }
    static const MCHAR* Name() { return L"Bezier Scale"; }
};
struct BezierPoint4Info {
    using Value = Point4;
    static constexpr SClass_ID kSuperClassId = CTRL_POINT4_CLASS_ID;
    static Class_ID ClassID() { return BEZIER_POINT4_CLASS_ID; }
    static const MCHAR* Name() { return L"Bezier Point4"; }
};

using BezierFloat = ValueControl<BezierFloatInfo>;
using LinearFloat = ValueControl<LinearFloatInfo>;
using BezierPoint3 = ValueControl<BezierPoint3Info>;
using BezierPosition = ValueControl<BezierPositionInfo>;
using TCBRotation = ValueControl<TCBRotationInfo>;
using BezierScale = ValueControl<BezierScaleInfo>;
using BezierPoint4 = ValueControl<BezierPoint4Info>;

extern template class ValueControl<BezierFloatInfo>;
extern template class ValueControl<LinearFloatInfo>;
extern template class ValueControl<BezierPoint3Info>;
extern template class ValueControl<BezierPositionInfo>;
extern template class ValueControl<TCBRotationInfo>;
extern template class ValueControl<BezierScaleInfo>;
extern template class ValueControl<BezierPoint4Info>;
