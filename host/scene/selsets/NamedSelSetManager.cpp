// Named selection sets: edits with their notifications and undo records, weak membership, the dump.
#include "host/scene/selsets/NamedSelSetManager.h"

#include "host/core/Hold.h"
#include "host/core/Notify.h"
#include "host/core/PlugApi.h"
#include "host/scene/INode.h"

#include <algorithm>
#include <ostream>

namespace {

INode* LiveNode(AnimHandle h) {
    Animatable* a = Animatable::GetAnimByHandle(h);
    if (!a || a->TestAFlag(A_IS_DELETED) || a->SuperClassID() != BASENODE_CLASS_ID) return nullptr;
    return dynamic_cast<INode*>(a);
}

void Broadcast(int code, const MSTR& name) { BroadcastNotification(code, const_cast<MCHAR*>(name.c_str())); }

void BroadcastRename(const MSTR& before, const MSTR& after) {
    NameChange change{before.c_str(), after.c_str(), nullptr};
    BroadcastNotification(NOTIFY_NAMED_SEL_SET_RENAMED, &change);
}

using Entries = std::vector<std::pair<std::int64_t, AnimHandle>>;

void RenameIn(NamedSelSetData& d, NamedSelSet* s, const MSTR& name) {
    d.byName.erase(s->name);
    s->name = name;
    d.byName[name] = s;
}

// A set created (or, the other way round, deleted): the record owns the set while it is out of the scene.
class SetExistsRestore : public RestoreObj {
public:
    SetExistsRestore(std::weak_ptr<NamedSelSetData> data, NamedSelSet* set, int index, bool created)
        : data_(std::move(data)), set_(set), index_(index), created_(created) {}
    ~SetExistsRestore() override { delete owned_; }
    void Restore(int /*isUndo*/) override {
        if (created_) TakeOut();
        else PutBack();
    }
    void Redo() override {
        if (created_) PutBack();
        else TakeOut();
    }
    // A deleted set becomes the record's when the record is put.
    void Own(std::unique_ptr<NamedSelSet> s) { owned_ = s.release(); }
    MSTR Description() override { return L"Named Selection Set"; }

private:
    void TakeOut() {
        auto d = data_.lock();
        if (!d) return;
        const int i = d->IndexOf(set_);
        if (i < 0) return;
        owned_ = d->sets[static_cast<size_t>(i)].release();
        d->sets.erase(d->sets.begin() + i);
        d->byName.erase(set_->name);
        Broadcast(NOTIFY_NAMED_SEL_SET_DELETED, set_->name);
    }
    void PutBack() {
        auto d = data_.lock();
        if (!d || !owned_) return;
        const int at = std::clamp(index_, 0, static_cast<int>(d->sets.size()));
        d->sets.insert(d->sets.begin() + at, std::unique_ptr<NamedSelSet>(owned_));
        owned_ = nullptr;
        d->byName[set_->name] = set_;
        Broadcast(NOTIFY_NAMED_SEL_SET_CREATED, set_->name);
    }

    std::weak_ptr<NamedSelSetData> data_;
    NamedSelSet* set_;
    NamedSelSet* owned_ = nullptr;
    int index_;
    bool created_;
};

class SetRenameRestore : public RestoreObj {
public:
    SetRenameRestore(std::weak_ptr<NamedSelSetData> data, NamedSelSet* set, MSTR before, MSTR after)
        : data_(std::move(data)), set_(set), before_(std::move(before)), after_(std::move(after)) {}
    void Restore(int /*isUndo*/) override { Apply(after_, before_); }
    void Redo() override { Apply(before_, after_); }
    MSTR Description() override { return L"Rename Named Selection Set"; }

private:
    void Apply(const MSTR& from, const MSTR& to) {
        auto d = data_.lock();
        if (!d || d->IndexOf(set_) < 0) return;
        RenameIn(*d, set_, to);
        BroadcastRename(from, to);
    }
    std::weak_ptr<NamedSelSetData> data_;
    NamedSelSet* set_;
    MSTR before_, after_;
};

// Members that left and joined a set in one edit, with their order keys.
class SetMembersRestore : public RestoreObj {
public:
    SetMembersRestore(std::weak_ptr<NamedSelSetData> data, NamedSelSet* set, Entries removed, Entries added,
                      std::int64_t keyBefore, std::int64_t keyAfter)
        : data_(std::move(data)), set_(set), removed_(std::move(removed)), added_(std::move(added)),
          keyBefore_(keyBefore), keyAfter_(keyAfter) {}
    void Restore(int /*isUndo*/) override { Apply(added_, removed_, keyBefore_); }
    void Redo() override { Apply(removed_, added_, keyAfter_); }
    int Size() override { return static_cast<int>(sizeof(*this) + (removed_.size() + added_.size()) * 16); }
    MSTR Description() override { return L"Named Selection Set Members"; }

private:
    void Apply(const Entries& out, const Entries& in, std::int64_t nextKey) {
        auto d = data_.lock();
        if (!d || d->IndexOf(set_) < 0) return;
        Broadcast(NOTIFY_NAMED_SEL_SET_PRE_MODIFY, set_->name);
        for (const auto& e : out) set_->Erase(e.first);
        for (const auto& e : in) set_->Insert(e.first, e.second);
        set_->nextKey = nextKey;
        Broadcast(NOTIFY_NAMED_SEL_SET_POST_MODIFY, set_->name);
    }
    std::weak_ptr<NamedSelSetData> data_;
    NamedSelSet* set_;
    Entries removed_, added_;
    std::int64_t keyBefore_, keyAfter_;
};

} // namespace

const std::vector<INode*>& NamedSelSet::Nodes() {
    // A node freed without a deletion notification simply drops out here.
    if (dirty) {
        cache.clear();
        for (const auto& [key, h] : members)
            if (INode* n = LiveNode(h)) cache.push_back(n);
        dirty = false;
    }
    return cache;
}

void NamedSelSet::Insert(std::int64_t key, AnimHandle h) {
    members[key] = h;
    keyOf[h] = key;
    dirty = true;
}

void NamedSelSet::Erase(std::int64_t key) {
    auto it = members.find(key);
    if (it == members.end()) return;
    keyOf.erase(it->second);
    members.erase(it);
    dirty = true;
}

int NamedSelSetData::IndexOf(const NamedSelSet* s) const {
    for (size_t i = 0; i < sets.size(); ++i)
        if (sets[i].get() == s) return static_cast<int>(i);
    return -1;
}

INamedSelectionSetManager* NewNamedSelectionSetManager() { return new NamedSelSetManager(); }

NamedSelSetManager::NamedSelSetManager() : data_(std::make_shared<NamedSelSetData>()) {
    RegisterNotification(&NamedSelSetManager::OnNodeDeleted, this, NOTIFY_SCENE_PRE_DELETED_NODE);
}

NamedSelSetManager::~NamedSelSetManager() {
    UnRegisterNotification(&NamedSelSetManager::OnNodeDeleted, this, NOTIFY_SCENE_PRE_DELETED_NODE);
}

void NamedSelSetManager::OnNodeDeleted(void* param, NotifyInfo* info) {
    static_cast<NamedSelSetManager*>(param)->RemoveNode(static_cast<INode*>(info->callParam));
}

NamedSelSet* NamedSelSetManager::At(int i) const {
    return i >= 0 && i < static_cast<int>(data_->sets.size()) ? data_->sets[static_cast<size_t>(i)].get() : nullptr;
}

MSTR NamedSelSetManager::GetNamedSelSetName(int i) {
    NamedSelSet* s = At(i);
    return s ? s->name : MSTR();
}

int NamedSelSetManager::GetNamedSelSetItemCount(int i) {
    NamedSelSet* s = At(i);
    return s ? static_cast<int>(s->Nodes().size()) : 0;
}

INode* NamedSelSetManager::GetNamedSelSetItem(int i, int j) {
    NamedSelSet* s = At(i);
    if (!s) return nullptr;
    const auto& nodes = s->Nodes();
    return j >= 0 && j < static_cast<int>(nodes.size()) ? nodes[static_cast<size_t>(j)] : nullptr;
}

int NamedSelSetManager::FindNamedSelSet(const MSTR& name) {
    auto it = data_->byName.find(name);
    return it == data_->byName.end() ? -1 : data_->IndexOf(it->second);
}

BOOL NamedSelSetManager::AddNewNamedSelSet(INodeTab& nodes, const MSTR& name) {
    if (name.isNull() || data_->byName.count(name)) return FALSE;
    auto set = std::make_unique<NamedSelSet>();
    set->name = name;
    for (INode* n : nodes) {
        if (!n) continue;
        const AnimHandle h = Animatable::GetHandleByAnim(n);
        if (!set->keyOf.count(h)) set->Insert(set->nextKey++, h);
    }
    NamedSelSet* s = set.get();
    data_->sets.push_back(std::move(set));
    data_->byName[name] = s;
    if (theHold.Holding())
        theHold.Put(new SetExistsRestore(data_, s, static_cast<int>(data_->sets.size()) - 1, true));
    Broadcast(NOTIFY_NAMED_SEL_SET_CREATED, name);
    return TRUE;
}

BOOL NamedSelSetManager::RemoveNamedSelSet(const MSTR& name) {
    const int i = FindNamedSelSet(name);
    if (i < 0) return FALSE;
    std::unique_ptr<NamedSelSet> set = std::move(data_->sets[static_cast<size_t>(i)]);
    data_->sets.erase(data_->sets.begin() + i);
    data_->byName.erase(name);
    const MSTR gone = set->name;
    if (theHold.Holding()) {
        auto* rec = new SetExistsRestore(data_, set.get(), i, false);
        rec->Own(std::move(set));
        theHold.Put(rec);
    }
    Broadcast(NOTIFY_NAMED_SEL_SET_DELETED, gone);
    return TRUE;
}

BOOL NamedSelSetManager::SetNamedSelSetName(int i, const MSTR& name) {
    NamedSelSet* s = At(i);
    if (!s || name.isNull()) return FALSE;
    if (name == s->name) return TRUE;
    if (data_->byName.count(name)) return FALSE;
    const MSTR before = s->name;
    if (theHold.Holding()) theHold.Put(new SetRenameRestore(data_, s, before, name));
    RenameIn(*data_, s, name);
    BroadcastRename(before, name);
    return TRUE;
}

BOOL NamedSelSetManager::AppendToNamedSelSet(int i, INodeTab& nodes) {
    NamedSelSet* s = At(i);
    if (!s) return FALSE;
    Broadcast(NOTIFY_NAMED_SEL_SET_PRE_MODIFY, s->name);
    const std::int64_t keyBefore = s->nextKey;
    Entries added;
    for (INode* n : nodes) {
        if (!n) continue;
        const AnimHandle h = Animatable::GetHandleByAnim(n);
        if (s->keyOf.count(h)) continue;
        added.emplace_back(s->nextKey, h);
        s->Insert(s->nextKey++, h);
    }
    if (theHold.Holding() && !added.empty())
        theHold.Put(new SetMembersRestore(data_, s, {}, std::move(added), keyBefore, s->nextKey));
    Broadcast(NOTIFY_NAMED_SEL_SET_POST_MODIFY, s->name);
    return TRUE;
}

BOOL NamedSelSetManager::ReplaceNamedSelSet(INodeTab& nodes, int i) {
    NamedSelSet* s = At(i);
    if (!s) return FALSE;
    Broadcast(NOTIFY_NAMED_SEL_SET_PRE_MODIFY, s->name);
    const std::int64_t keyBefore = s->nextKey;
    Entries removed(s->members.begin(), s->members.end());
    for (const auto& e : removed) s->Erase(e.first);
    Entries added;
    for (INode* n : nodes) {
        if (!n) continue;
        const AnimHandle h = Animatable::GetHandleByAnim(n);
        if (s->keyOf.count(h)) continue;
        added.emplace_back(s->nextKey, h);
        s->Insert(s->nextKey++, h);
    }
    if (theHold.Holding())
        theHold.Put(new SetMembersRestore(data_, s, std::move(removed), std::move(added), keyBefore, s->nextKey));
    Broadcast(NOTIFY_NAMED_SEL_SET_POST_MODIFY, s->name);
    return TRUE;
}

void NamedSelSetManager::RemoveNode(INode* node) {
    if (!node) return;
    const AnimHandle h = Animatable::GetHandleByAnim(node);
    // Sets are few: each answers membership by hash.
    for (auto& setPtr : data_->sets) {
        NamedSelSet* s = setPtr.get();
        auto it = s->keyOf.find(h);
        if (it == s->keyOf.end()) continue;
        Broadcast(NOTIFY_NAMED_SEL_SET_PRE_MODIFY, s->name);
        const std::int64_t key = it->second;
        s->Erase(key);
        if (theHold.Holding())
            theHold.Put(new SetMembersRestore(data_, s, Entries{{key, h}}, {}, s->nextKey, s->nextKey));
        Broadcast(NOTIFY_NAMED_SEL_SET_POST_MODIFY, s->name);
    }
}

void NamedSelSetManager::Reset() { data_ = std::make_shared<NamedSelSetData>(); }

void DumpNamedSelSets(INamedSelectionSetManager* manager, std::ostream& os, int indent) {
    const std::string pad(static_cast<size_t>(std::max(0, indent)), ' ');
    if (!manager) {
        os << pad << "NamedSelSets none\n";
        return;
    }
    os << pad << "NamedSelSets count " << manager->GetNumNamedSelSets() << "\n";
    for (int i = 0; i < manager->GetNumNamedSelSets(); ++i) {
        os << pad << "  [" << i << "] \"" << manager->GetNamedSelSetName(i).ToUTF8() << "\":";
        const int n = manager->GetNamedSelSetItemCount(i);
        for (int j = 0; j < n; ++j) {
            INode* node = manager->GetNamedSelSetItem(i, j);
            os << (j ? ", \"" : " \"") << (node ? WStr(node->GetName()).ToUTF8() : std::string()) << "\"";
        }
        os << "\n";
    }
}
