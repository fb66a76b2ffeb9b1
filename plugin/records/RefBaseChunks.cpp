// The record base's chunks: the version stamp and the size of the mirror table.
#include "plugin/records/RefBase.h"
#include "plugin/frame/ChunkHelpers.h"

#include <cstdint>

namespace {

constexpr float kVersionStamp = 10701.0f;

} // namespace

IOResult RefBase::SaveStamp(ISave* isave) {
    const float stamp = kVersionStamp;
    return WriteDataChunk(isave, kStampChunk, &stamp, sizeof stamp);
}

IOResult RefBase::SaveMirrorCount(ISave* isave) {
    const auto mirrors = static_cast<std::uint32_t>(NumMirrors());
    return WriteDataChunk(isave, kMirrorCountChunk, &mirrors, sizeof mirrors);
}

IOResult RefBase::LoadMirrorCount(ILoad* iload) {
    std::uint32_t n = 0;
    IOResult res = ReadValue(iload, n);
    if (res != IO_OK) return res;
    if (n > iload->StreamBytesLeft()) return IO_ERROR;
    mirrors_.reserve(n);
    while (static_cast<std::uint32_t>(NumMirrors()) < n)
        AppendMirrorSlot();
    return IO_OK;
}

IOResult RefBase::Save(ISave* isave) {
    IOResult res = SaveStamp(isave);
    if (res == IO_OK) res = SaveMirrorCount(isave);
    return res;
}

IOResult RefBase::Load(ILoad* iload) {
    IOResult res;
    while ((res = iload->OpenChunk()) == IO_OK) {
        switch (iload->CurChunkID()) {
        case kStampChunk: {
            float stamp = 0;
            res = ReadValue(iload, stamp);
            break;
        }
        case kMirrorCountChunk:
            res = LoadMirrorCount(iload);
            break;
        default:
            break; // chunks of later versions
        }
        const IOResult closed = iload->CloseChunk();
        if (res == IO_OK) res = closed;
        if (res != IO_OK) {
            // Before the host restores references the table holds only empty entries: Clean drops them.
            Clean(0);
            return res;
        }
    }
    return res == IO_END ? IO_OK : res;
}
