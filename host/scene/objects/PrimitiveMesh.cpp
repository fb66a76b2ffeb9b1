// Meshes of the standard primitives from their parameters: boxes and planes as grids, the round ones as
// a profile turned around the z axis (whole or sliced), geospheres as a subdivided solid pushed onto the
// sphere, the teapot from its patches.
#include "host/scene/objects/PrimitiveMesh.h"

#include "host/scene/IParamBlock2.h"
#include "host/scene/objects/EditableMesh.h"
#include "host/scene/objects/ObjectClasses.h"
#include "host/scene/objects/TeapotMesh.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cwchar>
#include <map>
#include <numbers>
#include <tuple>
#include <unordered_map>

namespace {

constexpr float kTwoPi = 2.0f * std::numbers::pi_v<float>;

// One point of a profile turned around the z axis: a ring of vertices at radius r and height z, or a
// single vertex on the axis when r is 0.
struct ProfilePoint {
    float r, z;
};

// A part of the turn: from and sweep in radians (a full turn when sweep is 0).
struct Turn {
    float from = 0.0f;
    float sweep = 0.0f;
    bool Partial() const { return sweep > 0.0f; }
};

// Turns the profile around the z axis in n steps. An open profile may start and end on the axis (a pole)
// or close its end rings with one face each (ngonCaps); a closed profile joins its last point to its
// first. A partial turn closes each cut with the profile's face there (an open profile reaching to the
// axis through its caps' centres).
void Revolve(PolyMesh& m, const std::vector<ProfilePoint>& profile, int n, bool closed, bool ngonCaps,
             Turn turn = {}) {
    const int perRing = turn.Partial() ? n + 1 : n;
    std::vector<int> first; // first vertex of each profile point
    for (const ProfilePoint& p : profile) {
        if (p.r == 0.0f) {
            first.push_back(m.AddVert(Point3(0.0f, 0.0f, p.z)));
            continue;
        }
        first.push_back(m.getNumVerts());
        for (int k = 0; k < perRing; ++k) {
            const float f = static_cast<float>(k) / static_cast<float>(n);
            const float a = turn.Partial() ? turn.from + turn.sweep * f : kTwoPi * f;
            m.AddVert(Point3(p.r * std::cos(a), p.r * std::sin(a), p.z));
        }
    }
    auto pole = [&](size_t i) { return profile[i].r == 0.0f; };
    auto at = [&](size_t i, int k) { return pole(i) ? first[i] : first[i] + (k % perRing); };
    const size_t count = profile.size();
    for (size_t i = 0; i + 1 < count + (closed ? 1 : 0); ++i) {
        const size_t a = i, b = (i + 1) % count;
        if (pole(a) && pole(b)) continue;
        for (int k = 0; k < n; ++k) {
            if (pole(a))
                m.AddFace({at(a, k), at(b, k + 1), at(b, k)});
            else if (pole(b))
                m.AddFace({at(a, k), at(a, k + 1), at(b, k)});
            else
                m.AddFace({at(a, k), at(a, k + 1), at(b, k + 1), at(b, k)});
        }
    }
    // The centres a partial turn's caps and cuts reach to.
    const bool capped = ngonCaps && !closed;
    int low = -1, high = -1;
    if (capped && turn.Partial()) {
        if (!pole(0)) low = m.AddVert(Point3(0.0f, 0.0f, profile.front().z));
        if (!pole(count - 1)) high = m.AddVert(Point3(0.0f, 0.0f, profile.back().z));
    }
    if (capped) {
        auto cap = [&](size_t i, int centre, bool down) {
            std::vector<int> face;
            if (centre >= 0) face.push_back(centre);
            for (int k = 0; k < perRing; ++k) face.push_back(at(i, down ? perRing - 1 - k : k));
            m.AddFace(face);
        };
        if (!pole(0)) cap(0, low, true);
        if (!pole(count - 1)) cap(count - 1, high, false);
    }
    if (!turn.Partial()) return;
    for (int k : {0, n}) {
        std::vector<int> face;
        if (low >= 0) face.push_back(low);
        for (size_t i = 0; i < count; ++i) face.push_back(at(i, k));
        if (high >= 0) face.push_back(high);
        if (k == n) std::reverse(face.begin(), face.end());
        if (face.size() >= 3) m.AddFace(face);
    }
}

// The slice settings of a primitive (on, from, to in the block's radians) as a turn; false with the
// reason for a slice of no angle.
bool SliceTurn(IParamBlock2* pb, ParamID on, TimeValue t, Turn& turn) {
    if (!pb->GetInt(on, t)) return true;
    float sweep = std::fmod(pb->GetFloat(on + 2, t) - pb->GetFloat(on + 1, t), kTwoPi);
    if (sweep < 0.0f) sweep += kTwoPi;
    if (sweep <= 0.0f) return false;
    turn = Turn{pb->GetFloat(on + 1, t), sweep};
    return true;
}

float Lerp(float a, float b, float f) { return a + (b - a) * f; }

// Radii of a cap from the axis out to r in capsegs steps (the axis itself only with more than one step,
// a single step being one n-sided face).
std::vector<ProfilePoint> CapRings(float r, float z, int capsegs, bool outward) {
    std::vector<ProfilePoint> v;
    if (capsegs <= 1 || r == 0.0f) return v;
    for (int k = 0; k < capsegs; ++k) {
        const int step = outward ? k : capsegs - 1 - k;
        v.push_back({r * static_cast<float>(step) / static_cast<float>(capsegs), z});
    }
    return v;
}

// Cylinders and cones: a wall from r1 at the bottom to r2 at the top, capped.
void Cylinder(PolyMesh& m, float r1, float r2, float h, int hsegs, int capsegs, int sides, Turn turn) {
    std::vector<ProfilePoint> p = CapRings(r1, 0.0f, capsegs, true);
    for (int j = 0; j <= hsegs; ++j) {
        const float f = static_cast<float>(j) / static_cast<float>(hsegs);
        p.push_back({Lerp(r1, r2, f), h * f});
    }
    for (const ProfilePoint& q : CapRings(r2, h, capsegs, false)) p.push_back(q);
    Revolve(m, p, sides, false, capsegs <= 1, turn);
}

void Box(PolyMesh& m, float l, float w, float h, int ws, int ls, int hs) {
    // The surface points of the lattice, numbered bottom layer first, each layer row by row.
    std::unordered_map<long long, int> ids;
    auto key = [&](int i, int j, int k) {
        return i + static_cast<long long>(ws + 1) * (j + static_cast<long long>(ls + 1) * k);
    };
    for (int k = 0; k <= hs; ++k)
        for (int j = 0; j <= ls; ++j)
            for (int i = 0; i <= ws; ++i)
                if (k == 0 || k == hs || j == 0 || j == ls || i == 0 || i == ws)
                    ids.emplace(key(i, j, k), m.AddVert(Point3(-w / 2 + w * static_cast<float>(i) / static_cast<float>(ws),
                                                               -l / 2 + l * static_cast<float>(j) / static_cast<float>(ls),
                                                               h * static_cast<float>(k) / static_cast<float>(hs))));
    auto vert = [&](int i, int j, int k) { return ids.at(key(i, j, k)); };
    for (int i = 0; i < ws; ++i)
        for (int j = 0; j < ls; ++j) {
            m.AddFace({vert(i, j, 0), vert(i, j + 1, 0), vert(i + 1, j + 1, 0), vert(i + 1, j, 0)});
            m.AddFace({vert(i, j, hs), vert(i + 1, j, hs), vert(i + 1, j + 1, hs), vert(i, j + 1, hs)});
        }
    for (int i = 0; i < ws; ++i)
        for (int k = 0; k < hs; ++k) {
            m.AddFace({vert(i, 0, k), vert(i + 1, 0, k), vert(i + 1, 0, k + 1), vert(i, 0, k + 1)});
            m.AddFace({vert(i, ls, k), vert(i, ls, k + 1), vert(i + 1, ls, k + 1), vert(i + 1, ls, k)});
        }
    for (int j = 0; j < ls; ++j)
        for (int k = 0; k < hs; ++k) {
            m.AddFace({vert(0, j, k), vert(0, j, k + 1), vert(0, j + 1, k + 1), vert(0, j + 1, k)});
            m.AddFace({vert(ws, j, k), vert(ws, j + 1, k), vert(ws, j + 1, k + 1), vert(ws, j, k + 1)});
        }
}

void Plane(PolyMesh& m, float l, float w, int ls, int ws) {
    for (int j = 0; j <= ls; ++j)
        for (int i = 0; i <= ws; ++i)
            m.AddVert(Point3(-w / 2 + w * static_cast<float>(i) / static_cast<float>(ws),
                             -l / 2 + l * static_cast<float>(j) / static_cast<float>(ls), 0.0f));
    auto v = [&](int i, int j) { return j * (ws + 1) + i; };
    for (int j = 0; j < ls; ++j)
        for (int i = 0; i < ws; ++i)
            m.AddFace({v(i, j), v(i + 1, j), v(i + 1, j + 1), v(i, j + 1)});
}

void Pyramid(PolyMesh& m, float w, float d, float h, int ws, int ds, int hs) {
    auto grid = [&](int i, int j) { return j * (ws + 1) + i; };
    for (int j = 0; j <= ds; ++j)
        for (int i = 0; i <= ws; ++i)
            m.AddVert(Point3(-w / 2 + w * static_cast<float>(i) / static_cast<float>(ws),
                             -d / 2 + d * static_cast<float>(j) / static_cast<float>(ds), 0.0f));
    for (int j = 0; j < ds; ++j)
        for (int i = 0; i < ws; ++i)
            m.AddFace({grid(i, j), grid(i, j + 1), grid(i + 1, j + 1), grid(i + 1, j)});
    // The base's rim, counter-clockwise seen from above, is the first ring of the sides.
    std::vector<int> ring;
    for (int i = 0; i < ws; ++i) ring.push_back(grid(i, 0));
    for (int j = 0; j < ds; ++j) ring.push_back(grid(ws, j));
    for (int i = ws; i > 0; --i) ring.push_back(grid(i, ds));
    for (int j = ds; j > 0; --j) ring.push_back(grid(0, j));
    const int n = static_cast<int>(ring.size());
    std::vector<Point3> rim;
    for (int v : ring) rim.push_back(m.getVert(v));
    for (int k = 1; k <= hs; ++k) {
        std::vector<int> next;
        if (k == hs) {
            next.assign(static_cast<size_t>(n), m.AddVert(Point3(0.0f, 0.0f, h)));
        } else {
            const float f = 1.0f - static_cast<float>(k) / static_cast<float>(hs);
            for (const Point3& p : rim)
                next.push_back(m.AddVert(Point3(p.x * f, p.y * f, h * static_cast<float>(k) / static_cast<float>(hs))));
        }
        for (int e = 0; e < n; ++e) {
            const int a = ring[static_cast<size_t>(e)], b = ring[static_cast<size_t>((e + 1) % n)];
            if (k == hs)
                m.AddFace({a, b, next[0]});
            else
                m.AddFace({a, b, next[static_cast<size_t>((e + 1) % n)], next[static_cast<size_t>(e)]});
        }
        if (k < hs) ring = next;
    }
}

void GeoSphere(PolyMesh& m, float r, int segs, int baseType) {
    std::vector<Point3> v;
    std::vector<std::array<int, 3>> f;
    if (baseType == 0) {
        v = {Point3(1, 1, 1), Point3(-1, -1, 1), Point3(-1, 1, -1), Point3(1, -1, -1)};
        f = {{0, 1, 3}, {0, 2, 1}, {0, 3, 2}, {1, 2, 3}};
    } else if (baseType == 1) {
        v = {Point3(1, 0, 0), Point3(-1, 0, 0), Point3(0, 1, 0), Point3(0, -1, 0), Point3(0, 0, 1), Point3(0, 0, -1)};
        f = {{4, 0, 2}, {4, 2, 1}, {4, 1, 3}, {4, 3, 0}, {5, 2, 0}, {5, 1, 2}, {5, 3, 1}, {5, 0, 3}};
    } else {
        const float g = (1.0f + std::sqrt(5.0f)) / 2.0f;
        const float c[12][3] = {{-1, g, 0}, {1, g, 0}, {-1, -g, 0}, {1, -g, 0}, {0, -1, g}, {0, 1, g},
                                {0, -1, -g}, {0, 1, -g}, {g, 0, -1}, {g, 0, 1}, {-g, 0, -1}, {-g, 0, 1}};
        for (const auto& p : c) v.push_back(Point3(p[0], p[1], p[2]));
        f = {{0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11}, {1, 5, 9}, {5, 11, 4},
             {11, 10, 2}, {10, 7, 6}, {7, 1, 8},  {3, 9, 4},  {3, 4, 2},   {3, 2, 6}, {3, 6, 8},
             {3, 8, 9},  {4, 9, 5},  {2, 4, 11}, {6, 2, 10}, {8, 6, 7},   {9, 8, 1}};
    }
    // Points on shared edges are made once: they are found by where they land on the sphere.
    std::map<std::tuple<long, long, long>, int> ids;
    auto vert = [&](const Point3& p) {
        const Point3 u = Normalize(p) * r;
        const auto key = std::make_tuple(std::lround(u.x * 1e4f), std::lround(u.y * 1e4f), std::lround(u.z * 1e4f));
        auto it = ids.find(key);
        if (it != ids.end()) return it->second;
        const int id = m.AddVert(u);
        ids.emplace(key, id);
        return id;
    };
    const float s = static_cast<float>(segs);
    for (const auto& t : f) {
        const Point3 a = v[static_cast<size_t>(t[0])], b = v[static_cast<size_t>(t[1])], c = v[static_cast<size_t>(t[2])];
        auto p = [&](int i, int j) { return vert(a + (b - a) * (static_cast<float>(i) / s) + (c - a) * (static_cast<float>(j) / s)); };
        for (int j = 0; j < segs; ++j)
            for (int i = 0; i + j < segs; ++i) {
                m.AddFace({p(i, j), p(i + 1, j), p(i, j + 1)});
                if (i + j + 1 < segs) m.AddFace({p(i + 1, j), p(i + 1, j + 1), p(i, j + 1)});
            }
    }
}

} // namespace

bool BuildObjectMesh(Object* obj, TimeValue t, PolyMesh& out, std::wstring& why) {
    out = PolyMesh();
    if (!obj) {
        why = L"no object";
        return false;
    }
    if (auto* e = dynamic_cast<EditableMeshObject*>(obj)) {
        out = e->GetMesh();
        return true;
    }
    MSTR name;
    obj->GetClassName(name);
    IParamBlock2* pb = obj->SuperClassID() == GEOMOBJECT_CLASS_ID ? obj->GetParamBlock(0) : nullptr;
    const Class_ID id = obj->ClassID();
    auto refuse = [&](const wchar_t* what) {
        why = name.str() + L": " + what + L" is not modelled in this host";
        return false;
    };
    Turn turn;
    auto slice = [&](ParamID on) {
        if (SliceTurn(pb, on, t, turn)) return true;
        wchar_t angle[32];
        std::swprintf(angle, 32, L"%g", static_cast<double>(pb->GetFloat(on + 1, t) * 180.0f / std::numbers::pi_v<float>));
        why = name.str() + L": a slice from " + angle + L" to the same angle leaves nothing";
        return false;
    };
    if (!pb) {
        why = name.str() + L" has no mesh in this host";
        return false;
    }
    auto F = [&](ParamID p) { return pb->GetFloat(p, t); };
    auto I = [&](ParamID p) { return pb->GetInt(p, t); };
    if (id == BOX_OBJECT_CLASS_ID) {
        Box(out, F(0), F(1), F(2), I(3), I(4), I(5));
    } else if (id == PLANE_OBJECT_CLASS_ID) {
        Plane(out, F(0), F(1), I(2), I(3));
    } else if (id == SPHERE_OBJECT_CLASS_ID) {
        if (!slice(5)) return false;
        const float r = F(0), hemi = F(3);
        if (hemi >= 1.0f) return refuse(L"a hemisphere of 1 or more");
        const int rings = std::max(2, I(1) / 2);
        // From the north pole down, as the host numbers a sphere's vertices, to the cut: a hemisphere
        // cuts the sphere at height r * (1 - 2 * hemisphere) and closes it with one face. Chop (0) drops
        // the bands below the cut, squash (1) spreads them all above it.
        const float pi = std::numbers::pi_v<float>;
        const float cut = hemi > 0.0f ? std::asin(std::clamp(1.0f - 2.0f * hemi, -1.0f, 1.0f)) : -pi / 2;
        std::vector<ProfilePoint> p;
        const bool squash = hemi > 0.0f && I(4) == 1;
        for (int k = 0; k <= rings; ++k) {
            const float f = static_cast<float>(k) / static_cast<float>(rings);
            const float a = squash ? pi / 2 - f * (pi / 2 - cut) : pi / 2 - f * pi;
            if (a <= cut + 1e-6f) {
                p.push_back({hemi > 0.0f ? r * std::cos(cut) : 0.0f, r * std::sin(cut)});
                break;
            }
            p.push_back({k == 0 ? 0.0f : r * std::cos(a), r * std::sin(a)});
        }
        Revolve(out, p, I(1), false, true, turn);
    } else if (id == CYLINDER_OBJECT_CLASS_ID) {
        if (!slice(6)) return false;
        Cylinder(out, F(0), F(0), F(1), I(2), I(3), I(4), turn);
    } else if (id == CONE_OBJECT_CLASS_ID) {
        if (!slice(7)) return false;
        Cylinder(out, F(0), F(1), F(2), I(3), I(4), I(5), turn);
    } else if (id == TUBE_OBJECT_CLASS_ID) {
        if (!slice(7)) return false;
        const float r1 = F(0), r2 = F(1), h = F(2);
        const int hsegs = I(3), capsegs = I(4);
        if (r1 == r2) return refuse(L"a tube without thickness");
        std::vector<ProfilePoint> p;
        for (int j = 0; j <= hsegs; ++j) p.push_back({r1, h * static_cast<float>(j) / static_cast<float>(hsegs)});
        for (int k = 1; k < capsegs; ++k) p.push_back({Lerp(r1, r2, static_cast<float>(k) / static_cast<float>(capsegs)), h});
        for (int j = hsegs; j >= 0; --j) p.push_back({r2, h * static_cast<float>(j) / static_cast<float>(hsegs)});
        for (int k = 1; k < capsegs; ++k) p.push_back({Lerp(r2, r1, static_cast<float>(k) / static_cast<float>(capsegs)), 0.0f});
        Revolve(out, p, I(5), true, false, turn);
    } else if (id == TORUS_OBJECT_CLASS_ID) {
        if (!slice(7)) return false;
        if (F(3) != 0.0f) return refuse(L"twist");
        const float r1 = F(0), r2 = F(1), rot = F(2);
        const int sides = I(5);
        std::vector<ProfilePoint> p;
        for (int s = 0; s < sides; ++s) {
            const float a = kTwoPi * static_cast<float>(s) / static_cast<float>(sides) + rot;
            p.push_back({r1 + r2 * std::cos(a), r2 * std::sin(a)});
        }
        Revolve(out, p, I(4), true, false, turn);
    } else if (id == PYRAMID_OBJECT_CLASS_ID) {
        Pyramid(out, F(0), F(1), F(2), I(3), I(4), I(5));
    } else if (id == TEAPOT_OBJECT_CLASS_ID) {
        BuildTeapotMesh(out, F(0), I(1), TeapotParts{I(3) != 0, I(4) != 0, I(5) != 0, I(6) != 0});
    } else if (id == GEOSPHERE_OBJECT_CLASS_ID) {
        if (I(4)) return refuse(L"hemisphere");
        GeoSphere(out, F(0), I(1), I(2));
    } else {
        why = name.str() + L" has no mesh in this host";
        return false;
    }
    return true;
}
