// The camera mirror: switches changed one by one, written back after every merge.
#include "plugin/anims/RefAnimCam.h"

#include "host/core/ChunkFields.h"
#include "host/core/Hold.h"
#include "host/scene/Object.h"
#include "plugin/anims/RefAnimRestore.h"
#include "plugin/frame/OperationCode.h"

GenCamera* RefAnimCam::CameraOf(Animatable* anim) {
    return anim && anim->SuperClassID() == CAMERA_CLASS_ID ? dynamic_cast<GenCamera*>(anim) : nullptr;
}

std::uint8_t RefAnimCam::SwitchesOf(GenCamera* cam) {
    std::uint8_t s = 0;
    if (cam->GetManualClip()) s |= kManualClip;
    if (cam->IsOrtho()) s |= kOrtho;
    if (cam->GetConeState()) s |= kCone;
    if (cam->GetHorzLineState()) s |= kHorizon;
    if (cam->GetEnvDisplay()) s |= kEnvRanges;
    return s;
}

void RefAnimCam::SetReference(int i, RefTargetHandle rtarg) {
    RefAnim::SetReference(i, rtarg);
    if (GenCamera* cam = i == 0 ? CameraOf(rtarg) : nullptr)
        switches_ = static_cast<std::uint8_t>((switches_ & changed_) | (SwitchesOf(cam) & ~changed_));
}

void RefAnimCam::Change(std::uint8_t diff) {
    if (!diff) return;
    switches_ ^= diff;
    SetFlagBits(changed_, diff, true, true, this);
    if (!IsOverridden(REFANIM_MODIFIED)) SetOverriddenFlag(REFANIM_MODIFIED, true, true);
}

RefResult RefAnimCam::NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID&, RefMessage message, BOOL) {
    GenCamera* cam = CameraOf(GetAnim());
    if (!cam || !IsUserChangeOfAnim(hTarget, message)) return REF_STOP;
    if (theHold.RestoreOrRedoing()) {
        switches_ = SwitchesOf(cam);
        return REF_STOP;
    }
    Change(static_cast<std::uint8_t>(SwitchesOf(cam) ^ switches_));
    return REF_STOP;
}

void RefAnimCam::CollectLocDep(DWORD stamp) {
    if (GenCamera* cam = IsOverridden(REFANIM_REPLACED) ? nullptr : CameraOf(GetAnim()))
        Change(static_cast<std::uint8_t>(SwitchesOf(cam) ^ switches_));
    RefAnim::CollectLocDep(stamp);
}

void RefAnimCam::Override(Animatable* root) {
    PathResolution r;
    if (!FollowToFresh(root, r)) return;
    GenCamera* cam = CameraOf(r.anim);
    if (!cam || !IsOverridden(REFANIM_MODIFIED)) return;
    // Following the fresh camera took its switches for the bits the user left alone.
    const std::uint8_t wrong = static_cast<std::uint8_t>((SwitchesOf(cam) ^ switches_) & changed_);
    const auto on = [&](std::uint8_t bit) { return (switches_ & bit) != 0; };
    if (wrong & kManualClip) cam->SetManualClip(on(kManualClip));
    if (wrong & kOrtho) cam->SetOrtho(on(kOrtho));
    if (wrong & kCone) cam->SetConeState(on(kCone));
    if (wrong & kHorizon) cam->SetHorzLineState(on(kHorizon));
    if (wrong & kEnvRanges) cam->SetEnvDisplay(on(kEnvRanges));
}

void RefAnimCam::BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) {
    auto* src = dynamic_cast<RefAnimCam*>(from);
    if (auto* dst = dynamic_cast<RefAnimCam*>(to); src && dst) {
        dst->switches_ = src->switches_;
        dst->changed_ = src->changed_;
    }
    RefAnim::BaseClone(from, to, remap);
}

IOResult RefAnimCam::Save(ISave* isave) {
    IOResult res = SaveWrappedBase(isave);
    if (res == IO_OK) res = WriteValueChunk(isave, kSwitchesChunk, switches_);
    if (res == IO_OK) res = WriteValueChunk(isave, kChangedChunk, changed_);
    return res;
}

IOResult RefAnimCam::Load(ILoad* iload) {
    return ForEachChunk(iload, [&](USHORT id) -> IOResult {
        switch (id) {
        case kWrappedBaseChunk: return LoadWrappedBase(iload);
        case kSwitchesChunk: return ReadValues(iload, switches_);
        case kChangedChunk: return ReadValues(iload, changed_);
        default: return LoadKindChunk(iload);
        }
    });
}
