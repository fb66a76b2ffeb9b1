// The scene helper that owns one reference to another scene file: its parameters and its records.
#pragma once

#include "host/core/FileTime.h"
#include "host/scene/IParamBlock2.h"
#include "host/scene/ISceneEventManager.h"
#include "host/scene/Object.h"
#include "plugin/helper/OstrivansHelperClassDesc.h"
#include "plugin/helper/OstrivansHelperInterface.h"
#include "plugin/helper/RefLayer.h"
#include "plugin/helper/RenamedLayer.h"
#include "plugin/records/IRecordHelper.h"

#include <memory>
#include <string>
#include <vector>

class AssetEnumCallback;
class HelperNodeEvents;
struct NotifyInfo;
class RefAnim;
class RefBase;
class RefNode;
class RefMaterial;

// References: 0 the parameter block, 1 the scene material library held during a merge, then one per
// RefNode, one per RefMaterial and one per layer record's layer, in that order.
class OstrivansHelper : public HelperObject, public OstrivansHelperInterface, public IRecordHelper {
public:
    static constexpr int kParamBlockRef = 0;
    static constexpr int kHeldMtlLibRef = 1;
    static constexpr int kFirstRecordRef = 2;

    // A fresh helper gets its parameter block from the descriptor; a loading one gets it from the file
    // and waits in the pending auto-load list for the end of the open (or merge) to apply its reload
    // policy. Every helper joins the registry and hooks its own host notifications; the first helper of
    // a session also hooks the module-wide ones.
    explicit OstrivansHelper(BOOL loading = FALSE);
    // Drops every registration the helper made, so a deleted helper leaves nothing behind for the host
    // to call.
    ~OstrivansHelper() override;

    Class_ID ClassID() override { return OSTRIVANS_HELPER_CLASS_ID; }
    SClass_ID SuperClassID() override { return HELPER_CLASS_ID; }
    void GetClassName(MSTR& s, bool localized = true) const override;
    Interval ObjectValidity(TimeValue t) override {
        (void)t;
        return FOREVER;
    }

    int NumRefs() override;
    RefTargetHandle GetReference(int i) override;
    // While a reference is unloaded, saved or duplicated, records without overrides are weak references,
    // so only what carries the user's changes stays alive (and is written).
    BOOL IsRealDependency(ReferenceTarget* rtarg) override;
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    // The parameters only: an ordinary copy is an unloaded reference to the same file. The script
    // interface's duplicate (operation code 8) also copies the records that carry overrides.
    RefTargetHandle Clone(RemapDir& remap) override;
    // The helper's own chunks: version, file time, the record table sizes (the host writes the records
    // themselves as references), the nodes-to-delete names, the renamed layers and the layer names.
    IOResult Save(ISave* isave) override;
    // Reads them back into a helper made for loading; record and layer tables get empty entries for the
    // host to fill. A missing version or a damaged chunk is an error that leaves no name behind.
    IOResult Load(ILoad* iload) override;
    void DeleteThis() override { delete this; }
    BaseInterface* GetInterface(Interface_ID id) override;
    using HelperObject::GetInterface;

    int NumSubs() override { return 1; }
    Animatable* SubAnim(int i) override;
    MSTR SubAnimName(int i, bool localized = true) override;
    int SubNumToRefNum(int subNum) override { return subNum == 0 ? kParamBlockRef : -1; }
    int NumParamBlocks() override { return 1; }
    IParamBlock2* GetParamBlock(int i) override { return i == 0 ? pblock_ : nullptr; }
    IParamBlock2* GetParamBlockByID(BlockID id) override;

    // Reports FileName and ProxyFileName to the host's asset enumeration: as accessors when the flags
    // ask for them, else each non-empty name as an input asset; then the references report theirs.
    void EnumAuxFiles(AssetEnumCallback& assetEnum, DWORD flags) override;

    IParamBlock2* GetParamBlock() const { return pblock_; }
    ReferenceTarget* GetHeldMtlLib() const { return heldMtlLib_; }
    int NumRefNodes() const override { return static_cast<int>(refNodes_.size()); }
    int NumRefMaterials() const override { return static_cast<int>(refMaterials_.size()); }
    int NumRefLayers() const { return static_cast<int>(refLayers_.size()); }
    RefNode* GetRefNode(int i) const override;
    RefMaterial* GetRefMaterial(int i) const override;
    // The layer of layer record i; null out of range and for an empty entry.
    ReferenceTarget* GetRefLayer(int i) const;
    // The name in the referenced file of layer record i's layer; empty out of range.
    WStr GetRefLayerName(int i) const;
    // Appends a layer record for the layer under its name in the referenced file (the helper takes the
    // layer as its last reference); returns its index.
    int AppendRefLayer(ReferenceTarget* layer, const WStr& name);
    // Drops the layer records whose layer is gone or whose name is empty; order is kept.
    void DropLostRefLayers();
    // Lets go of every layer record's layer and empties the layer records and the renamed layers; returns
    // the layers the records held, which stay in the scene.
    std::vector<ReferenceTarget*> TakeRefLayers();
    Tab<INode*> GetNodes() override;
    // Appends a record (the helper takes it as a reference and becomes its owner); returns its index.
    int AppendRefNode(RefNode* record);
    int AppendRefMaterial(RefMaterial* record);
    // The value of UseNamePrefix when the parameter block was attached.
    bool GetPrefixFlagCopy() const { return prefixFlagCopy_ != 0; }

    // The node that carries this helper, or null.
    INode* GetHelperNode() override;
    // PersistRef is on.
    bool PersistsReferences() const override;
    // Its helper node is itself a node of another reference (it carries a node record).
    bool IsNested() override;
    // Records are written in table order after the helper (a scene writer finds them through its
    // references in that order): the ones after this record have their memory asked for.
    void RecordSaving(const RefNode* record) override;
    // The helper node's name while UseNamePrefix is on; empty otherwise.
    MSTR GetRecordNamePrefix() override;
    // Names of merged nodes the user deleted locally; they are deleted again after every merge.
    const std::vector<WStr>& GetNodesToDelete() const { return nodesToDelete_; }
    void AddNodeToDelete(const WStr& name) { nodesToDelete_.push_back(name); }
    // Drops the first entry equal to name (a merged node of that name is no longer deleted after a
    // merge); undoable. False when there is none.
    bool ForgetNodeToDelete(const WStr& name) override;
    // Layers of the referenced file that the scene carries under another name.
    const std::vector<RenamedLayer>& GetRenamedLayers() const { return renamedLayers_; }
    std::vector<RenamedLayer>& EditRenamedLayers() { return renamedLayers_; }
    void AddRenamedLayer(const RenamedLayer& layer) { renamedLayers_.push_back(layer); }
    // Last-write time of the referenced file at the last successful merge; 0 when it failed.
    FileTime64 GetFileTime() const { return fileTime_; }
    void SetFileTime(FileTime64 t) { fileTime_ = t; }
    bool IsLoaded() const { return loaded_ != 0; }
    void SetLoaded(bool on) { loaded_ = on ? 1 : 0; }
    // Drops the records that carry no override (and empty entries): a load creates them afresh for the
    // merged items. Record order is kept.
    void DropRecordsWithoutOverrides();
    // Drops every record and every layer record: the content stays in the scene as plain content.
    void DropAllRecords();
    // Counts the collects of the records; mirrors compare it with the value they cached a result at.
    // Stamps come from one sequence for the whole module, so no two passes (of one helper or of two
    // helpers that look at the same local content) share one, and none is a fresh flag's.
    DWORD GetStamp() const override { return stamp_; }
    void IncrementStamp();
    // Mirrors that asked, during a load, to finish their override once every record is bound. Not
    // references: the records own the mirrors.
    void RegisterChangedMirror(RefAnim* mirror) override { changedMirrors_.push_back(mirror); }
    const std::vector<RefAnim*>& GetChangedMirrors() const { return changedMirrors_; }
    void ClearChangedMirrors() { changedMirrors_.clear(); }
    // Set by a load when this helper (or a nested one flattened into it) loads different files for the
    // viewport and for rendering.
    bool GetRenderSwapFlag() const { return renderSwap_ != 0; }
    void SetRenderSwapFlag(bool on) { renderSwap_ = on ? 1 : 0; }

    // The file a load takes: while rendering (or on a network render server) UseProxyInRender decides,
    // otherwise UseProxyInViewport; the switch on means ProxyFileName, off FileName.
    MSTR GetFileToLoad();
    // The files for the viewport and for rendering differ.
    bool NeedsRenderSwap();
    // A render must reload this helper: the last load said so, or the parameters say so now.
    bool RenderSwapApplies() { return GetRenderSwapFlag() || NeedsRenderSwap(); }
    // Not an overlay; or an overlay while no merge runs and the helper node's tree hangs from the scene
    // root (an overlay inside a referenced file is not loaded with it).
    bool QualifiesForAutoLoading();
    // After an open or a save: load, unload, reload or nothing, by PersistRef, auto-loading and the
    // reload type (a changed file is told by its last-write time).
    void ApplyReloadPolicy();

    // Reference operations; each opens a batch unless one is open.
    // Merges the file and binds every merged node and material to its record (see ReferenceLoad); scene
    // nodes hanging under a placeholder of a record move under the record's fresh node.
    int Load();
    using HelperObject::Load;
    // Unload, then load; "Reload Successful" on the prompt line when the load succeeded. The load's result.
    int Reload() override;
    // Takes the content out and keeps every record (see ReferenceUnload); always 0.
    int Unload() override;
    // The content becomes plain scene content: every record and layer record goes, then the helper node.
    int Merge() override;
    // Unload, then every record, placeholder, name to delete and layer record goes. 1; 0 after a
    // reported failure.
    int Dismiss() override;
    // Dismiss, then load: the file's content without any override. The load's result.
    int Reset() override;
    // Takes back the overrides under resetMask (see ResetMask.h) from the records and the helper's own
    // tables (renamed and merged layers, names of locally deleted nodes); the content is rebuilt by the
    // caller's reload. 1.
    int AdvancedReset(DWORD resetMask);
    // SaveAs to the file the helper loads in the viewport.
    int Overwrite() override;
    // Writes the nodes the records hold to fileName, under their names without the prefix. 1 when written;
    // a failure is reported and gives 0.
    int SaveAs(const MCHAR* fileName) override;
    void PrintData(int mode) override;
    void ShowDupNames() override;
    // Merges the file asset names for this helper and appends the nodes the merge created; 1 when merged,
    // 0 when nothing was (see MergeReferenceFile).
    int MergeFile(const MSTR& asset, INodeTab& mergedNodes);
    // The short description error reports carry: "Name: ...\nRefNodes: %d, ...".
    MSTR Description();
    // Binds a merged node to a record of this helper (the one of that name still unbound in the current
    // load, else a new one) and returns the record.
    RefNode* MirrorNode(INode* node, const WStr& name);
    // Adds the prefix to, or removes it from, every referenced node, material and layer.
    void ApplyNamePrefix(bool on);
    // The helper node was renamed: the prefix of the content follows (operation code 14).
    void RenamePrefix(const MCHAR* oldName, const MCHAR* newName);

    // While disabled, the parameter accessor ignores changes: the helper is setting one parameter from
    // another.
    bool IsAccessorEnabled() const { return accessorEnabled_ != 0; }
    void SetAccessorEnabled(bool on) { accessorEnabled_ = on ? 1 : 0; }
    CallbackKey GetSceneEventKey() const { return sceneEventKey_; }

    // Parameter by parameter, in id order: "Active = true", "FileName = \"c:/a.max\"", ...
    std::string DumpParams();

protected:
    // Record slots keep the records' back-pointers to their helper. Attaching the parameter block takes
    // the prefix flag copy and brings an old reload setting into PersistReloadType.
    void SetReference(int i, RefTargetHandle rtarg) override;

private:
    void AttachParamBlock(IParamBlock2* pb);
    // One listener line naming the operation and the helper node; result 0.
    int NotAvailable(const MCHAR* operation);
    // "Error Dismissing Reference", the helper's description and the host's text, shown to the user.
    void ReportDismissFailure(const MCHAR* head, const MSTR* detail);
    // The content's names go from the old prefix to the new one (empty for none).
    void ChangeNamePrefix(const MSTR& oldPrefix, const MSTR& newPrefix);
    static void OnLayerDeleted(void* param, NotifyInfo* info);
    // The helper's reference index of layer record k.
    int LayerRef(int k) const { return kFirstRecordRef + NumRefNodes() + NumRefMaterials() + k; }

    IParamBlock2* pblock_ = nullptr;
    ReferenceTarget* heldMtlLib_ = nullptr;
    std::vector<RefNode*> refNodes_;
    std::vector<RefMaterial*> refMaterials_;
    std::vector<RefLayer> refLayers_;
    std::vector<WStr> nodesToDelete_;
    std::vector<RenamedLayer> renamedLayers_;
    std::vector<RefAnim*> changedMirrors_;
    DWORD stamp_;
    FileTime64 fileTime_ = 0;
    // The table index of the record a save is expected to write next; past the end when the save does
    // not follow the table.
    size_t saveCursor_ = SIZE_MAX;
    int loaded_ = 0;
    int renderSwap_ = 0;
    int prefixFlagCopy_ = 0;
    int accessorEnabled_ = 1;
    CallbackKey sceneEventKey_ = 0;
    std::unique_ptr<HelperNodeEvents> nodeEvents_;
};

// Disables a helper's accessor for a scope and puts back what it found.
class AccessorDisabler {
public:
    explicit AccessorDisabler(OstrivansHelper* helper) : helper_(helper), was_(helper->IsAccessorEnabled()) {
        helper_->SetAccessorEnabled(false);
    }
    ~AccessorDisabler() { helper_->SetAccessorEnabled(was_); }
    AccessorDisabler(const AccessorDisabler&) = delete;
    AccessorDisabler& operator=(const AccessorDisabler&) = delete;

private:
    OstrivansHelper* helper_;
    bool was_;
};
