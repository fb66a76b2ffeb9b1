// The lattice of the FFD modifiers: n x n x n control points over the box of what they modify, each kept
// as its offset from its place in the even grid (parameter "controlPointOffsets"), and the deformation
// they make (a Bernstein volume, so that an untouched lattice moves nothing).
#pragma once

#include "host/scene/IParamBlock2.h"
#include "host/scene/PolyMesh.h"

// The parameter holding the offsets, in every FFD block.
constexpr ParamID kFFDOffsetsParam = 6;

// The lattice size of an FFD class (2, 3 or 4), 0 for any other class.
int FFDLatticeSize(const Class_ID& id);
// Control point i (0-based; x fastest, then y, then z) in lattice space (0 to 1 on each axis).
Point3 FFDControlPoint(IParamBlock2* pb, int n, int i, TimeValue t);
// Moves control point i to p (lattice space): stores its offset through the block (undo, messages).
void SetFFDControlPoint(IParamBlock2* pb, int n, int i, const Point3& p, TimeValue t);
// Every vertex of m moved by the lattice, which spans m's own bounds.
void DeformByLattice(IParamBlock2* pb, int n, TimeValue t, PolyMesh& m);
