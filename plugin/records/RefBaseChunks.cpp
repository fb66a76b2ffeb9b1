// The record base's chunks: the version stamp and the size of the mirror table.
#include "plugin/records/RefBase.h"

#include <cstdint>

IOResult RefBase::LoadMirrorCount(ILoad* iload, std::uint32_t limit) {
    std::uint32_t n = 0;
    const IOResult res = limit ? ReadCount(iload, n, limit) : ReadCount(iload, n);
    if (res != IO_OK) return res;
    if (!limit) mirrors_.reserve(n);
    while (static_cast<std::uint32_t>(NumMirrors()) < n)
        AppendMirrorSlot();
    return IO_OK;
}

std::span<const ChunkField<RefBase>> RefBase::Fields() {
    static const ChunkField<RefBase> table[] = {StampField<RefBase>(), MirrorCountField<RefBase>()};
    return table;
}

IOResult RefBase::Save(ISave* isave) { return SaveFields(isave, *this, Fields()); }

IOResult RefBase::Load(ILoad* iload) {
    const IOResult res = LoadFields(iload, *this, Fields());
    // Before the host restores references the table holds only empty entries: Clean drops them.
    if (res != IO_OK) Clean(0);
    return res;
}
