// The layer manager: creation, lookup, deletion rules, current layer, reset, persistence, registration
// and the layer dump.
#include "host/scene/layers/LayerManager.h"

#include "host/core/ChunkFields.h"
#include "host/core/ClassDesc.h"
#include "host/core/ClassDirectory.h"
#include "host/core/Hold.h"
#include "host/core/HoldSuspend.h"
#include "host/core/Notify.h"
#include "host/core/RefKind.h"
#include "host/scene/INode.h"
#include "host/scene/layers/Layer.h"

#include <algorithm>
#include <ostream>
#include <vector>

namespace {

constexpr USHORT kManagerChunk = 0x4400;

// A layer created while holding that an undo took out of the scene is nobody's once the step is gone
// for good: the record frees it then.
class LayerCreatedRestore : public RestoreObj {
public:
    explicit LayerCreatedRestore(Layer* l) : layer_(l), handle_(Animatable::GetHandleByAnim(l)) {}
    ~LayerCreatedRestore() override {
        if (Animatable::GetAnimByHandle(handle_) != layer_) return;
        if (layer_->TestAFlag(A_IS_DELETED) || layer_->HasDependents()) return;
        const HoldSuspend quiet;
        layer_->DeleteMe();
    }
    void Restore(int /*isUndo*/) override {}
    void Redo() override {}
    MSTR Description() override { return L"Create Layer"; }

private:
    Layer* layer_;
    AnimHandle handle_;
};

class LayerClassDesc : public ClassDesc2 {
public:
    int IsPublic() override { return 0; }
    void* Create(BOOL /*loading*/) override { return static_cast<ILayer*>(new Layer()); }
    const MCHAR* ClassName() override { return L"Layer"; }
    SClass_ID SuperClassID() override { return LAYER_CLASS_ID; }
    Class_ID ClassID() override { return LAYER_CLASS_IDENT; }
    const MCHAR* Category() override { return L""; }
};

class LayerManagerClassDesc : public ClassDesc2 {
public:
    int IsPublic() override { return 0; }
    void* Create(BOOL loading) override { return static_cast<ReferenceTarget*>(new LayerManager(loading != 0)); }
    const MCHAR* ClassName() override { return L"LayerManager"; }
    SClass_ID SuperClassID() override { return REF_TARGET_CLASS_ID; }
    Class_ID ClassID() override { return LAYER_MANAGER_CLASS_IDENT; }
    const MCHAR* Category() override { return L""; }
};

std::string Quoted(const MSTR& s) { return "\"" + s.ToUTF8() + "\""; }

} // namespace

ILayerManager* NewLayerManager() { return new LayerManager(false); }

void RegisterLayerClasses() {
    static LayerClassDesc layerDesc;
    static LayerManagerClassDesc managerDesc;
    ClassDirectory& dir = GetClassDirectory();
    if (!dir.FindClass(layerDesc.SuperClassID(), layerDesc.ClassID())) dir.AddClass(&layerDesc);
    if (!dir.FindClass(managerDesc.SuperClassID(), managerDesc.ClassID())) dir.AddClass(&managerDesc);
}

LayerManager::LayerManager(bool loading) : table_(this, this) {
    if (loading) return;
    {
        const HoldSuspend quiet;
        table_.Append(new Layer(L"0"));
    }
    current_ = Animatable::GetHandleByAnim(table_.Get(0));
}

LayerManager::~LayerManager() {
    if (NumLiveRefs() > 0) {
        const HoldSuspend quiet;
        DeleteAllRefsFromMe();
    }
}

void LayerManager::GetClassName(MSTR& s, bool /*localized*/) const { s = L"LayerManager"; }

MSTR LayerManager::SubAnimName(int i, bool /*localized*/) {
    ILayer* l = GetLayer(i);
    return l ? l->GetName() : MSTR();
}

void LayerManager::Index(Layer* l) {
    const std::wstring key = Key(l->GetName());
    keyOf_[l] = key;
    byName_[key] = l;
}

void LayerManager::Unindex(Layer* l) {
    auto it = keyOf_.find(l);
    if (it == keyOf_.end()) return;
    auto byIt = byName_.find(it->second);
    if (byIt != byName_.end() && byIt->second == l) byName_.erase(byIt);
    keyOf_.erase(it);
}

void LayerManager::SetReference(int i, RefTargetHandle rtarg) {
    if (!table_.HoldsRef(i)) return;
    auto* old = static_cast<Layer*>(static_cast<ILayer*>(table_.Get(i)));
    auto* next = RefAs<Layer>(rtarg);
    if (old == next) return;
    // While entries move along, a layer sits in two slots for a moment: it joins and leaves once.
    const bool oldLeaves = old && table_.Occurrences(old) == 1;
    const bool nextJoins = next && table_.Occurrences(next) == 0;
    table_.Store(i, next);
    if (oldLeaves) {
        Unindex(old);
        if (old->Manager() == this) old->SetManager(nullptr);
    }
    if (nextJoins) {
        next->SetManager(this);
        Index(next);
    }
}

RefResult LayerManager::NotifyRefChanged(const Interval& /*changeInt*/, RefTargetHandle hTarget, PartID& /*partID*/,
                                         RefMessage message, BOOL /*propagate*/) {
    if (message == REFMSG_NODE_NAMECHANGE && hTarget && table_.IndexOf(hTarget) >= 0) {
        auto* l = static_cast<Layer*>(static_cast<ILayer*>(hTarget));
        Unindex(l);
        Index(l);
    }
    return REF_STOP;
}

ILayer* LayerManager::GetLayer(int i) { return static_cast<ILayer*>(table_.Get(i)); }

ILayer* LayerManager::GetLayer(const MSTR& name) {
    auto it = byName_.find(Key(name));
    return it == byName_.end() ? nullptr : it->second;
}

ILayer* LayerManager::GetRootLayer() { return GetLayer(0); }

bool LayerManager::IsLayerInScene(ILayer* layer) { return layer && table_.IndexOf(layer) >= 0; }

bool LayerManager::NameTaken(const MSTR& name, ILayer* except) const {
    auto it = byName_.find(Key(name));
    return it != byName_.end() && it->second != except;
}

MSTR LayerManager::UniqueName(const MSTR& name) const {
    if (!name.isNull() && !NameTaken(name, nullptr)) return name;
    const MSTR base = name.isNull() ? MSTR(L"Layer") : name;
    for (int k = 1;; ++k) {
        MSTR candidate = base + WStr::Format(L"%03d", k);
        if (!NameTaken(candidate, nullptr)) return candidate;
    }
}

ILayer* LayerManager::CreateLayer(const MSTR& name) {
    auto* layer = new Layer(UniqueName(name));
    if (theHold.Holding()) theHold.Put(new LayerCreatedRestore(layer));
    if (!table_.Append(layer)) {
        layer->MaybeAutoDelete();
        return nullptr;
    }
    BroadcastNotification(NOTIFY_LAYER_CREATED, static_cast<ILayer*>(layer));
    return layer;
}

BOOL LayerManager::AddLayer(ILayer* layer) {
    auto* l = layer ? dynamic_cast<Layer*>(layer) : nullptr;
    if (!l || IsLayerInScene(l) || l->GetName().isNull() || NameTaken(l->GetName(), nullptr)) return FALSE;
    if (!table_.Append(l)) return FALSE;
    BroadcastNotification(NOTIFY_LAYER_CREATED, layer);
    return TRUE;
}

BOOL LayerManager::DeleteLayer(const MSTR& name) {
    auto* l = static_cast<Layer*>(GetLayer(name));
    if (!l || l == GetRootLayer() || l->HasNodes()) return FALSE;
    const int index = table_.IndexOf(l);
    // Listeners drop their references to the layer while it is still whole.
    BroadcastNotification(NOTIFY_LAYER_DELETED, static_cast<ILayer*>(l));
    std::vector<ILayer*> children;
    for (int i = 0; i < l->GetNumChildLayers(); ++i) children.push_back(l->GetChildLayer(i));
    for (ILayer* child : children) child->SetParentLayer(l->GetParentLayer());
    if (GetCurrentLayer() == l) current_ = Animatable::GetHandleByAnim(GetRootLayer());
    table_.Remove(index, TRUE);
    return TRUE;
}

ILayer* LayerManager::GetCurrentLayer() {
    if (loadedCurrent_ >= 0) {
        current_ = Animatable::GetHandleByAnim(table_.Get(loadedCurrent_));
        loadedCurrent_ = -1;
    }
    Animatable* a = Animatable::GetAnimByHandle(current_);
    auto* l = a ? dynamic_cast<ILayer*>(a) : nullptr;
    return l && IsLayerInScene(l) ? l : GetRootLayer();
}

void LayerManager::SetCurrentLayer(const MSTR& name) {
    if (ILayer* l = GetLayer(name)) {
        loadedCurrent_ = -1;
        current_ = Animatable::GetHandleByAnim(l);
    }
}

void LayerManager::Reset() {
    Layer* root = nullptr;
    {
        const HoldSuspend quiet;
        while (table_.Count() > 1) table_.Remove(table_.Count() - 1, TRUE);
        if (table_.Count() == 0) table_.Append(new Layer(L"0"));
        root = static_cast<Layer*>(GetRootLayer());
        root->SetParentLayer(nullptr);
        root->RestoreFlags(false, false);
        if (root->GetName() != MSTR(L"0")) root->RestoreName(L"0");
    }
    current_ = Animatable::GetHandleByAnim(root);
    loadedCurrent_ = -1;
    dupOnMerge_ = false;
}

IOResult LayerManager::Save(ISave* isave) {
    const int current = table_.IndexOf(GetCurrentLayer());
    const DWORD dup = dupOnMerge_ ? 1u : 0u;
    return WriteValueChunk(isave, kManagerChunk, table_.Count(), current, dup);
}

IOResult LayerManager::Load(ILoad* iload) {
    return ForEachChunk(iload, [&](USHORT id) {
        if (id != kManagerChunk) return IO_OK;
        int count = 0, current = 0;
        DWORD dup = 0;
        // Every layer the count announces is a reference written after the manager.
        if (ReadValues(iload, count, current, dup) != IO_OK || count < 0 ||
            static_cast<size_t>(count) > iload->StreamBytesLeft())
            return IO_ERROR;
        table_.ResizeForLoad(count);
        loadedCurrent_ = current;
        dupOnMerge_ = dup != 0;
        return IO_OK;
    });
}

void DumpLayers(ILayerManager* manager, std::ostream& os, int indent) {
    const std::string pad(static_cast<size_t>(std::max(0, indent)), ' ');
    if (!manager) {
        os << pad << "Layers none\n";
        return;
    }
    ILayer* current = manager->GetCurrentLayer();
    os << pad << "Layers count " << manager->GetLayerCount() << "\n";
    for (int i = 0; i < manager->GetLayerCount(); ++i) {
        ILayer* l = manager->GetLayer(i);
        os << pad << "  [" << i << "] ";
        if (!l) {
            os << "null\n";
            continue;
        }
        os << Quoted(l->GetName());
        if (ILayer* p = l->GetParentLayer()) os << " parent " << Quoted(p->GetName());
        if (l->IsHidden()) os << " hidden";
        if (l->IsFrozen()) os << " frozen";
        if (l == current) os << " current";
        INodeTab nodes;
        l->Nodes(nodes);
        if (nodes.Count() > 0) {
            os << " nodes";
            for (int k = 0; k < nodes.Count(); ++k) os << (k ? ", " : " ") << Quoted(nodes[k]->GetName());
        }
        os << "\n";
    }
}
