// The property a LocDep pass leaves on every animatable it looked at: its answer and the pass it belongs to.
#pragma once

#include "host/core/AnimProperty.h"

#include <cstdint>

constexpr DWORD LOCDEP_FLAG_PROPERTY_ID = 0x8663dfc5;

class LocDepFlag : public AnimProperty {
public:
    DWORD ID() override { return LOCDEP_FLAG_PROPERTY_ID; }

    std::int32_t result = 0;
    // The helper stamp of the pass that computed result; 0 before any pass.
    DWORD stamp = 0;
};
