// Mirrors of particle flow sources (event graphs) and tests.
#pragma once

#include "plugin/anims/RefAnimKind.h"

// Mirrors particle flow event graphs: mode 1 a source (the particle system object), mode 0 an event (the
// helper that heads a graph of actions).
class RefAnimPFSource : public RefAnimKind<RefAnimPFSource, RefAnim, 0x00030016, IDS_REFANIMPFSOURCE> {
public:
    static constexpr ULONG kSourceKindID = 0x00030016;
    static constexpr ULONG kEventKindID = 0x00030017;

    explicit RefAnimPFSource(BOOL loading = FALSE, int mode = 1) : RefAnimKind(loading), mode_(mode) {}

    ULONG GetKindID() const override { return mode_ == 1 ? kSourceKindID : kEventKindID; }
    int GetMode() const { return mode_; }
    void SetMode(int mode) { mode_ = mode; }

    RefTargetHandle Clone(RemapDir& remap) override {
        auto* copy = new RefAnimPFSource(FALSE, mode_);
        BaseClone(this, copy, remap);
        return copy;
    }

private:
    int mode_;
};

// Mirrors particle flow tests.
class RefAnimPFTest : public RefAnimKind<RefAnimPFTest, RefAnim, 0x00230037, IDS_REFANIMPFTEST> {
public:
    using RefAnimKind::RefAnimKind;
};
