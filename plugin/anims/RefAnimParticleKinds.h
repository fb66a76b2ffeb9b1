// Mirrors of particle flow sources (event graphs) and tests.
#pragma once

#include "plugin/anims/RefAnimKind.h"

// Mirrors particle flow event graphs: mode 1 a source (the particle system object), mode 0 an event (the
// helper that heads a graph of actions).
class RefAnimPFSource : public RefAnimKind<RefAnimPFSource, RefAnim, KIND_PF_SOURCE, IDS_REFANIMPFSOURCE> {
public:
    explicit RefAnimPFSource(BOOL loading = FALSE, int mode = 1) : RefAnimKind(loading), mode_(mode) {}

    ULONG GetKindID() const override { return mode_ == 1 ? KIND_PF_SOURCE : KIND_PF_EVENT; }
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
class RefAnimPFTest : public RefAnimKind<RefAnimPFTest, RefAnim, KIND_PF_TEST, IDS_REFANIMPFTEST> {
public:
    using RefAnimKind::RefAnimKind;
};
