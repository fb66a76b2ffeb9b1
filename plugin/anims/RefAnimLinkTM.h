// The mirror of a link transform controller: the control node moving is never a change of the user's; the
// user giving the controller another control node is.
#pragma once

#include "plugin/anims/RefAnimKind.h"

// The local transform's values are mirrored by its own controllers' mirrors, and both they and the control
// node moving reach this mirror as changes of the whole controller: only another control node marks it.
class RefAnimLinkTM : public RefAnimKind<RefAnimLinkTM, RefAnim, KIND_LINK_TM, IDS_REFANIMLINKTM> {
public:
    using RefAnimKind::RefAnimKind;

    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    // Compares once more before the content goes: a control node set while messages were ignored counts too.
    void CollectLocDep(DWORD stamp) override;

protected:
    // Every controller the mirror comes to stand for gives its control node.
    void SetReference(int i, RefTargetHandle rtarg) override;

private:
    void Compare();

    AnimHandle controlNode_ = 0;
};
