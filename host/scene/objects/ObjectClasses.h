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
// Helpers.
constexpr Class_ID DUMMY_HELPER_CLASS_ID(0x876234, 0);
constexpr Class_ID POINT_HELPER_CLASS_ID(0x2013, 0);
constexpr Class_ID NODE_SET_HELPER_CLASS_ID(0x4E0D5E70, 0x1A2B3C4D);
// Lights and cameras.
constexpr Class_ID OMNI_LIGHT_CLASS_ID(0x1011, 0);
constexpr Class_ID TARGET_SPOT_LIGHT_CLASS_ID(0x1012, 0);
constexpr Class_ID FREE_CAMERA_CLASS_ID(0x1001, 0);
// Shapes.
constexpr Class_ID TEXT_SHAPE_CLASS_ID(0x1993, 0);
// Modifiers.
constexpr Class_ID BEND_MODIFIER_CLASS_ID(0x10, 0);
constexpr Class_ID TWIST_MODIFIER_CLASS_ID(0x90, 0);
// Nothing the plug-in tests fixes this one: the value is this host's own.
constexpr Class_ID TURBOSMOOTH_MODIFIER_CLASS_ID(0x5D6A3E1F, 0x1C6B4C02);
constexpr Class_ID EDIT_POLY_MODIFIER_CLASS_ID(0x79AA6E1D, 0x71A075B7);
constexpr Class_ID SKIN_MODIFIER_CLASS_ID(0x0095C723, 0x00015666);
constexpr Class_ID MORPHER_MODIFIER_CLASS_ID(0x17BB6854, 0xA5CBA2A3);

// One parameter of an older-style block (lights and cameras): its name (the owner answers
// REFMSG_GET_PARAM_NAME with it), its type and its default.
struct Pb1ParamDef {
    MSTR name;
    int type = TYPE_FLOAT_PB1;
    bool animatable = true;
    float f = 0.0f; // float, int and bool defaults
    Point3 p;       // rgba and point3 defaults
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
