// The standard cameras (free, target): the configured camera with its manual clipping and orthographic
// switches, undoable, saved with the camera and shown in its dump when on.
#pragma once

#include "host/scene/objects/ConfiguredObject.h"

class StandardCamera : public ConfiguredObject<CameraObject> {
public:
    enum Flag : int { kClipManually = 1, kOrthographic = 2, kShowCone = 4, kShowHorizon = 8, kShowRanges = 16 };

    StandardCamera(ObjectClassDesc* cd, BOOL loading) : ConfiguredObject<CameraObject>(cd, loading) {}

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
