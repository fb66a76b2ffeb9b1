// The mirror of a rig controller of a CAT rig: the pose the user gave it, kept in the mirror rather than
// by keeping the controller.
#pragma once

#include "host/core/Matrix3.h"
#include "plugin/anims/RefAnimKind.h"

// A rig controller belongs to its rig, which the referenced file rebuilds at every merge, so the mirror
// never keeps the controller itself (IsModified answers false): it keeps the transform the user set, marks
// itself with the Modified bit, and sets that transform on the fresh controller after each merge.
class RefAnimCATCtrl : public RefAnimKind<RefAnimCATCtrl, RefAnim, KIND_CAT_CTRL, IDS_REFANIMCATCTRL> {
public:
    using RefAnimKind::RefAnimKind;

    bool IsModified() const override { return false; }
    bool IsPassive() const override { return true; }
    // The controller is kept only when the user put it there or something local uses it.
    BOOL IsRealDependency(ReferenceTarget* rtarg) override;
    // A change of the controller's value records the new pose (and re-reads it during undo and redo).
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    // Follows the controller; an unposed mirror remembers the file's transform to compare with.
    RefResult SetAnim(ReferenceTarget* anim) override;
    // Takes the latest pose before the content goes away, then decides LocDep as any mirror.
    void CollectLocDep(DWORD stamp) override;
    // Follows the fresh controller and, when posed, sets the user's transform on it.
    void Override(Animatable* root) override;
    void BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) override;
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;
    MSTR Describe() override;

    bool IsPosed() const { return IsOverridden(REFANIM_MODIFIED); }
    const Matrix3& GetPose() const { return pose_; }

    static constexpr USHORT kPoseChunk = 0x2A;

private:
    // The controller's transform at time 0; false when anim is not a transform controller.
    bool ReadPose(Animatable* anim, Matrix3& out) const;

    Matrix3 pose_;
};
