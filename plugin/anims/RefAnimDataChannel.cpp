// The Data Channel mirror: a changed operator chain is the user's and goes to the fresh modifier.
#include "plugin/anims/RefAnimDataChannel.h"

#include "host/core/Hold.h"
#include "host/scene/objects/DataChannelModifier.h"
#include "plugin/frame/OperationCode.h"

DataChannelModifier* RefAnimDataChannel::DataChannelOf(Animatable* anim) {
    return anim && anim->ClassID() == DATA_CHANNEL_MODIFIER_CLASS_ID ? dynamic_cast<DataChannelModifier*>(anim) : nullptr;
}

const std::vector<MSTR>& RefAnimDataChannel::Seen() {
    if (!known_) {
        DataChannelModifier* dc = DataChannelOf(GetAnim());
        seen_ = dc ? dc->GetOperators() : std::vector<MSTR>();
        known_ = dc != nullptr;
    }
    return seen_;
}

void RefAnimDataChannel::Compare() {
    DataChannelModifier* dc = DataChannelOf(GetAnim());
    if (!dc || IsOverridden(REFANIM_REPLACED) || dc->GetOperators() == Seen()) return;
    seen_ = dc->GetOperators();
    if (!IsOverridden(REFANIM_MODIFIED)) SetOverriddenFlag(REFANIM_MODIFIED, true, true);
}

RefResult RefAnimDataChannel::NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID&, RefMessage message,
                                               BOOL) {
    if (!GetAnim() || hTarget != GetAnim() || message != REFMSG_CHANGE) return REF_STOP;
    if (GetCurrentOperation() != OperationCode::None) return REF_STOP;
    if (theHold.RestoreOrRedoing()) {
        known_ = false;
        return REF_STOP;
    }
    Compare();
    return REF_STOP;
}

RefResult RefAnimDataChannel::SetAnim(ReferenceTarget* anim) {
    const RefResult res = RefAnim::SetAnim(anim);
    known_ = false;
    Seen();
    return res;
}

void RefAnimDataChannel::CollectLocDep(DWORD stamp) {
    Compare();
    RefAnim::CollectLocDep(stamp);
}

void RefAnimDataChannel::Override(Animatable* root) {
    // Taken before following: the fresh modifier replaces the held one in reference 0.
    DataChannelModifier* mine = DataChannelOf(GetAnim());
    const std::vector<MSTR> chain = mine ? mine->GetOperators() : std::vector<MSTR>();
    PathResolution r;
    if (!FollowToFresh(root, r)) return;
    DataChannelModifier* fresh = DataChannelOf(r.anim);
    if (!fresh || !mine || !IsOverridden(REFANIM_MODIFIED)) return;
    fresh->SetOperators(chain);
    seen_ = chain;
    known_ = true;
}
