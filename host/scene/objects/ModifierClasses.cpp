// Built-in modifiers: Bend, Twist, TurboSmooth, Edit Poly, Skin and Morpher, and the modifier classes
// the plug-in tells apart by class id (Linked XForm, Cloth, Data Channel, Bevel Profile).
#include "host/scene/objects/BuiltinClasses.h"
#include "host/scene/objects/Morpher.h"

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

        ObjectClassDef ep = Osm(EDIT_POLY_MODIFIER_CLASS_ID, L"Edit Poly", L"Edit_Poly", L"Mesh Editing");
        ep.params = {MakeBoolParam(0, L"useStackSelection", false),
                     MakeBoolParam(1, L"selectByVertex", false), MakeBoolParam(2, L"ignoreBackfacing", false),
                     MakeIntParam(3, L"animationMode", 0, 0, 1), MakeIntParam(4, L"selectMode", 0, 0, 2)};
        ep.localData = true;
        v.push_back(Make(std::move(ep)));

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
        ObjectClassDef lx = Osm(Class_ID(0xC4D33, 0), L"Linked XForm", L"Linked_XForm", L"Animation");
        lx.numExtraRefs = 1;
        lx.extraRefsWeak = true;
        v.push_back(Make(std::move(lx)));

        ObjectClassDef cloth = Osm(Class_ID(0x67C1CD47, 0x7782F878), L"Cloth", L"", L"Simulation");
        cloth.localData = true;
        v.push_back(Make(std::move(cloth)));

        ObjectClassDef dc = Osm(Class_ID(0xE11, 0), L"Data Channel", L"DataChannelModifier", L"Mesh Editing");
        dc.params = {MakeIntParam(0, L"operatorCount", 0, 0, 1000),
                     MakeBoolParam(1, L"displayOutput", false)};
        v.push_back(Make(std::move(dc)));

        ObjectClassDef bp =
            Osm(Class_ID(0x7A4202D0, 0x11961722), L"Bevel Profile", L"Bevel_Profile", L"Mesh Editing");
        bp.params = {MakeFloatParam(0, L"startOutline", 0.0f), MakeFloatParam(1, L"endOutline", 0.0f),
                     MakeIntParam(2, L"segments", 1, 1, 100)};
        bp.numExtraRefs = 1;
        v.push_back(Make(std::move(bp)));
        return v;
    }();
    return descs;
}
