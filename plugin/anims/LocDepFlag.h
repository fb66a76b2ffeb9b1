// The property a LocDep pass leaves on every animatable it looked at: its answer and the pass it belongs to.
#pragma once

#include "host/core/AnimProperty.h"

#include <cstdint>

constexpr DWORD LOCDEP_FLAG_PROPERTY_ID = 0x8663dfc5;
// The stamp of a flag no pass has computed yet; no helper ever counts its collects with it.
constexpr DWORD LOCDEP_NO_PASS = 0xffffffff;

class LocDepFlag : public AnimProperty {
public:
    DWORD ID() override { return LOCDEP_FLAG_PROPERTY_ID; }

    std::int32_t result = 0;
    // The helper stamp of the pass that computed result: a fresh flag matches no pass, so the first
    // question always looks at the dependents.
    DWORD stamp = LOCDEP_NO_PASS;
};
