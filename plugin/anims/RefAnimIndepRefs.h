// The mirror of an animatable holding independent references to other scene items: which of its
// references point at items, so that the user's animatable, kept through a reload, is pointed at the fresh
// content's items where the reload took its own.
#pragma once

#include "plugin/anims/RefAnimWithRefs.h"

#include <cstdint>
#include <vector>

// The items are held weakly, always: an independent reference never keeps an item alive. Each entry pairs
// the animatable's reference index with the mirror's reference that holds the item ("animRefs" in the
// dump, as "index - slot").
class RefAnimIndepRefs
    : public RefAnimKind<RefAnimIndepRefs, RefAnimWithRefs, KIND_INDEP_REFS, IDS_REFANIMINDEPREFS> {
public:
    using RefAnimKind::RefAnimKind;

    BOOL IsRealDependency(ReferenceTarget* rtarg) override;
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    RefResult SetAnim(ReferenceTarget* anim) override;
    // A changed animatable's entries are taken again before its content goes.
    void CollectLocDep(DWORD stamp) override;
    // Before the user's animatable takes the fresh one's place, every entry it lost (the item went with the
    // unload) is pointed at the fresh animatable's item at the same reference index.
    void Override(Animatable* root) override;
    bool IsPassive() const override { return false; }
    void BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) override;
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;
    MSTR Describe() override;

    const std::vector<std::int32_t>& GetRefIndices() const { return indices_; }

    static constexpr USHORT kCountChunk = 0x2A;
    static constexpr USHORT kIndicesChunk = 0x2B;

private:
    void TakeEntries(ReferenceTarget* anim);

    std::vector<std::int32_t> indices_;
};
