// The helper's tracking of the layers its referenced content arrives on.
#include "plugin/helper/LayerTracking.h"

#include "host/core/MaxException.h"
#include "host/scene/ILayer.h"
#include "host/scene/Interface.h"
#include "plugin/frame/StepMarks.h"
#include "plugin/frame/StringTable.h"
#include "plugin/helper/MergedLayer.h"
#include "plugin/helper/OstrivansHelper.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace {

// Marks, while the processing runs, a merged layer that no layer record follows yet.
constexpr DWORD kUntrackedLayer = A_PLUGIN3;

MSTR GivenName(const MSTR& prefix, const MSTR& name) {
    return prefix.isNull() ? name : prefix + L"_" + name;
}

// The name the helper gives a layer of the file called name, with its renamed-layer entry (or null); false
// when the layer keeps the name it has.
bool LayerTargetName(const MSTR& prefix, const RenamedLayer* renamed, const WStr& name, MSTR& target) {
    if (!prefix.isNull())
        target = renamed && renamed->full == 1 ? renamed->localName
                                               : GivenName(prefix, renamed ? renamed->localName : name);
    else if (renamed)
        target = renamed->localName;
    else
        return false;
    return true;
}

class LayerProcessing {
public:
    LayerProcessing(OstrivansHelper* helper, std::vector<MergedLayer>& layers, StepMarks& marks, ILayerManager& lm)
        : helper_(helper), layers_(layers), marks_(marks), lm_(lm) {}

    void Run();
    // The layers carrying the untracked mark lose it.
    void ClearMarks();
    // "\nLayer Crashed: ..." for the record being placed, "\nLayer Data Corrupted" between records.
    MSTR CrashedLine() const;

private:
    void LinkParents();
    // The records' layers that hold a node, themselves or through a layer below them.
    void FindLayersHoldingNodes();
    // Deletes, renames or folds the record's layer.
    void Place(MergedLayer& rec);
    // The name the helper gives the record's layer; false when it keeps the merge's name.
    bool TargetName(const MergedLayer& rec, MSTR& target) const;
    void DeleteLayer(ILayer* layer);
    // The record's merged nodes still on its layer join layer to; a node whose record put it elsewhere
    // stays there.
    void MoveNodes(const MergedLayer& rec, ILayer* to);
    void RestoreHierarchy();
    void TrackNewLayers();

    OstrivansHelper* helper_;
    std::vector<MergedLayer>& layers_;
    StepMarks& marks_;
    ILayerManager& lm_;
    MSTR prefix_;
    std::unordered_map<std::wstring_view, const RenamedLayer*> renamed_;
    std::unordered_set<ILayer*> holding_;
    std::vector<ILayer*> marked_;
    const MergedLayer* current_ = nullptr;
};

void LayerProcessing::Run() {
    prefix_ = helper_->GetRecordNamePrefix();
    for (const RenamedLayer& r : helper_->GetRenamedLayers())
        renamed_.emplace(r.fileName.str(), &r);
    LinkParents();
    FindLayersHoldingNodes();
    for (MergedLayer& rec : layers_) {
        current_ = &rec;
        Place(rec);
    }
    current_ = nullptr;
    RestoreHierarchy();
    helper_->DropLostRefLayers();
    TrackNewLayers();
    marks_.Mark(IDS_STEP_LAYERS_STORED);
}

void LayerProcessing::LinkParents() {
    std::unordered_map<ILayer*, MergedLayer*> byLayer;
    for (MergedLayer& rec : layers_)
        if (rec.layer) byLayer.emplace(rec.layer, &rec);
    for (MergedLayer& rec : layers_) {
        auto it = rec.layer ? byLayer.find(rec.layer->GetParentLayer()) : byLayer.end();
        rec.parent = it != byLayer.end() ? it->second : nullptr;
    }
}

void LayerProcessing::FindLayersHoldingNodes() {
    // Each holding layer marks its ancestors up to the first one marked already: every layer is met once.
    for (const MergedLayer& rec : layers_) {
        if (!rec.layer || rec.layer->NumNodes() == 0) continue;
        for (ILayer* l = rec.layer; l && holding_.insert(l).second; l = l->GetParentLayer()) {
        }
    }
}

bool LayerProcessing::TargetName(const MergedLayer& rec, MSTR& target) const {
    auto it = renamed_.find(rec.name.str());
    return LayerTargetName(prefix_, it != renamed_.end() ? it->second : nullptr, rec.name, target);
}

void LayerProcessing::DeleteLayer(ILayer* layer) {
    const MSTR name = layer->GetName();
    if (!lm_.DeleteLayer(name))
        throw MAXException(L"the layer manager did not delete layer \"" + name + L"\" (it still holds nodes)");
}

void LayerProcessing::MoveNodes(const MergedLayer& rec, ILayer* to) {
    // Nodes lie apart in memory: the ones a few places on are asked for while one moves.
    constexpr int kAhead = 8;
    const int slots = rec.nodes.Slots();
    for (int i = 0; i < slots; ++i) {
        if (i + kAhead < slots) __builtin_prefetch(rec.nodes.At(i + kAhead));
        if (INode* node = rec.nodes.At(i); node && node->GetLayer() == rec.layer) to->AddToLayer(node);
    }
}

void LayerProcessing::Place(MergedLayer& rec) {
    if (!rec.layer) return;
    // Every node that came on a new layer was deleted again by the load: the layer goes with them.
    if (!rec.existed && !holding_.count(rec.layer)) {
        DeleteLayer(rec.layer);
        rec.layer = nullptr;
        return;
    }
    marks_.Mark(IDS_STEP_EXISTED_CHECK);
    MSTR target;
    if (!TargetName(rec, target)) return;
    marks_.Mark(IDS_STEP_NEW_LAYER_NAME);
    ILayer* named = lm_.GetLayer(target);
    if (target.isNull() || named == lm_.GetRootLayer())
        throw MAXException(L"layer \"" + rec.layer->GetName() + L"\" cannot take the name \"" + target + L"\"");
    if (named == rec.layer) {
        // Names are matched without case: the layer takes the given spelling.
        if (rec.layer->GetName() != target) rec.layer->SetName(target);
    } else if (!rec.existed) {
        if (named) {
            // The scene has the layer already (from the last load, or the user's): the nodes join it. A new
            // layer holds only merged nodes, so the layer manager refuses to delete it should one stay.
            MoveNodes(rec, named);
            DeleteLayer(rec.layer);
            rec.layer = named;
        } else if (!rec.layer->SetName(target)) {
            throw MAXException(L"layer \"" + rec.layer->GetName() + L"\" cannot be renamed \"" + target + L"\"");
        }
    } else {
        // The merge joined a layer the scene had: the merged nodes move to the given name, the scene's
        // layer keeps the rest.
        if (!named) named = lm_.CreateLayer(target);
        if (!named || named->GetName() != target)
            throw MAXException(L"the layer manager did not create layer \"" + target + L"\"");
        MoveNodes(rec, named);
        rec.layer = named;
    }
    marks_.Mark(IDS_STEP_RENAMING);
}

void LayerProcessing::RestoreHierarchy() {
    for (MergedLayer& rec : layers_) {
        ILayer* parent = rec.parent ? rec.parent->layer : nullptr;
        if (!rec.layer || !parent || rec.layer == parent || rec.layer->GetParentLayer() == parent) continue;
        if (!rec.layer->SetParentLayer(parent))
            throw MAXException(L"layer \"" + rec.layer->GetName() + L"\" cannot be put under layer \"" +
                               parent->GetName() + L"\"");
    }
}

void LayerProcessing::TrackNewLayers() {
    ILayer* root = lm_.GetRootLayer();
    for (MergedLayer& rec : layers_)
        if (rec.layer && rec.layer != root && !rec.layer->TestAFlag(kUntrackedLayer)) {
            rec.layer->SetAFlag(kUntrackedLayer);
            marked_.push_back(rec.layer);
        }
    for (int k = 0; k < helper_->NumRefLayers(); ++k)
        if (ReferenceTarget* layer = helper_->GetRefLayer(k)) layer->ClearAFlag(kUntrackedLayer);
    for (MergedLayer& rec : layers_)
        if (rec.layer && rec.layer->TestAFlag(kUntrackedLayer)) {
            rec.layer->ClearAFlag(kUntrackedLayer);
            helper_->AppendRefLayer(rec.layer, rec.name);
        }
    marked_.clear();
}

void LayerProcessing::ClearMarks() {
    for (ILayer* layer : marked_)
        layer->ClearAFlag(kUntrackedLayer);
    marked_.clear();
}

MSTR LayerProcessing::CrashedLine() const {
    if (!current_) return L"\nLayer Data Corrupted";
    return WStr::Format(L"\nLayer Crashed: %s (%d), existed: %d, numNodes: %d", current_->name.c_str(),
                        static_cast<int>(current_->layer ? Animatable::GetHandleByAnim(current_->layer) : 0),
                        current_->existed ? 1 : 0, current_->nodes.Count());
}

// The layer and everything below it holds no node.
bool HoldsNoNode(ILayer* layer) {
    if (layer->NumNodes() > 0) return false;
    for (int i = 0; i < layer->GetNumChildLayers(); ++i)
        if (!HoldsNoNode(layer->GetChildLayer(i))) return false;
    return true;
}

} // namespace

void ProcessMergedLayers(OstrivansHelper* helper, std::vector<MergedLayer>& layers, StepMarks& marks) {
    marks.Mark(IDS_STEP_LAYERS_CLEANED);
    ILayerManager* lm = GetCOREInterface()->GetLayerManager();
    if (layers.empty() || !lm) return;
    LayerProcessing processing(helper, layers, marks, *lm);
    const auto fail = [&](const MCHAR* head, const MSTR* detail) {
        processing.ClearMarks();
        return MAXException(marks.FailureText(MSTR(head) + processing.CrashedLine(), detail));
    };
    try {
        processing.Run();
    } catch (const MAXException& e) {
        throw fail(L"Error Monitoring Layers", &e.Message());
    } catch (const std::exception& e) {
        const MSTR text = WStr::FromUTF8(e.what());
        throw fail(L"Unknown Error Monitoring Layers", &text);
    } catch (...) {
        throw fail(L"Unknown Error Monitoring Layers", nullptr);
    }
}

void CollectLayerNames(OstrivansHelper* helper) {
    const MSTR prefix = helper->GetRecordNamePrefix();
    std::vector<RenamedLayer>& renamed = helper->EditRenamedLayers();
    std::unordered_map<std::wstring, size_t> byFileName;
    for (size_t i = 0; i < renamed.size(); ++i)
        byFileName.emplace(renamed[i].fileName.str(), i);
    std::vector<bool> renamedBack(renamed.size(), false);
    for (int k = 0; k < helper->NumRefLayers(); ++k) {
        auto* layer = dynamic_cast<ILayer*>(helper->GetRefLayer(k));
        const WStr name = helper->GetRefLayerName(k);
        if (!layer || name.isNull()) continue;
        const MSTR current = layer->GetName();
        auto it = byFileName.find(name.str());
        if (current == GivenName(prefix, name)) {
            if (it != byFileName.end()) renamedBack[it->second] = true;
            continue;
        }
        const bool fresh = it == byFileName.end();
        if (fresh) {
            renamed.push_back({name, MSTR(), 0});
            renamedBack.push_back(false);
            it = byFileName.emplace(name.str(), renamed.size() - 1).first;
        }
        RenamedLayer& entry = renamed[it->second];
        // Once the user gave a name that carries the prefix, a later prefix is not put in front of it.
        if (fresh || entry.full == 0)
            entry.full = !prefix.isNull() && std::wstring_view(current.str()).starts_with(prefix.str()) ? 1 : 0;
        entry.localName = current;
        renamedBack[it->second] = false;
    }
    size_t kept = 0;
    for (size_t i = 0; i < renamed.size(); ++i)
        if (!renamedBack[i]) renamed[kept++] = renamed[i];
    renamed.resize(kept);
}

void RenameLayersForPrefix(OstrivansHelper* helper, const MSTR& oldPrefix, const MSTR& newPrefix) {
    ILayerManager* lm = GetCOREInterface()->GetLayerManager();
    if (!lm || oldPrefix == newPrefix) return;
    std::unordered_map<std::wstring_view, const RenamedLayer*> renamed;
    for (const RenamedLayer& r : helper->GetRenamedLayers()) renamed.emplace(r.fileName.str(), &r);
    const auto given = [&renamed](const MSTR& prefix, const WStr& name) {
        auto it = renamed.find(name.str());
        MSTR target;
        return LayerTargetName(prefix, it != renamed.end() ? it->second : nullptr, name, target) ? target : MSTR(name);
    };
    for (int k = 0; k < helper->NumRefLayers(); ++k) {
        auto* layer = dynamic_cast<ILayer*>(helper->GetRefLayer(k));
        const WStr name = helper->GetRefLayerName(k);
        if (!layer || name.isNull() || layer->GetName() != given(oldPrefix, name)) continue;
        const MSTR target = given(newPrefix, name);
        if (target == layer->GetName()) continue;
        ILayer* named = lm->GetLayer(target);
        if (!named || named == layer) layer->SetName(target);
    }
}

void ReleaseRefLayers(OstrivansHelper* helper) {
    std::vector<AnimHandle> released;
    for (ReferenceTarget* layer : helper->TakeRefLayers())
        released.push_back(Animatable::GetHandleByAnim(layer));
    ILayerManager* lm = GetCOREInterface()->GetLayerManager();
    if (!lm) return;
    // Deleting a layer moves its child layers up: each released layer is looked up again.
    for (AnimHandle h : released) {
        auto* layer = dynamic_cast<ILayer*>(Animatable::GetAnimByHandle(h));
        if (!layer || !lm->IsLayerInScene(layer) || layer == lm->GetRootLayer() || !HoldsNoNode(layer)) continue;
        lm->DeleteLayer(layer->GetName());
    }
}

void DeleteLayersLeftByFailedLoad(const std::unordered_set<ILayer*>& existed) {
    ILayerManager* lm = GetCOREInterface()->GetLayerManager();
    if (!lm) return;
    std::vector<std::pair<int, ILayer*>> added;
    for (int i = 1; i < lm->GetLayerCount(); ++i)
        if (ILayer* layer = lm->GetLayer(i); layer && !existed.count(layer)) {
            int depth = 0;
            for (ILayer* p = layer->GetParentLayer(); p; p = p->GetParentLayer()) ++depth;
            added.emplace_back(depth, layer);
        }
    // Children before their parents: a layer whose new child layers went is empty in turn.
    std::stable_sort(added.begin(), added.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    for (const auto& [depth, layer] : added)
        if (layer->NumNodes() == 0 && layer->GetNumChildLayers() == 0) lm->DeleteLayer(layer->GetName());
}
