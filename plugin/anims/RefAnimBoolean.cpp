// The Boolean mirror: the operand list recorded, compared on every change of the compound, and dumped.
#include "plugin/anims/RefAnimBoolean.h"

#include "host/core/Hold.h"
#include "host/scene/objects/BooleanObject.h"
#include "plugin/frame/OperationCode.h"

BooleanObject* RefAnimBoolean::BooleanOf(Animatable* anim) {
    return anim && anim->ClassID() == BOOLEAN_OBJECT_CLASS_ID ? dynamic_cast<BooleanObject*>(anim) : nullptr;
}

void RefAnimBoolean::Record(BooleanObject* b) {
    const auto n = static_cast<size_t>(b->NumOperands());
    names_.resize(n);
    operations_.resize(n);
    active_.resize(n);
    for (size_t k = 0; k < n; ++k) {
        const BooleanOperand& op = b->GetOperand(static_cast<int>(k));
        names_[k] = WStr(op.name);
        operations_[k] = op.operation;
        active_[k] = op.active ? 1 : 0;
    }
    solo_ = b->GetSoloIndex();
}

bool RefAnimBoolean::Differs(BooleanObject* b) const {
    if (static_cast<size_t>(b->NumOperands()) != names_.size() || b->GetSoloIndex() != solo_) return true;
    for (size_t k = 0; k < names_.size(); ++k) {
        const BooleanOperand& op = b->GetOperand(static_cast<int>(k));
        if (!(WStr(op.name) == names_[k]) || op.operation != operations_[k] || (op.active ? 1 : 0) != active_[k])
            return true;
    }
    return false;
}

void RefAnimBoolean::SetReference(int i, RefTargetHandle rtarg) {
    RefAnim::SetReference(i, rtarg);
    if (BooleanObject* b = i == 0 ? BooleanOf(rtarg) : nullptr) Record(b);
}

RefResult RefAnimBoolean::NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                                           RefMessage message, BOOL propagate) {
    BooleanObject* b = BooleanOf(GetAnim());
    // A shape boolean has no operand list here: any change of it is the user's.
    if (!b) return RefAnim::NotifyRefChanged(changeInt, hTarget, partID, message, propagate);
    if (!IsUserChangeOfAnim(hTarget, message)) return REF_STOP;
    // Undo and redo bring back the list and the Modified bit together.
    if (theHold.RestoreOrRedoing())
        Record(b);
    else
        Mark(b, true);
    return REF_STOP;
}

void RefAnimBoolean::CollectLocDep(DWORD stamp) {
    if (BooleanObject* b = IsOverridden(REFANIM_REPLACED) ? nullptr : BooleanOf(GetAnim()))
        Mark(b, false);
    RefAnim::CollectLocDep(stamp);
}

void RefAnimBoolean::Mark(BooleanObject* b, bool undoable) {
    if (!Differs(b)) return;
    // From here on the record is the user's list, the one the kept compound has.
    Record(b);
    if (!IsOverridden(REFANIM_MODIFIED)) SetOverriddenFlag(REFANIM_MODIFIED, true, undoable);
}

void RefAnimBoolean::Override(Animatable* root) {
    if (!IsOverridden(REFANIM_MODIFIED) || IsOverridden(REFANIM_REPLACED) || !GetAnim()) {
        RefAnim::Override(root);
        return;
    }
    PathResolution r;
    if (!GetAnimByPath(root, r)) return;
    if (r.anim != GetAnim()) {
        // The user's compound takes the fresh one's place wherever its parent holds it; anything but a
        // compound in that place goes the general way.
        auto* parent = BooleanOf(r.anim) && r.parent && r.parent->IsRefMaker() ? static_cast<ReferenceMaker*>(r.parent) : nullptr;
        const int k = parent ? parent->FindRef(static_cast<ReferenceTarget*>(r.anim)) : -1;
        if (k < 0) {
            RefAnim::Override(root);
            return;
        }
        ReplaceInParent(parent, GetAnim(), k);
    }
    SetPathByNumber(r.newNumbers);
    SetLastOperation(IDS_OP_DEFAULT_OVERRIDE);
}

void RefAnimBoolean::BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) {
    RefAnim::BaseClone(from, to, remap);
    auto* src = dynamic_cast<RefAnimBoolean*>(from);
    if (auto* dst = dynamic_cast<RefAnimBoolean*>(to); src && dst) {
        dst->names_ = src->names_;
        dst->operations_ = src->operations_;
        dst->active_ = src->active_;
        dst->solo_ = src->solo_;
    }
}

MSTR RefAnimBoolean::Describe() {
    MSTR s = RefAnim::Describe();
    s += L"\nOperands: ";
    for (size_t k = 0; k < names_.size(); ++k) s += WStr::Format(L"%s (%d), ", names_[k].data(), static_cast<int>(operations_[k]));
    s += L"\nActive States: ";
    for (std::uint8_t a : active_) s += WStr::Format(L"%d, ", static_cast<int>(a));
    s += WStr::Format(L"\nSolo Index: %d", static_cast<int>(solo_));
    return s;
}
