// The flag word of Advanced Reset: how the reset is applied, which object categories and which groups of
// overrides it takes back. The helper, its records and the script interface read the same bits.
#pragma once

#include "host/core/MaxTypes.h"

// Modes: through whole references (a node is reset only when its object category is selected), or node
// by node (the category bits are ignored).
constexpr DWORD RESETMASK_REFERENCE_MODE = 0x1;
constexpr DWORD RESETMASK_NODE_MODE = 0x2;

// Object categories, in the Advanced Reset dialog's order.
constexpr DWORD RESETMASK_GEOMETRY = 0x8;
constexpr DWORD RESETMASK_SHAPES = 0x10;
constexpr DWORD RESETMASK_LIGHTS = 0x20;
constexpr DWORD RESETMASK_CAMERAS = 0x40;
constexpr DWORD RESETMASK_HELPERS = 0x80;
constexpr DWORD RESETMASK_SPACE_WARPS = 0x100;
constexpr DWORD RESETMASK_PARTICLES = 0x200;
constexpr DWORD RESETMASK_BONES = 0x400;
constexpr int RESETMASK_NUM_CATEGORIES = 8;
constexpr DWORD RESETMASK_ALL_CATEGORIES = 0x7F8;

// Parameter groups, in the dialog's order.
constexpr DWORD RESETMASK_BASE_OBJECT = 0x800;
constexpr DWORD RESETMASK_MODIFIERS = 0x1000;
constexpr DWORD RESETMASK_TRANSFORM = 0x2000;
constexpr DWORD RESETMASK_MATERIAL = 0x4000;
constexpr DWORD RESETMASK_OBJECT_PROPERTIES = 0x8000;
constexpr DWORD RESETMASK_PARENTING = 0x10000;
constexpr DWORD RESETMASK_NAME = 0x20000;
constexpr DWORD RESETMASK_LAYER = 0x40000;
constexpr DWORD RESETMASK_DELETED_NODES = 0x80000;
constexpr int RESETMASK_NUM_GROUPS = 9;
constexpr DWORD RESETMASK_ALL_GROUPS = 0xFF800;
