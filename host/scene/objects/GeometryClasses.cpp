// Built-in geometry: the standard primitives with their real parameters, the target object, bones,
// the Boolean compound object, the particle source and the editable mesh and poly objects.
#include "host/scene/objects/BooleanObject.h"
#include "host/scene/objects/BuiltinClasses.h"
#include "host/scene/objects/EditableMesh.h"

#include <algorithm>
#include <memory>

namespace {

Animatable* CreateBoolean(ObjectClassDesc* cd, BOOL loading) {
    return new BooleanObject(cd, loading);
}

ObjectClassDesc* Make(ObjectClassDef cls, ObjectClassDesc::Factory f = nullptr) {
    // Built-in descriptors live as long as the process: the class directory points at them.
    static std::vector<std::unique_ptr<ObjectClassDesc>> keep;
    keep.push_back(std::make_unique<ObjectClassDesc>(std::move(cls), f));
    return keep.back().get();
}

Animatable* CreateEditableMesh(ObjectClassDesc* cd, BOOL loading) {
    return new EditableMeshObject(cd, loading, false);
}
Animatable* CreateEditablePoly(ObjectClassDesc* cd, BOOL loading) {
    return new EditableMeshObject(cd, loading, true);
}

// The slice settings the round primitives share.
void AddSlice(std::vector<ParamDef>& params, ParamID first) {
    params.push_back(MakeBoolParam(first, L"slice", false));
    params.push_back(MakeFloatParam(first + 1, L"sliceFrom", 0.0f, TYPE_ANGLE));
    params.push_back(MakeFloatParam(first + 2, L"sliceTo", 0.0f, TYPE_ANGLE));
}

// A box around the z axis from the largest radius of the named parameters, from 0 up to height (which
// may be negative).
// The bounds of a sphere whose radius is parameter 0.
Box3 SphereBox(IParamBlock2* pb, TimeValue t) {
    const float r = pb->GetFloat(0, t);
    return Box3(Point3(-r, -r, -r), Point3(r, r, r));
}

std::function<Box3(IParamBlock2*, TimeValue)> RoundBox(std::vector<ParamID> radii, int height) {
    return [radii, height](IParamBlock2* pb, TimeValue t) {
        float r = 0.0f;
        for (ParamID id : radii)
            r = std::max(r, std::abs(pb->GetFloat(id, t)));
        const float h = height >= 0 ? pb->GetFloat(static_cast<ParamID>(height), t) : 0.0f;
        return Box3(Point3(-r, -r, std::min(0.0f, h)), Point3(r, r, std::max(0.0f, h)));
    };
}

ObjectClassDef Geom(Class_ID id, const MCHAR* name, const MCHAR* category = L"Standard Primitives") {
    ObjectClassDef s;
    s.superClass = GEOMOBJECT_CLASS_ID;
    s.classId = id;
    s.className = name;
    s.category = category;
    return s;
}

ParamDef Segs(ParamID id, const MCHAR* name, int def, int low = 1) {
    return MakeIntParam(id, name, def, low, 200);
}

} // namespace

const std::vector<ObjectClassDesc*>& GeometryClassDescs() {
    static const std::vector<ObjectClassDesc*> descs = [] {
        std::vector<ObjectClassDesc*> v;

        ObjectClassDef box = Geom(BOX_OBJECT_CLASS_ID, L"Box");
        box.params = {MakeFloatParam(0, L"length", 25.0f),
                      MakeFloatParam(1, L"width", 25.0f),
                      MakeFloatParam(2, L"height", 25.0f),
                      Segs(3, L"widthsegs", 1),
                      Segs(4, L"lengthsegs", 1),
                      Segs(5, L"heightsegs", 1),
                      MakeBoolParam(6, L"mapcoords", false)};
        box.interfaces = {RWS_INTERFACE};
        box.boundBox = [](IParamBlock2* pb, TimeValue t) {
            const float l = pb->GetFloat(0, t), w = pb->GetFloat(1, t), h = pb->GetFloat(2, t);
            return Box3(Point3(-w / 2, -l / 2, 0.0f), Point3(w / 2, l / 2, h));
        };
        v.push_back(Make(std::move(box)));

        ObjectClassDef sphere = Geom(SPHERE_OBJECT_CLASS_ID, L"Sphere");
        sphere.params = {MakeFloatParam(0, L"radius", 25.0f),
                         Segs(1, L"segs", 32, 4),
                         MakeBoolParam(2, L"smooth", true),
                         MakeFloatParam(3, L"hemisphere", 0.0f, TYPE_FLOAT),
                         MakeIntParam(4, L"chop", 0, 0, 1),
                         MakeBoolParam(5, L"slice", false),
                         MakeFloatParam(6, L"sliceFrom", 0.0f, TYPE_ANGLE),
                         MakeFloatParam(7, L"sliceTo", 0.0f, TYPE_ANGLE),
                         MakeBoolParam(8, L"recenter", false),
                         MakeBoolParam(9, L"mapcoords", true)};
        sphere.interfaces = {RWS_INTERFACE};
        sphere.boundBox = SphereBox;
        v.push_back(Make(std::move(sphere)));

        ObjectClassDef cyl = Geom(CYLINDER_OBJECT_CLASS_ID, L"Cylinder");
        cyl.params = {MakeFloatParam(0, L"radius", 15.0f),
                      MakeFloatParam(1, L"height", 25.0f),
                      Segs(2, L"heightsegs", 5),
                      Segs(3, L"capsegs", 1),
                      Segs(4, L"sides", 18, 3),
                      MakeBoolParam(5, L"smooth", true),
                      MakeBoolParam(6, L"slice", false),
                      MakeFloatParam(7, L"sliceFrom", 0.0f, TYPE_ANGLE),
                      MakeFloatParam(8, L"sliceTo", 0.0f, TYPE_ANGLE),
                      MakeBoolParam(9, L"mapcoords", true)};
        cyl.interfaces = {RWS_INTERFACE};
        cyl.boundBox = [](IParamBlock2* pb, TimeValue t) {
            const float r = pb->GetFloat(0, t), h = pb->GetFloat(1, t);
            return Box3(Point3(-r, -r, 0.0f), Point3(r, r, h));
        };
        v.push_back(Make(std::move(cyl)));

        ObjectClassDef plane = Geom(PLANE_OBJECT_CLASS_ID, L"Plane");
        plane.params = {MakeFloatParam(0, L"length", 25.0f),
                        MakeFloatParam(1, L"width", 25.0f),
                        Segs(2, L"lengthsegs", 4),
                        Segs(3, L"widthsegs", 4),
                        MakeFloatParam(4, L"renderScale", 1.0f, TYPE_FLOAT),
                        MakeFloatParam(5, L"renderDensity", 1.0f, TYPE_FLOAT),
                        MakeBoolParam(6, L"mapcoords", true)};
        plane.interfaces = {RWS_INTERFACE};
        plane.boundBox = [](IParamBlock2* pb, TimeValue t) {
            const float l = pb->GetFloat(0, t), w = pb->GetFloat(1, t);
            return Box3(Point3(-w / 2, -l / 2, 0.0f), Point3(w / 2, l / 2, 0.0f));
        };
        v.push_back(Make(std::move(plane)));

        ObjectClassDef teapot = Geom(TEAPOT_OBJECT_CLASS_ID, L"Teapot");
        teapot.params = {MakeFloatParam(0, L"radius", 25.0f),  Segs(1, L"segs", 4),
                         MakeBoolParam(2, L"smooth", true),      MakeBoolParam(3, L"body", true),
                         MakeBoolParam(4, L"handle", true),      MakeBoolParam(5, L"spout", true),
                         MakeBoolParam(6, L"lid", true),         MakeBoolParam(7, L"mapcoords", true)};
        teapot.interfaces = {RWS_INTERFACE};
        teapot.boundBox = [](IParamBlock2* pb, TimeValue t) {
            // The spout reaches out to 1.7 radii, the lid up to 1.575.
            const float r = pb->GetFloat(0, t);
            return Box3(Point3(-1.5f * r, -r, 0.0f), Point3(1.7f * r, r, 1.575f * r));
        };
        v.push_back(Make(std::move(teapot)));

        ObjectClassDef torus = Geom(TORUS_OBJECT_CLASS_ID, L"Torus");
        torus.params = {MakeFloatParam(0, L"radius1", 25.0f),
                        MakeFloatParam(1, L"radius2", 10.0f),
                        MakeFloatParam(2, L"rotation", 0.0f, TYPE_ANGLE),
                        MakeFloatParam(3, L"twist", 0.0f, TYPE_ANGLE),
                        Segs(4, L"segs", 24, 3),
                        Segs(5, L"sides", 12, 3),
                        MakeIntParam(6, L"smooth", 2, 0, 3)};
        AddSlice(torus.params, 7);
        torus.params.push_back(MakeBoolParam(10, L"mapcoords", true));
        torus.interfaces = {RWS_INTERFACE};
        torus.boundBox = [](IParamBlock2* pb, TimeValue t) {
            const float r1 = pb->GetFloat(0, t), r2 = std::abs(pb->GetFloat(1, t));
            return Box3(Point3(-r1 - r2, -r1 - r2, -r2), Point3(r1 + r2, r1 + r2, r2));
        };
        v.push_back(Make(std::move(torus)));

        // The cone and the tube share their parameters; only the inner radius and the sides differ.
        const auto twoRadii = [&](Class_ID id, const wchar_t* name, float radius2, int sides) {
            ObjectClassDef def = Geom(id, name);
            def.params = {MakeFloatParam(0, L"radius1", 15.0f), MakeFloatParam(1, L"radius2", radius2),
                          MakeFloatParam(2, L"height", 25.0f),  Segs(3, L"heightsegs", 5),
                          Segs(4, L"capsegs", 1),               Segs(5, L"sides", sides, 3),
                          MakeBoolParam(6, L"smooth", true)};
            AddSlice(def.params, 7);
            def.params.push_back(MakeBoolParam(10, L"mapcoords", true));
            def.interfaces = {RWS_INTERFACE};
            def.boundBox = RoundBox({0, 1}, 2);
            v.push_back(Make(std::move(def)));
        };
        twoRadii(CONE_OBJECT_CLASS_ID, L"Cone", 0.0f, 24);
        twoRadii(TUBE_OBJECT_CLASS_ID, L"Tube", 10.0f, 18);

        ObjectClassDef geo = Geom(GEOSPHERE_OBJECT_CLASS_ID, L"GeoSphere");
        geo.params = {MakeFloatParam(0, L"radius", 25.0f),
                      Segs(1, L"segs", 4),
                      // 0 tetrahedron, 1 octahedron, 2 icosahedron.
                      MakeIntParam(2, L"baseType", 2, 0, 2),
                      MakeBoolParam(3, L"smooth", true),
                      MakeBoolParam(4, L"hemisphere", false),
                      MakeBoolParam(5, L"baseToPivot", false),
                      MakeBoolParam(6, L"mapcoords", true)};
        geo.interfaces = {RWS_INTERFACE};
        geo.boundBox = SphereBox;
        v.push_back(Make(std::move(geo)));

        ObjectClassDef pyramid = Geom(PYRAMID_OBJECT_CLASS_ID, L"Pyramid");
        pyramid.params = {MakeFloatParam(0, L"width", 25.0f), MakeFloatParam(1, L"depth", 25.0f),
                          MakeFloatParam(2, L"height", 25.0f), Segs(3, L"widthsegs", 1),
                          Segs(4, L"depthsegs", 1),           Segs(5, L"heightsegs", 1),
                          MakeBoolParam(6, L"mapcoords", true)};
        pyramid.interfaces = {RWS_INTERFACE};
        pyramid.boundBox = [](IParamBlock2* pb, TimeValue t) {
            const float w = pb->GetFloat(0, t), d = pb->GetFloat(1, t), h = pb->GetFloat(2, t);
            return Box3(Point3(-w / 2, -d / 2, 0.0f), Point3(w / 2, d / 2, h));
        };
        v.push_back(Make(std::move(pyramid)));

        // Editable meshes (triangles) and polys (faces of any degree): geometry of their own, no block.
        ObjectClassDef emesh = Geom(EDITABLE_MESH_CLASS_ID, L"Editable Mesh", L"");
        emesh.scriptName = L"Editable_mesh";
        emesh.isPublic = false;
        v.push_back(Make(std::move(emesh), &CreateEditableMesh));
        ObjectClassDef epoly = Geom(EDITABLE_POLY_CLASS_ID, L"Editable Poly", L"");
        epoly.scriptName = L"Editable_Poly";
        epoly.isPublic = false;
        v.push_back(Make(std::move(epoly), &CreateEditablePoly));

        // The object a target node carries (the look-at point of target lights and cameras).
        ObjectClassDef target = Geom(TARGET_OBJECT_CLASS_ID, L"Target", L"");
        target.scriptName = L"Targetobject";
        target.isPublic = false;
        v.push_back(Make(std::move(target)));

        ObjectClassDef bone = Geom(BONE_OBJECT_CLASS_ID, L"BoneGeometry", L"Systems");
        bone.params = {MakeFloatParam(0, L"width", 10.0f),
                       MakeFloatParam(1, L"height", 10.0f),
                       MakeFloatParam(2, L"taper", 90.0f, TYPE_PCNT_FRAC),
                       MakeFloatParam(3, L"length", 100.0f),
                       MakeBoolParam(4, L"sidefins", false),
                       MakeBoolParam(5, L"frontfin", false),
                       MakeBoolParam(6, L"backfin", false)};
        bone.blockName = L"BoneObjParams";
        v.push_back(Make(std::move(bone)));

        // The compound object: its operands are references of its own after the block.
        ObjectClassDef boolean = Geom(BOOLEAN_OBJECT_CLASS_ID, L"Boolean", L"Compound Objects");
        boolean.params = {MakeIntParam(0, L"displayMode", 0, 0, 1), MakeBoolParam(1, L"applyMaterial", true)};
        v.push_back(Make(std::move(boolean), &CreateBoolean));

        // A particle flow source: a particle system whose animation the host drives (no whole copy). It
        // heads its flow through one weak reference slot, the node of the first event.
        ObjectClassDef pf = Geom(PF_SOURCE_CLASS_ID, L"PF Source", L"Particle Systems");
        pf.scriptName = L"PF_Source";
        pf.params = {
            MakeParam(0, L"quantityViewport", TYPE_PCNT_FRAC, PB2Value::Float(50.0f), P_RESET_DEFAULT),
            MakeParam(1, L"quantityRender", TYPE_PCNT_FRAC, PB2Value::Float(100.0f), P_RESET_DEFAULT),
            MakeBoolParam(2, L"enableParticles", true)};
        pf.canCopyAnim = FALSE;
        pf.particleSystem = true;
        pf.numExtraRefs = 1;
        pf.extraRefsWeak = true;
        v.push_back(Make(std::move(pf)));
        return v;
    }();
    return descs;
}
