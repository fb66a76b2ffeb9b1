// Mirrors of scene objects: point-like objects, lights, cameras, text, booleans, scene references, containers
// and scattering objects.
#pragma once

#include "plugin/anims/RefAnimBoolean.h"
#include "plugin/anims/RefAnimCam.h"
#include "plugin/anims/RefAnimContainer.h"
#include "plugin/anims/RefAnimKind.h"
#include "plugin/anims/RefAnimRWMS.h"
#include "plugin/anims/RefAnimStdLight.h"
#include "plugin/anims/RefAnimText.h"
#include "plugin/anims/RefAnimWithRefs.h"
#include "plugin/anims/RefAnimXRef.h"

// Mirrors point-like objects (helpers, point objects and space-warp objects).
class RefAnimPointObj : public RefAnimKind<RefAnimPointObj, RefAnim, KIND_POINT_OBJ, IDS_REFANIMPOINTOBJ> {
public:
    using RefAnimKind::RefAnimKind;
    bool IsPassive() const override { return true; }
    // Hears only its own object, as the point modifiers' mirror does.
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override {
        if (hTarget != GetAnim()) return REF_STOP;
        return RefAnim::NotifyRefChanged(changeInt, hTarget, partID, message, propagate);
    }
};

// Mirrors the newer text object: the shapes and fonts it takes its characters from are its items, kept up
// to date before the content goes and taken again from the animatable an override leaves in place.
class RefAnimTextPlus
    : public RefAnimKind<RefAnimTextPlus, RefAnimWithRefs, KIND_TEXT_PLUS, IDS_REFANIMTEXTPLUS> {
public:
    using RefAnimKind::RefAnimKind;
    void CollectLocDep(DWORD stamp) override {
        CollectItems();
        RefAnimWithRefs::CollectLocDep(stamp);
    }
    // The items of an untouched mirror go with the content it follows.
    void ReleaseHeldRefs() override {
        if (IsUntouched()) SetNumExtraRefs(0);
    }
    void Override(Animatable* root) override { OverrideWithItems(root); }
};

// Mirrors a rail-cloning object class: the splines and segment objects it builds from are its items.
class RefAnimRailClone
    : public RefAnimKind<RefAnimRailClone, RefAnimWithRefs, KIND_RAIL_CLONE, IDS_REFANIMRAILCLONE> {
public:
    using RefAnimKind::RefAnimKind;
    void CollectLocDep(DWORD stamp) override {
        CollectItems();
        RefAnimWithRefs::CollectLocDep(stamp);
    }
    void ReleaseHeldRefs() override {
        if (IsUntouched()) SetNumExtraRefs(0);
    }
};

// Mirrors a forest-scattering object class: the surfaces and objects it scatters are its items.
class RefAnimForest : public RefAnimKind<RefAnimForest, RefAnimWithRefs, KIND_FOREST, IDS_REFANIMFOREST> {
public:
    using RefAnimKind::RefAnimKind;
    // The scattering rebuilds its geometry whenever one of its items moves or changes shape, and says so
    // with geometry and topology parts only: that is never an edit of the user's on the object itself.
    bool IsIgnorablePart(PartID partMask) const override {
        if (partMask != 0 && (partMask & ~(PART_GEOM | PART_TOPO)) == 0) return true;
        return RefAnim::IsIgnorablePart(partMask);
    }
};
