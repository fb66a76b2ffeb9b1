// The kind rule: which mirror kind an animatable gets, how a mirror is created from a kind id, and the
// number of child positions a walk visits under an animatable.
#pragma once

#include "host/core/MaxTypes.h"

class Animatable;
class RefAnim;

// Kind id bits. The low 16 bits number the kind; the high bits tell the walk what to do with it.
constexpr DWORD KIND_CREATES_MIRROR = 0x00010000;  // a mirror of the kind is created for the animatable
constexpr DWORD KIND_DESCENDS = 0x00020000;        // the walk descends into the animatable's children
constexpr DWORD KIND_SPECIAL_CREATE = 0x00040000;  // nodes and the IK guard: made without bit 16; nothing tests it
constexpr DWORD KIND_KEEPS_OWN = 0x00080000;       // keeps its own kind where a caller falls back to the plain one
constexpr DWORD KIND_FLAG = 0x00100000;            // handed to the new mirror as its kind flag
constexpr DWORD KIND_NO_FALLBACK = 0x00200000;     // no mirror where a caller falls back; descended into only
constexpr DWORD KIND_NODE = 0x00400000;            // set on nodes; nothing tests it
constexpr DWORD KIND_NUMBER_MASK = 0x0000FFFF;

// Codes with a meaning of their own.
constexpr DWORD KIND_UNDECIDED = 0;                // no decision: the caller takes the plain mirror or skips
constexpr DWORD KIND_NEVER = 2;                    // never mirrored, never descended into
constexpr DWORD KIND_DESCEND_ONLY = 0x00020000;    // no mirror, descended into
constexpr DWORD KIND_NODE_DERIVED = 0x00220000;    // a derived object held by a node: no mirror here, descended
constexpr DWORD KIND_IK_GUARD = 0x000E0034;        // an IK solver on a referenced node: creates nothing, undoes it
constexpr DWORD KIND_NODE_MIRROR = 0x0044000B;     // a node: the plain mirror

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
