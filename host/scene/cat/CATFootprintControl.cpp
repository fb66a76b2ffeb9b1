// The footprint controller: keyed only in animate mode, undoable, saved and copied.
#include "host/scene/cat/CATFootprintControl.h"

#include "host/core/ChunkFields.h"
#include "host/scene/Interface.h"
#include "host/scene/controllers/MatrixValue.h"
#include "host/scene/controllers/ControlRestore.h"

namespace {
constexpr USHORT kStateChunk = 0x0100;
}

void CATFootprintControl::GetValue(TimeValue, void* val, Interval&, GetSetMethod method) {
    ReadMatrixValue(state_.tm, val, method);
}

void CATFootprintControl::SetValue(TimeValue, void* val, int, GetSetMethod method) {
    if (!GetCOREInterface()->IsAnimateMode()) return;
    State after;
    after.tm = MatrixValueToSet(state_.tm, val, method);
    after.keyed = true;
    if (!(after == state_)) ChangeState(this, state_, after, kValueChangeNote);
}

RefTargetHandle CATFootprintControl::Clone(RemapDir& remap) {
    auto* c = new CATFootprintControl(TRUE);
    c->state_ = state_;
    BaseClone(this, c, remap);
    return c;
}

IOResult CATFootprintControl::Save(ISave* isave) {
    const std::int32_t keyed = state_.keyed ? 1 : 0;
    return WriteValueChunk(isave, kStateChunk, state_.tm, keyed);
}

IOResult CATFootprintControl::Load(ILoad* iload) {
    return ForEachChunk(iload, [&](USHORT id) -> IOResult {
        if (id != kStateChunk) return IO_OK;
        std::int32_t keyed = 0;
        const IOResult res = ReadValues(iload, state_.tm, keyed);
        state_.keyed = keyed != 0;
        return res;
    });
}
