// Merging a reference's file: circular check, the host settings set aside for the merge, the merge itself
// and the nodes it created.
#include "plugin/helper/HelperMergeFile.h"

#include "host/core/FileIdentity.h"
#include "host/core/FileTime.h"
#include "host/core/MaxException.h"
#include "host/core/Notify.h"
#include "host/scene/HostServices.h"
#include "host/scene/IFileResolutionManager.h"
#include "host/scene/ILayer.h"
#include "host/scene/INode.h"
#include "host/scene/Mtl.h"
#include "host/script/ScriptRuntime.h"
#include "plugin/frame/StepMarks.h"
#include "plugin/frame/StringTable.h"
#include "plugin/helper/HelperModuleState.h"
#include "plugin/helper/OstrivansHelperClassDesc.h"
#include "plugin/helper/OstrivansHelper.h"
#include "plugin/records/NodeTable.h"

#include <vector>

namespace {

// Remembers the host's setting for layers of the same name but another hierarchy, and switches it off:
// merged layers are to join the scene's layers of the same name.
const MCHAR* const kLayerSettingOff =
    L"OVLRD=LayerManager.GetDuplicateLayerWithoutSameHierarchyOnMerge();"
    L"LayerManager.setDuplicateLayerWithoutSameHierarchyOnMerge false persist:false";
const MCHAR* const kLayerSettingBack =
    L"LayerManager.setDuplicateLayerWithoutSameHierarchyOnMerge OVLRD persist:false";

// The helper's merge callback: the nodes every merge that ends while it is installed creates, in order.
// A node deleted meanwhile (a nested load deleting what its user deleted) leaves the table.
// The nodes the host announces as added meanwhile are kept too: when the merge breaks off before the
// callback hears of its nodes, they are what the caller must take out again.
class MergedNodeCollector : public MergeCallback {
public:
    MergedNodeCollector() {
        RegisterNotification(OnNodeDeleted, this, NOTIFY_SCENE_PRE_DELETED_NODE);
        RegisterNotification(OnNodeAdded, this, NOTIFY_SCENE_ADDED_NODE);
    }
    ~MergedNodeCollector() override {
        UnRegisterNotification(OnNodeDeleted, this, NOTIFY_SCENE_PRE_DELETED_NODE);
        UnRegisterNotification(OnNodeAdded, this, NOTIFY_SCENE_ADDED_NODE);
    }
    MergedNodeCollector(const MergedNodeCollector&) = delete;
    MergedNodeCollector& operator=(const MergedNodeCollector&) = delete;

    void NodesMerged(const INodeTab& nodes) override {
        for (int i = 0; i < nodes.Count(); ++i)
            nodes_.Append(nodes[i]);
    }
    void AppendTo(INodeTab& out) const { nodes_.AppendTo(out); }
    void AppendAddedTo(INodeTab& out) const { added_.AppendTo(out); }

private:
    static void OnNodeDeleted(void* param, NotifyInfo* info) {
        auto* self = static_cast<MergedNodeCollector*>(param);
        self->nodes_.Remove(static_cast<INode*>(info->callParam));
        self->added_.Remove(static_cast<INode*>(info->callParam));
    }
    static void OnNodeAdded(void* param, NotifyInfo* info) {
        static_cast<MergedNodeCollector*>(param)->added_.Append(static_cast<INode*>(info->callParam));
    }

    NodeTable nodes_;
    NodeTable added_;
};

// What one merge changes in the host and the module for its duration. Each piece is put back when the
// merge ends, however it ends; on success the merge puts back its pieces itself, in its own order.
class MergeSession {
public:
    MergeSession(OstrivansHelper* helper, const MSTR& path) : helper_(helper) {
        GetHelperModuleState().mergeStack.push_back(path);
    }
    ~MergeSession() {
        UninstallCallback();
        ReleaseLibrary();
        RestoreLibrary();
        PopAndRestoreLayerSetting();
    }
    MergeSession(const MergeSession&) = delete;
    MergeSession& operator=(const MergeSession&) = delete;

    void SwitchLayerSettingOff() {
        ILayerManager* layers = GetCOREInterface()->GetLayerManager();
        layerSettingWas_ = layers && layers->GetDuplicateLayerWithoutSameHierarchyOnMerge();
        layerSettingSaved_ =
            ExecuteMAXScriptScript(kLayerSettingOff, MAXScript::ScriptSource::NonEmbedded, TRUE);
    }

    // The library's materials are set aside and the library is emptied and held by the helper, which
    // empties it again whenever the merge adds to it: merged materials neither take scene names into
    // account nor stay in the library (the load adds them later, under unique names).
    void HoldLibrary() {
        lib_ = GetCOREInterface()->GetSceneMtls();
        if (!lib_) return;
        for (int i = 0; i < lib_->Count(); ++i) {
            MtlBase* m = (*lib_)[i];
            savedMtls_.push_back(m && !m->TestAFlag(A_IS_DELETED) ? m : nullptr);
        }
        lib_->Empty();
        emptied_ = true;
        helper_->ReplaceReference(OstrivansHelper::kHeldMtlLibRef, lib_);
        held_ = true;
    }

    void InstallCallback() {
        GetCOREInterface()->RegisterMergeCallback(&collector_);
        installed_ = true;
    }
    void UninstallCallback() {
        if (!installed_) return;
        GetCOREInterface()->UnRegisterMergeCallback(&collector_);
        installed_ = false;
    }
    const MergedNodeCollector& Collector() const { return collector_; }

    void ReleaseLibrary() {
        if (held_ && helper_->GetHeldMtlLib() == lib_)
            helper_->DeleteReference(OstrivansHelper::kHeldMtlLibRef);
        held_ = false;
    }

    void RestoreLibrary() {
        if (!emptied_) return;
        emptied_ = false;
        for (MtlBase* m : savedMtls_)
            if (m) lib_->Add(m);
    }

    void PopAndRestoreLayerSetting() {
        if (popped_) return;
        popped_ = true;
        std::vector<WStr>& stack = GetHelperModuleState().mergeStack;
        if (!stack.empty()) stack.pop_back();
        // A merge nested in this one has set the script's variable to the value it found (off): the value
        // this merge found is given back to the variable first.
        if (layerSettingSaved_) {
            const MSTR back = MSTR(layerSettingWas_ ? L"OVLRD=true;" : L"OVLRD=false;") + kLayerSettingBack;
            ExecuteMAXScriptScript(back.c_str(), MAXScript::ScriptSource::NonEmbedded, TRUE);
        }
        layerSettingSaved_ = false;
    }

private:
    OstrivansHelper* helper_;
    MergedNodeCollector collector_;
    MtlBaseLib* lib_ = nullptr;
    std::vector<MtlBase*> savedMtls_;
    bool layerSettingSaved_ = false;
    bool layerSettingWas_ = false;
    bool emptied_ = false;
    bool held_ = false;
    bool installed_ = false;
    bool popped_ = false;
};

INode* TopmostAncestor(INode* node) {
    while (INode* parent = node->GetParentNode())
        node = parent;
    return node;
}

// The same file, however it is reached: another spelling, a symbolic link, a hard link. A path that names
// no file is compared as written.
bool IsSameFile(const MSTR& path, const FileIdentity& file, const MSTR& other) {
    const FileIdentity otherFile = FileIdentity::Of(other);
    if (file.IsNull() || otherFile.IsNull()) return path == other;
    return file.SameFile(otherFile);
}

bool IsCircular(const MSTR& path) {
    const FileIdentity file = FileIdentity::Of(path);
    const MSTR scene = GetCOREInterface()->GetCurFilePath();
    // The scene's path is the one the host opened, not an asset name to resolve.
    if (!scene.isNull() && IsSameFile(path, file, NormalizePath(scene))) return true;
    for (const WStr& p : GetHelperModuleState().mergeStack)
        if (IsSameFile(path, file, p)) return true;
    return false;
}

int MergeSteps(OstrivansHelper* helper, const MSTR& path, INodeTab& mergedNodes, StepMarks& marks) {
    Interface* ip = GetCOREInterface();
    HelperModuleState& state = GetHelperModuleState();
    // The counter follows the host's merge notifications; a stale count from a merge that broke off must
    // not outlive the outermost merge.
    if (state.mergeStack.empty()) state.nestingCounter = 0;
    MergeSession session(helper, path);
    session.SwitchLayerSettingOff();
    marks.Mark(IDS_STEP_INITIALIZED);

    session.HoldLibrary();
    marks.Mark(IDS_STEP_SCENE_MTLS);

    session.InstallCallback();
    int merged = 0;
    try {
        merged = ip->MergeFromFile(path.c_str(), TRUE, FALSE, FALSE, MERGE_DUPS_MERGE, nullptr,
                                   MERGE_DUP_MTL_RENAME, 0, FALSE, 0);
    } catch (...) {
        session.UninstallCallback();
        session.Collector().AppendAddedTo(mergedNodes);
        throw;
    }
    marks.Mark(IDS_STEP_FILE_MERGED);
    session.UninstallCallback();
    const int first = mergedNodes.Count();
    session.Collector().AppendTo(mergedNodes);
    session.ReleaseLibrary();

    if (INode* helperNode = helper->GetHelperNode()) {
        INode* top = TopmostAncestor(helperNode);
        if (top != ip->GetRootNode())
            for (int i = first; i < mergedNodes.Count(); ++i) {
                INode* parent = mergedNodes[i]->GetParentNode();
                if (parent && parent != top && parent->IsRootNode()) top->AttachChild(mergedNodes[i], 1);
            }
    }

    marks.Mark(IDS_STEP_XREF_CHECK);
    session.RestoreLibrary();
    session.PopAndRestoreLayerSetting();
    return merged ? 1 : 0;
}

} // namespace

MSTR ResolveReferencePath(const MSTR& asset) {
    if (asset.isNull()) return MSTR();
    IFileResolutionManager* files = IFileResolutionManager::GetInstance();
    const MSTR found = files->GetFullFilePath(asset.c_str(), kOstrivansSceneAssetType);
    if (!found.isNull()) return found;
    // Found nowhere: the first place looked at is what the failed merge names.
    const std::vector<MSTR> candidates = files->GetCandidatePaths(asset.c_str());
    return candidates.empty() ? MSTR() : candidates.front();
}

int MergeReferenceFile(OstrivansHelper* helper, const MSTR& asset, INodeTab& mergedNodes) {
    const MSTR path = ResolveReferencePath(asset);
    if (path.isNull()) return 0;
    Interface* ip = GetCOREInterface();
    if (IsCircular(path)) {
        if (!ip->GetQuietMode())
            ip->Services().MessageBox(L"There is a circular scene dependency. The Ostrivan file " + path +
                                          L" was not loaded.",
                                      L"Error", MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    StepMarks marks;
    try {
        return MergeSteps(helper, path, mergedNodes, marks);
    } catch (const MAXException& e) {
        throw MAXException(marks.FailureText(L"Error Merging File", &e.Message()));
    } catch (const std::exception& e) {
        const MSTR text = WStr::FromUTF8(e.what());
        throw MAXException(marks.FailureText(L"Unknown Error Merging File", &text));
    } catch (...) {
        const MSTR text;
        throw MAXException(marks.FailureText(L"Unknown Error Merging File", &text));
    }
}
