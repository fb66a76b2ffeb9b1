// The mirror of an animation layer controller: marked when the user adds or removes a layer, never for
// the values its layers' controllers pass up.
#pragma once

#include "plugin/anims/RefAnimKind.h"

// Each layer's controller is mirrored on its own. The layer controller itself is a rig-like controller the
// host's controller check refuses, so its mirror always overrides as if the kind flag were set.
class RefAnimLayerCtrl : public RefAnimKind<RefAnimLayerCtrl, RefAnim, KIND_LAYER_CTRL, IDS_REFANIMLAYERCTRL> {
public:
    using RefAnimKind::RefAnimKind;

    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    // A marked mirror puts the user's controller (with its layers) back; an unmarked one follows.
    void Override(Animatable* root) override;
    bool GetKindFlag() const override { return true; }
    MSTR Describe() override;

    int GetLayerCount() const { return layers_; }

protected:
    void SetReference(int i, RefTargetHandle rtarg) override;

private:
    int layers_ = 0;
};
