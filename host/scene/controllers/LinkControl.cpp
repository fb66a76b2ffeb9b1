// Parent switching by time.
#include "host/scene/controllers/LinkControl.h"

#include "host/core/RefKind.h"
#include "host/core/ChunkFields.h"
#include "host/scene/controllers/ControlRestore.h"
#include "host/scene/controllers/ControllerClassIds.h"

#include <algorithm>

namespace {
constexpr USHORT kTimesChunk = 0x0500;
constexpr int kFirstLinkRef = 2;

class RelinkProc : public PostPatchProc {
public:
    explicit RelinkProc(LinkControl* copy) : copy_(copy) {}
    int Proc(RemapDir& remap) override {
        for (int i = kFirstLinkRef; i < copy_->NumRefs(); ++i) {
            RefTargetHandle node = copy_->GetReference(i);
            if (RefTargetHandle mapped = node ? remap.FindMapping(node) : nullptr)
                copy_->ReplaceReference(i, mapped, FALSE);
        }
        return 1;
    }

private:
    LinkControl* copy_;
};
} // namespace

LinkControl::LinkControl(BOOL loading) {
    if (!loading) ReplaceReference(0, NewDefaultMatrix3Controller());
}

Class_ID LinkControl::ClassID() { return LINK_CONSTRAINT_CLASS_ID; }

void LinkControl::GetClassName(MSTR& s, bool /*localized*/) const { s = L"Link Constraint"; }

BaseInterface* LinkControl::GetInterface(Interface_ID id) {
    if (id == LINK_CONSTRAINT_INTERFACE) return static_cast<ILinkCtrl*>(this);
    return Control::GetInterface(id);
}

MSTR LinkControl::SubAnimName(int i, bool /*localized*/) {
    if (i == 0) return L"Transform";
    return i == 1 ? MSTR(L"Link Params") : MSTR();
}

RefTargetHandle LinkControl::GetReference(int i) {
    if (i == 0) return tm_;
    if (i == 1) return params_;
    const size_t k = static_cast<size_t>(i - kFirstLinkRef);
    return i >= kFirstLinkRef && k < links_.size() ? links_[k].node : nullptr;
}

void LinkControl::SetReference(int i, RefTargetHandle t) {
    if (i == 0) tm_ = RefAs<Control>(RefOfSuperClass(t, CTRL_MATRIX3_CLASS_ID));
    else if (i == 1) params_ = t;
    else if (i >= kFirstLinkRef && static_cast<size_t>(i - kFirstLinkRef) < links_.size())
        links_[static_cast<size_t>(i - kFirstLinkRef)].node = RefAs<INode>(t);
}

bool LinkControl::IsLinkNode(ReferenceTarget* t) const {
    if (!t) return false;
    for (const Link& l : links_)
        if (l.node == t) return true;
    return false;
}

BOOL LinkControl::IsRealDependency(ReferenceTarget* rtarg) { return IsLinkNode(rtarg) ? FALSE : TRUE; }

BOOL LinkControl::ShouldPersistWeakRef(RefTargetHandle rtarg) { return IsLinkNode(rtarg) ? TRUE : FALSE; }

RefResult LinkControl::NotifyRefChanged(const Interval& /*changeInt*/, RefTargetHandle hTarget, PartID& /*partID*/,
                                        RefMessage message, BOOL /*propagate*/) {
    if (message == REFMSG_TARGET_DELETED && IsLinkNode(hTarget)) SendNote(this, kStructureNote);
    return REF_SUCCEED;
}

int LinkControl::SlotOf(int index) const {
    if (index < 0) return -1;
    for (size_t k = 0; k < links_.size(); ++k)
        if (Live(links_[k]) && index-- == 0) return static_cast<int>(k);
    return -1;
}

std::vector<LinkControl::Link> LinkControl::LiveLinks() const {
    std::vector<Link> v;
    for (const Link& l : links_)
        if (Live(l)) v.push_back(l);
    return v;
}

int LinkControl::GetNumTargets() { return static_cast<int>(LiveLinks().size()); }

INode* LinkControl::GetNode(int index) {
    const int k = SlotOf(index);
    return k < 0 ? nullptr : links_[static_cast<size_t>(k)].node;
}

TimeValue LinkControl::GetLinkTime(int index) {
    const int k = SlotOf(index);
    return k < 0 ? 0 : links_[static_cast<size_t>(k)].time;
}

INode* LinkControl::GetLinkNodeAt(TimeValue t) {
    INode* found = nullptr;
    for (const Link& l : LiveLinks())
        if (l.time <= t) found = l.node;
    return found;
}

LinkControl::Plain LinkControl::State() const {
    Plain p;
    for (const Link& l : links_) p.times.push_back(l.time);
    return p;
}

void LinkControl::ApplyState(const Plain& s) {
    links_.resize(s.times.size());
    for (size_t k = 0; k < links_.size(); ++k) links_[k].time = s.times[k];
}

void LinkControl::Relayout(std::vector<Link> next) {
    std::stable_sort(next.begin(), next.end(), [](const Link& a, const Link& b) { return a.time < b.time; });
    const Plain before = State();
    Plain grown = before;
    if (grown.times.size() < next.size()) grown.times.resize(next.size(), 0);
    Plain after;
    std::vector<ReferenceTarget*> refs;
    for (const Link& l : next) {
        after.times.push_back(l.time);
        refs.push_back(l.node);
    }
    RelayoutSlots(this, kFirstLinkRef, refs, before, grown, after, kStructureNote);
}

BOOL LinkControl::AddNewLink(INode* node, TimeValue t) {
    if (!node || !CanReference(this, node)) return FALSE;
    std::vector<Link> next;
    for (const Link& l : LiveLinks())
        if (l.time != t) next.push_back(l);
    next.push_back({node, t});
    Relayout(next);
    return TRUE;
}

BOOL LinkControl::SetLinkTime(int index, TimeValue t) {
    const int k = SlotOf(index);
    if (k < 0) return FALSE;
    std::vector<Link> next;
    for (size_t j = 0; j < links_.size(); ++j) {
        if (!Live(links_[j])) continue;
        Link l = links_[j];
        if (static_cast<int>(j) == k) l.time = t;
        else if (l.time == t) return FALSE; // two links cannot start at the same time
        next.push_back(l);
    }
    Relayout(next);
    return TRUE;
}

BOOL LinkControl::DeleteTarget(int index) {
    const int k = SlotOf(index);
    if (k < 0) return FALSE;
    std::vector<Link> next;
    for (size_t j = 0; j < links_.size(); ++j)
        if (static_cast<int>(j) != k && Live(links_[j])) next.push_back(links_[j]);
    Relayout(next);
    return TRUE;
}

void LinkControl::GetValue(TimeValue t, void* val, Interval& valid, GetSetMethod method) {
    Matrix3& m = *static_cast<Matrix3*>(val);
    Matrix3 local;
    if (Control* c = GetTransformController()) c->GetValue(t, &local, valid, CTRL_ABSOLUTE);
    if (method == CTRL_ABSOLUTE) {
        m = local;
        return;
    }
    // The link in effect changes at the next link's start time.
    for (const Link& l : LiveLinks()) {
        if (l.time > t) {
            valid &= Interval(TIME_NegInfinity, l.time - 1);
            break;
        }
        valid &= Interval(l.time, TIME_PosInfinity);
    }
    const Matrix3 parent = GetLinkNodeAt(t) ? GetLinkNodeAt(t)->GetNodeTM(t, &valid) : m;
    m = local * parent;
}

void LinkControl::SetValue(TimeValue t, void* val, int commit, GetSetMethod method) {
    if (Control* c = GetTransformController()) c->SetValue(t, val, commit, method);
}

Control* LinkControl::GetPositionController() {
    return GetTransformController() ? GetTransformController()->GetPositionController() : nullptr;
}
Control* LinkControl::GetRotationController() {
    return GetTransformController() ? GetTransformController()->GetRotationController() : nullptr;
}
Control* LinkControl::GetScaleController() {
    return GetTransformController() ? GetTransformController()->GetScaleController() : nullptr;
}

BOOL LinkControl::AssignController(Animatable* control, int subAnim) {
    return subAnim == 0 && AssignControllerRef(this, 0, control, CTRL_MATRIX3_CLASS_ID);
}

RefTargetHandle LinkControl::Clone(RemapDir& remap) {
    auto* c = new LinkControl(TRUE);
    c->ReplaceReference(0, remap.CloneRef(tm_));
    c->ReplaceReference(1, remap.CloneRef(params_));
    c->links_.resize(links_.size());
    for (size_t k = 0; k < links_.size(); ++k) {
        c->links_[k].time = links_[k].time;
        if (INode* node = links_[k].node) {
            RefTargetHandle mapped = remap.FindMapping(node);
            c->ReplaceReference(kFirstLinkRef + static_cast<int>(k), mapped ? mapped : node, FALSE);
        }
    }
    remap.AddPostPatchProc(new RelinkProc(c), true);
    BaseClone(this, c, remap);
    return c;
}

IOResult LinkControl::Save(ISave* isave) { return WriteListChunk<int>(isave, kTimesChunk, State().times); }

IOResult LinkControl::Load(ILoad* iload) {
    return ForEachChunk(iload, [this, iload](USHORT id) -> IOResult {
        if (id != kTimesChunk) return IO_OK;
        Plain p;
        if (ReadList<int>(iload, p.times) != IO_OK) return IO_ERROR;
        links_.assign(p.times.size(), Link{});
        ApplyState(p);
        return IO_OK;
    });
}
