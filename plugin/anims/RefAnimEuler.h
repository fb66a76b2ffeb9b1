// The mirror of an Euler rotation controller: marked only when the user assigns another controller to
// one of its axes.
#pragma once

#include "plugin/anims/RefAnimKind.h"
#include "plugin/anims/SubControllerSlots.h"

// The rotation's values live in its three axis controllers, each mirrored on its own, and every key the
// user sets reaches this mirror as the controller's change message too: those never mark it. An axis
// controller the user replaces marks it Modified, so the user's controller with its axes takes the fresh
// one's place at the next merge.
class RefAnimEuler : public RefAnimKind<RefAnimEuler, RefAnim, KIND_EULER, IDS_REFANIMEULER> {
public:
    static constexpr int kAxes = 3;
    using RefAnimKind::RefAnimKind;

    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    bool IsPassive() const override { return true; }

protected:
    // Every controller the mirror comes to stand for (followed, or restored from a file) gives its axes.
    void SetReference(int i, RefTargetHandle rtarg) override;

private:
    SubControllerSlots<kAxes> axes_;
};
