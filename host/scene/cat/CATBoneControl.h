// The transform controller of a CAT rig's bone: its pose below its parent bone, the limb and place it has
// in the rig, and the rig's parent controller it belongs to.
#pragma once

#include "host/core/PlugApi.h"
#include "host/core/RemapDir.h"
#include "host/scene/Control.h"
#include "host/scene/cat/ICATParent.h"

constexpr Class_ID CATBONE_CLASS_ID(0x5A3B1C01, 0x2E6D4F02);

class CATBoneControl : public Control, public ICATControl {
public:
    struct State {
        int limb = -1;
        int index = -1;
        Matrix3 pose;
        bool operator==(const State&) const = default;
    };

    explicit CATBoneControl(BOOL loading = FALSE);

    Class_ID ClassID() override { return CATBONE_CLASS_ID; }
    SClass_ID SuperClassID() override { return CTRL_MATRIX3_CLASS_ID; }
    void GetClassName(MSTR& s, bool localized = true) const override;
    BOOL IsReplaceable() override { return FALSE; }
    using Control::GetInterface;
    BaseInterface* GetInterface(Interface_ID id) override;

    // The pose, below the parent bone.
    void GetValue(TimeValue t, void* val, Interval& valid, GetSetMethod method = CTRL_ABSOLUTE) override;
    // A new pose (a relative value is applied to the current one); undoable.
    void SetValue(TimeValue t, void* val, int commit = 1, GetSetMethod method = CTRL_ABSOLUTE) override;

    int NumRefs() override { return 1; }
    RefTargetHandle GetReference(int i) override { return i == 0 ? parent_ : nullptr; }

    // ---- ICATControl
    Control* GetCATParent() override;
    int GetLimb() override { return state_.limb; }
    int GetBoneIndex() override { return state_.index; }

    void Init(Control* parent, int limb, int index, const Matrix3& pose);
    // For undo records.
    void ApplyState(const State& s) { state_ = s; }

    RefTargetHandle Clone(RemapDir& remap) override;
    // Chunk 0x0100: limb, index and pose.
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;

protected:
    void SetReference(int i, RefTargetHandle t) override;

private:
    ReferenceTarget* parent_ = nullptr;
    State state_;
};
