// Mirrors of particle flow sources (event graphs) and tests.
#pragma once

#include "plugin/anims/RefAnimKind.h"

// Mirrors particle flow sources.
class RefAnimPFSource : public RefAnimKind<RefAnimPFSource, RefAnim, 0x00030016, IDS_REFANIMPFSOURCE> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors particle flow tests.
class RefAnimPFTest : public RefAnimKind<RefAnimPFTest, RefAnim, 0x00230037, IDS_REFANIMPFTEST> {
public:
    using RefAnimKind::RefAnimKind;
};
