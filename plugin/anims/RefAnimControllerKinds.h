// Mirrors of controllers: list, link, Euler, PRS, constraints, reactions, animation layers, link transforms.
#pragma once

#include "plugin/anims/RefAnimConstraint.h"
#include "plugin/anims/RefAnimEuler.h"
#include "plugin/anims/RefAnimKind.h"
#include "plugin/anims/RefAnimLayerCtrl.h"
#include "plugin/anims/RefAnimLinkCtrl.h"
#include "plugin/anims/RefAnimLinkTM.h"
#include "plugin/anims/RefAnimListCtrl.h"
#include "plugin/anims/RefAnimPRS.h"
#include "plugin/anims/RefAnimReaction.h"
