// Mirrors of character rigs: biped root and sub-controllers, CAT rig parents and CAT controllers.
#pragma once

#include "plugin/anims/RefAnimCATCtrl.h"
#include "plugin/anims/RefAnimKind.h"

// Mirrors biped root controllers.
class RefAnimBip : public RefAnimKind<RefAnimBip, RefAnim, KIND_BIP, IDS_REFANIMBIP> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors CAT rig parents.
class RefAnimCAT : public RefAnimKind<RefAnimCAT, RefAnim, KIND_CAT, IDS_REFANIMCAT> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors biped sub-controllers.
class RefAnimBipCtrl : public RefAnimKind<RefAnimBipCtrl, RefAnim, KIND_BIP_CTRL, IDS_REFANIMBIPCTRL> {
public:
    using RefAnimKind::RefAnimKind;
};
