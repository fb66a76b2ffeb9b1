// Keeps the hold suspended for a scope: what happens inside is not recorded as a user's undo step.
#pragma once

#include "host/core/Hold.h"

class HoldSuspend {
public:
    HoldSuspend() { theHold.Suspend(); }
    ~HoldSuspend() { theHold.Resume(); }
    HoldSuspend(const HoldSuspend&) = delete;
    HoldSuspend& operator=(const HoldSuspend&) = delete;
};
