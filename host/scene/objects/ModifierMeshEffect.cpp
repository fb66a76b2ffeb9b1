// The modifiers' effects on a mesh: the deformers (XForm, FFD, Bend, Twist), the subdivisions, Shell,
// and the modifiers that leave the geometry as it is.
#include "host/scene/objects/ModifierMeshEffect.h"

#include "host/scene/IParamBlock2.h"
#include "host/scene/objects/DataChannelModifier.h"
#include "host/scene/objects/FFDLattice.h"
#include "host/scene/objects/ObjectClasses.h"
#include "host/scene/objects/XFormModifier.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <unordered_map>

namespace {

constexpr float kDegToRad = std::numbers::pi_v<float> / 180.0f;

// The deformers' frame: c along the axis (0 x, 1 y, 2 z), a and b the other two in turn.
Point3 ToAxis(const Point3& p, int axis) {
    return axis == 0 ? Point3(p.y, p.z, p.x) : axis == 1 ? Point3(p.z, p.x, p.y) : p;
}
Point3 FromAxis(const Point3& q, int axis) {
    return axis == 0 ? Point3(q.z, q.x, q.y) : axis == 1 ? Point3(q.y, q.z, q.x) : q;
}
Point3 TurnAbout(const Point3& q, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    return Point3(q.x * c - q.y * s, q.x * s + q.y * c, q.z);
}

// The deformers' shared block: angle (degrees), direction or bias, axis, limit, upper and lower limits.
struct Deform {
    float angle, second;
    int axis;
    bool limit;
    float upper, lower;
    float from, to; // the extent along the axis the effect spreads over
};
bool ReadDeform(IParamBlock2* pb, TimeValue t, const PolyMesh& m, Deform& d, std::wstring& why) {
    d = Deform{pb->GetFloat(0, t), pb->GetFloat(1, t), pb->GetInt(2, t), pb->GetInt(3, t) != 0,
               pb->GetFloat(4, t),  pb->GetFloat(5, t), 0.0f,           0.0f};
    if (d.limit && d.upper < d.lower) {
        why = L"its upper limit " + std::to_wstring(d.upper) + L" is below its lower limit " + std::to_wstring(d.lower);
        return false;
    }
    const Box3 b = m.Bounds();
    const Point3 lo = ToAxis(b.pmin, d.axis), hi = ToAxis(b.pmax, d.axis);
    d.from = d.limit ? d.lower : lo.z;
    d.to = d.limit ? d.upper : hi.z;
    return true;
}

// Bend: the part of the object between the limits (all of it without) bent over a circle whose arc has
// the extent's length; above and below it the object goes on straight along the arc's ends.
void Bend(PolyMesh& m, const Deform& d) {
    const float theta = d.angle * kDegToRad, length = d.to - d.from;
    if (theta == 0.0f || length <= 0.0f) return;
    const float r = length / theta, dir = d.second * kDegToRad;
    for (int i = 0; i < m.getNumVerts(); ++i) {
        Point3 q = TurnAbout(ToAxis(m.getVert(i), d.axis), -dir);
        const float c = d.limit ? std::clamp(q.z, d.lower, d.upper) : q.z;
        const float a = c / r, rest = q.z - c, along = r - q.x;
        q = Point3(r - along * std::cos(a) + rest * std::sin(a), q.y, along * std::sin(a) + rest * std::cos(a));
        m.setVert(i, FromAxis(TurnAbout(q, dir), d.axis));
    }
}

// Twist: each slice across the axis turned by its share of the angle, from none at the pivot. A bias
// (-100 to 100) bunches the turn up near the pivot (negative) or away from it (positive): the share
// u = height / extent becomes |u| to the power log(b) / log(0.5), with b running from 1 down to 0 over the
// bias's range, so a bias of 0 keeps the share even.
void Twist(PolyMesh& m, const Deform& d) {
    const float length = d.to - d.from;
    if (d.angle == 0.0f || length <= 0.0f) return;
    const float b = std::clamp(1.0f - (d.second + 100.0f) / 200.0f, 1e-5f, 1.0f - 1e-5f);
    const float power = std::log(b) / std::log(0.5f);
    for (int i = 0; i < m.getNumVerts(); ++i) {
        const Point3 q = ToAxis(m.getVert(i), d.axis);
        const float u = (d.limit ? std::clamp(q.z, d.lower, d.upper) : q.z) / length;
        const float share = d.second == 0.0f ? u : std::copysign(std::pow(std::fabs(u), power), u);
        m.setVert(i, FromAxis(TurnAbout(q, share * d.angle * kDegToRad), d.axis));
    }
}

// Shell: the surface moved out by the outer amount along its vertex normals, a copy moved in by the
// inner amount facing the other way, and every open border bridged between the two in segments rows.
void Shell(PolyMesh& m, float inner, float outer, int segments) {
    const int nv = m.getNumVerts(), nf = m.getNumFaces();
    std::vector<Point3> normal(static_cast<size_t>(nv), Point3(0.0f, 0.0f, 0.0f));
    std::unordered_map<std::uint64_t, int> edgeUse; // directed edge -> uses
    auto key = [](int a, int b) { return (static_cast<std::uint64_t>(a) << 32) | static_cast<std::uint32_t>(b); };
    for (int f = 0; f < nf; ++f) {
        const std::vector<int> c = m.Face(f);
        Point3 n(0.0f, 0.0f, 0.0f); // Newell's normal, weighted by area
        for (size_t i = 0; i < c.size(); ++i) {
            const Point3& p = m.getVert(c[i]);
            const Point3& q = m.getVert(c[(i + 1) % c.size()]);
            n = n + Point3((p.y - q.y) * (p.z + q.z), (p.z - q.z) * (p.x + q.x), (p.x - q.x) * (p.y + q.y));
            ++edgeUse[key(c[i], c[(i + 1) % c.size()])];
        }
        for (int v : c) normal[static_cast<size_t>(v)] = normal[static_cast<size_t>(v)] + n;
    }
    PolyMesh out;
    auto offset = [&](int v, float amount) {
        const Point3& n = normal[static_cast<size_t>(v)];
        const float l = n.Length();
        return m.getVert(v) + (l > 0.0f ? n / l : n) * amount;
    };
    for (int v = 0; v < nv; ++v) out.AddVert(offset(v, outer));
    for (int v = 0; v < nv; ++v) out.AddVert(offset(v, -inner));
    for (int f = 0; f < nf; ++f) {
        std::vector<int> c = m.Face(f);
        out.AddFace(c);
        std::reverse(c.begin(), c.end());
        for (int& v : c) v += nv;
        out.AddFace(c);
    }
    // A border edge is one no face crosses the other way; its rows run from the outer to the inner copy.
    std::unordered_map<int, std::vector<int>> rows; // border vertex -> its vertices, outer to inner
    auto rowOf = [&](int v) -> const std::vector<int>& {
        auto [it, added] = rows.emplace(v, std::vector<int>());
        if (added) {
            it->second.push_back(v);
            for (int s = 1; s < segments; ++s) {
                const float f = static_cast<float>(s) / static_cast<float>(segments);
                it->second.push_back(out.AddVert(offset(v, outer + (-inner - outer) * f)));
            }
            it->second.push_back(v + nv);
        }
        return it->second;
    };
    for (int f = 0; f < nf; ++f) {
        const std::vector<int> c = m.Face(f);
        for (size_t i = 0; i < c.size(); ++i) {
            const int a = c[i], b = c[(i + 1) % c.size()];
            if (edgeUse.count(key(b, a))) continue;
            const std::vector<int> ra = rowOf(a), rb = rowOf(b);
            for (int s = 0; s < segments; ++s)
                out.AddFace({rb[static_cast<size_t>(s)], ra[static_cast<size_t>(s)], ra[static_cast<size_t>(s) + 1],
                             rb[static_cast<size_t>(s) + 1]});
        }
    }
    m = std::move(out);
}

} // namespace

bool ApplyModifierToMesh(Modifier* mod, TimeValue t, PolyMesh& m, bool& poly, std::wstring& why) {
    const Class_ID id = mod->ClassID();
    IParamBlock2* pb = mod->GetParamBlock(0);
    if (auto* xf = dynamic_cast<XFormModifier*>(mod)) {
        m.Transform(xf->Effect(t));
        return true;
    }
    if (const int n = FFDLatticeSize(id)) {
        if (pb) DeformByLattice(pb, n, t, m);
        return true;
    }
    if (id == UVWMAP_MODIFIER_CLASS_ID || id == UNWRAP_UVW_MODIFIER_CLASS_ID) return true;
    // The editing and conversion modifiers deliver their own kind of object, whatever reached them.
    if (id == EDIT_MESH_MODIFIER_CLASS_ID || id == TURN_TO_MESH_MODIFIER_CLASS_ID) {
        poly = false;
        return true;
    }
    if (id == EDIT_POLY_MODIFIER_CLASS_ID || id == TURN_TO_POLY_MODIFIER_CLASS_ID) {
        poly = true;
        return true;
    }
    // The Morpher's channels hold weights and names but no target geometry here: nothing to blend toward.
    // Cloth keeps no simulated frames here (nothing runs a simulation), and an unsimulated Cloth delivers
    // its object as it reached it.
    if (id == MORPHER_MODIFIER_CLASS_ID || id == CLOTH_MODIFIER_CLASS_ID) return true;
    if (id == LINKED_XFORM_MODIFIER_CLASS_ID) {
        if (!mod->GetReference(mod->NumRefs() - 1)) return true;
        why = L"following its control node is not modelled in this host";
        return false;
    }
    if (!pb) {
        why = L"its effect on the mesh is not modelled in this host";
        return false;
    }
    if (id == DATA_CHANNEL_MODIFIER_CLASS_ID) {
        // Without operators the modifier passes its mesh on unchanged.
        const auto* dc = dynamic_cast<DataChannelModifier*>(mod);
        if (pb->GetInt(0, t) == 0 && (!dc || dc->GetOperators().empty())) return true;
        why = L"its operators are not modelled in this host";
        return false;
    }
    if (id == BEND_MODIFIER_CLASS_ID || id == TWIST_MODIFIER_CLASS_ID) {
        Deform d;
        if (!ReadDeform(pb, t, m, d, why)) return false;
        if (id == TWIST_MODIFIER_CLASS_ID) Twist(m, d);
        else Bend(m, d);
        return true;
    }
    if (id == TURBOSMOOTH_MODIFIER_CLASS_ID || id == MESHSMOOTH_MODIFIER_CLASS_ID) {
        const bool turbo = id == TURBOSMOOTH_MODIFIER_CLASS_ID;
        // MeshSmooth subdivides as TurboSmooth does with its NURMS method at full smoothness.
        if (!turbo && (pb->GetInt(0, t) != 0 || pb->GetFloat(4, t) != 1.0f)) {
            why = L"only the NURMS method at smoothness 1 is modelled in this host";
            return false;
        }
        const int iterations = pb->GetInt(turbo ? 0 : 3, t);
        for (int i = 0; i < iterations; ++i) m = m.Subdivided();
        poly = poly || turbo;
        return true;
    }
    if (id == SHELL_MODIFIER_CLASS_ID) {
        Shell(m, pb->GetFloat(0, t), pb->GetFloat(1, t), std::max(1, pb->GetInt(2, t)));
        return true;
    }
    if (id == SKIN_MODIFIER_CLASS_ID) {
        // Without bones the skin has nothing to deform by.
        if (pb->Count(5) == 0) return true;
        why = L"the deformation by its bones is not modelled in this host";
        return false;
    }
    why = L"its effect on the mesh is not modelled in this host";
    return false;
}
