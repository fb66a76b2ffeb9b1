// Mirrors of materials, texture maps and Multi/Sub-Object materials.
#pragma once

#include "plugin/anims/RefAnimKind.h"
#include "plugin/anims/RefAnimMtl.h"

// Mirrors Multi/Sub-Object materials.
class RefAnimMultiSubMtl
    : public RefAnimKind<RefAnimMultiSubMtl, RefAnim, KIND_MULTI_SUB_MTL, IDS_REFANIMMULTISUBMTL> {
public:
    using RefAnimKind::RefAnimKind;
};
