// Layers: renaming, hierarchy, node membership, display states, undo records and persistence.
#include "host/scene/layers/Layer.h"

#include "host/core/ChunkFields.h"
#include "host/core/Hold.h"
#include "host/core/HoldSuspend.h"
#include "host/core/RefKind.h"
#include "host/scene/INode.h"
#include "host/scene/layers/LayerManager.h"

namespace {

constexpr USHORT kNameChunk = 0x4300;
constexpr USHORT kFlagsChunk = 0x4301;

std::uint64_t NextSeq() {
    static std::uint64_t seq = 0;
    return ++seq;
}

Layer* LiveLayer(AnimHandle h) {
    Animatable* a = Animatable::GetAnimByHandle(h);
    return a ? dynamic_cast<Layer*>(a) : nullptr;
}

class LayerNameRestore : public RestoreObj {
public:
    LayerNameRestore(Layer* l, MSTR before, MSTR after)
        : handle_(Animatable::GetHandleByAnim(l)), before_(std::move(before)), after_(std::move(after)) {}
    void Restore(int /*isUndo*/) override {
        if (Layer* l = LiveLayer(handle_)) l->RestoreName(before_);
    }
    void Redo() override {
        if (Layer* l = LiveLayer(handle_)) l->RestoreName(after_);
    }
    MSTR Description() override { return L"Layer Name"; }

private:
    AnimHandle handle_;
    MSTR before_, after_;
};

class LayerFlagsRestore : public RestoreObj {
public:
    LayerFlagsRestore(Layer* l, bool hidden0, bool frozen0, bool hidden1, bool frozen1)
        : handle_(Animatable::GetHandleByAnim(l)), h0_(hidden0), f0_(frozen0), h1_(hidden1), f1_(frozen1) {}
    void Restore(int /*isUndo*/) override {
        if (Layer* l = LiveLayer(handle_)) l->RestoreFlags(h0_, f0_);
    }
    void Redo() override {
        if (Layer* l = LiveLayer(handle_)) l->RestoreFlags(h1_, f1_);
    }
    MSTR Description() override { return L"Layer Properties"; }

private:
    AnimHandle handle_;
    bool h0_, f0_, h1_, f1_;
};

INode* AsNode(ReferenceMaker* m) {
    return m && m->SuperClassID() == BASENODE_CLASS_ID ? dynamic_cast<INode*>(m) : nullptr;
}

} // namespace

Layer::Layer(const MSTR& name) : name_(name), seq_(NextSeq()) {}

Layer::~Layer() {
    if (NumLiveRefs() > 0) {
        const HoldSuspend quiet;
        DeleteAllRefsFromMe();
    }
    // Children freed without going through the graph must not keep pointing here.
    for (auto& [seq, child] : children_) child->parent_ = nullptr;
}

void Layer::GetClassName(MSTR& s, bool /*localized*/) const { s = L"Layer"; }

bool Layer::IsRootLayer() const { return manager_ && manager_->GetRootLayer() == this; }

BOOL Layer::SetName(const MSTR& name) {
    if (name.isNull() || IsRootLayer()) return FALSE;
    if (name == name_) return TRUE;
    if (manager_ && manager_->NameTaken(name, this)) return FALSE;
    if (theHold.Holding()) theHold.Put(new LayerNameRestore(this, name_, name));
    RestoreName(name);
    return TRUE;
}

void Layer::RestoreName(const MSTR& name) {
    name_ = name;
    // Only the layer's direct dependents: passed on, a node's dependents would take it for the node's
    // own rename.
    NotifyDependents(FOREVER, PART_ALL, REFMSG_NODE_NAMECHANGE, NOTIFY_ALL, FALSE);
}

void Layer::PutFlagsRecord(bool hidden, bool frozen) {
    if (theHold.Holding()) theHold.Put(new LayerFlagsRestore(this, hidden_, frozen_, hidden, frozen));
}

void Layer::Hide(bool on) {
    if (on == hidden_) return;
    PutFlagsRecord(on, frozen_);
    RestoreFlags(on, frozen_);
}

void Layer::Freeze(bool on) {
    if (on == frozen_) return;
    PutFlagsRecord(hidden_, on);
    RestoreFlags(hidden_, on);
}

void Layer::RestoreFlags(bool hidden, bool frozen) {
    hidden_ = hidden;
    frozen_ = frozen;
    NotifyDependents(FOREVER, PART_DISPLAY, REFMSG_CHANGE, NOTIFY_ALL, FALSE);
}

BOOL Layer::AddToLayer(INode* node) {
    if (!node) return FALSE;
    node->SetLayer(this);
    return node->GetLayer() == this;
}

BOOL Layer::Nodes(INodeTab& nodes) {
    DependentIterator it(this);
    while (ReferenceMaker* m = it.Next())
        if (INode* n = AsNode(m); n && n->GetLayer() == this) nodes.Append(n);
    return TRUE;
}

int Layer::NumNodes() { return nodeCount_; }

ILayer* Layer::GetChildLayer(int i) const {
    if (i < 0 || i >= static_cast<int>(children_.size())) return nullptr;
    auto it = children_.begin();
    std::advance(it, i);
    return it->second;
}

bool Layer::SetParentLayer(ILayer* parent) {
    if (parent == parent_) return true;
    auto* p = parent ? dynamic_cast<Layer*>(parent) : nullptr;
    if (parent && !p) return false;
    if (IsRootLayer() || (p && p->IsRootLayer())) return false;
    // The graph refuses a parent that depends on this layer: one of its descendants.
    return ReplaceReference(0, p) == REF_SUCCEED;
}

void Layer::SetReference(int i, RefTargetHandle rtarg) {
    if (i != 0) return;
    if (parent_) parent_->children_.erase(seq_);
    parent_ = RefAs<Layer>(rtarg);
    if (parent_) parent_->children_[seq_] = this;
}

IOResult Layer::Save(ISave* isave) {
    WriteStringChunk(isave, kNameChunk, name_);
    const DWORD flags = (hidden_ ? 1u : 0u) | (frozen_ ? 2u : 0u);
    return WriteValueChunk(isave, kFlagsChunk, flags);
}

IOResult Layer::Load(ILoad* iload) {
    return ForEachChunk(iload, [&](USHORT id) {
        if (id == kNameChunk) return iload->ReadWStringChunk(name_);
        if (id != kFlagsChunk) return IO_OK;
        DWORD flags = 0;
        if (ReadValues(iload, flags) != IO_OK) return IO_ERROR;
        hidden_ = (flags & 1u) != 0;
        frozen_ = (flags & 2u) != 0;
        return IO_OK;
    });
}
