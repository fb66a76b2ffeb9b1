// The link controller mirror: link table edits mark it, transform values do not.
#include "plugin/anims/RefAnimLinkCtrl.h"

#include "host/core/Hold.h"
#include "host/scene/Control.h"
#include "host/scene/INode.h"
#include "plugin/frame/OperationCode.h"

namespace {

ILinkCtrl* LinkTable(Animatable* anim) {
    return anim ? static_cast<ILinkCtrl*>(anim->GetInterface(LINK_CONSTRAINT_INTERFACE)) : nullptr;
}

} // namespace

RefAnimLinkCtrl::~RefAnimLinkCtrl() {
    // The base destructor counts one reference only: the parent node goes here.
    DropRefsUnlessDeleted();
}

void RefAnimLinkCtrl::SetReference(int i, RefTargetHandle rtarg) {
    if (i == 1)
        parent_ = rtarg;
    else
        RefAnim::SetReference(i, rtarg);
}

BOOL RefAnimLinkCtrl::IsRealDependency(ReferenceTarget* rtarg) {
    if (rtarg && rtarg == parent_ && rtarg != GetAnim()) return FALSE;
    return RefAnim::IsRealDependency(rtarg);
}

RefAnimLinkCtrl::Links RefAnimLinkCtrl::LinksOf(Animatable* anim) {
    Links out;
    if (ILinkCtrl* table = LinkTable(anim))
        for (int k = 0; k < table->GetNumTargets(); ++k) {
            INode* node = table->GetNode(k);
            out.emplace_back(node ? Animatable::GetHandleByAnim(node) : 0, table->GetLinkTime(k));
        }
    return out;
}

void RefAnimLinkCtrl::TakeLinks(Animatable* anim) {
    links_ = LinksOf(anim);
    ILinkCtrl* table = LinkTable(anim);
    INode* parent = table ? table->GetLinkNodeAt(0) : nullptr;
    if (parent != parent_) ReplaceReference(1, parent);
}

RefResult RefAnimLinkCtrl::NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID&, RefMessage message, BOOL) {
    ReferenceTarget* link = GetAnim();
    if (!link || hTarget != link || IsOverridden(REFANIM_MODIFIED | REFANIM_REPLACED)) return REF_STOP;
    if (GetCurrentOperation() != OperationCode::None) return REF_STOP;
    if (message != REFMSG_CHANGE && message != REFMSG_SUBANIM_STRUCTURE_CHANGED) return REF_STOP;
    if (LinksOf(link) == links_) return REF_STOP;
    TakeLinks(link);
    if (!theHold.RestoreOrRedoing()) SetOverriddenFlag(REFANIM_MODIFIED, true, true);
    return REF_STOP;
}

RefResult RefAnimLinkCtrl::SetAnim(ReferenceTarget* anim) {
    const RefResult res = RefAnim::SetAnim(anim);
    if (!IsModified()) TakeLinks(anim);
    return res;
}

void RefAnimLinkCtrl::Override(Animatable* root) {
    RefAnim::Override(root);
    if (GetAnim() && !IsModified()) TakeLinks(GetAnim());
}

MSTR RefAnimLinkCtrl::Describe() {
    return RefAnim::Describe() + L"\nLinked to: " + DescribeAnimatable(parent_) +
           WStr::Format(L"\nLinks: %d", static_cast<int>(links_.size()));
}
