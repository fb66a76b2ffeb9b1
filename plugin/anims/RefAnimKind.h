// What every mirror kind adds to its base: its class id (ClassPartA, 0), the kind id it reports (the same
// number unless the kind overrides GetKindID), its kind name from the string table, and a clone of its own
// class.
#pragma once

#include "host/core/RemapDir.h"
#include "plugin/anims/RefAnim.h"
#include "plugin/frame/StringTable.h"

template <class Derived, class Base, ULONG ClassPartA, int NameId> class RefAnimKind : public Base {
public:
    static constexpr Class_ID kClassID{ClassPartA, 0};
    static constexpr int kNameId = NameId;

    explicit RefAnimKind(BOOL loading = FALSE) : Base(loading) {}

    Class_ID ClassID() override { return kClassID; }
    ULONG GetKindID() const override { return ClassPartA; }
    const MCHAR* GetKindName() const override { return GetString(NameId); }
    RefTargetHandle Clone(RemapDir& remap) override {
        auto* copy = new Derived(FALSE);
        this->BaseClone(this, copy, remap);
        return copy;
    }
};
