// The mirror of a referenced CAT rig's parent controller: the rig settings, animation layers, IK targets,
// up nodes and footprint transforms the user changed, put on the fresh rig after every merge; edits of the
// rig's bone structure refused.
#pragma once

#include "host/core/Matrix3.h"
#include "host/scene/ISceneEventManager.h"
#include "host/scene/cat/ICATParent.h"
#include "plugin/anims/RefAnimKind.h"

#include <array>
#include <cstdint>
#include <vector>

// The rig is rebuilt by every merge, so the mirror never keeps the parent controller (IsModified answers
// false). It compares the rig with the author's rig as merged (taken at SetAnim and again at each
// override) and keeps only the differences: parts the user left alone take the author's later changes.
// References: 0 the parent controller; then the IK target and the up node the user gave each limb, held
// as real dependencies and put in the fresh rig's slots.
class RefAnimCAT : public RefAnimKind<RefAnimCAT, RefAnim, KIND_CAT, IDS_REFANIMCAT>, public INodeEventCallback {
public:
    explicit RefAnimCAT(BOOL loading = FALSE) : RefAnimKind(loading) {}
    ~RefAnimCAT() override;

    static constexpr int kLimbs = 4;
    // What the user changed.
    enum : std::uint32_t {
        kCATMode = 0x01,
        kCATUnits = 0x02,
        kLengthAxis = 0x04,
        kTrackDisplay = 0x08,
        kRigColoringMode = 0x10,
        kLayers = 0x20,
        kFootprints = 0x40,
    };

    BOOL CanTransferReference(int i) override { return i == 0 ? RefAnim::CanTransferReference(i) : FALSE; }
    int NumRefs() override { return 1 + 2 * kLimbs; }
    RefTargetHandle GetReference(int i) override;
    BOOL IsRealDependency(ReferenceTarget* rtarg) override;
    bool IsModified() const override { return false; }
    // A change of the rig under no operation, outside undo and redo, records the differences and marks
    // Modified when there are any.
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    // Takes the author's rig as merged (unless the user's changes are recorded) and watches the bone
    // structure, then follows the controller.
    RefResult SetAnim(ReferenceTarget* anim) override;
    // Reads the latest differences before the content goes away, then decides LocDep as any mirror.
    void CollectLocDep(DWORD stamp) override;
    // Puts the recorded differences on the fresh rig and follows it.
    void Override(Animatable* root) override;
    void BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) override;
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;
    MSTR Describe() override;

    // A bone added to or taken from the mirrored rig is refused.
    void ControllerStructured(NodeKeyTab& nodes) override { RefuseBoneEdit(nodes); }
    void Deleted(NodeKeyTab& nodes) override { RefuseBoneEdit(nodes); }

    std::uint32_t GetChanged() const { return changed_; }
    const CATRigSettings& GetSettings() const { return settings_; }

    static constexpr USHORT kOldChangedChunk = 0x2A;
    static constexpr USHORT kSettingsChunk = 0x2B;
    static constexpr USHORT kAddedLayersChunk = 0x2C;
    static constexpr USHORT kRemovedLayersChunk = 0x2D;
    static constexpr USHORT kFootprintsChunk = 0x2E;
    static constexpr USHORT kLimbCountChunk = 0x35;
    static constexpr USHORT kChangedChunk = 0x36;
    static constexpr USHORT kLayerNameChunk = 0x01;

    static constexpr const MCHAR* kBoneEditMessage = L"The bone structure of a referenced CAT rig can't be modified.";
    static constexpr const MCHAR* kBoneEditTitle = L"Error";

protected:
    void SetReference(int i, RefTargetHandle rtarg) override;

private:
    ICATParent* Rig() const;
    // The author's rig: settings, layers, IK target and up nodes, footprint transforms.
    void TakeAuthor(ICATParent* rig);
    // The differences between rig and the author's: values, layer names, the user's nodes, footprints.
    void ReadDifferences(ICATParent* rig);
    void Apply(ICATParent* fresh);
    void Watch(bool on);
    void RefuseBoneEdit(NodeKeyTab& nodes);

    std::array<ReferenceTarget*, 2 * kLimbs> nodes_{};
    std::uint32_t changed_ = 0;
    CATRigSettings settings_;
    std::vector<MSTR> addedLayers_;
    std::vector<MSTR> removedLayers_;
    std::vector<Matrix3> footprints_;

    CATRigSettings authorSettings_;
    std::vector<MSTR> authorLayers_;
    std::array<AnimHandle, 2 * kLimbs> authorNodes_{};
    std::vector<Matrix3> authorFootprints_;
    CallbackKey watch_ = 0;
};
