// Mirrors of controllers: list, link, Euler, PRS, constraints, reactions, animation layers, link transforms.
#pragma once

#include "plugin/anims/RefAnimConstraint.h"
#include "plugin/anims/RefAnimEuler.h"
#include "plugin/anims/RefAnimKind.h"
#include "plugin/anims/RefAnimLayerCtrl.h"
#include "plugin/anims/RefAnimLinkCtrl.h"
#include "plugin/anims/RefAnimPRS.h"

// Mirrors list controllers.
class RefAnimListCtrl : public RefAnimKind<RefAnimListCtrl, RefAnim, KIND_LIST_CTRL, IDS_REFANIMLISTCTRL> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors reaction controllers.
class RefAnimReaction : public RefAnimKind<RefAnimReaction, RefAnim, KIND_REACTION, IDS_REFANIMREACTION> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors link transform controllers.
class RefAnimLinkTM : public RefAnimKind<RefAnimLinkTM, RefAnim, KIND_LINK_TM, IDS_REFANIMLINKTM> {
public:
    using RefAnimKind::RefAnimKind;
};
