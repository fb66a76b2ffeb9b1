// The reaction mirror: states and driver compared on every change of the reaction, and the transfer that
// gives a kept reaction the fresh content's driver.
#include "plugin/anims/RefAnimReaction.h"

#include "host/core/Hold.h"
#include "host/scene/controllers/ControllerClassIds.h"
#include "host/scene/controllers/ReactionControl.h"
#include "plugin/frame/OperationCode.h"

namespace {

// The scene's reaction manager references every reaction; it keeps its own entries.
constexpr Class_ID kReactionManagerClass(0x55293BB4, 0x4AD13DAD);

std::vector<float> StatesOf(ReactionControl* r) {
    std::vector<float> out;
    for (const ReactionControl::State& s : r->GetStates()) {
        out.push_back(s.input);
        out.push_back(s.output);
    }
    return out;
}

} // namespace

RefAnimReaction::~RefAnimReaction() {
    // The base destructor counts one reference only: the driver's goes here.
    DropRefsUnlessDeleted();
}

ReactionControl* RefAnimReaction::ReactionOf(Animatable* anim) {
    return anim && anim->ClassID() == FLOAT_REACTION_CLASS_ID ? dynamic_cast<ReactionControl*>(anim) : nullptr;
}

void RefAnimReaction::SetReference(int i, RefTargetHandle rtarg) {
    if (i == 1)
        driver_ = rtarg;
    else
        RefAnim::SetReference(i, rtarg);
}

BOOL RefAnimReaction::IsRealDependency(ReferenceTarget* rtarg) {
    if (rtarg && rtarg == driver_ && rtarg != GetAnim()) return FALSE;
    return RefAnim::IsRealDependency(rtarg);
}

void RefAnimReaction::Look(ReactionControl* r) {
    states_ = r ? StatesOf(r) : std::vector<float>();
    ReferenceTarget* driver = r ? r->GetDriver() : nullptr;
    if (driver != driver_) ReplaceReference(1, driver);
}

bool RefAnimReaction::Differs(ReactionControl* r) const {
    return r->GetDriver() != driver_ || StatesOf(r) != states_;
}

RefResult RefAnimReaction::NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID& partID,
                                            RefMessage message, BOOL) {
    ReactionControl* r = ReactionOf(GetAnim());
    if (!r || hTarget != GetAnim() || message != REFMSG_CHANGE || !IsUntouched()) return REF_STOP;
    if (GetCurrentOperation() != OperationCode::None || IsIgnorablePart(partID)) return REF_STOP;
    if (theHold.RestoreOrRedoing())
        Look(r);
    else if (Differs(r))
        SetOverriddenFlag(REFANIM_MODIFIED, true, true);
    return REF_STOP;
}

RefResult RefAnimReaction::SetAnim(ReferenceTarget* anim) {
    const RefResult res = RefAnim::SetAnim(anim);
    Look(ReactionOf(anim));
    return res;
}

void RefAnimReaction::Transfer(ReferenceTarget* oldAnim, ReferenceTarget* newAnim) {
    if (!oldAnim || !newAnim || oldAnim == newAnim) return;
    if (oldAnim == GetAnim() || newAnim == GetAnim()) {
        ReferenceTarget* holder = oldAnim->NumRefs() > 0 ? oldAnim->GetReference(0) : nullptr;
        ReferenceTarget* driver = holder && holder->NumRefs() > 0 ? holder->GetReference(0) : nullptr;
        if (driver) {
            holder->DeleteReference(0);
            ReactionControl* kept = ReactionOf(newAnim);
            if (kept && driver->SuperClassID() == CTRL_FLOAT_CLASS_ID) kept->SetDriver(static_cast<Control*>(driver));
        }
    }
    MoveDependentsBut(oldAnim, newAnim, [](ReferenceMaker* dep) { return dep->ClassID() == kReactionManagerClass; });
}

void RefAnimReaction::BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) {
    auto* src = dynamic_cast<RefAnimReaction*>(from);
    if (auto* dst = dynamic_cast<RefAnimReaction*>(to); src && dst) {
        dst->states_ = src->states_;
        if (src->driver_) dst->ReplaceReference(1, src->driver_);
    }
    RefAnim::BaseClone(from, to, remap);
}
