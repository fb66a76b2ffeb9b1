// The kind rule, the mirror factory and the walk width.
#include "plugin/anims/MirrorKindSelection.h"

#include "host/core/PlugApi.h"
#include "host/scene/Control.h"
#include "host/scene/CustAttrib.h"
#include "host/scene/IDerivedObject.h"
#include "host/scene/INode.h"
#include "host/scene/IParamBlock2.h"
#include "host/scene/Object.h"
#include "host/scene/ParticleFlow.h"
#include "plugin/anims/IKGuard.h"
#include "plugin/anims/MirrorKinds.h"
#include "plugin/anims/RefAnimBlockKinds.h"
#include "plugin/anims/RefAnimControllerKinds.h"
#include "plugin/anims/RefAnimPath.h"
#include "plugin/anims/RefAnimMaterialKinds.h"
#include "plugin/anims/RefAnimModifierKinds.h"
#include "plugin/anims/RefAnimObjectKinds.h"
#include "plugin/anims/RefAnimParticleKinds.h"
#include "plugin/anims/RefAnimRefKinds.h"
#include "plugin/anims/RefAnimRigKinds.h"

#include <algorithm>
#include <cstdint>
#include <span>

namespace {

// Interfaces the rule asks for.
constexpr Interface_ID CAT_CONTROL_INTERFACE(0x00D83DC1, 0x4C851B6C);
constexpr Interface_ID ANIM_LAYER_CONTROL_INTERFACE(0x434D7627, 0xA25E6E26);
constexpr Interface_ID REFERENCING_CONTROL_INTERFACE(0x25CE0F5C, 0x6C303D2F);

// Classes a rule (not only a table) names.
constexpr Class_ID NEVER_MIRRORED_CLASS_ID(0xFFFFFFFF, 0);
constexpr Class_ID IK_CONTROL_CLASS_ID(0x0E6F5815, 0x717F99A4);
constexpr Class_ID IK_CHAIN_CONTROL_CLASS_ID(0xBE380A31, 0x310DC9E4);
constexpr Class_ID XREF_CONTROL_CLASS_ID(0x32FB4637, 0x65FD482B);
constexpr Class_ID CAT_PARENT_CONTROL_CLASS_ID(0x022D5030, 0x4344191C);
constexpr Class_ID PRS_CONTROL_CLASS_ID(0x2005, 0);
constexpr Class_ID PRS_RIG_OWNER_CLASS_ID(0x18D026A1, 0x347D1CF3);
constexpr Class_ID LINK_TM_CONTROL_CLASS_ID(0x615B56E4, 0x5F0E6032);
constexpr Class_ID POINT3_XYZ_CONTROL_CLASS_ID(0x118F7E02, 0xFEEE238B);
constexpr Class_ID PARTICLE_OWNER_CLASS_ID(0x848361CB, 0x913CC083);
constexpr Class_ID PF_SOURCE_OBJECT_CLASS_ID(0x50320C9A, 0);
constexpr Class_ID PF_EVENT_HELPER_CLASS_ID(0x74F93B03, 0x1EB34300);
constexpr Class_ID MORPHER_CLASS_ID(0x17BB6854, 0xA5CBA2A3);
constexpr Class_ID LINK_CONTROL_CLASS_ID(0x873FE764, 0xAABE8601);
constexpr Class_ID SWITCHED_FLOAT_CLASS_ID(0x094E2D9C, 0x02C702B5);
constexpr ParamID SWITCHED_FLOAT_STATES_PARAM = 7;

// "Not in the table": distinct from every kind id, 0 included.
constexpr DWORD kNoRow = 0xFFFFFFFF;

struct KindRow {
    Class_ID cls;
    DWORD kind;
};

DWORD Lookup(std::span<const KindRow> rows, const Class_ID& cls) {
    for (const KindRow& r : rows)
        if (r.cls == cls) return r.kind;
    return kNoRow;
}

bool InList(std::span<const Class_ID> list, const Class_ID& cls) {
    return std::find(list.begin(), list.end(), cls) != list.end();
}

// ---- Tables of the rule, by super class ------------------------------------------------------------------

const KindRow kMaterialRows[] = {
    {{0x200, 0}, KIND_MULTI_SUB_MTL},
    {{0x4B9937E0, 0x3A1C3DA4}, KIND_WITH_REFS},
    {{0x272C0D4B, 0x432A414B}, KIND_XREF},
};

const KindRow kTexmapRows[] = {
    {{0x4C693CD7, 0x05FC76AC}, KIND_PLAIN},
    {{0x6EC3730C, 0}, KIND_WITH_REFS},
};

const KindRow kSpaceWarpObjectRows[] = {
    {{0x67EA40B3, 0xFE7A30C4}, KIND_POINT_OBJ},
    {{0xFA4700BE, 0xBBE85051}, KIND_POINT_OBJ},
};

const KindRow kObjectModifierRows[] = {
    // Modifiers that deform points.
    {{0x79AA6E1D, 0x71A075B7}, KIND_POINT_MOD},
    {{0x4DBE3132, 0x614357B9}, KIND_POINT_MOD},
    {{0x60, 0}, KIND_POINT_MOD},
    {{0x02DF2E3A, 0x72BA4E1F}, KIND_POINT_MOD},
    {{0x7CE5206B, 0x31181505}, KIND_POINT_MOD},
    {{0x19592732, 0x03407A7A}, KIND_POINT_MOD},
    {{0x73D8FF93, 0}, KIND_POINT_MOD},
    {{0x53446, 0x7145}, KIND_POINT_MOD},
    {{0x98F37A63, 0x3FFE9BCA}, KIND_POINT_MOD},
    {{0x8AB36CC5, 0x82D7FE74}, KIND_POINT_MOD},
    {{0x21325596, 0x2CD10BD8}, KIND_POINT_MOD},
    {{0x21325596, 0x2CD10BD9}, KIND_POINT_MOD},
    {{0x21325596, 0x2CD10BD0}, KIND_POINT_MOD},
    {{0x70, 0}, KIND_POINT_MOD},
    {{0x4AA52AE3, 0x35CA1CDE}, KIND_POINT_MOD},
    {{0x50, 0}, KIND_POINT_MOD},
    // Kinds of their own.
    {{0x0095C723, 0x00015666}, KIND_SKIN},
    {{0x17BB6854, 0xA5CBA2A3}, KIND_MORPHER},
    {{0xC4D33, 0}, KIND_LINKED_XFORM},
    {{0x67C1CD47, 0x7782F878}, KIND_CLOTH},
    {{0x0EE23DE9, 0xFA432946}, KIND_CLOTH},
    {{0x7A4202D0, 0x11961722}, KIND_BEVEL_PROFILE},
    {{0x270F1FE3, 0x03B14999}, KIND_LOC_DEP},
    {{0xE11, 0}, KIND_DATA_CHANNEL},
    {{0x100, 0}, KIND_WITH_REFS_MOD},
};

const KindRow kWorldModifierRows[] = {
    {{0x370F1FE3, 0x03B14999}, KIND_LOC_DEP},
};

const KindRow kRefTargetRows[] = {
    {{0x46D56AA8, 0x1A0703D4}, KIND_PLAIN},
};

const KindRow kRefMakerRows[] = {
    {{0x4096218C, 0x1BB8133C}, KIND_PLAIN_FLAGGED},
    {{0x4DDC1551, 0x118452EB}, KIND_PLAIN_FLAGGED},
    {{0x5DDB3626, 0x23B708DB}, KIND_DESCEND_ONLY},
    {{0x5F2D3A0A, 0x4BE75269}, KIND_WITH_REFS},
    {{0x14585773, 0x483A7DCF}, KIND_NEVER},
};

const KindRow kGeomObjectRows[] = {
    {{0x1BF8338D, 0x192F6098}, KIND_POINT_OBJ},
    {{0xE44F10B3, 0}, KIND_POINT_OBJ},
    {{0x1030, 0}, KIND_POINT_OBJ},
    {{0x76A11646, 0x12A822FB}, KIND_POINT_OBJ},
    {{0x87D987F4, 0xBE7C7E52}, KIND_POINT_OBJ},
    {{0x28BF6E8D, 0x2ECCA840}, KIND_LOC_DEP},
    {{0x2A730CDB, 0x746B394F}, KIND_LOC_DEP},
    {{0x2A723864, 0x7F603F64}, KIND_LOC_DEP},
    {{0x7DEE4CF0, 0x50E728B9}, KIND_LOC_DEP},
    {{0xA4E83C21, 0x5F7B092D}, KIND_LOC_DEP},
    {{0x3F2A6C11, 0x1B7E40D5}, KIND_LOC_DEP},
    {{0x9125, 0}, KIND_UNDECIDED},
    {{0x2E6A0C09, 0x43D5C9C0}, KIND_UNDECIDED},
    {{0x73DC4833, 0x65C93CAA}, KIND_UNDECIDED},
    {{0x7BC209AF, 0x01BBAC5F}, KIND_BOOLEAN},
    {{0x5C2417BD, 0x44050964}, KIND_INDEP_REFS},
    {{0x42567B96, 0x4E9C1AED}, KIND_INDEP_REFS},
    {{0x6A877C03, 0x67947186}, KIND_INDEP_REFS},
    {{0x31CEA620, 0x2257F993}, KIND_INDEP_REFS},
    {{0x1D121A84, 0x64994009}, KIND_INDEP_REFS},
    {{0x10B0, 0}, KIND_INDEP_REFS},
    {{0x367E33EF, 0x07C0670C}, KIND_INDEP_REFS},
    {{0x51DB4F2F, 0x1C596B1A}, KIND_INDEP_REFS},
    {{0x1AB13757, 0x12365B98}, KIND_INDEP_REFS},
    {{0x6C3600A5, 0x11634EB8}, KIND_TEXT_PLUS},
    {{0x74F93B02, 0x1EB34300}, KIND_NEVER},
    {{0x79FE41C2, 0x1D7B4FB1}, KIND_FOREST},
    {{0x39712DEF, 0x10A72959}, KIND_RAIL_CLONE},
};

const KindRow kLightRows[] = {
    {{0x27D93542, 0x76F965B2}, KIND_PLAIN},
};

const KindRow kShapeRows[] = {
    {{0x76A11646, 0x12A822FB}, KIND_POINT_OBJ},
    {{0x1040, 0}, KIND_POINT_OBJ},
    {{0x1993, 0}, KIND_TEXT},
    {{0x6B963D5F, 0x6E243528}, KIND_BOOLEAN},
};

const KindRow kHelperRows[] = {
    {{0x74F93B07, 0x1EB34300}, KIND_NEVER},
    {{0x74F93B01, 0x1EB34300}, KIND_NEVER},
    {{0x2013, 0}, KIND_LOC_DEP},
    {{0x876234, 0}, KIND_LOC_DEP},
    {{0x6E34B493, 0xE3C48E41}, KIND_CONTAINER},
};

const KindRow kSystemRows[] = {
    {{0x92AAB38C, 0}, KIND_XREF},
};

const KindRow kOtherSuperClassRows[] = {
    {{0x1200, 0}, KIND_NEVER},
    {{0x100, 0}, KIND_WITH_REFS},
};

// Controllers that pass the controller test, by super class.
const KindRow kFloatControlRows[] = {
    {{0xFF5826DB, 0}, KIND_WITH_REFS},
    {{0x717D7D1F, 0x124C173B}, KIND_REACTION},
    {{0x87A6DF24, 0}, KIND_INDEP_REFS},
    {{0x17127E3E, 0}, KIND_LOC_DEP},
    {{0x742D30AC, 0x37984F09}, KIND_DESCEND_ONLY},
    {{0x43BF76AC, 0x60AB5707}, KIND_DESCEND_ONLY},
    {{0x4CEB45BD, 0x0B9C062E}, KIND_DESCEND_ONLY},
    {{0x507514E5, 0x30B07FAD}, KIND_DESCEND_ONLY},
    {{0x0EC62904, 0x185A28DC}, KIND_DESCEND_ONLY},
    {{0x453F7278, 0x4B8E1DFD}, KIND_DESCEND_ONLY},
    {{0x74B50FD8, 0x07AD665E}, KIND_DESCEND_ONLY},
    {{0x04A420B7, 0x7A142AEE}, KIND_DESCEND_ONLY},
    {{0x0B5E496B, 0x15363635}, KIND_DESCEND_ONLY},
    {{0x46606ABF, 0x002D3676}, KIND_DESCEND_ONLY},
    {{0x40534BDC, 0x3AE34B58}, KIND_DESCEND_ONLY},
    {{0x265E07A8, 0x0D281541}, KIND_DESCEND_ONLY},
    {{0x2A234435, 0x750465F5}, KIND_DESCEND_ONLY},
    {{0x63785366, 0x6D970288}, KIND_DESCEND_ONLY},
    {{0x18E02664, 0x21D309C3}, KIND_DESCEND_ONLY},
    {{0x094E2D9C, 0x02C702B5}, KIND_DESCEND_ONLY},
    {{0x7FA7544B, 0x711A51EA}, KIND_NEVER},
    {{0x7C125BF5, 0x3A880ECE}, KIND_NEVER},
};

// A point3 XYZ controller is only descended into when its third sub-controller is one of these.
const Class_ID kPoint3DrivenThirdSubs[] = {
    {0x0EC62904, 0x185A28DC}, {0x74B50FD8, 0x07AD665E}, {0x04A420B7, 0x7A142AEE}, {0x40534BDC, 0x3AE34B58},
    {0x2A234435, 0x750465F5}, {0x63785366, 0x6D970288}, {0x7FA7544B, 0x711A51EA},
};

const KindRow kPoint3ControlRows[] = {
    {{0x19080908, 0x3B617839}, KIND_REACTION},
    {{0x87A6DF26, 0}, KIND_INDEP_REFS},
    {{0x275C1AC1, 0x08B45EE2}, KIND_DESCEND_ONLY},
    {{0xFF4826DC, 0}, KIND_WITH_REFS},
};

const KindRow kMatrix3ControlRows[] = {
    {{0x873FE764, 0xAABE8601}, KIND_LINK_CTRL},
    {{0x2006, 0}, KIND_INDEP_REFS},
    {{0x32FB4637, 0x65FD482B}, KIND_XREF},
    {{0x1EDD686D, 0x45A56EB3}, KIND_NEVER},
    {{0x2DE70807, 0x3973713A}, KIND_NEVER},
    {{0x6E341CBA, 0x6F9C52CA}, KIND_LOC_DEP},
};

const KindRow kPositionControlRows[] = {
    {{0x118F7E02, 0xFFEE238A}, KIND_LOC_DEP},
    {{0x2019, 0}, KIND_CONSTRAINT},
    {{0x2011, 0}, KIND_CONSTRAINT},
    {{0x7AC5CAE4, 0x904A56B3}, KIND_REACTION},
    {{0x87A6DF25, 0}, KIND_INDEP_REFS},
    {{0xE8334011, 0xAEB330C8}, KIND_WITH_REFS},
    {{0xFF8826DE, 0}, KIND_WITH_REFS},
    {{0x79697D2A, 0xF2B8A1C8}, KIND_WITH_REFS},
};

const KindRow kRotationControlRows[] = {
    {{0x2012, 0}, KIND_EULER},
    {{0x2020, 0}, KIND_CONSTRAINT},
    {{0x2021, 0}, KIND_CONSTRAINT},
    {{0x2A8734EB, 0x57F47DA6}, KIND_REACTION},
    {{0x87A6DF27, 0}, KIND_INDEP_REFS},
    {{0x67A81CF9, 0x79C62151}, KIND_NEVER},
    {{0x1D1A667C, 0x206521F1}, KIND_NEVER},
    {{0xFF7826DF, 0}, KIND_WITH_REFS},
};

const KindRow kScaleControlRows[] = {
    {{0x118F7C01, 0xFEEE238B}, KIND_LOC_DEP},
    {{0x13C4451C, 0x2CCB3388}, KIND_REACTION},
    {{0x87A6DF28, 0}, KIND_INDEP_REFS},
    {{0xFF6826DA, 0}, KIND_WITH_REFS},
};

// Controllers that fail the primary test.
const KindRow kMatrix3NoCopyRows[] = {
    {{0x9156, 0}, KIND_BIP},
    {{0x9154, 0}, KIND_BIP_CTRL},
};

// Particle-driven controllers: tracked for local dependents only under a particle system's block.
struct SuperAndClass {
    SClass_ID super;
    Class_ID cls;
};
const SuperAndClass kParticleControls[] = {
    {CTRL_FLOAT_CLASS_ID, {0x72930021, 0x06951211}},
    {CTRL_POINT3_CLASS_ID, {0x69F672C0, 0x27927AFA}},
    {CTRL_ROTATION_CLASS_ID, {0x19357028, 0x428C5294}},
};

// Parameter blocks 2 by their owner's super class and class.
struct OwnerRow {
    SClass_ID ownerSuper;
    Class_ID ownerClass;
    DWORD kind;
};
const OwnerRow kParamBlockOwnerRows[] = {
    {CTRL_FLOAT_CLASS_ID, {0x17127E3E, 0}, KIND_PBLOCK2},
    {CTRL_FLOAT_CLASS_ID, {0x4CEB45BD, 0x0B9C062E}, KIND_DESCEND_ONLY},
    {CTRL_FLOAT_CLASS_ID, {0x0EC62904, 0x185A28DC}, KIND_DESCEND_ONLY},
    {CTRL_FLOAT_CLASS_ID, {0x74B50FD8, 0x07AD665E}, KIND_DESCEND_ONLY},
    {CTRL_FLOAT_CLASS_ID, {0x7C125BF5, 0x3A880ECE}, KIND_DESCEND_ONLY},
    {CTRL_FLOAT_CLASS_ID, {0x04A420B7, 0x7A142AEE}, KIND_DESCEND_ONLY},
    {CTRL_FLOAT_CLASS_ID, {0x0B5E496B, 0x15363635}, KIND_DESCEND_ONLY},
    {CTRL_FLOAT_CLASS_ID, {0x46606ABF, 0x002D3676}, KIND_DESCEND_ONLY},
    {CTRL_FLOAT_CLASS_ID, {0x40534BDC, 0x3AE34B58}, KIND_DESCEND_ONLY},
    {CTRL_FLOAT_CLASS_ID, {0x7FA7544B, 0x711A51EA}, KIND_DESCEND_ONLY},
    {CTRL_FLOAT_CLASS_ID, {0x265E07A8, 0x0D281541}, KIND_DESCEND_ONLY},
    {CTRL_FLOAT_CLASS_ID, {0x2A234435, 0x750465F5}, KIND_DESCEND_ONLY},
    {CTRL_FLOAT_CLASS_ID, {0x63785366, 0x6D970288}, KIND_DESCEND_ONLY},
    {CTRL_FLOAT_CLASS_ID, {0x18E02664, 0x21D309C3}, KIND_DESCEND_ONLY},
    {CTRL_POINT3_CLASS_ID, {0x275C1AC1, 0x08B45EE2}, KIND_DESCEND_ONLY},
    {CTRL_MATRIX3_CLASS_ID, {0x1EDD686D, 0x45A56EB3}, KIND_DESCEND_ONLY},
    {CTRL_MATRIX3_CLASS_ID, {0x2DE70807, 0x3973713A}, KIND_DESCEND_ONLY},
    {CTRL_MATRIX3_CLASS_ID, {0x542E413E, 0x08241AA2}, KIND_DESCEND_ONLY},
    {CTRL_MATRIX3_CLASS_ID, {0x485A734C, 0x795557CC}, KIND_DESCEND_ONLY},
    {CTRL_MATRIX3_CLASS_ID, {0x1ADF2684, 0x2E3B60D2}, KIND_DESCEND_ONLY},
    {CTRL_ROTATION_CLASS_ID, {0x67A81CF9, 0x79C62151}, KIND_DESCEND_ONLY},
    {CTRL_ROTATION_CLASS_ID, {0x1D1A667C, 0x206521F1}, KIND_DESCEND_ONLY},
    {GEOMOBJECT_CLASS_ID, {0x7BC209AF, 0x01BBAC5F}, KIND_PBLOCK2_ELEMENTS},
    {GEOMOBJECT_CLASS_ID, {0x6C3600A5, 0x11634EB8}, KIND_PBLOCK2_ELEMENTS},
    {GEOMOBJECT_CLASS_ID, {0x74F93B03, 0x1EB34300}, KIND_PBLOCK2_ELEMENTS},
    {GEOMOBJECT_CLASS_ID, {0x79FE41C2, 0x1D7B4FB1}, KIND_PBLOCK2_WHOLE_TAB},
    {GEOMOBJECT_CLASS_ID, {0x39712DEF, 0x10A72959}, KIND_PBLOCK2_WHOLE_TAB},
    {LIGHT_CLASS_ID, {0x2EAF2F07, 0x7EC44F31}, KIND_PBLOCK2_HELD},
    {LIGHT_CLASS_ID, {0x3C5575A1, 0x5FD602DF}, KIND_PBLOCK2_HELD},
    {HELPER_CLASS_ID, {0x74F93B03, 0x1EB34300}, KIND_PBLOCK2_ELEMENTS},
    {REF_TARGET_CLASS_ID, {0x6E4253A3, 0x7FFA3373}, KIND_DESCEND_ONLY},
    {REF_TARGET_CLASS_ID, {0x1D473A0E, 0x3B151C9D}, KIND_DESCEND_ONLY},
    {REF_TARGET_CLASS_ID, {0x0BC975DD, 0x6E1A1AE5}, KIND_DESCEND_ONLY},
    {OSM_CLASS_ID, {0xE11, 0}, KIND_PBLOCK2_ELEMENTS},
};

// Parameter blocks 2 of constraints keep their target lists element by element.
const SuperAndClass kElementwiseBlockOwners[] = {
    {CTRL_POSITION_CLASS_ID, {0x2019, 0}},
    {CTRL_POSITION_CLASS_ID, {0x2011, 0}},
    {CTRL_ROTATION_CLASS_ID, {0x2020, 0}},
    {CTRL_ROTATION_CLASS_ID, {0x2021, 0}},
};

// Walk width: animatables whose sub-animatables are the whole of it (no separate block positions).
const SuperAndClass kSubsOnlyWidth[] = {
    {MATERIAL_CLASS_ID, {0x200, 0}},
    {CTRL_FLOAT_CLASS_ID, {0x507514E5, 0x30B07FAD}},
    {CTRL_MATRIX3_CLASS_ID, {0x9156, 0}},
    {CTRL_MATRIX3_CLASS_ID, {0x9154, 0}},
    {CTRL_MATRIX3_CLASS_ID, {0x022D5030, 0x4344191C}},
    {CTRL_MATRIX3_CLASS_ID, {0x4EDF6DDE, 0x3D77551C}},
    {CTRL_MATRIX3_CLASS_ID, {0x68C00456, 0x455634FE}},
    {CTRL_MATRIX3_CLASS_ID, {0x4F7C09D6, 0x6C8E29BF}},
    {CTRL_MATRIX3_CLASS_ID, {0x71AF1A7D, 0x71C05DE1}},
};

bool IsOneOf(std::span<const SuperAndClass> list, SClass_ID super, const Class_ID& cls) {
    for (const SuperAndClass& e : list)
        if (e.super == super && e.cls == cls) return true;
    return false;
}

// ---- What the tables say about a class --------------------------------------------------------------------

// The row of the table of an animatable's super class that is not a controller (kNoRow without one).
DWORD ClassTableRow(SClass_ID s, const Class_ID& cls) {
    switch (s) {
        case MATERIAL_CLASS_ID: return Lookup(kMaterialRows, cls);
        case TEXMAP_CLASS_ID: return Lookup(kTexmapRows, cls);
        case WSM_OBJECT_CLASS_ID: return Lookup(kSpaceWarpObjectRows, cls);
        case OSM_CLASS_ID: return Lookup(kObjectModifierRows, cls);
        case WSM_CLASS_ID: return Lookup(kWorldModifierRows, cls);
        case REF_TARGET_CLASS_ID: return Lookup(kRefTargetRows, cls);
        case REF_MAKER_CLASS_ID: return Lookup(kRefMakerRows, cls);
        case GEOMOBJECT_CLASS_ID: return Lookup(kGeomObjectRows, cls);
        case LIGHT_CLASS_ID: return Lookup(kLightRows, cls);
        case SHAPE_CLASS_ID: return Lookup(kShapeRows, cls);
        case HELPER_CLASS_ID: return Lookup(kHelperRows, cls);
        case SYSTEM_CLASS_ID: return Lookup(kSystemRows, cls);
        case BASENODE_CLASS_ID:
        case GEN_DERIVOB_CLASS_ID:
        case PARAMETER_BLOCK_CLASS_ID:
        case CAMERA_CLASS_ID:
        case PARAMETER_BLOCK2_CLASS_ID: return kNoRow;
        default: return Lookup(kOtherSuperClassRows, cls);
    }
}

// The row of the table of a controller's super class that passes the controller test.
DWORD ControllerTableRow(SClass_ID s, const Class_ID& cls) {
    switch (s) {
        case CTRL_FLOAT_CLASS_ID: return Lookup(kFloatControlRows, cls);
        case CTRL_POINT3_CLASS_ID: return Lookup(kPoint3ControlRows, cls);
        case CTRL_MATRIX3_CLASS_ID: return Lookup(kMatrix3ControlRows, cls);
        case CTRL_POSITION_CLASS_ID: return Lookup(kPositionControlRows, cls);
        case CTRL_ROTATION_CLASS_ID: return Lookup(kRotationControlRows, cls);
        case CTRL_SCALE_CLASS_ID: return Lookup(kScaleControlRows, cls);
        default: return kNoRow;
    }
}

// Everything the rule and the walk width read from their tables for one class: a pure function of the
// super class and the class id, so it is looked up once per class instead of once per animatable. What
// the animatable itself answers (capabilities, interfaces, references, children) is still asked of each.
struct ClassRows {
    DWORD classRow = kNoRow;      // ClassTableRow
    DWORD controllerRow = kNoRow; // ControllerTableRow
    DWORD noCopyRow = kNoRow;     // matrix3 controllers that fail the primary test
    DWORD blockOwnerRow = kNoRow; // the kind of a parameter block 2 that this class owns
    bool never = false;           // the class that is never mirrored
    bool particleControl = false;
    bool elementwiseBlockOwner = false;
    bool subsOnlyWidth = false;
};

ClassRows ReadRows(SClass_ID s, const Class_ID& cls) {
    ClassRows r;
    r.classRow = ClassTableRow(s, cls);
    r.controllerRow = ControllerTableRow(s, cls);
    if (s == CTRL_MATRIX3_CLASS_ID) r.noCopyRow = Lookup(kMatrix3NoCopyRows, cls);
    for (const OwnerRow& o : kParamBlockOwnerRows)
        if (o.ownerSuper == s && o.ownerClass == cls) {
            r.blockOwnerRow = o.kind;
            break;
        }
    r.never = cls == NEVER_MIRRORED_CLASS_ID;
    r.particleControl = IsOneOf(kParticleControls, s, cls);
    r.elementwiseBlockOwner = IsOneOf(kElementwiseBlockOwners, s, cls);
    r.subsOnlyWidth = IsOneOf(kSubsOnlyWidth, s, cls);
    return r;
}

// The rows of every class met so far, open-addressed by super class and class id in a table of fixed
// size: a scene holds a few dozen classes, met millions of times. Past half full (more classes than any
// scene has) a class's rows are read from the tables again each time, the same answer at more cost.
class ClassRowsTable {
public:
    ClassRows Get(SClass_ID s, const Class_ID& cls) {
        const std::uint32_t h = cls.PartA() * 0x9E3779B1u ^ cls.PartB() * 0x85EBCA77u ^ s * 0xC2B2AE3Du;
        for (std::uint32_t i = h >> (32 - kBits), n = 0; n < kSlots; ++n, i = (i + 1) & (kSlots - 1)) {
            Slot& slot = slots_[i];
            if (slot.used && slot.super == s && slot.cls == cls) return slot.rows;
            if (slot.used) continue;
            if (used_ * 2 >= kSlots) break;
            slot = Slot{true, s, cls, ReadRows(s, cls)};
            ++used_;
            return slot.rows;
        }
        return ReadRows(s, cls);
    }

private:
    static constexpr std::uint32_t kBits = 8;
    static constexpr std::uint32_t kSlots = 1u << kBits;
    struct Slot {
        bool used = false;
        SClass_ID super = 0;
        Class_ID cls;
        ClassRows rows;
    };
    Slot slots_[kSlots] = {};
    std::uint32_t used_ = 0;
};

ClassRowsTable gClassRows;

ClassRows RowsOf(SClass_ID s, const Class_ID& cls) {
    return gClassRows.Get(s, cls);
}

// ---- Host facts ------------------------------------------------------------------------------------------

bool IsNode(Animatable* a) {
    return a && a->SuperClassID() == BASENODE_CLASS_ID;
}

Control* AsController(Animatable* a) {
    return static_cast<Control*>(a->GetInterface(I_CONTROL));
}

bool Answers(Animatable* a, const Interface_ID& id) {
    return a && a->GetInterface(id) != nullptr;
}

// Asked of most animatables a walk meets: the host says what the animatable is, with no type check.
bool HasReference(Animatable* a) {
    if (!a->IsRefMaker()) return false;
    auto* maker = static_cast<ReferenceMaker*>(a);
    for (int i = 0, n = maker->NumRefs(); i < n; ++i)
        if (maker->GetReference(i)) return true;
    return false;
}

bool HasSubsOrBlocks(Animatable* a) {
    return a->NumSubs() > 0 || a->NumParamBlocks() > 0;
}

// The three capability answers of the host's classes the rule relies on. The primary test: the
// animatable's animation is its own to copy (rig-internal, particle-driven and user-data animatables say
// no). The controller test: the controller may be replaced in its slot (IK solvers and rig controllers say
// no). The capability test: its track carries data worth keeping with it, such as references.
bool PassesPrimaryTest(Animatable* a) {
    return a->CanCopyAnim() != FALSE;
}
bool PassesControllerTest(Control* c) {
    return c->IsReplaceable() != FALSE;
}
DWORD ByCapability(Animatable* a) {
    return a->CanCopyTrack(FOREVER, 0) ? KIND_WITH_REFS : KIND_UNDECIDED;
}

// The last steps of the rule: plain mirror, or the one that keeps extra references.
DWORD PlainOrWithRefs(Animatable* a) {
    return HasReference(a) ? KIND_WITH_REFS : KIND_PLAIN;
}

// Steps 6 and 8: a wide animatable without a kind is left to the caller.
DWORD WidthRule(Animatable* a, Animatable* owner) {
    return ChildCount(a, owner, -1) > 1 ? KIND_UNDECIDED : PlainOrWithRefs(a);
}

DWORD ParamBlockKind(Animatable* owner) {
    if (!owner) return ParamBlockKindForOwner(owner);
    const SClass_ID so = owner->SuperClassID();
    if (so == CUST_ATTRIB_CLASS_ID) return KIND_PBLOCK2_WHOLE_TAB;
    const ClassRows rows = RowsOf(so, owner->ClassID());
    if (rows.blockOwnerRow != kNoRow) return rows.blockOwnerRow;
    if (Answers(owner, LIST_CONTROLLER_INTERFACE)) return KIND_PBLOCK2_ELEMENTS;
    return rows.elementwiseBlockOwner ? KIND_PBLOCK2_ELEMENTS : KIND_PBLOCK2;
}

// Step 5: animatables that are not controllers, by super class.
DWORD NonControllerKind(Animatable* a, SClass_ID s, const ClassRows& rows, Animatable* owner) {
    const DWORD k = rows.classRow;
    switch (s) {
        case MATERIAL_CLASS_ID:
            if (k != kNoRow) return k;
            return ChildCount(a, owner, -1) > 1 ? KIND_MTL : PlainOrWithRefs(a);
        case TEXMAP_CLASS_ID:
            if (k != kNoRow) return k;
            return ChildCount(a, owner, -1) < 2 ? PlainOrWithRefs(a) : KIND_TEXMAP;
        case WSM_OBJECT_CLASS_ID:
            if (k != kNoRow) return k;
            return ByCapability(a);
        case OSM_CLASS_ID:
            if (k != kNoRow) return k;
            if (HasSubsOrBlocks(a)) return Answers(a, RWS_INTERFACE) ? KIND_RWMS : KIND_WITH_REFS_MOD;
            return HasReference(a) ? KIND_WITH_REFS_MOD : KIND_MOD;
        case WSM_CLASS_ID:
            if (k != kNoRow) return k;
            return HasSubsOrBlocks(a) || HasReference(a) ? KIND_WITH_REFS_MOD : KIND_MOD;
        case REF_TARGET_CLASS_ID:
            if (k != kNoRow) return k;
            return WidthRule(a, owner);
        case REF_MAKER_CLASS_ID:
            if (k != kNoRow) return k;
            return WidthRule(a, owner);
        case BASENODE_CLASS_ID:
            return KIND_NODE_MIRROR;
        case GEN_DERIVOB_CLASS_ID:
            return IsNode(owner) ? KIND_NODE_DERIVED : KIND_DERIV_OBJ;
        case PARAMETER_BLOCK_CLASS_ID:
            return KIND_PBLOCK;
        case GEOMOBJECT_CLASS_ID:
            if (k != kNoRow) return k;
            if (Answers(a, RWS_INTERFACE)) return KIND_RWMS;
            return ByCapability(a);
        case CAMERA_CLASS_ID:
            return KIND_CAM;
        case LIGHT_CLASS_ID:
            if (k != kNoRow) return k;
            return KIND_STD_LIGHT;
        case SHAPE_CLASS_ID:
            if (k != kNoRow) return k;
            return KIND_RWMS;
        case HELPER_CLASS_ID:
            if (k != kNoRow) return k;
            return ByCapability(a);
        case SYSTEM_CLASS_ID:
            if (k != kNoRow) return k;
            return WidthRule(a, owner);
        case PARAMETER_BLOCK2_CLASS_ID:
            return ParamBlockKind(owner);
        default:
            if (k != kNoRow) return k;
            return WidthRule(a, owner);
    }
}

// Step 7: controllers.
DWORD ControllerKind(Animatable* a, Control* c, SClass_ID s, const Class_ID& cls, const ClassRows& rows,
                     Animatable* owner) {
    if (!PassesControllerTest(c)) {
        if (s != CTRL_MATRIX3_CLASS_ID) return KIND_DESCEND_ONLY;
        if (IsNode(owner)) {
            if (Answers(a, CAT_CONTROL_INTERFACE)) return KIND_CAT_CTRL;
            if (cls == CAT_PARENT_CONTROL_CLASS_ID) return KIND_CAT;
        }
        return cls == IK_CONTROL_CLASS_ID ? KIND_IK_GUARD : KIND_DESCEND_ONLY;
    }
    if (s == CTRL_POINT3_CLASS_ID && cls == POINT3_XYZ_CONTROL_CLASS_ID && a->NumSubs() > 2 && a->SubAnim(2) &&
        InList(kPoint3DrivenThirdSubs, a->SubAnim(2)->ClassID()))
        return KIND_DESCEND_ONLY;
    if (s == CTRL_MATRIX3_CLASS_ID) {
        if (cls == PRS_CONTROL_CLASS_ID)
            return owner && owner->ClassID() == PRS_RIG_OWNER_CLASS_ID ? KIND_DESCEND_ONLY : KIND_PRS;
        if (cls == LINK_TM_CONTROL_CLASS_ID && IsNode(owner)) return KIND_LINK_TM;
    }
    const DWORD k = rows.controllerRow;
    if (k != kNoRow) return k;
    if (Answers(a, LIST_CONTROLLER_INTERFACE)) return KIND_LIST_CTRL;
    if (ChildCount(a, owner, -1) > 1) return ByCapability(a);
    return PlainOrWithRefs(a);
}

// The owning object of a parameter block 2 owner, when owner is such a block.
Animatable* BlockOwner(Animatable* owner) {
    if (!owner || owner->SuperClassID() != PARAMETER_BLOCK2_CLASS_ID) return nullptr;
    auto* pb = dynamic_cast<IParamBlock2*>(owner);
    return pb ? pb->GetOwner() : nullptr;
}

// Step 9: animatables that fail the primary test.
DWORD NoCopyKind(Animatable* a, SClass_ID s, const Class_ID& cls, const ClassRows& rows, Animatable* owner) {
    if (a->GetInterface(I_CONTROL)) {
        if (rows.particleControl) {
            Animatable* object = BlockOwner(owner);
            return object && object->ClassID() == PARTICLE_OWNER_CLASS_ID ? KIND_LOC_DEP : KIND_UNDECIDED;
        }
        if (s == CTRL_MATRIX3_CLASS_ID) {
            const DWORD k = rows.noCopyRow;
            if (k != kNoRow) return k;
            if (IsNode(owner) && Answers(a, CAT_CONTROL_INTERFACE)) return KIND_CAT_CTRL;
            if (cls == XREF_CONTROL_CLASS_ID) return KIND_XREF;
            if (cls == IK_CHAIN_CONTROL_CLASS_ID) return KIND_IK_GUARD;
        }
        if (Answers(a, ANIM_LAYER_CONTROL_INTERFACE)) return KIND_LAYER_CTRL;
        if (Answers(a, REFERENCING_CONTROL_INTERFACE)) return KIND_WITH_REFS;
        return KIND_DESCEND_ONLY;
    }
    switch (s) {
        case GEOMOBJECT_CLASS_ID:
            return cls == PF_SOURCE_OBJECT_CLASS_ID ? KIND_PF_SOURCE : KIND_DESCEND_ONLY;
        case HELPER_CLASS_ID: {
            if (cls == PF_EVENT_HELPER_CLASS_ID) return KIND_PF_EVENT;
            auto* node = IsNode(owner) ? dynamic_cast<INode*>(owner) : nullptr;
            if (node && IPFActionList::IsTest(node)) {
                Object* pf = GetPFObject(node->GetObjectRef());
                if (pf && pf->GetInterface(PFTEST_INTERFACE)) return KIND_PF_TEST;
            }
            return KIND_DESCEND_ONLY;
        }
        case CUST_ATTRIB_CLASS_ID:
            return KIND_CA;
        default:
            return KIND_DESCEND_ONLY;
    }
}

// ---- Creation --------------------------------------------------------------------------------------------

// One case per kind of the kind list: a mirror is made for every mirrored position of every walk, and
// the compiler turns the cases into a jump rather than a row-by-row search. Two kinds with one id would
// not compile.
RefAnim* MakeMirrorOfKind(DWORD kindId) {
    switch (kindId) {
#define OSTRIVANS_CREATION_CASE(name, id, Class, ...)                                                     \
    case name: return new Class(FALSE __VA_OPT__(, ) __VA_ARGS__);
        OSTRIVANS_MIRROR_KINDS(OSTRIVANS_CREATION_CASE)
#undef OSTRIVANS_CREATION_CASE
        default: return nullptr;
    }
}

// ---- Walk width ------------------------------------------------------------------------------------------

// Both widths are asked for every stack and block a walk meets: the super class, which the caller has
// read, says what the animatable is, with no type check.
int DerivedObjectWidth(Animatable* a, Animatable* owner) {
    return ChainModifierCount(static_cast<IDerivedObject*>(a)) + (IsNode(owner) ? 1 : 2);
}

int ParamBlock2Width(Animatable* a, int index) {
    auto* pb = static_cast<IParamBlock2*>(a);
    if (index == -1) return pb->NumParams() + 1;
    if (index < 0 || index >= pb->NumParams()) return 0;
    return pb->Count(pb->IndextoID(index));
}

// A switched float controller whose state table ends in an "off" entry exposes only its first position.
int SwitchedFloatWidth(Animatable* a) {
    IParamBlock2* pb = a->NumParamBlocks() > 0 ? a->GetParamBlock(0) : nullptr;
    if (pb && pb->IDtoIndex(SWITCHED_FLOAT_STATES_PARAM) >= 0) {
        const int n = pb->Count(SWITCHED_FLOAT_STATES_PARAM);
        if (n >= 2) {
            Interval valid = FOREVER;
            float f = 0.0f;
            int i = 0;
            const bool isZero = pb->GetValue(SWITCHED_FLOAT_STATES_PARAM, 0, f, valid, n - 1)
                                    ? f == 0.0f
                                    : pb->GetValue(SWITCHED_FLOAT_STATES_PARAM, 0, i, valid, n - 1) && i == 0;
            if (isZero) return a->NumSubs() == 0 ? 1 : 2;
        }
    }
    return a->NumSubs() + 1;
}

} // namespace

DWORD ResolveKind(Animatable* anim, Animatable* owner) {
    if (!anim) return KIND_UNDECIDED;
    const SClass_ID s = anim->SuperClassID();
    const Class_ID cls = anim->ClassID();
    const ClassRows rows = RowsOf(s, cls);
    if (!PassesPrimaryTest(anim)) return NoCopyKind(anim, s, cls, rows, owner);
    if (rows.never) return KIND_NEVER;
    if (Control* c = AsController(anim)) return ControllerKind(anim, c, s, cls, rows, owner);
    return NonControllerKind(anim, s, rows, owner);
}

DWORD ParamBlockKindForOwner(Animatable* owner) {
    if (!owner) return KIND_PBLOCK2;
    if (owner->SuperClassID() == CUST_ATTRIB_CLASS_ID) return KIND_PBLOCK2_WHOLE_TAB;
    if (RowsOf(owner->SuperClassID(), owner->ClassID()).elementwiseBlockOwner) return KIND_PBLOCK2_ELEMENTS;
    return KIND_PBLOCK2;
}

RefAnim* CreateMirror(DWORD kindId) {
    if (kindId == KIND_IK_GUARD) {
        IKGuard::Get().Meet();
        return nullptr;
    }
    RefAnim* mirror = MakeMirrorOfKind(kindId);
    if (mirror && (kindId & KIND_FLAG)) mirror->SetKindFlag(true);
    return mirror;
}

int ChildCount(Animatable* anim, Animatable* owner, int index) {
    if (!anim) return 0;
    const SClass_ID s = anim->SuperClassID();
    const Class_ID cls = anim->ClassID();
    if (s == BASENODE_CLASS_ID && owner) return 0;
    if (s == GEN_DERIVOB_CLASS_ID) return DerivedObjectWidth(anim, owner);
    if (s == PARAMETER_BLOCK_CLASS_ID) return anim->NumSubs() + 1;
    if (s == PARAMETER_BLOCK2_CLASS_ID) return ParamBlock2Width(anim, index);
    if (s == REF_MAKER_CLASS_ID && cls == CUSTATTRIB_CONTAINER_CLASS_ID) {
        auto* container = dynamic_cast<ICustAttribContainer*>(anim);
        return (container ? container->GetNumCustAttribs() : 0) + 1;
    }
    if (s == OSM_CLASS_ID && cls == MORPHER_CLASS_ID) return 101;
    if (RowsOf(s, cls).subsOnlyWidth || Answers(anim, LIST_CONTROLLER_INTERFACE)) return anim->NumSubs() + 1;
    if (s == CTRL_FLOAT_CLASS_ID && cls == SWITCHED_FLOAT_CLASS_ID) return SwitchedFloatWidth(anim);
    if (s == CTRL_MATRIX3_CLASS_ID && cls == LINK_CONTROL_CLASS_ID) return 2;
    return anim->NumSubs() + anim->NumParamBlocks() + 1;
}
