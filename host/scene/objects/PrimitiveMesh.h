// The geometry of an object as a poly mesh in its own space: the standard primitives built from their
// parameters, editable meshes and polys as they hold it.
#pragma once

#include "host/scene/Object.h"
#include "host/scene/PolyMesh.h"

#include <string>

// False, with the reason in why ("Sphere: a hemisphere of 1 or more is not modelled in this host"), for an
// object whose geometry is not known here.
bool BuildObjectMesh(Object* obj, TimeValue t, PolyMesh& out, std::wstring& why);
