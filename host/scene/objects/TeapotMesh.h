// The teapot's mesh from its patches, for the parts it shows.
#pragma once

#include "host/scene/PolyMesh.h"

struct TeapotParts {
    bool body = true; // the body with its rim and bottom
    bool handle = true;
    bool spout = true;
    bool lid = true;
};

// Adds the teapot of the given radius (its body's radius) to m: each of the parts' 32 patches as a
// segs x segs grid (degenerate corners as triangles), a point shared by patches made once.
void BuildTeapotMesh(PolyMesh& m, float radius, int segs, const TeapotParts& parts);
