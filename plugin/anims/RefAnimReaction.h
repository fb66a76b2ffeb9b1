// The mirror of a reaction controller: the reaction states and the driver it saw last; a change of either is
// the user's edit of the reaction, a change of the driver's value is not.
#pragma once

#include "plugin/anims/RefAnimKind.h"

#include <vector>

class ReactionControl;

// Reference 1 is the driver the reaction had when the mirror last looked (weak: the mirror never keeps a
// driver). A Modified reaction goes back in the fresh one's place; it then drives from the fresh content's
// driver, which the fresh reaction lets go.
class RefAnimReaction : public RefAnimKind<RefAnimReaction, RefAnim, KIND_REACTION, IDS_REFANIMREACTION> {
public:
    using RefAnimKind::RefAnimKind;
    ~RefAnimReaction() override;

    int NumRefs() override { return 2; }
    RefTargetHandle GetReference(int i) override { return i == 1 ? driver_ : RefAnim::GetReference(i); }
    BOOL IsRealDependency(ReferenceTarget* rtarg) override;
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    // Follows the reaction and looks at its states and driver.
    RefResult SetAnim(ReferenceTarget* anim) override;
    // When old or new is the mirrored reaction, old's master lets go of its driver, which new's master
    // takes; then every dependent of old but the scene's reaction manager takes new instead.
    void Transfer(ReferenceTarget* oldAnim, ReferenceTarget* newAnim) override;
    void TransferAll(ReferenceTarget* oldAnim, ReferenceTarget* newAnim) override { Transfer(oldAnim, newAnim); }
    void BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) override;

protected:
    void SetReference(int i, RefTargetHandle rtarg) override;

private:
    static ReactionControl* ReactionOf(Animatable* anim);
    void Look(ReactionControl* r);
    bool Differs(ReactionControl* r) const;

    ReferenceTarget* driver_ = nullptr;
    // Inputs and outputs, in state order.
    std::vector<float> states_;
};
