// The Multi/Sub-Object material: slots of (sub-material, on/off state, name, material ID).
#pragma once

#include "host/scene/IParamBlock2.h"
#include "host/scene/Mtl.h"

class ClassDesc2;

// Block 0 holds the four slot tables (MultiMtlParamID); the sub-materials are real references of the
// block, so the material keeps them alive. The four tables always have one count, the slot count:
// changing it through the material or through any one table resizes the others, in one undo step with
// the change. The sub-materials are the material's sub-animatables; the block is its only reference.
// A change of the slot count notifies REFMSG_SUBANIM_STRUCTURE_CHANGED (after the block's own change
// messages), also when an undo or redo changes it.
class MultiMtl : public Mtl {
public:
    // numSlots: the slot count of a new material, each slot holding a new standard material.
    explicit MultiMtl(BOOL loading = FALSE, int numSlots = 10);
    ~MultiMtl() override;

    Class_ID ClassID() override { return MULTI_MATERIAL_CLASS_ID; }
    void GetClassName(MSTR& s, bool localized = true) const override;

    int NumRefs() override { return 1; }
    RefTargetHandle GetReference(int i) override { return i == 0 ? pblock_ : nullptr; }
    int NumSubs() override { return NumSubMtls(); }
    Animatable* SubAnim(int i) override { return GetSubMtl(i); }
    // "(ID) name", or "(ID)" for a slot without a name.
    MSTR SubAnimName(int i, bool localized = true) override;
    int NumParamBlocks() override { return 1; }
    IParamBlock2* GetParamBlock(int i) override { return i == 0 ? pblock_ : nullptr; }
    IParamBlock2* GetParamBlockByID(BlockID id) override { return id == 0 ? pblock_ : nullptr; }
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;

    int NumSubMtls() override;
    Mtl* GetSubMtl(int i) override;
    void SetSubMtl(int i, Mtl* m) override;
    MSTR GetSubMtlSlotName(int i, bool localized = true) override { return SubAnimName(i, localized); }

    // Resizes the four tables; new slots get a new standard material, the state on, an empty name and
    // the next free material ID.
    void SetNumSubMtls(int n);
    int GetSlotID(int i);
    void SetSlotID(int i, int id);
    MSTR GetSlotName(int i);
    void SetSlotOn(int i, BOOL on);

    RefTargetHandle Clone(RemapDir& remap) override;

    static ClassDesc2* GetClassDesc();

protected:
    void SetReference(int i, RefTargetHandle rtarg) override;

private:
    // Brings the other tables to the count of the table `changed`.
    void MatchTables(ParamID changed);
    void ResizeTables(int n, bool newMaterials);
    // Gives slots [from, to) of one table their starting values.
    void InitSlots(ParamID id, int from, int to, bool newMaterials);
    // One more than the highest ID among the first count slots.
    int NextFreeID(int count);
    void CheckStructure();

    IParamBlock2* pblock_ = nullptr;
    bool resizing_ = false;
    int lastCount_ = -1;
};

// A new Multi/Sub-Object material with n slots.
