// The mirror of a position/rotation/scale controller: the sub-controllers the user assigned into its
// three slots, kept and put into the fresh controller of every merge.
#pragma once

#include "plugin/anims/RefAnimKind.h"
#include "plugin/anims/SubControllerSlots.h"

#include <array>
#include <memory>

// The values live in the three sub-controllers, each mirrored on its own, so the controller's own change
// messages are never a change of its. What belongs to it is which controller stands in each slot: a slot
// the user filled with another controller is held as reference 1 + slot (a real dependency, so it is kept
// and saved with the scene) and the mirror is marked Modified. IsModified keeps its meaning, but the
// transform controller itself is kept only when the user replaced it or something local uses it.
class RefAnimPRS : public RefAnimKind<RefAnimPRS, RefAnim, KIND_PRS, IDS_REFANIMPRS> {
public:
    static constexpr int kSlots = 3;

    explicit RefAnimPRS(BOOL loading = FALSE) : RefAnimKind(loading) {}
    ~RefAnimPRS() override;

    int NumRefs() override { return 1 + kSlots; }
    RefTargetHandle GetReference(int i) override;
    BOOL IsRealDependency(ReferenceTarget* rtarg) override;
    // Hears slot assignments of its own controller; value changes belong to the sub-controllers' mirrors.
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    // Follows the controller and remembers the sub-controllers the file put in its slots.
    RefResult SetAnim(ReferenceTarget* anim) override;
    // Follows the fresh controller; when Modified, puts the user's sub-controllers into its slots.
    void Override(Animatable* root) override;
    bool IsPassive() const override { return true; }
    void BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) override;
    MSTR Describe() override;

    // The user's controller in slot k (position, rotation, scale); null where the file's stands.
    ReferenceTarget* GetUserSlot(int k) const { return userSlots_ ? (*userSlots_)[static_cast<size_t>(k)] : nullptr; }

protected:
    void SetReference(int i, RefTargetHandle rtarg) override;

private:
    bool IsUserSlot(ReferenceTarget* t) const;

    SubControllerSlots<kSlots> fileSlots_;
    // The user's controllers: few transform controllers ever get one, so the slots are made with the first.
    std::unique_ptr<std::array<ReferenceTarget*, kSlots>> userSlots_;
};
