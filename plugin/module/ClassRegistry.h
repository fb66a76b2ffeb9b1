// The module's fixed, ordered registry of class descriptors, as LibClassDesc hands them to the host.
#pragma once

#include "host/core/MaxTypes.h"

class FPInterfaceDesc;
class OstrivansClassDesc;

// Positions in the registry of the classes other code needs the descriptor of.
enum RegistryIndex : int {
    kRegistryHelper = 0,
    kRegistryRefBase = 1,
    kRegistryRefNode = 2,
    kRegistryRefMaterial = 3,
    kRegistryEmptyBaseObject = 4,
    kRegistryEmptyController = 5,
    kRegistryRefHolder = 6,
    kRegistryRefAnim = 7,
    kRegistryEmptyShape = 48,
};

constexpr int kNumRegisteredClasses = 53;

// 53: the order, the count and every descriptor's identity never depend on configuration, since saved
// scenes find the classes by these identifiers.
int NumRegisteredClasses();
// The descriptor at i, null for any i outside 0 to 52. The descriptors are module-static and built
// on first use, together with the published interfaces they own.
OstrivansClassDesc* GetRegisteredClassDesc(int i);

// The "RefHolder" interface description, attached to the holder's descriptor.
FPInterfaceDesc* GetRefHolderInterfaceDesc();
