// The weighted target list of the node-driven constraints.
#include "host/scene/controllers/TargetConstraint.h"

#include "host/core/RefKind.h"
#include "host/core/ChunkFields.h"
#include "host/scene/controllers/ControlRestore.h"

namespace {
constexpr USHORT kWeightsChunk = 0x0400;

// Re-points the copy's targets at nodes cloned later in the same operation.
class RetargetProc : public PostPatchProc {
public:
    RetargetProc(TargetConstraint* copy, int first) : copy_(copy), first_(first) {}
    int Proc(RemapDir& remap) override {
        for (int i = first_; i < copy_->NumRefs(); ++i) {
            RefTargetHandle node = copy_->GetReference(i);
            if (RefTargetHandle mapped = node ? remap.FindMapping(node) : nullptr)
                copy_->ReplaceReference(i, mapped, FALSE);
        }
        return 1;
    }

private:
    TargetConstraint* copy_;
    int first_;
};
} // namespace

BaseInterface* TargetConstraint::GetInterface(Interface_ID id) {
    if (id == TargetsInterfaceID()) return static_cast<IConstraintTargets*>(this);
    return Control::GetInterface(id);
}

RefTargetHandle TargetConstraint::GetReference(int i) {
    if (i < 0) return nullptr;
    if (i < fixed_) return GetFixedRef(i);
    const size_t k = static_cast<size_t>(i - fixed_);
    return k < targets_.size() ? targets_[k].node : nullptr;
}

void TargetConstraint::SetReference(int i, RefTargetHandle t) {
    if (i < 0) return;
    if (i < fixed_) {
        SetFixedRef(i, t);
        return;
    }
    const size_t k = static_cast<size_t>(i - fixed_);
    if (k < targets_.size()) targets_[k].node = RefAs<INode>(t);
}

bool TargetConstraint::IsTargetNode(ReferenceTarget* t) const {
    if (!t) return false;
    for (const Target& tg : targets_)
        if (tg.node == t) return true;
    return false;
}

BOOL TargetConstraint::IsRealDependency(ReferenceTarget* rtarg) { return IsTargetNode(rtarg) ? FALSE : TRUE; }

BOOL TargetConstraint::ShouldPersistWeakRef(RefTargetHandle rtarg) { return IsTargetNode(rtarg) ? TRUE : FALSE; }

RefResult TargetConstraint::NotifyRefChanged(const Interval& /*changeInt*/, RefTargetHandle hTarget,
                                             PartID& /*partID*/, RefMessage message, BOOL /*propagate*/) {
    if (message == REFMSG_TARGET_DELETED && IsTargetNode(hTarget)) SendNote(this, kStructureNote);
    return REF_SUCCEED;
}

int TargetConstraint::SlotOf(int index) const {
    if (index < 0) return -1;
    for (size_t k = 0; k < targets_.size(); ++k)
        if (Live(targets_[k]) && index-- == 0) return static_cast<int>(k);
    return -1;
}

int TargetConstraint::GetNumTargets() {
    int n = 0;
    for (const Target& tg : targets_) n += Live(tg) ? 1 : 0;
    return n;
}

INode* TargetConstraint::GetNode(int index) {
    const int k = SlotOf(index);
    return k < 0 ? nullptr : targets_[static_cast<size_t>(k)].node;
}

float TargetConstraint::GetTargetWeight(int index) {
    const int k = SlotOf(index);
    return k < 0 ? 0.0f : targets_[static_cast<size_t>(k)].weight;
}

TargetConstraint::Plain TargetConstraint::State() const {
    Plain p;
    for (const Target& tg : targets_) p.weights.push_back(tg.weight);
    return p;
}

void TargetConstraint::ApplyState(const Plain& s) {
    // Slots beyond the new size are null by now: the reference records have emptied them.
    targets_.resize(s.weights.size());
    for (size_t k = 0; k < targets_.size(); ++k) targets_[k].weight = s.weights[k];
}

BOOL TargetConstraint::SetTargetWeight(int index, float weight) {
    const int k = SlotOf(index);
    if (k < 0) return FALSE;
    const Plain before = State();
    Plain after = before;
    after.weights[static_cast<size_t>(k)] = weight;
    if (after == before) return TRUE;
    ChangeState(this, before, after, kValueChangeNote);
    return TRUE;
}

void TargetConstraint::Relayout(const std::vector<Target>& next) {
    const Plain before = State();
    Plain grown = before;
    if (grown.weights.size() < next.size()) grown.weights.resize(next.size(), 0.0f);
    Plain after;
    std::vector<ReferenceTarget*> refs;
    for (const Target& tg : next) {
        after.weights.push_back(tg.weight);
        refs.push_back(tg.node);
    }
    RelayoutSlots(this, fixed_, refs, before, grown, after, kStructureNote);
}

BOOL TargetConstraint::AppendTarget(INode* target, float weight) {
    if (!target || !CanReference(this, target)) return FALSE;
    std::vector<Target> next;
    for (const Target& tg : targets_) {
        if (!Live(tg)) continue; // slots of deleted targets are dropped by the edit
        if (tg.node == target) return FALSE;
        next.push_back(tg);
    }
    next.push_back({target, weight});
    Relayout(next);
    return TRUE;
}

BOOL TargetConstraint::DeleteTarget(int index) {
    const int k = SlotOf(index);
    if (k < 0) return FALSE;
    std::vector<Target> next;
    for (size_t j = 0; j < targets_.size(); ++j)
        if (static_cast<int>(j) != k && Live(targets_[j])) next.push_back(targets_[j]);
    Relayout(next);
    return TRUE;
}

std::vector<std::pair<INode*, float>> TargetConstraint::LiveTargets() {
    std::vector<std::pair<INode*, float>> v;
    for (const Target& tg : targets_)
        if (Live(tg)) v.emplace_back(tg.node, tg.weight);
    return v;
}

bool TargetConstraint::WorldPosition(TimeValue t, Point3& pos, Interval& valid) {
    Point3 sum;
    float total = 0.0f;
    for (auto& [node, w] : LiveTargets()) {
        if (w <= 0.0f) continue;
        sum += node->GetNodeTM(t, &valid).GetTrans() * w;
        total += w;
    }
    if (total <= 0.0f) return false;
    pos = sum / total;
    return true;
}

bool TargetConstraint::WorldRotation(TimeValue /*t*/, const Point3& /*sourceWorld*/, Quat& /*rot*/,
                                     Interval& /*valid*/) {
    return false;
}

void TargetConstraint::CloneTargetsInto(TargetConstraint* copy, RemapDir& remap) {
    copy->targets_.resize(targets_.size());
    for (size_t k = 0; k < targets_.size(); ++k) {
        copy->targets_[k].weight = targets_[k].weight;
        INode* node = targets_[k].node;
        if (!node) continue;
        RefTargetHandle mapped = remap.FindMapping(node);
        copy->ReplaceReference(fixed_ + static_cast<int>(k), mapped ? mapped : node, FALSE);
    }
    remap.AddPostPatchProc(new RetargetProc(copy, fixed_), true);
}

IOResult TargetConstraint::Save(ISave* isave) {
    if (WriteListChunk<int>(isave, kWeightsChunk, State().weights) != IO_OK) return IO_ERROR;
    return SaveExtra(isave);
}

IOResult TargetConstraint::Load(ILoad* iload) {
    return ForEachChunk(iload, [this, iload](USHORT id) -> IOResult {
        if (id != kWeightsChunk) return LoadExtra(iload);
        Plain p;
        if (ReadList<int>(iload, p.weights) != IO_OK) return IO_ERROR;
        // The loader fills the target slots afterwards.
        targets_.assign(p.weights.size(), Target{});
        ApplyState(p);
        return IO_OK;
    });
}
