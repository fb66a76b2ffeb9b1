// A layer of the referenced content that the helper follows from load to load.
#pragma once

#include "host/core/WStr.h"

class ReferenceTarget;

struct RefLayer {
    // The layer (a reference of the helper); null once the host deleted it.
    ReferenceTarget* layer = nullptr;
    // The layer's name in the referenced file; the scene may carry it prefixed or renamed.
    WStr name;
};
