// The kind rule: which mirror kind an animatable gets, how a mirror is created from a kind id, and the
// number of child positions a walk visits under an animatable.
#pragma once

#include "host/core/MaxTypes.h"
#include "plugin/anims/MirrorKinds.h"

class Animatable;
class RefAnim;

// The kind id for anim; owner is the animatable it was reached from (its parent in the walk), or null.
DWORD ResolveKind(Animatable* anim, Animatable* owner);

// A new, empty mirror for a kind id, or null for codes that create nothing. Meeting the IK guard code arms
// the guard (see IKGuard.h) and creates nothing.
RefAnim* CreateMirror(DWORD kindId);

// The number of child positions a walk visits under anim; index is -1 when no particular parameter is meant
// (for a parameter block 2 a non-negative index names the parameter whose entries are counted).
int ChildCount(Animatable* anim, Animatable* owner, int index);

// The kind id of a parameter block 2 judged by its owner alone.
DWORD ParamBlockKindForOwner(Animatable* owner);
