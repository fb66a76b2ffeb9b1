// The independent references mirror: which references point at items, re-pointed after a reload.
#include "plugin/anims/RefAnimIndepRefs.h"

#include "host/core/ChunkFields.h"
#include "host/core/Hold.h"
#include "plugin/frame/OperationCode.h"

BOOL RefAnimIndepRefs::IsRealDependency(ReferenceTarget* rtarg) {
    if (rtarg && rtarg != GetAnim() && IsExtra(rtarg)) return FALSE;
    return RefAnim::IsRealDependency(rtarg);
}

void RefAnimIndepRefs::TakeEntries(ReferenceTarget* anim) {
    const std::vector<int> indices = ItemRefIndices(anim);
    indices_.assign(indices.begin(), indices.end());
    TakeItems(ItemsOf(anim));
}

RefResult RefAnimIndepRefs::NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                                             RefMessage message, BOOL propagate) {
    ReferenceTarget* anim = GetAnim();
    if (!anim || hTarget != anim) return REF_STOP;
    if (GetCurrentOperation() == OperationCode::None && !IsOverridden(REFANIM_REPLACED) && ItemsOf(anim) != Extras()) {
        TakeEntries(anim);
        if (!theHold.RestoreOrRedoing() && !IsOverridden(REFANIM_MODIFIED)) SetOverriddenFlag(REFANIM_MODIFIED, true, true);
    }
    return RefAnim::NotifyRefChanged(changeInt, hTarget, partID, message, propagate);
}

RefResult RefAnimIndepRefs::SetAnim(ReferenceTarget* anim) {
    const RefResult res = RefAnim::SetAnim(anim);
    TakeEntries(anim);
    return res;
}

void RefAnimIndepRefs::CollectLocDep(DWORD stamp) {
    if (!IsUntouched() && GetAnim()) TakeEntries(GetAnim());
    RefAnim::CollectLocDep(stamp);
}

void RefAnimIndepRefs::Override(Animatable* root) {
    ReferenceTarget* mine = GetAnim();
    PathResolution r;
    if (mine && !IsUntouched() && GetAnimByPath(root, r) && r.anim && r.anim != mine && r.anim->IsRefTarget() &&
        r.anim->ClassID() == mine->ClassID()) {
        auto* fresh = static_cast<ReferenceTarget*>(r.anim);
        for (std::int32_t j : indices_)
            if (j < mine->NumRefs() && !mine->GetReference(j) && j < fresh->NumRefs() && fresh->GetReference(j))
                mine->ReplaceReference(j, fresh->GetReference(j));
    }
    RefAnim::Override(root);
    if (GetAnim()) TakeEntries(GetAnim());
}

void RefAnimIndepRefs::BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) {
    auto* src = dynamic_cast<RefAnimIndepRefs*>(from);
    auto* dst = dynamic_cast<RefAnimIndepRefs*>(to);
    if (src && dst) dst->indices_ = src->indices_;
    RefAnimWithRefs::BaseClone(from, to, remap);
}

IOResult RefAnimIndepRefs::Save(ISave* isave) {
    IOResult res = SaveWrappedBase(isave);
    if (res == IO_OK) res = WriteValueChunk(isave, kCountChunk, static_cast<std::int32_t>(indices_.size()));
    if (res == IO_OK) {
        isave->BeginChunk(kIndicesChunk);
        for (std::int32_t j : indices_)
            if (res == IO_OK) res = WriteValues(isave, j);
        const IOResult end = isave->EndChunk();
        if (res == IO_OK) res = end;
    }
    return res;
}

IOResult RefAnimIndepRefs::Load(ILoad* iload) {
    std::int32_t count = 0;
    return ForEachChunk(iload, [&](USHORT id) -> IOResult {
        switch (id) {
        case kWrappedBaseChunk: return LoadWrappedBase(iload);
        case kCountChunk: {
            const IOResult res = ReadCount(iload, count, kMaxExtraRefs);
            if (res == IO_OK) SetNumExtraRefs(count);
            return res;
        }
        case kIndicesChunk: {
            indices_.assign(static_cast<size_t>(count), 0);
            IOResult res = IO_OK;
            for (std::int32_t& j : indices_)
                if (res == IO_OK) res = ReadValues(iload, j);
            return res;
        }
        default: return LoadKindChunk(iload);
        }
    });
}

MSTR RefAnimIndepRefs::Describe() {
    MSTR s = RefAnim::Describe() + L"\nanimRefs: \n";
    for (size_t k = 0; k < indices_.size(); ++k)
        s += WStr::Format(L"%d - %d\n", static_cast<int>(indices_[k]), static_cast<int>(k + 1));
    return s;
}
