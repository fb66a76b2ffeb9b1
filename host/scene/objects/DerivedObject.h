// The host's derived objects (object-space and world-space): an object reference and a modifier stack.
#pragma once

#include "host/core/SlabAllocator.h"
#include "host/scene/IDerivedObject.h"

#include <string>
#include <vector>

class ClassDesc2;

// References: 0 the object, 1 + i modifier i (0 = top of the stack); all real. Sub-animatables: the
// modifiers top to bottom, then the object (NumSubs = modifiers + 1). Each stack slot owns its context.
// Stack edits and their undo keep the reference numbering in step: a slot is inserted (empty) before its
// modifier reference is set, and emptied before it is removed, so the reference graph's own undo records
// always find the slot they were made for.
class DerivedObject : public IDerivedObject {
public:
    explicit DerivedObject(bool worldSpace, Object* obj = nullptr);
    ~DerivedObject() override;

    Class_ID ClassID() override { return worldSpace_ ? DERIVOB_CLASS_ID_WS : DERIVOB_CLASS_ID_OS; }
    void GetClassName(MSTR& s, bool localized = true) const override;
    MSTR GetObjectName() override;

    // IDerivedObject.
    int NumModifiers() override { return static_cast<int>(slots_.size()); }
    Modifier* GetModifier(int index) override;
    ModContext* GetModContext(int index) override;
    void AddModifier(Modifier* mod, ModContext* mc = nullptr, int before = 0) override;
    void DeleteModifier(int index = 0) override;
    void SetModifier(int index, Modifier* mod) override;
    Object* GetObjRef() override { return objRef_; }
    RefResult ReferenceObject(Object* obj) override;
    BOOL IsWorldSpace() override { return worldSpace_; }

    // Object. The stack delivers what its modifiers make of the object below them, bottom first: a
    // modifier that works on the geometry gets a temporary editable mesh or poly made from what reaches
    // it (the object below is never changed), so a Teapot under an Edit Poly delivers an editable poly.
    // The temporary stays until the next evaluation. When a modifier's effect is not modelled in this host,
    // the stack delivers its object unchanged and LastEvalFailure names that modifier.
    ObjectState Eval(TimeValue t) override { return Eval(t, 0); }
    // The same, up to and including the modifier at modIndex (0 the topmost).
    ObjectState Eval(TimeValue t, int modIndex);
    Object* FindBaseObject() override;
    void GetLocalBoundBox(TimeValue t, INode* inode, Box3& box) override;
    Interval ObjectValidity(TimeValue t) override;
    BOOL IsParticleSystem() override;

    // References and sub-animatables.
    int NumRefs() override { return 1 + NumModifiers(); }
    RefTargetHandle GetReference(int i) override;
    int NumSubs() override { return NumModifiers() + 1; }
    Animatable* SubAnim(int i) override;
    MSTR SubAnimName(int i, bool localized = true) override;
    int SubNumToRefNum(int subNum) override;
    BOOL CanAssignController(int /*subAnim*/) override { return FALSE; }

    RefTargetHandle Clone(RemapDir& remap) override;
    // Chunk kStackChunk: the number of modifiers and each context's transform and box. The modifiers
    // themselves are references, restored by the scene reader once the stack has its slots.
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;
    static constexpr USHORT kStackChunk = 0x2500;
    static constexpr USHORT kCountChunk = 0x2501;
    static constexpr USHORT kContextChunk = 0x2510;
    static constexpr USHORT kContextTMChunk = 0x2511;
    static constexpr USHORT kContextBoxChunk = 0x2512;

    // The node whose pipeline this is: a node referencing it, directly or through a world-space derived
    // object above it; null when none.
    INode* FindNode();

    // Stack bookkeeping used by the undo records: no messages, no references touched (the slot must be
    // empty when removed). RemoveSlot hands the context to the caller.
    void InsertSlot(int index, ModContext* mc);
    ModContext* RemoveSlot(int index);
    // The messages of a stack change: REFMSG_MODIFIER_ADDED (when added) and
    // REFMSG_SUBANIM_STRUCTURE_CHANGED.
    void NotifyStackChanged(bool modifierAdded);

    // Why the last evaluation could not apply a modifier (with that modifier), or no modifier.
    struct EvalFailure {
        Modifier* mod = nullptr;
        std::wstring why;
    };
    const EvalFailure& LastEvalFailure() const { return failure_; }

    static ClassDesc2* GetOSClassDesc();
    static ClassDesc2* GetWSClassDesc();

    // Any message from the base object or a modifier means the delivered object must be built again.
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID, RefMessage message,
                               BOOL propagate) override;

protected:
    void SetReference(int i, RefTargetHandle rtarg) override;

private:
    struct Slot {
        Modifier* mod = nullptr;
        ModContext* mc = nullptr;
    };
    ModContext* NewContext();

    // Frees the temporary the last evaluation delivered.
    void DropWorldState();

    bool worldSpace_;
    Object* objRef_ = nullptr;
    SlabVector<Slot> slots_;
    Object* worldState_ = nullptr; // not a reference: owned here, never saved or cloned
    EvalFailure failure_;
    // The last evaluation, served again for the same time and level until the stack or what it references
    // changes.
    struct Delivered {
        bool valid = false;
        TimeValue t = 0;
        int modIndex = 0;
        ObjectState os;
    };
    Delivered delivered_;
};
