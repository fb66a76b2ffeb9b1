// The application object: the scene root, node creation, deletion and cloning, the selection, the
// content managers, modes, the prompt line and the host's services.
#pragma once

#include "host/core/Animatable.h"
#include "host/scene/HostServices.h"
#include "host/scene/Interface.h"
#include "host/scene/materials/MtlEditorSlots.h"

#include <cstdint>
#include <map>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class Node;
class SceneEventManager;

class HostInterface : public Interface {
public:
    HostInterface();
    ~HostInterface() override;

    INode* GetRootNode() override;
    INode* CreateObjectNode(Object* obj) override;
    void DeleteNode(INode* node, BOOL redraw = TRUE, BOOL overrideSlaves = FALSE) override;
    unsigned int DeleteNodes(INodeTab& nodes, bool keepChildTM = true, bool redraw = true,
                             bool overrideSlaveTM = false) override;
    bool CloneNodes(INodeTab& nodes, const Point3& offset, bool expandHierarchies = true,
                    CloneType cloneType = NODE_COPY, INodeTab* resultSource = nullptr,
                    INodeTab* resultTarget = nullptr) override;
    INode* GetINodeByName(const MCHAR* name) override;
    INode* GetINodeByHandle(ULONG handle) override;

    void SelectNode(INode* node, int clearSel = 1) override;
    void DeSelectNode(INode* node) override;
    void SelectNodeTab(INodeTab& nodes, BOOL sel, BOOL redraw = TRUE) override;
    void ClearNodeSelection(BOOL redraw = TRUE) override;
    int GetSelNodeCount() override { return static_cast<int>(selection_.size()); }
    INode* GetSelNode(int i) override;
    void GetSelNodeTab(INodeTab& selectedNodes) override;

    TimeValue GetTime() override { return time_; }
    void SetTime(TimeValue t, BOOL redraw = TRUE) override;
    BOOL IsAnimateMode() override { return animate_; }
    void SetAnimateMode(BOOL on) override { animate_ = on; }
    Interval GetAnimRange() override { return animRange_; }
    void SetAnimRange(Interval range) override;
    BOOL GetQuietMode(BOOL checkServerMode = TRUE) override;
    void SetQuietMode(BOOL onOff) override { quiet_ = onOff; }
    BOOL IsNetServer() override { return netServer_; }
    void SetNetServer(BOOL on) override { netServer_ = on; }
    int GetCommandPanelTaskMode() override { return taskMode_; }
    void SetCommandPanelTaskMode(int mode) override { taskMode_ = mode; }
    ReferenceTarget* GetCurEditObject() override;
    void SetCurEditObject(ReferenceTarget* obj) override;
    BOOL IsSaveRequired() override { return saveRequired_; }
    void SetSaveRequiredFlag(BOOL require = TRUE) override { saveRequired_ = require; }
    int GetSystemSetting(int id) override;
    void RedrawViews(TimeValue t) override;
    void RegisterRedrawViewsCallback(RedrawViewsCallback* cb) override;
    void UnRegisterRedrawViewsCallback(RedrawViewsCallback* cb) override;

    void PushPrompt(const MCHAR* s) override;
    void PopPrompt() override;
    void DisplayTempPrompt(const MCHAR* s, int msec = 1000) override;
    MSTR GetPromptText() override;

    MtlBaseLib* GetSceneMtls() override { return mtlLib_; }
    ILayerManager* GetLayerManager() override { return layers_; }
    INamedSelectionSetManager* GetNamedSelectionSetManager() override { return selSets_; }
    ISceneEventManager* GetISceneEventManager() override;
    MtlBase* GetMtlSlot(int slot) override;
    void PutMtlToMtlEditor(MtlBase* mb, int slot) override;
    void ActivateTexture(MtlBase* tx, Mtl* mtl, int subNum = -1) override;
    void DeactivateTexture(MtlBase* tx, Mtl* mtl, int subNum = -1) override;

    int Render() override;
    bool SaveToFile(const MCHAR* fname, bool clearNeedSaveFlag = true, bool useNewFile = true) override;
    BOOL LoadFromFile(const MCHAR* fname, BOOL refresh = TRUE) override;
    int MergeFromFile(const MCHAR* fname, BOOL mergeAll = FALSE, BOOL selMerged = FALSE, BOOL refresh = TRUE,
                      int dupAction = MERGE_DUPS_PROMPT, NameTab* mrgList = nullptr,
                      int dupMtlAction = MERGE_DUP_MTL_PROMPT, int reparentAction = MERGE_REPARENT_PROMPT,
                      BOOL includeFullGroup = FALSE, int mergeFlags = 0) override;
    bool SaveNodes(const INodeTab* nodes, const MCHAR* fname) override;
    ReferenceTarget* LoadSceneItem(const MCHAR* fname, const MCHAR* item, bool material, MSTR& error) override;
    bool FileHold() override;
    bool FileFetch() override;
    void FileReset(BOOL noPrompt = FALSE) override;
    void FileNew() override;
    void RegisterMergeCallback(MergeCallback* cb) override;
    void UnRegisterMergeCallback(MergeCallback* cb) override;
    MSTR GetLastFileError() override { return fileError_; }
    void EnumAuxFiles(AssetEnumCallback& assetEnum, DWORD flags) override;
    MSTR GetCurFilePath() override { return curFile_; }
    MSTR GetCurFileName() override;
    HostServices& Services() override { return *services_; }
    MSTR GetDir(int which) override;
    void* GetMAXHWnd() override { return mainWindow_; }

    // Stand-in controls for the file tasks, the GUI and tests.
    void SetCurFilePath(const MSTR& path) { curFile_ = path; }
    // Installs a GUI's services (the application keeps ownership of the previous one until replaced).
    void SetServices(std::unique_ptr<HostServices> services);
    void SetMAXHWnd(void* w) { mainWindow_ = w; }
    int RedrawCount() const { return redraws_; }
    // The last temporary prompt and how long it was to stay.
    MSTR GetTempPrompt() const { return tempPrompt_; }
    int GetTempPromptMsec() const { return tempPromptMsec_; }

    // Empties the scene: nodes (and external-scene entries), selection, layers back to "0", selection
    // sets, material library and editor slots, undo buffer, modes and flags back to a new scene's.
    // Sends no notifications.
    void ResetSceneContent();
    // Empties the scene as a reset or an open does: nodes (and external-scene entries), selection, layers
    // back to "0", selection sets, material library and editor slots, undo buffer, time, the open file.
    // Host modes and services stay. Nodes in spare (read from a file and still unplaced) are kept.
    void ClearScene(const std::unordered_set<const Node*>* spare = nullptr);
    // A name no node of the scene carries, from name ("Box01" -> "Box02").
    MSTR MakeNameUnique(const MSTR& name);

private:
    MSTR HoldFilePath();
    void DeleteOne(Node* node, bool keepChildTM);
    void SetSelected(Node* n, bool on, std::int64_t key = -1);
    void DeleteSilently(Node* n);

    Node* root_ = nullptr;
    MtlBaseLib* mtlLib_ = nullptr;
    ILayerManager* layers_ = nullptr;
    INamedSelectionSetManager* selSets_ = nullptr;
    std::unique_ptr<HostServices> services_;
    // Selection in the order nodes were selected; a key puts an undone deselection back in its place.
    std::map<std::int64_t, Node*> selection_;
    std::unordered_map<Node*, std::int64_t> selKey_;
    std::int64_t nextSelKey_ = 0;
    std::vector<INode*> selCache_;
    bool selDirty_ = true;
    TimeValue time_ = 0;
    BOOL animate_ = FALSE;
    Interval animRange_{0, 100 * (TIME_TICKSPERSEC / 30)};
    BOOL quiet_ = FALSE;
    BOOL netServer_ = FALSE;
    int taskMode_ = TASK_MODE_CREATE;
    AnimHandle curEdit_ = 0;
    BOOL saveRequired_ = FALSE;
    std::vector<MSTR> prompts_;
    MSTR tempPrompt_;
    int tempPromptMsec_ = 0;
    MtlEditorSlots* mtlSlots_ = nullptr;
    MSTR curFile_;
    MSTR fileError_;
    std::vector<MergeCallback*> mergeCallbacks_;
    std::vector<RedrawViewsCallback*> redrawCallbacks_;
    void* mainWindow_ = nullptr;
    int redraws_ = 0;
};

// The application object as the stand-in implements it.
HostInterface* GetHostInterface();
// HostInterface::ResetSceneContent on the application object.
void ResetSceneContent();
