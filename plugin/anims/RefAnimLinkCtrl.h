// The mirror of a link controller: marked when the user changes its table of links, never by the values
// its transform sub-controller passes up; it holds the node the object is linked to at the start.
#pragma once

#include "plugin/anims/RefAnimKind.h"

#include <utility>
#include <vector>

class RefAnimLinkCtrl : public RefAnimKind<RefAnimLinkCtrl, RefAnim, KIND_LINK_CTRL, IDS_REFANIMLINKCTRL> {
public:
    using RefAnimKind::RefAnimKind;
    ~RefAnimLinkCtrl() override;

    // Reference 1: the parent node in effect at time 0 (weak: a link never keeps its node).
    int NumRefs() override { return 2; }
    RefTargetHandle GetReference(int i) override { return i == 1 ? parent_ : RefAnim::GetReference(i); }
    BOOL IsRealDependency(ReferenceTarget* rtarg) override;
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    // Follows the controller; an unmarked mirror takes its links.
    RefResult SetAnim(ReferenceTarget* anim) override;
    // A marked mirror puts the user's controller (with its links) back; an unmarked one follows and takes
    // the fresh links.
    void Override(Animatable* root) override;
    MSTR Describe() override;

protected:
    void SetReference(int i, RefTargetHandle rtarg) override;

private:
    using Links = std::vector<std::pair<AnimHandle, TimeValue>>;
    static Links LinksOf(Animatable* anim);
    void TakeLinks(Animatable* anim);

    ReferenceTarget* parent_ = nullptr;
    Links links_;
};
