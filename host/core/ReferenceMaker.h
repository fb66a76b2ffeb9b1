// An animatable that holds numbered references to reference targets.
#pragma once

#include "host/core/Animatable.h"
#include "host/core/IOResult.h"
#include "host/core/RefMessages.h"

#include <unordered_set>

class ISave;
class ILoad;
class ReferenceMaker;
class ReferenceTarget;
class RefGraph;

using RefTargetHandle = ReferenceTarget*;
using RefMakerHandle = ReferenceMaker*;

// Answers of a RefEnumProc.
constexpr int REF_ENUM_CONTINUE = 0;
constexpr int REF_ENUM_HALT = 1;
constexpr int REF_ENUM_SKIP = 2; // do not descend into this maker's references

// Visits every maker reachable through references (EnumRefHierarchy), each once.
class RefEnumProc {
public:
    virtual ~RefEnumProc() = default;
    virtual int proc(ReferenceMaker* rm) = 0;
    // True when rm was seen before in this enumeration; marks it seen otherwise.
    bool CheckIfAndSetAsVisited(ReferenceMaker* rm) { return !visited_.insert(rm).second; }
    void BeginEnumeration() { visited_.clear(); }

private:
    std::unordered_set<ReferenceMaker*> visited_;
};

class ReferenceMaker : public Animatable {
public:
    ReferenceMaker() = default;
    // A maker must drop its references before it goes (DeleteAllRefs in the derived destructor, or
    // deletion through DeleteMe); a maker freed with live references is a programming error that the
    // host stops on, since the targets would keep calling it.
    ~ReferenceMaker() override;

    BOOL IsRefMaker() override { return TRUE; }

    virtual int NumRefs() { return 0; }
    virtual RefTargetHandle GetReference(int /*i*/) { return nullptr; }

    // The public way to change a reference: keeps the target's dependents in step, records the change
    // for undo while the hold is open, and lets the old target auto-delete when delOld is set. Fails
    // (REF_FAIL) for an index out of range, a deleted target, or a target that depends on this maker
    // (a reference loop).
    RefResult ReplaceReference(int which, RefTargetHandle newtarg, BOOL delOld = TRUE);
    // ReplaceReference(i, null) with auto-delete of the old target.
    RefResult DeleteReference(int i);
    RefResult DeleteAllRefsFromMe();
    // DeleteAllRefsFromMe, and for a target also DeleteAllRefsToMe.
    RefResult DeleteAllRefs();
    // Index of the first reference to rtarg, or -1.
    int FindRef(RefTargetHandle rtarg);

    // Messages from the targets this maker references. hTarget is the target that sent the message
    // (or that a propagated message passed through); REF_STOP ends propagation through this maker.
    virtual RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                                       RefMessage message, BOOL propagate);
    // Whether the reference to rtarg keeps it alive (a real dependency) or not (weak).
    virtual BOOL IsRealDependency(ReferenceTarget* /*rtarg*/) { return TRUE; }
    // Whether a weak reference is written to the scene file all the same.
    virtual BOOL ShouldPersistWeakRef(RefTargetHandle /*rtarg*/) { return FALSE; }
    // Whether TransferReferences may re-point reference i.
    virtual BOOL CanTransferReference(int /*i*/) { return TRUE; }

    // Walks the references (and the custom attributes) so every object below reports its files; with
    // FILE_ENUM_CHECK_AWORK1 a maker marked A_WORK1 was visited already and is skipped, else it is marked.
    void EnumAuxFiles(AssetEnumCallback& assetEnum, DWORD flags) override;

    virtual IOResult Save(ISave* isave);
    virtual IOResult Load(ILoad* iload);

    // A maker with messages disabled is skipped by NotifyDependents (and passes nothing on).
    void DisableRefMsgs() { SetAFlag(A_REFMSGS_DISABLED); }
    void EnableRefMsgs() { ClearAFlag(A_REFMSGS_DISABLED); }
    bool RefMsgsDisabled() const { return TestAFlag(A_REFMSGS_DISABLED); }

    // Depth-first walk of this maker and every maker it reaches through references, each visited
    // once. Without includeNonPersistentRefs only references that are saved are followed (real ones and
    // weak ones that ShouldPersistWeakRef keeps). Returns false when the proc halted the walk.
    bool EnumRefHierarchy(RefEnumProc& proc, bool includeCustAttribs = true, bool includeIndirectRefs = true,
                          bool includeNonPersistentRefs = true, bool preventDuplicatesViaFlag = true);

    // Number of dependent entries this maker holds in targets' lists (one per non-null reference).
    int NumLiveRefs() const { return liveRefs_; }

protected:
    // Private storage of reference i: set the field, nothing else. The host calls it; plug-in code
    // changes references through ReplaceReference.
    virtual void SetReference(int /*i*/, RefTargetHandle /*rtarg*/) {}

private:
    friend class RefGraph;
    friend class ReferenceTarget;
    bool EnumRefs(RefEnumProc& proc, bool includeCustAttribs, bool includeNonPersistentRefs, bool dedupe);

    int liveRefs_ = 0;
};
