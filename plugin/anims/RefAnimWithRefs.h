// The mirror of an animatable that references other scene items (script controllers and similar): the
// items it references, held as the mirror's extra references.
#pragma once

#include "plugin/anims/RefAnimKind.h"

#include <vector>

// The extra references are the animatable's references that are not among its sub-animatables: the nodes,
// controllers and other items it reads from elsewhere in the scene. They are weak while the mirror carries
// nothing of the user's; once the user changed or replaced the animatable they are real, so the items the
// user's animatable uses stay with it and are saved with it. The user re-pointing one of those references
// marks the mirror Modified.
class RefAnimWithRefs : public RefAnimKind<RefAnimWithRefs, RefAnim, KIND_WITH_REFS, IDS_REFANIMWITHREFS> {
public:
    explicit RefAnimWithRefs(BOOL loading = FALSE) : RefAnimKind(loading) {}
    ~RefAnimWithRefs() override;

    int NumRefs() override { return 1 + NumExtraRefs(); }
    RefTargetHandle GetReference(int i) override;
    BOOL IsRealDependency(ReferenceTarget* rtarg) override;
    // The base change monitor for the animatable; a change of the items it references marks it too.
    // Messages of the items themselves are not changes of the animatable.
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    // Follows the animatable and takes the items it references.
    RefResult SetAnim(ReferenceTarget* anim) override;
    // Without items of its own it is the plain mirror.
    bool IsPassive() const override { return extras_.empty(); }
    void BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) override;
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;
    MSTR Describe() override;

    int NumExtraRefs() const { return static_cast<int>(extras_.size()); }
    ReferenceTarget* GetExtraRef(int k) const { return extras_[static_cast<size_t>(k)]; }
    // Sizes the table for a load: every entry empty, for the host to fill through SetReference.
    void SetNumExtraRefs(int count);

    static constexpr USHORT kExtraRefCountChunk = 0x2A;
    // More references than any animatable holds: a count above it is a damaged file.
    static constexpr size_t kMaxExtraRefs = 0x10000;

protected:
    void SetReference(int i, RefTargetHandle rtarg) override;
    // For kinds that keep the items of the user's animatable up to date before the content goes: a changed
    // animatable's items are taken again (the user may have re-pointed one without a message reaching the
    // mirror); an untouched one's are let go, since the fresh content brings its own.
    void CollectItems();
    // Follows the fresh animatable (untouched) or puts the user's back (changed), then takes its items.
    void OverrideWithItems(Animatable* root);

    // The indices of anim's references that are not its sub-animatables, in reference order.
    static std::vector<int> ItemRefIndices(ReferenceTarget* anim);
    // The targets of those references.
    static std::vector<ReferenceTarget*> ItemsOf(ReferenceTarget* anim);
    bool IsExtra(ReferenceTarget* t) const;
    const std::vector<ReferenceTarget*>& Extras() const { return extras_; }
    // Makes the table hold items (releasing what it held).
    void TakeItems(const std::vector<ReferenceTarget*>& items);

private:

    std::vector<ReferenceTarget*> extras_;
};
