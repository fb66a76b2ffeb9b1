// The record base: mirrors one merged item (a node or a material) and owns the mirrors below it.
#pragma once

#include "host/core/AnimProperty.h"
#include "host/core/ChunkFields.h"
#include "host/core/ReferenceTarget.h"
#include "host/core/WStr.h"
#include "plugin/anims/IRefAnimOwner.h"
#include "plugin/anims/PathName.h"
#include "plugin/records/IRecordHelper.h"
#include "plugin/records/MirrorTable.h"
#include "plugin/records/RefBaseInterface.h"
#include "plugin/records/RefSubAnim.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class MAXException;
class RefAnim;
struct NotifyInfo;

// Every record class has this super class, which is also the first part of its class id and the id of the
// animatable property a record hangs on its item with.
constexpr SClass_ID REFBASE_SUPER_CLASS_ID = REFANIM_OWNER_SUPER_CLASS_ID;
constexpr Class_ID REFBASE_CLASS_ID(0x8663dfa6, 0x3f273883);

// A mirror asks its owner for the owner's item: the part argument points at a ReferenceTarget* to fill.
constexpr RefMessage REFMSG_OSTRIVANS_GET_OWNER_ITEM = 0x8663dfa8;
// Structure-change part values with a meaning of their own: the first is ignored, the second is kept for
// the next Collect.
constexpr PartID REFBASE_PART_IGNORED = 0x20000000;
constexpr PartID REFBASE_PART_DEFERRED = 214;

// Paths never hold more entries than this.
constexpr int REFBASE_MAX_PATH_DEPTH = 100;

// Reference 0 is the item (null while the referenced content is unloaded); references 1 to N are the
// mirrors, in creation order. Kinds append their own references after these.
class RefBase : public ReferenceTarget, public IRefAnimOwner {
public:
    explicit RefBase(BOOL loading = FALSE);
    // Leaves the end-of-operation notification and the item's property list, then drops every reference.
    ~RefBase() override;

    Class_ID ClassID() override { return REFBASE_CLASS_ID; }
    SClass_ID SuperClassID() override { return REFBASE_SUPER_CLASS_ID; }
    void GetClassName(MSTR& s, bool localized = true) const override;
    void DeleteThis() override { delete this; }

    // ---- the property on the item
    // The record hanging on item; null when it has none.
    static RefBase* FromItem(Animatable* item);

    // ---- references
    int NumRefs() override { return 1 + NumMirrors(); }
    RefTargetHandle GetReference(int i) override;
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    // While the helper unloads, saves or duplicates (and does not persist the reference), only the
    // mirrors that carry a change keep a real dependency; the item never does then.
    BOOL IsRealDependency(ReferenceTarget* rtarg) override;
    // A RefBase without helper or item holding clones of the mirrors that carry changes.
    RefTargetHandle Clone(RemapDir& remap) override;
    void BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) override;
    // The version stamp and the mirror count; the host writes and restores the references themselves.
    IOResult Save(ISave* isave) override;
    // Reads the stamp and sizes the mirror table with empty entries for the host to fill; later chunks are
    // skipped. A read error empties the mirror table and is returned as it is.
    IOResult Load(ILoad* iload) override;
    using ReferenceTarget::GetInterface;
    BaseInterface* GetInterface(Interface_ID id) override;
    // I_REFANIM_OWNER answers this record as the owner of its mirrors.
    void* GetInterface(ULONG id) override;

    // ---- the record's operations, in slot order
    // Whether mirror falls under a reset mask; every mirror does here.
    virtual bool IsResetTarget(RefAnim* mirror, DWORD resetMask);
    // Pending structure change first, then every mirror's local-dependency state, then a structure
    // change that arrived meanwhile. A mirror's failure is raised as "Error Collecting RefAnim ...".
    virtual void Collect();
    // A pass over many records asks for what the next records' collections read, a record or two
    // ahead: their mirrors first, then (once those have come in) the animatables the mirrors stand for.
    void PrefetchMirrors() const;
    void PrefetchAnims() const;
    virtual void StoreDefaults() {}
    // Every mirror puts the user's change back below the root animatable. A mirror's failure is raised as
    // "Error Overriding RefAnim ...".
    virtual void Override();
    // Moves to the freshly merged item, re-applies the overrides and collects the mirrors again.
    virtual void Update(ReferenceTarget* newItem);
    virtual void CollectIfLoaded();
    virtual void FinishUpdate() {}
    // Drops the overrides of the mirrors under the mask by their verdicts (see Evaluate).
    virtual void Reset(DWORD resetMask);
    virtual void ApplyNamePrefix(const MCHAR* /*prefix*/) {}
    // The helper node's name when the helper uses a name prefix; empty otherwise or without helper.
    virtual MSTR GetNamePrefix();
    // The owning helper came in with another reference's content; false without helper.
    bool IsHelperNested() const { return helper_ && helper_->IsNested(); }
    ReferenceTarget* GetItem() const override { return item_; }
    // The owning helper: a plain back-pointer, set by the helper when it takes the record.
    IRecordHelper* GetHelper() const { return helper_; }
    // Some mirror carries a change of the user's. Records without one are weak references of the helper
    // while it unloads, saves or duplicates.
    virtual bool HasOverrides() const;
    // The animatable the mirrors' paths start from: the item (a material record answers itself).
    Animatable* GetRootAnim() override;
    // The listener dump: "RefAnims: N", or with detail 1 every mirror's own dump.
    virtual void PrintData(int detail);
    virtual MSTR GetDescription();
    // Mode 0 drops the empty entries and the mirrors without a change, from the last to the first.
    virtual void Clean(int mode);
    // The class name from the string table.
    virtual const MCHAR* GetRecordName() const;

    void SetHelper(IRecordHelper* helper) { helper_ = helper; }

    // ---- what the mirrors pass on to the helper; nothing (0) without helper
    DWORD GetHelperStamp() const override;
    bool KeepsItemThroughSave() const override;
    void RegisterChangedMirror(RefAnim* mirror) override;
    INode* GetHelperNode() const override;
    void ForgetNodeToDelete(const WStr& name) override;

    // ---- the mirror table
    int NumMirrors() const { return static_cast<int>(mirrors_.size()); }
    // Null out of range, and for an empty entry.
    RefAnim* GetMirror(int i) const;
    // Appends an empty mirror slot (reference NumRefs() before the call) and returns its reference index;
    // the caller then sets it through ReplaceReference. A load sizes the table this way.
    int AppendMirrorSlot();
    // Appends a mirror to the table as a new reference; its table index.
    int AppendMirror(RefAnim* mirror);

    // ---- mirror collection
    // Walks every animatable below the root, mirroring those the kind rule picks (at most 100 steps
    // deep), and remembers the tree it walked.
    void CollectMirrors();
    // The next record's table is made with room for as many mirrors as this one holds now; a kind that
    // mirrors more after the walk tells it again once it is done, and its table keeps no room unused.
    void NoteMirrorCount();
    // A new mirror of kind for anim at the given path, owned by this record but outside its table:
    // state, path, numbers (with undo), kind flag, then the animatable. Null when the kind creates nothing
    // or refuses the animatable (the kind it reports changes when the animatable is bound). A host error
    // while binding the animatable is raised again as a MAXException naming the step, the mirror and the
    // host's text.
    RefAnim* CreateRefAnimAt(DWORD kind, ReferenceTarget* anim, const PathNames& names, const std::vector<std::int32_t>& numbers,
                             BYTE initialState);
    // A mirror found that anim now stands at the given path in place of what it mirrored: the mirrors at
    // that place and below it go (asking is kept), and anim gets a Modified mirror of the modifier kind or
    // the plain kind. Null when anim is none or not a target.
    RefAnim* MirrorOnDemandAt(RefAnim* asking, Animatable* anim, PathNames names,
                              std::vector<std::int32_t> numbers) override;
    // The same with a Replaced mirror (of the plain kind for anything but a modifier), after which the
    // record remembers its structure again. A cleared slot (target null) gets a Replaced mirror without
    // animatable, which clears the fresh slot at every merge.
    RefAnim* MirrorReplacedAt(RefAnim* asking, Animatable* target, PathNames names,
                              std::vector<std::int32_t> numbers) override;
    // Mirrors anim and what lies below it as the collection would, anim standing at the given paths as a
    // child of parent, where the collection's own walk does not reach; animatables mirrored there already
    // keep their mirrors. The remembered tree is not touched.
    void CollectMirrorsBelow(Animatable* anim, Animatable* parent, const PathNames& names,
                             const std::vector<std::int32_t>& numbers);
    // Drops the record's reference to every mirror other than `mirror` whose path and path by number both
    // begin with mirror's (equal length included), walking the table from the last entry to the first.
    void DeleteMirrorsBelow(RefAnim* mirror) override;
    // The same for a place given by its paths.
    void DeleteMirrorsAt(const PathNames& names, const std::vector<std::int32_t>& numbers,
                         const RefAnim* keep = nullptr);
    // The first mirror of this record that references anim at exactly these numbers.
    RefAnim* FindMirror(Animatable* anim, const std::vector<std::int32_t>& numbers) const;

    // ---- structure tracking
    // Takes the tree of sub-animatables again, creating no mirror.
    void RememberStructure();
    // Compares the remembered tree with the live one and fixes the mirrors (renumbers them past an
    // inserted or removed child, mirrors new children), then remembers the live tree.
    void UpdateStructure();
    const RefSubAnim* GetStructure() const { return structure_.Empty() ? nullptr : &structure_.Root(); }
    bool IsBusy() const { return busy_ != 0; }
    bool IsWaiting() const { return waiting_ != 0; }
    bool IsStructureChanged() const { return structureChanged_ != 0; }

    // ---- reset marks
    // Mirrors made by the reset in progress carry the current mark and are not reset again by it.
    static int GetCurrentMark();
    // A new current mark, for a new reset pass.
    static int NextMark();

    // ---- the "RefBase" interface: GetInterface(REFBASE_INTERFACE_ID) answers an object that calls these
    // (InterfaceProperty.h).
    virtual int NumRefAnims() { return NumMirrors(); }
    virtual ReferenceTarget* GetRefAnim(int index);

    // ---- dumps
    // "RefNode item Box01 mirrors 2: RefAnimPblock, null".
    std::string Describe();
    // Describe, the flags, then one line per mirror (kind, path, numbers, state) and the remembered tree.
    std::string Dump();

protected:
    void SetReference(int i, RefTargetHandle rtarg) override;
    // Chunk pieces every record kind writes and reads in its own chunk order, as entries of the kinds'
    // field tables.
    static constexpr USHORT kStampChunk = 0x0000;
    static constexpr USHORT kMirrorCountChunk = 0x0022;
    static constexpr float kVersionStamp = 10701.0f;
    // The version stamp: written, read and not otherwise used.
    template <class C> static constexpr ChunkField<C> StampField() {
        return {kStampChunk, [](ISave* s, USHORT id, const C&) { return WriteValueChunk(s, id, kVersionStamp); },
                [](ILoad* l, C&) {
                    float stamp = 0;
                    return ReadValues(l, stamp);
                }};
    }
    // The size of the mirror table. Loading grows the table to the count with empty entries; a count above
    // Limit is an error, and so is, without a Limit, one the rest of the stream cannot hold (each mirror
    // is a reference written after it).
    template <class C, std::uint32_t Limit = 0> static constexpr ChunkField<C> MirrorCountField() {
        return {kMirrorCountChunk,
                [](ISave* s, USHORT id, const C& o) {
                    return WriteValueChunk(s, id, static_cast<std::uint32_t>(o.NumMirrors()));
                },
                [](ILoad* l, C& o) { return static_cast<RefBase&>(o).LoadMirrorCount(l, Limit); }};
    }
    IOResult LoadMirrorCount(ILoad* iload, std::uint32_t limit);
    // The base's own table: the two chunks above.
    static std::span<const ChunkField<RefBase>> Fields();
    // Marks the record busy for a scope and puts back what it found, also when the scope is left by an
    // exception: the record's own steps and the kinds' updates ignore the messages their work causes.
    class BusyScope {
    public:
        explicit BusyScope(RefBase* record) : flag_(record->busy_), was_(flag_) { flag_ = 1; }
        ~BusyScope() { flag_ = was_; }
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        std::int32_t& flag_;
        std::int32_t was_;
    };

private:
    // A single mirror of the plain or modifier kind at the given place, in the given state, after the
    // mirrors there went.
    RefAnim* MirrorSingleAt(RefAnim* asking, Animatable* anim, PathNames names, std::vector<std::int32_t> numbers,
                            BYTE initialState);
    // One step of the walk below the root: see CollectMirrors. With createMirrors false only the tree is
    // taken; initialState is the state of the mirrors it makes.
    // A record without mirrors when the walk begins has none to find on the way: the paths of one walk
    // never repeat, so the mirrors it makes itself are never asked for again.
    struct Walk {
        bool createMirrors;
        BYTE initialState;
        bool mayHaveMirrors = true;
    };
    // The walk's path: every number, but names only as far as someone asked for them. Most steps of a
    // walk never need their name, and a name costs a string; a step keeps what names it again later.
    class WalkPath {
    public:
        WalkPath(PathNames& names, std::vector<std::int32_t>& numbers);
        ~WalkPath();
        WalkPath(const WalkPath&) = delete;
        WalkPath& operator=(const WalkPath&) = delete;
        const std::vector<std::int32_t>& Numbers() const { return numbers_; }
        int Depth() const { return static_cast<int>(numbers_.size()); }
        // The names of every step, worked out now for the steps that have none yet.
        const PathNames& Names();
        // Child i of parent (reached from grandparent, tab as for GetChild); name when the caller has it.
        void Push(int i, Animatable* parent, Animatable* grandparent, int tab, const MSTR* name);
        void Pop();

    private:
        struct Step {
            Animatable* parent;
            Animatable* grandparent;
            int tab;
        };
        PathNames& names_;
        std::vector<std::int32_t>& numbers_;
        std::vector<Step> steps_;
    };
    // Visits anim, child `slot` of tree entry `parentEntry`.
    void Visit(const Walk& walk, Animatable* anim, Animatable* parent, RefSubAnimWalk& tree,
               RefSubAnimWalk::Index parentEntry, int slot, WalkPath& path, int tabIndex);
    // Visits the children of entry `here` (standing for anim) as far as the walk takes them; mirror is
    // anim's mirror in this record, if any, which may keep some children from the walk.
    void VisitChildren(const Walk& walk, Animatable* anim, Animatable* parent, RefSubAnimWalk& tree,
                       RefSubAnimWalk::Index here, int count, WalkPath& path, int tabIndex, bool recordNames,
                       const RefAnim* mirror = nullptr);
    void WalkRoot(const Walk& walk);
    // How many children the walk visits below anim for the kind the rule gave it.
    static int WalkChildCount(Animatable* anim, Animatable* parent, int tabIndex, DWORD kind);
    void CompareEntry(const RefSubAnim& entry, Animatable* anim, Animatable* parent, PathNames& names,
                      std::vector<std::int32_t>& numbers, int tabIndex);
    void RenumberThrough(const std::vector<std::int32_t>& numbers, int from, int delta);
    // A child the remembered tree did not have: mirrored as Replaced (a new custom attribute as Added).
    void MirrorNewChild(Animatable* container, Animatable* child, PathNames& names,
                        std::vector<std::int32_t>& numbers, int tabIndex);
    // Applies a reset verdict to the mirror at table index i of owner.
    void ApplyVerdict(RefBase* owner, int i, RefAnim* mirror, int verdict);
    // "Error <verb> RefAnim" (with "Unknown " for a foreign error), the mirror and the host's text.
    static MSTR ComposeMirrorError(const MCHAR* what, RefAnim* mirror, const MAXException* hostError);
    void AttachToItem(ReferenceTarget* item);
    void DetachFromItem(ReferenceTarget* item);
    void WaitForOperationEnd();
    void StopWaiting();
    static void OnOperationEnd(void* param, NotifyInfo* info);

    IRecordHelper* helper_ = nullptr;
    ReferenceTarget* item_ = nullptr;
    MirrorTable mirrors_;
    RefSubAnimTree structure_;
    std::int32_t busy_ = 0;
    std::int32_t waiting_ = 0;
    std::int32_t structureChanged_ = 0;
};
