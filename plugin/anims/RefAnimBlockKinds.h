// Mirrors of parameter containers: old and new parameter blocks and custom attribute containers.
#pragma once

#include "plugin/anims/RefAnimKind.h"

// Mirrors old parameter blocks.
class RefAnimPblock : public RefAnimKind<RefAnimPblock, RefAnim, 0x00030003, IDS_REFANIMPBLOCK> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors parameter blocks 2. The mode says what a change of a tab parameter's element count does: 0 hands
// it to the block's parent, 1 records the whole tab, 2 records only the changed elements. The hold-override
// flag applies the recorded values inside one undo step.
class RefAnimPblock2 : public RefAnimKind<RefAnimPblock2, RefAnim, 0x00030004, IDS_REFANIMPBLOCK2> {
public:
    static constexpr ULONG kMode0KindID = 0x00230004;
    static constexpr ULONG kMode1KindID = 0x00230029;
    static constexpr ULONG kMode2KindID = 0x0023002a;
    static constexpr ULONG kHeldKindID = 0x00030036;

    explicit RefAnimPblock2(BOOL loading = FALSE, int mode = 0, bool holdOverride = false)
        : RefAnimKind(loading), mode_(mode), holdOverride_(holdOverride) {}

    ULONG GetKindID() const override {
        if (mode_ == 1) return kMode1KindID;
        if (mode_ == 2) return kMode2KindID;
        return holdOverride_ ? kHeldKindID : kMode0KindID;
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
class RefAnimCA : public RefAnimKind<RefAnimCA, RefAnim, 0x00030007, IDS_REFANIMCA> {
public:
    using RefAnimKind::RefAnimKind;
};
