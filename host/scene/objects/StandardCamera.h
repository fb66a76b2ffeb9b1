// The standard cameras (free, target): the configured camera with its manual clipping and orthographic
// switches, undoable, saved with the camera and shown in its dump when on.
#pragma once

#include "host/scene/objects/ConfiguredObject.h"

class StandardCamera : public ConfiguredObject<GenCamera> {
public:
    enum Flag : int { kClipManually = 1, kOrthographic = 2, kShowCone = 4, kShowHorizon = 8, kShowRanges = 16 };

    StandardCamera(ObjectClassDesc* cd, BOOL loading) : ConfiguredObject<GenCamera>(cd, loading) {}

    void SetManualClip(int onOff) override { SetFlag(kClipManually, onOff != 0); }
    int GetManualClip() override { return GetFlag(kClipManually); }
    void SetOrtho(BOOL b) override { SetFlag(kOrthographic, b != 0); }
    BOOL IsOrtho() override { return GetFlag(kOrthographic); }
    void SetConeState(int s) override { SetFlag(kShowCone, s != 0); }
    int GetConeState() override { return GetFlag(kShowCone); }
    void SetHorzLineState(int s) override { SetFlag(kShowHorizon, s != 0); }
    int GetHorzLineState() override { return GetFlag(kShowHorizon); }
    void SetEnvDisplay(BOOL b, int /*notify*/ = TRUE) override { SetFlag(kShowRanges, b != 0); }
    BOOL GetEnvDisplay() override { return GetFlag(kShowRanges); }

    bool GetFlag(Flag f) const { return (flags_ & f) != 0; }
    // An undo record while holding, and a change message.
    void SetFlag(Flag f, bool on);
    // Stores all flags and notifies without undo record (undo and redo).
    void ApplyFlags(int flags);

protected:
    void CopyOwnState(ConfiguredCore* to) override { static_cast<StandardCamera*>(to)->flags_ = flags_; }
    IOResult SaveOwn(ISave* isave) override;
    IOResult LoadOwnChunk(ILoad* iload) override;
    void DumpOwn(std::ostream& os, int indent) override;

private:
    static constexpr USHORT kFlagsChunk = 0x3B20;
    int flags_ = 0;
};
