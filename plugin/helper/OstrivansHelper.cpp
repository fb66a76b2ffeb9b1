// The scene helper that owns one reference.
#include "plugin/helper/OstrivansHelper.h"

#include "host/core/AssetEnumCallback.h"
#include "host/core/Hold.h"
#include "host/core/MaxException.h"
#include "host/scene/Control.h"
#include "host/scene/HostServices.h"
#include "host/core/Notify.h"
#include "host/core/RemapDir.h"
#include "host/scene/ILayer.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "host/scene/Mtl.h"
#include "plugin/anims/RefAnimRestore.h"
#include "plugin/frame/EmptyController.h"
#include "plugin/frame/OperationNotAvailable.h"
#include "plugin/frame/ResetMask.h"
#include "plugin/helper/DuplicatedNames.h"
#include "plugin/helper/HelperBatch.h"
#include "plugin/helper/HelperDiagnostics.h"
#include "plugin/helper/HelperMergeFile.h"
#include "plugin/helper/HelperModuleState.h"
#include "plugin/helper/HelperNodeEvents.h"
#include "plugin/helper/HelperNotifications.h"
#include "plugin/helper/LayerTracking.h"
#include "plugin/helper/ReferenceErrorReport.h"
#include "plugin/helper/ReferenceLoad.h"
#include "plugin/helper/ReferenceUnload.h"
#include "plugin/records/RefMaterial.h"
#include "plugin/records/RefNode.h"

#include <algorithm>
#include <sstream>

namespace {

void Erase(std::vector<OstrivansHelper*>& v, OstrivansHelper* h) {
    v.erase(std::remove(v.begin(), v.end(), h), v.end());
}

// The host reads and relinks one of the helper's file names through this.
class FileNameAccessor : public IAssetAccessor {
public:
    FileNameAccessor(IParamBlock2* pb, ParamID id) : pb_(pb), id_(id) {}
    MaxSDK::AssetManagement::AssetUser GetAsset() const override {
        const MCHAR* s = pb_->GetStr(id_);
        return MaxSDK::AssetManagement::AssetUser(MSTR(s ? s : L""), GetAssetType());
    }
    bool SetAsset(const MaxSDK::AssetManagement::AssetUser& asset) override {
        return pb_->SetValue(id_, 0, asset.GetFileName().c_str()) != FALSE;
    }
    int GetAssetType() const override { return kOstrivansSceneAssetType; }

private:
    IParamBlock2* pb_;
    ParamID id_;
};

// The next pass stamp of the module: never 0 (a mirror without helper asks with 0).
DWORD NextPassStamp() {
    static DWORD last = 0;
    do {
        ++last;
    } while (last == 0);
    return last;
}

} // namespace

OstrivansHelper::OstrivansHelper(BOOL loading)
    : stamp_(NextPassStamp()), nodeEvents_(std::make_unique<HelperNodeEvents>(this)) {
    HelperModuleState& state = GetHelperModuleState();
    if (loading) {
        // The first helper to wait hooks the end of the open (or of the merge) for all of them.
        if (state.pendingAutoLoad.empty()) RegisterAutoLoadHandler();
        state.pendingAutoLoad.push_back(this);
    } else {
        GetOstrivansHelperClassDesc().MakeAutoParamBlocks(this);
    }
    if (ISceneEventManager* events = GetCOREInterface()->GetISceneEventManager())
        sceneEventKey_ = events->RegisterCallback(nodeEvents_.get());
    RegisterNotification(OnLayerDeleted, this, NOTIFY_LAYER_DELETED);
    RegisterModuleHandlers();
    state.registry.push_back(this);
}

OstrivansHelper::~OstrivansHelper() {
    HelperModuleState& state = GetHelperModuleState();
    Erase(state.registry, this);
    const bool wasPending = std::find(state.pendingAutoLoad.begin(), state.pendingAutoLoad.end(), this) !=
                            state.pendingAutoLoad.end();
    Erase(state.pendingAutoLoad, this);
    if (wasPending && state.pendingAutoLoad.empty()) UnregisterAutoLoadHandler();
    UnRegisterNotification(OnLayerDeleted, this, NOTIFY_LAYER_DELETED);
    if (ISceneEventManager* events = GetCOREInterface()->GetISceneEventManager())
        events->UnRegisterCallback(sceneEventKey_);
    DeleteAllRefs();
}

void OstrivansHelper::GetClassName(MSTR& s, bool) const {
    s = L"OstrivansHelper";
}

int OstrivansHelper::NumRefs() {
    return kFirstRecordRef + NumRefNodes() + NumRefMaterials() + NumRefLayers();
}

RefTargetHandle OstrivansHelper::GetReference(int i) {
    if (i == kParamBlockRef) return pblock_;
    if (i == kHeldMtlLibRef) return heldMtlLib_;
    int k = i - kFirstRecordRef;
    if (k < 0) return nullptr;
    if (k < NumRefNodes()) return refNodes_[static_cast<size_t>(k)];
    k -= NumRefNodes();
    if (k < NumRefMaterials()) return refMaterials_[static_cast<size_t>(k)];
    k -= NumRefMaterials();
    if (k < NumRefLayers()) return refLayers_[static_cast<size_t>(k)].layer;
    return nullptr;
}

void OstrivansHelper::SetReference(int i, RefTargetHandle rtarg) {
    if (i == kParamBlockRef) {
        AttachParamBlock(dynamic_cast<IParamBlock2*>(rtarg));
        return;
    }
    if (i == kHeldMtlLibRef) {
        heldMtlLib_ = rtarg;
        return;
    }
    int k = i - kFirstRecordRef;
    if (k < 0) return;
    if (k < NumRefNodes()) {
        RefNode*& slot = refNodes_[static_cast<size_t>(k)];
        if (slot) slot->SetHelper(nullptr);
        slot = dynamic_cast<RefNode*>(rtarg);
        if (slot) slot->SetHelper(this);
        return;
    }
    k -= NumRefNodes();
    if (k < NumRefMaterials()) {
        RefMaterial*& slot = refMaterials_[static_cast<size_t>(k)];
        if (slot) slot->SetHelper(nullptr);
        slot = dynamic_cast<RefMaterial*>(rtarg);
        if (slot) slot->SetHelper(this);
        return;
    }
    k -= NumRefMaterials();
    if (k < NumRefLayers()) refLayers_[static_cast<size_t>(k)].layer = rtarg;
}

void OstrivansHelper::AttachParamBlock(IParamBlock2* pb) {
    pblock_ = pb;
    if (!pb) return;
    prefixFlagCopy_ = pb->GetInt(pb_use_name_prefix);
    // Scenes from before the three-way reload setting carry only ReloadIfChanged: take it over.
    const int reloadType = pb->GetInt(pb_persist_reload_type);
    const int onlyIfChanged = pb->GetInt(pb_reload_if_changed) ? 1 : 0;
    if (reloadType < kReloadManually && reloadType != onlyIfChanged) {
        AccessorDisabler off(this);
        pb->SetValue(pb_persist_reload_type, 0, onlyIfChanged);
    }
}

BOOL OstrivansHelper::IsRealDependency(ReferenceTarget* rtarg) {
    if (!rtarg) return TRUE;
    if (pblock_ && pblock_->GetInt(pb_persist_ref)) return TRUE;
    const OperationCode op = GetCurrentOperation();
    if (op != OperationCode::Unload && op != OperationCode::PreSave && op != OperationCode::PreSaveCollect && op != OperationCode::Duplicate) return TRUE;
    if (rtarg->SuperClassID() == REFBASE_SUPER_CLASS_ID)
        if (auto* rec = dynamic_cast<RefBase*>(rtarg)) return rec->HasOverrides() ? TRUE : FALSE;
    return TRUE;
}

RefResult OstrivansHelper::NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID&,
                                            RefMessage message, BOOL) {
    HelperModuleState& state = GetHelperModuleState();
    if (hTarget && hTarget == pblock_ && message == REFMSG_CHANGE && IsAccessorEnabled()) {
        if (state.managerRefresh) state.managerRefresh();
    } else if (hTarget && hTarget == heldMtlLib_ && message == REFMSG_SUBANIM_STRUCTURE_CHANGED) {
        // The library is held only while a merge runs: what the merge adds must not stay in it.
        if (auto* lib = dynamic_cast<MtlBaseLib*>(heldMtlLib_)) lib->Empty();
    }
    return REF_SUCCEED;
}

RefTargetHandle OstrivansHelper::Clone(RemapDir& remap) {
    auto* copy = new OstrivansHelper(FALSE);
    if (pblock_) copy->ReplaceReference(kParamBlockRef, remap.CloneRef(pblock_));
    if (GetCurrentOperation() == OperationCode::Duplicate) {
        // Only what carries the user's changes is copied; the rest comes from the file on the next load.
        copy->refNodes_.assign(refNodes_.size(), nullptr);
        copy->refMaterials_.assign(refMaterials_.size(), nullptr);
        for (size_t i = 0; i < refNodes_.size(); ++i)
            if (refNodes_[i] && refNodes_[i]->HasOverrides())
                copy->ReplaceReference(kFirstRecordRef + static_cast<int>(i), remap.CloneRef(refNodes_[i]));
        const int firstMaterial = kFirstRecordRef + NumRefNodes();
        for (size_t i = 0; i < refMaterials_.size(); ++i)
            if (refMaterials_[i] && refMaterials_[i]->HasOverrides())
                copy->ReplaceReference(firstMaterial + static_cast<int>(i), remap.CloneRef(refMaterials_[i]));
        copy->nodesToDelete_ = nodesToDelete_;
        if (IParamBlock2* pb = copy->GetParamBlock()) pb->SetValue(pb_selected_in_manager, 0, 0);
    }
    BaseClone(this, copy, remap);
    return copy;
}

BaseInterface* OstrivansHelper::GetInterface(Interface_ID id) {
    if (id == OSTRIVANS_HELPER_INTERFACE_ID) return static_cast<OstrivansHelperInterface*>(this);
    if (BaseInterface* bi = HelperObject::GetInterface(id)) return bi;
    // The mixin's own answers (the mixin and function-publishing ids).
    return OstrivansHelperInterface::FPMixinInterface::GetInterface(id);
}

Animatable* OstrivansHelper::SubAnim(int i) {
    return i == 0 ? pblock_ : nullptr;
}

MSTR OstrivansHelper::SubAnimName(int i, bool) {
    return i == 0 ? MSTR(L"pblock") : MSTR();
}

IParamBlock2* OstrivansHelper::GetParamBlockByID(BlockID id) {
    return pblock_ && pblock_->ID() == id ? pblock_ : nullptr;
}

void OstrivansHelper::EnumAuxFiles(AssetEnumCallback& assetEnum, DWORD flags) {
    // Reached twice in one enumeration, the helper reports its files once.
    if ((flags & FILE_ENUM_CHECK_AWORK1) && TestAFlag(A_WORK1)) return;
    for (ParamID id : {pb_filename, pb_proxy_filename}) {
        if (!pblock_) break;
        FileNameAccessor accessor(pblock_, id);
        if (flags & FILE_ENUM_ACCESSOR_INTERFACE)
            static_cast<IEnumAuxAssetsCallback&>(assetEnum).DeclareAsset(accessor);
        else
            RecordInputAsset(accessor.GetAsset(), assetEnum, flags);
    }
    HelperObject::EnumAuxFiles(assetEnum, flags);
}

RefNode* OstrivansHelper::GetRefNode(int i) const {
    return i >= 0 && i < NumRefNodes() ? refNodes_[static_cast<size_t>(i)] : nullptr;
}

RefMaterial* OstrivansHelper::GetRefMaterial(int i) const {
    return i >= 0 && i < NumRefMaterials() ? refMaterials_[static_cast<size_t>(i)] : nullptr;
}

ReferenceTarget* OstrivansHelper::GetRefLayer(int i) const {
    return i >= 0 && i < NumRefLayers() ? refLayers_[static_cast<size_t>(i)].layer : nullptr;
}

WStr OstrivansHelper::GetRefLayerName(int i) const {
    return i >= 0 && i < NumRefLayers() ? refLayers_[static_cast<size_t>(i)].name : WStr();
}

int OstrivansHelper::AppendRefLayer(ReferenceTarget* layer, const WStr& name) {
    refLayers_.push_back({nullptr, name});
    const int index = NumRefLayers() - 1;
    ReplaceReference(LayerRef(index), layer);
    return index;
}

void OstrivansHelper::DropLostRefLayers() {
    // Layer references come last: emptying slots and closing up the table moves no other reference.
    for (int k = NumRefLayers() - 1; k >= 0; --k)
        if (refLayers_[static_cast<size_t>(k)].name.isNull()) DeleteReference(LayerRef(k));
    std::erase_if(refLayers_, [](const RefLayer& r) { return !r.layer; });
}

std::vector<ReferenceTarget*> OstrivansHelper::TakeRefLayers() {
    std::vector<ReferenceTarget*> layers;
    for (int k = NumRefLayers() - 1; k >= 0; --k) {
        if (ReferenceTarget* layer = refLayers_[static_cast<size_t>(k)].layer) layers.push_back(layer);
        DeleteReference(LayerRef(k));
    }
    refLayers_.clear();
    renamedLayers_.clear();
    return layers;
}

Tab<INode*> OstrivansHelper::GetNodes() {
    Tab<INode*> nodes;
    for (RefNode* rec : refNodes_)
        if (auto* node = rec ? dynamic_cast<INode*>(rec->GetItem()) : nullptr) nodes.Append(node);
    return nodes;
}

void OstrivansHelper::IncrementStamp() {
    stamp_ = NextPassStamp();
}

int OstrivansHelper::AppendRefNode(RefNode* record) {
    refNodes_.push_back(nullptr);
    const int index = NumRefNodes() - 1;
    ReplaceReference(kFirstRecordRef + index, record);
    return index;
}

void OstrivansHelper::DropRecordsWithoutOverrides() {
    // Slots are emptied first (reference indices stay put while they are), then the tables close up in one
    // pass: a reload of a large reference drops most of its records.
    for (int k = NumRefNodes() - 1; k >= 0; --k)
        if (RefNode* rec = refNodes_[static_cast<size_t>(k)]; rec && !rec->HasOverrides())
            DeleteReference(kFirstRecordRef + k);
    for (int k = NumRefMaterials() - 1; k >= 0; --k)
        if (RefMaterial* rec = refMaterials_[static_cast<size_t>(k)]; rec && !rec->HasOverrides())
            DeleteReference(kFirstRecordRef + NumRefNodes() + k);
    std::erase(refNodes_, nullptr);
    std::erase(refMaterials_, nullptr);
}

void OstrivansHelper::DropAllRecords() {
    for (int k = NumRefLayers() - 1; k >= 0; --k)
        DeleteReference(LayerRef(k));
    DropLostRefLayers();
    for (int k = NumRefMaterials() - 1; k >= 0; --k)
        DeleteReference(kFirstRecordRef + NumRefNodes() + k);
    for (int k = NumRefNodes() - 1; k >= 0; --k)
        DeleteReference(kFirstRecordRef + k);
    refNodes_.clear();
    refMaterials_.clear();
}

int OstrivansHelper::AppendRefMaterial(RefMaterial* record) {
    refMaterials_.push_back(nullptr);
    const int index = NumRefMaterials() - 1;
    ReplaceReference(kFirstRecordRef + NumRefNodes() + index, record);
    return index;
}

bool OstrivansHelper::PersistsReferences() const {
    return pblock_ && pblock_->GetInt(pb_persist_ref) != 0;
}

MSTR OstrivansHelper::GetRecordNamePrefix() {
    if (!pblock_ || !pblock_->GetInt(pb_use_name_prefix)) return L"";
    INode* node = GetHelperNode();
    return node ? MSTR(node->GetName()) : MSTR(L"");
}

INode* OstrivansHelper::GetHelperNode() {
    // The node whose object (below any modifiers) is this helper; other nodes that reach the helper
    // through some reference of theirs are passed over.
    class FindNode : public DependentEnumProc {
    public:
        explicit FindNode(OstrivansHelper* h) : helper(h) {}
        OstrivansHelper* helper;
        INode* node = nullptr;
        int proc(ReferenceMaker* rm) override {
            auto* n = dynamic_cast<INode*>(rm);
            if (!n) return DEP_ENUM_CONTINUE;
            if (HelperOfNode(n) != helper) return DEP_ENUM_SKIP;
            node = n;
            return DEP_ENUM_HALT;
        }
    } find(this);
    DoEnumDependents(&find);
    return find.node;
}

MSTR OstrivansHelper::GetFileToLoad() {
    if (!pblock_) return MSTR();
    const bool forRender = GetHelperModuleState().rendering || GetCOREInterface()->IsNetServer();
    const bool useProxy = pblock_->GetInt(forRender ? pb_use_proxy_in_render : pb_use_proxy_in_viewport) != 0;
    const MCHAR* name = pblock_->GetStr(useProxy ? pb_proxy_filename : pb_filename);
    return MSTR(name ? name : L"");
}

bool OstrivansHelper::NeedsRenderSwap() {
    if (!pblock_) return false;
    auto chosen = [this](ParamID proxySwitch) {
        const MCHAR* name = pblock_->GetStr(pblock_->GetInt(proxySwitch) ? pb_proxy_filename : pb_filename);
        return MSTR(name ? name : L"");
    };
    return chosen(pb_use_proxy_in_viewport) != chosen(pb_use_proxy_in_render);
}

bool OstrivansHelper::QualifiesForAutoLoading() {
    if (!pblock_ || !pblock_->GetInt(pb_overlay)) return true;
    if (!GetHelperModuleState().mergeStack.empty()) return false;
    INode* node = GetHelperNode();
    if (!node) return false;
    INode* top = node;
    while (INode* parent = top->GetParentNode())
        top = parent;
    return top == GetCOREInterface()->GetRootNode();
}

void OstrivansHelper::ApplyReloadPolicy() {
    if (!pblock_) return;
    if (!pblock_->GetInt(pb_persist_ref)) {
        if (QualifiesForAutoLoading()) Load();
        return;
    }
    if (!QualifiesForAutoLoading()) {
        Unload();
        return;
    }
    switch (pblock_->GetInt(pb_persist_reload_type)) {
    case kReloadAlways:
        if (PathFileExists(ResolveReferencePath(GetFileToLoad()))) Reload();
        break;
    case kReloadOnlyIfChanged:
        // Times are compared as 64-bit values: a file that cannot be read has time 0.
        if (CompareFileTime(GetFileLastWriteTime(ResolveReferencePath(GetFileToLoad())), fileTime_) != 0) Reload();
        break;
    default:
        break;
    }
}

// ---- Reference operations.

bool OstrivansHelper::ForgetNodeToDelete(const WStr& name) {
    auto it = std::find(nodesToDelete_.begin(), nodesToDelete_.end(), name);
    if (it == nodesToDelete_.end()) return false;
    if (theHold.Holding()) theHold.Put(new StringTabRestore(&nodesToDelete_, this));
    nodesToDelete_.erase(it);
    return true;
}

RefNode* OstrivansHelper::MirrorNode(INode* /*node*/, const WStr& /*name*/) {
    NotAvailable(L"OstrivansHelper.MirrorNode");
    return nullptr;
}

int OstrivansHelper::NotAvailable(const MCHAR* operation) {
    INode* node = GetHelperNode();
    return ReportOperationNotAvailable(operation, node ? node->GetName() : L"<no node>");
}

int OstrivansHelper::Load() {
    // Scene nodes that hang under a placeholder follow the fresh node that takes the placeholder's place.
    std::vector<std::pair<RefNode*, std::vector<AnimHandle>>> hung;
    for (RefNode* rec : refNodes_) {
        INode* node = rec ? rec->GetNode() : nullptr;
        Control* tm = node ? node->GetTMController() : nullptr;
        if (!tm || tm->ClassID() != EMPTY_CONTROLLER_CLASS_ID) continue;
        std::vector<AnimHandle> children;
        for (int i = 0; i < node->NumberOfChildren(); ++i)
            if (INode* child = node->GetChildNode(i); !RefBase::FromItem(child))
                children.push_back(Animatable::GetHandleByAnim(child));
        if (!children.empty()) hung.emplace_back(rec, std::move(children));
    }
    ReferenceLoad load(this);
    const int result = load.Run();
    for (auto& [rec, children] : hung) {
        INode* fresh = rec->GetNode();
        if (!fresh) continue;
        for (AnimHandle h : children)
            if (auto* child = dynamic_cast<INode*>(Animatable::GetAnimByHandle(h));
                child && child->GetParentNode() != fresh && !child->TestAFlag(A_IS_DELETED))
                fresh->AttachChild(child, 1);
    }
    return result;
}

int OstrivansHelper::Reload() {
    BatchScope batch;
    Unload();
    const int result = Load();
    if (result == 1) GetCOREInterface()->DisplayTempPrompt(L"Reload Successful", 2000);
    return result;
}

int OstrivansHelper::Unload() {
    ReferenceUnload unload(this);
    unload.Run();
    return 0;
}

int OstrivansHelper::Merge() {
    OperationCodeGuard op(OperationCode::Merge);
    DropAllRecords();
    renamedLayers_.clear();
    // Deleting the helper node may delete this helper: nothing of it is used afterwards.
    Interface* ip = GetCOREInterface();
    if (INode* node = GetHelperNode()) ip->DeleteNode(node);
    ip->GetSystemSetting(SYSSET_CLEAR_UNDO);
    return 1;
}

int OstrivansHelper::Dismiss() {
    Interface* ip = GetCOREInterface();
    BatchScope batch;
    const OperationCode savedCode = GetCurrentOperation();
    try {
        Unload();
        ip->Services().SetCursor(HostCursor::Wait);
        SetCurrentOperation(OperationCode::Dismiss);
        // What the records still hold in the scene (placeholders, nodes kept in place) goes with them.
        NodeTable owned;
        for (int k = NumRefNodes() - 1; k >= 0; --k) {
            if (RefNode* rec = refNodes_[static_cast<size_t>(k)]) rec->AddToNodeList(owned);
            DeleteReference(kFirstRecordRef + k);
        }
        refNodes_.clear();
        for (int k = NumRefMaterials() - 1; k >= 0; --k)
            DeleteReference(kFirstRecordRef + k);
        refMaterials_.clear();
        INodeTab nodes = owned.ToTab();
        if (nodes.Count() > 0) ip->DeleteNodes(nodes, true, false);
        nodesToDelete_.clear();
        ReleaseRefLayers(this);
        ip->GetSystemSetting(SYSSET_CLEAR_UNDO);
    } catch (const MAXException& e) {
        ReportDismissFailure(L"Error Dismissing Reference", &e.Message());
        SetCurrentOperation(savedCode);
        ip->Services().SetCursor(HostCursor::Arrow);
        return 0;
    } catch (...) {
        ReportDismissFailure(L"Unknown Error Dismissing Reference", nullptr);
        SetCurrentOperation(savedCode);
        ip->Services().SetCursor(HostCursor::Arrow);
        return 0;
    }
    SetCurrentOperation(savedCode);
    ip->Services().SetCursor(HostCursor::Arrow);
    return 1;
}

void OstrivansHelper::ReportDismissFailure(const MCHAR* head, const MSTR* detail) {
    MSTR text = MSTR(head) + L"\n" + Description();
    if (detail && !detail->isNull()) text += L"\n\n" + *detail;
    SetCurrentOperation(OperationCode::None);
    ShowReferenceError(text);
}

int OstrivansHelper::Reset() {
    BatchScope batch;
    Dismiss();
    return Load();
}

int OstrivansHelper::AdvancedReset(DWORD resetMask) {
    for (RefNode* rec : refNodes_)
        if (rec) rec->Reset(resetMask);
    if (resetMask & RESETMASK_MATERIAL)
        for (RefMaterial* rec : refMaterials_)
            if (rec) rec->Reset(resetMask);
    if (resetMask & RESETMASK_LAYER) TakeRefLayers();
    // Locally deleted nodes come back with the next merge.
    if (resetMask & RESETMASK_DELETED_NODES) nodesToDelete_.clear();
    return 1;
}

int OstrivansHelper::Overwrite() {
    if (!pblock_) return 0;
    const MCHAR* name = pblock_->GetStr(pblock_->GetInt(pb_use_proxy_in_viewport) ? pb_proxy_filename : pb_filename);
    const MSTR path = ResolveReferencePath(MSTR(name ? name : L""));
    return SaveAs(path.c_str());
}

int OstrivansHelper::SaveAs(const MCHAR* fileName) {
    if (!pblock_) return 0;
    Interface* ip = GetCOREInterface();
    const bool prefixed = pblock_->GetInt(pb_use_name_prefix) != 0;
    try {
        Tab<INode*> nodes = GetNodes();
        // The file holds the referenced names: the prefix is the scene's own.
        if (prefixed) pblock_->SetValue(pb_use_name_prefix, 0, 0);
        bool written = false;
        {
            OperationCodeGuard op(OperationCode::SaveAs);
            written = ip->SaveNodes(&nodes, fileName ? fileName : L"");
        }
        if (prefixed) pblock_->SetValue(pb_use_name_prefix, 0, 1);
        if (!written) throw MAXException(ip->GetLastFileError(), 0);
    } catch (const MAXException& e) {
        if (prefixed && !pblock_->GetInt(pb_use_name_prefix)) pblock_->SetValue(pb_use_name_prefix, 0, 1);
        SetCurrentOperation(OperationCode::None);
        ShowReferenceError(L"Error Saving Reference\n\n" + e.Message());
        return 0;
    } catch (...) {
        if (prefixed && !pblock_->GetInt(pb_use_name_prefix)) pblock_->SetValue(pb_use_name_prefix, 0, 1);
        SetCurrentOperation(OperationCode::None);
        ShowReferenceError(L"Unknown Error Saving Reference");
        return 0;
    }
    return 1;
}

void OstrivansHelper::PrintData(int mode) {
    PrintHelperData(this, mode);
}
void OstrivansHelper::ShowDupNames() {
    ShowDuplicatedNamesOnRequest(this);
}
int OstrivansHelper::MergeFile(const MSTR& asset, INodeTab& mergedNodes) {
    return MergeReferenceFile(this, asset, mergedNodes);
}
MSTR OstrivansHelper::Description() {
    return HelperDescription(this);
}
void OstrivansHelper::ApplyNamePrefix(bool on) {
    INode* node = GetHelperNode();
    const MSTR name = node ? MSTR(node->GetName()) : MSTR();
    ChangeNamePrefix(on ? MSTR() : name, on ? name : MSTR());
}

void OstrivansHelper::RenamePrefix(const MCHAR* oldName, const MCHAR* /*newName*/) {
    if (!pblock_ || !pblock_->GetInt(pb_use_name_prefix)) return;
    INode* node = GetHelperNode();
    ChangeNamePrefix(MSTR(oldName ? oldName : L""), node ? MSTR(node->GetName()) : MSTR());
}

void OstrivansHelper::ChangeNamePrefix(const MSTR& oldPrefix, const MSTR& newPrefix) {
    // The helper's own renames: the records must not take them for the user's. The records compose every
    // name from their own name and the prefix, so the new prefix is simply applied; the layers are renamed
    // only where they still carry the name the old prefix gave them.
    OperationCodeGuard op(OperationCode::Renaming);
    for (RefNode* rec : refNodes_)
        if (rec && rec->GetItem()) rec->ApplyNamePrefix(newPrefix.c_str());
    for (RefMaterial* rec : refMaterials_)
        if (rec && rec->GetItem()) rec->ApplyNamePrefix(newPrefix.c_str());
    RenameLayersForPrefix(this, oldPrefix, newPrefix);
}

// ---- Notifications of one helper.

// A layer the host deletes must not stay referenced by the layer records.
void OstrivansHelper::OnLayerDeleted(void* param, NotifyInfo* info) {
    auto* self = static_cast<OstrivansHelper*>(param);
    auto* layer = static_cast<ReferenceTarget*>(static_cast<ILayer*>(info->callParam));
    if (!layer) return;
    for (int k = 0; k < self->NumRefLayers(); ++k)
        if (self->refLayers_[static_cast<size_t>(k)].layer == layer) self->DeleteReference(self->LayerRef(k));
}

std::string OstrivansHelper::DumpParams() {
    if (!pblock_) return "no parameter block\n";
    std::ostringstream os;
    ParamBlockDesc2* desc = pblock_->GetDesc();
    for (int p = 0; p < desc->Count(); ++p) {
        const ParamDef& d = desc->paramdefs[static_cast<size_t>(p)];
        os << d.ID << " " << WStr(d.int_name).ToUTF8() << " = ";
        switch (d.type) {
        case TYPE_BOOL:
            os << (pblock_->GetInt(d.ID) ? "true" : "false");
            break;
        case TYPE_INT:
            os << pblock_->GetInt(d.ID);
            break;
        case TYPE_FILENAME:
        case TYPE_STRING: {
            const MCHAR* s = pblock_->GetStr(d.ID);
            os << '"' << WStr(s ? s : L"").ToUTF8() << '"';
            break;
        }
        case TYPE_REFTARG: {
            ReferenceTarget* r = pblock_->GetReferenceTarget(d.ID);
            MSTR name;
            if (r) r->GetClassName(name);
            os << (r ? name.ToUTF8() : std::string("undefined"));
            break;
        }
        default:
            os << "?";
            break;
        }
        os << "\n";
    }
    return os.str();
}
