// The global script interface: its description, its dispatcher, the listing, batch, merge and remove
// operations, the manager entries, the about box and the settings.
#include "plugin/script/OstrivansInterface.h"

#include "host/core/MaxException.h"
#include "host/scene/HostDialogs.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "host/script/ScriptRuntime.h"
#include "plugin/frame/ManagerWindowLink.h"
#include "plugin/helper/HelperBatch.h"
#include "plugin/helper/HelperModuleState.h"
#include "plugin/helper/OstrivansHelper.h"
#include "plugin/script/ReferenceList.h"
#include "plugin/settings/OstrivansSettings.h"

namespace {

// The module's version, as the about box shows it.
constexpr const MCHAR* kOstrivansVersion = L"1.0.0";

FPParamDef Indices() {
    return FPParamDef(L"array of indices", TYPE_INDEX_TAB);
}

FPParamDef BoolKey(const MCHAR* name, bool value) {
    return FPParamDef::KeyArg(name, TYPE_BOOL, FPValue(TYPE_BOOL, value));
}

// Functions without a result are declared Boolean and leave the result alone (scripts see OK).
FPFunctionDef NoResult(FunctionID id, const MCHAR* name, std::initializer_list<FPParamDef> params = {}) {
    return FPFunctionDef(id, name, TYPE_BOOL, params);
}

// The helper node at a handle taken before an operation began; null once the node is gone.
INode* LiveNode(AnimHandle handle) {
    auto* node = dynamic_cast<INode*>(Animatable::GetAnimByHandle(handle));
    return node && !node->TestAFlag(A_IS_DELETED) ? node : nullptr;
}

std::vector<AnimHandle> Handles(const std::vector<INode*>& nodes) {
    std::vector<AnimHandle> handles;
    handles.reserve(nodes.size());
    for (INode* n : nodes) handles.push_back(Animatable::GetHandleByAnim(n));
    return handles;
}

void RefreshManager() {
    if (HelperModuleState& state = GetHelperModuleState(); state.managerRefresh) state.managerRefresh();
}

bool ExecuteScript(const MCHAR* text, bool quiet, FPValue* result = nullptr) {
    return ExecuteMAXScriptScript(text, MAXScript::ScriptSource::NonEmbedded, quiet ? TRUE : FALSE, result);
}

} // namespace

OstrivansInterface::OstrivansInterface()
    : FPStaticInterface(
          OSTRIVANS_INTERFACE_ID, L"Ostrivans", 0, nullptr, FP_CORE,
          {FPFunctionDef(kAddOstrivan, L"AddOstrivan", TYPE_INODE,
                         {FPParamDef(L"fileName", TYPE_STRING),
                          FPParamDef::KeyArg(L"proxyFileName", TYPE_STRING, FPValue(TYPE_STRING, L"")),
                          BoolKey(L"load", true), BoolKey(L"active", true), BoolKey(L"proxyViewport", false),
                          BoolKey(L"proxyRender", false)}),
           NoResult(kAddOstrivanDialog, L"AddOstrivanDialog"),
           FPFunctionDef(kNumOstrivans, L"NumOstrivans", TYPE_INT),
           FPFunctionDef(kGetOstrivan, L"GetOstrivan", TYPE_INODE, {FPParamDef(L"index", TYPE_INDEX)}),
           FPFunctionDef(kGetAllOstrivans, L"GetAllOstrivans", TYPE_INODE_TAB),
           NoResult(kRemoveAllOstrivans, L"RemoveAllOstrivans"),
           NoResult(kReloadOstrivans, L"ReloadOstrivans", {Indices()}),
           NoResult(kRemoveOstrivans, L"RemoveOstrivans", {Indices()}),
           NoResult(kResetOstrivans, L"ResetOstrivans", {Indices()}),
           NoResult(kDuplicateOstrivans, L"DuplicateOstrivans", {Indices()}),
           NoResult(kMergeOstrivans, L"MergeOstrivans", {Indices()}),
           NoResult(kOpenManager, L"OpenManager"),
           NoResult(kCloseManager, L"CloseManager"),
           FPFunctionDef(kIsManagerOpen, L"IsManagerOpen", TYPE_BOOL),
           NoResult(kAbout, L"About"),
           NoResult(kPrintTimes, L"PrintTimes", {FPParamDef(L"state", TYPE_BOOL)}),
           FPFunctionDef(kMergeForNetworkRender, L"MergeForNetworkRender", TYPE_BOOL),
           NoResult(kSetMergeForNetworkRender, L"SetMergeForNetworkRender", {FPParamDef(L"state", TYPE_BOOL)}),
           FPFunctionDef(kSaveRefsAsMerged, L"SaveRefsAsMerged", TYPE_BOOL),
           NoResult(kSetSaveRefsAsMerged, L"SetSaveRefsAsMerged", {FPParamDef(L"state", TYPE_BOOL)}),
           NoResult(kAdvancedReset, L"AdvancedReset",
                    {FPParamDef::KeyArg(L"selection", TYPE_INT, FPValue(TYPE_INT, 1)),
                     FPParamDef::KeyArg(L"category", TYPE_BITARRAY, FPValue(TYPE_BITARRAY, nullptr)),
                     FPParamDef::KeyArg(L"parameters", TYPE_BITARRAY, FPValue(TYPE_BITARRAY, nullptr)),
                     FPParamDef::KeyArg(L"references", TYPE_INDEX_TAB, FPValue(TYPE_INDEX_TAB, nullptr)),
                     FPParamDef::KeyArg(L"nodes", TYPE_INODE_TAB, FPValue(TYPE_INODE_TAB, nullptr))})},
          {FPPropDef(kGetShowDuplicatedNamesWarning, kSetShowDuplicatedNamesWarning, L"ShowDuplicatedNamesWarning",
                     TYPE_BOOL),
           FPPropDef(kGetSaveOstrivansAsMerged, kSetSaveOstrivansAsMerged, L"SaveOstrivansAsMerged", TYPE_BOOL)}) {}

FPStatus OstrivansInterface::_dispatch_fn(FunctionID fid, TimeValue, FPValue& result, FPParams* p) {
    HelperModuleState& state = GetHelperModuleState();
    switch (fid) {
    case kAddOstrivan:
        result.Load(TYPE_INODE, AddOstrivan(FPArg(p, 0).GetStr(), FPArg(p, 1).GetStr(), FPArg(p, 2).GetBool(),
                                            FPArg(p, 3).GetBool(), FPArg(p, 4).GetBool(), FPArg(p, 5).GetBool()));
        return FPS_OK;
    case kAddOstrivanDialog:
        AddOstrivanDialog();
        return FPS_OK;
    case kNumOstrivans:
        result.Load(TYPE_INT, CountReferences());
        return FPS_OK;
    case kGetOstrivan:
        result.Load(TYPE_INODE, ReferenceNodeAt(FPArg(p, 0).GetIndex()));
        return FPS_OK;
    case kGetAllOstrivans: {
        Tab<INode*> nodes;
        for (INode* n : GatherReferenceNodes()) nodes.Append(n);
        result.Load(TYPE_INODE_TAB, nodes);
        return FPS_OK;
    }
    case kRemoveAllOstrivans:
        RemoveAllOstrivans();
        return FPS_OK;
    case kReloadOstrivans:
        ReloadOstrivans(FPArg(p, 0).GetIntTab());
        return FPS_OK;
    case kRemoveOstrivans:
        RemoveOstrivans(FPArg(p, 0).GetIntTab());
        return FPS_OK;
    case kResetOstrivans:
        ResetOstrivans(FPArg(p, 0).GetIntTab());
        return FPS_OK;
    case kDuplicateOstrivans:
        DuplicateOstrivans(FPArg(p, 0).GetIntTab());
        return FPS_OK;
    case kMergeOstrivans:
        MergeOstrivans(FPArg(p, 0).GetIntTab());
        return FPS_OK;
    case kOpenManager:
        OpenManager();
        return FPS_OK;
    case kCloseManager:
        CloseManager();
        return FPS_OK;
    case kIsManagerOpen:
        result.Load(TYPE_BOOL, IsManagerOpen());
        return FPS_OK;
    case kAbout:
        About();
        return FPS_OK;
    case kPrintTimes:
        SetPrintTimesSetting(FPArg(p, 0).GetBool() ? 1 : 0);
        return FPS_OK;
    case kMergeForNetworkRender:
        result.Load(TYPE_BOOL, MergeForNetworkRenderSetting());
        return FPS_OK;
    case kSetMergeForNetworkRender:
        SetMergeForNetworkRenderSetting(FPArg(p, 0).GetBool());
        return FPS_OK;
    case kSaveRefsAsMerged:
    case kGetSaveOstrivansAsMerged:
        result.Load(TYPE_BOOL, state.saveRefsAsMerged);
        return FPS_OK;
    case kSetSaveRefsAsMerged:
    case kSetSaveOstrivansAsMerged:
        state.saveRefsAsMerged = FPArg(p, 0).GetBool();
        return FPS_OK;
    case kGetShowDuplicatedNamesWarning:
        result.Load(TYPE_BOOL, ShowDuplicatedNamesWarningSetting());
        return FPS_OK;
    case kSetShowDuplicatedNamesWarning:
        SetShowDuplicatedNamesWarningSetting(FPArg(p, 0).GetBool());
        return FPS_OK;
    case kAdvancedReset:
        AdvancedReset(FPArg(p, 0).GetInt(), FPArg(p, 1).GetBitArray(), FPArg(p, 2).GetBitArray(),
                      FPArg(p, 3).GetIntTab(), FPArg(p, 4).GetNodeTab());
        return FPS_OK;
    default:
        return FPS_NO_SUCH_FUNCTION;
    }
}

// ---- batch operations

void OstrivansInterface::RunBatched(const Tab<int>* indices, int (OstrivansHelper::*operation)()) {
    if (!indices || indices->Count() == 0) return;
    const std::vector<INode*> list = GatherReferenceNodes();
    if (list.empty()) return;
    // By handle: an operation may take another reference's node out of the scene.
    const std::vector<AnimHandle> nodes = Handles(NodesAtIndices(list, indices, true));
    BatchScope batch;
    for (AnimHandle h : nodes)
        if (OstrivansHelper* helper = ReferenceHelperOf(LiveNode(h))) (helper->*operation)();
}

void OstrivansInterface::ReloadOstrivans(const Tab<int>* indices) {
    RunBatched(indices, &OstrivansHelper::Reload);
}

void OstrivansInterface::ResetOstrivans(const Tab<int>* indices) {
    RunBatched(indices, &OstrivansHelper::Reset);
}

void OstrivansInterface::MergeOstrivans(const Tab<int>* indices) {
    if (!indices || indices->Count() == 0) return;
    for (AnimHandle h : Handles(NodesAtIndices(GatherReferenceNodes(), indices, true)))
        if (OstrivansHelper* helper = ReferenceHelperOf(LiveNode(h))) helper->Merge();
}

// ---- removing

void OstrivansInterface::RemoveNodes(const Tab<int>* indices, bool all) {
    HelperModuleState& state = GetHelperModuleState();
    state.removingReferences = true;
    try {
        const std::vector<INode*> list = GatherReferenceNodes();
        const std::vector<INode*> nodes = all ? list : NodesAtIndices(list, indices, false);
        if (all || !nodes.empty()) {
            INodeTab tab;
            for (INode* n : nodes) tab.Append(n);
            Interface* ip = GetCOREInterface();
            ip->DeleteNodes(tab, true, true, false);
            RefreshManager();
            ip->GetSystemSetting(SYSSET_CLEAR_UNDO);
        }
    } catch (...) {
        // Removing never fails the caller: what could be deleted is gone, the flag is cleared below.
    }
    state.removingReferences = false;
}

void OstrivansInterface::RemoveOstrivans(const Tab<int>* indices) {
    RemoveNodes(indices, false);
}

void OstrivansInterface::RemoveAllOstrivans() {
    RemoveNodes(nullptr, true);
}

// ---- the manager window and the about box

void OstrivansInterface::OpenManager() {
    ExecuteScript(L"OpenOstrivansManager()", false);
}

// The manager window when the module has one; otherwise a script's dialog of that name.
void OstrivansInterface::CloseManager() {
    if (ManagerWindowLink& link = GetManagerWindowLink(); link.close && link.close()) return;
    ExecuteScript(L"DestroyDialog Ostrivans_Manager", false);
}

bool OstrivansInterface::IsManagerOpen() {
    if (ManagerWindowLink& link = GetManagerWindowLink(); link.isOpen && link.isOpen()) return true;
    FPValue result;
    if (!ExecuteScript(L"Ostrivans_Manager.open", true, &result)) return false;
    try {
        return result.GetInt() != 0;
    } catch (const MAXException&) {
        return false;
    }
}

void OstrivansInterface::About() {
    TextDialog about;
    about.title = L"About";
    about.message = L"Ostrivans";
    about.text = MSTR(L"References to other scene files that keep every local change across reloads\r\n") +
                 L"Version: " + kOstrivansVersion;
    GetHostDialogs().ShowTextDialog(about);
}

OstrivansInterface& GetOstrivansInterface() {
    static OstrivansInterface instance;
    return instance;
}

namespace {
// Constructed when the module loads, which registers the interface with the host.
OstrivansInterface& registered = GetOstrivansInterface();
} // namespace
