// A reference maker that others can reference: its dependents, messages to them, deletion and cloning.
#pragma once

#include "host/core/RefList.h"
#include "host/core/ReferenceMaker.h"

#include <cstdint>
#include <unordered_set>

class RemapDir;

// Answers of a DependentEnumProc.
constexpr int DEP_ENUM_CONTINUE = 0;
constexpr int DEP_ENUM_HALT = 1;
constexpr int DEP_ENUM_SKIP = 2; // do not go on to this maker's own dependents

// DoEnumDependents calls proc with the target itself first, then with its dependents and, unless proc
// answers DEP_ENUM_SKIP, their dependents in turn, depth first, each maker once.
class DependentEnumProc {
public:
    virtual ~DependentEnumProc() = default;
    virtual int proc(ReferenceMaker* rmaker) = 0;
    bool CheckIfAndSetAsVisited(ReferenceMaker* rmaker) { return !visited_.insert(rmaker).second; }

private:
    friend class ReferenceTarget;
    std::unordered_set<ReferenceMaker*> visited_;
};

class ReferenceTarget : public ReferenceMaker {
public:
    ReferenceTarget() = default;
    ~ReferenceTarget() override;

    BOOL IsRefTarget() override { return TRUE; }

    // Sends a message to every dependent (of super class notifyDependentsClassID unless NOTIFY_ALL) with
    // hTarget = hTarg or this. A dependent that is itself a target and does not answer REF_STOP passes the
    // message on to its own dependents when propagate is set. A maker that holds two references to this
    // target hears the message once. Dependents added during the walk are not called; removed ones are
    // not called any more. Each target is passed through at most once per path, so a loop ends.
    RefResult NotifyDependents(const Interval& changeInt, PartID partID, RefMessage message,
                               SClass_ID notifyDependentsClassID = NOTIFY_ALL, BOOL propagate = TRUE,
                               RefTargetHandle hTarg = nullptr);

    // Returns 1 when the proc halted the enumeration.
    int DoEnumDependents(DependentEnumProc* dep);
    // Live dependent entries (a maker referencing this twice counts twice).
    int NumDependents() const { return dependents_.Count(); }
    BOOL HasDependents() const { return dependents_.Count() > 0; }
    // True when some dependent holds a real dependency on this target.
    BOOL HasRealDependents();

    // Re-points to this target every reference to oldTarget whose maker allows it
    // (CanTransferReference), through ReplaceReference so that undo follows. With delOld the old target
    // is then auto-deleted if nothing real holds it any more.
    RefResult TransferReferences(RefTargetHandle oldTarget, BOOL delOld = FALSE);

    // Deletes this target when no real dependent is left and it is not locked (A_LOCK_TARGET).
    // Returns REF_SUCCEED when it was deleted.
    RefResult MaybeAutoDelete();
    // Deletes this target; what MaybeAutoDelete calls. A class may refuse by not calling the base.
    virtual RefResult AutoDelete();
    // Deletes this target now: every dependent gets REFMSG_TARGET_DELETED and loses its reference, this
    // target drops its own references (which may auto-delete further targets), then it is freed. While
    // the undo system holds, it is not freed but flagged A_IS_DELETED and kept by the undo step.
    RefResult DeleteMe();
    // Nulls every reference to this target (no message), recording the changes for undo.
    RefResult DeleteAllRefsToMe();

    // Hooks: a reference to this target was added / removed, by an edit or by an undo or redo.
    virtual void RefAdded(RefMakerHandle /*rm*/) {}
    virtual void RefAddedUndoRedo(RefMakerHandle /*rm*/) {}
    virtual void RefDeleted() {}
    virtual void RefDeletedUndoRedo() {}

    // A copy whose references are remapped through remap; null for a class that cannot be cloned.
    virtual RefTargetHandle Clone(RemapDir& remap);
    // Records the from -> to mapping; a Clone implementation calls it after building the copy.
    virtual void BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap);

private:
    friend class RefGraph;
    friend class RefTargetPin;
    friend class DependentIterator;
    friend class ReferenceMaker;

    RefResult NotifyAlong(const Interval& changeInt, PartID partID, RefMessage message, SClass_ID filter,
                          BOOL propagate, RefTargetHandle hTarg);
    int EnumDependentsFrom(DependentEnumProc* dep);
    void Pin() { ++pins_; }
    // Pins nest (a deletion pins its target, then each of its walks pins it again): only the outermost
    // one's end has work to do.
    void Unpin() {
        if (--pins_ == 0) Unpinned();
    }
    // The last walk ended: a pending free happens now, else the holes may be squeezed out.
    void Unpinned();
    // Positions in the dependents list hold still while a walk is in progress and while a deleted target
    // waits for an undo to revive its entries where they stood.
    bool PositionsHeld() const { return pins_ > 0 || TestAFlag(A_IS_DELETED); }
    // Frees the target now, or when the last walk over it ends.
    void Free();

    // A scene holds millions of targets: the base is kept to 48 bytes. The walk counter comes first, in
    // the room the maker's fields leave before the list. It counts the walks over the dependents in
    // progress; freePending_ says the target is to be freed when the last ends.
    std::uint32_t pins_ : 31 = 0;
    std::uint32_t freePending_ : 1 = 0;
    RefList dependents_;
};

// Walks a target's dependent entries in order (a maker with two references to it appears twice). The
// target stays in memory while the iterator lives, even if it is deleted meanwhile.
class DependentIterator {
public:
    explicit DependentIterator(ReferenceTarget* target);
    ~DependentIterator();
    DependentIterator(const DependentIterator&) = delete;
    DependentIterator& operator=(const DependentIterator&) = delete;
    // The next dependent, or null at the end.
    ReferenceMaker* Next();
    void Reset() { pos_ = 0; }

private:
    ReferenceTarget* target_;
    size_t pos_ = 0;
};
