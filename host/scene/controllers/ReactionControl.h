// The float reaction controller: a value that follows a driving float controller through a table of
// reaction states (driver value -> value), linear between states and constant beyond them. The driver is
// held by the reaction's master, the reaction's reference 0.
#pragma once

#include "host/core/PlugApi.h"
#include "host/core/RemapDir.h"
#include "host/scene/Control.h"

#include <vector>

// Holds the driver (reference 0, a real dependency: a reaction keeps what drives it) and passes its changes
// on to the reaction.
class ReactionMaster : public ReferenceTarget {
public:
    explicit ReactionMaster(BOOL /*loading*/ = FALSE) {}
    ~ReactionMaster() override { DeleteAllRefs(); }

    Class_ID ClassID() override;
    SClass_ID SuperClassID() override { return REF_TARGET_CLASS_ID; }
    void GetClassName(MSTR& s, bool localized = true) const override;
    int NumRefs() override { return 1; }
    RefTargetHandle GetReference(int i) override { return i == 0 ? driver_ : nullptr; }
    Control* GetDriver() const;
    // A copy drives from the same controller.
    RefTargetHandle Clone(RemapDir& remap) override;

protected:
    void SetReference(int i, RefTargetHandle t) override {
        if (i == 0) driver_ = t;
    }

private:
    ReferenceTarget* driver_ = nullptr;
};

class ReactionControl : public Control {
public:
    struct State {
        float input = 0.0f;  // the driver's value
        float output = 0.0f; // the reaction's value there
        bool operator==(const State&) const = default;
    };

    explicit ReactionControl(BOOL loading = FALSE);
    ~ReactionControl() override { DeleteAllRefs(); }

    Class_ID ClassID() override;
    SClass_ID SuperClassID() override { return CTRL_FLOAT_CLASS_ID; }
    void GetClassName(MSTR& s, bool localized = true) const override;
    int NumRefs() override { return 1; }
    RefTargetHandle GetReference(int i) override { return i == 0 ? master_ : nullptr; }

    // The states' value at the driver's value now (0 without states; the first state's output without a
    // driver).
    void GetValue(TimeValue t, void* val, Interval& valid, GetSetMethod method = CTRL_ABSOLUTE) override;
    // A reaction is shaped by its states alone.
    void SetValue(TimeValue, void*, int = 1, GetSetMethod = CTRL_ABSOLUTE) override {}
    BOOL IsKeyable() override { return FALSE; }
    void Copy(Control* from) override;

    ReactionMaster* GetMaster() const { return master_; }
    Control* GetDriver() const { return master_ ? master_->GetDriver() : nullptr; }
    // A float controller drives the reaction (null: none); anything else throws MAXException naming it.
    void SetDriver(Control* driver);
    const std::vector<State>& GetStates() const { return states_; }
    // Undoable; notifies REFMSG_CHANGE. States stay sorted by input; an index out of range throws
    // MAXException naming it and the count.
    void AddState(float input, float output);
    void SetState(int i, float input, float output);
    void DeleteState(int i);
    // For undo records.
    void ApplyState(const std::vector<State>& s) { states_ = s; }

    // A driver's change reaches the reaction's dependents as a change of the reaction.
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    RefTargetHandle Clone(RemapDir& remap) override;
    // Chunk 0x0400: the states, input and output each.
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;

protected:
    void SetReference(int i, RefTargetHandle t) override;

private:
    void CheckIndex(int i) const;
    void Change(std::vector<State> after);

    ReactionMaster* master_ = nullptr;
    std::vector<State> states_;
};
