// The mirror base: stands for one animatable of the referenced content below an owner record, by path.
#pragma once

#include "host/core/ChunkIO.h"
#include "host/core/ReferenceTarget.h"
#include "host/core/WStr.h"
#include "plugin/anims/IRefAnimOwner.h"
#include "plugin/anims/MirrorKinds.h"
#include "plugin/anims/MirrorPath.h"
#include "plugin/anims/PathName.h"
#include "plugin/anims/RefAnimInterface.h"
#include "plugin/frame/StringTable.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class IDerivedObject;
class INode;
class ModContext;

// Every mirror class has this super class; its class id is (kind id, 0).
constexpr SClass_ID REFANIM_SUPER_CLASS_ID = 0x8663dfa8;

// Overridden state bits.
constexpr BYTE REFANIM_REPLACED = 0x01;
constexpr BYTE REFANIM_MODIFIED = 0x02;
constexpr BYTE REFANIM_LOCDEP = 0x04;
constexpr BYTE REFANIM_ADDED = 0x08;
constexpr BYTE REFANIM_REMOVED = 0x10;
constexpr BYTE REFANIM_RENAMED = 0x20;
constexpr BYTE REFANIM_TOGGLED = 0x40;

// What a mirror sends its animatable's new dependents after a transfer, and the part mask it uses.
constexpr PartID REFANIM_TRANSFER_PARTS = 0x800037FF;
// Part masks of selection and display changes, and the mask the host uses for "everything, nothing
// changed": neither is a change of the user's.
constexpr PartID REFANIM_IGNORABLE_PARTS = 0x70;
constexpr PartID REFANIM_ALL_BUT_CHANGE_PARTS = 0x80003FFF;

// The outcome of resolving a path below a root: the animatable found (null for an empty slot), its
// parent, its child number there, the tab index in force at the last step, and the numbers the path
// has now.
struct PathResolution {
    Animatable* anim = nullptr;
    Animatable* parent = nullptr;
    int childNumber = -1;
    int tabIndex = -1;
    std::vector<std::int32_t> newNumbers;
};

// Reset verdicts of Evaluate.
enum RefAnimVerdict : int { kVerdictKeep = 0, kVerdictDelete = 1, kVerdictRenew = 2 };

class RefAnim : public ReferenceTarget {
public:
    explicit RefAnim(BOOL loading = FALSE);
    ~RefAnim() override;

    // The plain mirror's class; the identity and name its descriptor is registered with.
    static constexpr Class_ID kClassID{KIND_PLAIN, 0};
    static constexpr int kNameId = IDS_REFANIM;

    Class_ID ClassID() override { return kClassID; }
    SClass_ID SuperClassID() override { return REFANIM_SUPER_CLASS_ID; }
    void GetClassName(MSTR& s, bool localized = true) const override;
    void DeleteThis() override { delete this; }

    // ---- identity
    // The kind this mirror reports: the first part of its class id, unless a kind says otherwise.
    virtual ULONG GetKindID() const { return KIND_PLAIN; }
    // The class name from the string table.
    virtual const MCHAR* GetKindName() const;
    // The plain mirror: it only follows its animatable and keeps nothing of its own.
    virtual bool IsPassive() const { return GetKindID() == KIND_PLAIN; }

    // ---- references: 0 is the mirrored animatable; a kind may add its own after it
    int NumRefs() override { return 1; }
    RefTargetHandle GetReference(int i) override { return i == 0 ? anim_ : nullptr; }
    // A mirror keeps its animatable alive only while it carries a change of the user's.
    BOOL IsRealDependency(ReferenceTarget* rtarg) override;
    // Reference 0 moves only during a load, and then only when the mirror does not hold the user's own
    // animatable (unless local dependents are being handed over).
    BOOL CanTransferReference(int i) override;
    // The change monitor; always stops propagation.
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    using ReferenceTarget::GetInterface;
    BaseInterface* GetInterface(Interface_ID id) override;

    RefTargetHandle Clone(RemapDir& remap) override;
    // Copies the path, the path by number and the overridden state, and the animatable (remapped) when
    // the source holds it as a real dependency; then records the mapping.
    void BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) override;

    // ---- the mirrored animatable
    // Hands local dependents over (OverrideLocDep), then references the new animatable.
    virtual RefResult SetAnim(ReferenceTarget* anim);
    ReferenceTarget* GetAnim() const { return anim_; }

    // ---- path
    // The names as strings (a copy); GetPathNames is the stored form.
    std::vector<WStr> GetPath() const { return ToStrings(path_.Names()); }
    const PathNames& GetPathNames() const { return path_.Names(); }
    void SetPath(const std::vector<WStr>& names) { path_.AssignNames(ToPathNames(names)); }
    void SetPathNames(const PathNames& names) { path_.AssignNames(names); }
    const std::vector<std::int32_t>& GetPathByNumber() const { return path_.Numbers(); }
    // With recordUndo, the old numbers are held first (HoldPathByNumber).
    void SetPathByNumber(const std::vector<std::int32_t>& numbers, bool recordUndo = false);
    void HoldPathByNumber();
    // Both paths at once (a new mirror's), holding the old numbers first with recordUndo.
    void SetPaths(const PathNames& names, const std::vector<std::int32_t>& numbers, bool recordUndo);

    // ---- overridden state
    BYTE GetOverriddenState() const { return state_; }
    void SetOverriddenState(BYTE state) { state_ = state; }
    // Sets or clears bit; with undoable and the hold holding, puts a record of the bit first.
    BYTE SetOverriddenFlag(BYTE bit, bool on, bool undoable);
    bool IsOverridden(BYTE bit) const { return (state_ & bit) != 0; }
    virtual bool IsModified() const { return (state_ & REFANIM_MODIFIED) != 0; }
    virtual bool IsUntouched() const { return !IsModified() && !IsOverridden(REFANIM_REPLACED); }
    // Whether a message is the user changing the mirrored animatable itself: a plain change of it, while
    // no operation of the plug-in runs, to a mirror that was not replaced. The kinds that record a
    // structure of their own (operands, channels, settings) compare it on such messages only.
    bool IsUserChangeOfAnim(RefTargetHandle hTarget, RefMessage message) const;

    virtual bool GetKindFlag() const { return kindFlag_ != 0; }
    void SetKindFlag(bool on) { kindFlag_ = on ? 1 : 0; }
    int GetLastOperation() const { return lastOperation_; }
    void SetLastOperation(int stringId) { lastOperation_ = static_cast<std::int16_t>(stringId); }
    int GetMark() const { return mark_; }
    void SetMark(int mark) { mark_ = mark; }

    // ---- owner
    // The record that references this mirror: the first dependent that answers I_REFANIM_OWNER. A scene
    // has over a million mirrors, so none keeps a pointer to its owner. From SetOwner until the owner
    // references the mirror (its SetReference calls OwnerAttached), the owner given stands in: a mirror
    // being made asks its owner for the helper before the owner holds it. Never saved.
    IRefAnimOwner* GetOwner() const;
    void SetOwner(IRefAnimOwner* owner);
    void OwnerAttached();
    // The owner's helper stamp; 0 without owner or helper.
    DWORD GetHelperStamp() const;
    // Asks the helper to let this mirror finish its override once every record is bound.
    void RegisterWithHelper();
    // The helper no longer deletes merged nodes of this name again (undoable); nothing without helper.
    void ForgetNameInHelper(const WStr& name);

    // ---- path resolution (never raises)
    bool GetAnimByPath(Animatable* root, PathResolution& out);
    bool ResolvePath(Animatable* root, const PathNames& names, const std::vector<std::int32_t>& numbers,
                     PathResolution& out);
    bool ResolvePath(Animatable* root, const std::vector<WStr>& names, const std::vector<std::int32_t>& numbers,
                     PathResolution& out);
    // Whether another mirror of the same owner already stands for anim at exactly these numbers.
    bool HasTwinOnPath(Animatable* anim, const std::vector<std::int32_t>& numbers) const;

    // ---- the operations the owner runs
    // Notes what the scene did with the animatable since the last collection (LocDep among others).
    // stamp is the owner's helper stamp: the owner asks it once for all its mirrors, each of which would
    // otherwise look its owner up among its dependents.
    virtual void CollectLocDep(DWORD stamp);
    virtual void ReleaseHeldRefs() {}
    // Finds the fresh animatable below root and puts the user's change back in its place.
    virtual void Override(Animatable* root);
    // Follows the fresh animatable a resolution found (handing local dependents over first) and takes the
    // numbers that led to it: what an override does for a mirror without a change of the user's.
    void FollowFresh(const PathResolution& r);
    // An override's first steps for a kind that puts values of its own back: a replaced mirror takes the
    // general way, one still on the animatable below root only takes its numbers, any other follows the
    // fresh animatable. True when it followed one: r then holds it for the kind's values.
    bool FollowToFresh(Animatable* root, PathResolution& r);
    virtual void OverrideLocDep(ReferenceTarget* newAnim);
    virtual void FinishOverride() {}
    virtual int Evaluate(DWORD resetMask);
    virtual void OverrideModifier(Animatable* root, IDerivedObject* derived, ModContext* mc);
    // The context of the mirrored modifier in its derived object below root; null when it is not there.
    virtual ModContext* GetModContext(Animatable* root);
    // A new derived object over a placeholder object holding the mirrored modifier; null without
    // animatable. usedContext (optional) receives the context given to the modifier.
    virtual IDerivedObject* CreateModifierHolder(Animatable* root, ModContext** usedContext = nullptr);
    virtual void EscalateToParent(Animatable* root);
    void MarkTwinsModified();
    virtual void MarkModified();
    virtual bool CanReplaceWith(Animatable* found, Animatable* parent);
    // Whether the record's walk goes on below child `index` of the mirrored animatable (index counts the
    // children after the custom attribute container, from 0). A kind that keeps some of its children to
    // itself answers false for them; the walk then remembers the child without mirroring below it.
    virtual bool DescendsIntoChild(int /*index*/) const { return true; }
    virtual bool IsIgnorablePart(PartID partMask) const;

    // ---- local dependency: answered once per pass of the helper's stamp (LocDepPass)
    bool IsLocDep(Animatable* anim);

    // ---- moving dependents from one animatable to another. A mirror moves its animatables' dependents
    // through Transfer and TransferAll, which a kind may replace; records move a node's dependents through
    // the static ones.
    virtual void Transfer(ReferenceTarget* oldAnim, ReferenceTarget* newAnim) { TransferExcept(oldAnim, newAnim, nullptr); }
    virtual void TransferAll(ReferenceTarget* oldAnim, ReferenceTarget* newAnim) { MoveAllDependents(oldAnim, newAnim); }
    static void TransferExcept(ReferenceTarget* oldAnim, ReferenceTarget* newAnim, ReferenceMaker* kept);
    static void MoveAllDependents(ReferenceTarget* oldAnim, ReferenceTarget* newAnim);
    // Every dependent of oldAnim that keeps does not answer true for lets go of it for newAnim.
    static void MoveDependentsBut(ReferenceTarget* oldAnim, ReferenceTarget* newAnim,
                                  const std::function<bool(ReferenceMaker*)>& keeps);
    static void TransferSubAnims(ReferenceTarget* oldAnim, ReferenceTarget* newAnim);
    static void TransferMatchingSubs(ReferenceTarget* oldAnim, ReferenceTarget* newAnim);
    void ReplaceInParent(ReferenceMaker* parent, ReferenceTarget* newAnim, int refIndex);
    void TransferWithCustAttribs(ReferenceTarget* fresh, ReferenceTarget* mirrored);

    // ---- persistence
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;
    // Chunks of a kind that the base does not know; the base skips them.
    virtual IOResult LoadKindChunk(ILoad* /*iload*/) { return IO_OK; }
    // The wrapped pattern: the base chunks inside one container chunk, for kinds that follow with their
    // own chunk ids.
    IOResult SaveWrappedBase(ISave* isave);
    IOResult LoadWrappedBase(ILoad* iload);

    // ---- dump
    // Kind, animatable, where the path leads now, path, numbers, state and last operation; kinds add what
    // they keep of their own.
    virtual MSTR Describe();
    // A line feed and Describe to the listener.
    void PrintInfo();

    // ---- the "RefAnim" interface: GetInterface(REFANIM_INTERFACE_ID) answers an object that calls these.
    // Few mirrors are ever asked for it, so that object is made on first request and kept as one of the
    // mirror's properties (it goes with the mirror) instead of every mirror being an interface itself.
    int GetPathSize() { return static_cast<int>(path_.Names().size()); }
    void SetPathSize(int size);
    MSTR GetPathItem(int index);
    void SetPathItem(int index, const MCHAR* name);
    int GetPathByNumberItem(int index);
    void SetPathByNumberItem(int index, int number);

    // Chunk ids of the base save, in writing order, and of the wrapped pattern.
    static constexpr USHORT kPathCountChunk = 0x23;
    static constexpr USHORT kPathNameChunk = 0x24;
    static constexpr USHORT kNumberCountChunk = 0x25;
    static constexpr USHORT kNumberChunk = 0x26;
    static constexpr USHORT kStateChunk = 0x27;
    static constexpr USHORT kKindFlagChunk = 0x28;
    static constexpr USHORT kWrappedBaseChunk = 0x29;

protected:
    // What a mirror's destructor does with its references. A mirror that went through the host's deletion
    // (a dropped record's mirrors all do) let go of every reference to and from it there already, and no
    // target takes a deleted dependent: asking the host again, once per class of the mirror, would only
    // walk empty tables. One that referenced something since still lets go of it here.
    void DropRefsUnlessDeleted() {
        if (!TestAFlag(A_IS_DELETED) || NumLiveRefs() != 0) DeleteAllRefs();
    }
    // Stores the animatable, nothing more.
    void SetReference(int i, RefTargetHandle rtarg) override {
        if (i == 0) anim_ = rtarg;
    }

private:
    // The branches of Override after the fresh animatable was found and this mirror carries a change.
    bool OverrideInParamBlock(const PathResolution& r, bool replaced);
    bool OverrideInParamBlock2(const PathResolution& r, bool replaced);
    bool OverrideInParent(const PathResolution& r, bool replaced);
    bool OverrideFallback(const PathResolution& r);
    // The question of IsLocDep inside the pass of stamp: the asking mirror's stamp holds for the whole
    // walk, so it is looked up (through the owner record) once per question, not once per step.
    bool IsLocDepIn(DWORD stamp, Animatable* anim);
    bool IsLocDepWalk(DWORD stamp, Animatable* anim);

    ReferenceTarget* anim_ = nullptr;
    // Shared with every mirror of the scene that has the same paths.
    MirrorPath path_;
    // Packed: a scene has over a million mirrors. Operations are string ids, all below 32768.
    BYTE state_ = 0;
    std::uint8_t kindFlag_ : 1 = 0;
    // SetOwner's owner stands in until the owner references the mirror (RefAnim.cpp keeps it).
    std::uint8_t ownerPending_ : 1 = 0;
    std::int16_t lastOperation_ = -1;
    std::int32_t mark_ = 0;
};

// The words of the overridden state as dumps print them: "Replaced, Modified, ".
std::string OverriddenStateText(BYTE state);
// A node of referenced content: a record holds it as its item.
bool IsMirroredNode(INode* node);
// The host's two target checks on an animatable a mirror is about to follow: a live reference target.
bool PassesTargetChecks(Animatable* anim);
// An animatable as the dumps name it: its class name, and its own name where it has one
// ("Box (Box01)"); "NULL" for none.
MSTR DescribeAnimatable(Animatable* anim);
