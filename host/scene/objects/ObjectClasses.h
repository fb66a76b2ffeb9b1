// The host's built-in object and modifier classes by class id, the class descriptor that makes any of
// them (or a generic class configured by a test: super class, class id, name, block layout, references,
// capability answers), their registration and the catalogue by class name that scripts create from.
#pragma once

#include "host/core/ClassDesc.h"
#include "host/scene/IParamBlock.h"
#include "host/scene/IParamBlock2.h"
#include "host/scene/Object.h"

#include <functional>
#include <memory>
#include <vector>

// Geometry.
constexpr Class_ID BOX_OBJECT_CLASS_ID(0x10, 0);
constexpr Class_ID SPHERE_OBJECT_CLASS_ID(0x11, 0);
constexpr Class_ID CYLINDER_OBJECT_CLASS_ID(0x12, 0);
constexpr Class_ID PLANE_OBJECT_CLASS_ID(0x081F1DFC, 0x77566F65);
constexpr Class_ID TARGET_OBJECT_CLASS_ID(0x1020, 0);
constexpr Class_ID BONE_OBJECT_CLASS_ID(0x28BF6E8D, 0x2ECCA840);
constexpr Class_ID BOOLEAN_OBJECT_CLASS_ID(0x7BC209AF, 0x01BBAC5F);
constexpr Class_ID PF_SOURCE_CLASS_ID(0x50320C9A, 0);
constexpr Class_ID TEAPOT_OBJECT_CLASS_ID(0xACAD13D3, 0xACAD26D9);
constexpr Class_ID TORUS_OBJECT_CLASS_ID(0x20, 0);
constexpr Class_ID CONE_OBJECT_CLASS_ID(0xA86C23DD, 0);
constexpr Class_ID TUBE_OBJECT_CLASS_ID(0x7B21, 0);
constexpr Class_ID GEOSPHERE_OBJECT_CLASS_ID(0, 32670);
constexpr Class_ID PYRAMID_OBJECT_CLASS_ID(0x76BF318A, 0x4BF37B10);
// Editable meshes and polys: the objects conversions and snapshots make.
constexpr Class_ID EDITABLE_MESH_CLASS_ID(0xE44F10B3, 0);
constexpr Class_ID EDITABLE_POLY_CLASS_ID(0x1BF8338D, 0x192F6098);
// Helpers.
constexpr Class_ID DUMMY_HELPER_CLASS_ID(0x876234, 0);
constexpr Class_ID POINT_HELPER_CLASS_ID(0x2013, 0);
constexpr Class_ID NODE_SET_HELPER_CLASS_ID(0x4E0D5E70, 0x1A2B3C4D);
// Lights and cameras.
constexpr Class_ID OMNI_LIGHT_CLASS_ID(0x1011, 0);
constexpr Class_ID TARGET_SPOT_LIGHT_CLASS_ID(0x1012, 0);
constexpr Class_ID DIRECTIONAL_LIGHT_CLASS_ID(0x1013, 0);
constexpr Class_ID FREE_SPOT_LIGHT_CLASS_ID(0x1014, 0);
constexpr Class_ID TARGET_DIRECTIONAL_LIGHT_CLASS_ID(0x1015, 0);
constexpr Class_ID FREE_CAMERA_CLASS_ID(0x1001, 0);
constexpr Class_ID TARGET_CAMERA_CLASS_ID(0x1002, 0);
// Shapes.
constexpr Class_ID TEXT_SHAPE_CLASS_ID(0x1993, 0);
constexpr Class_ID LINE_SHAPE_CLASS_ID(0x2015, 0); // editable splines
constexpr Class_ID NGON_SHAPE_CLASS_ID(0x1992, 0);
constexpr Class_ID RECTANGLE_SHAPE_CLASS_ID(0x1994, 0);
constexpr Class_ID STAR_SHAPE_CLASS_ID(0x1995, 0);
constexpr Class_ID HELIX_SHAPE_CLASS_ID(0x1996, 0);
constexpr Class_ID ARC_SHAPE_CLASS_ID(0x1997, 0);
constexpr Class_ID DONUT_SHAPE_CLASS_ID(0x1998, 0);
constexpr Class_ID CIRCLE_SHAPE_CLASS_ID(0x1999, 0);
constexpr Class_ID ELLIPSE_SHAPE_CLASS_ID(0x199A, 0);
// Modifiers.
constexpr Class_ID BEND_MODIFIER_CLASS_ID(0x10, 0);
constexpr Class_ID TWIST_MODIFIER_CLASS_ID(0x90, 0);
// Nothing the plug-in tests fixes this one: the value is this host's own.
constexpr Class_ID TURBOSMOOTH_MODIFIER_CLASS_ID(0x5D6A3E1F, 0x1C6B4C02);
constexpr Class_ID EDIT_POLY_MODIFIER_CLASS_ID(0x79AA6E1D, 0x71A075B7);
constexpr Class_ID SKIN_MODIFIER_CLASS_ID(0x0095C723, 0x00015666);
constexpr Class_ID MORPHER_MODIFIER_CLASS_ID(0x17BB6854, 0xA5CBA2A3);
constexpr Class_ID UVWMAP_MODIFIER_CLASS_ID(0xF72B1, 0);
constexpr Class_ID UNWRAP_UVW_MODIFIER_CLASS_ID(0x02DF2E3A, 0x72BA4E1F);
constexpr Class_ID EDIT_MESH_MODIFIER_CLASS_ID(0x50, 0);
constexpr Class_ID XFORM_MODIFIER_CLASS_ID(0x25215824, 0);
// Nothing the plug-in tests fixes these: the values are this host's own.
constexpr Class_ID SHELL_MODIFIER_CLASS_ID(0x31F9C666, 0x03B4A577);
constexpr Class_ID MESHSMOOTH_MODIFIER_CLASS_ID(0x2A6B2F6D, 0x4E1F7A30);
constexpr Class_ID LINKED_XFORM_MODIFIER_CLASS_ID(0xC4D33, 0);
constexpr Class_ID DATA_CHANNEL_MODIFIER_CLASS_ID(0xE11, 0);
constexpr Class_ID CLOTH_MODIFIER_CLASS_ID(0x67C1CD47, 0x7782F878);
constexpr Class_ID BEVEL_PROFILE_MODIFIER_CLASS_ID(0x7A4202D0, 0x11961722);
constexpr Class_ID TURN_TO_MESH_MODIFIER_CLASS_ID(0x2D3C6E91, 0x5A0B43F7);
constexpr Class_ID TURN_TO_POLY_MODIFIER_CLASS_ID(0x2D3C6E92, 0x5A0B43F7);
constexpr Class_ID FFD2_MODIFIER_CLASS_ID(0x21325596, 0x2CD6DE92);
constexpr Class_ID FFD3_MODIFIER_CLASS_ID(0x21325596, 0x2CD6DE93);
constexpr Class_ID FFD4_MODIFIER_CLASS_ID(0x21325596, 0x2CD6DE94);

// One parameter of an older-style block (lights and cameras): its name (the owner answers
// REFMSG_GET_PARAM_NAME with it), its type and its default.
struct Pb1ParamDef {
    MSTR name;
    int type = TYPE_FLOAT_PB1;
    bool animatable = true;
    float f = 0.0f; // float, int and bool defaults
    Point3 p;       // rgba and point3 defaults
    // The name scripts use when it is not the display name made one word ("farAttenEnd"), and whether
    // scripts read the float in degrees (the block holds radians).
    MSTR scriptName = MSTR();
    bool angle = false;
};

// Everything that makes a class: identity, names, block layout, references and capability answers.
struct ObjectClassDef {
    SClass_ID superClass = GEOMOBJECT_CLASS_ID;
    Class_ID classId;
    MSTR className;
    // The script-visible name when it differs from the class name.
    MSTR scriptName;
    MSTR category = L"Standard";
    bool isPublic = true;

    // Parameter block 2 (reference 0, block id 0) when there are parameters: the descriptor's internal
    // name and the parameters.
    MSTR blockName = L"Parameters";
    std::vector<ParamDef> params;
    // An older-style block in reference 0 instead (when non-empty).
    std::vector<Pb1ParamDef> pb1Params;

    // Reference slots after the block, free for any target (a node, another scene item). Weak ones keep
    // nothing alive.
    int numExtraRefs = 0;
    bool extraRefsWeak = false;
    // Objects: node lists of their own (Object::GetOwnNodeList), saved with the object.
    int nodeLists = 0;

    // Capability answers (Animatable::CanCopyAnim, Animatable::CanCopyTrack) and interfaces answered by
    // GetInterface(Interface_ID) (each as a bare interface with that id; RWS_INTERFACE as a working one).
    BOOL canCopyAnim = TRUE;
    BOOL canCopyTrack = FALSE;
    std::vector<Interface_ID> interfaces;
    // Objects: Object::IsParticleSystem.
    bool particleSystem = false;
    // Lights and cameras made with a target node that they look at.
    bool targeted = false;
    // Objects: the object-space box from the block's values (none: empty box).
    std::function<Box3(IParamBlock2* pb, TimeValue t)> boundBox;
    // Modifiers: each application gets local data when first evaluated, as modifiers that keep
    // per-application data (skinning, poly editing) do.
    bool localData = false;
};

// The descriptor of every class made from a definition. Create(FALSE) builds the block with its defaults;
// Create(TRUE) leaves the references empty for the scene reader.
class ObjectClassDesc : public ClassDesc2 {
public:
    using Factory = Animatable* (*)(ObjectClassDesc* cd, BOOL loading);
    // Without a factory the instance is the generic class of the definition's super class.
    explicit ObjectClassDesc(ObjectClassDef cls, Factory factory = nullptr);
    ~ObjectClassDesc() override;

    int IsPublic() override { return def_.isPublic ? 1 : 0; }
    void* Create(BOOL loading = FALSE) override;
    const MCHAR* ClassName() override { return def_.className.c_str(); }
    SClass_ID SuperClassID() override { return def_.superClass; }
    Class_ID ClassID() override { return def_.classId; }
    const MCHAR* Category() override { return def_.category.c_str(); }
    const MCHAR* InternalName() override {
        return def_.scriptName.isNull() ? nullptr : def_.scriptName.c_str();
    }

    const ObjectClassDef& Def() const { return def_; }
    // The block layout, null when the class has no parameter block 2.
    ParamBlockDesc2* BlockDesc() const { return pbDesc_.get(); }
    // The older block's layout (empty when none).
    const std::vector<ParamBlockDesc>& Pb1Layout() const { return pb1Layout_; }

private:
    ObjectClassDef def_;
    Factory factory_;
    std::unique_ptr<ParamBlockDesc2> pbDesc_;
    std::vector<ParamBlockDesc> pb1Layout_;
};

// Registers every built-in class (and the derived objects) with the class directory. Idempotent, also
// after the directory was cleared.
void RegisterObjectClasses();
// Registers a generic class made from a definition (a test's "a Skin-like modifier", "a particle source",
// ...) and returns its descriptor, which lives for the rest of the process. A class already registered under
// the same super class and class id is not replaced: its descriptor is returned when it is one of these,
// otherwise MAXException is thrown.
ObjectClassDesc* RegisterGenericObjectClass(const ObjectClassDef& cls);

// The catalogue scripts create from: class name or script name (case-insensitive) -> identity.
struct ObjectCatalogEntry {
    SClass_ID superClass;
    Class_ID classId;
    MSTR className;
    MSTR scriptName;
};
const ObjectCatalogEntry* FindObjectClassByName(const MCHAR* name);
// Every entry, in registration order.
const std::vector<ObjectCatalogEntry>& ObjectCatalog();
// A new instance of the named class (null when the name is unknown or its class is not registered).
ReferenceTarget* CreateObjectByName(const MCHAR* name);

// Parameter definitions for class definitions, shortened.
ParamDef MakeParam(ParamID id, const MCHAR* name, int type, PB2Value def, int flags = P_ANIMATABLE);
ParamDef MakeFloatParam(ParamID id, const MCHAR* name, float def, int type = TYPE_WORLD);
ParamDef MakeIntParam(ParamID id, const MCHAR* name, int def, int low, int high);
ParamDef MakeBoolParam(ParamID id, const MCHAR* name, bool def);
