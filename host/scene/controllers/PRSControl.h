// The position/rotation/scale transform controller: three sub-controllers composed into a matrix.
#pragma once

#include "host/core/PlugApi.h"
#include "host/core/RemapDir.h"
#include "host/scene/Control.h"

class PRSControl : public Control {
public:
    enum { kPosition = 0, kRotation = 1, kScale = 2 };

    // A new controller gets the default position, rotation and scale controllers; one made for loading
    // gets its sub-controllers from the file.
    explicit PRSControl(BOOL loading = FALSE);

    Class_ID ClassID() override;
    SClass_ID SuperClassID() override { return CTRL_MATRIX3_CLASS_ID; }
    void GetClassName(MSTR& s, bool localized = true) const override;
    BOOL IsLeaf() override { return FALSE; }

    // The local transform scale * rotation * translation; with CTRL_RELATIVE, *val (the parent's
    // transform) becomes local * parent.
    void GetValue(TimeValue t, void* val, Interval& valid, GetSetMethod method = CTRL_ABSOLUTE) override;
    // *val is a Matrix3: the new local transform (CTRL_ABSOLUTE), or one applied after the current
    // local transform (CTRL_RELATIVE). It is split into the three sub-controllers, each of which records
    // its undo and notifies; parts that do not change are left alone.
    void SetValue(TimeValue t, void* val, int commit = 1, GetSetMethod method = CTRL_ABSOLUTE) override;
    // From a transform controller with sub-controllers: each sub-controller takes over the other's (or a
    // copy of it when the classes differ); from any other, its value at time 0.
    void Copy(Control* from) override;

    Control* GetPositionController() override { return Sub(kPosition); }
    Control* GetRotationController() override { return Sub(kRotation); }
    Control* GetScaleController() override { return Sub(kScale); }
    // Replacing a sub-controller notifies REFMSG_CONTROLREF_CHANGE and REFMSG_CHANGE; the super class
    // must match the slot.
    BOOL SetPositionController(Control* c) override { return SetSub(kPosition, c); }
    BOOL SetRotationController(Control* c) override { return SetSub(kRotation, c); }
    BOOL SetScaleController(Control* c) override { return SetSub(kScale, c); }

    int NumRefs() override { return 3; }
    RefTargetHandle GetReference(int i) override { return i >= 0 && i < 3 ? subs_[i] : nullptr; }
    int NumSubs() override { return 3; }
    Animatable* SubAnim(int i) override { return GetReference(i); }
    MSTR SubAnimName(int i, bool localized = true) override;
    int SubNumToRefNum(int subNum) override { return subNum >= 0 && subNum < 3 ? subNum : -1; }
    BOOL CanAssignController(int subAnim) override { return subAnim >= 0 && subAnim < 3; }
    BOOL AssignController(Animatable* control, int subAnim) override;
    // I_FIXED_SUBANIM_NAMES answers the three slots' fixed names.
    using Control::GetInterface;
    void* GetInterface(ULONG id) override;

    RefTargetHandle Clone(RemapDir& remap) override;

    // The local transform at t.
    Matrix3 LocalTM(TimeValue t, Interval& valid, const Matrix3* parent = nullptr);

protected:
    void SetReference(int i, RefTargetHandle t) override;

private:
    Control* Sub(int i) { return subs_[i] ? static_cast<Control*>(subs_[i]) : nullptr; }
    BOOL SetSub(int i, Control* c);

    RefTargetHandle subs_[3] = {nullptr, nullptr, nullptr};
};
