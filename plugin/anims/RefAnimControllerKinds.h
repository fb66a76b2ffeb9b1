// Mirrors of controllers: list, link, Euler, PRS, constraints, reactions, animation layers, link transforms.
#pragma once

#include "plugin/anims/RefAnimConstraint.h"
#include "plugin/anims/RefAnimEuler.h"
#include "plugin/anims/RefAnimKind.h"
#include "plugin/anims/RefAnimLayerCtrl.h"
#include "plugin/anims/RefAnimLinkCtrl.h"
#include "plugin/anims/RefAnimListCtrl.h"
#include "plugin/anims/RefAnimPRS.h"
#include "plugin/anims/RefAnimReaction.h"

// Mirrors link transform controllers.
class RefAnimLinkTM : public RefAnimKind<RefAnimLinkTM, RefAnim, KIND_LINK_TM, IDS_REFANIMLINKTM> {
public:
    using RefAnimKind::RefAnimKind;
};
