// The mirror of a Morpher modifier: per morph channel, which of its on state, name, weight and progressive
// weights the user changed, with the user's values, given to the fresh Morpher after every merge.
#pragma once

#include "host/scene/objects/Morpher.h"
#include "plugin/anims/ModifierMirror.h"
#include "plugin/anims/RefAnimKind.h"

#include <array>
#include <cstdint>

// The Morpher itself is never kept: the author's later file may add channels or targets, and only the
// channel fields the user touched go onto it. So the modifier is a real dependency only when the user put
// another one in its place, and no holder is ever built.
class RefAnimMorpher
    : public RefAnimKind<RefAnimMorpher, ModifierMirror<RefAnim>, KIND_MORPHER, IDS_REFANIMMORPHER> {
public:
    using RefAnimKind::RefAnimKind;

    // Bits of a channel's state byte: which of its fields the user changed.
    static constexpr std::uint8_t kActive = 0x01;
    static constexpr std::uint8_t kName = 0x02;
    static constexpr std::uint8_t kWeight = 0x04;
    static constexpr std::uint8_t kProgressive = 0x08;

    BOOL IsRealDependency(ReferenceTarget* rtarg) override;
    // A channel edit notifies: every channel that differs from the stored one has its differing fields
    // stored and their bits set, and the mirror is marked, all undoable. Undo and redo re-read the channels.
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    // Compares once more before the content goes, then the base step (never a holder).
    void CollectLocDep(DWORD stamp) override;
    // Follows the fresh Morpher and writes the changed fields of every channel into it.
    void Override(Animatable* root) override;
    void BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) override;
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;
    MSTR Describe() override;

    std::uint8_t GetChannelState(int i) const;
    const MorphChannel& GetChannel(int i) const;

    static constexpr USHORT kChannelStateChunk = 0x2A;  // index, state byte
    static constexpr USHORT kActiveChunk = 0x2B;        // index, on state byte
    static constexpr USHORT kNameChunk = 0x2C;          // nested: 0 index, 1 name
    static constexpr USHORT kWeightChunk = 0x2D;        // index, weight
    static constexpr USHORT kProgressiveChunk = 0x2E;   // index, count, weights

protected:
    // A Morpher arriving in reference 0 gives the fields the user did not change.
    void SetReference(int i, RefTargetHandle rtarg) override;

private:
    static constexpr int kChannels = MorpherModifier::kNumChannels;
    static MorpherModifier* MorpherOf(Animatable* anim);
    // Stores the fields in mask of channel i from c.
    void Take(int i, const MorphChannel& c, std::uint8_t mask);
    // Stores every difference of the Morpher's channels as the user's.
    void CompareAll(MorpherModifier* morpher);
    IOResult SaveChannel(ISave* isave, int i);
    IOResult LoadChannelChunk(ILoad* iload);

    std::array<MorphChannel, kChannels> channels_{};
    std::array<std::uint8_t, kChannels> states_{};
};
