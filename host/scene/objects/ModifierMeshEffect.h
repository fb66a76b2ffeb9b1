// What an object-space modifier does to the mesh that reaches it, for collapsing a stack.
#pragma once

#include "host/scene/Modifier.h"
#include "host/scene/PolyMesh.h"

#include <string>

// Applies mod (enabled or not: the caller skips disabled ones) to m in the object's space; poly becomes
// true when the modifier delivers a poly object (Edit Poly, Turn to Poly, TurboSmooth) and false when it
// delivers a mesh (Edit Mesh, Turn to Mesh). False with the reason in why, m unchanged, for a modifier
// whose effect this host does not model (Bend and Twist bend and twist about the object's pivot over its
// extent along their axis; Shell offsets along the vertex normals).
bool ApplyModifierToMesh(Modifier* mod, TimeValue t, PolyMesh& m, bool& poly, std::wstring& why);
