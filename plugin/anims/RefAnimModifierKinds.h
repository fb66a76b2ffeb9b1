// Mirrors of modifiers and derived objects.
#pragma once

#include "plugin/anims/RefAnimKind.h"

// Mirrors modifiers that deform points.
class RefAnimPointMod : public RefAnimKind<RefAnimPointMod, RefAnim, 0x00010012, IDS_REFANIMPOINTMOD> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors object-space and space-warp modifiers.
class RefAnimMod : public RefAnimKind<RefAnimMod, RefAnim, 0x00030014, IDS_REFANIMMOD> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors the Skin modifier.
class RefAnimSkin : public RefAnimKind<RefAnimSkin, RefAnim, 0x00030018, IDS_REFANIMSKIN> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors the Morpher modifier.
class RefAnimMorpher : public RefAnimKind<RefAnimMorpher, RefAnim, 0x00030019, IDS_REFANIMMORPHER> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors the Linked XForm modifier.
class RefAnimLinkedXForm
    : public RefAnimKind<RefAnimLinkedXForm, RefAnim, 0x0003001d, IDS_REFANIMLINKEDXFORM> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors the Cloth modifier.
class RefAnimCloth : public RefAnimKind<RefAnimCloth, RefAnim, 0x0003001e, IDS_REFANIMCLOTH> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors the bevel profile modifier.
class RefAnimBevelProfile
    : public RefAnimKind<RefAnimBevelProfile, RefAnim, 0x00030025, IDS_REFANIMBEVELPROFILE> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors derived objects.
class RefAnimDerivObj : public RefAnimKind<RefAnimDerivObj, RefAnim, 0x000b002f, IDS_REFANIMDERIVOBJ> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors the Data Channel modifier.
class RefAnimDataChannel
    : public RefAnimKind<RefAnimDataChannel, RefAnim, 0x000b0035, IDS_REFANIMDATACHANNEL> {
public:
    using RefAnimKind::RefAnimKind;
};
