// Reading and writing a controller's tables of plain values, on the host's chunk layer.
#pragma once

#include "host/core/ChunkFields.h"
#include "host/scene/controllers/ControlValueTraits.h"

#include <vector>

namespace ctrl_io {

// Writes n values of a plain type as one chunk.
template <class T> IOResult WriteArrayChunk(ISave* s, USHORT id, const std::vector<T>& v) {
    s->BeginChunk(id);
    const int n = static_cast<int>(v.size());
    if (WriteValues(s, n) != IO_OK) return IO_ERROR;
    if (n && ctrl_detail::WriteRaw(s, v.data(), static_cast<ULONG>(sizeof(T) * v.size())) != IO_OK) return IO_ERROR;
    return s->EndChunk();
}
// Reads what WriteArrayChunk wrote; a count that does not fit the chunk is damage.
template <class T> IOResult ReadArray(ILoad* l, std::vector<T>& v) {
    int n = 0;
    if (ReadValues(l, n) != IO_OK || n < 0 || static_cast<ULONG>(n) > (l->CurChunkLength() - 4) / sizeof(T))
        return IO_ERROR;
    v.assign(static_cast<size_t>(n), T{});
    if (n == 0) return IO_OK;
    return ctrl_detail::ReadRaw(l, v.data(), static_cast<ULONG>(sizeof(T) * v.size()));
}

} // namespace ctrl_io
