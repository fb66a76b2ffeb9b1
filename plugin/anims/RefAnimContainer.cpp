// The container mirror: members compared by name on every change, the user's additions and removals put on
// the fresh container after a merge.
#include "plugin/anims/RefAnimContainer.h"

#include "host/core/Hold.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "host/scene/objects/ContainerHelper.h"
#include "plugin/frame/OperationCode.h"

ContainerHelper* RefAnimContainer::ContainerOf(Animatable* anim) { return dynamic_cast<ContainerHelper*>(anim); }

std::vector<std::wstring> RefAnimContainer::NamesOf(ContainerHelper* c) {
    std::vector<std::wstring> names;
    for (INode* n : c->GetNodes()) names.emplace_back(n->GetName());
    return names;
}

void RefAnimContainer::SetReference(int i, RefTargetHandle rtarg) {
    RefAnim::SetReference(i, rtarg);
    if (ContainerHelper* c = i == 0 ? ContainerOf(rtarg) : nullptr) seen_ = NamesOf(c);
}

bool RefAnimContainer::Diff(ContainerHelper* c) {
    std::vector<std::wstring> now = NamesOf(c);
    const std::unordered_set<std::wstring> before(seen_.begin(), seen_.end());
    const std::unordered_set<std::wstring> after(now.begin(), now.end());
    bool changed = false;
    for (const std::wstring& name : now) {
        if (before.count(name)) continue;
        changed = true;
        // Taking back a removal restores the file's member; anything else is the user's addition.
        if (removed_.erase(name) == 0 && addedSet_.insert(name).second) added_.push_back(name);
    }
    for (const std::wstring& name : seen_) {
        if (after.count(name)) continue;
        changed = true;
        if (addedSet_.erase(name))
            std::erase(added_, name);
        else
            removed_.insert(name);
    }
    seen_ = std::move(now);
    return changed;
}

void RefAnimContainer::Mark(ContainerHelper* c, bool undoable) {
    if (Diff(c) && !IsOverridden(REFANIM_MODIFIED)) SetOverriddenFlag(REFANIM_MODIFIED, true, undoable);
}

RefResult RefAnimContainer::NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                                             RefMessage message, BOOL propagate) {
    ContainerHelper* c = ContainerOf(GetAnim());
    if (!c) return RefAnim::NotifyRefChanged(changeInt, hTarget, partID, message, propagate);
    if (!IsUserChangeOfAnim(hTarget, message)) return REF_STOP;
    // Undo and redo bring the Modified bit back by themselves.
    if (theHold.RestoreOrRedoing())
        Diff(c);
    else
        Mark(c, true);
    return REF_STOP;
}

void RefAnimContainer::CollectLocDep(DWORD stamp) {
    if (ContainerHelper* c = IsOverridden(REFANIM_REPLACED) ? nullptr : ContainerOf(GetAnim())) Mark(c, false);
    RefAnim::CollectLocDep(stamp);
}

void RefAnimContainer::Override(Animatable* root) {
    ContainerHelper* mine = ContainerOf(GetAnim());
    if (!IsOverridden(REFANIM_MODIFIED) || IsOverridden(REFANIM_REPLACED) || !mine) {
        RefAnim::Override(root);
        return;
    }
    PathResolution r;
    if (!GetAnimByPath(root, r)) return;
    ContainerHelper* fresh = ContainerOf(r.anim);
    if (!fresh || fresh == mine) {
        if (!fresh) RefAnim::Override(root);
        else SetPathByNumber(r.newNumbers);
        return;
    }
    // The author's members but those the user took out, then the user's: the local nodes the kept
    // container still holds and the nodes added by name, found again in the fresh content.
    std::vector<INode*> members;
    for (INode* n : fresh->GetNodes())
        if (!removed_.count(n->GetName())) members.push_back(n);
    for (INode* n : mine->GetNodes()) members.push_back(n);
    for (const std::wstring& name : added_)
        if (INode* n = GetCOREInterface()->GetINodeByName(name.c_str())) members.push_back(n);
    fresh->SetNodes(members);
    SetAnim(fresh);
    SetPathByNumber(r.newNumbers);
    SetLastOperation(IDS_OP_DEFAULT_OVERRIDE);
}

void RefAnimContainer::BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) {
    RefAnim::BaseClone(from, to, remap);
    auto* src = dynamic_cast<RefAnimContainer*>(from);
    if (auto* dst = dynamic_cast<RefAnimContainer*>(to); src && dst) {
        dst->seen_ = src->seen_;
        dst->added_ = src->added_;
        dst->addedSet_ = src->addedSet_;
        dst->removed_ = src->removed_;
    }
}
