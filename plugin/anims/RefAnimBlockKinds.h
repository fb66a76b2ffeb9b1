// Mirrors of parameter containers: old and new parameter blocks and custom attribute containers.
#pragma once

#include "plugin/anims/RefAnimKind.h"

// Mirrors old parameter blocks.
class RefAnimPblock : public RefAnimKind<RefAnimPblock, RefAnim, 0x00030003, IDS_REFANIMPBLOCK> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors parameter blocks 2.
class RefAnimPblock2 : public RefAnimKind<RefAnimPblock2, RefAnim, 0x00030004, IDS_REFANIMPBLOCK2> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors custom attribute containers.
class RefAnimCA : public RefAnimKind<RefAnimCA, RefAnim, 0x00030007, IDS_REFANIMCA> {
public:
    using RefAnimKind::RefAnimKind;
};
