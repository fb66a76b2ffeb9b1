// The mirror of a referenced Biped's root controller: the user's Biped animation kept as the Biped's own
// saved files (their bytes held in the mirror and in the scene file) and loaded into the fresh Biped after
// every merge; figure-mode editing of a referenced Biped refused.
#pragma once

#include "host/core/Point3.h"
#include "host/core/Quat.h"
#include "plugin/anims/RefAnimKind.h"

#include <array>
#include <cstdint>
#include <vector>

class IBipMaster;

// A Biped's animation lives in its master and its body parts, which moving references alone cannot carry
// over, so the mirror never keeps the root controller (IsModified answers false). References: 0 the root
// controller; 1 the root controller's reference 0 (the Biped's master, whose change messages are the
// user's edits of the animation); 2 to 6 the key controllers (reference 1 of the transform controller) of
// the body parts with the ids in kPartIds, held as real dependencies so they outlive the unload and are
// put on the fresh parts. The Toggled bit says the root has tracks without keys whose pose the mirror
// keeps itself (root position and rotation); Modified says the animation file must be loaded again.
class RefAnimBip : public RefAnimKind<RefAnimBip, RefAnim, KIND_BIP, IDS_REFANIMBIP> {
public:
    explicit RefAnimBip(BOOL loading = FALSE) : RefAnimKind(loading) {}
    ~RefAnimBip() override;

    static constexpr int kParts = 5;
    static constexpr std::array<int, kParts> kPartIds{0, 1, 4, 5, 10};

    BOOL CanTransferReference(int i) override { return i == 0 ? RefAnim::CanTransferReference(i) : FALSE; }
    int NumRefs() override { return 2 + kParts; }
    RefTargetHandle GetReference(int i) override;
    // Only the held part controllers are kept alive.
    BOOL IsRealDependency(ReferenceTarget* rtarg) override;
    bool IsModified() const override { return false; }
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    // Ends figure mode, takes the master as reference 1 and the mixer mode, then follows the controller.
    RefResult SetAnim(ReferenceTarget* anim) override;
    // Keeps the root's pose (Toggled) and, when the user changed the animation (Modified), the Biped's
    // animation and mixer files. Failures are written to the listener and leave the buffer empty.
    void CollectLocDep(DWORD stamp) override;
    // Loads the kept files into the fresh Biped and follows it.
    void Override(Animatable* root) override;
    // Puts the kept root pose on the tracks that have no key.
    void FinishOverride() override;
    void BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) override;
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;
    MSTR Describe() override;

    const std::vector<std::uint8_t>& GetBipData() const { return bipData_; }
    const std::vector<std::uint8_t>& GetMixerData() const { return mixerData_; }
    // The temporary files the Biped's data passes through.
    static WStr AnimFilePath();
    static WStr MixerFilePath();

    static constexpr USHORT kBipDataChunk = 0x2A;
    static constexpr USHORT kMixerDataChunk = 0x2B;
    static constexpr USHORT kLayersChunk = 0x2C;
    static constexpr USHORT kSwitchesChunk = 0x2D;
    static constexpr USHORT kRootPoseChunk = 0x2E;
    static constexpr USHORT kMixerChangedChunk = 0x2F;
    static constexpr USHORT kMixerModeChunk = 0x30;

protected:
    void SetReference(int i, RefTargetHandle rtarg) override;

private:
    // The Biped's files read into buffers; false when the listener got a message.
    void CollectFiles(IBipMaster* bip);
    // Whether each of the root's three tracks has a key; false when one is missing.
    bool RootTrackKeys(bool keyed[3]) const;
    void UpdateToggled(bool undoable);

    ReferenceTarget* master_ = nullptr;
    std::array<ReferenceTarget*, kParts> parts_{};
    std::vector<std::uint8_t> bipData_;
    std::vector<std::uint8_t> mixerData_;
    std::int32_t layerCount_ = 0;
    std::int32_t switches_[2] = {0, 0};
    Point3 rootPos_;
    Quat rootRot_;
    std::int32_t mixerChanged_ = 0;
    std::int32_t mixerMode_ = 0;
};
