// The mirror of the Linked XForm modifier: the node it follows moving is never a change of the user's; the
// user giving it another node to follow is.
#pragma once

#include "plugin/anims/ModifierMirror.h"
#include "plugin/anims/RefAnimKind.h"

class RefAnimLinkedXForm
    : public RefAnimKind<RefAnimLinkedXForm, ModifierMirror<RefAnim>, KIND_LINKED_XFORM, IDS_REFANIMLINKEDXFORM> {
public:
    using RefAnimKind::RefAnimKind;

    // The modifier's parameters are its block mirror's, and the followed node moving reaches the mirror as
    // a change of the whole modifier: only another node to follow marks it.
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;

    // The node the modifier follows: the first of its references that is a node; null when none.
    static Animatable* FollowedNodeOf(Animatable* mod);

protected:
    // Every modifier the mirror comes to stand for gives the node it follows.
    void SetReference(int i, RefTargetHandle rtarg) override;

private:
    AnimHandle followed_ = 0;
};
