// Mirrors of particle flow sources (event graphs) and tests.
#pragma once

#include "plugin/anims/RefAnimKind.h"
#include "plugin/anims/RefAnimPFSource.h"

// Mirrors particle flow tests.
class RefAnimPFTest : public RefAnimKind<RefAnimPFTest, RefAnim, KIND_PF_TEST, IDS_REFANIMPFTEST> {
public:
    using RefAnimKind::RefAnimKind;
};
