// The mirror of a camera: the switches the user changed on it (manual clipping, orthographic projection,
// cone, horizon line and environment range display), kept in the mirror and given to the fresh camera after
// every merge.
#pragma once

#include "plugin/anims/RefAnimKind.h"

#include <cstdint>

class GenCamera;

// The camera's parameters are mirrored by its parameter block mirror; this one keeps the switches that live
// in the camera itself. IsModified answers false: the camera is never kept, what the user changed is (the
// Modified bit tells that).
class RefAnimCam : public RefAnimKind<RefAnimCam, RefAnim, KIND_CAM, IDS_REFANIMCAM> {
public:
    using RefAnimKind::RefAnimKind;

    // One bit per switch, in the set of values and in the set of what the user changed.
    static constexpr std::uint8_t kManualClip = 0x01;
    static constexpr std::uint8_t kOrtho = 0x02;
    static constexpr std::uint8_t kCone = 0x04;
    static constexpr std::uint8_t kHorizon = 0x08;
    static constexpr std::uint8_t kEnvRanges = 0x10;
    static constexpr std::uint8_t kAllSwitches = 0x1F;

    bool IsModified() const override { return false; }
    // Every switch notifies: a difference from the stored switches is the user's, stored, its bit set and the
    // mirror marked, all undoable. Undo and redo re-read the switches.
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    // Compares once more before the content goes: a switch changed while messages were ignored counts too.
    void CollectLocDep(DWORD stamp) override;
    // Follows the fresh camera and gives it the switches the user changed.
    void Override(Animatable* root) override;
    void BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) override;
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;

    std::uint8_t GetSwitches() const { return switches_; }
    std::uint8_t GetChangedSet() const { return changed_; }

    static constexpr USHORT kSwitchesChunk = 0x2A;
    static constexpr USHORT kChangedChunk = 0x2B;

protected:
    // A camera arriving in reference 0 gives the switches the user did not change.
    void SetReference(int i, RefTargetHandle rtarg) override;

private:
    static GenCamera* CameraOf(Animatable* anim);
    static std::uint8_t SwitchesOf(GenCamera* cam);
    // Takes the camera's value of the switches in diff as the user's.
    void Change(std::uint8_t diff);

    std::uint8_t switches_ = 0;
    std::uint8_t changed_ = 0;
};
