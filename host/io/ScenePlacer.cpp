// Placement of loaded content: layer mapping by name, duplicate nodes and materials, the node tree.
#include "host/io/ScenePlacer.h"

#include "host/core/Notify.h"
#include "host/core/UniqueName.h"
#include "host/io/SceneFileFormat.h"
#include "host/scene/ILayer.h"
#include "host/scene/Mtl.h"
#include "host/scene/NamedSelectionSets.h"
#include "host/scene/layers/LayerManager.h"
#include "host/scene/nodes/Node.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

using namespace scenefile;

namespace {

std::wstring Lower(const MSTR& s) { return s.ToLower().str(); }

std::int32_t FileParentLayer(const SceneReader& r, std::int32_t id) {
    const auto refs = r.RefsOf(id);
    return refs.empty() ? kNullId : refs[0];
}

// Whether the file layer's ancestors carry the same names as the scene layer's.
bool SameHierarchy(const SceneReader& r, std::int32_t id, ILayer* scene) {
    std::int32_t fileParent = FileParentLayer(r, id);
    ILayer* sceneParent = scene->GetParentLayer();
    while (fileParent >= 0 && sceneParent) {
        ILayer* f = r.LayerAt(fileParent);
        if (!f || Lower(f->GetName()) != Lower(sceneParent->GetName())) return false;
        fileParent = FileParentLayer(r, fileParent);
        sceneParent = sceneParent->GetParentLayer();
    }
    return fileParent < 0 && !sceneParent;
}

// Decides for every layer of the file, before linking: layer "0" and (with joinByName, for a merge) a
// layer whose name the scene has join the scene's layer (unless the duplicate setting asks for a new one
// when the hierarchies differ); the others come as new layers. Returns those, parents before children.
std::vector<std::int32_t> MapLayers(Interface* ip, SceneReader& r, bool joinByName, bool dupWithoutSameHierarchy) {
    auto* lm = dynamic_cast<LayerManager*>(ip->GetLayerManager());
    if (!lm) return {};
    std::vector<std::int32_t> order(r.Layers());
    std::unordered_set<std::int32_t> listed(order.begin(), order.end());
    for (std::int32_t id = 0; id < r.NumObjects(); ++id)
        if (r.ClassOf(id).superClassId == LAYER_CLASS_ID && !listed.count(id)) order.push_back(id);

    std::vector<std::int32_t> fresh;
    std::unordered_set<std::wstring> freshNames;
    for (std::int32_t id : order) {
        ILayer* l = r.LayerAt(id);
        if (!l) continue;
        // A layer without a name (its name chunk lost) could not join the manager and would be lost.
        if (l->GetName().isNull()) l->SetName(lm->UniqueName(L"Layer"));
        const MSTR name = l->GetName();
        if (name == MSTR(L"0")) {
            r.Substitute(id, lm->GetRootLayer());
            continue;
        }
        ILayer* existing = joinByName ? lm->GetLayer(name) : nullptr;
        if (existing && (!dupWithoutSameHierarchy || SameHierarchy(r, id, existing))) {
            r.Substitute(id, existing);
            continue;
        }
        if (existing || freshNames.count(Lower(name))) {
            MSTR unique = lm->UniqueName(name);
            for (int k = 1; freshNames.count(Lower(unique)); ++k) unique = lm->UniqueName(name + MSTR::Format(L"_%d", k));
            l->SetName(unique);
        }
        freshNames.insert(Lower(l->GetName()));
        fresh.push_back(id);
    }
    // Parents first: a layer joins the manager after the layer above it.
    std::unordered_map<std::int32_t, int> depth;
    auto depthOf = [&](std::int32_t id) {
        int d = 0;
        for (std::int32_t p = FileParentLayer(r, id); p >= 0 && d <= r.NumObjects(); p = FileParentLayer(r, p)) ++d;
        return d;
    };
    for (std::int32_t id : fresh) depth[id] = depthOf(id);
    std::stable_sort(fresh.begin(), fresh.end(), [&](std::int32_t a, std::int32_t b) { return depth[a] < depth[b]; });
    return fresh;
}

void AddLayers(Interface* ip, const SceneReader& r, const std::vector<std::int32_t>& fresh) {
    ILayerManager* lm = ip->GetLayerManager();
    for (std::int32_t id : fresh)
        if (r.IsKept(id)) lm->AddLayer(r.LayerAt(id));
}

// Unique among the scene material library's names: "Brick" -> "Brick001", "Brick9" -> "Brick010".
MSTR UniqueMaterialName(MtlBaseLib* lib, const MSTR& name) {
    return NextFreeNumberedName(name, 3, [lib](const MSTR& c) { return lib->FindMtlByName(c) >= 0; });
}

std::int32_t NodeMaterialId(const SceneReader& r, std::int32_t node) {
    const auto refs = r.RefsOf(node);
    return refs.size() > NODE_REF_MTL ? refs[NODE_REF_MTL] : kNullId;
}

void PlaceNodes(Interface* ip, SceneReader& r, std::vector<INode*>& placed) {
    auto* root = static_cast<Node*>(ip->GetRootNode());
    for (const SceneReader::NodeEntry& e : r.Nodes()) {
        if (!r.IsKept(e.id)) continue;
        Node* n = r.NodeAt(e.id);
        Node* parent = e.parent >= 0 && r.IsKept(e.parent) ? r.NodeAt(e.parent) : root;
        parent->AttachLoadedChild(n);
        placed.push_back(n);
    }
}

} // namespace

IOResult ScenePlacer::LinkOpened(Interface* ip, SceneReader& r, std::vector<std::int32_t>& fresh) {
    // The scene's other layers go with the old scene: only layer "0" is shared.
    fresh = MapLayers(ip, r, false, false);
    std::vector<std::int32_t> roots;
    for (const SceneReader::NodeEntry& e : r.Nodes()) roots.push_back(e.id);
    roots.insert(roots.end(), r.Layers().begin(), r.Layers().end());
    roots.insert(roots.end(), r.Materials().begin(), r.Materials().end());
    for (std::int32_t id : r.EditorSlots())
        if (id != kNullId) roots.push_back(id);
    return r.Link(roots);
}

void ScenePlacer::PlaceOpened(Interface* ip, SceneReader& r, const std::vector<std::int32_t>& fresh) {
    ILayerManager* lm = ip->GetLayerManager();
    // Layer "0" keeps the file's states, though the scene's own layer object stands for it.
    for (std::int32_t id : r.Layers())
        if (ILayer* l = r.LayerAt(id); l && lm && l->GetName() == MSTR(L"0")) {
            lm->GetRootLayer()->Hide(l->IsHidden());
            lm->GetRootLayer()->Freeze(l->IsFrozen());
        }
    AddLayers(ip, r, fresh);
    if (lm && r.CurrentLayer() >= 0) {
        const std::int32_t id = r.Layers()[static_cast<size_t>(r.CurrentLayer())];
        ILayer* l = r.IsKept(id) ? r.LayerAt(id) : nullptr;
        lm->SetCurrentLayer(l ? l->GetName() : MSTR(L"0"));
    }
    if (MtlBaseLib* lib = ip->GetSceneMtls())
        for (std::int32_t id : r.Materials())
            if (MtlBase* m = r.MtlAt(id)) lib->Add(m);
    // A file without the editor's slots leaves the defaults the cleared scene has.
    const std::vector<std::int32_t>& slots = r.EditorSlots();
    for (size_t i = 0; i < slots.size(); ++i) ip->PutMtlToMtlEditor(r.MtlAt(slots[i]), static_cast<int>(i));
    std::vector<INode*> placed;
    PlaceNodes(ip, r, placed);
    if (INamedSelectionSetManager* sets = ip->GetNamedSelectionSetManager())
        for (const SceneReader::SelSet& s : r.SelSets()) {
            INodeTab members;
            for (std::int32_t id : s.nodes) members.Append(r.NodeAt(id));
            sets->AddNewNamedSelSet(members, s.name);
        }
    r.PlaceRootAppData(ip->GetRootNode());
    r.DeliverSceneData(ip->GetRootNode());
}

IOResult ScenePlacer::PlaceMerged(Interface* ip, SceneReader& r, const MergeOptions& o,
                                  std::vector<INode*>& placed) {
    std::unordered_set<std::wstring> wanted;
    if (!o.mergeAll && o.names)
        for (int i = 0; i < o.names->Count(); ++i) wanted.insert(Lower((*o.names)[i]));
    const bool filter = !o.mergeAll && o.names;

    // Duplicates are judged against the scene as it was before the merge.
    std::vector<std::int32_t> roots;
    std::vector<std::int32_t> renamed;
    std::vector<INode*> doomed;
    for (const SceneReader::NodeEntry& e : r.Nodes()) {
        Node* n = r.NodeAt(e.id);
        const MCHAR* name = n->GetName();
        if (filter && !wanted.count(Lower(name))) continue;
        Node* existing = Node::FindInSceneByName(name);
        if (existing) {
            if (o.dupAction == MERGE_DUPS_SKIP) continue;
            if (o.dupAction == MERGE_DUPS_DELOLD) doomed.push_back(existing);
            if (o.dupAction == MERGE_DUPS_RENAME) renamed.push_back(e.id);
        }
        roots.push_back(e.id);
    }

    MtlBaseLib* lib = ip->GetSceneMtls();
    std::vector<std::pair<MtlBase*, MtlBase*>> useMerged; // scene material, merged one
    std::unordered_set<std::int32_t> seenMtl;
    for (std::int32_t id : roots) {
        const std::int32_t m = NodeMaterialId(r, id);
        MtlBase* mtl = r.MtlAt(m);
        if (!mtl || !lib || !seenMtl.insert(m).second) continue;
        const int at = lib->FindMtlByName(mtl->GetName());
        if (at < 0 || !(*lib)[at]) continue;
        switch (o.dupMtlAction) {
        case MERGE_DUP_MTL_USE_SCENE: r.Substitute(m, (*lib)[at]); break;
        case MERGE_DUP_MTL_USE_MERGED: useMerged.push_back({(*lib)[at], mtl}); break;
        default: mtl->SetName(UniqueMaterialName(lib, mtl->GetName())); break;
        }
    }

    const std::vector<std::int32_t> fresh = MapLayers(ip, r, true, o.duplicateLayerWithoutSameHierarchy);
    if (r.Link(roots) != IO_OK) return IO_ERROR;
    AddLayers(ip, r, fresh);
    if (!doomed.empty()) {
        INodeTab tab;
        for (INode* n : doomed) tab.Append(n);
        ip->DeleteNodes(tab, true, false);
    }
    for (auto& [sceneMtl, merged] : useMerged) merged->TransferReferences(sceneMtl);

    PlaceNodes(ip, r, placed);
    for (std::int32_t id : renamed)
        if (Node* n = r.NodeAt(id)) n->SetName(Node::MakeNameUnique(n->GetName()).c_str());
    if (lib)
        for (INode* n : placed)
            if (Mtl* m = n->GetMtl()) lib->Add(m);
    for (INode* n : placed) {
        BroadcastNotification(NOTIFY_SCENE_ADDED_NODE, n);
        n->NotifyDependents(FOREVER, PART_ALL, REFMSG_NODE_POST_MERGE);
    }
    return IO_OK;
}
