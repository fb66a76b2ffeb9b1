// Undo and redo of reference changes, dropped dependents and deletions.
#include "host/core/RefRestore.h"

#include "host/core/RefGraph.h"

namespace {

bool Alive(const Animatable* a, AnimHandle h) { return a && Animatable::GetAnimByHandle(h) == a; }

template <class T> T* IfAlive(T* a, AnimHandle h) { return Alive(a, h) ? a : nullptr; }

} // namespace

RefChangeRestore::RefChangeRestore(ReferenceMaker* maker, int slot, ReferenceTarget* oldTarget,
                                   ReferenceTarget* newTarget, const RefList::Token& removed)
    : maker_(maker), makerHandle_(Animatable::GetHandleByAnim(maker)), slot_(slot), old_(oldTarget),
      oldHandle_(Animatable::GetHandleByAnim(oldTarget)), new_(newTarget),
      newHandle_(Animatable::GetHandleByAnim(newTarget)), inOld_(removed) {}

void RefChangeRestore::Restore(int /*isUndo*/) {
    if (!Alive(maker_, makerHandle_) || slot_ >= maker_->NumRefs()) return;
    inNew_ = RefGraph::Set(maker_, slot_, IfAlive(old_, oldHandle_), &inOld_, true);
}

void RefChangeRestore::Redo() {
    if (!Alive(maker_, makerHandle_) || slot_ >= maker_->NumRefs()) return;
    inOld_ = RefGraph::Set(maker_, slot_, IfAlive(new_, newHandle_), &inNew_, true);
}

DependentsDroppedRestore::DependentsDroppedRestore(ReferenceTarget* target, std::vector<Item> items)
    : target_(target), targetHandle_(Animatable::GetHandleByAnim(target)), items_(std::move(items)) {}

void DependentsDroppedRestore::Restore(int /*isUndo*/) {
    if (!Alive(target_, targetHandle_)) return;
    // Forward order: each entry returns to its old position, or is appended in the original order.
    for (Item& it : items_) {
        if (!Alive(it.maker, it.makerHandle) || it.slot >= it.maker->NumRefs()) continue;
        RefGraph::Set(it.maker, it.slot, target_, &it.where, true);
    }
}

void DependentsDroppedRestore::Redo() {
    if (!Alive(target_, targetHandle_)) return;
    for (Item& it : items_) {
        if (!Alive(it.maker, it.makerHandle) || it.slot >= it.maker->NumRefs()) continue;
        if (it.maker->GetReference(it.slot) != target_) continue;
        it.where = RefGraph::Set(it.maker, it.slot, nullptr, nullptr, true);
    }
}

DeletedTargetRestore::DeletedTargetRestore(ReferenceTarget* target)
    : target_(target), handle_(Animatable::GetHandleByAnim(target)) {}

DeletedTargetRestore::~DeletedTargetRestore() {
    if (Alive(target_, handle_) && target_->TestAFlag(A_IS_DELETED)) RefGraph::Free(target_);
}

void DeletedTargetRestore::Restore(int /*isUndo*/) {
    if (Alive(target_, handle_)) RefGraph::SetDeleted(target_, false);
}

void DeletedTargetRestore::Redo() {
    if (Alive(target_, handle_)) RefGraph::SetDeleted(target_, true);
}
