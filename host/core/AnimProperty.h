// A property that code attaches to an animatable by id; the animatable owns and deletes it.
#pragma once

#include "host/core/MaxTypes.h"

class AnimProperty {
public:
    virtual ~AnimProperty() = default;
    // Identifies the property on its animatable; one property per id.
    virtual DWORD ID() = 0;
};
