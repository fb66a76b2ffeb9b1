// The scene-reference mirror: settings recorded, compared on every change of the reference, the item
// loaded after a merge, and the dump.
#include "plugin/anims/RefAnimXRef.h"

#include "host/core/Hold.h"
#include "host/scene/materials/SceneRefMtl.h"
#include "host/scene/objects/SceneRefObject.h"
#include "plugin/frame/OperationCode.h"

bool RefAnimXRef::SettingsOf(Animatable* anim, SceneRefSettings& out) {
    if (auto* obj = dynamic_cast<SceneRefObject*>(anim)) {
        out = obj->GetSettings();
        return true;
    }
    if (auto* mtl = dynamic_cast<SceneRefMtl*>(anim)) {
        out = mtl->GetSettings();
        return true;
    }
    return false;
}

void RefAnimXRef::SetReference(int i, RefTargetHandle rtarg) {
    RefAnim::SetReference(i, rtarg);
    if (i == 0) SettingsOf(rtarg, settings_);
}

RefResult RefAnimXRef::SetAnim(ReferenceTarget* anim) {
    const RefResult res = RefAnim::SetAnim(anim);
    SettingsOf(GetAnim(), settings_);
    return res;
}

void RefAnimXRef::Compare(bool undoable) {
    SceneRefSettings now;
    if (!SettingsOf(GetAnim(), now) || now == settings_) return;
    settings_ = now;
    if (!IsOverridden(REFANIM_MODIFIED)) SetOverriddenFlag(REFANIM_MODIFIED, true, undoable);
}

RefResult RefAnimXRef::NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                                        RefMessage message, BOOL propagate) {
    SceneRefSettings now;
    // The XRef controller has no settings of its own here: it is watched as any animatable.
    if (!SettingsOf(GetAnim(), now)) return RefAnim::NotifyRefChanged(changeInt, hTarget, partID, message, propagate);
    if (!IsUserChangeOfAnim(hTarget, message)) return REF_STOP;
    // Undo and redo bring back the settings and the Modified bit together.
    if (theHold.RestoreOrRedoing())
        settings_ = now;
    else
        Compare(true);
    return REF_STOP;
}

void RefAnimXRef::CollectLocDep(DWORD stamp) {
    if (!IsOverridden(REFANIM_REPLACED)) Compare(false);
    RefAnim::CollectLocDep(stamp);
}

void RefAnimXRef::Override(Animatable* root) {
    PathResolution r;
    if (!FollowToFresh(root, r)) return;
    RegisterWithHelper();
}

void RefAnimXRef::FinishOverride() {
    Animatable* anim = GetAnim();
    // An unload that lets mirrors finish before the content goes has no use for the item.
    if (!SettingsOf(anim, settings_) || GetCurrentOperation() == OperationCode::Unload) return;
    // A file or item that cannot be read is reported by the reference itself and leaves its placeholder.
    if (auto* obj = dynamic_cast<SceneRefObject*>(anim))
        obj->GetSource();
    else if (auto* mtl = dynamic_cast<SceneRefMtl*>(anim))
        mtl->GetActiveMtl();
}

void RefAnimXRef::BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) {
    RefAnim::BaseClone(from, to, remap);
    auto* src = dynamic_cast<RefAnimXRef*>(from);
    if (auto* dst = dynamic_cast<RefAnimXRef*>(to); src && dst) dst->settings_ = src->settings_;
}

MSTR RefAnimXRef::Describe() {
    const SceneRefSettings& s = settings_;
    return RefAnim::Describe() + L"\n" +
           WStr::Format(L"FileName: %s\nItemName: %s\nProxyFileName: %s\nProxyItemName: %s\nDisplayProxy: %d\n"
                        L"RenderProxy: %d\nUseLocal: %d",
                        s.fileName.c_str(), s.itemName.c_str(), s.proxyFileName.c_str(), s.proxyItemName.c_str(),
                        static_cast<int>(s.displayProxy), static_cast<int>(s.renderProxy),
                        static_cast<int>(s.useLocal));
}
