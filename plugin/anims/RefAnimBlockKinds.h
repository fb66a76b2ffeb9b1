// Mirrors of parameter containers: old and new parameter blocks and custom attribute containers.
#pragma once

#include "plugin/anims/RefAnimKind.h"
#include "plugin/anims/RefAnimPblock.h"
#include "plugin/anims/RefAnimPblock2.h"

// Mirrors custom attribute containers.
class RefAnimCA : public RefAnimKind<RefAnimCA, RefAnim, KIND_CA, IDS_REFANIMCA> {
public:
    using RefAnimKind::RefAnimKind;
};
