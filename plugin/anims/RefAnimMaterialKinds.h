// Mirrors of materials, texture maps and Multi/Sub-Object materials.
#pragma once

#include "plugin/anims/RefAnimKind.h"

// Mirrors materials.
class RefAnimMtl : public RefAnimKind<RefAnimMtl, RefAnim, 0x0003001a, IDS_REFANIMMTL> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors texture maps.
class RefAnimTexmap : public RefAnimKind<RefAnimTexmap, RefAnim, 0x0003001b, IDS_REFANIMTEXMAP> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors Multi/Sub-Object materials.
class RefAnimMultiSubMtl
    : public RefAnimKind<RefAnimMultiSubMtl, RefAnim, 0x00030020, IDS_REFANIMMULTISUBMTL> {
public:
    using RefAnimKind::RefAnimKind;
};
