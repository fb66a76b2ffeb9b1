// Super class identifiers of the host's class families and of the built-in classes the plug-in tests.
#pragma once

#include "host/core/MaxTypes.h"

constexpr SClass_ID BASENODE_CLASS_ID = 0x000001;
constexpr SClass_ID GEN_DERIVOB_CLASS_ID = 0x000002;
constexpr SClass_ID DERIVOB_CLASS_ID = 0x000003;
constexpr SClass_ID WSM_DERIVOB_CLASS_ID = 0x000004;
constexpr SClass_ID PARAMETER_BLOCK_CLASS_ID = 0x000008;
constexpr SClass_ID PARAMETER_BLOCK2_CLASS_ID = 0x000082;
constexpr SClass_ID GEOMOBJECT_CLASS_ID = 0x000010;
constexpr SClass_ID CAMERA_CLASS_ID = 0x000020;
constexpr SClass_ID LIGHT_CLASS_ID = 0x000030;
constexpr SClass_ID SHAPE_CLASS_ID = 0x000040;
constexpr SClass_ID HELPER_CLASS_ID = 0x000050;
constexpr SClass_ID SYSTEM_CLASS_ID = 0x000060;
constexpr SClass_ID REF_MAKER_CLASS_ID = 0x000100;
constexpr SClass_ID REF_TARGET_CLASS_ID = 0x000200;
constexpr SClass_ID OSM_CLASS_ID = 0x000810;
constexpr SClass_ID WSM_CLASS_ID = 0x000820;
constexpr SClass_ID WSM_OBJECT_CLASS_ID = 0x000830;
constexpr SClass_ID SCENE_IMPORT_CLASS_ID = 0x000A10;
constexpr SClass_ID MATERIAL_CLASS_ID = 0x000C00;
constexpr SClass_ID TEXMAP_CLASS_ID = 0x000C10;
constexpr SClass_ID UVGEN_CLASS_ID = 0x0000C20;
constexpr SClass_ID XYZGEN_CLASS_ID = 0x0000C30;
constexpr SClass_ID TEXOUTPUT_CLASS_ID = 0x0000C40;
constexpr SClass_ID SOUNDOBJ_CLASS_ID = 0x000D00;
constexpr SClass_ID CUST_ATTRIB_CLASS_ID = 0x0001160;
constexpr SClass_ID LAYER_CLASS_ID = 0x0010f0;
constexpr SClass_ID MTLBASELIB_CLASS_ID = 0x000C01;

constexpr SClass_ID CTRL_SHORT_CLASS_ID = 0x9001;
constexpr SClass_ID CTRL_INTEGER_CLASS_ID = 0x9002;
constexpr SClass_ID CTRL_FLOAT_CLASS_ID = 0x9003;
constexpr SClass_ID CTRL_POINT2_CLASS_ID = 0x9004;
constexpr SClass_ID CTRL_POINT3_CLASS_ID = 0x9005;
constexpr SClass_ID CTRL_POS_CLASS_ID = 0x9006; // obsolete
constexpr SClass_ID CTRL_QUAT_CLASS_ID = 0x9007;
constexpr SClass_ID CTRL_MATRIX3_CLASS_ID = 0x9008;
constexpr SClass_ID CTRL_COLOR_CLASS_ID = 0x9009;
constexpr SClass_ID CTRL_COLOR24_CLASS_ID = 0x900A;
constexpr SClass_ID CTRL_POSITION_CLASS_ID = 0x900B;
constexpr SClass_ID CTRL_ROTATION_CLASS_ID = 0x900C;
constexpr SClass_ID CTRL_SCALE_CLASS_ID = 0x900D;
constexpr SClass_ID CTRL_MORPH_CLASS_ID = 0x900E;
constexpr SClass_ID CTRL_USERTYPE_CLASS_ID = 0x900F;
constexpr SClass_ID CTRL_MASTERPOINT_CLASS_ID = 0x9010;
constexpr SClass_ID MASTERBLOCK_SUPER_CLASS_ID = 0x9011;
constexpr SClass_ID CTRL_POINT4_CLASS_ID = 0x9012;
constexpr SClass_ID CTRL_FRGBA_CLASS_ID = 0x9013;

// Whether a super class is one of the controller families.
inline bool IsControllerSuperClass(SClass_ID s) { return s >= CTRL_SHORT_CLASS_ID && s <= CTRL_FRGBA_CLASS_ID; }
