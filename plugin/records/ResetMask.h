// The bits of a reset mask, as the script interface and the Advanced Reset dialog pass them to records.
#pragma once

#include "host/core/MaxTypes.h"

// Node mode: the node is reset whatever its object category.
constexpr DWORD RESETMASK_NODE_MODE = 0x2;
// Object categories (reference mode resets only the nodes whose category is selected).
constexpr DWORD RESETMASK_GEOMETRY = 0x8;
constexpr DWORD RESETMASK_SHAPES = 0x10;
constexpr DWORD RESETMASK_LIGHTS = 0x20;
constexpr DWORD RESETMASK_CAMERAS = 0x40;
constexpr DWORD RESETMASK_HELPERS = 0x80;
constexpr DWORD RESETMASK_SPACE_WARPS = 0x100;
constexpr DWORD RESETMASK_PARTICLES = 0x200;
constexpr DWORD RESETMASK_BONES = 0x400;
// Parameter groups.
constexpr DWORD RESETMASK_BASE_OBJECT = 0x800;
constexpr DWORD RESETMASK_MODIFIERS = 0x1000;
constexpr DWORD RESETMASK_TRANSFORM = 0x2000;
constexpr DWORD RESETMASK_MATERIAL = 0x4000;
constexpr DWORD RESETMASK_OBJECT_PROPERTIES = 0x8000;
constexpr DWORD RESETMASK_PARENTING = 0x10000;
constexpr DWORD RESETMASK_NAME = 0x20000;
constexpr DWORD RESETMASK_LAYER = 0x40000;
