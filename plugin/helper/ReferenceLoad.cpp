// Loading a reference: the helper's file merged into the open scene and every merged item tied to its
// record, so that the user's overrides are re-applied to the fresh content.
#include "plugin/helper/ReferenceLoad.h"

#include "host/core/Hold.h"
#include "host/core/Listener.h"
#include "host/core/MaxException.h"
#include "host/core/Notify.h"
#include "host/scene/HostServices.h"
#include "host/scene/ILayer.h"
#include "host/scene/INode.h"
#include "host/scene/Mtl.h"
#include "plugin/anims/RefAnim.h"
#include "plugin/frame/OstrivansMessages.h"
#include "plugin/frame/StringTable.h"
#include "plugin/helper/DuplicatedNames.h"
#include "plugin/helper/HelperBatch.h"
#include "plugin/helper/HelperMergeFile.h"
#include "plugin/helper/HelperModuleState.h"
#include "plugin/helper/HelperNotifications.h"
#include "plugin/helper/LayerTracking.h"
#include "plugin/helper/MakeUniqueName.h"
#include "plugin/helper/NodeListScan.h"
#include "plugin/helper/OstrivansHelper.h"
#include "plugin/helper/RecordsByName.h"
#include "plugin/helper/ReferenceErrorReport.h"
#include "plugin/records/RefMaterial.h"
#include "plugin/records/RefNode.h"
#include "plugin/settings/OstrivansSettings.h"


namespace {

// A name is made unique at most this many times; a library that still holds the name then keeps both.
constexpr int kMaxUniqueNameTries = 100000;

} // namespace

ReferenceLoad::~ReferenceLoad() {
    UnRegisterBindingHandlers();
    UnRegisterLayerHandlers();
}

int ReferenceLoad::Run() {
    IParamBlock2* pb = helper_->GetParamBlock();
    if (helper_->IsLoaded() || !pb) return 0;
    BroadcastNotification(NOTIFY_OSTRIVANS_PRE_LOAD, helper_);
    if (!pb->GetInt(pb_active)) {
        BroadcastNotification(NOTIFY_OSTRIVANS_POST_LOAD, helper_);
        return 0;
    }

    Interface* ip = GetCOREInterface();
    ip->Services().SetCursor(HostCursor::Wait);
    const OperationCode savedCode = GetCurrentOperation();
    SetCurrentOperation(OperationCode::Load);
    int result = 0;
    try {
        if (!GetHelperModuleState().batchOpen) {
            openedBatch_ = true;
            BatchOpeningStep();
        }
        result = LoadSteps();
        if (openedBatch_) {
            openedBatch_ = false;
            BatchClosingStep();
        }
        if (result) {
            helper_->SetLoaded(true);
            if (timing_) {
                mprintf(L"\nOV Merge Time: %f\nOV Initialization Time: %f\n", mergeTime_, initTime_);
                mflush();
            }
            ip->PushPrompt(L"Reference Loaded");
        }
    } catch (const MAXException& e) {
        Fail(L"Error Loading Reference", &e.Message());
        result = 0;
    } catch (const std::exception& e) {
        const MSTR text = WStr::FromUTF8(e.what());
        Fail(L"Unknown Error Loading Reference", &text);
        result = 0;
    } catch (...) {
        Fail(L"Unknown Error Loading Reference", nullptr);
        result = 0;
    }

    SetCurrentOperation(savedCode);
    ip->Services().SetCursor(HostCursor::Arrow);
    BroadcastNotification(NOTIFY_OSTRIVANS_POST_LOAD, helper_);
    if (duplicatedNames_ && !ip->GetQuietMode() && ShowDuplicatedNamesWarningSetting()) {
        if (ShowDuplicatedNamesWarning(helper_, merged_.ToTab())) SetShowDuplicatedNamesWarningSetting(false);
    }
    return result;
}

int ReferenceLoad::LoadSteps() {
    DropRecordsWithoutOverrides();
    marks_.Mark(IDS_STEP_LOAD_CLEANED);

    const bool merged = MergeContent();
    if (merged) {
        FlattenNestedReferences();
        if (theHold.IsSuspended()) {
            theHold.Resume();
            resumedHold_ = true;
        }
        CollectLayers();
        MonitorMaterials();
        CollectDoomedNodes();
        MonitorNodes();
        ApplyPrefix();
    }
    AddMaterialsToScene();
    DeleteDoomedNodes();
    ProcessMergedLayers(helper_, layers_, marks_);
    layers_.clear();
    layerIndex_.clear();
    FinishOverrides();
    if (resumedHold_) {
        resumedHold_ = false;
        theHold.Suspend();
    }
    if (timing_) initTime_ = timer_.EndTimer();
    marks_.Mark(IDS_STEP_PRELOADED);
    GetCOREInterface()->GetSystemSetting(SYSSET_CLEAR_UNDO);
    marks_.Mark(IDS_STEP_LOAD_UNDO_CLEARED);
    return merged ? 1 : 0;
}

// A record without overrides would only repeat what the file holds: the merged item gets a fresh one.
void ReferenceLoad::DropRecordsWithoutOverrides() {
    helper_->SetRenderSwapFlag(false);
    // Mirrors that asked an earlier load to finish their override may be gone since; only this load's
    // requests count, also when its merge fails.
    helper_->ClearChangedMirrors();
    helper_->DropRecordsWithoutOverrides();
}

bool ReferenceLoad::MergeContent() {
    const MSTR asset = helper_->GetFileToLoad();
    if (ILayerManager* lm = GetCOREInterface()->GetLayerManager())
        for (int i = 1; i < lm->GetLayerCount(); ++i)
            layerSnapshot_.insert(lm->GetLayer(i));
    layerSnapshotTaken_ = true;
    timing_ = PrintTimesSetting() != 0;
    if (timing_) timer_.StartTimer();

    INodeTab nodes;
    int mergedOk = 0;
    try {
        mergedOk = helper_->MergeFile(asset, nodes);
    } catch (...) {
        // What the host merged before it broke off is taken out with the failure report.
        for (int i = 0; i < nodes.Count(); ++i)
            merged_.Append(nodes[i]);
        throw;
    }
    if (!mergedOk) {
        helper_->SetFileTime(0);
        return false;
    }
    for (int i = 0; i < nodes.Count(); ++i)
        merged_.Append(nodes[i]);
    marks_.Mark(IDS_STEP_LOAD_MERGED);
    if (timing_) {
        mergeTime_ = timer_.EndTimer();
        timer_.StartTimer();
    }
    helper_->SetFileTime(GetFileLastWriteTime(ResolveReferencePath(asset)));
    return true;
}

// Helpers inside the referenced file have loaded their own files during the merge; their content becomes
// plain content of this reference and the helpers go.
void ReferenceLoad::FlattenNestedReferences() {
    for (int i = merged_.Slots() - 1; i >= 0; --i) {
        INode* node = merged_.At(i);
        OstrivansHelper* nested = node ? HelperOfNode(node) : nullptr;
        if (!nested) continue;
        if (!helper_->GetRenderSwapFlag() && nested->RenderSwapApplies()) helper_->SetRenderSwapFlag(true);
        merged_.Remove(node);
        nested->Merge();
    }
}

MergedLayer* ReferenceLoad::LayerRecord(ILayer* layer) {
    auto it = layerIndex_.find(layer);
    if (it != layerIndex_.end()) return &layers_[it->second];
    layerIndex_.emplace(layer, layers_.size());
    MergedLayer& rec = layers_.emplace_back();
    rec.layer = layer;
    rec.name = layer->GetName();
    rec.existed = layerSnapshot_.count(layer) != 0;
    return &rec;
}

void ReferenceLoad::CollectLayers() {
    // A layer's name comes as a copy: each layer is asked once whether it is the default one, not once
    // per node on it.
    std::unordered_map<ILayer*, bool> isDefault;
    for (int i = 0; i < merged_.Slots(); ++i) {
        INode* node = merged_.At(i);
        ILayer* layer = node ? node->GetLayer() : nullptr;
        if (!layer) continue;
        auto [it, fresh] = isDefault.try_emplace(layer, false);
        if (fresh) it->second = layer->GetName() == L"0";
        if (it->second) continue;
        LayerRecord(layer)->nodes.Append(node);
    }
    marks_.Mark(IDS_STEP_LAYERS_COLLECTED);

    // Ancestors of the layers met get records too (appended, so their own parents are reached in turn),
    // unless an existing layer's parent is tracked by the helper already.
    std::unordered_set<ReferenceTarget*> tracked;
    for (int i = 0; i < helper_->NumRefLayers(); ++i)
        tracked.insert(helper_->GetRefLayer(i));
    for (size_t i = 0; i < layers_.size(); ++i) {
        ILayer* parent = layers_[i].layer ? layers_[i].layer->GetParentLayer() : nullptr;
        if (!parent) continue;
        if (!layers_[i].existed || !tracked.count(parent)) LayerRecord(parent);
    }
    marks_.Mark(IDS_STEP_LAYERS_PARENT_COLLECTED);
    RegisterLayerHandlers();
    helper_->ClearChangedMirrors();
}

void ReferenceLoad::MonitorMaterials() {
    // Material records by name, first in table order; each takes at most one material per load.
    RecordsByName<RefMaterial> byName(static_cast<size_t>(helper_->NumRefMaterials()));
    bool fresh = false;
    for (int i = 0; i < helper_->NumRefMaterials(); ++i)
        if (RefMaterial* rec = helper_->GetRefMaterial(i))
            byName.Slot(byName.FindOrAdd(rec->GetReferencedName().str(), fresh)).free.push_back(rec);

    std::unordered_set<Mtl*> seen;
    for (int i = 0; i < merged_.Slots(); ++i) {
        INode* node = merged_.At(i);
        Mtl* mtl = node ? node->GetMtl() : nullptr;
        if (!mtl || RefBase::FromItem(mtl) || !seen.insert(mtl).second) continue;
        const auto at = byName.Find(mtl->GetName().str());
        if (RefMaterial* rec = at != byName.kNone ? byName.Slot(at).TakeFree() : nullptr) {
            rec->Update(mtl);
            // A record whose material the user changed puts the user's material back in place of the
            // fresh one, which may be gone since: the scene library takes what the record holds now.
            if (Mtl* kept = rec->GetMaterial()) collectedMtls_.push_back(kept);
        } else {
            helper_->AppendRefMaterial(new RefMaterial(mtl, helper_));
            collectedMtls_.push_back(mtl);
        }
    }
    marks_.Mark(IDS_STEP_MATERIALS_MONITORED);
}

// Nodes the user deleted locally come with every merge; they are set aside and deleted again.
void ReferenceLoad::CollectDoomedNodes() {
    const std::vector<WStr>& toDelete = helper_->GetNodesToDelete();
    if (!toDelete.empty()) {
        std::unordered_set<std::wstring> names;
        for (const WStr& n : toDelete)
            names.insert(n.data());
        for (int i = merged_.Slots() - 1; i >= 0; --i) {
            INode* node = merged_.At(i);
            if (!node || !names.count(node->GetName())) continue;
            // A frozen node is thawed first, so nothing refuses its deletion.
            if (node->IsFrozen()) node->Freeze(FALSE);
            merged_.Remove(node);
            doomed_.Append(node);
        }
    }
    marks_.Mark(IDS_STEP_NODES_TO_DELETE_COLLECTED);
    RegisterBindingHandlers();
}

// A node that now carries a record is no longer a child some other record linked from outside.
void ReferenceLoad::TakenIntoReference(INode* node) {
    SendToNodeDependents(node, REFMSG_OSTRIVANS_NODE_TAKEN);
}

void ReferenceLoad::MonitorNodes() {
    DropDeletedNodeListEntries(*helper_);
    // Keyed by views of the records' referenced names, which stay put while the load runs.
    RecordsByName<RefNode> byName(static_cast<size_t>(helper_->NumRefNodes() + merged_.Count()));
    bool fresh = false;
    for (int i = 0; i < helper_->NumRefNodes(); ++i) {
        RefNode* rec = helper_->GetRefNode(i);
        if (!rec) continue;
        NameSlot<RefNode>& slot = byName.Slot(byName.FindOrAdd(rec->GetReferencedName().str(), fresh));
        if (rec->IsNodeLoaded())
            ++slot.bound;
        else
            slot.free.push_back(rec);
    }
    // By index: a node a record's update adds to the scene joins the table and is bound in turn.
    for (int i = 0; i < merged_.Slots(); ++i) {
        INode* node = merged_.At(i);
        if (!node || RefBase::FromItem(node)) continue;
        // A name no record has gets its slot from the node's name, then the new record's own copy of it
        // keys the slot: the node's name may change before the load is over, the record's does not.
        const auto at = byName.FindOrAdd(node->GetName(), fresh);
        if (fresh) {
            auto* rec = new RefNode(node, helper_);
            helper_->AppendRefNode(rec);
            byName.Rekey(at, rec->GetReferencedName().str());
            byName.Slot(at).bound = 1;
            TakenIntoReference(node);
            continue;
        }
        NameSlot<RefNode>& slot = byName.Slot(at);
        if (slot.bound > 0) duplicatedNames_ = true;
        if (RefNode* rec = slot.TakeFree()) {
            // A record that cannot re-apply its overrides reports it and stays unloaded; the other
            // records of the load go on.
            try {
                rec->Update(node);
            } catch (const MAXException& e) {
                ShowReferenceError(e.Message());
            }
        } else {
            helper_->AppendRefNode(new RefNode(node, helper_));
            TakenIntoReference(node);
        }
        ++slot.bound;
    }
    marks_.Mark(IDS_STEP_NODES_MONITORED);
}

void ReferenceLoad::ApplyPrefix() {
    IParamBlock2* pb = helper_->GetParamBlock();
    if (!pb || !pb->GetInt(pb_use_name_prefix)) return;
    INode* helperNode = helper_->GetHelperNode();
    const MSTR prefix = helperNode ? MSTR(helperNode->GetName()) : MSTR();
    for (int i = 0; i < helper_->NumRefNodes(); ++i)
        if (RefNode* rec = helper_->GetRefNode(i); rec && rec->GetItem()) rec->ApplyNamePrefix(prefix.c_str());
    for (int i = 0; i < helper_->NumRefMaterials(); ++i)
        if (RefMaterial* rec = helper_->GetRefMaterial(i); rec && rec->GetItem())
            rec->ApplyNamePrefix(prefix.c_str());
}

// The merge kept merged materials out of the scene's library; they join it now under names it does not
// use yet, and their records learn the new names.
void ReferenceLoad::AddMaterialsToScene() {
    MtlBaseLib* lib = GetCOREInterface()->GetSceneMtls();
    if (lib && !collectedMtls_.empty()) {
        std::unordered_set<MtlBase*> members;
        std::unordered_set<std::wstring> names;
        for (int i = 0; i < lib->Count(); ++i)
            if (MtlBase* m = (*lib)[i]) {
                members.insert(m);
                names.insert(m->GetName().data());
            }
        for (Mtl* mtl : collectedMtls_) {
            if (members.count(mtl)) continue;
            MSTR name = mtl->GetName();
            const MSTR original = name;
            for (int tries = 0; names.count(name.data()) && tries < kMaxUniqueNameTries; ++tries)
                MakeUniqueName(name);
            if (name != original) {
                mtl->SetName(name);
                mtl->NotifyDependents(FOREVER, 0, REFMSG_OSTRIVANS_MTL_RENAMED, REFBASE_SUPER_CLASS_ID, FALSE);
            }
            lib->Add(mtl);
            members.insert(mtl);
            names.insert(name.data());
        }
    }
    marks_.Mark(IDS_STEP_MATERIALS_ADDED_TO_SCENE);
    UnRegisterBindingHandlers();
}

void ReferenceLoad::DeleteDoomedNodes() {
    if (doomed_.Count() > 0) {
        INodeTab nodes = doomed_.ToTab();
        GetCOREInterface()->DeleteNodes(nodes, true, false);
    }
    marks_.Mark(IDS_STEP_LOAD_NODES_DELETED);
    UnRegisterLayerHandlers();
}

// Mirrors that could not finish their override before every record was bound do it now.
void ReferenceLoad::FinishOverrides() {
    const std::vector<RefAnim*> changed = helper_->GetChangedMirrors();
    for (RefAnim* mirror : changed)
        if (mirror) mirror->FinishOverride();
    helper_->ClearChangedMirrors();
}

void ReferenceLoad::Fail(const MCHAR* head, const MSTR* detail) {
    UnRegisterBindingHandlers();
    UnRegisterLayerHandlers();
    if (resumedHold_) {
        resumedHold_ = false;
        theHold.Suspend();
    }
    MSTR text = WStr::Format(L"%s\nMerged Nodes: %d\n", head, merged_.Count()) + helper_->Description() +
                L"\nLastOperation: " + marks_.LastName();
    if (detail && !detail->isNull()) text += L"\n\n" + *detail;
    SetCurrentOperation(OperationCode::None);
    ShowReferenceError(text);
    // The unload deletes the nodes the records were bound to: the working tables must let go of them too,
    // or the clean-up below would delete them a second time.
    RegisterNotification(OnNodeDeletedDuringBinding, this, NOTIFY_SCENE_PRE_DELETED_NODE);
    helper_->Unload();
    UnRegisterNotification(OnNodeDeletedDuringBinding, this, NOTIFY_SCENE_PRE_DELETED_NODE);
    // The records give up what this load bound them to, as an unload's collection does, so that the next
    // load finds them free again.
    // A record that fails here has reported nothing new: the load's own failure is what the user sees.
    for (int i = 0; i < helper_->NumRefMaterials(); ++i)
        try {
            if (RefMaterial* rec = helper_->GetRefMaterial(i)) rec->CollectIfLoaded();
        } catch (...) {
        }
    for (int i = 0; i < helper_->NumRefNodes(); ++i)
        try {
            if (RefNode* rec = helper_->GetRefNode(i)) rec->Collect();
        } catch (...) {
        }
    // A collect ends a pass: local dependencies are looked at afresh from here.
    helper_->IncrementStamp();
    if (openedBatch_) {
        openedBatch_ = false;
        BatchClosingStep();
    }
    INodeTab nodes = merged_.ToTab();
    doomed_.AppendTo(nodes);
    merged_ = NodeTable();
    doomed_ = NodeTable();
    // The user hears of the failure, not of names in content that is gone again.
    duplicatedNames_ = false;
    if (nodes.Count() > 0) GetCOREInterface()->DeleteNodes(nodes, true, false);
    if (layerSnapshotTaken_) DeleteLayersLeftByFailedLoad(layerSnapshot_);
}

// ---- Working tables that follow the scene while the load changes it.

void ReferenceLoad::OnLayerDeletedDuringLoad(void* param, NotifyInfo* info) {
    auto* self = static_cast<ReferenceLoad*>(param);
    auto it = self->layerIndex_.find(static_cast<ILayer*>(info->callParam));
    if (it == self->layerIndex_.end()) return;
    self->layers_[it->second].layer = nullptr;
    self->layerIndex_.erase(it);
}

void ReferenceLoad::OnNodeDeletedDuringLayers(void* param, NotifyInfo* info) {
    auto* self = static_cast<ReferenceLoad*>(param);
    auto* node = static_cast<INode*>(info->callParam);
    ILayer* layer = node ? node->GetLayer() : nullptr;
    auto it = self->layerIndex_.find(layer);
    if (it != self->layerIndex_.end()) self->layers_[it->second].nodes.Remove(node);
}

void ReferenceLoad::OnNodeDeletedDuringBinding(void* param, NotifyInfo* info) {
    auto* self = static_cast<ReferenceLoad*>(param);
    auto* node = static_cast<INode*>(info->callParam);
    self->merged_.Remove(node);
    self->doomed_.Remove(node);
}

void ReferenceLoad::OnNodeAddedDuringBinding(void* param, NotifyInfo* info) {
    static_cast<ReferenceLoad*>(param)->merged_.Append(static_cast<INode*>(info->callParam));
}

void ReferenceLoad::RegisterLayerHandlers() {
    RegisterNotification(OnLayerDeletedDuringLoad, this, NOTIFY_LAYER_DELETED);
    RegisterNotification(OnNodeDeletedDuringLayers, this, NOTIFY_SCENE_PRE_DELETED_NODE);
    layerHandlers_ = true;
}

void ReferenceLoad::UnRegisterLayerHandlers() {
    if (!layerHandlers_) return;
    UnRegisterNotification(OnLayerDeletedDuringLoad, this, NOTIFY_LAYER_DELETED);
    UnRegisterNotification(OnNodeDeletedDuringLayers, this, NOTIFY_SCENE_PRE_DELETED_NODE);
    layerHandlers_ = false;
}

void ReferenceLoad::RegisterBindingHandlers() {
    RegisterNotification(OnNodeDeletedDuringBinding, this, NOTIFY_SCENE_PRE_DELETED_NODE);
    RegisterNotification(OnNodeAddedDuringBinding, this, NOTIFY_SCENE_ADDED_NODE);
    bindingHandlers_ = true;
}

void ReferenceLoad::UnRegisterBindingHandlers() {
    if (!bindingHandlers_) return;
    UnRegisterNotification(OnNodeDeletedDuringBinding, this, NOTIFY_SCENE_PRE_DELETED_NODE);
    UnRegisterNotification(OnNodeAddedDuringBinding, this, NOTIFY_SCENE_ADDED_NODE);
    bindingHandlers_ = false;
}
