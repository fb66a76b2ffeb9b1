// The mirror of the Bevel Profile modifier: the profiles the user gave it, kept in the mirror and given to
// the fresh modifier after every merge.
#pragma once

#include "plugin/anims/RefAnimKind.h"

#include <array>
#include <cstdint>

// The modifier's parameters are mirrored by its parameter block mirror; this one covers the modifier's
// reference slots after its block (the profile), up to four. A slot the user filled, emptied or refilled is
// marked in the changed set and its target held in the mirror's reference 1 + slot, so it outlives the
// unload that deletes the modifier. IsModified answers false: the modifier is never kept, what the user
// changed is.
class RefAnimBevelProfile
    : public RefAnimKind<RefAnimBevelProfile, RefAnim, KIND_BEVEL_PROFILE, IDS_REFANIMBEVELPROFILE> {
public:
    explicit RefAnimBevelProfile(BOOL loading = FALSE) : RefAnimKind(loading) {}
    ~RefAnimBevelProfile() override;

    static constexpr int kSlots = 4;

    // The held profiles stay with the mirror: only the modifier moves to another maker.
    BOOL CanTransferReference(int i) override { return i == 0 ? RefAnim::CanTransferReference(i) : FALSE; }
    int NumRefs() override { return 1 + kSlots; }
    RefTargetHandle GetReference(int i) override;
    // A held profile is the user's and must outlive the modifier; the modifier follows the base rule.
    BOOL IsRealDependency(ReferenceTarget* rtarg) override;
    bool IsModified() const override { return false; }
    // A new target in a slot notifies as a change of the modifier; undo and redo re-read the slots.
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    // Compares once more before the content goes: a slot replaced without a message counts too.
    void CollectLocDep(DWORD stamp) override;
    // Follows the fresh modifier and puts the user's targets in the slots the user changed.
    void Override(Animatable* root) override;
    void BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) override;
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;

    std::uint8_t GetChangedSet() const { return changed_; }
    // The modifier's reference number of slot k: its references after the parameter block.
    static int SlotRef(Animatable* mod, int k);
    static int NumSlots(Animatable* mod);

    static constexpr USHORT kChangedChunk = 0x2A;
    static constexpr USHORT kSlotCountChunk = 0x2B;

protected:
    // Every modifier arriving in reference 0 (set, followed or loaded) gives the slots the user did not change.
    void SetReference(int i, RefTargetHandle rtarg) override;

private:
    ReferenceTarget* SlotTarget(int k) const;
    // The slots whose target differs from the one last seen.
    std::uint8_t Differing() const;
    void Change(std::uint8_t diff);

    std::array<ReferenceTarget*, kSlots> held_{};
    // What each slot of the mirrored modifier held when last seen; by handle, as a deleted target leaves nothing to point at.
    std::array<AnimHandle, kSlots> seen_{};
    std::int32_t slotCount_ = 0;
    std::uint8_t changed_ = 0;
};
