// A deterministic one-line text picture of a controller, for scene dumps and tests.
#pragma once

#include "host/scene/Control.h"

// "<class name> <value at t>" followed by what the class adds (keys, list state, targets, links, the
// capability answers that differ from the usual) and the sub-animatables in braces, recursively:
//   Position/Rotation/Scale [(1, 0, 0) (0, 1, 0) (0, 0, 1) (5, 0, 0)] {Position: Bezier Position (5, 0, 0);
//   Rotation: Euler XYZ euler (0, 0, 0) {X Rotation: Bezier Float 0; ...}; Scale: Bezier Scale (1, 1, 1)}
// A sub-animatable that is not a controller shows its class name; a missing one shows "null".
MSTR DumpController(Animatable* anim, TimeValue t = 0);
