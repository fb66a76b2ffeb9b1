// The float reaction: its master, its states and their interpolation, undo, persistence.
#include "host/scene/controllers/ReactionControl.h"

#include "host/core/ChunkFields.h"
#include "host/core/MaxException.h"
#include "host/scene/controllers/ControlRestore.h"
#include "host/scene/controllers/ControllerClassIds.h"

#include <algorithm>
#include <string>

namespace {
constexpr USHORT kStatesChunk = 0x0400;
} // namespace

Class_ID ReactionMaster::ClassID() { return REACTION_MASTER_CLASS_ID; }

void ReactionMaster::GetClassName(MSTR& s, bool /*localized*/) const { s = L"Reaction Master"; }

Control* ReactionMaster::GetDriver() const {
    return driver_ && driver_->SuperClassID() == CTRL_FLOAT_CLASS_ID ? static_cast<Control*>(driver_) : nullptr;
}

RefTargetHandle ReactionMaster::Clone(RemapDir& remap) {
    auto* m = new ReactionMaster(TRUE);
    if (driver_) m->ReplaceReference(0, driver_);
    BaseClone(this, m, remap);
    return m;
}

ReactionControl::ReactionControl(BOOL loading) {
    if (!loading) ReplaceReference(0, new ReactionMaster());
}

Class_ID ReactionControl::ClassID() { return FLOAT_REACTION_CLASS_ID; }

void ReactionControl::GetClassName(MSTR& s, bool /*localized*/) const { s = L"Float Reaction"; }

void ReactionControl::SetReference(int i, RefTargetHandle t) {
    if (i == 0) master_ = t && t->ClassID() == REACTION_MASTER_CLASS_ID ? static_cast<ReactionMaster*>(t) : nullptr;
}

void ReactionControl::GetValue(TimeValue t, void* val, Interval& valid, GetSetMethod method) {
    float v = 0.0f;
    if (!states_.empty()) {
        float in = states_.front().input;
        if (Control* d = GetDriver()) d->GetValue(t, &in, valid);
        const auto hi = std::find_if(states_.begin(), states_.end(), [&](const State& s) { return s.input >= in; });
        if (hi == states_.begin())
            v = hi->output;
        else if (hi == states_.end())
            v = states_.back().output;
        else {
            const State& lo = *(hi - 1);
            const float span = hi->input - lo.input;
            v = span > 0.0f ? lo.output + (hi->output - lo.output) * (in - lo.input) / span : hi->output;
        }
    }
    float& out = *static_cast<float*>(val);
    out = method == CTRL_RELATIVE ? out + v : v;
}

void ReactionControl::SetDriver(Control* driver) {
    if (driver && driver->SuperClassID() != CTRL_FLOAT_CLASS_ID) {
        MSTR name;
        driver->GetClassName(name);
        throw MAXException(L"Float Reaction: a " + std::wstring(name.data()) + L" cannot drive it, a float controller can");
    }
    if (driver == this) throw MAXException(L"Float Reaction: a reaction cannot drive itself");
    if (!master_) ReplaceReference(0, new ReactionMaster());
    master_->ReplaceReference(0, driver);
    NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
}

void ReactionControl::CheckIndex(int i) const {
    if (i < 0 || i >= static_cast<int>(states_.size()))
        throw MAXException(L"Float Reaction: state " + std::to_wstring(i) + L" is out of range (" +
                           std::to_wstring(states_.size()) + L" states)");
}

void ReactionControl::Change(std::vector<State> after) {
    std::stable_sort(after.begin(), after.end(), [](const State& a, const State& b) { return a.input < b.input; });
    if (after == states_) return;
    ChangeState(this, states_, after, kValueChangeNote);
}

void ReactionControl::AddState(float input, float output) {
    std::vector<State> after = states_;
    after.push_back({input, output});
    Change(std::move(after));
}

void ReactionControl::SetState(int i, float input, float output) {
    CheckIndex(i);
    std::vector<State> after = states_;
    after[static_cast<size_t>(i)] = {input, output};
    Change(std::move(after));
}

void ReactionControl::DeleteState(int i) {
    CheckIndex(i);
    std::vector<State> after = states_;
    after.erase(after.begin() + i);
    Change(std::move(after));
}

void ReactionControl::Copy(Control* from) {
    if (auto* r = dynamic_cast<ReactionControl*>(from)) {
        Change(r->states_);
        SetDriver(r->GetDriver());
    }
}

RefResult ReactionControl::NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID&, RefMessage message,
                                            BOOL) {
    if (hTarget == master_ && message == REFMSG_CHANGE) return REF_SUCCEED;
    return REF_STOP;
}

RefTargetHandle ReactionControl::Clone(RemapDir& remap) {
    auto* c = new ReactionControl(TRUE);
    c->states_ = states_;
    if (master_) c->ReplaceReference(0, remap.CloneRef(master_));
    BaseClone(this, c, remap);
    return c;
}

IOResult ReactionControl::Save(ISave* isave) {
    std::vector<float> flat;
    for (const State& s : states_) {
        flat.push_back(s.input);
        flat.push_back(s.output);
    }
    return WriteListChunk<int>(isave, kStatesChunk, flat);
}

IOResult ReactionControl::Load(ILoad* iload) {
    std::vector<float> flat;
    const IOResult r = ForEachChunk(iload, [&](USHORT id) { return id == kStatesChunk ? ReadList<int>(iload, flat) : IO_OK; });
    if (r != IO_OK) return r;
    if (flat.size() % 2) return IO_ERROR;
    states_.clear();
    for (size_t k = 0; k < flat.size(); k += 2) states_.push_back({flat[k], flat[k + 1]});
    return IO_OK;
}
