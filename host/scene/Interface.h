// The host application as plug-ins see it: the scene, its operations and the host's services.
#pragma once

#include "host/core/Matrix3.h"
#include "host/core/Tab.h"
#include "host/core/WStr.h"

class INode;
class Object;
class Control;
class Mtl;
class MtlBase;
class MtlBaseLib;
class AssetEnumCallback;
class ILayerManager;
class INamedSelectionSetManager;
class ISceneEventManager;
class HostServices;
class ReferenceTarget;
using INodeTab = Tab<INode*>;
// Names of the nodes a merge takes.
using NameTab = Tab<MSTR>;

// Merge options.
constexpr int MERGE_DUPS_PROMPT = 0;
constexpr int MERGE_DUPS_MERGE = 1; // keep both nodes
constexpr int MERGE_DUPS_SKIP = 2;
constexpr int MERGE_DUPS_DELOLD = 3;
constexpr int MERGE_DUPS_RENAME = 1000;
constexpr int MERGE_DUP_MTL_PROMPT = 0;
constexpr int MERGE_DUP_MTL_USE_MERGED = 1;
constexpr int MERGE_DUP_MTL_USE_SCENE = 2;
constexpr int MERGE_DUP_MTL_RENAME = 1000;
constexpr int MERGE_DUP_MTL_AUTORENAME = 3;
constexpr int MERGE_REPARENT_PROMPT = 0;
constexpr int MERGE_REPARENT_ALWAYS = 1;
constexpr int MERGE_REPARENT_NEVER = 2;

// Clone types for CloneNodes.
enum CloneType { NODE_COPY, NODE_INSTANCE, NODE_REFERENCE, NODE_NONE };

// Command panel task modes.
constexpr int TASK_MODE_CREATE = 1;
constexpr int TASK_MODE_MODIFY = 2;
constexpr int TASK_MODE_HIERARCHY = 3;
constexpr int TASK_MODE_MOTION = 4;
constexpr int TASK_MODE_DISPLAY = 5;
constexpr int TASK_MODE_UTILITY = 6;

// GetSystemSetting ids.
constexpr int SYSSET_CLEAR_UNDO = 2;

// Host folder ids for GetDir.
constexpr int APP_MAXROOT_DIR = 20;
constexpr int APP_TEMP_DIR = 29;
// Where the host writes the scene files of the network render jobs it submits.
constexpr int APP_NETWORK_DIR = 38;

// Told about the nodes a merge creates. Every installed callback hears of every merge that ends while
// it is installed, so a merge that runs inside another one (a helper of the merged file loading its own
// file) reports its nodes to the outer merge's callback too.
// Called once the viewports have been redrawn, while registered (Interface::RegisterRedrawViewsCallback).
class Interface;
class RedrawViewsCallback {
public:
    virtual ~RedrawViewsCallback() = default;
    virtual void proc(Interface* ip) = 0;
};

class MergeCallback {
public:
    virtual ~MergeCallback() = default;
    virtual void NodesMerged(const INodeTab& nodes) = 0;
};

class Interface {
public:
    virtual ~Interface() = default;

    // Scene.
    virtual INode* GetRootNode() = 0;
    virtual INode* CreateObjectNode(Object* obj) = 0;
    // Deletes a node: broadcasts NOTIFY_SCENE_PRE_DELETED_NODE before and NOTIFY_SCENE_POST_DELETED_NODE
    // after; the children move to the parent; content nothing else holds is deleted with it.
    virtual void DeleteNode(INode* node, BOOL redraw = TRUE, BOOL overrideSlaves = FALSE) = 0;
    virtual unsigned int DeleteNodes(INodeTab& nodes, bool keepChildTM = true, bool redraw = true,
                                     bool overrideSlaveTM = false) = 0;
    virtual bool CloneNodes(INodeTab& nodes, const Point3& offset, bool expandHierarchies = true,
                            CloneType cloneType = NODE_COPY, INodeTab* resultSource = nullptr,
                            INodeTab* resultTarget = nullptr) = 0;
    virtual INode* GetINodeByName(const MCHAR* name) = 0;
    virtual INode* GetINodeByHandle(ULONG handle) = 0;

    // Selection.
    virtual void SelectNode(INode* node, int clearSel = 1) = 0;
    virtual void DeSelectNode(INode* node) = 0;
    virtual void SelectNodeTab(INodeTab& nodes, BOOL sel, BOOL redraw = TRUE) = 0;
    virtual void ClearNodeSelection(BOOL redraw = TRUE) = 0;
    virtual int GetSelNodeCount() = 0;
    virtual INode* GetSelNode(int i) = 0;
    virtual void GetSelNodeTab(INodeTab& selectedNodes) = 0;

    // Time and modes.
    virtual TimeValue GetTime() = 0;
    virtual void SetTime(TimeValue t, BOOL redraw = TRUE) = 0;
    virtual BOOL IsAnimateMode() = 0;
    virtual void SetAnimateMode(BOOL on) = 0;
    // The scene's active time segment (0 to 100 frames in a new scene); an empty range is refused.
    virtual Interval GetAnimRange() = 0;
    virtual void SetAnimRange(Interval range) = 0;
    virtual BOOL GetQuietMode(BOOL checkServerMode = TRUE) = 0;
    virtual void SetQuietMode(BOOL onOff) = 0;
    virtual BOOL IsNetServer() = 0;
    virtual void SetNetServer(BOOL on) = 0;
    virtual int GetCommandPanelTaskMode() = 0;
    virtual void SetCommandPanelTaskMode(int mode) = 0;
    virtual ReferenceTarget* GetCurEditObject() = 0;
    virtual void SetCurEditObject(ReferenceTarget* obj) = 0;
    virtual BOOL IsSaveRequired() = 0;
    virtual void SetSaveRequiredFlag(BOOL require = TRUE) = 0;
    virtual int GetSystemSetting(int id) = 0;
    // Redraws the viewports, then calls every redraw callback registered when the redraw began (one that
    // a callback unregisters before its turn is not called).
    virtual void RedrawViews(TimeValue t) = 0;
    virtual void RegisterRedrawViewsCallback(RedrawViewsCallback* cb) = 0;
    virtual void UnRegisterRedrawViewsCallback(RedrawViewsCallback* cb) = 0;

    // Prompt line.
    virtual void PushPrompt(const MCHAR* s) = 0;
    virtual void PopPrompt() = 0;
    virtual void DisplayTempPrompt(const MCHAR* s, int msec = 1000) = 0;
    virtual MSTR GetPromptText() = 0;

    // Content managers.
    virtual MtlBaseLib* GetSceneMtls() = 0;
    virtual ILayerManager* GetLayerManager() = 0;
    virtual INamedSelectionSetManager* GetNamedSelectionSetManager() = 0;
    virtual ISceneEventManager* GetISceneEventManager() = 0;
    // Material editor slots (24).
    virtual MtlBase* GetMtlSlot(int slot) = 0;
    virtual void PutMtlToMtlEditor(MtlBase* mb, int slot) = 0;
    virtual void ActivateTexture(MtlBase* tx, Mtl* mtl, int subNum = -1) = 0;
    virtual void DeactivateTexture(MtlBase* tx, Mtl* mtl, int subNum = -1) = 0;

    // Rendering: brackets with NOTIFY_PRE_RENDER and NOTIFY_POST_RENDER.
    virtual int Render() = 0;

    // Scene files. An operation that fails returns false (0) and leaves the open scene as it was;
    // GetLastFileError then names the file, the offset and the problem.
    //
    // Writes the scene: NOTIFY_FILE_PRE_SAVE (full path) before, NOTIFY_FILE_POST_SAVE after. Clears the
    // save-required flag when asked; with useNewFile the file becomes the open scene file.
    virtual bool SaveToFile(const MCHAR* fname, bool clearNeedSaveFlag = true, bool useNewFile = true) = 0;
    // Replaces the scene with the file: NOTIFY_FILE_PRE_OPEN (IOTYPE_MAX), reset, read, NOTIFY_FILE_POST_OPEN;
    // a file that cannot be read gives NOTIFY_FILE_OPEN_FAILED and leaves the scene untouched.
    virtual BOOL LoadFromFile(const MCHAR* fname, BOOL refresh = TRUE) = 0;
    // Merges the file into the scene, synchronously. Without mergeAll only the nodes named in mrgList are
    // taken (with what they need). dupAction decides for a merged node whose name a scene node carries,
    // dupMtlAction for a merged material whose name a scene material carries (both: prompts keep both).
    // No merge flags are defined; callers pass 0. Returns 1 when the file was merged.
    virtual int MergeFromFile(const MCHAR* fname, BOOL mergeAll = FALSE, BOOL selMerged = FALSE, BOOL refresh = TRUE,
                              int dupAction = MERGE_DUPS_PROMPT, NameTab* mrgList = nullptr,
                              int dupMtlAction = MERGE_DUP_MTL_PROMPT, int reparentAction = MERGE_REPARENT_PROMPT,
                              BOOL includeFullGroup = FALSE, int mergeFlags = 0) = 0;
    // Writes only the given nodes and what they need; the file opens and merges like any other. Bracketed by
    // NOTIFY_FILE_PRE_SAVE and NOTIFY_FILE_POST_SAVE (full path) as a scene save is.
    virtual bool SaveNodes(const INodeTab* nodes, const MCHAR* fname) = 0;
    // Reads one item of a scene file without touching the open scene: the object of the node named item
    // (with its modifiers), or with material the material of that name. Null, with error saying what is
    // wrong with the file or that it holds no such item, when it cannot.
    virtual ReferenceTarget* LoadSceneItem(const MCHAR* fname, const MCHAR* item, bool material, MSTR& error) = 0;
    // The hold: FileHold writes the scene to the hold file in the temporary folder, leaving the open file's
    // name and the save-required flag as they were; FileFetch opens the hold file as the scene (with the
    // notifications of an open) and keeps the open file's name. False with GetLastFileError set when it
    // cannot (no hold file, one that cannot be read).
    virtual bool FileHold() = 0;
    virtual bool FileFetch() = 0;
    // An empty scene: NOTIFY_SYSTEM_PRE_RESET / POST_RESET around it, the open file forgotten.
    virtual void FileReset(BOOL noPrompt = FALSE) = 0;
    // A new scene: as a reset, but bracketed by NOTIFY_SYSTEM_PRE_NEW / POST_NEW.
    virtual void FileNew() = 0;
    virtual void RegisterMergeCallback(MergeCallback* cb) = 0;
    virtual void UnRegisterMergeCallback(MergeCallback* cb) = 0;
    // Why the last file operation failed; empty after one that succeeded.
    virtual MSTR GetLastFileError() = 0;
    // Every file the scene uses: each node below the root and the scene material library report their
    // files (AssetEnumCallback.h), each object once however many references reach it.
    virtual void EnumAuxFiles(AssetEnumCallback& assetEnum, DWORD flags) = 0;

    // The path and name of the open scene file ("" for a new scene).
    virtual MSTR GetCurFilePath() = 0;
    virtual MSTR GetCurFileName() = 0;

    // Host services (message boxes, beeps, cursors, folders, UI scale, main window); tests script them.
    virtual HostServices& Services() = 0;
    virtual MSTR GetDir(int which) = 0;
    virtual void* GetMAXHWnd() = 0;
};

// The application object.
Interface* GetCOREInterface();
inline Interface* GetCOREInterface7() { return GetCOREInterface(); }
inline Interface* GetCOREInterface9() { return GetCOREInterface(); }
inline Interface* GetCOREInterface13() { return GetCOREInterface(); }

// The scene's frames per second (30 in a new scene; 1 to TIME_TICKSPERSEC) and the ticks of one frame.
// A rate that does not divide TIME_TICKSPERSEC gives the ticks of the nearest smaller frame.
int GetFrameRate();
void SetFrameRate(int rate);
int GetTicksPerFrame();
