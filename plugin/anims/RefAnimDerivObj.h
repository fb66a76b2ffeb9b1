// The mirror of a derived object held by something other than a node: it watches the shape of the stack
// (how many modifiers, how deeply nested, their names and switches) and puts the user's changed stack back
// in its parent at the re-merge.
#pragma once

#include "plugin/anims/RefAnimKind.h"

#include <cstdint>
#include <vector>

class IDerivedObject;

class RefAnimDerivObj : public RefAnimKind<RefAnimDerivObj, RefAnim, KIND_DERIV_OBJ, IDS_REFANIMDERIVOBJ> {
public:
    using RefAnimKind::RefAnimKind;

    // A changed switch, a modifier more or less, or another nesting marks the stack Modified; a rename
    // refreshes the names. Always stops propagation.
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    // A changed stack goes back into the fresh one's place, unless a node outside the referenced content
    // uses the fresh object (then the mirror follows it).
    void Override(Animatable* root) override;
    void BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) override;
    MSTR Describe() override;

    int GetModifierCount() const { return modCount_; }
    int GetNestedCount() const { return nestedCount_; }
    const std::vector<WStr>& GetModifierNames() const { return names_; }
    const std::vector<std::uint8_t>& GetModifierToggles() const { return toggles_; }

protected:
    // A new derived object is taken down at once: the modifiers' names and switches over the chain.
    void SetReference(int i, RefTargetHandle rtarg) override;

private:
    void Snapshot(IDerivedObject* top);
    // Whether every node using obj (through the stacks above it) is a node of the referenced content.
    static bool OnlyReferencedNodesUse(ReferenceTarget* obj);

    std::int32_t modCount_ = 0;
    std::int32_t nestedCount_ = 0;
    std::vector<WStr> names_;
    std::vector<std::uint8_t> toggles_;
};
