// The transform controller of a CAT rig's footprint: a footprint stands where its key puts it, so its
// transform changes only in animate mode.
#pragma once

#include "host/core/PlugApi.h"
#include "host/core/RemapDir.h"
#include "host/scene/Control.h"

constexpr Class_ID CATFOOTPRINT_CLASS_ID(0x5A3B1C03, 0x2E6D4F04);

class CATFootprintControl : public Control {
public:
    struct State {
        Matrix3 tm;
        bool keyed = false;
        bool operator==(const State&) const = default;
    };

    explicit CATFootprintControl(BOOL /*loading*/ = FALSE) {}

    Class_ID ClassID() override { return CATFOOTPRINT_CLASS_ID; }
    SClass_ID SuperClassID() override { return CTRL_MATRIX3_CLASS_ID; }
    void GetClassName(MSTR& s, bool /*localized*/ = true) const override { s = L"CAT Footprint"; }
    // Footprints belong to their rig: never copied or replaced on their own.
    BOOL CanCopyAnim() override { return FALSE; }
    BOOL IsReplaceable() override { return FALSE; }
    int NumKeys() override { return state_.keyed ? 1 : 0; }

    void GetValue(TimeValue t, void* val, Interval& valid, GetSetMethod method = CTRL_ABSOLUTE) override;
    // Keys the new transform in animate mode (undoable); outside it nothing changes.
    void SetValue(TimeValue t, void* val, int commit = 1, GetSetMethod method = CTRL_ABSOLUTE) override;

    // For undo records.
    void ApplyState(const State& s) { state_ = s; }

    RefTargetHandle Clone(RemapDir& remap) override;
    // Chunk 0x0100: the transform and whether it is keyed.
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;

private:
    State state_;
};
