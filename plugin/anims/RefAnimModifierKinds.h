// Mirrors of modifiers and derived objects.
#pragma once

#include "plugin/anims/ModifierMirror.h"
#include "plugin/anims/RefAnimDerivObj.h"
#include "plugin/anims/RefAnimKind.h"
#include "plugin/anims/RefAnimLinkedXForm.h"
#include "plugin/anims/RefAnimMorpher.h"

// Mirrors modifiers that deform points: a holder without a context copy, and a change monitor that hears
// only its own modifier.
class RefAnimPointMod
    : public RefAnimKind<RefAnimPointMod, ModifierMirror<RefAnim>, KIND_POINT_MOD, IDS_REFANIMPOINTMOD> {
public:
    using RefAnimKind::RefAnimKind;
    bool IsPassive() const override { return true; }
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override {
        if (hTarget != GetAnim()) return REF_STOP;
        return RefAnim::NotifyRefChanged(changeInt, hTarget, partID, message, propagate);
    }

protected:
    bool KeepsContext() const override { return false; }
};

// Mirrors object-space and space-warp modifiers.
class RefAnimMod : public RefAnimKind<RefAnimMod, ModifierMirror<RefAnim>, KIND_MOD, IDS_REFANIMMOD> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors the Skin modifier.
class RefAnimSkin : public RefAnimKind<RefAnimSkin, ModifierMirror<RefAnim>, KIND_SKIN, IDS_REFANIMSKIN> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors the Cloth modifier.
class RefAnimCloth : public RefAnimKind<RefAnimCloth, ModifierMirror<RefAnim>, KIND_CLOTH, IDS_REFANIMCLOTH> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors the bevel profile modifier.
class RefAnimBevelProfile
    : public RefAnimKind<RefAnimBevelProfile, RefAnim, KIND_BEVEL_PROFILE, IDS_REFANIMBEVELPROFILE> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors the Data Channel modifier.
class RefAnimDataChannel
    : public RefAnimKind<RefAnimDataChannel, RefAnim, KIND_DATA_CHANNEL, IDS_REFANIMDATACHANNEL> {
public:
    using RefAnimKind::RefAnimKind;
};
