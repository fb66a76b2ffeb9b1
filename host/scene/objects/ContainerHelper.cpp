// The container helper: its node slots, their edits with undo, persistence, cloning and the dump.
#include "host/scene/objects/ContainerHelper.h"

#include "host/core/HoldSuspend.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"

#include <algorithm>
#include <unordered_set>

namespace {

class ContainerNodesRestore : public RestoreObj {
public:
    ContainerNodesRestore(ContainerHelper* c, const std::vector<INode*>& before, const std::vector<INode*>& after)
        : handle_(Animatable::GetHandleByAnim(c)), before_(Handles(before)), after_(Handles(after)) {}
    void Restore(int /*isUndo*/) override { Apply(before_); }
    void Redo() override { Apply(after_); }
    MSTR Description() override { return L"Container Nodes"; }

private:
    static std::vector<AnimHandle> Handles(const std::vector<INode*>& nodes) {
        std::vector<AnimHandle> h;
        h.reserve(nodes.size());
        for (INode* n : nodes) h.push_back(Animatable::GetHandleByAnim(n));
        return h;
    }
    void Apply(const std::vector<AnimHandle>& handles) {
        auto* c = dynamic_cast<ContainerHelper*>(Animatable::GetAnimByHandle(handle_));
        if (!c) return;
        std::vector<INode*> nodes;
        for (AnimHandle h : handles)
            if (auto* n = dynamic_cast<INode*>(Animatable::GetAnimByHandle(h))) nodes.push_back(n);
        c->ApplyNodes(nodes);
    }
    AnimHandle handle_;
    std::vector<AnimHandle> before_, after_;
};

} // namespace

ContainerHelper::~ContainerHelper() { DeleteAllRefs(); }

std::vector<INode*> ContainerHelper::GetNodes() const {
    std::vector<INode*> nodes;
    nodes.reserve(slots_.size());
    for (ReferenceTarget* t : slots_)
        if (auto* n = dynamic_cast<INode*>(t)) nodes.push_back(n);
    return nodes;
}

bool ContainerHelper::Holds(INode* node) const {
    return node && std::find(slots_.begin(), slots_.end(), static_cast<ReferenceTarget*>(node)) != slots_.end();
}

bool ContainerHelper::AddNode(INode* node) {
    if (!node || Holds(node) || node->GetObjectRef() == this) return false;
    std::vector<INode*> after = GetNodes();
    after.push_back(node);
    SetNodes(after);
    return true;
}

bool ContainerHelper::RemoveNode(INode* node) {
    if (!Holds(node)) return false;
    std::vector<INode*> after = GetNodes();
    std::erase(after, node);
    SetNodes(after);
    return true;
}

void ContainerHelper::SetNodes(const std::vector<INode*>& nodes) {
    std::vector<INode*> after;
    std::unordered_set<INode*> seen;
    for (INode* n : nodes)
        if (n && n->GetObjectRef() != this && seen.insert(n).second) after.push_back(n);
    const std::vector<INode*> before = GetNodes();
    if (before == after && slots_.size() == after.size()) return;
    if (theHold.Holding()) theHold.Put(new ContainerNodesRestore(this, before, after));
    ApplyNodes(after);
}

void ContainerHelper::ApplyNodes(const std::vector<INode*>& nodes) {
    {
        // One restore record stands for the whole edit.
        const HoldSuspend suspended;
        const size_t n = nodes.size();
        if (slots_.size() < n) slots_.resize(n, nullptr);
        for (size_t i = 0; i < slots_.size(); ++i)
            ReplaceReference(static_cast<int>(i), i < n ? static_cast<ReferenceTarget*>(nodes[i]) : nullptr);
        slots_.resize(n);
    }
    NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
}

RefTargetHandle ContainerHelper::GetReference(int i) {
    return i >= 0 && i < NumRefs() ? slots_[static_cast<size_t>(i)] : nullptr;
}

void ContainerHelper::SetReference(int i, RefTargetHandle t) {
    if (i < 0) return;
    // The scene reader restores the slots its count chunk made room for; a node only ever goes in.
    if (static_cast<size_t>(i) >= slots_.size()) slots_.resize(static_cast<size_t>(i) + 1, nullptr);
    slots_[static_cast<size_t>(i)] = dynamic_cast<INode*>(t) ? t : nullptr;
}

BOOL ContainerHelper::ShouldPersistWeakRef(RefTargetHandle t) {
    auto* n = dynamic_cast<INode*>(t);
    while (n && !n->IsRootNode()) n = n->GetParentNode();
    return n && n == GetCOREInterface()->GetRootNode() ? TRUE : FALSE;
}

RefTargetHandle ContainerHelper::Clone(RemapDir& remap) {
    auto* copy = static_cast<ContainerHelper*>(ConfiguredObject<HelperObject>::Clone(remap));
    // A copy holds the same nodes: they are the scene's, not the container's.
    if (copy) copy->ApplyNodes(GetNodes());
    return copy;
}

IOResult ContainerHelper::SaveOwn(ISave* isave) {
    return WriteValueChunk(isave, kSlotsChunk, static_cast<int>(slots_.size()));
}

IOResult ContainerHelper::LoadOwnChunk(ILoad* iload) {
    if (iload->CurChunkID() != kSlotsChunk) return IO_OK;
    int n = 0;
    const IOResult res = ReadValues(iload, n);
    if (res != IO_OK || n < 0) return IO_ERROR;
    slots_.assign(static_cast<size_t>(n), nullptr);
    return IO_OK;
}

void ContainerHelper::DumpOwn(std::ostream& os, int indent) {
    os << std::string(static_cast<size_t>(indent), ' ') << "container:";
    for (INode* n : GetNodes()) os << " \"" << WStr(n->GetName()).ToUTF8() << "\"";
    os << "\n";
}
