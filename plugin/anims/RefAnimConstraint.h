// The mirror of a constraint controller: the number of targets the constraint had, so that a target the
// user adds or removes marks it.
#pragma once

#include "plugin/anims/RefAnimKind.h"

class RefAnimConstraint : public RefAnimKind<RefAnimConstraint, RefAnim, KIND_CONSTRAINT, IDS_REFANIMCONSTRAINT> {
public:
    using RefAnimKind::RefAnimKind;

    // The base change monitor; a structure message with another target count marks the mirror too (a
    // target list edit says nothing else the mirror could tell from a target the content's unload took).
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    int GetTargetCount() const { return targets_; }
    // The target count of the position, path, orientation and look-at constraints; 0 for any other.
    static int TargetCountOf(Animatable* anim);

protected:
    // The count is taken whenever an unmarked mirror comes to stand for a constraint.
    void SetReference(int i, RefTargetHandle rtarg) override;

private:
    int targets_ = 0;
};
