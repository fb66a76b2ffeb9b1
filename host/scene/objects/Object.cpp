// Lights' include/exclude lists (by node handle, with undo and persistence) and the light's on state.
#include "host/scene/Object.h"

#include "host/core/ChunkFields.h"
#include "host/core/Hold.h"
#include "host/scene/INode.h"

#include <algorithm>
#include <cstddef>

namespace {

AnimHandle HandleOf(INode* node) {
    return node ? Animatable::GetHandleByAnim(node) : 0;
}

INode* NodeOf(AnimHandle h) {
    if (!h) return nullptr;
    Animatable* a = Animatable::GetAnimByHandle(h);
    // A node deleted while the undo system holds stays in memory, flagged: it is gone for the list.
    if (!a || a->TestAFlag(A_IS_DELETED)) return nullptr;
    return dynamic_cast<INode*>(a);
}

} // namespace

// Undo of one change of a list. Appends and removals record just the entry and replay on the list
// itself, so that building (or undoing) a long list inside one undo step stays linear; resizes keep
// both states.
class ExclListRestore : public RestoreObj {
public:
    enum class Op { Append, Remove, Flags, Whole };
    ExclListRestore(ExclList* list, Op op)
        : list_(list), owner_(Animatable::GetHandleByAnim(list->GetOwner())), op_(op) {}
    void Restore(int /*isUndo*/) override {
        if (!Alive()) return;
        ExclList& l = *list_;
        l.ResolveLoaded();
        switch (op_) {
        case Op::Append:
            if (!l.handles_.empty()) l.handles_.pop_back();
            l.indexValid_ = false;
            break;
        case Op::Remove:
            l.handles_.insert(
                l.handles_.begin() + static_cast<std::ptrdiff_t>(std::min(index, l.handles_.size())), handle);
            l.indexValid_ = false;
            break;
        case Op::Flags:
            l.flags_ = oldFlags;
            break;
        case Op::Whole:
            l.SetState(before);
            break;
        }
    }
    void Redo() override {
        if (!Alive()) return;
        ExclList& l = *list_;
        l.ResolveLoaded();
        switch (op_) {
        case Op::Append:
            l.handles_.push_back(handle);
            if (l.indexValid_) l.index_.emplace(handle, static_cast<int>(l.handles_.size()) - 1);
            break;
        case Op::Remove:
            if (index < l.handles_.size())
                l.handles_.erase(l.handles_.begin() + static_cast<std::ptrdiff_t>(index));
            l.indexValid_ = false;
            break;
        case Op::Flags:
            l.flags_ = newFlags;
            break;
        case Op::Whole:
            l.SetState(after);
            break;
        }
    }
    MSTR Description() override { return L"Include/Exclude List"; }

    AnimHandle handle = 0;
    size_t index = 0;
    int oldFlags = 0, newFlags = 0;
    ExclList::State before, after;

private:
    bool Alive() const { return Animatable::GetAnimByHandle(owner_) != nullptr; }
    ExclList* list_;
    AnimHandle owner_;
    Op op_;
};

namespace {

bool Recording(const ExclList* list) {
    return list->GetOwner() && theHold.Holding();
}

} // namespace

void ExclList::ResolveLoaded() const {
    if (!hasLoaded_) return;
    hasLoaded_ = false;
    handles_.clear();
    // A patched pointer is the object as the file made it; a damaged file may name something else.
    for (void* p : loaded_)
        if (auto* n = p ? dynamic_cast<INode*>(static_cast<Animatable*>(p)) : nullptr) handles_.push_back(HandleOf(n));
    loaded_.clear();
    indexValid_ = false;
}

void ExclList::Reindex() const {
    ResolveLoaded();
    if (indexValid_) return;
    index_.clear();
    for (size_t i = 0; i < handles_.size(); ++i)
        if (handles_[i]) index_.emplace(handles_[i], static_cast<int>(i));
    indexValid_ = true;
}

void ExclList::Changing() {
    ResolveLoaded();
    indexValid_ = false;
}

int ExclList::Count() const {
    ResolveLoaded();
    return static_cast<int>(handles_.size());
}

INode* ExclList::operator[](int i) const {
    ResolveLoaded();
    if (i < 0 || i >= static_cast<int>(handles_.size())) return nullptr;
    return NodeOf(handles_[static_cast<size_t>(i)]);
}

int ExclList::FindNode(INode* node) const {
    if (!node) return -1;
    Reindex();
    auto it = index_.find(HandleOf(node));
    if (it == index_.end()) return -1;
    return NodeOf(it->first) ? it->second : -1;
}

int ExclList::AddNode(INode* node) {
    if (!node) return -1;
    const int found = FindNode(node);
    if (found >= 0) return found;
    if (Recording(this)) {
        auto* r = new ExclListRestore(this, ExclListRestore::Op::Append);
        r->handle = HandleOf(node);
        theHold.Put(r);
    }
    // Appending keeps the index valid: adding many nodes stays linear.
    handles_.push_back(HandleOf(node));
    const int at = static_cast<int>(handles_.size()) - 1;
    if (indexValid_) index_.emplace(handles_.back(), at);
    return at;
}

int ExclList::InsertNode(int at, INode* node) {
    if (!node) return -1;
    const int found = FindNode(node);
    if (found >= 0) return found;
    at = std::clamp(at, 0, Count());
    ExclListRestore* r = nullptr;
    if (Recording(this)) {
        r = new ExclListRestore(this, ExclListRestore::Op::Whole);
        r->before = GetState();
    }
    Changing();
    handles_.insert(handles_.begin() + at, HandleOf(node));
    if (r) {
        r->after = GetState();
        theHold.Put(r);
    }
    return at;
}

void ExclList::RemoveNode(int i) {
    ResolveLoaded();
    if (i < 0 || i >= static_cast<int>(handles_.size())) return;
    if (Recording(this)) {
        auto* r = new ExclListRestore(this, ExclListRestore::Op::Remove);
        r->handle = handles_[static_cast<size_t>(i)];
        r->index = static_cast<size_t>(i);
        theHold.Put(r);
    }
    Changing();
    handles_.erase(handles_.begin() + i);
}

void ExclList::RemoveNode(INode* node) {
    RemoveNode(FindNode(node));
}

void ExclList::SetSize(int n) {
    if (n < 0) n = 0;
    if (n == Count()) return;
    ExclListRestore* r = nullptr;
    if (Recording(this)) {
        r = new ExclListRestore(this, ExclListRestore::Op::Whole);
        r->before = GetState();
    }
    Changing();
    handles_.resize(static_cast<size_t>(n), 0);
    if (r) {
        r->after = GetState();
        theHold.Put(r);
    }
}

void ExclList::SetFlag(int f, BOOL on) {
    const int flags = on ? (flags_ | f) : (flags_ & ~f);
    if (flags == flags_) return;
    if (Recording(this)) {
        auto* r = new ExclListRestore(this, ExclListRestore::Op::Flags);
        r->oldFlags = flags_;
        r->newFlags = flags;
        theHold.Put(r);
    }
    flags_ = flags;
}

INodeTab ExclList::Nodes() const {
    ResolveLoaded();
    INodeTab t;
    for (AnimHandle h : handles_)
        t.Append(NodeOf(h));
    return t;
}

void ExclList::CopyFrom(const ExclList& other) {
    SetState(other.GetState());
}

ExclList::State ExclList::GetState() const {
    ResolveLoaded();
    return State{handles_, flags_};
}

void ExclList::SetState(const State& s) {
    hasLoaded_ = false;
    loaded_.clear();
    handles_ = s.handles;
    flags_ = s.flags;
    indexValid_ = false;
}

IOResult ExclList::Save(ISave* isave) {
    ResolveLoaded();
    isave->BeginChunk(kExclListChunk);
    WriteValueChunk(isave, kExclFlagsChunk, static_cast<int>(flags_));
    isave->BeginChunk(kExclNodesChunk);
    WriteValues(isave, static_cast<int>(handles_.size()));
    for (AnimHandle h : handles_) WriteValues(isave, isave->GetRefID(NodeOf(h)));
    isave->EndChunk();
    return isave->EndChunk();
}

IOResult ExclList::Load(ILoad* iload) {
    return ForEachChunk(iload, [&](USHORT id) {
        IOResult res = IO_OK;
        switch (id) {
        case kExclFlagsChunk: res = ReadValues(iload, flags_); break;
        case kExclNodesChunk: {
            int count = 0;
            if ((res = ReadCount(iload, count, iload->CurChunkLength() / sizeof(int))) != IO_OK) break;
            loaded_.assign(static_cast<size_t>(count), nullptr);
            for (int i = 0; i < count && res == IO_OK; ++i) {
                int node = -1;
                res = ReadValues(iload, node);
                if (res == IO_OK && node >= 0) iload->RecordBackpatch(node, &loaded_[static_cast<size_t>(i)]);
            }
            hasLoaded_ = true;
            break;
        }
        default: break;
        }
        return res;
    });
}

// Undo of switching a light on or off.
class LightOnRestore : public RestoreObj {
public:
    LightOnRestore(LightObject* light, BOOL before)
        : handle_(Animatable::GetHandleByAnim(light)), before_(before) {}
    void Restore(int /*isUndo*/) override { Apply(before_); }
    void Redo() override { Apply(!before_); }
    MSTR Description() override { return L"Light On"; }

private:
    void Apply(BOOL on) {
        if (auto* l = static_cast<LightObject*>(Animatable::GetAnimByHandle(handle_))) l->ApplyUseLight(on);
    }
    AnimHandle handle_;
    BOOL before_;
};

void LightObject::SetUseLight(BOOL onOff) {
    onOff = onOff ? TRUE : FALSE;
    if (onOff == useLight_) return;
    if (theHold.Holding()) theHold.Put(new LightOnRestore(this, useLight_));
    ApplyUseLight(onOff);
}

void LightObject::ApplyUseLight(BOOL onOff) {
    useLight_ = onOff;
    NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
}

void LightObject::CopyLightState(LightObject* to) {
    to->useLight_ = useLight_;
    to->exclList_.CopyFrom(exclList_);
}

IOResult LightObject::Save(ISave* isave) {
    isave->BeginChunk(kLightChunk);
    WriteValueChunk(isave, kLightOnChunk, static_cast<int>(useLight_));
    exclList_.Save(isave);
    return isave->EndChunk();
}

IOResult LightObject::Load(ILoad* iload) {
    if (iload->PeekNextChunkID() != kLightChunk) return IO_OK;
    IOResult res = iload->OpenChunk();
    if (res != IO_OK) return res == IO_END ? IO_OK : res;
    res = ForEachChunk(iload, [&](USHORT id) {
        switch (id) {
        case kLightOnChunk: {
            int on = 1;
            const IOResult r = ReadValues(iload, on);
            useLight_ = on ? TRUE : FALSE;
            return r;
        }
        case ExclList::kExclListChunk: return exclList_.Load(iload);
        default: return IO_OK;
        }
    });
    if (res != IO_OK) return IO_ERROR;
    return iload->CloseChunk();
}

// ---- an object's own node lists

void Object::SetNumOwnNodeLists(int n) {
    n = std::max(n, 0);
    while (NumOwnNodeLists() > n) ownNodeLists_.pop_back();
    while (NumOwnNodeLists() < n) {
        ownNodeLists_.push_back(std::make_unique<ExclList>());
        ownNodeLists_.back()->SetOwner(this);
    }
}

IOResult Object::SaveOwnNodeLists(ISave* isave) {
    if (ownNodeLists_.empty()) return IO_OK;
    isave->BeginChunk(kOwnNodeListsChunk);
    for (auto& l : ownNodeLists_)
        if (l->Save(isave) != IO_OK) return IO_ERROR;
    return isave->EndChunk();
}

IOResult Object::LoadOwnNodeLists(ILoad* iload) {
    int next = 0;
    return ForEachChunk(iload, [&](USHORT id) {
        if (id != ExclList::kExclListChunk) return IO_OK;
        // A file may hold more lists than the class makes: the object keeps them all.
        if (next >= NumOwnNodeLists()) SetNumOwnNodeLists(next + 1);
        return ownNodeLists_[static_cast<size_t>(next++)]->Load(iload);
    });
}

void Object::CopyOwnNodeLists(Object* to) {
    to->SetNumOwnNodeLists(NumOwnNodeLists());
    for (int i = 0; i < NumOwnNodeLists(); ++i) to->ownNodeLists_[static_cast<size_t>(i)]->CopyFrom(*ownNodeLists_[static_cast<size_t>(i)]);
}
