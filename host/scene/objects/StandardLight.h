// The standard lights (omni, spots, directionals): the configured light with its shadow switch, undoable,
// saved with the light and shown in its dump when on.
#pragma once

#include "host/scene/objects/ConfiguredObject.h"

class StandardLight : public ConfiguredObject<LightObject> {
public:
    StandardLight(ObjectClassDesc* cd, BOOL loading) : ConfiguredObject<LightObject>(cd, loading) {}

    BOOL GetShadow() const { return shadow_; }
    // An undo record while holding, and a change message.
    void SetShadow(BOOL on);
    // Stores and notifies without undo record (undo and redo).
    void ApplyShadow(BOOL on);

protected:
    void CopyOwnState(ConfiguredCore* to) override { static_cast<StandardLight*>(to)->shadow_ = shadow_; }
    IOResult SaveOwn(ISave* isave) override;
    IOResult LoadOwnChunk(ILoad* iload) override;
    void DumpOwn(std::ostream& os, int indent) override;

private:
    static constexpr USHORT kShadowChunk = 0x3B10;
    BOOL shadow_ = FALSE;
};
