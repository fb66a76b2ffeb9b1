// Mirrors of animatables that hold references to other scene items, and of animatables tracked only for local
// dependents.
#pragma once

#include "plugin/anims/RefAnimKind.h"

// Mirrors objects and controllers holding independent references to other scene items.
class RefAnimIndepRefs : public RefAnimKind<RefAnimIndepRefs, RefAnim, 0x00030006, IDS_REFANIMINDEPREFS> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors animatables holding references to other scene items (script controllers and similar).
class RefAnimWithRefs : public RefAnimKind<RefAnimWithRefs, RefAnim, 0x00030009, IDS_REFANIMWITHREFS> {
public:
    using RefAnimKind::RefAnimKind;
};

// Mirrors animatables tracked only for local dependents.
class RefAnimLocDep : public RefAnimKind<RefAnimLocDep, RefAnim, 0x0000000c, IDS_REFANIMLOCDEP> {
public:
    using RefAnimKind::RefAnimKind;
    // Registered under class id (0xc, 0), it reports the kind number the kind rule assigns it.
    ULONG GetKindID() const override { return kLocDepKindID; }
    static constexpr ULONG kLocDepKindID = 0x0003000c;
};

// Mirrors modifiers holding references.
class RefAnimWithRefsMod
    : public RefAnimKind<RefAnimWithRefsMod, RefAnimWithRefs, 0x00030015, IDS_REFANIMWITHREFSMOD> {
public:
    using RefAnimKind::RefAnimKind;
};
