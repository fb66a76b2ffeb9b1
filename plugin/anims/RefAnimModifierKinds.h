// Mirrors of modifiers and derived objects.
#pragma once

#include "plugin/anims/RefAnimKind.h"

// Mirrors modifiers that deform points.
class RefAnimPointMod : public RefAnimKind<RefAnimPointMod, RefAnim, KIND_POINT_MOD, IDS_REFANIMPOINTMOD> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors object-space and space-warp modifiers.
class RefAnimMod : public RefAnimKind<RefAnimMod, RefAnim, KIND_MOD, IDS_REFANIMMOD> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors the Skin modifier.
class RefAnimSkin : public RefAnimKind<RefAnimSkin, RefAnim, KIND_SKIN, IDS_REFANIMSKIN> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors the Morpher modifier.
class RefAnimMorpher : public RefAnimKind<RefAnimMorpher, RefAnim, KIND_MORPHER, IDS_REFANIMMORPHER> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors the Linked XForm modifier.
class RefAnimLinkedXForm
    : public RefAnimKind<RefAnimLinkedXForm, RefAnim, KIND_LINKED_XFORM, IDS_REFANIMLINKEDXFORM> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors the Cloth modifier.
class RefAnimCloth : public RefAnimKind<RefAnimCloth, RefAnim, KIND_CLOTH, IDS_REFANIMCLOTH> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors the bevel profile modifier.
class RefAnimBevelProfile
    : public RefAnimKind<RefAnimBevelProfile, RefAnim, KIND_BEVEL_PROFILE, IDS_REFANIMBEVELPROFILE> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors derived objects.
class RefAnimDerivObj : public RefAnimKind<RefAnimDerivObj, RefAnim, KIND_DERIV_OBJ, IDS_REFANIMDERIVOBJ> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors the Data Channel modifier.
class RefAnimDataChannel
    : public RefAnimKind<RefAnimDataChannel, RefAnim, KIND_DATA_CHANNEL, IDS_REFANIMDATACHANNEL> {
public:
    using RefAnimKind::RefAnimKind;
};
