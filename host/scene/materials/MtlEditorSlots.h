// The material editor's sample slots: 24 references to materials or maps, filled with default materials.
#pragma once

#include "host/scene/Mtl.h"

// The slots keep what they show alive (real references), as the editor does; a new scene starts with a
// Standard material named "01 - Default" ... "24 - Default" in each slot.
class MtlEditorSlots : public ReferenceMaker {
public:
    static constexpr int kCount = 24;

    MtlEditorSlots();
    ~MtlEditorSlots() override;

    Class_ID ClassID() override { return Class_ID(0x4D454454, 0x534C4F54); }
    SClass_ID SuperClassID() override { return REF_MAKER_CLASS_ID; }
    void GetClassName(MSTR& s, bool localized = true) const override;

    int NumRefs() override { return kCount; }
    RefTargetHandle GetReference(int i) override { return i >= 0 && i < kCount ? slots_[i] : nullptr; }

    // Null for a slot out of range or empty.
    MtlBase* Get(int slot) { return static_cast<MtlBase*>(GetReference(slot)); }
    // Outside the undo system: what the editor shows is not a scene edit. A slot out of range is ignored.
    void Put(MtlBase* m, int slot);
    // Every slot back to a fresh default material.
    void FillDefaults();
    // "01 - Default" for slot 0.
    static MSTR DefaultName(int slot);

protected:
    void SetReference(int i, RefTargetHandle t) override;

private:
    RefTargetHandle slots_[kCount] = {};
};
