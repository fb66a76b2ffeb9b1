// The Morpher mirror: channel fields changed one by one, written back after every merge.
#include "plugin/anims/RefAnimMorpher.h"

#include "host/core/ChunkFields.h"
#include "host/core/Hold.h"
#include "plugin/anims/RefAnimRestore.h"
#include "plugin/frame/OperationCode.h"

namespace {

constexpr std::uint8_t kAllFields =
    RefAnimMorpher::kActive | RefAnimMorpher::kName | RefAnimMorpher::kWeight | RefAnimMorpher::kProgressive;

std::uint8_t Differing(const MorphChannel& a, const MorphChannel& b) {
    std::uint8_t d = 0;
    if (a.active != b.active) d |= RefAnimMorpher::kActive;
    if (!(a.name == b.name)) d |= RefAnimMorpher::kName;
    if (a.weight != b.weight) d |= RefAnimMorpher::kWeight;
    if (a.progressiveWeights != b.progressiveWeights) d |= RefAnimMorpher::kProgressive;
    return d;
}

const MorphChannel kFresh;

} // namespace

MorpherModifier* RefAnimMorpher::MorpherOf(Animatable* anim) {
    return anim && anim->SuperClassID() == OSM_CLASS_ID ? dynamic_cast<MorpherModifier*>(anim) : nullptr;
}

std::uint8_t RefAnimMorpher::GetChannelState(int i) const {
    return i >= 0 && i < kChannels ? states_[static_cast<size_t>(i)] : 0;
}

const MorphChannel& RefAnimMorpher::GetChannel(int i) const {
    return i >= 0 && i < kChannels ? channels_[static_cast<size_t>(i)] : kFresh;
}

void RefAnimMorpher::Take(int i, const MorphChannel& c, std::uint8_t mask) {
    MorphChannel& mine = channels_[static_cast<size_t>(i)];
    if (mask & kActive) mine.active = c.active;
    if (mask & kName) mine.name = c.name;
    if (mask & kWeight) mine.weight = c.weight;
    if (mask & kProgressive) mine.progressiveWeights = c.progressiveWeights;
}

void RefAnimMorpher::SetReference(int i, RefTargetHandle rtarg) {
    ModifierMirror<RefAnim>::SetReference(i, rtarg);
    if (MorpherModifier* morpher = i == 0 ? MorpherOf(rtarg) : nullptr)
        for (int c = 0; c < kChannels; ++c)
            Take(c, morpher->GetChannel(c), static_cast<std::uint8_t>(kAllFields & ~states_[static_cast<size_t>(c)]));
}

BOOL RefAnimMorpher::IsRealDependency(ReferenceTarget* rtarg) {
    if (rtarg && rtarg == GetAnim()) return IsOverridden(REFANIM_REPLACED) ? TRUE : FALSE;
    return ModifierMirror<RefAnim>::IsRealDependency(rtarg);
}

void RefAnimMorpher::CompareAll(MorpherModifier* morpher) {
    bool changed = false;
    for (int c = 0; c < kChannels; ++c) {
        const MorphChannel& now = morpher->GetChannel(c);
        const std::uint8_t diff = Differing(now, channels_[static_cast<size_t>(c)]);
        if (!diff) continue;
        Take(c, now, diff);
        SetFlagBits(states_[static_cast<size_t>(c)], diff, true, true, this);
        changed = true;
    }
    if (changed && !IsOverridden(REFANIM_MODIFIED)) SetOverriddenFlag(REFANIM_MODIFIED, true, true);
}

RefResult RefAnimMorpher::NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID&, RefMessage message,
                                           BOOL) {
    MorpherModifier* morpher = MorpherOf(GetAnim());
    if (!morpher || !IsUserChangeOfAnim(hTarget, message)) return REF_STOP;
    if (theHold.RestoreOrRedoing()) {
        for (int c = 0; c < kChannels; ++c) Take(c, morpher->GetChannel(c), kAllFields);
        return REF_STOP;
    }
    CompareAll(morpher);
    return REF_STOP;
}

void RefAnimMorpher::CollectLocDep(DWORD stamp) {
    if (MorpherModifier* morpher = IsOverridden(REFANIM_REPLACED) ? nullptr : MorpherOf(GetAnim()))
        CompareAll(morpher);
    RefAnim::CollectLocDep(stamp);
}

void RefAnimMorpher::Override(Animatable* root) {
    PathResolution r;
    if (!FollowToFresh(root, r)) return;
    MorpherModifier* morpher = MorpherOf(r.anim);
    if (!morpher || !IsOverridden(REFANIM_MODIFIED)) return;
    // Following the fresh Morpher took its fields where the user changed nothing; the rest go onto it.
    for (int c = 0; c < kChannels; ++c) {
        const std::uint8_t state = states_[static_cast<size_t>(c)];
        if (!state) continue;
        MorphChannel next = morpher->GetChannel(c);
        const MorphChannel& mine = channels_[static_cast<size_t>(c)];
        if (state & kActive) next.active = mine.active;
        if (state & kName) next.name = mine.name;
        if (state & kWeight) next.weight = mine.weight;
        if (state & kProgressive) next.progressiveWeights = mine.progressiveWeights;
        morpher->SetChannel(c, next);
    }
}

void RefAnimMorpher::BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) {
    auto* src = dynamic_cast<RefAnimMorpher*>(from);
    if (auto* dst = dynamic_cast<RefAnimMorpher*>(to); src && dst) {
        dst->channels_ = src->channels_;
        dst->states_ = src->states_;
    }
    ModifierMirror<RefAnim>::BaseClone(from, to, remap);
}

IOResult RefAnimMorpher::SaveChannel(ISave* isave, int i) {
    const std::uint8_t state = states_[static_cast<size_t>(i)];
    const MorphChannel& c = channels_[static_cast<size_t>(i)];
    const std::int32_t index = i;
    IOResult res = WriteValueChunk(isave, kChannelStateChunk, index, state);
    if (res == IO_OK && (state & kActive))
        res = WriteValueChunk(isave, kActiveChunk, index, static_cast<std::uint8_t>(c.active ? 1 : 0));
    if (res == IO_OK && (state & kName)) {
        isave->BeginChunk(kNameChunk);
        res = WriteValueChunk(isave, 0, index);
        if (res == IO_OK) res = WriteStringChunk(isave, 1, c.name);
        const IOResult end = isave->EndChunk();
        if (res == IO_OK) res = end;
    }
    if (res == IO_OK && (state & kWeight)) res = WriteValueChunk(isave, kWeightChunk, index, c.weight);
    if (res == IO_OK && (state & kProgressive)) {
        isave->BeginChunk(kProgressiveChunk);
        const auto n = static_cast<std::int32_t>(c.progressiveWeights.size());
        res = WriteValues(isave, index, n);
        ULONG written = 0;
        if (res == IO_OK && n)
            res = isave->Write(c.progressiveWeights.data(), static_cast<ULONG>(n * sizeof(float)), &written);
        const IOResult end = isave->EndChunk();
        if (res == IO_OK) res = end;
    }
    return res;
}

IOResult RefAnimMorpher::Save(ISave* isave) {
    IOResult res = SaveWrappedBase(isave);
    for (int i = 0; res == IO_OK && i < kChannels; ++i)
        if (states_[static_cast<size_t>(i)]) res = SaveChannel(isave, i);
    return res;
}

IOResult RefAnimMorpher::LoadChannelChunk(ILoad* iload) {
    // Every channel chunk starts with its index; one outside the hundred channels is refused with it.
    std::int32_t index = -1;
    const USHORT id = iload->CurChunkID();
    IOResult res = IO_OK;
    if (id == kNameChunk) {
        MSTR name;
        res = ForEachChunk(iload, [&](USHORT sub) -> IOResult {
            if (sub == 0) return ReadCount(iload, index, kChannels - 1);
            if (sub == 1) return iload->ReadWStringChunk(name);
            return IO_OK;
        });
        if (res == IO_OK && index >= 0) channels_[static_cast<size_t>(index)].name = name;
        return res;
    }
    res = ReadCount(iload, index, kChannels - 1);
    if (res != IO_OK) return res;
    MorphChannel& c = channels_[static_cast<size_t>(index)];
    switch (id) {
    case kChannelStateChunk: return ReadValues(iload, states_[static_cast<size_t>(index)]);
    case kActiveChunk: {
        std::uint8_t on = 1;
        res = ReadValues(iload, on);
        c.active = on ? TRUE : FALSE;
        return res;
    }
    case kWeightChunk: return ReadValues(iload, c.weight);
    default: {
        const ULONG length = iload->CurChunkLength();
        std::int32_t n = 0;
        res = ReadCount(iload, n, length < 8 ? 0 : (length - 8) / sizeof(float));
        if (res != IO_OK) return res;
        c.progressiveWeights.assign(static_cast<size_t>(n), 0.0f);
        ULONG read = 0;
        return n ? iload->Read(c.progressiveWeights.data(), static_cast<ULONG>(n * sizeof(float)), &read) : IO_OK;
    }
    }
}

IOResult RefAnimMorpher::Load(ILoad* iload) {
    return ForEachChunk(iload, [&](USHORT id) -> IOResult {
        if (id == kWrappedBaseChunk) return LoadWrappedBase(iload);
        if (id >= kChannelStateChunk && id <= kProgressiveChunk) return LoadChannelChunk(iload);
        return LoadKindChunk(iload);
    });
}

MSTR RefAnimMorpher::Describe() {
    MSTR s = ModifierMirror<RefAnim>::Describe();
    s += L"\nChannels: ";
    for (int i = 0; i < kChannels; ++i)
        if (states_[static_cast<size_t>(i)]) s += WStr::Format(L"%d (%d), ", i, static_cast<int>(states_[static_cast<size_t>(i)]));
    return s;
}
