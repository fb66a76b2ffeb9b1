// Morph channels: edits with undo and messages, persistence of the channels in use, and their dump.
#include "host/scene/objects/Morpher.h"

#include "host/scene/INode.h"

#include <cstdio>

namespace {

const MorphChannel kFreshChannel;

class MorphChannelRestore : public RestoreObj {
public:
    MorphChannelRestore(MorpherModifier* m, int index, MorphChannel before, MorphChannel after)
        : handle_(Animatable::GetHandleByAnim(m)), index_(index), before_(std::move(before)),
          after_(std::move(after)) {}
    void Restore(int /*isUndo*/) override { Apply(before_); }
    void Redo() override { Apply(after_); }
    MSTR Description() override { return L"Morph Channel"; }

private:
    void Apply(const MorphChannel& c) {
        if (auto* m = dynamic_cast<MorpherModifier*>(Animatable::GetAnimByHandle(handle_)))
            m->ApplyChannel(index_, c);
    }
    AnimHandle handle_;
    int index_;
    MorphChannel before_, after_;
};

bool InRange(int i) {
    return i >= 0 && i < MorpherModifier::kNumChannels;
}

} // namespace

MorpherModifier::~MorpherModifier() {
    // The base destructor no longer sees the target slots.
    DeleteAllRefs();
}

RefTargetHandle MorpherModifier::GetReference(int i) {
    const int k = i - ConfiguredModifier<Modifier>::NumRefs();
    if (k < 0) return ConfiguredModifier<Modifier>::GetReference(i);
    return InRange(k) ? targets_[k] : nullptr;
}

void MorpherModifier::SetReference(int i, RefTargetHandle t) {
    const int k = i - ConfiguredModifier<Modifier>::NumRefs();
    if (k < 0)
        ConfiguredModifier<Modifier>::SetReference(i, t);
    else if (InRange(k))
        targets_[k] = t;
}

BOOL MorpherModifier::IsRealDependency(ReferenceTarget* t) {
    for (ReferenceTarget* target : targets_)
        if (t && target == t) return FALSE;
    return ConfiguredModifier<Modifier>::IsRealDependency(t);
}

INode* MorpherModifier::GetChannelTarget(int i) const {
    return InRange(i) ? static_cast<INode*>(targets_[i]) : nullptr;
}

bool MorpherModifier::SetChannelTarget(int i, INode* node) {
    if (!InRange(i)) return false;
    if (targets_[i] == node) return true;
    if (ReplaceReference(TargetRef(i), node) != REF_SUCCEED) return false;
    NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
    return true;
}

bool MorpherModifier::BuildFromNode(int i, INode* node) {
    if (!SetChannelTarget(i, node)) return false;
    if (node && GetChannel(i).name.isNull()) SetChannelName(i, node->GetName());
    return true;
}

const MorphChannel& MorpherModifier::GetChannel(int i) const {
    return InRange(i) ? channels_[i] : kFreshChannel;
}

void MorpherModifier::SetChannel(int i, const MorphChannel& c) {
    if (!InRange(i) || channels_[i] == c) return;
    if (theHold.Holding()) theHold.Put(new MorphChannelRestore(this, i, channels_[i], c));
    ApplyChannel(i, c);
}

void MorpherModifier::SetChannelActive(int i, BOOL on) {
    MorphChannel c = GetChannel(i);
    c.active = on ? TRUE : FALSE;
    SetChannel(i, c);
}

void MorpherModifier::SetChannelName(int i, const MSTR& name) {
    MorphChannel c = GetChannel(i);
    c.name = name;
    SetChannel(i, c);
}

void MorpherModifier::SetChannelWeight(int i, float w) {
    MorphChannel c = GetChannel(i);
    c.weight = w;
    SetChannel(i, c);
}

void MorpherModifier::SetProgressiveWeights(int i, const std::vector<float>& w) {
    MorphChannel c = GetChannel(i);
    c.progressiveWeights = w;
    SetChannel(i, c);
}

void MorpherModifier::ApplyChannel(int i, const MorphChannel& c) {
    if (!InRange(i)) return;
    channels_[i] = c;
    NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
}

void MorpherModifier::CopyOwnState(ConfiguredCore* to) {
    auto* m = static_cast<MorpherModifier*>(to);
    for (int i = 0; i < kNumChannels; ++i) {
        m->channels_[i] = channels_[i];
        // A target is a scene node outside the copy: the copy morphs towards the same one.
        if (targets_[i]) m->ReplaceReference(m->TargetRef(i), targets_[i]);
    }
}

IOResult MorpherModifier::SaveOwn(ISave* isave) {
    ULONG nw = 0;
    isave->BeginChunk(kChannelsChunk);
    for (int i = 0; i < kNumChannels; ++i) {
        const MorphChannel& c = channels_[i];
        if (!c.IsUsed()) continue;
        isave->BeginChunk(kChannelChunk);
        isave->BeginChunk(kChannelDataChunk);
        const int head[2] = {i, c.active};
        const int n = static_cast<int>(c.progressiveWeights.size());
        WriteValues(isave, head, c.weight, n);
        if (n) isave->Write(c.progressiveWeights.data(), static_cast<ULONG>(n * sizeof(float)), &nw);
        isave->EndChunk();
        if (!c.name.isNull()) WriteStringChunk(isave, kChannelNameChunk, c.name);
        isave->EndChunk();
    }
    return isave->EndChunk();
}

IOResult MorpherModifier::LoadOwnChunk(ILoad* iload) {
    if (iload->CurChunkID() != kChannelsChunk) return IO_OK;
    const IOResult res = ForEachChunk(iload, [&](USHORT id) {
        if (id != kChannelChunk) return IO_OK;
        MorphChannel c;
        int index = -1;
        const IOResult r = ForEachChunk(iload, [&](USHORT sub) {
            if (sub == kChannelNameChunk) return iload->ReadWStringChunk(c.name);
            if (sub != kChannelDataChunk) return IO_OK;
            int head[2] = {-1, 1};
            int n = 0;
            IOResult data = ReadValues(iload, head, c.weight);
            if (data == IO_OK) data = ReadCount(iload, n, iload->CurChunkLength() / sizeof(float));
            if (data == IO_OK) {
                c.progressiveWeights.resize(static_cast<size_t>(n));
                ULONG nr = 0;
                if (n) data = iload->Read(c.progressiveWeights.data(), static_cast<ULONG>(n * sizeof(float)), &nr);
            }
            index = head[0];
            c.active = head[1] ? TRUE : FALSE;
            return data;
        });
        if (r != IO_OK || !InRange(index)) return IO_ERROR;
        channels_[index] = c;
        return IO_OK;
    });
    return res == IO_OK ? IO_OK : IO_ERROR;
}

void MorpherModifier::DumpOwn(std::ostream& os, int indent) {
    const std::string pad(static_cast<size_t>(indent), ' ');
    char buf[64];
    for (int i = 0; i < kNumChannels; ++i) {
        const MorphChannel& c = channels_[i];
        if (!c.IsUsed() && !targets_[i]) continue;
        std::snprintf(buf, sizeof(buf), "%.4f", c.weight);
        os << pad << "channel " << i << " \"" << c.name << "\" " << (c.active ? "on" : "off") << " weight "
           << buf;
        if (!c.progressiveWeights.empty()) {
            os << " progressive (";
            for (size_t k = 0; k < c.progressiveWeights.size(); ++k) {
                std::snprintf(buf, sizeof(buf), "%.4f", c.progressiveWeights[k]);
                os << (k ? ", " : "") << buf;
            }
            os << ")";
        }
        if (targets_[i]) os << " target " << DumpTargetName(targets_[i]);
        os << "\n";
    }
}
