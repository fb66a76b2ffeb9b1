// The list controllers of each value type.
#include "host/scene/controllers/ListControl.h"

#include "host/core/RefKind.h"
#include "host/core/ChunkFields.h"
#include "host/scene/controllers/ControlRestore.h"

#include <algorithm>

namespace {
constexpr USHORT kCountChunk = 0x0200;
constexpr USHORT kActiveChunk = 0x0210;
constexpr USHORT kNamesChunk = 0x0220;
constexpr USHORT kNameChunk = 0x0221;
constexpr USHORT kCutNameChunk = 0x0230;
constexpr USHORT kCutWeightChunk = 0x0231;
// More items than any list could hold in a file: a count beyond it is damage.
constexpr int kMaxItems = 1 << 20;

// The active item after item i left a list that now has n items: the same item, or its successor
// when the active one left (the last item when it was the last).
int ActiveAfterRemove(int active, int i, int n) {
    if (active > i) return active - 1;
    if (active == i) return n == 0 ? -1 : std::min(i, n - 1);
    return active;
}
// The active item after an item was inserted before i.
int ActiveAfterInsert(int active, int i) {
    if (active < 0) return 0;
    return active >= i ? active + 1 : active;
}
} // namespace

template <class Info> ListControl<Info>::ListControl(BOOL loading) {
    if (!loading) ReplaceReference(0, new ListWeights());
}

template <class Info> BaseInterface* ListControl<Info>::GetInterface(Interface_ID id) {
    if (id == LIST_CONTROLLER_INTERFACE) return static_cast<IListControl*>(this);
    return Control::GetInterface(id);
}

template <class Info> RefTargetHandle ListControl<Info>::GetReference(int i) {
    if (i == 0) return weights_;
    if (i == 1) return cut_;
    const size_t k = static_cast<size_t>(i - 2);
    return i >= 2 && k < items_.size() ? items_[k] : nullptr;
}

template <class Info> void ListControl<Info>::SetReference(int i, RefTargetHandle t) {
    // The items and the cut item are controllers of the list's own super class.
    if (i == 0) weights_ = RefAs<ListWeights>(t);
    else if (i == 1) cut_ = RefAs<Control>(RefOfSuperClass(t, Info::kSuperClassId));
    else if (i >= 2 && static_cast<size_t>(i - 2) < items_.size())
        items_[static_cast<size_t>(i - 2)] = RefAs<Control>(RefOfSuperClass(t, Info::kSuperClassId));
}

template <class Info> Animatable* ListControl<Info>::SubAnim(int i) {
    if (i >= 0 && i < GetListCount()) return items_[static_cast<size_t>(i)];
    return i == GetListCount() ? weights_ : nullptr;
}

template <class Info> MSTR ListControl<Info>::SubAnimName(int i, bool /*localized*/) {
    if (i >= 0 && i < GetListCount()) return plain_.names[static_cast<size_t>(i)];
    return i == GetListCount() ? MSTR(L"Weights") : MSTR();
}

template <class Info> int ListControl<Info>::SubNumToRefNum(int subNum) {
    if (subNum >= 0 && subNum < GetListCount()) return subNum + 2;
    return subNum == GetListCount() ? 0 : -1;
}

template <class Info> std::vector<float> ListControl<Info>::CurrentWeights() {
    std::vector<float> w(items_.size(), 1.0f);
    if (ListWeights* lw = GetWeights())
        for (size_t k = 0; k < w.size() && static_cast<int>(k) < lw->Count(); ++k)
            w[k] = lw->GetWeight(static_cast<int>(k));
    return w;
}

template <class Info>
void ListControl<Info>::GetValue(TimeValue t, void* val, Interval& valid, GetSetMethod method) {
    const std::vector<float> w = CurrentWeights();
    T acc = Traits::Neutral();
    for (size_t k = 0; k < items_.size(); ++k) {
        if (!items_[k]) continue;
        T v = Traits::Neutral();
        static_cast<Control*>(items_[k])->GetValue(t, &v, valid, CTRL_ABSOLUTE);
        Traits::Accumulate(acc, v, w[k]);
    }
    if (method == CTRL_RELATIVE) Traits::ApplyRelative(acc, *static_cast<T*>(val));
    else *static_cast<T*>(val) = acc;
}

template <class Info> void ListControl<Info>::SetValue(TimeValue t, void* val, int commit, GetSetMethod method) {
    if (Control* c = GetSubCtrl(plain_.active)) c->SetValue(t, val, commit, method);
}

template <class Info> void ListControl<Info>::ApplyState(const Plain& s) {
    // Items beyond the new size are null by now: their reference records have emptied them.
    items_.resize(s.names.size(), nullptr);
    plain_ = s;
}

template <class Info> void ListControl<Info>::SetActive(int index) {
    if (index < 0 || index >= GetListCount() || index == plain_.active) return;
    Plain after = plain_;
    after.active = index;
    const ChangeNote note{REFMSG_CHANGE, 0, TRUE};
    // The list's record first, so that undo restores the weights before the list speaks.
    if (theHold.Holding()) theHold.Put(new StateRestore<ListControl, Plain>(this, plain_, after, note));
    if (ListWeights* w = GetWeights()) w->Reshape(WeightsState(CurrentWeights(), index));
    ApplyState(after);
    SendNote(this, note);
}

template <class Info> MSTR ListControl<Info>::GetName(int index) {
    return index >= 0 && index < GetListCount() ? plain_.names[static_cast<size_t>(index)] : MSTR();
}

template <class Info> void ListControl<Info>::SetName(int index, const MSTR& name) {
    if (index < 0 || index >= GetListCount() || plain_.names[static_cast<size_t>(index)] == name) return;
    Plain after = plain_;
    after.names[static_cast<size_t>(index)] = name;
    ChangeState(this, plain_, after, kNameNote);
}

template <class Info> Control* ListControl<Info>::GetSubCtrl(int index) {
    if (index < 0 || index >= GetListCount()) return nullptr;
    return static_cast<Control*>(items_[static_cast<size_t>(index)]);
}

template <class Info> bool ListControl<Info>::Accepts(Control* c) {
    return c && c->GetInterface(I_CONTROL) && c->SuperClassID() == Info::kSuperClassId && CanReference(this, c);
}

template <class Info>
void ListControl<Info>::Relayout(const std::vector<ReferenceTarget*>& next, const Plain& after,
                                 const std::vector<float>& weights, const std::function<void()>& between) {
    std::vector<ReferenceTarget*> leaving(items_.begin(), items_.end());
    leaving.push_back(cut_);
    Plain grown = plain_;
    grown.names.resize(std::max(items_.size(), next.size()));
    RelayoutSlots(this, 2, next, plain_, grown, after, kStructureNote, [&] {
        if (between) between();
        if (ListWeights* w = GetWeights()) w->Reshape(WeightsState(weights, after.active));
    });
    // What left the list goes unless something else holds it.
    std::sort(leaving.begin(), leaving.end());
    leaving.erase(std::unique(leaving.begin(), leaving.end()), leaving.end());
    for (ReferenceTarget* t : leaving)
        if (t && t != cut_ && std::find(next.begin(), next.end(), t) == next.end()) t->MaybeAutoDelete();
}

template <class Info> void ListControl<Info>::AppendItem(Control* ctrl, const MSTR& name) {
    if (!Accepts(ctrl)) return;
    std::vector<ReferenceTarget*> next(items_.begin(), items_.end());
    next.push_back(ctrl);
    Plain after = plain_;
    MSTR n = name;
    if (n.isNull()) ctrl->GetClassName(n);
    after.names.push_back(n);
    if (after.active < 0) after.active = 0;
    std::vector<float> w = CurrentWeights();
    w.push_back(1.0f);
    Relayout(next, after, w);
}

template <class Info> void ListControl<Info>::DeleteItem(int index) {
    if (index < 0 || index >= GetListCount()) return;
    const auto at = static_cast<size_t>(index);
    std::vector<ReferenceTarget*> next(items_.begin(), items_.end());
    next.erase(next.begin() + static_cast<std::ptrdiff_t>(at));
    Plain after = plain_;
    after.names.erase(after.names.begin() + static_cast<std::ptrdiff_t>(at));
    after.active = ActiveAfterRemove(plain_.active, index, static_cast<int>(next.size()));
    std::vector<float> w = CurrentWeights();
    w.erase(w.begin() + static_cast<std::ptrdiff_t>(at));
    Relayout(next, after, w);
}

template <class Info> void ListControl<Info>::CutItem(int index) {
    if (index < 0 || index >= GetListCount()) return;
    const auto at = static_cast<size_t>(index);
    ReferenceTarget* item = items_[at];
    std::vector<ReferenceTarget*> next(items_.begin(), items_.end());
    next.erase(next.begin() + static_cast<std::ptrdiff_t>(at));
    std::vector<float> w = CurrentWeights();
    Plain after = plain_;
    after.cutName = plain_.names[at];
    after.cutWeight = w[at];
    after.names.erase(after.names.begin() + static_cast<std::ptrdiff_t>(at));
    after.active = ActiveAfterRemove(plain_.active, index, static_cast<int>(next.size()));
    w.erase(w.begin() + static_cast<std::ptrdiff_t>(at));
    Relayout(next, after, w, [&] { ReplaceReference(1, item, FALSE); });
}

template <class Info> void ListControl<Info>::PasteItem(int index) {
    if (!cut_) return;
    const int at = std::clamp(index, 0, GetListCount());
    std::vector<ReferenceTarget*> next(items_.begin(), items_.end());
    next.insert(next.begin() + at, cut_);
    Plain after = plain_;
    after.names.insert(after.names.begin() + at, plain_.cutName);
    after.active = ActiveAfterInsert(plain_.active, at);
    after.cutName = MSTR();
    after.cutWeight = 1.0f;
    std::vector<float> w = CurrentWeights();
    w.insert(w.begin() + at, plain_.cutWeight);
    Relayout(next, after, w, [&] { ReplaceReference(1, nullptr, FALSE); });
}

template <class Info> float ListControl<Info>::GetSubCtrlWeight(int index) {
    if (index < 0 || index >= GetListCount()) return 0.0f;
    return CurrentWeights()[static_cast<size_t>(index)];
}

template <class Info> void ListControl<Info>::SetSubCtrlWeight(int index, float weight) {
    if (ListWeights* w = GetWeights()) w->SetWeight(index, weight);
}

template <class Info> BOOL ListControl<Info>::AssignController(Animatable* control, int subAnim) {
    if (!CanAssignController(subAnim) || !control || !control->GetInterface(I_CONTROL)) return FALSE;
    auto* c = static_cast<Control*>(control);
    if (!Accepts(c)) return FALSE;
    return ReplaceControllerRef(this, subAnim + 2, c, {kControlRefNote, kStructureNote, kValueChangeNote}) ==
           REF_SUCCEED;
}

template <class Info> RefTargetHandle ListControl<Info>::Clone(RemapDir& remap) {
    auto* c = new ListControl(TRUE);
    c->ApplyState(plain_);
    c->ReplaceReference(0, remap.CloneRef(weights_));
    c->ReplaceReference(1, remap.CloneRef(cut_));
    for (size_t k = 0; k < items_.size(); ++k) c->ReplaceReference(static_cast<int>(k) + 2, remap.CloneRef(items_[k]));
    BaseClone(this, c, remap);
    return c;
}

template <class Info> IOResult ListControl<Info>::Save(ISave* isave) {
    if (WriteValueChunk(isave, kCountChunk, GetListCount()) != IO_OK) return IO_ERROR;
    if (WriteValueChunk(isave, kActiveChunk, plain_.active) != IO_OK) return IO_ERROR;
    isave->BeginChunk(kNamesChunk);
    for (const MSTR& n : plain_.names)
        if (WriteStringChunk(isave, kNameChunk, n) != IO_OK) return IO_ERROR;
    if (isave->EndChunk() != IO_OK) return IO_ERROR;
    if (cut_) {
        if (WriteStringChunk(isave, kCutNameChunk, plain_.cutName) != IO_OK) return IO_ERROR;
        if (WriteValueChunk(isave, kCutWeightChunk, plain_.cutWeight) != IO_OK) return IO_ERROR;
    }
    return IO_OK;
}

template <class Info> IOResult ListControl<Info>::Load(ILoad* iload) {
    int count = -1;
    Plain p;
    const IOResult r = ForEachChunk(iload, [&](USHORT id) -> IOResult {
        switch (id) {
        case kCountChunk: return ReadValues(iload, count);
        case kActiveChunk: return ReadValues(iload, p.active);
        case kNamesChunk:
            return ForEachChunk(iload, [&](USHORT sub) -> IOResult {
                if (sub != kNameChunk) return IO_OK;
                MSTR n;
                if (iload->ReadWStringChunk(n) != IO_OK) return IO_ERROR;
                p.names.push_back(n);
                return IO_OK;
            });
        case kCutNameChunk: return iload->ReadWStringChunk(p.cutName);
        case kCutWeightChunk: return ReadValues(iload, p.cutWeight);
        default: return IO_OK;
        }
    });
    if (r != IO_OK) return r;
    if (count < 0) count = static_cast<int>(p.names.size());
    if (count > kMaxItems) return IO_ERROR;
    if (p.names.empty()) p.names.resize(static_cast<size_t>(count));
    if (static_cast<int>(p.names.size()) != count || p.active < -1 || p.active >= count) return IO_ERROR;
    // The loader fills the item references afterwards.
    ApplyState(p);
    return IO_OK;
}

template class ListControl<FloatListInfo>;
template class ListControl<Point3ListInfo>;
template class ListControl<PositionListInfo>;
template class ListControl<RotationListInfo>;
template class ListControl<ScaleListInfo>;
