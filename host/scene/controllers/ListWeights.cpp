// Per-item weights of a list controller.
#include "host/scene/controllers/ListWeights.h"

#include "host/core/ChunkFields.h"
#include "host/scene/controllers/ControlRestore.h"
#include "host/scene/controllers/ControllerClassIds.h"

namespace {
constexpr USHORT kActiveChunk = 0x0300;
constexpr USHORT kWeightsChunk = 0x0310;
} // namespace

Class_ID ListWeights::ClassID() { return LIST_WEIGHTS_CLASS_ID; }

void ListWeights::GetClassName(MSTR& s, bool /*localized*/) const { s = L"List Weights"; }

float ListWeights::GetWeight(int i) const {
    return i >= 0 && i < Count() ? state_.weights[static_cast<size_t>(i)] : 0.0f;
}

void ListWeights::GetValue(TimeValue /*t*/, void* val, Interval& /*valid*/, GetSetMethod method) {
    const float w = state_.active >= 0 && state_.active < Count() ? GetWeight(state_.active) : 1.0f;
    float& out = *static_cast<float*>(val);
    out = method == CTRL_RELATIVE ? out + w : w;
}

void ListWeights::SetValue(TimeValue /*t*/, void* val, int /*commit*/, GetSetMethod method) {
    const int a = state_.active;
    if (a < 0 || a >= Count()) return;
    const float v = *static_cast<const float*>(val);
    SetWeight(a, method == CTRL_RELATIVE ? GetWeight(a) + v : v);
}

bool ListWeights::SetWeight(int i, float w) {
    if (i < 0 || i >= Count()) return false;
    State after = state_;
    after.weights[static_cast<size_t>(i)] = w;
    if (!(after == state_)) ChangeState(this, state_, after, kValueChangeNote);
    return true;
}

void ListWeights::Reshape(const State& next) {
    if (!(next == state_)) RecordState(this, state_, next);
}

RefTargetHandle ListWeights::Clone(RemapDir& remap) {
    auto* c = new ListWeights(TRUE);
    c->state_ = state_;
    BaseClone(this, c, remap);
    return c;
}

IOResult ListWeights::Save(ISave* isave) {
    if (WriteValueChunk(isave, kActiveChunk, state_.active) != IO_OK) return IO_ERROR;
    return WriteListChunk<int>(isave, kWeightsChunk, state_.weights);
}

IOResult ListWeights::Load(ILoad* iload) {
    const IOResult r = ForEachChunk(iload, [this, iload](USHORT id) -> IOResult {
        switch (id) {
        case kActiveChunk: return ReadValues(iload, state_.active);
        case kWeightsChunk: return ReadList<int>(iload, state_.weights);
        default: return IO_OK;
        }
    });
    if (r == IO_OK && (state_.active < -1 || state_.active >= Count())) return IO_ERROR;
    return r;
}
