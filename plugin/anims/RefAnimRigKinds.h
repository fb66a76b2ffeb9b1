// Mirrors of character rigs: biped root and sub-controllers, CAT rig parents and CAT controllers.
#pragma once

#include "plugin/anims/RefAnimBip.h"
#include "plugin/anims/RefAnimBipCtrl.h"
#include "plugin/anims/RefAnimCATCtrl.h"
#include "plugin/anims/RefAnimKind.h"

// Mirrors CAT rig parents.
class RefAnimCAT : public RefAnimKind<RefAnimCAT, RefAnim, KIND_CAT, IDS_REFANIMCAT> {
public:
    using RefAnimKind::RefAnimKind;
};
