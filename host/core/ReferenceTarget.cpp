// Reference targets: message delivery to dependents, enumeration, transfer, auto-delete and deletion.
#include "host/core/ReferenceTarget.h"

#include "host/core/Hold.h"
#include "host/core/RefGraph.h"
#include "host/core/RefRestore.h"
#include "host/core/RemapDir.h"

#include <algorithm>
#include <optional>
#include <unordered_set>
#include <vector>

static_assert(sizeof(ReferenceTarget) <= 48, "a scene holds millions of targets: the base is kept to 48 bytes");

namespace {

// The targets on the paths of the messages being delivered, outermost first. A handler may start a
// message of its own (a new chain): the targets from `chainBase` on belong to the innermost chain.
std::vector<ReferenceTarget*>& NotifyPath() {
    static std::vector<ReferenceTarget*> path;
    return path;
}
size_t chainBase = 0;

// Puts a target on the current path for a scope: the flag tells without a search that a target is on no
// path at all, the common case.
class OnNotifyPath {
public:
    explicit OnNotifyPath(ReferenceTarget* t) : t_(t), wasOnPath_(t->TestAFlag(A_ON_NOTIFY_PATH)) {
        NotifyPath().push_back(t);
        t->SetAFlag(A_ON_NOTIFY_PATH);
    }
    ~OnNotifyPath() {
        NotifyPath().pop_back();
        if (!wasOnPath_) t_->ClearAFlag(A_ON_NOTIFY_PATH);
    }
    OnNotifyPath(const OnNotifyPath&) = delete;
    OnNotifyPath& operator=(const OnNotifyPath&) = delete;
    // True when t is already on the innermost chain's path: the message has been there.
    static bool OnThisChain(ReferenceTarget* t) {
        if (!t->TestAFlag(A_ON_NOTIFY_PATH)) return false;
        const auto& path = NotifyPath();
        return std::find(path.begin() + static_cast<std::ptrdiff_t>(chainBase), path.end(), t) != path.end();
    }

private:
    ReferenceTarget* t_;
    bool wasOnPath_;
};

// Opens a chain for one NotifyDependents call and closes it, even when a handler throws.
class NotifyChain {
public:
    NotifyChain() : outerBase_(chainBase) { chainBase = NotifyPath().size(); }
    ~NotifyChain() { chainBase = outerBase_; }
    NotifyChain(const NotifyChain&) = delete;
    NotifyChain& operator=(const NotifyChain&) = delete;

private:
    size_t outerBase_;
};

ReferenceTarget* AsTarget(ReferenceMaker* m) {
    return m && m->IsRefTarget() ? static_cast<ReferenceTarget*>(m) : nullptr;
}

// A maker with several entries in one list hears a message once: the makers already called are kept
// here, but only those that have more than one entry, so the usual walk allocates nothing. A maker that
// holds a single reference in all (a deletion walks millions of them) has one entry at most: neither the
// set nor the list is asked about it.
class HeardOnce {
public:
    bool AlreadyHeard(const RefList& list, ReferenceMaker* m) {
        if (heard_ && heard_->count(m)) return true;
        if (m->NumLiveRefs() > 1 && list.CountOf(m) > 1) {
            if (!heard_) heard_.emplace();
            heard_->insert(m);
        }
        return false;
    }

private:
    // Made only when a maker with several entries is met: every deletion opens one of these walks.
    std::optional<std::unordered_set<ReferenceMaker*>> heard_;
};

// HasRealDependents for a caller that holds t pinned already. Called on every dropped reference:
// starting past the holes keeps a long list cheap to ask.
bool AnyRealDependent(ReferenceTarget* t, RefList& deps) {
    for (size_t i = deps.FirstLive(); i < deps.Size(); ++i) {
        ReferenceMaker* m = deps.MakerAt(i);
        if (m && m->IsRealDependency(t)) return true;
    }
    return false;
}

} // namespace

ReferenceTarget::~ReferenceTarget() {
    // Reached with dependents only when a target is freed without DeleteMe; their references must not
    // dangle.
    for (size_t i = 0; i < dependents_.Size(); ++i) {
        ReferenceMaker* m = dependents_.MakerAt(i);
        if (!m) continue;
        const int slot = RefGraph::LocateSlot(m, this, dependents_.SlotAt(i));
        if (slot >= 0) m->SetReference(slot, nullptr);
        --m->liveRefs_;
    }
}

RefResult ReferenceTarget::NotifyDependents(const Interval& changeInt, PartID partID, RefMessage message,
                                            SClass_ID notifyDependentsClassID, BOOL propagate,
                                            RefTargetHandle hTarg) {
    NotifyChain chain;
    return NotifyAlong(changeInt, partID, message, notifyDependentsClassID, propagate, hTarg);
}

RefResult ReferenceTarget::NotifyAlong(const Interval& changeInt, PartID partID, RefMessage message,
                                       SClass_ID filter, BOOL propagate, RefTargetHandle hTarg) {
    // A target already on this propagation path closes a loop: the message has been here.
    if (TestAFlag(A_IS_DELETED) || OnNotifyPath::OnThisChain(this)) return REF_SUCCEED;
    Pin();
    {
        OnNotifyPath onPath(this);
        RefTargetHandle sender = hTarg ? hTarg : this;
        HeardOnce once;
        // Entries appended during the walk are past n; removed ones read as holes.
        const size_t n = dependents_.Size();
        for (size_t i = 0; i < n; ++i) {
            ReferenceMaker* m = dependents_.MakerAt(i);
            if (!m || m->RefMsgsDisabled()) continue;
            if (filter != NOTIFY_ALL && m->SuperClassID() != filter) continue;
            if (once.AlreadyHeard(dependents_, m)) continue;
            ReferenceTarget* mt = AsTarget(m);
            if (mt) mt->Pin(); // a dependent deleted by its own handler stays readable until it returns
            PartID part = partID;
            const RefResult r = m->NotifyRefChanged(changeInt, sender, part, message, propagate);
            if (mt) {
                if (r != REF_STOP && propagate && !mt->TestAFlag(A_IS_DELETED))
                    mt->NotifyAlong(changeInt, part, message, filter, propagate, nullptr);
                mt->Unpin();
            }
        }
    }
    Unpin();
    return REF_SUCCEED;
}

int ReferenceTarget::DoEnumDependents(DependentEnumProc* dep) {
    if (!dep) return 0;
    dep->visited_.clear();
    return EnumDependentsFrom(dep);
}

int ReferenceTarget::EnumDependentsFrom(DependentEnumProc* dep) {
    if (dep->CheckIfAndSetAsVisited(this)) return 0;
    const int r = dep->proc(this);
    if (r == DEP_ENUM_HALT) return 1;
    if (r == DEP_ENUM_SKIP) return 0;
    Pin();
    int halted = 0;
    const size_t n = dependents_.Size();
    for (size_t i = 0; i < n && !halted; ++i) {
        ReferenceMaker* m = dependents_.MakerAt(i);
        if (!m) continue;
        if (ReferenceTarget* mt = AsTarget(m)) {
            halted = mt->EnumDependentsFrom(dep);
        } else if (!dep->CheckIfAndSetAsVisited(m)) {
            halted = dep->proc(m) == DEP_ENUM_HALT ? 1 : 0;
        }
    }
    Unpin();
    return halted;
}

BOOL ReferenceTarget::HasRealDependents() {
    RefTargetPin pin(this);
    return AnyRealDependent(this, dependents_);
}

RefResult ReferenceTarget::TransferReferences(RefTargetHandle oldTarget, BOOL delOld) {
    if (!oldTarget || oldTarget == this) return REF_FAIL;
    if (oldTarget->TestAFlag(A_IS_DELETED) || TestAFlag(A_IS_DELETED)) return REF_FAIL;
    RefTargetPin keepThis(this);
    {
        RefTargetPin keepOld(oldTarget);
        RefList& deps = oldTarget->dependents_;
        const size_t n = deps.Size();
        for (size_t i = 0; i < n; ++i) {
            ReferenceMaker* m = deps.MakerAt(i);
            if (!m) continue;
            const int slot = RefGraph::LocateSlot(m, oldTarget, deps.SlotAt(i), true);
            if (slot < 0) continue;
            // A maker that this target depends on cannot take it: ReplaceReference refuses the loop.
            m->ReplaceReference(slot, this, FALSE);
        }
        if (delOld) oldTarget->MaybeAutoDelete();
    }
    return REF_SUCCEED;
}

RefResult ReferenceTarget::MaybeAutoDelete() {
    if (TestAFlag(A_LOCK_TARGET | A_IS_DELETED | A_BEING_AUTO_DELETED)) return REF_FAIL;
    Pin();
    RefResult r = REF_FAIL;
    if (!AnyRealDependent(this, dependents_)) {
        SetAFlag(A_BEING_AUTO_DELETED);
        r = AutoDelete();
        ClearAFlag(A_BEING_AUTO_DELETED);
    }
    Unpin();
    return r;
}

RefResult ReferenceTarget::AutoDelete() { return DeleteMe(); }

RefResult ReferenceTarget::DeleteMe() {
    if (TestAFlag(A_IS_DELETED)) return REF_SUCCEED;
    const bool holding = theHold.Holding() != 0;
    Pin();
    RefGraph::SetDeleted(this, true);
    if (holding) theHold.Put(new DeletedTargetRestore(this));

    // Every dependent hears it first, then all lose their references. Most targets of a deletion (a
    // dropped record's mirrors, a node's controllers) had their last dependent let go of them just before:
    // a list of holes has no one to tell and nothing to drop.
    if (dependents_.FirstLive() < dependents_.Size()) {
        HeardOnce once;
        const size_t n = dependents_.Size();
        for (size_t i = 0; i < n; ++i) {
            ReferenceMaker* m = dependents_.MakerAt(i);
            if (!m || m->RefMsgsDisabled() || once.AlreadyHeard(dependents_, m)) continue;
            RefTargetPin keep(AsTarget(m));
            PartID part = PART_ALL;
            m->NotifyRefChanged(FOREVER, this, part, REFMSG_TARGET_DELETED, FALSE);
        }
        DeleteAllRefsToMe();
    }
    DeleteAllRefsFromMe();

    if (!holding) Free();
    Unpin(); // frees it now when it was not held
    return REF_SUCCEED;
}

RefResult ReferenceTarget::DeleteAllRefsToMe() {
    const bool holding = theHold.Holding() != 0;
    std::vector<DependentsDroppedRestore::Item> items;
    Pin();
    const size_t n = dependents_.Size();
    for (size_t i = 0; i < n; ++i) {
        ReferenceMaker* m = dependents_.MakerAt(i);
        if (!m) continue;
        const int recorded = dependents_.SlotAt(i);
        const int slot = RefGraph::LocateSlot(m, this, recorded);
        if (slot < 0) {
            // The maker changed the reference behind the host's back: only the entry is left to drop.
            if (dependents_.Remove(m, recorded, false).Valid()) --m->liveRefs_;
            continue;
        }
        const AnimHandle h = holding ? Animatable::GetHandleByAnim(m) : 0;
        // The entry under the walk is the reference's own when its slot is the one recorded with it.
        RefList::Token where = slot == recorded ? RefGraph::DropAt(m, slot, this, i)
                                                : RefGraph::Set(m, slot, nullptr, nullptr, false);
        if (holding) items.push_back({m, h, slot, where});
    }
    if (holding && !items.empty()) theHold.Put(new DependentsDroppedRestore(this, std::move(items)));
    Unpin();
    return REF_SUCCEED;
}

RefTargetHandle ReferenceTarget::Clone(RemapDir& /*remap*/) { return nullptr; }

void ReferenceTarget::BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) {
    if (from && to) remap.AddEntry(from, to);
}

void ReferenceTarget::Unpinned() {
    if (freePending_) {
        freePending_ = 0;
        DeleteThis();
        return;
    }
    if (!PositionsHeld()) dependents_.Squeeze();
}

void ReferenceTarget::Free() {
    if (pins_ > 0) {
        freePending_ = 1;
        return;
    }
    DeleteThis();
}

DependentIterator::DependentIterator(ReferenceTarget* target) : target_(target) {
    if (target_) target_->Pin();
}

DependentIterator::~DependentIterator() {
    if (target_) target_->Unpin();
}

ReferenceMaker* DependentIterator::Next() {
    if (!target_) return nullptr;
    while (pos_ < target_->dependents_.Size()) {
        ReferenceMaker* m = target_->dependents_.MakerAt(pos_++);
        if (m) return m;
    }
    return nullptr;
}
