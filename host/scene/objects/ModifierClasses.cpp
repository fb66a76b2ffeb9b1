// Built-in modifiers: Bend, Twist, TurboSmooth, MeshSmooth, Edit Poly, Edit Mesh, Turn to Mesh and Turn to
// Poly, UVW Map, Unwrap UVW, Shell, XForm, the FFD lattices, Skin and Morpher, and the modifier classes the
// plug-in tells apart by class id (Linked XForm, Cloth, Data Channel, Bevel Profile).
#include "host/scene/objects/BuiltinClasses.h"
#include "host/scene/objects/DataChannelModifier.h"
#include "host/scene/objects/FFDLattice.h"
#include "host/scene/objects/Morpher.h"
#include "host/scene/objects/XFormModifier.h"

#include <memory>

namespace {

ObjectClassDesc* Make(ObjectClassDef cls, ObjectClassDesc::Factory f = nullptr) {
    static std::vector<std::unique_ptr<ObjectClassDesc>> keep;
    keep.push_back(std::make_unique<ObjectClassDesc>(std::move(cls), f));
    return keep.back().get();
}

ObjectClassDef Osm(Class_ID id, const MCHAR* name, const MCHAR* script = L"",
                   const MCHAR* category = L"Parametric Deformers") {
    ObjectClassDef s;
    s.superClass = OSM_CLASS_ID;
    s.classId = id;
    s.className = name;
    s.scriptName = script;
    s.category = category;
    return s;
}

Animatable* CreateMorpher(ObjectClassDesc* cd, BOOL loading) {
    return new MorpherModifier(cd, loading);
}

Animatable* CreateDataChannel(ObjectClassDesc* cd, BOOL loading) {
    return new DataChannelModifier(cd, loading);
}

Animatable* CreateXForm(ObjectClassDesc* cd, BOOL loading) {
    return new XFormModifier(cd, loading);
}

// The deformers' shared layout: amount, direction or bias, axis and the optional limits.
std::vector<ParamDef> Deformer(const MCHAR* second) {
    return {MakeFloatParam(0, L"angle", 0.0f, TYPE_FLOAT),
            MakeFloatParam(1, second, 0.0f, TYPE_FLOAT),
            MakeIntParam(2, L"axis", 2, 0, 2),
            MakeBoolParam(3, L"limit", false),
            MakeFloatParam(4, L"upperlimit", 0.0f),
            MakeFloatParam(5, L"lowerlimit", 0.0f)};
}

} // namespace

const std::vector<ObjectClassDesc*>& ModifierClassDescs() {
    static const std::vector<ObjectClassDesc*> descs = [] {
        std::vector<ObjectClassDesc*> v;

        ObjectClassDef bend = Osm(BEND_MODIFIER_CLASS_ID, L"Bend");
        bend.params = Deformer(L"direction");
        v.push_back(Make(std::move(bend)));

        ObjectClassDef twist = Osm(TWIST_MODIFIER_CLASS_ID, L"Twist");
        twist.params = Deformer(L"bias");
        v.push_back(Make(std::move(twist)));

        ObjectClassDef ts = Osm(TURBOSMOOTH_MODIFIER_CLASS_ID, L"TurboSmooth", L"", L"Subdivision Surfaces");
        ts.params = {
            MakeIntParam(0, L"iterations", 1, 0, 10),       MakeBoolParam(1, L"useRenderIterations", false),
            MakeIntParam(2, L"renderIterations", 0, 0, 10), MakeBoolParam(3, L"isolineDisplay", false),
            MakeBoolParam(4, L"explicitNormals", false),    MakeBoolParam(5, L"smoothResult", true),
            MakeBoolParam(6, L"sepByMats", false),          MakeBoolParam(7, L"sepBySmGroups", false),
            MakeIntParam(8, L"updateMode", 0, 0, 2)};
        v.push_back(Make(std::move(ts)));

        ObjectClassDef ms = Osm(MESHSMOOTH_MODIFIER_CLASS_ID, L"MeshSmooth", L"meshsmooth", L"Subdivision Surfaces");
        // Methods: 0 NURMS, 1 classic, 2 quad output.
        ms.params = {MakeIntParam(0, L"subdivMethod", 0, 0, 2),       MakeBoolParam(1, L"applyToWholeMesh", true),
                     MakeBoolParam(2, L"isolineDisplay", false),       MakeIntParam(3, L"iterations", 1, 0, 10),
                     MakeFloatParam(4, L"smoothness", 1.0f, TYPE_FLOAT), MakeBoolParam(5, L"useRenderIterations", false),
                     MakeIntParam(6, L"renderIterations", 0, 0, 10),   MakeBoolParam(7, L"useRenderSmoothness", false),
                     MakeFloatParam(8, L"renderSmoothness", 1.0f, TYPE_FLOAT), MakeBoolParam(9, L"sepByMats", false),
                     MakeBoolParam(10, L"sepBySmGroups", false),       MakeBoolParam(11, L"keepFaces", false),
                     MakeIntParam(12, L"updateMode", 0, 0, 2)};
        v.push_back(Make(std::move(ms)));

        ObjectClassDef em = Osm(EDIT_MESH_MODIFIER_CLASS_ID, L"Edit Mesh", L"Edit_Mesh", L"Mesh Editing");
        em.localData = true;
        v.push_back(Make(std::move(em)));

        // Mapping types: 0 planar, 1 cylindrical, 2 spherical, 3 shrink wrap, 4 box, 5 face, 6 XYZ to UVW.
        ObjectClassDef uvw = Osm(UVWMAP_MODIFIER_CLASS_ID, L"UVW Map", L"Uvwmap", L"UV Coordinates");
        uvw.params = {MakeIntParam(0, L"maptype", 0, 0, 6),
                      MakeBoolParam(1, L"cap", false),
                      MakeFloatParam(2, L"utile", 1.0f, TYPE_FLOAT),
                      MakeFloatParam(3, L"vtile", 1.0f, TYPE_FLOAT),
                      MakeFloatParam(4, L"wtile", 1.0f, TYPE_FLOAT),
                      MakeBoolParam(5, L"uflip", false),
                      MakeBoolParam(6, L"vflip", false),
                      MakeBoolParam(7, L"wflip", false),
                      // 0: a map channel, 1: the vertex colour channel.
                      MakeIntParam(8, L"channel", 0, 0, 1),
                      MakeIntParam(9, L"mapChannel", 1, 1, 99),
                      MakeFloatParam(10, L"length", 1.0f),
                      MakeFloatParam(11, L"width", 1.0f),
                      MakeFloatParam(12, L"height", 1.0f),
                      MakeIntParam(13, L"axis", 2, 0, 2),
                      MakeBoolParam(14, L"realWorldMapSize", false)};
        v.push_back(Make(std::move(uvw)));

        ObjectClassDef unwrap = Osm(UNWRAP_UVW_MODIFIER_CLASS_ID, L"Unwrap UVW", L"Unwrap_UVW", L"UV Coordinates");
        unwrap.params = {MakeIntParam(0, L"mapChannel", 1, 0, 99), MakeBoolParam(1, L"preventReflattening", false),
                         MakeBoolParam(2, L"showMapSeams", true)};
        unwrap.localData = true;
        v.push_back(Make(std::move(unwrap)));

        ObjectClassDef shell = Osm(SHELL_MODIFIER_CLASS_ID, L"Shell", L"", L"Mesh Editing");
        shell.params = {MakeFloatParam(0, L"innerAmount", 0.0f),         MakeFloatParam(1, L"outerAmount", 1.0f),
                        MakeIntParam(2, L"segments", 1, 1, 100),          MakeBoolParam(3, L"bevelEdges", false),
                        MakeBoolParam(4, L"overrideInnerMatID", false),   MakeIntParam(5, L"matInnerID", 1, 1, 65535),
                        MakeBoolParam(6, L"overrideOuterMatID", false),   MakeIntParam(7, L"matOuterID", 1, 1, 65535),
                        MakeBoolParam(8, L"overrideMatID", false),        MakeIntParam(9, L"matID", 1, 1, 65535),
                        MakeBoolParam(10, L"autoSmooth", true),
                        MakeFloatParam(11, L"autoSmoothAngle", 0.785398f, TYPE_ANGLE),
                        MakeBoolParam(12, L"straightenCorners", false),   MakeBoolParam(13, L"selectEdges", false),
                        MakeBoolParam(14, L"selectInner", false),         MakeBoolParam(15, L"selectOuter", false)};
        v.push_back(Make(std::move(shell)));

        // The gizmo and centre controllers are the modifier's transform; it has no parameters of its own.
        ObjectClassDef xform = Osm(XFORM_MODIFIER_CLASS_ID, L"XForm", L"", L"Parametric Deformers");
        xform.numExtraRefs = 2;
        v.push_back(Make(std::move(xform), &CreateXForm));

        // Free-form lattices: deformation inside the volume (0) or of all vertices (1), falloff, the
        // tension and continuity of the lattice, and its control points.
        const struct {
            Class_ID id;
            const MCHAR* name;
            const MCHAR* script;
        } ffds[] = {{FFD2_MODIFIER_CLASS_ID, L"FFD 2x2x2", L"FFD_2x2x2"},
                    {FFD3_MODIFIER_CLASS_ID, L"FFD 3x3x3", L"FFD_3x3x3"},
                    {FFD4_MODIFIER_CLASS_ID, L"FFD 4x4x4", L"FFD_4x4x4"}};
        for (const auto& f : ffds) {
            ObjectClassDef ffd = Osm(f.id, f.name, f.script, L"Free Form Deformers");
            ffd.params = {MakeBoolParam(0, L"dispLattice", true),  MakeBoolParam(1, L"dispSource", false),
                          MakeIntParam(2, L"deformType", 0, 0, 1), MakeFloatParam(3, L"falloff", 0.0f, TYPE_FLOAT),
                          MakeFloatParam(4, L"tension", 25.0f, TYPE_FLOAT),
                          MakeFloatParam(5, L"continuity", 25.0f, TYPE_FLOAT)};
            ParamDef offsets = MakeParam(kFFDOffsetsParam, L"controlPointOffsets", TYPE_POINT3_TAB,
                                         PB2Value::Pt3(Point3()), P_ANIMATABLE);
            const int n = FFDLatticeSize(f.id);
            offsets.tab_size = n * n * n;
            ffd.params.push_back(offsets);
            v.push_back(Make(std::move(ffd)));
        }

        ObjectClassDef ep = Osm(EDIT_POLY_MODIFIER_CLASS_ID, L"Edit Poly", L"Edit_Poly", L"Mesh Editing");
        ep.params = {MakeBoolParam(0, L"useStackSelection", false),
                     MakeBoolParam(1, L"selectByVertex", false), MakeBoolParam(2, L"ignoreBackfacing", false),
                     MakeIntParam(3, L"animationMode", 0, 0, 1), MakeIntParam(4, L"selectMode", 0, 0, 2)};
        ep.localData = true;
        v.push_back(Make(std::move(ep)));

        v.push_back(Make(Osm(TURN_TO_MESH_MODIFIER_CLASS_ID, L"Turn to Mesh", L"Turn_to_Mesh", L"Mesh Editing")));
        v.push_back(Make(Osm(TURN_TO_POLY_MODIFIER_CLASS_ID, L"Turn to Poly", L"Turn_to_Poly", L"Mesh Editing")));

        ObjectClassDef skin = Osm(SKIN_MODIFIER_CLASS_ID, L"Skin", L"", L"Animation");
        skin.params = {MakeIntParam(0, L"bone_Limit", 20, 1, 20),
                       MakeBoolParam(1, L"always_deform", true),
                       MakeIntParam(2, L"ref_frame", 0, -100000, 100000),
                       MakeBoolParam(3, L"rigid_vertices", false),
                       MakeBoolParam(4, L"filter_vertices", false),
                       MakeParam(5, L"bones", TYPE_INODE_TAB, PB2Value(), 0)};
        skin.localData = true;
        v.push_back(Make(std::move(skin)));

        ObjectClassDef morpher = Osm(MORPHER_MODIFIER_CLASS_ID, L"Morpher", L"", L"Animation");
        v.push_back(Make(std::move(morpher), &CreateMorpher));

        // A modifier that moves its object with another node: the node is in its free slot.
        ObjectClassDef lx = Osm(LINKED_XFORM_MODIFIER_CLASS_ID, L"Linked XForm", L"Linked_XForm", L"Animation");
        lx.numExtraRefs = 1;
        lx.extraRefsWeak = true;
        v.push_back(Make(std::move(lx)));

        ObjectClassDef cloth = Osm(CLOTH_MODIFIER_CLASS_ID, L"Cloth", L"", L"Simulation");
        cloth.localData = true;
        v.push_back(Make(std::move(cloth)));

        ObjectClassDef dc = Osm(DATA_CHANNEL_MODIFIER_CLASS_ID, L"Data Channel", L"DataChannelModifier", L"Mesh Editing");
        dc.params = {MakeIntParam(0, L"operatorCount", 0, 0, 1000),
                     MakeBoolParam(1, L"displayOutput", false)};
        v.push_back(Make(std::move(dc), &CreateDataChannel));

        ObjectClassDef bp =
            Osm(BEVEL_PROFILE_MODIFIER_CLASS_ID, L"Bevel Profile", L"Bevel_Profile", L"Mesh Editing");
        bp.params = {MakeFloatParam(0, L"startOutline", 0.0f), MakeFloatParam(1, L"endOutline", 0.0f),
                     MakeIntParam(2, L"segments", 1, 1, 100)};
        bp.numExtraRefs = 1;
        v.push_back(Make(std::move(bp)));
        return v;
    }();
    return descs;
}
