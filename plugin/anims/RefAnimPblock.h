// The mirror of an older parameter block: the values the user changed, by parameter number, written back
// into the freshly merged block at override time.
#pragma once

#include "plugin/anims/RefAnimKind.h"

#include <array>
#include <cstdint>
#include <vector>

class IParamBlock;

// One changed parameter: its number and its value in 12 bytes (a float, or an integer or boolean kept as a
// float, in the first four with the rest zero; a colour or point3 as three floats).
struct PblockParam {
    std::int32_t number = 0;
    std::array<std::uint8_t, 12> value{};
};

// The block belongs to its owner and every merge rebuilds it: the mirror keeps values, never the block.
// Animated parameters are their controllers' mirrors' business.
class RefAnimPblock : public RefAnimKind<RefAnimPblock, RefAnim, KIND_PBLOCK, IDS_REFANIMPBLOCK> {
public:
    using RefAnimKind::RefAnimKind;

    BOOL IsRealDependency(ReferenceTarget*) override { return IsOverridden(REFANIM_LOCDEP); }
    BOOL CanTransferReference(int) override { return FALSE; }
    bool IsModified() const override { return false; }
    // Records the value of the parameter the block last notified, under no operation and outside undo.
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    // Writes back every record whose value the fresh block does not have, then follows the fresh block.
    void Override(Animatable* root) override;
    RefTargetHandle Clone(RemapDir& remap) override;
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;
    MSTR Describe() override;

    const std::vector<PblockParam>& GetRecords() const { return records_; }

    static constexpr USHORT kCountChunk = 0x2A;
    static constexpr USHORT kRecordChunk = 0x2B;

private:
    std::vector<PblockParam> records_;
};
