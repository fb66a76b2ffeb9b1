// Mirrors of materials, texture maps and Multi/Sub-Object materials.
#pragma once

#include "plugin/anims/RefAnimKind.h"

// Mirrors materials.
class RefAnimMtl : public RefAnimKind<RefAnimMtl, RefAnim, KIND_MTL, IDS_REFANIMMTL> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors texture maps.
class RefAnimTexmap : public RefAnimKind<RefAnimTexmap, RefAnim, KIND_TEXMAP, IDS_REFANIMTEXMAP> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors Multi/Sub-Object materials.
class RefAnimMultiSubMtl
    : public RefAnimKind<RefAnimMultiSubMtl, RefAnim, KIND_MULTI_SUB_MTL, IDS_REFANIMMULTISUBMTL> {
public:
    using RefAnimKind::RefAnimKind;
};
