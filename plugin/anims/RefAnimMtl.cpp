// The material and map mirror: renames, flags, effects channel and viewport map, each kept on its own.
#include "plugin/anims/RefAnimMtl.h"

#include "host/core/ChunkFields.h"
#include "host/core/Hold.h"
#include "host/scene/Interface.h"
#include "host/scene/Mtl.h"
#include "plugin/anims/RefAnimRestore.h"
#include "plugin/frame/OperationCode.h"

// Where a property lives in the material and in the mirror's stores.
struct RefAnimMtl::Property {
    enum class Kind { Flag, SampleType, UVTiling, EffectsID, ActiveMap };
    std::uint16_t mask;
    const MCHAR* word;
    Kind kind;
    ULONG hostFlag;          // Kind::Flag: the material flag
    std::uint8_t storedBit;  // Kind::Flag: its bit among the stored booleans
};

// In the order of the mask bits, which is also the order of the dump.
const RefAnimMtl::Property RefAnimMtl::kProperties[10] = {
    {kSampleType, L"sampleType, ", Property::Kind::SampleType, 0, 0},
    {kBacklight, L"backlight, ", Property::Kind::Flag, MTL_BACKLIGHT, 0x01},
    {kBackground, L"background, ", Property::Kind::Flag, MTL_BGROUND, 0x02},
    {kSampleUVTiling, L"sampleUVTiling, ", Property::Kind::UVTiling, 0, 0},
    {kVideoColorCheck, L"videoColorCheck, ", Property::Kind::Flag, MTL_VIDCOLOR_CHECK, 0x04},
    {kEffectsID, L"id, ", Property::Kind::EffectsID, 0, 0},
    {kActiveMap, L"activeMtlBase, ", Property::Kind::ActiveMap, 0, 0},
    {kHardwareDisplay, L"hardwareDisplay, ", Property::Kind::Flag, MTL_HW_MAT_ENABLED, 0x10},
    {kHardwareTexture, L"hdEnabled, ", Property::Kind::Flag, MTL_HW_TEX_ENABLED, 0x20},
    {kMtlDisplay, L"mtlDisplay, ", Property::Kind::Flag, MTL_DISPLAY_ENABLE_FLAGS, 0x80},
};

RefAnimMtl::~RefAnimMtl() {
    // The base destructor counts one reference only: the viewport map goes here.
    DropRefsUnlessDeleted();
}

MtlBase* RefAnimMtl::Material() const {
    ReferenceTarget* a = GetAnim();
    return a && a->SuperClassID() == MirroredSuperClass() ? static_cast<MtlBase*>(a) : nullptr;
}

// ---- references

RefTargetHandle RefAnimMtl::GetReference(int i) {
    return i == 1 ? activeMap_ : RefAnim::GetReference(i);
}

void RefAnimMtl::SetReference(int i, RefTargetHandle rtarg) {
    if (i == 1)
        activeMap_ = rtarg;
    else
        RefAnim::SetReference(i, rtarg);
}

BOOL RefAnimMtl::IsRealDependency(ReferenceTarget* rtarg) {
    if (rtarg && rtarg == activeMap_ && rtarg != GetAnim()) return FALSE;
    return RefAnim::IsRealDependency(rtarg);
}

// ---- the properties

int RefAnimMtl::CurrentValue(MtlBase* m, const Property& p) const {
    switch (p.kind) {
    case Property::Kind::Flag: return m->TestMtlFlag(p.hostFlag);
    case Property::Kind::SampleType: return static_cast<int>((m->GetMtlFlags() & MTL_SAMPLE_TYPE_MASK) >> MTL_SAMPLE_TYPE_SHIFT);
    case Property::Kind::UVTiling:
        return static_cast<int>((m->GetMtlFlags() & MTL_SAMPLE_UV_TILING_MASK) >> MTL_SAMPLE_UV_TILING_SHIFT);
    case Property::Kind::EffectsID: return static_cast<int>(m->GetGBufID() & 0xFF);
    case Property::Kind::ActiveMap: return 0;
    }
    return 0;
}

int RefAnimMtl::StoredValue(const Property& p) const {
    switch (p.kind) {
    case Property::Kind::Flag: return (bits_ & p.storedBit) != 0;
    case Property::Kind::SampleType: return sampleType_;
    case Property::Kind::UVTiling: return uvTiling_;
    case Property::Kind::EffectsID: return effectsId_;
    case Property::Kind::ActiveMap: return 0;
    }
    return 0;
}

void RefAnimMtl::Store(const Property& p, int value) {
    switch (p.kind) {
    case Property::Kind::Flag: SetFlagBits(bits_, p.storedBit, value != 0, false, this); break;
    case Property::Kind::SampleType: sampleType_ = static_cast<std::uint8_t>(value); break;
    case Property::Kind::UVTiling: uvTiling_ = static_cast<std::uint8_t>(value); break;
    case Property::Kind::EffectsID: effectsId_ = static_cast<std::uint8_t>(value); break;
    case Property::Kind::ActiveMap: break;
    }
}

void RefAnimMtl::Write(MtlBase* m, const Property& p, int value) {
    if (CurrentValue(m, p) == value) return;
    switch (p.kind) {
    case Property::Kind::Flag: m->SetMtlFlag(p.hostFlag, value != 0); break;
    case Property::Kind::SampleType:
        m->ClearMtlFlag(MTL_SAMPLE_TYPE_MASK);
        m->SetMtlFlag((static_cast<ULONG>(value) << MTL_SAMPLE_TYPE_SHIFT) & MTL_SAMPLE_TYPE_MASK);
        break;
    case Property::Kind::UVTiling:
        m->ClearMtlFlag(MTL_SAMPLE_UV_TILING_MASK);
        m->SetMtlFlag((static_cast<ULONG>(value) << MTL_SAMPLE_UV_TILING_SHIFT) & MTL_SAMPLE_UV_TILING_MASK);
        break;
    case Property::Kind::EffectsID: m->SetGBufID(static_cast<ULONG>(value)); break;
    case Property::Kind::ActiveMap: break;
    }
}

void RefAnimMtl::Snapshot(MtlBase* m) {
    for (const Property& p : kProperties) Store(p, CurrentValue(m, p));
    if (TracksActiveMap()) ReplaceReference(1, m->GetActiveTexmap());
}

// ---- the operations

RefResult RefAnimMtl::SetAnim(ReferenceTarget* anim) {
    const RefResult res = RefAnim::SetAnim(anim);
    if (MtlBase* m = Material()) {
        name_ = m->GetName();
        Snapshot(m);
    }
    return res;
}

RefResult RefAnimMtl::NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID& partID, RefMessage message, BOOL) {
    MtlBase* m = Material();
    if (!m || hTarget != m || IsOverridden(REFANIM_MODIFIED | REFANIM_REPLACED)) return REF_STOP;
    const OperationCode op = GetCurrentOperation();
    if (op == OperationCode::Load) {
        // The merge replaced the material's maps: the user's viewport map goes back on once it is bound.
        if (message == REFMSG_SUBANIM_STRUCTURE_CHANGED && finished_ && TracksActiveMap() && m->GetActiveTexmap() != activeMap_)
            ApplyActiveMap();
        return REF_STOP;
    }
    if (op != OperationCode::None) return REF_STOP;
    if (message == REFMSG_CHANGE && partID == PART_DISPLAY && TracksActiveMap() && m->GetActiveTexmap() != activeMap_) {
        ReplaceReference(1, m->GetActiveTexmap());
        if (!IsOverridden(REFANIM_TOGGLED)) SetOverriddenFlag(REFANIM_TOGGLED, true, true);
        SetFlagBits(mask_, kActiveMap, true, false, this);
    } else if (message == REFMSG_NODE_NAMECHANGE && m->GetName() != name_.Str()) {
        name_ = m->GetName();
        // Undo and redo put the state back themselves; the name only follows. The record's own material
        // is named by the record (prefix and the user's name), so only materials below it are renamed here.
        if (!theHold.RestoreOrRedoing() && GetPathNames().size() > 1 && !IsOverridden(REFANIM_RENAMED))
            SetOverriddenFlag(REFANIM_RENAMED, true, true);
    }
    return REF_STOP;
}

void RefAnimMtl::CollectLocDep(DWORD stamp) {
    RefAnim::CollectLocDep(stamp);
    finished_ = false;
    MtlBase* m = Material();
    if (!m) return;
    // Flags and the effects channel change without a message of their own: they are compared here.
    bool changed = false;
    for (const Property& p : kProperties) {
        if (p.kind == Property::Kind::ActiveMap) continue;
        const int now = CurrentValue(m, p);
        if (now == StoredValue(p)) continue;
        Store(p, now);
        SetFlagBits(mask_, p.mask, true, false, this);
        changed = true;
    }
    if (changed && !IsOverridden(REFANIM_TOGGLED)) SetOverriddenFlag(REFANIM_TOGGLED, true, true);
}

void RefAnimMtl::FollowActiveMapInto(MtlBase* fresh) {
    MtlBase* old = Material();
    if (!old || !activeMap_ || old == fresh) return;
    for (int i = 0; i < old->NumSubTexmaps(); ++i) {
        if (old->GetSubTexmap(i) != activeMap_) continue;
        if (i < fresh->NumSubTexmaps()) ReplaceReference(1, fresh->GetSubTexmap(i));
        return;
    }
}

void RefAnimMtl::Override(Animatable* root) {
    if (IsOverridden(REFANIM_MODIFIED | REFANIM_REPLACED)) {
        RefAnim::Override(root);
        return;
    }
    PathResolution r;
    if (!GetAnimByPath(root, r)) return;
    if (!r.anim || r.anim->SuperClassID() != MirroredSuperClass()) return;
    auto* fresh = static_cast<MtlBase*>(r.anim);
    // A material that is the record's own item keeps the name the record gives it.
    if (IsOverridden(REFANIM_RENAMED) && GetPathNames().size() > 1)
        fresh->SetName(name_.Str());
    else
        name_ = fresh->GetName();
    if (IsOverridden(REFANIM_TOGGLED)) {
        for (const Property& p : kProperties) {
            const bool mine = (mask_ & p.mask) != 0;
            if (p.kind != Property::Kind::ActiveMap)
                mine ? Write(fresh, p, StoredValue(p)) : Store(p, CurrentValue(fresh, p));
            else if (!TracksActiveMap())
                continue;
            else if (!mine)
                ReplaceReference(1, fresh->GetActiveTexmap());
            else {
                // The map is shown once the whole merge is bound (FinishOverride).
                FollowActiveMapInto(fresh);
                RegisterWithHelper();
            }
        }
    } else {
        Snapshot(fresh);
    }
    RefAnim::SetAnim(fresh);
    SetPathByNumber(r.newNumbers);
}

void RefAnimMtl::ApplyActiveMap() {
    auto* m = dynamic_cast<Mtl*>(Material());
    if (!m) return;
    if (!activeMap_) {
        if (MtlBase* shown = m->GetActiveTexmap()) GetCOREInterface()->DeactivateTexture(shown, m);
    } else if (auto* map = dynamic_cast<MtlBase*>(activeMap_)) {
        GetCOREInterface()->ActivateTexture(map, m);
    }
}

void RefAnimMtl::FinishOverride() {
    if (TracksActiveMap()) ApplyActiveMap();
    finished_ = true;
}

// ---- clone, persistence, dump

void RefAnimMtl::BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) {
    RefAnim::BaseClone(from, to, remap);
    auto* src = dynamic_cast<RefAnimMtl*>(from);
    auto* dst = dynamic_cast<RefAnimMtl*>(to);
    if (!src || !dst) return;
    dst->mask_ = src->mask_;
    dst->bits_ = src->bits_;
    dst->sampleType_ = src->sampleType_;
    dst->uvTiling_ = src->uvTiling_;
    dst->effectsId_ = src->effectsId_;
    dst->name_ = src->name_;
    if (src->activeMap_ && dst->TracksActiveMap()) dst->ReplaceReference(1, src->activeMap_);
}

IOResult RefAnimMtl::Save(ISave* isave) {
    IOResult res = SaveWrappedBase(isave);
    if (res == IO_OK) res = WriteStringChunk(isave, kNameChunk, name_.Str());
    if (res == IO_OK) res = WriteValueChunk(isave, kPropertiesChunk, mask_, bits_, sampleType_, uvTiling_, effectsId_);
    return res;
}

IOResult RefAnimMtl::Load(ILoad* iload) {
    return ForEachChunk(iload, [&](USHORT id) -> IOResult {
        switch (id) {
        case kWrappedBaseChunk: return LoadWrappedBase(iload);
        case kNameChunk: {
            MSTR s;
            const IOResult r = iload->ReadWStringChunk(s);
            name_ = s;
            return r;
        }
        case kPropertiesChunk: return ReadValues(iload, mask_, bits_, sampleType_, uvTiling_, effectsId_);
        default: return LoadKindChunk(iload);
        }
    });
}

MSTR RefAnimMtl::Describe() {
    MSTR s = RefAnim::Describe() + L"\nMtl overrides: ";
    for (const Property& p : kProperties)
        if (mask_ & p.mask) s += p.word;
    return s;
}
