// The flag word of Advanced Reset: how the reset is applied, which object categories and which groups of
// overrides it takes back. The helper, its records and the script interface read the same bits.
#pragma once

#include "host/core/MaxTypes.h"

// Modes: through whole references, or node by node (the records then ignore the category bits).
constexpr DWORD RESET_MODE_REFERENCES = 0x1;
constexpr DWORD RESET_MODE_NODES = 0x2;

// Object categories, in the Advanced Reset dialog's order: Geometry, Shapes, Lights, Cameras, Helpers,
// Space Warps, Particle Systems, Bone Objects.
constexpr DWORD RESET_CATEGORY_FIRST = 0x8;
constexpr int RESET_NUM_CATEGORIES = 8;
constexpr DWORD RESET_ALL_CATEGORIES = 0x7F8;

// Parameter groups, in the dialog's order: Base Object, Modifiers, Transform, Material, Object Properties,
// Parenting, Name, Layer, Deleted Nodes.
constexpr DWORD RESET_PARAMS_FIRST = 0x800;
constexpr int RESET_NUM_PARAMS = 9;
constexpr DWORD RESET_PARAMS_MATERIAL = 0x4000;
constexpr DWORD RESET_PARAMS_LAYER = 0x40000;
constexpr DWORD RESET_PARAMS_DELETED_NODES = 0x80000;
constexpr DWORD RESET_ALL_PARAMS = 0xFF800;
