// The helpers' host notification handlers.
#include "plugin/helper/HelperNotifications.h"

#include "host/core/Animatable.h"
#include "host/core/Notify.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "host/scene/NamedSelectionSets.h"
#include "plugin/anims/IKGuard.h"
#include "plugin/frame/ModuleState.h"
#include "plugin/frame/OstrivansMessages.h"
#include "plugin/helper/HelperBatch.h"
#include "plugin/helper/HelperModuleState.h"
#include "plugin/helper/OstrivansHelper.h"
#include "plugin/helper/SceneSaveCycle.h"
#include "plugin/records/RefNode.h"

#include <iterator>
#include <vector>

namespace {

HelperModuleState& S() {
    return GetHelperModuleState();
}

bool OperationInProgress() {
    return GetCurrentOperation() != OperationCode::None;
}

// ---- session

void OnEndOfSession(void*, NotifyInfo* info) {
    // Opening a material library or render presets does not replace the scene.
    if (info && info->intcode == NOTIFY_FILE_PRE_OPEN && info->callParam &&
        *static_cast<FileIOType*>(info->callParam) != IOTYPE_MAX)
        return;
    EndHelperSession();
}

void OnPreSave(void*, NotifyInfo* info) {
    SceneSaveCycle::PreSave(info ? static_cast<const MCHAR*>(info->callParam) : nullptr);
}

void OnPostSave(void*, NotifyInfo*) {
    SceneSaveCycle::PostSave();
}

// ---- named selection sets

std::vector<WStr> CurrentSelectionSetNames() {
    std::vector<WStr> names;
    INamedSelectionSetManager* sets = GetCOREInterface()->GetNamedSelectionSetManager();
    if (!sets) return names;
    for (int i = 0; i < sets->GetNumNamedSelSets(); ++i)
        names.push_back(sets->GetNamedSelSetName(i));
    return names;
}

void OnPostOpen(void*, NotifyInfo*) {
    S().selectionSetNames = CurrentSelectionSetNames();
}

// A set was created, deleted or renamed: the first position where the scene and the cache disagree is
// the set concerned; every record learns its index.
void OnSelectionSetsChanged(void*, NotifyInfo*) {
    std::vector<WStr> now = CurrentSelectionSetNames();
    const std::vector<WStr>& cached = S().selectionSetNames;
    size_t i = 0;
    while (i < now.size() && i < cached.size() && now[i] == cached[i])
        ++i;
    // The records of the nodes the set holds note it, each found through its node.
    INamedSelectionSetManager* sets = GetCOREInterface()->GetNamedSelectionSetManager();
    if (sets && i < now.size()) {
        const int set = static_cast<int>(i);
        for (int k = 0; k < sets->GetNamedSelSetItemCount(set); ++k)
            if (RefNode* rec = FindRefNodeOf(sets->GetNamedSelSetItem(set, k))) rec->RecordSelectionSet(set);
    }
    S().selectionSetNames = std::move(now);
}

// ---- rendering

void OnPreRender(void*, NotifyInfo*) {
    S().rendering = true;
    RunRenderSwaps();
}

void OnPostRender(void*, NotifyInfo*) {
    S().rendering = false;
    RunRenderSwaps();
}

// ---- node deletion and renames

void OnPostDeletionCleanUp(void*, NotifyInfo*);

void OnPreDeleteNode(void*, NotifyInfo* info) {
    auto* node = static_cast<INode*>(info->callParam);
    OstrivansHelper* helper = HelperOfNode(node);
    if (!helper) return;
    helper->Dismiss();
    if (!S().removingReferences)
        RegisterNotification(OnPostDeletionCleanUp, nullptr, NOTIFY_SCENE_POST_DELETED_NODE);
}

// One-shot: the helper node is gone, so the module's caches that may name it are refreshed.
void OnPostDeletionCleanUp(void*, NotifyInfo*) {
    UnRegisterNotification(OnPostDeletionCleanUp, nullptr, NOTIFY_SCENE_POST_DELETED_NODE);
    S().selectionSetNames = CurrentSelectionSetNames();
    if (S().managerRefresh) S().managerRefresh();
}

void OnNodeRenamed(void*, NotifyInfo* info) {
    if (OperationInProgress() || IsSceneFileOpening()) return;
    auto* change = static_cast<NameChange*>(info->callParam);
    if (!change || !change->node) return;
    if (OstrivansHelper* helper = HelperOfNode(change->node)) {
        helper->RenamePrefix(change->oldname, change->newname);
        return;
    }
    if (RefNode* rec = FindRefNodeOf(change->node)) rec->NodeRenamed(change->newname);
}

// ---- flags and counters

void OnModifierChangeStart(void*, NotifyInfo*) {
    S().modifierChanging = true;
}
void OnModifierChangeEnd(void*, NotifyInfo*) {
    S().modifierChanging = false;
}
void OnXRefPreMerge(void*, NotifyInfo*) {
    ++S().nestingCounter;
}
void OnXRefPostMerge(void*, NotifyInfo*) {
    --S().nestingCounter;
}

void OnPostMergeProcess(void*, NotifyInfo*) {
    if (!OperationInProgress() && S().managerRefresh) S().managerRefresh();
}

void OnFileProcess(void*, NotifyInfo* info) {
    if (info->callParam) S().fileProcessType = *static_cast<int*>(info->callParam);
}

// An unfrozen helper node redraws the viewports, so the helper's icon shows at once.
void OnNodeUnfrozen(void*, NotifyInfo* info) {
    if (HelperOfNode(static_cast<INode*>(info->callParam)))
        GetCOREInterface()->RedrawViews(GetCOREInterface()->GetTime());
}

// ---- forwarding of node events to the records

void OnNodeLinked(void*, NotifyInfo* info) {
    if (IsSceneFileOpening()) return;
    auto* node = static_cast<INode*>(info->callParam);
    if (!node) return;
    SendToNodeDependents(node, REFMSG_OSTRIVANS_NODE_LINKED);
    INode* parent = node->GetParentNode();
    if (parent && !parent->IsRootNode())
        SendToNodeDependents(parent, REFMSG_OSTRIVANS_CHILD_LINKED, reinterpret_cast<PartID>(node));
}

void OnNodeLayerChanged(void*, NotifyInfo* info) {
    if (IsSceneFileOpening()) return;
    auto* change = static_cast<NodeLayerChange*>(info->callParam);
    if (change && change->node)
        SendToNodeDependents(change->node, REFMSG_OSTRIVANS_LAYER_CHANGED, reinterpret_cast<PartID>(change));
}

RefMessage PropertyMessage(int code) {
    switch (code) {
    case NOTIFY_NODE_DISPLAY_PROPERTIES_CHANGED:
        return REFMSG_OSTRIVANS_DISPLAY_PROPS;
    case NOTIFY_NODE_RENDER_PROPERTIES_CHANGED:
        return REFMSG_OSTRIVANS_RENDER_PROPS;
    case NOTIFY_NODE_USER_PROPERTIES_CHANGED:
        return REFMSG_OSTRIVANS_USER_PROPS;
    default:
        return REFMSG_OSTRIVANS_BONE_PROPS;
    }
}

void OnNodePropertiesChanged(void*, NotifyInfo* info) {
    if (IsSceneFileOpening()) return;
    auto* nodes = static_cast<INodeTab*>(info->callParam);
    if (!nodes) return;
    const RefMessage msg = PropertyMessage(info->intcode);
    for (int i = 0; i < nodes->Count(); ++i)
        if ((*nodes)[i]) SendToNodeDependents((*nodes)[i], msg);
}

// The owner of a custom attribute hears of it when it passes two checks: it is a reference target (only
// targets have dependents to tell), and it is not a deleted object kept only for undo.
void OnCustomAttributesChanged(void*, NotifyInfo* info) {
    if (IsSceneFileOpening()) return;
    auto* change = static_cast<NotifyCustomAttribute*>(info->callParam);
    if (!change || !change->owner || !change->owner->IsRefTarget() || change->owner->TestAFlag(A_IS_DELETED))
        return;
    static_cast<ReferenceTarget*>(change->owner)
        ->NotifyDependents(FOREVER, static_cast<PartID>(info->intcode), REFMSG_OSTRIVANS_CUSTATTRIB_CHANGED,
                           NOTIFY_ALL, TRUE);
}

struct Handler {
    int code;
    NOTIFYPROC proc;
};

const Handler kModuleHandlers[] = {
    {NOTIFY_FILE_PRE_SAVE, OnPreSave},
    {NOTIFY_FILE_POST_SAVE, OnPostSave},
    {NOTIFY_FILE_PRE_OPEN, OnEndOfSession},
    {NOTIFY_SYSTEM_PRE_RESET, OnEndOfSession},
    {NOTIFY_SYSTEM_PRE_NEW, OnEndOfSession},
    {NOTIFY_FILE_POST_OPEN, OnPostOpen},
    {NOTIFY_PRE_RENDER, OnPreRender},
    {NOTIFY_POST_RENDER, OnPostRender},
    {NOTIFY_SCENE_PRE_DELETED_NODE, OnPreDeleteNode},
    {NOTIFY_NODE_RENAMED, OnNodeRenamed},
    {NOTIFY_NAMED_SEL_SET_CREATED, OnSelectionSetsChanged},
    {NOTIFY_NAMED_SEL_SET_DELETED, OnSelectionSetsChanged},
    {NOTIFY_NAMED_SEL_SET_RENAMED, OnSelectionSetsChanged},
    {NOTIFY_PRE_MODIFIER_ADDED, OnModifierChangeStart},
    {NOTIFY_PRE_MODIFIER_DELETED, OnModifierChangeStart},
    {NOTIFY_POST_MODIFIER_ADDED, OnModifierChangeEnd},
    {NOTIFY_POST_MODIFIER_DELETED, OnModifierChangeEnd},
    {NOTIFY_SCENE_XREF_PRE_MERGE, OnXRefPreMerge},
    {NOTIFY_SCENE_XREF_POST_MERGE, OnXRefPostMerge},
    {NOTIFY_FILE_POST_MERGE_PROCESS, OnPostMergeProcess},
    {NOTIFY_NODE_LINKED, OnNodeLinked},
    {NOTIFY_NODE_LAYER_CHANGED, OnNodeLayerChanged},
    {NOTIFY_NODE_BONE_PROPERTIES_CHANGED, OnNodePropertiesChanged},
    {NOTIFY_NODE_USER_PROPERTIES_CHANGED, OnNodePropertiesChanged},
    {NOTIFY_NODE_RENDER_PROPERTIES_CHANGED, OnNodePropertiesChanged},
    {NOTIFY_NODE_DISPLAY_PROPERTIES_CHANGED, OnNodePropertiesChanged},
    {NOTIFY_CUSTOM_ATTRIBUTES_ADDED, OnCustomAttributesChanged},
    {NOTIFY_CUSTOM_ATTRIBUTES_REMOVED, OnCustomAttributesChanged},
    {NOTIFY_NODE_UNFREEZE, OnNodeUnfrozen},
    {NOTIFY_FILE_PRE_OPEN_PROCESS, OnFileProcess},
};

// ---- auto-load

void OnAutoLoad(void*, NotifyInfo*) {
    UnregisterAutoLoadHandler();
    std::vector<AnimHandle> pending;
    for (OstrivansHelper* h : S().pendingAutoLoad)
        pending.push_back(Animatable::GetHandleByAnim(h));
    S().pendingAutoLoad.clear();
    if (pending.empty()) return;
    // A helper's load may delete another pending helper: each is looked up again by its handle.
    BatchScope batch;
    for (AnimHandle handle : pending)
        if (auto* h = dynamic_cast<OstrivansHelper*>(Animatable::GetAnimByHandle(handle)))
            h->ApplyReloadPolicy();
}

} // namespace

void RunRenderSwaps() {
    if (GetCOREInterface()->IsNetServer()) return;
    std::vector<AnimHandle> swaps;
    for (OstrivansHelper* h : S().registry)
        if (h->RenderSwapApplies()) swaps.push_back(Animatable::GetHandleByAnim(h));
    if (swaps.empty()) return;
    BatchScope batch;
    for (AnimHandle handle : swaps)
        if (auto* h = dynamic_cast<OstrivansHelper*>(Animatable::GetAnimByHandle(handle))) h->Reload();
}

void RegisterModuleHandlers() {
    if (S().handlersRegistered) return;
    for (const Handler& h : kModuleHandlers)
        RegisterNotification(h.proc, nullptr, h.code);
    S().handlersRegistered = true;
}

void EndHelperSession() {
    for (const Handler& h : kModuleHandlers)
        UnRegisterNotification(h.proc, nullptr, h.code);
    UnRegisterNotification(OnPostDeletionCleanUp, nullptr, NOTIFY_SCENE_POST_DELETED_NODE);
    HelperModuleState& state = S();
    state.handlersRegistered = false;
    SetCurrentOperation(OperationCode::None);
    state.batchOpen = false;
    state.selectionSetNames.clear();
    state.mergeStack.clear();
    // A guard armed in the old scene has nothing left to undo.
    IKGuard::Get().Disarm();
}

int NumModuleHandlerCodes() {
    return static_cast<int>(std::size(kModuleHandlers));
}

void RegisterAutoLoadHandler() {
    RegisterNotification(OnAutoLoad, nullptr, NOTIFY_FILE_POST_OPEN);
    RegisterNotification(OnAutoLoad, nullptr, NOTIFY_FILE_POST_MERGE_PROCESS);
}

void UnregisterAutoLoadHandler() {
    UnRegisterNotification(OnAutoLoad, nullptr);
}

void SendToNodeDependents(INode* node, RefMessage msg, PartID part) {
    node->NotifyDependents(FOREVER, part, msg, NOTIFY_ALL, FALSE);
}

OstrivansHelper* HelperOfNode(INode* node) {
    if (!node) return nullptr;
    Object* obj = node->GetObjectRef();
    Object* base = obj ? obj->FindBaseObject() : nullptr;
    // Asked for every node a deletion takes: the class is told by its id before the cast is paid, and a
    // helper is always of the helper's class.
    if (!base || base->ClassID() != OSTRIVANS_HELPER_CLASS_ID) return nullptr;
    return dynamic_cast<OstrivansHelper*>(base);
}

RefNode* FindRefNodeOf(INode* node, OstrivansHelper* owner) {
    // The record hangs on its node as a property: one look-up, whatever the node's dependents.
    auto* rec = dynamic_cast<RefNode*>(RefBase::FromItem(node));
    if (!rec || rec->GetItem() != node) return nullptr;
    if (owner && rec->GetHelper() != static_cast<IRecordHelper*>(owner)) return nullptr;
    return rec;
}
