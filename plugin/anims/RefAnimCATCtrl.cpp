// The rig controller mirror: the user's pose, recorded on change and set again after every merge.
#include "plugin/anims/RefAnimCATCtrl.h"

#include "host/core/ChunkFields.h"
#include "host/core/Hold.h"
#include "host/core/PlugApi.h"
#include "host/scene/Control.h"
#include "plugin/frame/OperationCode.h"

bool RefAnimCATCtrl::ReadPose(Animatable* anim, Matrix3& out) const {
    if (!anim || anim->SuperClassID() != CTRL_MATRIX3_CLASS_ID || !anim->GetInterface(I_CONTROL)) return false;
    Interval valid = FOREVER;
    out = Matrix3();
    static_cast<Control*>(anim)->GetValue(0, &out, valid, CTRL_ABSOLUTE);
    return true;
}

BOOL RefAnimCATCtrl::IsRealDependency(ReferenceTarget*) {
    return IsOverridden(REFANIM_REPLACED | REFANIM_LOCDEP);
}

RefResult RefAnimCATCtrl::NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID& partID, RefMessage message,
                                           BOOL) {
    ReferenceTarget* ctrl = GetAnim();
    if (!IsUserChangeOfAnim(hTarget, message)) return REF_STOP;
    Matrix3 now;
    if (!ReadPose(ctrl, now)) return REF_STOP;
    if (theHold.RestoreOrRedoing()) {
        // The Modified bit comes back with its own record; the pose follows the controller.
        pose_ = now;
        return REF_STOP;
    }
    if (IsIgnorablePart(partID) || now.Equals(pose_)) return REF_STOP;
    pose_ = now;
    if (!IsPosed()) SetOverriddenFlag(REFANIM_MODIFIED, true, true);
    return REF_STOP;
}

RefResult RefAnimCATCtrl::SetAnim(ReferenceTarget* anim) {
    const RefResult res = RefAnim::SetAnim(anim);
    if (!IsPosed()) ReadPose(anim, pose_);
    return res;
}

void RefAnimCATCtrl::CollectLocDep(DWORD stamp) {
    if (IsPosed() && !IsOverridden(REFANIM_REPLACED)) ReadPose(GetAnim(), pose_);
    RefAnim::CollectLocDep(stamp);
}

void RefAnimCATCtrl::Override(Animatable* root) {
    PathResolution r;
    if (!FollowToFresh(root, r)) return;
    Matrix3 fresh;
    if (IsPosed() && ReadPose(r.anim, fresh) && !fresh.Equals(pose_)) {
        Matrix3 pose = pose_;
        static_cast<Control*>(r.anim)->SetValue(0, &pose, 1, CTRL_ABSOLUTE);
    }
}

void RefAnimCATCtrl::BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) {
    auto* src = dynamic_cast<RefAnimCATCtrl*>(from);
    auto* dst = dynamic_cast<RefAnimCATCtrl*>(to);
    if (src && dst) dst->pose_ = src->pose_;
    RefAnim::BaseClone(from, to, remap);
}

IOResult RefAnimCATCtrl::Save(ISave* isave) {
    IOResult res = SaveWrappedBase(isave);
    if (res == IO_OK) res = WriteValueChunk(isave, kPoseChunk, pose_.GetRow(0), pose_.GetRow(1), pose_.GetRow(2), pose_.GetRow(3));
    return res;
}

IOResult RefAnimCATCtrl::Load(ILoad* iload) {
    return ForEachChunk(iload, [&](USHORT id) -> IOResult {
        switch (id) {
        case kWrappedBaseChunk: return LoadWrappedBase(iload);
        case kPoseChunk: {
            Point3 rows[4];
            const IOResult res = ReadValues(iload, rows);
            if (res == IO_OK)
                for (int i = 0; i < 4; ++i) pose_.SetRow(i, rows[i]);
            return res;
        }
        default: return LoadKindChunk(iload);
        }
    });
}

MSTR RefAnimCATCtrl::Describe() {
    MSTR s = RefAnim::Describe();
    if (!IsPosed()) return s;
    s += L"\nPose: ";
    for (int i = 0; i < 4; ++i) {
        const Point3& p = pose_.GetRow(i);
        s += WStr::Format(L"[%g, %g, %g]", p.x, p.y, p.z);
    }
    return s;
}
