// The standard lights (omni, spots, directionals): the configured light with its shadow switch and its
// non-animated settings (attenuation switches and decay, cone display, what the light affects), undoable,
// saved with the light and shown in its dump when set.
#pragma once

#include "host/scene/objects/ConfiguredObject.h"

class StandardLight : public ConfiguredObject<LightObject> {
public:
    // Switches whose default is off; the light affects diffuse and specular unless told not to.
    enum Flag : int {
        kUseNearAtten = 1,
        kUseFarAtten = 2,
        kShowCone = 4,
        kOvershoot = 8,
        kAtmosShadows = 16,
        kNoDiffuse = 32,
        kNoSpecular = 64,
        kAmbientOnly = 128,
        kRectangleCone = 256, // a spot's or directional's cone is a rectangle, not a circle
    };
    // Decay: 0 none, 1 inverse, 2 inverse square (scripts count from 1).
    struct State {
        BOOL shadow = FALSE;
        int flags = 0;
        int decay = 0;
    };

    StandardLight(ObjectClassDesc* cd, BOOL loading) : ConfiguredObject<LightObject>(cd, loading) {}

    BOOL GetShadow() const { return state_.shadow; }
    bool GetFlag(Flag f) const { return (state_.flags & f) != 0; }
    int GetDecay() const { return state_.decay; }
    const State& GetState() const { return state_; }
    // Each records an undo step while holding and sends a change message.
    void SetShadow(BOOL on);
    void SetFlag(Flag f, bool on);
    // A decay out of 0..2 is refused with false.
    bool SetDecay(int decay);
    void SetState(const State& s);
    // Stores and notifies without undo record (undo and redo).
    void ApplyState(const State& s);

protected:
    void CopyOwnState(ConfiguredCore* to) override { static_cast<StandardLight*>(to)->state_ = state_; }
    IOResult SaveOwn(ISave* isave) override;
    IOResult LoadOwnChunk(ILoad* iload) override;
    void DumpOwn(std::ostream& os, int indent) override;

private:
    static constexpr USHORT kShadowChunk = 0x3B10;
    static constexpr USHORT kFlagsChunk = 0x3B11;
    static constexpr USHORT kDecayChunk = 0x3B12;
    State state_;
};
