// Reference changes with their dependent bookkeeping, the loop test, and deleted-target handling.
#include "host/core/RefGraph.h"

#include "host/core/Hold.h"
#include "host/core/RefRestore.h"

#include <vector>

RefList::Token RefGraph::Set(ReferenceMaker* m, int slot, ReferenceTarget* t, const RefList::Token* revive,
                             bool undoRedo) {
    RefList::Token removed;
    Move(m, slot, m->GetReference(slot), t, revive, undoRedo, removed);
    return removed;
}

ReferenceTarget* RefGraph::Move(ReferenceMaker* m, int slot, ReferenceTarget* cur, ReferenceTarget* t,
                                const RefList::Token* revive, bool undoRedo, RefList::Token& removed) {
    if (cur == t) return t;
    if (cur) {
        removed = cur->dependents_.Remove(m, slot, !cur->PositionsHeld());
        if (removed.Valid()) --m->liveRefs_;
    }
    m->SetReference(slot, t);
    // A maker that refused t (a target of the wrong kind for the slot) holds null: t gains no dependent.
    if (t && m->GetReference(slot) != t) t = nullptr;
    if (t) {
        if (revive) t->dependents_.Revive(*revive, m, slot);
        else t->dependents_.Add(m, slot);
        ++m->liveRefs_;
    }
    if (cur) {
        if (undoRedo) cur->RefDeletedUndoRedo();
        else cur->RefDeleted();
    }
    if (t) {
        if (undoRedo) t->RefAddedUndoRedo(m);
        else t->RefAdded(m);
    }
    return t;
}

RefList::Token RefGraph::DropAt(ReferenceMaker* m, int slot, ReferenceTarget* t, size_t pos) {
    const RefList::Token removed = t->dependents_.RemoveAt(pos, !t->PositionsHeld());
    if (removed.Valid()) --m->liveRefs_;
    m->SetReference(slot, nullptr);
    t->RefDeleted();
    return removed;
}

RefResult RefGraph::Replace(ReferenceMaker* m, int which, ReferenceTarget* t, BOOL delOld) {
    if (!m || which < 0 || which >= m->NumRefs()) return REF_FAIL;
    ReferenceTarget* old = m->GetReference(which);
    if (old == t) return REF_SUCCEED;
    if (t && (t->TestAFlag(A_IS_DELETED) || WouldLoop(m, t))) return REF_FAIL;
    // Filling an empty reference, the common case of building a scene, has no old target to keep alive
    // or to offer auto-delete.
    if (!old) {
        const bool holding = theHold.Holding() != 0;
        RefList::Token removed;
        ReferenceTarget* now = Move(m, which, nullptr, t, nullptr, false, removed);
        if (holding) theHold.Put(new RefChangeRestore(m, which, nullptr, now, removed));
        return now == t ? REF_SUCCEED : REF_FAIL;
    }
    return ReplaceRead(m, which, old, t, delOld);
}

RefResult RefGraph::ReplaceRead(ReferenceMaker* m, int which, ReferenceTarget* old, ReferenceTarget* t,
                                BOOL delOld) {
    const bool holding = theHold.Holding() != 0;
    RefList::Token removed;
    // The old target stays in memory until it has been offered auto-delete, whatever the hooks do.
    RefTargetPin keepOld(old);
    // A target of the wrong kind for the slot is refused: the reference is null now.
    ReferenceTarget* now = Move(m, which, old, t, nullptr, false, removed);
    if (holding) theHold.Put(new RefChangeRestore(m, which, old, now, removed));
    if (delOld) old->MaybeAutoDelete();
    return now == t ? REF_SUCCEED : REF_FAIL;
}

bool RefGraph::WouldLoop(ReferenceMaker* m, ReferenceTarget* t) {
    if (!t || !m->IsRefTarget()) return false;
    auto* start = static_cast<ReferenceTarget*>(m);
    if (start == t) return true;
    // A target nothing depends on yet (a fresh one, the common case) closes no loop.
    if (start->dependents_.Count() == 0) return false;
    // Walks up from m through dependents, marking what it meets with a flag that it clears before it
    // returns; the work lists are kept for every walk (nothing inside calls back out), so the walk
    // allocates nothing once they have grown.
    static std::vector<ReferenceTarget*> todo;
    static std::vector<ReferenceTarget*> marked;
    todo.assign(1, start);
    marked.assign(1, start);
    start->SetAFlag(A_LOOP_VISITED);
    bool loop = false;
    while (!todo.empty() && !loop) {
        ReferenceTarget* x = todo.back();
        todo.pop_back();
        const RefList& deps = x->dependents_;
        for (size_t i = 0; i < deps.Size(); ++i) {
            ReferenceMaker* d = deps.MakerAt(i);
            if (!d) continue;
            if (d == t) {
                loop = true;
                break;
            }
            if (!d->IsRefTarget()) continue;
            auto* dt = static_cast<ReferenceTarget*>(d);
            if (dt->TestAFlag(A_LOOP_VISITED)) continue;
            dt->SetAFlag(A_LOOP_VISITED);
            marked.push_back(dt);
            todo.push_back(dt);
        }
    }
    for (ReferenceTarget* x : marked) x->ClearAFlag(A_LOOP_VISITED);
    return loop;
}

int RefGraph::LocateSlot(ReferenceMaker* m, ReferenceTarget* t, int hint, bool transferableOnly) {
    const int n = m->NumRefs();
    if (hint >= 0 && hint < n && m->GetReference(hint) == t) {
        if (!transferableOnly || m->CanTransferReference(hint)) return hint;
        return -1;
    }
    for (int i = 0; i < n; ++i)
        if (m->GetReference(i) == t && (!transferableOnly || m->CanTransferReference(i))) return i;
    return -1;
}

void RefGraph::SetDeleted(ReferenceTarget* t, bool deleted) {
    // A deleted target's entry positions must survive until an undo revives them.
    if (deleted) t->SetAFlag(A_IS_DELETED);
    else t->ClearAFlag(A_IS_DELETED);
    if (!t->PositionsHeld()) t->dependents_.Squeeze();
}

void RefGraph::Free(ReferenceTarget* t) { t->Free(); }
