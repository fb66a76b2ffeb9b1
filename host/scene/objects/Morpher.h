// The Morpher modifier: a hundred morph channels, each with an on state, a name, a weight, the weights of
// its progressive targets and the node it morphs towards.
#pragma once

#include "host/scene/objects/ConfiguredObject.h"

#include <vector>

struct MorphChannel {
    BOOL active = TRUE;
    MSTR name;
    float weight = 0.0f;
    std::vector<float> progressiveWeights;
    // A channel is in use once anything differs from a fresh channel.
    bool IsUsed() const { return !active || !name.isNull() || weight != 0.0f || !progressiveWeights.empty(); }
    bool operator==(const MorphChannel& o) const {
        return active == o.active && name == o.name && weight == o.weight &&
               progressiveWeights == o.progressiveWeights;
    }
};

// Every channel edit notifies REFMSG_CHANGE (PART_ALL) and puts a restore object while holding; undo
// and redo notify again. Indices out of range are ignored (getters answer a fresh channel). The channels'
// target nodes are the modifier's references, one per channel (weak: a target is a scene node, saved with
// the scene anyway); a changed target is undone with the reference.
class MorpherModifier : public ConfiguredModifier<Modifier> {
public:
    static constexpr int kNumChannels = 100;

    MorpherModifier(ObjectClassDesc* cd, BOOL loading) : ConfiguredModifier<Modifier>(cd, loading) {}
    ~MorpherModifier() override;

    int NumRefs() override { return ConfiguredModifier<Modifier>::NumRefs() + kNumChannels; }
    RefTargetHandle GetReference(int i) override;
    BOOL IsRealDependency(ReferenceTarget* t) override;
    INode* GetChannelTarget(int i) const;
    // False (nothing changed) for an index out of range or a node that depends on this modifier.
    bool SetChannelTarget(int i, INode* node);
    // The node becomes the channel's target; an unnamed channel takes the node's name.
    bool BuildFromNode(int i, INode* node);

    const MorphChannel& GetChannel(int i) const;
    void SetChannel(int i, const MorphChannel& c);
    BOOL GetChannelActive(int i) const { return GetChannel(i).active; }
    void SetChannelActive(int i, BOOL on);
    MSTR GetChannelName(int i) const { return GetChannel(i).name; }
    void SetChannelName(int i, const MSTR& name);
    float GetChannelWeight(int i) const { return GetChannel(i).weight; }
    void SetChannelWeight(int i, float w);
    const std::vector<float>& GetProgressiveWeights(int i) const { return GetChannel(i).progressiveWeights; }
    void SetProgressiveWeights(int i, const std::vector<float>& w);

    // Stores and notifies without undo record (undo and redo).
    void ApplyChannel(int i, const MorphChannel& c);

    static constexpr USHORT kChannelsChunk = 0x4100;
    static constexpr USHORT kChannelChunk = 0x4101;
    static constexpr USHORT kChannelDataChunk = 0x4102;
    static constexpr USHORT kChannelNameChunk = 0x4103;

protected:
    void SetReference(int i, RefTargetHandle t) override;
    void CopyOwnState(ConfiguredCore* to) override;
    IOResult SaveOwn(ISave* isave) override;
    IOResult LoadOwnChunk(ILoad* iload) override;
    void DumpOwn(std::ostream& os, int indent) override;

private:
    int TargetRef(int i) { return ConfiguredModifier<Modifier>::NumRefs() + i; }

    MorphChannel channels_[kNumChannels];
    ReferenceTarget* targets_[kNumChannels] = {};
};
