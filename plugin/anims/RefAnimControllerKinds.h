// Mirrors of controllers: list, link, Euler, PRS, constraints, reactions, animation layers, link transforms.
#pragma once

#include "plugin/anims/RefAnimKind.h"

// Mirrors list controllers.
class RefAnimListCtrl : public RefAnimKind<RefAnimListCtrl, RefAnim, 0x00030008, IDS_REFANIMLISTCTRL> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors link controllers.
class RefAnimLinkCtrl : public RefAnimKind<RefAnimLinkCtrl, RefAnim, 0x0003000d, IDS_REFANIMLINKCTRL> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors position, orientation and other constraint controllers.
class RefAnimConstraint : public RefAnimKind<RefAnimConstraint, RefAnim, 0x0003001f, IDS_REFANIMCONSTRAINT> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors reaction controllers.
class RefAnimReaction : public RefAnimKind<RefAnimReaction, RefAnim, 0x00030024, IDS_REFANIMREACTION> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors Euler rotation controllers.
class RefAnimEuler : public RefAnimKind<RefAnimEuler, RefAnim, 0x00030026, IDS_REFANIMEULER> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors position/rotation/scale controllers.
class RefAnimPRS : public RefAnimKind<RefAnimPRS, RefAnim, 0x00030027, IDS_REFANIMPRS> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors animation layer controllers.
class RefAnimLayerCtrl : public RefAnimKind<RefAnimLayerCtrl, RefAnim, 0x000b0030, IDS_REFANIMLAYERCTRL> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors link transform controllers.
class RefAnimLinkTM : public RefAnimKind<RefAnimLinkTM, RefAnim, 0x0003003b, IDS_REFANIMLINKTM> {
public:
    using RefAnimKind::RefAnimKind;
};
