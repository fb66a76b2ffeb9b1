// Host-internal operations on the reference graph, shared by makers, targets and their undo records.
#pragma once

#include "host/core/RefList.h"
#include "host/core/ReferenceTarget.h"

// Plug-in code never calls these: it uses ReplaceReference, DeleteMe and the other public operations.
class RefGraph {
public:
    // Points reference `slot` of m at t (null allowed) and moves m's dependent entry from the old target
    // to t; with `revive` the entry goes back where an earlier removal took it from. No undo record, no
    // auto-delete, no loop test. A maker that refuses t (wrong kind for the slot) ends with null and t
    // gains no dependent. Returns where m's entry in the old target's list was.
    static RefList::Token Set(ReferenceMaker* m, int slot, ReferenceTarget* t, const RefList::Token* revive,
                              bool undoRedo);
    // Set for a caller that has read the current target `cur` already; returns what the reference holds
    // now (t, or null when the maker refused t).
    static ReferenceTarget* Move(ReferenceMaker* m, int slot, ReferenceTarget* cur, ReferenceTarget* t,
                                 const RefList::Token* revive, bool undoRedo, RefList::Token& removed);
    // Nulls reference `slot` of m, which points at t through t's dependent entry at position pos: Set
    // for a walk over t's own list, which finds the entry without a search.
    static RefList::Token DropAt(ReferenceMaker* m, int slot, ReferenceTarget* t, size_t pos);
    // ReplaceReference: checks, undo record, Set, auto-delete of the old target.
    static RefResult Replace(ReferenceMaker* m, int which, ReferenceTarget* t, BOOL delOld);
    // Replace past its checks, for a caller that has read reference `which` as `old` (not null) and may
    // set t there: a deletion drops millions of references this way without asking the maker again.
    static RefResult ReplaceRead(ReferenceMaker* m, int which, ReferenceTarget* old, ReferenceTarget* t,
                                 BOOL delOld);
    // True when m (as a target) is t or something that depends on it is t: referencing t would close a loop.
    static bool WouldLoop(ReferenceMaker* m, ReferenceTarget* t);
    // The reference of m that points at t: `hint` when it does, else the first such index; -1 if none.
    // With transferableOnly, only references m lets transfer count.
    static int LocateSlot(ReferenceMaker* m, ReferenceTarget* t, int hint, bool transferableOnly = false);

    // Deleted-target bookkeeping for the undo records.
    static void SetDeleted(ReferenceTarget* t, bool deleted);
    static void Free(ReferenceTarget* t);
};

// Keeps a target in memory and its dependents' positions fixed for a scope.
class RefTargetPin {
public:
    explicit RefTargetPin(ReferenceTarget* t) : t_(t) {
        if (t_) t_->Pin();
    }
    ~RefTargetPin() {
        if (t_) t_->Unpin();
    }
    RefTargetPin(const RefTargetPin&) = delete;
    RefTargetPin& operator=(const RefTargetPin&) = delete;

private:
    ReferenceTarget* t_;
};
