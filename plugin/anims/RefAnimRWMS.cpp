// The real-world map size mirror: the user's setting, re-applied after every merge.
#include "plugin/anims/RefAnimRWMS.h"

#include "host/core/ChunkFields.h"
#include "host/core/Hold.h"
#include "host/scene/Object.h"
#include "plugin/frame/OperationCode.h"

namespace {

RealWorldMapSizeInterface* MapSizeInterface(Animatable* anim) {
    return anim ? static_cast<RealWorldMapSizeInterface*>(anim->GetInterface(RWS_INTERFACE)) : nullptr;
}

} // namespace

bool ReadMapSize(Animatable* anim, bool& value) {
    RealWorldMapSizeInterface* rws = MapSizeInterface(anim);
    if (rws) value = rws->GetUsePhysicalScaleUVs() != FALSE;
    return rws != nullptr;
}

void WriteMapSize(Animatable* anim, bool value) {
    RealWorldMapSizeInterface* rws = MapSizeInterface(anim);
    if (rws && (rws->GetUsePhysicalScaleUVs() != FALSE) != value) rws->SetUsePhysicalScaleUVs(value ? TRUE : FALSE);
}

RefResult RefAnimRWMS::NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID& partID, RefMessage message,
                                        BOOL) {
    ReferenceTarget* obj = GetAnim();
    if (!obj || hTarget != obj || IsOverridden(REFANIM_REPLACED)) return REF_STOP;
    if (GetCurrentOperation() != OperationCode::None || message != REFMSG_CHANGE || !(partID & PART_GEOM))
        return REF_STOP;
    bool now = false;
    if (!ReadMapSize(obj, now)) return REF_STOP;
    if (theHold.RestoreOrRedoing()) {
        // The Modified bit comes back with its own record; the setting follows the object.
        mapSize_ = now;
        return REF_STOP;
    }
    if (now == GetMapSize()) return REF_STOP;
    if (!IsChanged()) fileMapSize_ = mapSize_;
    mapSize_ = now;
    if (!IsChanged()) SetOverriddenFlag(REFANIM_MODIFIED, true, true);
    return REF_STOP;
}

RefResult RefAnimRWMS::SetAnim(ReferenceTarget* anim) {
    const RefResult res = RefAnim::SetAnim(anim);
    bool now = false;
    if (!IsChanged() && ReadMapSize(anim, now)) mapSize_ = now;
    return res;
}

void RefAnimRWMS::Override(Animatable* root) {
    PathResolution r;
    if (!FollowToFresh(root, r)) return;
    if (IsChanged()) WriteMapSize(r.anim, GetMapSize());
}

void RefAnimRWMS::BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) {
    auto* src = dynamic_cast<RefAnimRWMS*>(from);
    auto* dst = dynamic_cast<RefAnimRWMS*>(to);
    if (src && dst) {
        dst->mapSize_ = src->mapSize_;
        dst->fileMapSize_ = src->fileMapSize_;
    }
    RefAnim::BaseClone(from, to, remap);
}

IOResult RefAnimRWMS::Save(ISave* isave) {
    IOResult res = SaveWrappedBase(isave);
    if (res == IO_OK) res = WriteValueChunk(isave, kMapSizeChunk, mapSize_);
    if (res == IO_OK) res = WriteValueChunk(isave, kFileMapSizeChunk, fileMapSize_);
    return res;
}

IOResult RefAnimRWMS::Load(ILoad* iload) {
    return ForEachChunk(iload, [&](USHORT id) -> IOResult {
        switch (id) {
        case kWrappedBaseChunk: return LoadWrappedBase(iload);
        case kMapSizeChunk: return ReadValues(iload, mapSize_);
        case kFileMapSizeChunk: return ReadValues(iload, fileMapSize_);
        default: return LoadKindChunk(iload);
        }
    });
}

MSTR RefAnimRWMS::Describe() {
    MSTR s = RefAnim::Describe();
    if (IsChanged())
        s += WStr::Format(L"\nRWMS: %d (file: %d)", static_cast<int>(mapSize_), static_cast<int>(fileMapSize_));
    return s;
}
