// The mirror of a Boolean compound object: the operand list it saw last (names, operations, active
// states, solo index); a change of that list is the user's edit of the compound.
#pragma once

#include "plugin/anims/RefAnimKind.h"

#include <cstdint>
#include <vector>

class BooleanObject;

// Only the list marks the mirror: an operand's own edits reach the compound too, but they belong to the
// operand's mirrors, and the compound's parameters to its block's. A Modified mirror keeps the compound
// (a real dependency) and puts it back in the fresh one's place after a merge.
class RefAnimBoolean : public RefAnimKind<RefAnimBoolean, RefAnim, KIND_BOOLEAN, IDS_REFANIMBOOLEAN> {
public:
    using RefAnimKind::RefAnimKind;

    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    // Compares once more before the content goes: an edit made while messages were ignored counts too.
    void CollectLocDep(DWORD stamp) override;
    // A marked mirror puts the user's compound in the fresh compound's place; otherwise as any mirror.
    void Override(Animatable* root) override;
    void BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) override;
    MSTR Describe() override;

protected:
    // A compound arriving in reference 0 is recorded: the file's for a mirror that follows it, the user's
    // for a marked one that a scene file gives back.
    void SetReference(int i, RefTargetHandle rtarg) override;

private:
    static BooleanObject* BooleanOf(Animatable* anim);
    void Record(BooleanObject* b);
    bool Differs(BooleanObject* b) const;
    // A list that differs from the record is recorded and marks the mirror (once).
    void Mark(BooleanObject* b, bool undoable);

    std::vector<WStr> names_;
    std::vector<std::int32_t> operations_;
    std::vector<std::uint8_t> active_;
    std::int32_t solo_ = -1;
};
