// Reference makers: the public reference operations and the walk over the reference hierarchy.
#include "host/core/ReferenceMaker.h"

#include "host/core/AssetEnumCallback.h"
#include "host/core/RefGraph.h"
#include "host/core/ReferenceTarget.h"

#include <cstdio>
#include <cstdlib>

ReferenceMaker::~ReferenceMaker() {
    if (liveRefs_ != 0) {
        // The targets would call this maker after it is gone; there is no safe way on from here.
        std::fprintf(stderr,
                     "ReferenceMaker destroyed with %d reference(s) still registered with their targets: "
                     "call DeleteAllRefs() in the destructor or delete through DeleteMe()\n",
                     liveRefs_);
        std::abort();
    }
}

RefResult ReferenceMaker::ReplaceReference(int which, RefTargetHandle newtarg, BOOL delOld) {
    return RefGraph::Replace(this, which, newtarg, delOld);
}

RefResult ReferenceMaker::DeleteReference(int i) { return ReplaceReference(i, nullptr, TRUE); }

RefResult ReferenceMaker::DeleteAllRefsFromMe() {
    // NumRefs is read on every round: dropping a reference may shrink a variable reference table. Every
    // reference the maker holds has its entry with the target, so the walk ends with the last one: a
    // record's long table, or a maker asked again by its destructor after its deletion dropped all, is
    // not read slot by slot for nothing.
    for (int i = 0; liveRefs_ > 0 && i < NumRefs(); ++i)
        if (ReferenceTarget* old = GetReference(i)) RefGraph::ReplaceRead(this, i, old, nullptr, TRUE);
    return REF_SUCCEED;
}

RefResult ReferenceMaker::DeleteAllRefs() {
    DeleteAllRefsFromMe();
    if (IsRefTarget()) static_cast<ReferenceTarget*>(this)->DeleteAllRefsToMe();
    return REF_SUCCEED;
}

int ReferenceMaker::FindRef(RefTargetHandle rtarg) {
    if (!rtarg) return -1;
    const int n = NumRefs();
    for (int i = 0; i < n; ++i)
        if (GetReference(i) == rtarg) return i;
    return -1;
}

RefResult ReferenceMaker::NotifyRefChanged(const Interval& /*changeInt*/, RefTargetHandle /*hTarget*/,
                                           PartID& /*partID*/, RefMessage /*message*/, BOOL /*propagate*/) {
    return REF_SUCCEED;
}

void ReferenceMaker::EnumAuxFiles(AssetEnumCallback& assetEnum, DWORD flags) {
    if (flags & FILE_ENUM_CHECK_AWORK1) {
        if (TestAFlag(A_WORK1)) return;
        SetAFlag(A_WORK1);
    }
    if (flags & FILE_ENUM_DONT_RECURSE) return;
    for (int i = 0; i < NumRefs(); ++i)
        if (ReferenceTarget* t = GetReference(i)) t->EnumAuxFiles(assetEnum, flags);
    if (ReferenceTarget* ca = GetCustAttribContainerTarget()) ca->EnumAuxFiles(assetEnum, flags);
}

IOResult ReferenceMaker::Save(ISave* /*isave*/) { return IO_OK; }
IOResult ReferenceMaker::Load(ILoad* /*iload*/) { return IO_OK; }

bool ReferenceMaker::EnumRefHierarchy(RefEnumProc& proc, bool includeCustAttribs, bool /*includeIndirectRefs*/,
                                      bool includeNonPersistentRefs, bool preventDuplicatesViaFlag) {
    proc.BeginEnumeration();
    return EnumRefs(proc, includeCustAttribs, includeNonPersistentRefs, preventDuplicatesViaFlag);
}

bool ReferenceMaker::EnumRefs(RefEnumProc& proc, bool includeCustAttribs, bool includeNonPersistentRefs,
                              bool dedupe) {
    if (dedupe && proc.CheckIfAndSetAsVisited(this)) return true;
    const int r = proc.proc(this);
    if (r == REF_ENUM_HALT) return false;
    if (r == REF_ENUM_SKIP) return true;
    if (includeCustAttribs) {
        if (ReferenceTarget* c = GetCustAttribContainerTarget())
            if (!c->EnumRefs(proc, includeCustAttribs, includeNonPersistentRefs, dedupe)) return false;
    }
    for (int i = 0; i < NumRefs(); ++i) {
        ReferenceTarget* t = GetReference(i);
        if (!t) continue;
        if (!includeNonPersistentRefs && !IsRealDependency(t) && !ShouldPersistWeakRef(t)) continue;
        if (!t->EnumRefs(proc, includeCustAttribs, includeNonPersistentRefs, dedupe)) return false;
    }
    return true;
}
