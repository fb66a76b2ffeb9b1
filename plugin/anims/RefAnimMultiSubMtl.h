// The mirror of a Multi/Sub-Object material: the slots the user changed one by one (sub-material, ID,
// name, on/off state) and the slot count, written into the freshly merged material.
#pragma once

#include "plugin/anims/RefAnimKind.h"

#include <cstdint>
#include <vector>

class IParamBlock2;
class Mtl;

// The slots live in the material's block, whose change messages the mirror follows through reference 1.
// A change below a sub-material is that sub-material's mirrors' business, so the material as a whole is
// never the user's change. The sub-materials the user put into slots are held as references 2 and up, one
// per changed slot, so they outlive the referenced content.
class RefAnimMultiSubMtl
    : public RefAnimKind<RefAnimMultiSubMtl, RefAnim, KIND_MULTI_SUB_MTL, IDS_REFANIMMULTISUBMTL> {
public:
    explicit RefAnimMultiSubMtl(BOOL loading = FALSE) : RefAnimKind(loading) {}
    ~RefAnimMultiSubMtl() override;

    // What the user changed of one slot: its sub-material (held as a reference), ID, name or state.
    struct ChangedMtl {
        std::int32_t slot = 0;
        Mtl* mtl = nullptr;
    };
    struct ChangedValue {
        std::int32_t value = 0;
        std::int32_t slot = 0;
    };
    struct ChangedName {
        WStr name;
        std::int32_t slot = 0;
    };
    // The value records, copied whole by the undo records.
    struct Slots {
        std::int32_t count = -1;
        std::vector<ChangedValue> ids;
        std::vector<ChangedName> names;
        std::vector<ChangedValue> states;
    };

    int GetSlotCount() const { return slots_.count; }
    const std::vector<ChangedMtl>& GetChangedMtls() const { return mtls_; }
    const Slots& GetChangedSlots() const { return slots_; }

    int NumRefs() override { return 2 + static_cast<int>(mtls_.size()); }
    RefTargetHandle GetReference(int i) override;
    // The held sub-materials are the user's: they stay; the block never is.
    BOOL IsRealDependency(ReferenceTarget* rtarg) override;
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    void BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) override;
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;

    bool IsModified() const override { return false; }
    // Follows the material and its block and takes the sub-materials as they are.
    RefResult SetAnim(ReferenceTarget* anim) override;
    // Puts the slot count and every changed slot into the fresh material, then follows it.
    void Override(Animatable* root) override;
    MSTR Describe() override;

    static constexpr USHORT kSlotCountChunk = 0x2A;
    static constexpr USHORT kMtlCountChunk = 0x2B;
    static constexpr USHORT kMtlChunk = 0x2C;
    static constexpr USHORT kIDCountChunk = 0x2D;
    static constexpr USHORT kIDChunk = 0x2E;
    static constexpr USHORT kNameCountChunk = 0x2F;
    static constexpr USHORT kNameChunk = 0x30;
    static constexpr USHORT kStateCountChunk = 0x31;
    static constexpr USHORT kStateChunk = 0x32;

protected:
    void SetReference(int i, RefTargetHandle rtarg) override;

private:
    IParamBlock2* Block() const;
    void SetModified();
    // The sub-material of slot changed (or the count): the snapshot and the held sub-material follow.
    void SubMaterialChanged(IParamBlock2* pb, int slot, bool undoing);
    // Slot of table id changed: its record takes the block's value (a new record unless undoing).
    void SlotValueChanged(IParamBlock2* pb, ParamID id, int slot, bool undoing);

    IParamBlock2* block_ = nullptr;
    std::vector<Mtl*> snapshot_;
    std::vector<ChangedMtl> mtls_;
    Slots slots_;
};
