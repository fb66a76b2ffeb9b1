// FFD lattices: control points from their offsets and the Bernstein deformation of a mesh.
#include "host/scene/objects/FFDLattice.h"

#include "host/scene/objects/ObjectClasses.h"

#include <cmath>

namespace {

Point3 RestPoint(int n, int i) {
    const float d = static_cast<float>(n - 1);
    return Point3(static_cast<float>(i % n) / d, static_cast<float>((i / n) % n) / d, static_cast<float>(i / (n * n)) / d);
}

// The Bernstein polynomials of degree n-1 at u.
void Bernstein(int n, float u, float* b) {
    const int deg = n - 1;
    for (int k = 0; k < n; ++k) {
        float binom = 1.0f;
        for (int j = 1; j <= k; ++j) binom = binom * static_cast<float>(deg - j + 1) / static_cast<float>(j);
        b[k] = binom * std::pow(u, static_cast<float>(k)) * std::pow(1.0f - u, static_cast<float>(deg - k));
    }
}

} // namespace

int FFDLatticeSize(const Class_ID& id) {
    if (id == FFD2_MODIFIER_CLASS_ID) return 2;
    if (id == FFD3_MODIFIER_CLASS_ID) return 3;
    if (id == FFD4_MODIFIER_CLASS_ID) return 4;
    return 0;
}

Point3 FFDControlPoint(IParamBlock2* pb, int n, int i, TimeValue t) {
    return RestPoint(n, i) + pb->GetPoint3(kFFDOffsetsParam, t, i);
}

void SetFFDControlPoint(IParamBlock2* pb, int n, int i, const Point3& p, TimeValue t) {
    pb->SetValue(kFFDOffsetsParam, t, p - RestPoint(n, i), i);
}

void DeformByLattice(IParamBlock2* pb, int n, TimeValue t, PolyMesh& m) {
    const Box3 box = m.Bounds();
    if (box.IsEmpty() || pb->Count(kFFDOffsetsParam) != n * n * n) return;
    const Point3 size = box.Width();
    std::vector<Point3> points;
    for (int i = 0; i < n * n * n; ++i) points.push_back(FFDControlPoint(pb, n, i, t));
    for (int v = 0; v < m.getNumVerts(); ++v) {
        const Point3 p = m.getVert(v);
        Point3 u;
        for (int a = 0; a < 3; ++a) u[a] = size[a] > 0.0f ? (p[a] - box.pmin[a]) / size[a] : 0.0f;
        float bx[4], by[4], bz[4];
        Bernstein(n, u.x, bx);
        Bernstein(n, u.y, by);
        Bernstein(n, u.z, bz);
        Point3 q;
        for (int i = 0; i < n * n * n; ++i)
            q += points[static_cast<size_t>(i)] * (bx[i % n] * by[(i / n) % n] * bz[i / (n * n)]);
        // Back from lattice space; a flat axis keeps its coordinate.
        Point3 out;
        for (int a = 0; a < 3; ++a) out[a] = size[a] > 0.0f ? box.pmin[a] + q[a] * size[a] : p[a];
        m.setVert(v, out);
    }
}
