// Mirrors of animatables that hold references to other scene items, and of animatables tracked only for local
// dependents.
#pragma once

#include "plugin/anims/ModifierMirror.h"
#include "plugin/anims/RefAnimKind.h"

// Mirrors objects and controllers holding independent references to other scene items.
class RefAnimIndepRefs : public RefAnimKind<RefAnimIndepRefs, RefAnim, KIND_INDEP_REFS, IDS_REFANIMINDEPREFS> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors animatables holding references to other scene items (script controllers and similar).
class RefAnimWithRefs : public RefAnimKind<RefAnimWithRefs, RefAnim, KIND_WITH_REFS, IDS_REFANIMWITHREFS> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors animatables tracked only for local dependents.
class RefAnimLocDep : public RefAnimKind<RefAnimLocDep, RefAnim, 0x0000000c, IDS_REFANIMLOCDEP> {
public:
    using RefAnimKind::RefAnimKind;
    // Registered under class id (0xc, 0), it reports the kind number the kind rule assigns it.
    ULONG GetKindID() const override { return KIND_LOC_DEP; }
};

// Mirrors modifiers holding references.
class RefAnimWithRefsMod : public RefAnimKind<RefAnimWithRefsMod, ModifierMirror<RefAnimWithRefs>, KIND_WITH_REFS_MOD,
                                               IDS_REFANIMWITHREFSMOD> {
public:
    using RefAnimKind::RefAnimKind;
};
