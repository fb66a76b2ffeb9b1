// The module's fixed, ordered registry of class descriptors, as LibClassDesc hands them to the host.
#pragma once

#include "host/core/MaxTypes.h"

class OstrivansClassDesc;

// The helper's descriptor comes first; the placeholder shape's stands among the mirror classes, here.
constexpr int kRegistryHelper = 0;
constexpr int kRegistryEmptyShape = 48;

constexpr int kNumRegisteredClasses = 53;

// 53: the order, the count and every descriptor's identity never depend on configuration, since saved
// scenes find the classes by these identifiers.
int NumRegisteredClasses();
// The descriptor at i, null for any i outside 0 to 52. The descriptors are module-static and built
// on first use by the layers that own them.
OstrivansClassDesc* GetRegisteredClassDesc(int i);
