// The mirror of a container helper: the nodes the user put in or took out of the file's container, by
// name, put again on the fresh container after every merge while the author's other members come through.
#pragma once

#include "plugin/anims/RefAnimKind.h"

#include <string>
#include <unordered_set>
#include <vector>

class ContainerHelper;

// A marked mirror keeps the user's container (a real dependency): the local nodes it holds outlive the
// referenced content, also through a save and open, and are held again by the fresh container. The names
// the user added or took out are kept for the session: a node of the referenced content is found again by
// its name in the fresh content.
class RefAnimContainer : public RefAnimKind<RefAnimContainer, RefAnim, KIND_CONTAINER, IDS_REFANIMCONTAINER> {
public:
    using RefAnimKind::RefAnimKind;

    // A change of the members is the user's: the names added and taken out are recorded and the mirror is
    // marked (undoable). Undo and redo move the names back without marking.
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    // Compares once more before the content goes: a change made while messages were ignored counts too.
    void CollectLocDep(DWORD stamp) override;
    // A marked mirror gives the fresh container the user's members and follows it; otherwise as any mirror.
    void Override(Animatable* root) override;
    void BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) override;

    const std::vector<std::wstring>& GetAddedNames() const { return added_; }
    const std::unordered_set<std::wstring>& GetRemovedNames() const { return removed_; }

protected:
    // A container arriving in reference 0 gives the members seen.
    void SetReference(int i, RefTargetHandle rtarg) override;

private:
    static ContainerHelper* ContainerOf(Animatable* anim);
    static std::vector<std::wstring> NamesOf(ContainerHelper* c);
    // Moves what changed since the members last seen into the added and removed names; true when any did.
    bool Diff(ContainerHelper* c);
    void Mark(ContainerHelper* c, bool undoable);

    std::vector<std::wstring> seen_;
    std::vector<std::wstring> added_;
    std::unordered_set<std::wstring> addedSet_;
    std::unordered_set<std::wstring> removed_;
};
