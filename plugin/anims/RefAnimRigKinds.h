// Mirrors of character rigs: biped root and sub-controllers, CAT rig parents and CAT controllers.
#pragma once

#include "plugin/anims/RefAnimBip.h"
#include "plugin/anims/RefAnimBipCtrl.h"
#include "plugin/anims/RefAnimCAT.h"
#include "plugin/anims/RefAnimCATCtrl.h"
