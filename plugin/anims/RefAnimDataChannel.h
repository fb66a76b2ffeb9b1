// The mirror of the Data Channel modifier: the operator chain, the user's as one whole once changed, given
// to the fresh modifier after every merge.
#pragma once

#include "plugin/anims/RefAnimKind.h"

#include <vector>

class DataChannelModifier;

// The modifier's settings are mirrored by its parameter block mirror; the chain is not a parameter and
// its operators only mean something in their order, so a change of any of them makes the whole chain the
// user's. The chain itself is not saved by the mirror: once the user changed it the mirror holds the
// modifier (Modified makes reference 0 real), and the held modifier carries it through a save and an unload.
class RefAnimDataChannel
    : public RefAnimKind<RefAnimDataChannel, RefAnim, KIND_DATA_CHANNEL, IDS_REFANIMDATACHANNEL> {
public:
    using RefAnimKind::RefAnimKind;

    // A chain differing from the one last seen marks the mirror (with undo); undo and redo re-read it.
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    // Follows the modifier and takes its chain as the one seen.
    RefResult SetAnim(ReferenceTarget* anim) override;
    // Compares once more before the content goes: a chain changed while messages were ignored counts too.
    void CollectLocDep(DWORD stamp) override;
    // Follows the fresh modifier; when the user changed the chain, gives it the held modifier's chain.
    void Override(Animatable* root) override;

    static DataChannelModifier* DataChannelOf(Animatable* anim);

private:
    // The chain last seen on the mirrored modifier; read on first use after a load.
    const std::vector<MSTR>& Seen();
    void Compare();

    std::vector<MSTR> seen_;
    bool known_ = false;
};
