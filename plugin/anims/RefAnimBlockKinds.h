// Mirrors of parameter containers: old and new parameter blocks and custom attribute containers.
#pragma once

#include "plugin/anims/RefAnimKind.h"

// Mirrors old parameter blocks.
class RefAnimPblock : public RefAnimKind<RefAnimPblock, RefAnim, KIND_PBLOCK, IDS_REFANIMPBLOCK> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors parameter blocks 2. The mode says what a change of a tab parameter's element count does: 0 hands
// it to the block's parent, 1 records the whole tab, 2 records only the changed elements. The hold-override
// flag applies the recorded values inside one undo step.
// Registered under class id (0x30004, 0), which no kind reports.
class RefAnimPblock2 : public RefAnimKind<RefAnimPblock2, RefAnim, 0x00030004, IDS_REFANIMPBLOCK2> {
public:

    explicit RefAnimPblock2(BOOL loading = FALSE, int mode = 0, bool holdOverride = false)
        : RefAnimKind(loading), mode_(mode), holdOverride_(holdOverride) {}

    ULONG GetKindID() const override {
        if (mode_ == 1) return KIND_PBLOCK2_WHOLE_TAB;
        if (mode_ == 2) return KIND_PBLOCK2_ELEMENTS;
        return holdOverride_ ? KIND_PBLOCK2_HELD : KIND_PBLOCK2;
    }
    int GetTabResizeOverride() const { return mode_; }
    void SetTabResizeOverride(int mode) { mode_ = mode; }
    bool GetHoldOverride() const { return holdOverride_; }
    void SetHoldOverride(bool on) { holdOverride_ = on; }

    RefTargetHandle Clone(RemapDir& remap) override {
        auto* copy = new RefAnimPblock2(FALSE, mode_, holdOverride_);
        BaseClone(this, copy, remap);
        return copy;
    }

private:
    int mode_;
    bool holdOverride_;
};

// Mirrors custom attribute containers.
class RefAnimCA : public RefAnimKind<RefAnimCA, RefAnim, KIND_CA, IDS_REFANIMCA> {
public:
    using RefAnimKind::RefAnimKind;
};
