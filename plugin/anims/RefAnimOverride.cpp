// The mirror's override protocol: putting the user's animatable back in place of a freshly merged one,
// and moving dependents between the two.
#include "plugin/anims/RefAnim.h"

#include "host/core/PlugApi.h"
#include "host/scene/Control.h"
#include "host/scene/CustAttrib.h"
#include "host/scene/IDerivedObject.h"
#include "host/scene/INode.h"
#include "host/scene/IParamBlock.h"
#include "host/scene/IParamBlock2.h"
#include "host/scene/Mtl.h"
#include "plugin/anims/MirrorKindSelection.h"
#include "plugin/anims/RefAnimGlobals.h"
#include "plugin/anims/RefAnimPath.h"
#include "plugin/anims/TargetLock.h"
#include "plugin/frame/EmptyBaseObject.h"
#include "plugin/frame/StringTable.h"

#include <algorithm>

namespace {

// How a branch of Override ended: the change is back in place, nothing can be done, or the generic
// controller copy should be tried.
enum class Outcome { Done, Stop, Fallback };

// Controllers that stay in their slot even though they refuse replacement, when a Replaced mirror puts
// itself there.
constexpr Class_ID kReplaceableAnywayClass(0x0E6F5815, 0x717F99A4);
// A super class whose makers keep their reference when sub-animatables are handed over.
constexpr SClass_ID kKeepsRefsOnSubTransfer = 0xC;

Control* AsController(Animatable* a) {
    return a ? static_cast<Control*>(a->GetInterface(I_CONTROL)) : nullptr;
}

// A controller in fresh content that must not be replaced in its slot (rig solvers and the like).
bool IsFixedController(Animatable* a) {
    Control* c = AsController(a);
    return c && !c->IsReplaceable();
}

ReferenceTarget* AsTarget(Animatable* a) {
    return a && a->IsRefTarget() ? static_cast<ReferenceTarget*>(a) : nullptr;
}

bool SameClass(Animatable* a, Animatable* b) {
    return a && b && a->ClassID() == b->ClassID();
}

bool IsFloatLike(int baseType) {
    switch (baseType) {
    case TYPE_FLOAT:
    case TYPE_INT:
    case TYPE_BOOL:
    case TYPE_ANGLE:
    case TYPE_PCNT_FRAC:
    case TYPE_WORLD:
    case TYPE_COLOR_CHANNEL:
    case TYPE_TIMEVALUE:
    case TYPE_RADIOBTN_INDEX:
    case TYPE_INDEX: return true;
    default: return false;
    }
}

// The super class a parameter-block-2 parameter of a base type takes as its controller or value, and
// whether it is a value (set at time 0) rather than a controller. 0 when the type takes neither.
SClass_ID Block2SlotClass(int baseType, bool& isValue) {
    isValue = false;
    if (IsFloatLike(baseType)) return CTRL_FLOAT_CLASS_ID;
    switch (baseType) {
    case TYPE_RGBA:
    case TYPE_POINT3: return CTRL_POINT3_CLASS_ID;
    case TYPE_MATRIX3: return CTRL_MATRIX3_CLASS_ID;
    case TYPE_POINT4:
    case TYPE_FRGBA: return CTRL_POINT4_CLASS_ID;
    case TYPE_MTL: isValue = true; return MATERIAL_CLASS_ID;
    case TYPE_TEXMAP: isValue = true; return TEXMAP_CLASS_ID;
    case TYPE_INODE: isValue = true; return BASENODE_CLASS_ID;
    default: return 0;
    }
}

std::vector<ReferenceMaker*> DependentsOf(ReferenceTarget* t) {
    std::vector<ReferenceMaker*> out;
    DependentIterator it(t);
    while (ReferenceMaker* m = it.Next()) out.push_back(m);
    return out;
}

// Sub-animatables are handed over pairwise only between animatables of one class.
bool SubsCompatible(Animatable* oldSub, Animatable* newSub) {
    return oldSub && newSub && oldSub != newSub && oldSub->IsRefTarget() && SameClass(oldSub, newSub) &&
           PassesTargetChecks(newSub);
}

// The new animatable's dependents learn that it now stands where the old one stood.
void AnnounceTransfer(ReferenceTarget* newAnim) {
    newAnim->NotifyDependents(FOREVER, REFANIM_TRANSFER_PARTS, REFMSG_SUBANIM_STRUCTURE_CHANGED);
    newAnim->NotifyDependents(FOREVER, REFANIM_TRANSFER_PARTS, REFMSG_CHANGE);
}

// Re-points every reference of dep to oldAnim that dep lets go; true when one moved.
bool MoveReferences(ReferenceMaker* dep, ReferenceTarget* oldAnim, ReferenceTarget* newAnim) {
    bool moved = false;
    for (int j = 0; j < dep->NumRefs(); ++j) {
        if (dep->GetReference(j) != oldAnim || !dep->CanTransferReference(j)) continue;
        if (dep->ReplaceReference(j, newAnim, FALSE) == REF_SUCCEED) moved = true;
    }
    return moved;
}

class LocDepTransferScope {
public:
    LocDepTransferScope() { SetLocDepTransferFlag(true); }
    ~LocDepTransferScope() { SetLocDepTransferFlag(false); }
    LocDepTransferScope(const LocDepTransferScope&) = delete;
    LocDepTransferScope& operator=(const LocDepTransferScope&) = delete;
};

} // namespace

// ---- transfers

void RefAnim::OverrideLocDep(ReferenceTarget* newAnim) {
    if (!IsOverridden(REFANIM_LOCDEP) || !anim_ || !newAnim || newAnim == anim_ || !SameClass(anim_, newAnim)) return;
    {
        LocDepTransferScope scope;
        TransferAll(anim_, newAnim);
    }
    lastOperation_ = IDS_OP_OVERRIDE_LOCDEP;
}

void RefAnim::MoveAllDependents(ReferenceTarget* oldAnim, ReferenceTarget* newAnim) {
    if (!oldAnim || !newAnim || oldAnim == newAnim) return;
    {
        TargetLock lock(oldAnim);
        newAnim->TransferReferences(oldAnim, FALSE);
    }
    oldAnim->MaybeAutoDelete();
    AnnounceTransfer(newAnim);
}

// Sub-animatables in the same positions of both change hands first, keeping the parent's own reference.
void RefAnim::TransferMatchingSubs(ReferenceTarget* oldAnim, ReferenceTarget* newAnim) {
    const int n = std::min(oldAnim->NumSubs(), newAnim->NumSubs());
    for (int i = 0; i < n; ++i) {
        Animatable* oldSub = oldAnim->SubAnim(i);
        Animatable* newSub = newAnim->SubAnim(i);
        if (SubsCompatible(oldSub, newSub))
            TransferExcept(static_cast<ReferenceTarget*>(oldSub), static_cast<ReferenceTarget*>(newSub), oldAnim);
    }
}

void RefAnim::TransferExcept(ReferenceTarget* oldAnim, ReferenceTarget* newAnim, ReferenceMaker* kept) {
    if (!oldAnim || !newAnim || oldAnim == newAnim) return;
    TransferMatchingSubs(oldAnim, newAnim);
    if (!kept) {
        MoveAllDependents(oldAnim, newAnim);
        return;
    }
    MoveDependentsBut(oldAnim, newAnim, [kept](ReferenceMaker* dep) { return dep == kept; });
}

void RefAnim::MoveDependentsBut(ReferenceTarget* oldAnim, ReferenceTarget* newAnim,
                                const std::function<bool(ReferenceMaker*)>& keeps) {
    bool moved = false;
    {
        TargetLock lock(oldAnim);
        for (ReferenceMaker* dep : DependentsOf(oldAnim))
            if (!keeps(dep) && MoveReferences(dep, oldAnim, newAnim)) moved = true;
    }
    oldAnim->MaybeAutoDelete();
    if (moved) AnnounceTransfer(newAnim);
}

void RefAnim::TransferSubAnims(ReferenceTarget* oldAnim, ReferenceTarget* newAnim) {
    if (!oldAnim || !newAnim || oldAnim == newAnim) return;
    TransferMatchingSubs(oldAnim, newAnim);
    for (ReferenceMaker* dep : DependentsOf(oldAnim))
        if (dep->SuperClassID() != kKeepsRefsOnSubTransfer) MoveReferences(dep, oldAnim, newAnim);
    AnnounceTransfer(newAnim);
}

void RefAnim::ReplaceInParent(ReferenceMaker* parent, ReferenceTarget* newAnim, int refIndex) {
    if (!parent || !newAnim) return;
    parent->ReplaceReference(refIndex, newAnim, TRUE);
    AnnounceTransfer(newAnim);
}

void RefAnim::TransferWithCustAttribs(ReferenceTarget* fresh, ReferenceTarget* mirrored) {
    if (!fresh || !mirrored) return;
    if (ICustAttribContainer* own = mirrored->GetCustAttribContainer())
        for (int i = own->GetNumCustAttribs() - 1; i >= 0; --i) own->RemoveCustAttrib(i);
    if (ICustAttribContainer* theirs = fresh->GetCustAttribContainer(); theirs && theirs->GetNumCustAttribs() > 0) {
        if (!mirrored->GetCustAttribContainer()) mirrored->AllocCustAttribContainer();
        ICustAttribContainer* own = mirrored->GetCustAttribContainer();
        for (int i = 0; own && i < theirs->GetNumCustAttribs(); ++i) own->AppendCustAttrib(theirs->GetCustAttrib(i));
    }
    Transfer(fresh, mirrored);
}

// ---- override

void RefAnim::FollowFresh(const PathResolution& r) {
    SetAnim(AsTarget(r.anim));
    path_.AssignNumbers(r.newNumbers);
    lastOperation_ = IDS_OP_DEFAULT_OVERRIDE;
}

bool RefAnim::FollowToFresh(Animatable* root, PathResolution& r) {
    if (IsOverridden(REFANIM_REPLACED)) {
        RefAnim::Override(root);
        return false;
    }
    if (!GetAnimByPath(root, r)) return false;
    if (r.anim == GetAnim()) {
        SetPathByNumber(r.newNumbers);
        return false;
    }
    FollowFresh(r);
    return true;
}

void RefAnim::Override(Animatable* root) {
    const bool modified = IsOverridden(REFANIM_MODIFIED);
    const bool replaced = IsOverridden(REFANIM_REPLACED);
    PathResolution r;
    if (!GetAnimByPath(root, r)) return;
    if (r.anim == static_cast<Animatable*>(anim_)) {
        path_.AssignNumbers(r.newNumbers);
        return;
    }
    if (!modified && !replaced) {
        FollowFresh(r);
        return;
    }
    SetLocDepTransferFlag(false);
    bool done = false;
    switch (r.parent ? r.parent->SuperClassID() : 0) {
    case PARAMETER_BLOCK_CLASS_ID:
        lastOperation_ = IDS_OP_PBLOCK1_PREOVERRIDE;
        done = OverrideInParamBlock(r, replaced);
        break;
    case PARAMETER_BLOCK2_CLASS_ID:
        lastOperation_ = IDS_OP_PBLOCK2_PREOVERRIDE;
        done = OverrideInParamBlock2(r, replaced);
        break;
    default:
        lastOperation_ = IDS_OP_DEFAULT_OVERRIDE_2;
        done = OverrideInParent(r, replaced);
        break;
    }
    if (!done) return;
    path_.AssignNumbers(r.newNumbers);
    lastOperation_ = IDS_OP_DEFAULT_OVERRIDE;
}

bool RefAnim::OverrideFallback(const PathResolution& r) {
    if (!CanReplaceWith(r.anim, r.parent)) return false;
    // The fresh controller stays in its slot and takes over the user's animation.
    AsController(r.anim)->Copy(AsController(anim_));
    SetAnim(AsTarget(r.anim));
    return true;
}

bool RefAnim::OverrideInParamBlock(const PathResolution& r, bool replaced) {
    auto* pb = static_cast<IParamBlock*>(r.parent);
    const int index = r.childNumber - 1;
    auto fallback = [&] { return OverrideFallback(r); };
    if (IsFixedController(r.anim) && !GetKindFlag()) return fallback();
    if (index < 0 || index >= pb->NumSubs()) return fallback();
    const int param = pb->AnimNumToParamNum(index);
    if (param < 0) return false;
    const int type = pb->GetParameterType(param);
    if (!anim_) {
        if (pb->GetController(param)) pb->RemoveController(param);
        return true;
    }
    Control* mirrored = AsController(anim_);
    if (replaced) {
        SClass_ID need = 0;
        if (type == TYPE_FLOAT_PB1 || type == TYPE_INT_PB1 || type == TYPE_BOOL_PB1) need = CTRL_FLOAT_CLASS_ID;
        else if (type == TYPE_RGBA_PB1 || type == TYPE_POINT3_PB1) need = CTRL_POINT3_CLASS_ID;
        if (!need || !mirrored || anim_->SuperClassID() != need) return false;
        pb->SetController(param, mirrored);
        return true;
    }
    if (r.anim) {
        if (!SameClass(r.anim, anim_)) return fallback();
        Transfer(AsTarget(r.anim), anim_);
        return true;
    }
    if (mirrored && anim_->SuperClassID() == CTRL_FLOAT_CLASS_ID && IsFloatLike(type)) pb->SetController(param, mirrored);
    return true;
}

bool RefAnim::OverrideInParamBlock2(const PathResolution& r, bool replaced) {
    auto* pb = static_cast<IParamBlock2*>(r.parent);
    auto fallback = [&] { return OverrideFallback(r); };
    const bool inTable = r.tabIndex >= 0;
    const int paramIndex = inTable ? r.tabIndex : r.childNumber - 1;
    const int element = inTable ? r.childNumber : 0;
    const ParamID id = pb->IndextoID(paramIndex);
    if (id < 0) return fallback();
    const int type = pb->GetParameterType(id);
    if (inTable && (!(type & TYPE_TAB) || pb->Count(id) <= element)) return fallback();
    if ((pb->GetParamDef(id).flags & (P_READ_ONLY | P_INVISIBLE)) && !GetKindFlag()) return fallback();
    const int baseType = type & ~TYPE_TAB;
    // The user's track goes into the fresh slot as it is: the block must not push the fresh value into it.
    constexpr BOOL kKeepTrackValues = FALSE;
    bool isValue = false;
    const SClass_ID slotClass = Block2SlotClass(baseType, isValue);
    Control* mirrored = AsController(anim_);
    if (replaced) {
        if (!slotClass) return false;
        if (!anim_) {
            if (isValue) pb->SetValue(id, 0, static_cast<ReferenceTarget*>(nullptr), element);
            else if (pb->GetController(id, element)) pb->RemoveController(id, element);
            return true;
        }
        if (anim_->SuperClassID() != slotClass) return false;
        if (isValue) pb->SetValue(id, 0, anim_, element);
        else pb->SetController(id, element, mirrored, kKeepTrackValues);
        return true;
    }
    if (!r.anim) {
        if (mirrored && anim_->SuperClassID() == CTRL_FLOAT_CLASS_ID && IsFloatLike(baseType))
            pb->SetController(id, element, mirrored, kKeepTrackValues);
        return true;
    }
    if (!SameClass(r.anim, anim_)) return fallback();
    Transfer(AsTarget(r.anim), anim_);
    return true;
}

bool RefAnim::OverrideInParent(const PathResolution& r, bool replaced) {
    Animatable* parent = r.parent;
    const int index = r.childNumber - 1;
    auto fallback = [&] { return OverrideFallback(r); };
    if (index < 0 || index >= parent->NumSubs()) return fallback();
    if (!anim_) {
        if (r.anim && replaced) {
            if (!parent->CanDeleteSubAnim(index)) return false;
            parent->DeleteSubAnim(index);
        }
        return true;
    }
    if (parent->SuperClassID() == BASENODE_CLASS_ID && index == NODE_SUBANIM_MATERIAL) {
        if (replaced) {
            if (anim_->SuperClassID() == MATERIAL_CLASS_ID) static_cast<INode*>(parent)->SetMtl(static_cast<Mtl*>(anim_));
        } else if (SameClass(r.anim, anim_)) {
            Transfer(AsTarget(r.anim), anim_);
        }
        return true;
    }
    const int k = parent->SubNumToRefNum(index);
    auto* maker = parent->IsRefMaker() ? static_cast<ReferenceMaker*>(parent) : nullptr;
    const bool assignable = k >= 0 && maker && static_cast<Animatable*>(maker->GetReference(k)) == r.anim &&
                            maker->CanTransferReference(k) && parent->CanAssignController(index);
    if (replaced) {
        if (IsFixedController(r.anim) && !GetKindFlag() && r.anim->ClassID() != kReplaceableAnywayClass) return false;
        if (!assignable && (!GetKindFlag() || k < 0)) {
            // A slot the parent does not let us assign: a list controller still takes the item's name.
            if (auto* list = static_cast<IListControl*>(parent->GetInterface(LIST_CONTROLLER_INTERFACE));
                list && !path_.Names().empty())
                list->SetName(index, path_.Names().back().Str());
            return true;
        }
        ReplaceInParent(maker, anim_, k);
        return true;
    }
    if (!assignable && !GetKindFlag()) return fallback();
    if (!SameClass(r.anim, anim_)) return fallback();
    if (IsFixedController(r.anim) && !GetKindFlag()) return fallback();
    Transfer(AsTarget(r.anim), anim_);
    return true;
}

bool RefAnim::CanReplaceWith(Animatable* found, Animatable* parent) {
    if (!anim_ || !found || !AsController(found) || !AsController(anim_)) return false;
    if (found->SuperClassID() != anim_->SuperClassID()) return false;
    return GetKindID() == KIND_PLAIN && ResolveKind(found, parent) == KIND_PLAIN;
}

// ---- modifiers

void RefAnim::OverrideModifier(Animatable* root, IDerivedObject* derived, ModContext* mc) {
    PathResolution r;
    if (!GetAnimByPath(root, r)) return;
    if (!r.anim || !anim_ || r.anim == static_cast<Animatable*>(anim_) || !SameClass(r.anim, anim_)) return;
    if (!r.parent || r.parent->SuperClassID() != GEN_DERIVOB_CLASS_ID) {
        Override(root);
        return;
    }
    if (!IsModified() || anim_->SuperClassID() != r.anim->SuperClassID()) return;
    IDerivedObject* holder = nullptr;
    int local = 0;
    if (!FlatModifierAt(static_cast<IDerivedObject*>(r.parent), r.childNumber - 1, holder, local)) return;
    // The context the modifier had where it was kept while the content was away; else the one given.
    ModContext* context = mc;
    if (derived && derived->NumModifiers() > 0 && derived->GetModifier(0) == anim_) context = derived->GetModContext(0);
    auto* fresh = static_cast<ReferenceTarget*>(r.anim);
    TransferSubAnims(fresh, anim_);
    holder->AddModifier(static_cast<Modifier*>(anim_), context ? new ModContext(*context) : nullptr, local);
    holder->DeleteModifier(local + 1);
    fresh->MaybeAutoDelete();
    path_.AssignNumbers(r.newNumbers);
}

ModContext* RefAnim::GetModContext(Animatable* root) {
    PathResolution r;
    if (!GetAnimByPath(root, r) || !anim_ || r.anim != static_cast<Animatable*>(anim_)) return nullptr;
    if (!r.parent || r.parent->SuperClassID() != GEN_DERIVOB_CLASS_ID) return nullptr;
    IDerivedObject* holder = nullptr;
    int local = 0;
    if (!FlatModifierAt(static_cast<IDerivedObject*>(r.parent), r.childNumber - 1, holder, local)) return nullptr;
    return holder->GetModContext(local);
}

IDerivedObject* RefAnim::CreateModifierHolder(Animatable* root, ModContext** usedContext) {
    if (usedContext) *usedContext = nullptr;
    auto* mod = dynamic_cast<Modifier*>(anim_);
    if (!mod) return nullptr;
    ModContext* context = root ? GetModContext(root) : nullptr;
    auto* base = new EmptyBaseObject(FALSE);
    IDerivedObject* d = mod->SuperClassID() == WSM_CLASS_ID ? CreateWSDerivedObject(base) : CreateDerivedObject(base);
    d->AddModifier(mod, context ? new ModContext(*context) : nullptr, 0);
    if (usedContext) *usedContext = d->GetModContext(0);
    return d;
}

void RefAnim::EscalateToParent(Animatable* root) {
    IRefAnimOwner* owner = GetOwner();
    if (path_.Names().size() < 2 || !owner || !root) return;
    PathNames names(path_.Names().begin(), path_.Names().end() - 1);
    std::vector<std::int32_t> numbers(path_.Numbers().begin(), path_.Numbers().end() - std::min<size_t>(1, path_.Numbers().size()));
    PathResolution r;
    GetAnimByPath(root, r);
    if (!r.parent || !anim_ || r.anim != static_cast<Animatable*>(anim_)) return;
    ReferenceTarget* parent = AsTarget(r.parent);
    if (!parent) return;
    DeleteReference(0);
    owner->MirrorOnDemandAt(this, parent, std::move(names), std::move(numbers));
}
