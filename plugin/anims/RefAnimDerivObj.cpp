// The derived-object mirror: the stack's shape, watched and put back.
#include "plugin/anims/RefAnimDerivObj.h"

#include "host/core/Hold.h"
#include "host/core/RemapDir.h"
#include "host/scene/IDerivedObject.h"
#include "host/scene/INode.h"
#include "host/scene/objects/ObjectClasses.h"
#include "plugin/frame/OperationCode.h"

#include <unordered_set>

namespace {

IDerivedObject* AsDerived(Animatable* a) {
    return a && a->SuperClassID() == GEN_DERIVOB_CLASS_ID ? static_cast<IDerivedObject*>(a) : nullptr;
}

std::uint8_t Toggles(Modifier* mod) {
    return static_cast<std::uint8_t>(mod->GetEnableFlags() & (Modifier::kEnabled | Modifier::kEnabledInViews |
                                                               Modifier::kEnabledInRender));
}

} // namespace

void RefAnimDerivObj::SetReference(int i, RefTargetHandle rtarg) {
    RefAnim::SetReference(i, rtarg);
    if (i == 0 && rtarg) Snapshot(AsDerived(rtarg));
}

void RefAnimDerivObj::Snapshot(IDerivedObject* top) {
    names_.clear();
    toggles_.clear();
    modCount_ = 0;
    nestedCount_ = 0;
    for (IDerivedObject* d = top; d;) {
        for (int i = 0; i < d->NumModifiers(); ++i) {
            Modifier* mod = d->GetModifier(i);
            names_.emplace_back(mod ? mod->GetName() : L"");
            toggles_.push_back(mod ? Toggles(mod) : 0);
        }
        modCount_ += d->NumModifiers();
        d = AsDerived(d->GetObjRef());
        if (d) ++nestedCount_;
    }
}

RefResult RefAnimDerivObj::NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID&, RefMessage message,
                                            BOOL) {
    if (IsOverridden(REFANIM_MODIFIED | REFANIM_REPLACED) || !hTarget || hTarget != GetAnim()) return REF_STOP;
    if (theHold.RestoreOrRedoing()) return REF_STOP;
    const OperationCode op = GetCurrentOperation();
    if (op != OperationCode::None && op != OperationCode::Load) return REF_STOP;
    IDerivedObject* top = AsDerived(hTarget);
    if (!top) return REF_STOP;
    if (message == REFMSG_CHANGE) {
        size_t k = 0;
        for (IDerivedObject* d = top; d; d = AsDerived(d->GetObjRef()))
            for (int i = 0; i < d->NumModifiers(); ++i, ++k) {
                Modifier* mod = d->GetModifier(i);
                if (k >= toggles_.size() || (mod && Toggles(mod) != toggles_[k])) {
                    SetOverriddenFlag(REFANIM_MODIFIED, true, true);
                    return REF_STOP;
                }
            }
    } else if (message == REFMSG_NODE_NAMECHANGE) {
        names_.clear();
        for (IDerivedObject* d = top; d; d = AsDerived(d->GetObjRef()))
            for (int i = 0; i < d->NumModifiers(); ++i)
                names_.emplace_back(d->GetModifier(i) ? d->GetModifier(i)->GetName() : L"");
    } else if (message == REFMSG_MODIFIER_ADDED || message == REFMSG_SUBANIM_STRUCTURE_CHANGED) {
        int mods = 0, nested = 0;
        for (IDerivedObject* d = top; d;) {
            mods += d->NumModifiers();
            d = AsDerived(d->GetObjRef());
            if (d) ++nested;
        }
        if (mods != modCount_ || nested != nestedCount_) SetOverriddenFlag(REFANIM_MODIFIED, true, true);
    }
    return REF_STOP;
}

bool RefAnimDerivObj::OnlyReferencedNodesUse(ReferenceTarget* obj) {
    // Up through the stacks that hold obj to the nodes that show them.
    std::vector<ReferenceTarget*> pending{obj};
    std::unordered_set<ReferenceTarget*> seen{obj};
    while (!pending.empty()) {
        ReferenceTarget* t = pending.back();
        pending.pop_back();
        DependentIterator it(t);
        while (ReferenceMaker* dep = it.Next()) {
            if (dep->SuperClassID() == BASENODE_CLASS_ID) {
                if (!IsMirroredNode(static_cast<INode*>(dep))) return false;
            } else if (dep->SuperClassID() == GEN_DERIVOB_CLASS_ID) {
                auto* above = static_cast<ReferenceTarget*>(dep);
                if (seen.insert(above).second) pending.push_back(above);
            }
        }
    }
    return true;
}

void RefAnimDerivObj::Override(Animatable* root) {
    ReferenceTarget* mirrored = GetAnim();
    if (!mirrored) return;
    PathResolution r;
    if (!GetAnimByPath(root, r) || !r.anim || !dynamic_cast<Object*>(r.anim)) return;
    auto* fresh = static_cast<ReferenceTarget*>(r.anim);
    if (fresh == mirrored || IsUntouched()) {
        if (fresh != mirrored) SetAnim(fresh);
        SetPathByNumber(r.newNumbers);
        return;
    }
    auto* parent = r.parent && r.parent->IsRefMaker() ? static_cast<ReferenceMaker*>(r.parent) : nullptr;
    if (!parent) return;
    if (r.parent->ClassID() != BOOLEAN_OBJECT_CLASS_ID) {
        // A stack that a scene node uses too stays the file's: the mirror follows it.
        if (!OnlyReferencedNodesUse(fresh)) {
            SetAnim(fresh);
            return;
        }
        const int index = r.childNumber - 1;
        if (r.parent->SuperClassID() != PARAMETER_BLOCK2_CLASS_ID && index >= 0 && index < r.parent->NumSubs()) {
            const int k = r.parent->SubNumToRefNum(index);
            if (k >= 0 && parent->GetReference(k) == fresh && parent->CanTransferReference(k))
                ReplaceInParent(parent, mirrored, k);
        }
    } else {
        // A Boolean's operand: every reference of the compound to the fresh stack takes the user's.
        IDerivedObject* freshStack = AsDerived(fresh);
        if (!freshStack || !OnlyReferencedNodesUse(freshStack)) return;
        for (int k = 0; k < parent->NumRefs(); ++k)
            if (parent->GetReference(k) == fresh) ReplaceInParent(parent, mirrored, k);
    }
    SetPathByNumber(r.newNumbers);
}

void RefAnimDerivObj::BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) {
    RefAnim::BaseClone(from, to, remap);
    auto* src = dynamic_cast<RefAnimDerivObj*>(from);
    auto* dst = dynamic_cast<RefAnimDerivObj*>(to);
    if (!src || !dst) return;
    dst->modCount_ = src->modCount_;
    dst->nestedCount_ = src->nestedCount_;
    dst->names_ = src->names_;
    dst->toggles_ = src->toggles_;
}

MSTR RefAnimDerivObj::Describe() {
    MSTR s = RefAnim::Describe();
    s += L"\nNumMods: " + std::to_wstring(modCount_) + L"\nNumNestedDerivObj: " + std::to_wstring(nestedCount_);
    s += L"\nModNames: ";
    for (const WStr& n : names_) s += MSTR(n.c_str()) + L", ";
    s += L"\nModToggles: ";
    for (std::uint8_t t : toggles_) s += std::to_wstring(t) + L", ";
    return s;
}
