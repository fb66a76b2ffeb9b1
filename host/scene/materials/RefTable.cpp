// Ordered reference tables: storage, index, and edits that the reference graph and the undo system follow.
#include "host/scene/materials/RefTable.h"

#include "host/core/ChunkFields.h"
#include "host/core/Hold.h"
#include "host/core/RefGraph.h"

#include <algorithm>

namespace {

bool OwnerAlive(ReferenceMaker* owner, AnimHandle h) { return owner && Animatable::GetAnimByHandle(h) == owner; }

// The table's size before and after an edit. Put before the reference changes of a growth and after
// those of a shrink, so that undo and redo always find the slots they restore.
class TableSizeRestore : public RestoreObj {
public:
    TableSizeRestore(RefTable* table, int before, int after)
        : table_(table), owner_(table->Owner()), handle_(Animatable::GetHandleByAnim(table->Owner())),
          before_(before), after_(after) {}
    void Restore(int /*isUndo*/) override {
        if (OwnerAlive(owner_, handle_)) table_->RestoreSize(before_);
    }
    void Redo() override {
        if (OwnerAlive(owner_, handle_)) table_->RestoreSize(after_);
    }
    MSTR Description() override { return L"Reference Table Size"; }

private:
    RefTable* table_;
    ReferenceMaker* owner_;
    AnimHandle handle_;
    int before_, after_;
};

// Brackets an edit: the record put first tells the owner after an undo has run past the edit, the one
// put last after a redo has replayed it.
class TableMarkerRestore : public RestoreObj {
public:
    TableMarkerRestore(RefTable* table, bool before)
        : table_(table), owner_(table->Owner()), handle_(Animatable::GetHandleByAnim(table->Owner())),
          before_(before) {}
    void Restore(int /*isUndo*/) override {
        if (before_ && OwnerAlive(owner_, handle_)) table_->Restored();
    }
    void Redo() override {
        if (!before_ && OwnerAlive(owner_, handle_)) table_->Restored();
    }
    MSTR Description() override { return L"Reference Table Change"; }

private:
    RefTable* table_;
    ReferenceMaker* owner_;
    AnimHandle handle_;
    bool before_;
};

} // namespace

ReferenceTarget* RefTable::Get(int i) const {
    return i >= 0 && i < Count() ? items_[static_cast<size_t>(i)] : nullptr;
}

int RefTable::IndexOf(ReferenceTarget* t) const {
    if (!t) return -1;
    auto it = index_.find(t);
    if (it == index_.end() || it->second.empty()) return -1;
    return *std::min_element(it->second.begin(), it->second.end());
}

int RefTable::Occurrences(ReferenceTarget* t) const {
    auto it = t ? index_.find(t) : index_.end();
    return it == index_.end() ? 0 : static_cast<int>(it->second.size());
}

std::vector<int> RefTable::IndicesOf(ReferenceTarget* t) const {
    auto it = t ? index_.find(t) : index_.end();
    return it == index_.end() ? std::vector<int>() : it->second;
}

void RefTable::IndexAdd(ReferenceTarget* t, int i) {
    if (t) index_[t].push_back(i);
}

void RefTable::IndexRemove(ReferenceTarget* t, int i) {
    if (!t) return;
    auto it = index_.find(t);
    if (it == index_.end()) return;
    auto& v = it->second;
    auto pos = std::find(v.begin(), v.end(), i);
    if (pos != v.end()) v.erase(pos);
    if (v.empty()) index_.erase(it);
}

void RefTable::Store(int i, ReferenceTarget* t) {
    if (i < 0 || i >= Count()) return;
    ReferenceTarget*& slot = items_[static_cast<size_t>(i)];
    if (slot == t) return;
    IndexRemove(slot, i);
    slot = t;
    IndexAdd(t, i);
}

IOResult RefTable::SaveCount(ISave* isave, USHORT chunkId) const {
    return WriteValueChunk(isave, chunkId, Count());
}

IOResult RefTable::LoadCount(ILoad* iload, USHORT chunkId) {
    return ForEachChunk(iload, [&](USHORT id) {
        if (id != chunkId) return IO_OK;
        int n = 0;
        const IOResult res = ReadCount(iload, n);
        if (res == IO_OK) ResizeForLoad(n);
        return res;
    });
}

void RefTable::ResizeForLoad(int n) {
    for (int i = n; i < Count(); ++i) IndexRemove(items_[static_cast<size_t>(i)], i);
    items_.resize(static_cast<size_t>(std::max(0, n)), nullptr);
}

void RefTable::RestoreSize(int n) {
    n = std::max(0, n);
    // Slots that go must be empty; the records restore them in an order that makes them so, but a table
    // changed outside the undo system must still not lose track of a reference.
    for (int i = Count() - 1; i >= n; --i)
        if (items_[static_cast<size_t>(i)]) RefGraph::Set(owner_, base_ + i, nullptr, nullptr, true);
    ResizeForLoad(n);
}

bool RefTable::Accepts(ReferenceTarget* t) const {
    return !t || (!t->TestAFlag(A_IS_DELETED) && !RefGraph::WouldLoop(owner_, t));
}

void RefTable::PutSize(int before, int after) {
    if (theHold.Holding()) theHold.Put(new TableSizeRestore(this, before, after));
}

void RefTable::PutMarker(bool before) {
    if (theHold.Holding()) theHold.Put(new TableMarkerRestore(this, before));
}

bool RefTable::Insert(int i, ReferenceTarget* t) {
    if (!Accepts(t)) return false;
    const int n = Count();
    i = std::clamp(i, 0, n);
    PutMarker(true);
    ResizeForLoad(n + 1);
    PutSize(n, n + 1);
    for (int j = n; j > i; --j) owner_->ReplaceReference(base_ + j, items_[static_cast<size_t>(j - 1)], FALSE);
    owner_->ReplaceReference(base_ + i, t, FALSE);
    PutMarker(false);
    return true;
}

void RefTable::Remove(int i, BOOL delOld) {
    const int n = Count();
    if (i < 0 || i >= n) return;
    PutMarker(true);
    owner_->ReplaceReference(base_ + i, nullptr, delOld);
    for (int j = i; j < n - 1; ++j) owner_->ReplaceReference(base_ + j, items_[static_cast<size_t>(j + 1)], FALSE);
    if (i < n - 1) owner_->ReplaceReference(base_ + n - 1, nullptr, FALSE);
    ResizeForLoad(n - 1);
    PutSize(n, n - 1);
    PutMarker(false);
}

bool RefTable::Set(int i, ReferenceTarget* t, BOOL delOld) {
    if (i < 0 || i >= Count() || !Accepts(t)) return false;
    return owner_->ReplaceReference(base_ + i, t, delOld) == REF_SUCCEED;
}

void RefTable::Clear(BOOL delOld) {
    const int n = Count();
    if (n == 0) return;
    PutMarker(true);
    for (int j = n - 1; j >= 0; --j) owner_->ReplaceReference(base_ + j, nullptr, delOld);
    ResizeForLoad(0);
    PutSize(n, 0);
    PutMarker(false);
}
