// The path constraint: follows its target paths, with a percent-along-path sub-controller.
#pragma once

#include "host/scene/controllers/TargetConstraint.h"

class PathConstraint : public TargetConstraint {
public:
    explicit PathConstraint(BOOL loading = FALSE);

    Class_ID ClassID() override;
    SClass_ID SuperClassID() override { return CTRL_POSITION_CLASS_ID; }
    void GetClassName(MSTR& s, bool localized = true) const override;
    Interface_ID TargetsInterfaceID() override { return PATH_CONSTRAINT_INTERFACE; }
    BOOL IsLeaf() override { return FALSE; }

    // Point3, world space. The host's shapes carry no curve to sample, so the constraint follows the
    // weighted mean of the paths' pivots; the percent is kept for the curves to come.
    void GetValue(TimeValue t, void* val, Interval& valid, GetSetMethod method = CTRL_ABSOLUTE) override;
    // The paths decide the value: setting one is ignored.
    void SetValue(TimeValue /*t*/, void* /*val*/, int /*commit*/ = 1, GetSetMethod /*method*/ = CTRL_ABSOLUTE) override {}
    BOOL IsKeyable() override { return FALSE; }

    int NumSubs() override { return 1; }
    Animatable* SubAnim(int i) override { return i == 0 ? percent_ : nullptr; }
    MSTR SubAnimName(int i, bool /*localized*/ = true) override { return i == 0 ? MSTR(L"Percent") : MSTR(); }
    int SubNumToRefNum(int subNum) override { return subNum == 0 ? 0 : -1; }
    BOOL CanAssignController(int subAnim) override { return subAnim == 0; }
    // Float controllers only.
    BOOL AssignController(Animatable* control, int subAnim) override;

    RefTargetHandle Clone(RemapDir& remap) override;

protected:
    RefTargetHandle GetFixedRef(int i) override { return i == 0 ? percent_ : nullptr; }
    void SetFixedRef(int i, RefTargetHandle t) override {
        if (i == 0) percent_ = t;
    }

private:
    RefTargetHandle percent_ = nullptr;
};
