// The weights of a list controller's items: the list's last sub-animatable. Its value is the weight of
// the list's active item.
#pragma once

#include "host/core/PlugApi.h"
#include "host/core/RemapDir.h"
#include "host/scene/Control.h"

#include <vector>

class ListWeights : public Control {
public:
    struct State {
        std::vector<float> weights;
        int active = -1;
        bool operator==(const State&) const = default;
    };

    explicit ListWeights(BOOL /*loading*/ = FALSE) {}

    Class_ID ClassID() override;
    SClass_ID SuperClassID() override { return CTRL_FLOAT_CLASS_ID; }
    void GetClassName(MSTR& s, bool localized = true) const override;

    // float: the active item's weight (1 when there is none).
    void GetValue(TimeValue t, void* val, Interval& valid, GetSetMethod method = CTRL_ABSOLUTE) override;
    // Sets the active item's weight.
    void SetValue(TimeValue t, void* val, int commit = 1, GetSetMethod method = CTRL_ABSOLUTE) override;

    int Count() const { return static_cast<int>(state_.weights.size()); }
    float GetWeight(int i) const;
    // Undoable; notifies REFMSG_CHANGE. False out of range.
    bool SetWeight(int i, float w);
    const State& GetState() const { return state_; }
    // The list's own edits: recorded for undo, without a message (the list sends its own).
    void Reshape(const State& next);

    RefTargetHandle Clone(RemapDir& remap) override;
    // Chunk 0x0300: active index. Chunk 0x0310: the weights.
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;

    // For undo records.
    void ApplyState(const State& s) { state_ = s; }

private:
    State state_;
};
