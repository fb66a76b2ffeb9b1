// Modifiers of an object's pipeline and the context each application of a modifier keeps.
#pragma once

#include "host/core/Box3.h"
#include "host/core/ChunkIO.h"
#include "host/core/Matrix3.h"
#include "host/core/PlugApi.h"
#include "host/core/ReferenceTarget.h"
#include "host/core/SlabPool.h"

class INode;
class ObjectState;

// Data a modifier keeps per application (per derived object it sits in).
class LocalModData {
public:
    virtual ~LocalModData() = default;
    virtual LocalModData* Clone() = 0;
};

// Where a modifier is applied: its transform and box in the object's space, and its local data. The
// derived object owns its contexts; a context owns its matrix, box and local data.
class ModContext {
public:
    ModContext() = default;
    // Takes ownership of tm, box and localData (any may be null).
    ModContext(Matrix3* tm, Box3* box, LocalModData* localData);
    // Deep copies: the matrix, the box and a clone of the local data.
    ModContext(const ModContext& mc);
    ModContext& operator=(const ModContext& mc);
    ~ModContext();

    // One context per modifier application of a scene: in the host's slab pool, as the objects are.
    static void* operator new(std::size_t size) { return SlabPool::Allocate(size); }
    static void operator delete(void* p, std::size_t size) noexcept { SlabPool::Free(p, size); }

    Matrix3* tm = nullptr;             // null means identity
    Box3* box = nullptr;               // null means empty
    LocalModData* localData = nullptr; // owned

    // The transform, identity when there is none; the box, empty when there is none.
    Matrix3 GetTM() const { return tm ? *tm : Matrix3(); }
    Box3 GetBox() const { return box ? *box : Box3(); }
    // "tm identity box empty" or "tm (r0) (r1) (r2) (r3) box (min) (max)", with 4 decimals.
    MSTR Describe() const;
};

// Object-space modifiers (OSM_CLASS_ID) and space-warp modifiers (WSM_CLASS_ID). Renaming notifies
// REFMSG_NODE_NAMECHANGE then REFMSG_MODIFIER_NAME_CHANGED; switching any of the three enable states
// notifies REFMSG_CHANGE with PART_ALL. All propagate, so the stack and the node hear them with the
// derived object as sender. Both put restore objects while the hold is open, and undo and redo send the
// same messages again.
class Modifier : public ReferenceTarget {
public:
    SClass_ID SuperClassID() override { return OSM_CLASS_ID; }

    // The name shown in the stack: the one given with SetName, else the class name.
    virtual MSTR GetName(bool localized = true);
    // An empty name goes back to the class name.
    virtual void SetName(const MSTR& name);
    // True when SetName gave a name of its own.
    bool HasOwnName() const { return hasName_; }
    // GetName's text kept in place, for callers that name many steps (a host extension): the own name,
    // valid until the next SetName, else the class's fixed name (FixedClassName); null where the class
    // keeps none.
    const MCHAR* NameText();

    BOOL IsEnabled() const { return (enableFlags_ & kEnabled) != 0; }
    BOOL IsEnabledInViews() const { return (enableFlags_ & kEnabledInViews) != 0; }
    BOOL IsEnabledInRender() const { return (enableFlags_ & kEnabledInRender) != 0; }
    void EnableMod() { SetEnableFlag(kEnabled, true); }
    void DisableMod() { SetEnableFlag(kEnabled, false); }
    void EnableModInViews() { SetEnableFlag(kEnabledInViews, true); }
    void DisableModInViews() { SetEnableFlag(kEnabledInViews, false); }
    void EnableModInRender() { SetEnableFlag(kEnabledInRender, true); }
    void DisableModInRender() { SetEnableFlag(kEnabledInRender, false); }

    // Applies the modifier to the pipeline's state (called by the derived object's Eval, bottom of the
    // stack first, for enabled modifiers only). The stand-in has no geometry: classes record what they
    // need in the context (local data) or the state.
    virtual void ModifyObject(TimeValue /*t*/, ModContext& /*mc*/, ObjectState* /*os*/, INode* /*node*/) {}
    virtual Interval LocalValidity(TimeValue /*t*/) { return FOREVER; }

    // Writes one container chunk (name and enable states); subclasses call it first and then write their
    // own chunks. Load reads that chunk when it comes next and leaves the rest to the subclass.
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;

    static constexpr int kEnabled = 0x1;
    static constexpr int kEnabledInViews = 0x2;
    static constexpr int kEnabledInRender = 0x4;
    int GetEnableFlags() const { return enableFlags_; }
    // Sets all three states at once (one message, one restore object when anything changed).
    void SetEnableFlags(int flags);

    // Chunk ids of the modifier's own data.
    static constexpr USHORT kModifierChunk = 0x3A00;
    static constexpr USHORT kNameChunk = 0x3A01;
    static constexpr USHORT kEnableChunk = 0x3A02;

protected:
    // Copies name and enable states into a clone.
    void CopyModifierState(Modifier* to) const;

private:
    friend class ModifierNameRestore;
    friend class ModifierEnableRestore;
    void SetEnableFlag(int flag, bool on);
    // Stores without undo record; notifies.
    void ApplyName(const MSTR& name, bool hasName);
    void ApplyEnableFlags(int flags);

    MSTR name_;
    bool hasName_ = false;
    int enableFlags_ = kEnabled | kEnabledInViews | kEnabledInRender;
};

class WSModifier : public Modifier {
public:
    SClass_ID SuperClassID() override { return WSM_CLASS_ID; }
};
