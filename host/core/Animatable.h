// The root of the host's object model: class identity, sub-animatables, flags, properties and handles.
#pragma once

#include "host/core/AnimProperty.h"
#include "host/core/MaxTypes.h"
#include "host/core/WStr.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class AnimAppData;
class AssetEnumCallback;
struct AppDataChunk;
class BaseInterface;
class FPInterface;
class IParamBlock;
class IParamBlock2;
class ICustAttribContainer;
class ClassDesc;
class ReferenceTarget;

// Unique for the life of the process: a handle is never given to a second animatable.
using AnimHandle = std::uint64_t;
using BlockID = short;

// Animatable flags (SetAFlag, ClearAFlag, TestAFlag).
constexpr DWORD A_EVALUATING = 0x00000001;
constexpr DWORD A_NOTIFYDEP = 0x00000002;
constexpr DWORD A_CHILD_TREE_OPEN = 0x00000004;
constexpr DWORD A_SUBANIM_TREE_OPEN = 0x00000008;
constexpr DWORD A_OBJECT_REDUCED = 0x00000010;
// Scratch bits for algorithms that mark what they visited; clear them when done.
constexpr DWORD A_WORK1 = 0x00010000;
constexpr DWORD A_WORK2 = 0x00020000;
constexpr DWORD A_WORK3 = 0x00040000;
constexpr DWORD A_WORK4 = 0x00080000;
// Reserved for plug-ins.
constexpr DWORD A_PLUGIN1 = 0x00100000;
constexpr DWORD A_PLUGIN2 = 0x00200000;
constexpr DWORD A_PLUGIN3 = 0x00400000;
constexpr DWORD A_PLUGIN4 = 0x00800000;
// The maker does not receive reference messages (DisableRefMsgs).
constexpr DWORD A_REFMSGS_DISABLED = 0x02000000;
// Set while a target is being deleted by auto-delete (MaybeAutoDelete).
constexpr DWORD A_BEING_AUTO_DELETED = 0x04000000;
// A locked target is never auto-deleted, even with no real dependents left.
constexpr DWORD A_LOCK_TARGET = 0x08000000;
// The target was deleted while the undo system was holding: it is detached from the graph and kept
// in memory by the undo step, which frees it when the step leaves the undo buffer.
constexpr DWORD A_IS_DELETED = 0x10000000;
// Host walks mark what they pass through and clear the marks before they return: a target on the path of a
// message being delivered, a target met by the reference loop test, a node listed twice for deletion.
constexpr DWORD A_ON_NOTIFY_PATH = 0x20000000;
constexpr DWORD A_LOOP_VISITED = 0x40000000;

class Animatable {
public:
    Animatable() = default;
    Animatable(const Animatable&) = delete;
    Animatable& operator=(const Animatable&) = delete;
    virtual ~Animatable();

    // Every host object lives in the host's slab pool rather than in a heap block of its own: a scene holds
    // millions of objects of a few dozen sizes, made and freed together by merges and deletions.
    static void* operator new(std::size_t size);
    static void operator delete(void* p, std::size_t size) noexcept;

    // Identity.
    virtual Class_ID ClassID() = 0;
    virtual SClass_ID SuperClassID() = 0;
    virtual void GetClassName(MSTR& s, bool localized = true) const;
    // Frees the object. Reference targets are deleted through DeleteMe/MaybeAutoDelete, which call this.
    virtual void DeleteThis() { delete this; }

    virtual BOOL IsRefMaker() { return FALSE; }
    virtual BOOL IsRefTarget() { return FALSE; }

    // Sub-animatables: the tree the track view and mirror paths walk.
    virtual int NumSubs() { return 0; }
    virtual Animatable* SubAnim(int i);
    virtual MSTR SubAnimName(int i, bool localized = true);
    // The reference index that holds sub-animatable subNum, or -1 when it is not held by a reference.
    virtual int SubNumToRefNum(int subNum);
    virtual BOOL CanDeleteSubAnim(int i);
    virtual void DeleteSubAnim(int i);
    virtual BOOL CanAssignController(int subAnim);
    virtual BOOL AssignController(Animatable* control, int subAnim);

    // Capability answers the host gives per class. CanCopyAnim: the animatable's animation can be copied
    // as a whole (rig-internal and system-driven animatables answer no). CanCopyTrack: its track holds
    // data of its own worth copying with it (such as references to other scene items).
    virtual BOOL CanCopyAnim() { return TRUE; }
    virtual BOOL CanCopyTrack(Interval /*iv*/, DWORD /*flags*/) { return FALSE; }

    // Parameter blocks.
    virtual int NumParamBlocks() { return 0; }
    virtual IParamBlock2* GetParamBlock(int i);
    virtual IParamBlock2* GetParamBlockByID(BlockID id);

    // Interfaces: by the old numeric id (void*) and by Interface_ID.
    virtual void* GetInterface(ULONG id);
    virtual BaseInterface* GetInterface(Interface_ID id);

    // Reports the files this animatable uses (see AssetEnumCallback.h); a reference maker goes on into its
    // references. Nothing by default.
    virtual void EnumAuxFiles(AssetEnumCallback& /*assetEnum*/, DWORD /*flags*/) {}

    // Custom attribute container: allocated on demand through the factory the scene installs.
    ICustAttribContainer* GetCustAttribContainer() const { return side_ ? SideCustAttribs() : nullptr; }
    void AllocCustAttribContainer();
    void DeleteCustAttribContainer();
    // How containers are made, freed and seen as reference targets; set once by the scene model.
    struct CustAttribContainerHooks {
        ICustAttribContainer* (*create)(Animatable* owner) = nullptr;
        void (*destroy)(ICustAttribContainer* container) = nullptr;
        ReferenceTarget* (*asTarget)(ICustAttribContainer* container) = nullptr;
    };
    static void SetCustAttribContainerHooks(const CustAttribContainerHooks& hooks);
    static const CustAttribContainerHooks& GetCustAttribContainerHooks();
    // The container as a reference target, or null when there is none (or no hooks say how).
    ReferenceTarget* GetCustAttribContainerTarget() const;

    // Flags.
    void SetAFlag(DWORD mask) { aflag_ |= mask; }
    void ClearAFlag(DWORD mask) { aflag_ &= ~mask; }
    bool TestAFlag(DWORD mask) const { return (aflag_ & mask) != 0; }
    DWORD GetAFlags() const { return aflag_; }

    // Properties, owned by the animatable. Adding a property whose id is already present replaces
    // (and deletes) the old one.
    void AddAProp(AnimProperty* ap);
    AnimProperty* GetAProp(DWORD id);
    // Deletes the property with that id; nothing when there is none.
    void RemoveAProp(DWORD id);
    int NumAProps() const;

    // App data (AppData.h): the animatable takes data, allocated with MAX_malloc, and replaces any block
    // under the same key. Get answers null for a key it does not hold.
    void AddAppDataChunk(Class_ID cid, SClass_ID sid, DWORD sbid, DWORD len, void* data);
    AppDataChunk* GetAppDataChunk(Class_ID cid, SClass_ID sid, DWORD sbid);
    BOOL RemoveAppDataChunk(Class_ID cid, SClass_ID sid, DWORD sbid);
    void ClearAllAppData();
    // Every block it holds, or null when none.
    AnimAppData* AppData();

    // Handles: assigned on first request, never reused; GetAnimByHandle answers null once the
    // animatable is freed, which makes handles the safe way to hold on to something that may go.
    static AnimHandle GetHandleByAnim(Animatable* anim);
    static Animatable* GetAnimByHandle(AnimHandle handle);

private:
    struct SideState;
    ICustAttribContainer* SideCustAttribs() const;
    SideState& Side();
    // Drops the side block once it holds nothing.
    void TrimSide();

    // A scene holds millions of animatables and few of them ever carry a property or a custom attribute
    // container: those live in a block of their own, made on first use, which the animatable points to
    // (a lookup reads the pointer and the block, never a shared table). The handle is asked for by every
    // walk over the scene and stays in place while it fits in 32 bits; past that it goes to the block.
    static constexpr std::uint32_t kHandleInSide = 0xFFFFFFFFu;
    SideState* side_ = nullptr;
    std::uint32_t handle_ = 0;
    DWORD aflag_ = 0;
};
