// Mirrors of character rigs: biped root and sub-controllers, CAT rig parents and CAT controllers.
#pragma once

#include "plugin/anims/RefAnimKind.h"

// Mirrors biped root controllers.
class RefAnimBip : public RefAnimKind<RefAnimBip, RefAnim, 0x0001000e, IDS_REFANIMBIP> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors CAT rig parents.
class RefAnimCAT : public RefAnimKind<RefAnimCAT, RefAnim, 0x0003002b, IDS_REFANIMCAT> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors CAT controllers.
class RefAnimCATCtrl : public RefAnimKind<RefAnimCATCtrl, RefAnim, 0x000b0033, IDS_REFANIMCATCTRL> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors biped sub-controllers.
class RefAnimBipCtrl : public RefAnimKind<RefAnimBipCtrl, RefAnim, 0x00030039, IDS_REFANIMBIPCTRL> {
public:
    using RefAnimKind::RefAnimKind;
};
