// The kind rule: which mirror kind an animatable gets, how a mirror is created from a kind id, and the
// number of child positions a walk visits under an animatable.
#pragma once

#include "host/core/MaxTypes.h"
#include "plugin/anims/MirrorKinds.h"

class Animatable;
class RefAnim;

// The class of an animatable, read once for each position a walk visits and handed to the rule and the width.
struct AnimClass {
    SClass_ID super;
    Class_ID cls;
};
AnimClass ClassOf(Animatable* anim);

// The kind id for anim; owner is the animatable it was reached from (its parent in the walk), or null.
DWORD ResolveKind(Animatable* anim, Animatable* owner);

// The kind id for anim (not null) of class c and, in width, the number of child positions a walk visits
// below it: all of them where the kind has no say or descends, only the attribute container below a mirror
// that keeps its children to itself. A width the rule counted to choose the kind is not counted again.
DWORD ResolveKindAndWidth(Animatable* anim, Animatable* owner, const AnimClass& c, int& width);

// A new, empty mirror for a kind id, or null for codes that create nothing. Meeting the IK guard code arms
// the guard (see IKGuard.h) and creates nothing.
RefAnim* CreateMirror(DWORD kindId);

// The number of child positions a walk visits under anim; index is -1 when no particular parameter is meant
// (for a parameter block 2 a non-negative index names the parameter whose entries are counted).
int ChildCount(Animatable* anim, Animatable* owner, int index);
// The same for an animatable (not null) whose class the caller has read.
int ChildCount(Animatable* anim, Animatable* owner, int index, const AnimClass& c);

// The kind id of a parameter block 2 judged by its owner alone.
DWORD ParamBlockKindForOwner(Animatable* owner);
