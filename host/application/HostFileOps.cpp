// The application object's file operations: save, open, merge, save nodes, reset and new.
#include "host/application/HostInterface.h"

#include "host/core/Hold.h"
#include "host/core/HoldSuspend.h"
#include "host/core/Notify.h"
#include "host/io/ScenePlacer.h"
#include "host/io/SceneReader.h"
#include "host/io/SceneWriter.h"
#include "host/scene/ILayer.h"
#include "host/scene/nodes/Node.h"

#include <algorithm>

namespace {

void* Param(const MSTR& s) { return const_cast<MCHAR*>(s.c_str()); }

bool NoName(const MCHAR* fname, MSTR& error, const wchar_t* what) {
    if (fname && *fname) return false;
    error = WStr(L"cannot ") + what + L": no file name given";
    return true;
}

} // namespace

bool HostInterface::SaveToFile(const MCHAR* fname, bool clearNeedSaveFlag, bool useNewFile) {
    fileError_ = MSTR();
    if (NoName(fname, fileError_, L"save the scene")) return false;
    const MSTR path(fname);
    const BOOL wasRequired = saveRequired_;
    BroadcastNotification(NOTIFY_FILE_PRE_SAVE, Param(path));
    const IOResult r = SceneWriter::WriteScene(this, path, fileError_);
    // Sent after a failed write too: whoever took the scene apart for the save puts it back.
    BroadcastNotification(NOTIFY_FILE_POST_SAVE, Param(path));
    if (r != IO_OK) {
        // The scene is not saved, whatever a listener said meanwhile.
        saveRequired_ = wasRequired;
        return false;
    }
    if (clearNeedSaveFlag) saveRequired_ = FALSE;
    if (useNewFile) curFile_ = path;
    return true;
}

bool HostInterface::SaveNodes(const INodeTab* nodes, const MCHAR* fname) {
    fileError_ = MSTR();
    if (NoName(fname, fileError_, L"save nodes")) return false;
    const MSTR path(fname);
    INodeTab none;
    // Bracketed like a scene save: listeners that take the scene apart for a save tell the two apart by
    // their own state.
    BroadcastNotification(NOTIFY_FILE_PRE_SAVE, Param(path));
    const IOResult r = SceneWriter::WriteNodes(this, nodes ? *nodes : none, path, fileError_);
    BroadcastNotification(NOTIFY_FILE_POST_SAVE, Param(path));
    return r == IO_OK;
}

BOOL HostInterface::LoadFromFile(const MCHAR* fname, BOOL refresh) {
    fileError_ = MSTR();
    if (NoName(fname, fileError_, L"open a scene")) return FALSE;
    const MSTR path(fname);
    SceneReader reader(this);
    // A file that is missing or damaged is refused before anyone hears of an open.
    if (reader.IndexFile(path) != IO_OK) {
        fileError_ = reader.Error();
        return FALSE;
    }
    FileIOType type = IOTYPE_MAX;
    BroadcastNotification(NOTIFY_FILE_PRE_OPEN, &type);
    int process = FILE_PROCESS_OPEN;
    BroadcastNotification(NOTIFY_FILE_PRE_OPEN_PROCESS, &process);
    {
        // Reading a file is not an edit: the objects it makes are not recorded.
        HoldSuspend suspended;
        // Everything that can refuse the file happens before the open scene is cleared.
        std::vector<std::int32_t> freshLayers;
        if (reader.CreateObjects() != IO_OK || ScenePlacer::LinkOpened(this, reader, freshLayers) != IO_OK) {
            fileError_ = reader.Error();
            reader.Discard();
            BroadcastNotification(NOTIFY_FILE_OPEN_FAILED, &type);
            return FALSE;
        }
        std::unordered_set<const Node*> loaded;
        for (const SceneReader::NodeEntry& e : reader.Nodes()) loaded.insert(reader.NodeAt(e.id));
        ClearScene(&loaded);
        ScenePlacer::PlaceOpened(this, reader, freshLayers);
        reader.RunPostLoadCallbacks();
    }
    theHold.ClearUndoBuffer();
    curFile_ = path;
    saveRequired_ = FALSE;
    BroadcastNotification(NOTIFY_FILE_POST_OPEN, &type);
    if (refresh) RedrawViews(time_);
    return TRUE;
}

// The hold file's path, in the temporary folder.
MSTR HostInterface::HoldFilePath() { return GetDir(APP_TEMP_DIR) + L"/maxhold.mx"; }

bool HostInterface::FileHold() {
    const BOOL wasRequired = saveRequired_;
    const bool ok = SaveToFile(HoldFilePath().data(), false, false);
    saveRequired_ = wasRequired;
    return ok;
}

bool HostInterface::FileFetch() {
    const MSTR open = curFile_;
    if (!LoadFromFile(HoldFilePath().data(), TRUE)) return false;
    curFile_ = open;
    return true;
}

int HostInterface::MergeFromFile(const MCHAR* fname, BOOL mergeAll, BOOL selMerged, BOOL refresh, int dupAction,
                                 NameTab* mrgList, int dupMtlAction, int /*reparentAction*/, BOOL /*includeFullGroup*/,
                                 int /*mergeFlags*/) {
    fileError_ = MSTR();
    if (NoName(fname, fileError_, L"merge a scene")) return 0;
    const MSTR path(fname);
    SceneReader reader(this);
    if (reader.IndexFile(path) != IO_OK) {
        fileError_ = reader.Error();
        return 0;
    }
    BroadcastNotification(NOTIFY_FILE_PRE_MERGE, Param(path));
    BroadcastNotification(NOTIFY_SCENE_XREF_PRE_MERGE, Param(path));
    int process = FILE_PROCESS_MERGE;
    BroadcastNotification(NOTIFY_FILE_PRE_OPEN_PROCESS, &process);
    std::vector<INode*> merged;
    {
        HoldSuspend suspended;
        if (reader.CreateObjects() != IO_OK) {
            fileError_ = reader.Error();
            reader.Discard();
            BroadcastNotification(NOTIFY_SCENE_XREF_POST_MERGE, Param(path));
            return 0;
        }
        MergeOptions options;
        options.mergeAll = mergeAll || !mrgList;
        options.names = mrgList;
        options.dupAction = dupAction;
        options.dupMtlAction = dupMtlAction;
        options.duplicateLayerWithoutSameHierarchy =
            layers_ && layers_->GetDuplicateLayerWithoutSameHierarchyOnMerge();
        if (ScenePlacer::PlaceMerged(this, reader, options, merged) != IO_OK) {
            fileError_ = reader.Error();
            reader.Discard();
            BroadcastNotification(NOTIFY_SCENE_XREF_POST_MERGE, Param(path));
            return 0;
        }
        reader.RunPostLoadCallbacks();
    }
    saveRequired_ = TRUE;
    if (selMerged) {
        ClearNodeSelection(FALSE);
        for (INode* n : merged)
            if (!n->TestAFlag(A_IS_DELETED)) SelectNode(n, 0);
    }
    BroadcastNotification(NOTIFY_SCENE_XREF_POST_MERGE, Param(path));
    BroadcastNotification(NOTIFY_FILE_POST_MERGE, Param(path));
    INodeTab tab;
    for (INode* n : merged) tab.Append(n);
    // A callback may install or remove callbacks while it hears of the nodes.
    const std::vector<MergeCallback*> callbacks = mergeCallbacks_;
    for (MergeCallback* cb : callbacks)
        if (std::find(mergeCallbacks_.begin(), mergeCallbacks_.end(), cb) != mergeCallbacks_.end())
            cb->NodesMerged(tab);
    // Helpers that came with the file load their own content now, inside this merge.
    BroadcastNotification(NOTIFY_FILE_POST_MERGE_PROCESS, Param(path));
    if (refresh) RedrawViews(time_);
    return 1;
}

void HostInterface::FileReset(BOOL) {
    BroadcastNotification(NOTIFY_SYSTEM_PRE_RESET);
    ClearScene();
    fileError_ = MSTR();
    BroadcastNotification(NOTIFY_SYSTEM_POST_RESET);
}

void HostInterface::FileNew() {
    BroadcastNotification(NOTIFY_SYSTEM_PRE_NEW);
    ClearScene();
    fileError_ = MSTR();
    BroadcastNotification(NOTIFY_SYSTEM_POST_NEW);
}

void HostInterface::RegisterMergeCallback(MergeCallback* cb) {
    if (cb && std::find(mergeCallbacks_.begin(), mergeCallbacks_.end(), cb) == mergeCallbacks_.end())
        mergeCallbacks_.push_back(cb);
}

void HostInterface::UnRegisterMergeCallback(MergeCallback* cb) {
    mergeCallbacks_.erase(std::remove(mergeCallbacks_.begin(), mergeCallbacks_.end(), cb), mergeCallbacks_.end());
}
