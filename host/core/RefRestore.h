// Undo records of the reference graph: a reference change, dropped dependents, a deferred deletion.
#pragma once

#include "host/core/Hold.h"
#include "host/core/RefList.h"
#include "host/core/ReferenceTarget.h"

#include <vector>

// The objects are held by handle as well as by pointer: an undo or redo that finds one of them freed
// (by something that did not go through the undo system) leaves that part alone instead of touching
// freed memory.

// Reference `slot` of a maker moved from one target to another.
class RefChangeRestore : public RestoreObj {
public:
    // `removed` is where the maker's entry stood in the old target's dependents.
    RefChangeRestore(ReferenceMaker* maker, int slot, ReferenceTarget* oldTarget, ReferenceTarget* newTarget,
                     const RefList::Token& removed);
    void Restore(int isUndo) override;
    void Redo() override;
    int Size() override { return static_cast<int>(sizeof(*this)); }
    MSTR Description() override { return L"Reference Change"; }

private:
    ReferenceMaker* maker_;
    AnimHandle makerHandle_;
    int slot_;
    ReferenceTarget* old_;
    AnimHandle oldHandle_;
    ReferenceTarget* new_;
    AnimHandle newHandle_;
    RefList::Token inOld_; // where the entry stood in old's list
    RefList::Token inNew_; // where it stood in new's list when an undo took it out
};

// Every reference to a target was nulled (its deletion, or DeleteAllRefsToMe); undo puts them back in
// the target's original dependents order.
class DependentsDroppedRestore : public RestoreObj {
public:
    struct Item {
        ReferenceMaker* maker;
        AnimHandle makerHandle;
        int slot;
        RefList::Token where;
    };
    DependentsDroppedRestore(ReferenceTarget* target, std::vector<Item> items);
    void Restore(int isUndo) override;
    void Redo() override;
    int Size() override { return static_cast<int>(sizeof(*this) + items_.size() * sizeof(Item)); }
    MSTR Description() override { return L"Delete References To Target"; }

private:
    ReferenceTarget* target_;
    AnimHandle targetHandle_;
    std::vector<Item> items_;
};

// A target deleted while holding: this record owns it from then on. Undo brings it back (the records
// put after this one re-attach its references); when the record leaves the undo buffer with the target
// still deleted, the target is freed.
class DeletedTargetRestore : public RestoreObj {
public:
    explicit DeletedTargetRestore(ReferenceTarget* target);
    ~DeletedTargetRestore() override;
    void Restore(int isUndo) override;
    void Redo() override;
    int Size() override { return static_cast<int>(sizeof(*this)); }
    MSTR Description() override { return L"Delete Target"; }

private:
    ReferenceTarget* target_;
    AnimHandle handle_;
};
