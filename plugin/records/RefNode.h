// The record of one merged node: its identity across reloads, its links and stored node properties, its
// modifier entries and, as a record, the mirrors below the node.
#pragma once

#include "host/core/Point3.h"
#include "host/core/Quat.h"
#include "host/core/ScaleValue.h"
#include "host/core/Tab.h"
#include "plugin/frame/SlimVector.h"
#include "plugin/records/RefBase.h"
#include "plugin/records/RefModifier.h"
#include "plugin/records/RefNodeFlags.h"
#include "plugin/records/RefNodeInterface.h"
#include "plugin/records/RefNodeSideTables.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class NodeTable;
struct NodeDisplayWords;
struct NodeRenderWords;

class INode;
class LightObject;
class StepMarks;
using INodeTab = Tab<INode*>;
// A record's modifier entries, top of the stack first (owned).
using RefModifierTable = SlimVector<RefModifier*>;

constexpr Class_ID REFNODE_CLASS_ID(0x8663dfa6, 0x3f273884);

// References, with B = 1 + mirrors (the record base's part) and C = children:
//   0 the node, 1 .. B-1 the mirrors, B the material (null unless the material is overridden), B+1 the
//   parent, B+2 .. B+1+C the children, B+2+C the layer, then one per WS modifier entry and one per OS
//   modifier entry (the entry's modifier), one per excluding light, the kept object, one per listing
//   object.
class RefNode : public RefBase {
public:
    // The class descriptor's creation (and a scene file's).
    explicit RefNode(BOOL loading = FALSE);
    // A record for a node merged from the referenced file, owned by helper (which appends it). Takes the
    // node's name as the referenced name and collects its modifier entries and mirrors. Without a node the
    // record starts unloaded. On failure the record is undone and MAXException carries the report
    // ("Error Creating RefNode" ...).
    RefNode(INode* node, IRecordHelper* helper);
    ~RefNode() override;

    Class_ID ClassID() override { return REFNODE_CLASS_ID; }
    const MCHAR* GetRecordName() const override;
    // A node record with every stored value and table, its references remapped, and the mirrors that carry
    // changes (as the record base copies them).
    RefTargetHandle Clone(RemapDir& remap) override;

    // ---- references
    int NumRefs() override;
    RefTargetHandle GetReference(int i) override;
    // The gate in front of every handler: see the .cpp.
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    BOOL IsRealDependency(ReferenceTarget* rtarg) override;
    // A node standing on a placeholder controller stays in a written scene for what depends on it: the
    // record keeps it there, so the next load hands its dependents to the fresh node.
    BOOL ShouldPersistWeakRef(RefTargetHandle rtarg) override;
    // The stored values past the mirrors are the user's: a transfer from an old node to a fresh one (its
    // material, its object) never moves them; the override re-applies them.
    BOOL CanTransferReference(int i) override;
    using RefBase::GetInterface;
    BaseInterface* GetInterface(Interface_ID id) override;

    // ---- identity
    const WStr& GetReferencedName() const { return referencedName_; }
    // The node is in the scene and up to date.
    bool IsNodeLoaded() const { return nodeLoaded_ != 0; }
    bool WasLoaded() const { return wasLoaded_ != 0; }
    DWORD GetOverrideFlags() const { return overrideFlags_; }
    INode* GetNode() const;
    const WStr& GetOverriddenName() const { return Side().overriddenName; }
    // The name the node carries in the scene: the overridden name when the name is overridden, else the
    // referenced name; after prefix and "_" when the prefix is not empty.
    MSTR ComposeNodeName(const MCHAR* prefix) const;

    // ---- the record's operations
    // Moves the record to the freshly merged node (handing the old node's dependents over and deleting
    // it), re-applies the overrides and collects the mirrors again.
    void Update(ReferenceTarget* freshNode) override;
    void FinishUpdate() override;
    // Before the referenced content goes: remembers what the scene did with the node.
    void Collect() override;
    // Re-applies every node-level override to the node, in a fixed order (see the .cpp), then the mirrors'.
    // A failing step is raised as "Error Overriding RefNode" with the step's name; the record lets go of
    // its node first.
    void Override() override;
    // Reads the node's current value of every group without an override, so the next comparison starts
    // from the freshly merged state.
    void StoreDefaults() override;
    // A mirror falls under a reset by the first number of its path (base object, object properties,
    // modifiers, transform).
    bool IsResetTarget(RefAnim* mirror, DWORD resetMask) override;
    // Drops the overrides the mask selects (reference mode only for the node's object category), then the
    // mirrors' by their verdicts.
    void Reset(DWORD resetMask) override;
    void ApplyNamePrefix(const MCHAR* prefix) override;
    bool HasOverrides() const override;
    MSTR GetDescription() override;
    void PrintData(int detail) override;
    // Adds the node to list (a placeholder in its place while a duplicate needs one) unless the list
    // holds it already; the helper calls this for every record, so the list answers that by its index.
    void AddToNodeList(NodeTable& list);
    // The helper's scene scan, before Collect: a light whose include/exclude list names the node, and any
    // other object naming it in a node list at position.
    void OfferCandidateLight(LightObject* light);
    void OfferListingObject(ReferenceTarget* obj, int position);

    // ---- the "RefNode" interface: GetInterface(REFNODE_INTERFACE_ID) answers an object that calls these
    // (InterfaceProperty.h).
    int NumRefAnims() override { return NumMirrors(); }
    ReferenceTarget* GetRefAnim(int index) override;
    MSTR GetName() { return referencedName_; }
    // Renames the record; the node follows (with the helper's prefix) unless its name is overridden.
    void SetName(const MCHAR* name);

    // ---- What the helper's notification handlers pass to the record.
    // The mirrored node was renamed by the user: the name is overridden, without the helper's prefix when
    // it carries it (else the name keeps no prefix from then on).
    void NodeRenamed(const MCHAR* newName);
    // The named selection set at index (its position in the scene's list) holds the node: the record notes
    // it (once per set) and puts the node back into the set after the next re-merge.
    void RecordSelectionSet(int index);

    // ---- stored state, for the override and persistence steps and for tests
    ReferenceTarget* GetStoredMaterial() const { return material_; }
    ReferenceTarget* GetStoredParent() const { return parent_; }
    int NumChildren() const { return static_cast<int>(children_.size()); }
    INode* GetChild(int i) const;
    ReferenceTarget* GetStoredLayer() const { return layer_; }
    int NumExcludingLights() const { return static_cast<int>(Side().excludingLights.size()); }
    LightObject* GetExcludingLight(int i) const;
    int NumListingObjects() const { return static_cast<int>(Side().listingObjects.size()); }
    ReferenceTarget* GetListingObject(int i) const;
    int GetListingPosition(int i) const;
    ReferenceTarget* GetKeptObject() const { return Side().keptObject; }
    DWORD GetObjectType() const { return objectType_; }
    INode* GetReplacedNode() const { return Side().replacedNode; }
    int NumWSModifiers() const { return static_cast<int>(wsMods_.size()); }
    int NumOSModifiers() const { return static_cast<int>(osMods_.size()); }
    const RefModifier* GetWSModifier(int i) const;
    const RefModifier* GetOSModifier(int i) const;
    bool AreModifiersSettled() const { return modifiersSettled_ != 0; }
    bool IsObjectRecheckPending() const { return objectRecheckPending_ != 0; }
    const std::vector<std::int32_t>& GetSelectionSets() const { return Side().selectionSets; }
    // Whether the record keeps a side block (some table or value of it differs from a fresh node's).
    bool HoldsSideBlock() const { return side_ != nullptr; }
    std::uint8_t GetGrouping() const { return grouping_; }
    const WStr& GetUserProps() const { return Side().userProps; }
    std::uint16_t GetDisplayWord() const { return displayWord_; }
    std::uint32_t GetRenderWord() const { return renderWord_; }
    std::uint16_t GetTransformLocks() const { return transformLocks_; }
    Point3 GetOffsetPos() const { return Side().offsetPos; }
    Point3 GetSkinScale() const { return Side().skinScale; }
    float GetRenderFloat(int i) const { return i >= 0 && i < 9 ? renderFloats_[i] : 0.0f; }

    // What loading a saved record does before its references come back: grows the reference tables to
    // the given sizes (modifier entries are made empty, state "from the file"). Never shrinks a table.
    void SizeTablesForLoad(int children, int wsMods, int osMods, int lights, int listing);
    IOResult Save(ISave* isave) override; // plain values and table sizes; the host writes the references
    IOResult Load(ILoad* iload) override; // sizes the tables through SizeTablesForLoad; errors as they come
    // What Save reads, asked for ahead of it in three rounds that a save runs one record apart: the
    // record's own lines, then what they point to (its name, its tables), then its modifier entries. Each
    // round reads only what the round before brought in, so none of them waits for memory.
    void PrefetchSaveRecord() const;
    void PrefetchSaveBuffers() const;
    void PrefetchSaveEntries() const;

    // Sets or clears flag bits; with undoable and the hold holding, a record of the bits goes first.
    void SetOverrideFlag(DWORD mask, bool on, bool undoable);
    // The object category a reset selects by: the base object's super class, or the bone, particle or
    // targeted light/camera type.
    static DWORD ReadObjectType(INode* node);
    // Something outside the referenced content depends on anim: a node without record, another record or
    // a mirror that holds it as a real dependency, anything of a scene node outside the reference that
    // points at the node, or a scene node linked under it. This record, layer records and referenced nodes
    // do not count.
    bool IsLocallyDepended(ReferenceTarget* anim);
    // maker belongs to a scene node that no record mirrors (the first node found above it decides).
    static bool IsOwnedOutsideReference(ReferenceMaker* maker);

    // The record whose modifier override is running, if any: while one runs, the other records of a load
    // still hear their node (the stack tracking sets it).
    static RefNode* GetModifierOverrider();
    static RefNode*& ModifierOverriderSlot();

    // One field per line: name, flags, tables and references, then the record base's dump.
    std::string DumpNode();

protected:
    void SetReference(int i, RefTargetHandle rtarg) override;

private:
    // Where a reference index lands past the record base's part.
    enum class Slot { Base, Material, Parent, Child, Layer, WSMod, OSMod, Light, KeptObject, Listing, None };
    Slot Locate(int i, int& at) const;

    // The scene the node lives in ends (the roster passes the host's broadcast on): the record lets go of
    // the node.
    friend class RefNodeRoster;
    void OnSceneEnds(NotifyInfo* info);
    // The first member, so that it takes the 4 bytes the record base leaves at its end; with
    // objectRecheckPending_ in the gap after transformLocks_, a record is 408 bytes, a heap size class
    // below the 424 it would take otherwise (every loaded node has a record).
    std::int32_t wsModCount_ = 0;
    RefNode* rosterPrev_ = nullptr;
    RefNode* rosterNext_ = nullptr;
    std::uint64_t rosterNumber_ = 0;

    // The report of a failed step: "Error <verb> RefNode" (with "Unknown " for a foreign error), the
    // description, the last step and the host's text. The record lets go of its node first.
    [[noreturn]] void RaiseFailure(const MCHAR* verb, const MAXException* hostError, const StepMarks* marks);

    // The collection's walk stops at a stack (a derived object held by the node shows its modifiers
    // only): the base object below the stack is walked on its own, at the path that reaches it through
    // the stack, and animatables without a mirror get one. Nothing to do without a stack.
    void CollectBaseObjectMirrors();

    // Collect's steps.
    void CollectExcludingLights();
    void CollectListingObjects();
    void CollectObjectDependency(INode* node);
    void RecomputeLocalDependency(INode* node);
    // Whether a node outside the referenced content shows the node's stack (shares its derived object).
    bool IsStackSharedOutside(INode* node) const;
    // Collect's comparison of the groups no message announces (object offset, skin pose, user
    // properties, transform locks): compared while the flag is clear, re-read while it is set.
    void CompareUnannouncedGroups(INode* node);
    // ---- modifier tracking (RefNodeModifiers.cpp)
    // Builds the entries from the node's current stack; entries whose modifier is still on it keep their
    // state, name and context. Reported as "Error Monitoring Modifiers in RefNode".
    void MonitorModifiers();
    // Keeps the context of every locally added modifier, so the modifier can go back on a fresh stack,
    // in a holder where the context holds local data. Reported as "Error Collecting Modifiers in RefNode".
    void CollectModifiers();
    // The stack changed: modifiers from the file that left it are remembered as deleted, new ones become
    // local entries, and the modifier override is set (all undoable).
    void CheckModifiers();
    // The entries hold the modifiers of the current stack again (after a duplicate's node swap).
    void RereferenceSingleModifiers();
    // A toggle or rename of a modifier held by an entry; true when target is one of the entries'.
    bool DetectModifierChange(RefTargetHandle target, RefMessage message);
    // Re-applies toggles, deletions and local modifiers to the freshly merged stack, then rebuilds the
    // entries. Reported as "Error Overriding Modifiers in RefNode".
    void OverrideModifiers();
    // Drops every stack change of the node and of the referenced nodes sharing its stack: the next merge
    // shows the file's stack.
    void ResetModifiers();
    void ResetOwnModifiers();
    // The entries, as the stack reads now, keeping what kept() gives for modifiers already known.
    void ReadStack(RefModifierTable& ws, RefModifierTable& os,
                   const std::function<const RefModifier*(Modifier*)>& known) const;
    // Swaps in new entry tables (owned), moving the modifier references with them; undoable while the
    // hold is holding.
    void ReplaceModifierTables(RefModifierTable ws, RefModifierTable os);
    // The same without undo records; release lets modifiers that nothing else holds go.
    void SwapModifierTables(RefModifierTable ws, RefModifierTable os, bool release);
    // The user put another object in the node: the old stack's mirrors go, a Replaced mirror keeps the
    // user's object, and the stack is no longer tracked (undoable). True when that is what happened.
    bool TakeReplacedObject();
    // Gives the user's object (held by its Replaced mirror) to the freshly merged node.
    void GiveReplacedObjectBack(INode* node);
    // The deleted, renamed and toggled notes of the records of other referenced nodes sharing this node's
    // stack, merged into this record's (undoable); true when any came over.
    bool AdoptInstanceNotes();
    // Local modifiers whose context holds local data go into holders for the time the content is away.
    void HoldLocalModifiers(INode* node);
    // The reference an entry's slot holds: its holder when there is one, else its modifier.
    static ReferenceTarget* EntryTarget(const RefModifier* m);
    // The reference index of an entry of the tables; -1 when it is none of theirs.
    int EntrySlot(const RefModifier* e) const;
    static void SetEntryTarget(RefModifier* m, RefTargetHandle rtarg);
    // A snapshot of the plain data of every table, for undo.
    friend class ModifierTablesRestore;
    // The parent override alone, when the parent's record attached its children again.
    void ReapplyParentOverride();

    // ---- detection of the user's changes to the node (RefNodeDetection.cpp)
    // The handlers behind the gate; true when message was one of theirs.
    bool DetectNodeChange(INode* node, RefTargetHandle target, PartID part, RefMessage message);
    void DetectMaterial(INode* node);
    void DetectParent(INode* node);
    void DetectChild(INode* child);
    void DetectLayer(INode* node);
    void DetectDisplay(INode* node, PartID part);
    void DetectRender(INode* node, bool undoable);
    // After a structure message: the properties the node display interface keeps.
    void DetectInterfaceProps(INode* node);
    void DropChildRef(int k);
    // Sets the flag when it is clear; undoable as detection records it.
    void MarkOverride(DWORD flag, bool undoable = true);
    // A stored value changes: its old value goes on the hold first.
    template <class T> void SetStored(T& field, const T& value, bool undoable = true);
    // The same for a value of the side block, which comes when the value differs from a fresh block's and
    // goes again once the block holds nothing. Undo reaches the value through the record, never through
    // an address in the block.
    template <class T> void SetSideValue(T RefNodeSideTables::*field, const T& value, bool undoable = true);
    template <class T> void HoldSideValue(T RefNodeSideTables::*field);
    template <class T> void PutSideValue(T RefNodeSideTables::*field, const T& value);
    template <class T> friend class RefNodeSideRestore;
    void StoreDisplay(const NodeDisplayWords& w, bool undoable);
    void StoreRender(const NodeRenderWords& w, bool undoable);
    void StoreBone(INode* node, bool undoable);
    void StoreOffset(INode* node, bool undoable);
    void StoreSkinPose(INode* node, bool undoable);
    // The stored parent as it is now: null for the scene root, the parent's record, or the parent node.
    ReferenceTarget* ParentTarget(INode* node) const;

    // ---- re-application (RefNodeOverride.cpp)
    void OverrideParent(INode* node);
    void OverrideLayer(INode* node);
    void OverrideSkinPose(INode* node);
    void OverrideExclLists(INode* node);
    void OverrideListing(INode* node);
    void OverrideSelectionSets(INode* node);
    void OverrideObjectDependents(INode* node);
    void OverrideChildren(INode* node);
    int MaterialRef() const { return 1 + NumMirrors(); }
    int ParentRef() const { return 2 + NumMirrors(); }
    int FirstChildRef() const { return 3 + NumMirrors(); }
    int LayerRef() const { return 3 + NumMirrors() + static_cast<int>(children_.size()); }

    // Update's step for a kept modifier stack: the old stack goes over the fresh base object.
    void MoveStackToFreshBase(INode* oldNode, INode* freshNode);
    void DropNullChildren();
    // Drops entry k of a table of references whose first reference index is first.
    template <class Table> void EraseRefEntry(Table& table, int first, int k);
    int FirstWSModRef() const;
    int FirstLightRef() const;
    int KeptObjectRef() const;
    int FirstListingRef() const;
    bool PersistsReference() const;
    // The chunks Save writes, in order, and Load reads.
    static std::span<const ChunkField<RefNode>> Fields();
    template <int Table> static IOResult LoadTableSize(ILoad* iload, RefNode& n);
    IOResult SaveModifierEntries(ISave* isave, const SlimVector<RefModifier*>& table, USHORT countId,
                                 USHORT entryId, USHORT emptyId) const;

    // A record whose node came back with the file (a reference kept in the scene) takes the node's
    // current values as the defaults its detection compares with once every reference is restored: the
    // file holds only the groups with an override.
    struct DefaultsAfterLoad : PostLoadCallback {
        RefNode* record = nullptr;
        void proc(ILoad*) override {
            record->StoreDefaults();
            record->RereadModifierToggles();
        }
    };
    DefaultsAfterLoad defaultsAfterLoad_;
    // A loaded record's entries take their modifiers' switches, which the file does not hold, as the
    // starting point for detecting toggles.
    void RereadModifierToggles();

    // Stored values, roughly in the order the chunk table writes them; objectType_ and grouping_ sit where
    // they fill alignment gaps (every loaded node has a record: 16 bytes each).
    WStr referencedName_;
    std::int32_t nodeLoaded_ = 1;
    std::int32_t wasLoaded_ = 0;
    std::uint32_t overrideFlags_ = 0;
    DWORD objectType_ = 0;
    // While REFNODE_OVERRIDE_MATERIAL is clear this is a plain remembered pointer, not a reference: set the
    // flag only after clearing it, then reference the material through its slot.
    ReferenceTarget* material_ = nullptr;
    ReferenceTarget* parent_ = nullptr;
    // One pointer each: most nodes have no children and no world-space modifiers.
    SlimVector<INode*> children_;
    ReferenceTarget* layer_ = nullptr;
    std::uint32_t wireColor_ = 0;
    std::uint16_t displayWord_ = 0;
    std::uint8_t displayBytes_[2] = {0, 0};
    std::uint32_t renderWord_ = 0;
    std::int32_t renderValues_[5] = {0, 0, 0, 0, 0};
    float renderFloats_[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
    std::uint8_t boneByte_ = 0;
    std::uint8_t boneBytes_[2] = {0, 0};
    std::uint8_t grouping_ = 0;
    std::uint16_t transformLocks_ = 0;
    std::int32_t objectRecheckPending_ = 0;
    // The tables and values most records leave at their start; null while none of them holds anything.
    // Side() answers a fresh block then; EditSide() makes the block, TrimSide() drops it once it holds
    // nothing again (no reference into the block may be kept across a call that trims).
    std::unique_ptr<RefNodeSideTables> side_;
    const RefNodeSideTables& Side() const;
    RefNodeSideTables& EditSide();
    void TrimSide();
    // The lights and list-holding objects offered for this collection are forgotten.
    void DropOffers();
    SlimVector<RefModifier*> osMods_;
    SlimVector<RefModifier*> wsMods_;
    std::int32_t osModCount_ = 0;
    std::int32_t modifiersSettled_ = 1;
};
