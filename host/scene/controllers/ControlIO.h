// Reading and writing a controller's own chunks.
#pragma once

#include "host/core/ChunkIO.h"
#include "host/scene/controllers/ControlValueTraits.h"

#include <vector>

namespace ctrl_io {

// Calls f(iload) inside each chunk of the current container; f answers IO_OK or IO_ERROR and may
// ignore chunks it does not know (they are skipped).
template <class F> IOResult ForEachChunk(ILoad* iload, F f) {
    IOResult res;
    while ((res = iload->OpenChunk()) == IO_OK) {
        const IOResult r = f(iload);
        if (r != IO_OK) return r;
        if (iload->CloseChunk() != IO_OK) return IO_ERROR;
    }
    return res == IO_END ? IO_OK : res;
}

inline IOResult WriteIntChunk(ISave* s, USHORT id, int v) {
    s->BeginChunk(id);
    if (ctrl_detail::WriteRaw(s, &v, 4) != IO_OK) return IO_ERROR;
    return s->EndChunk();
}
inline IOResult WriteStringChunk(ISave* s, USHORT id, const MSTR& v) {
    s->BeginChunk(id);
    if (s->WriteWString(v.c_str()) != IO_OK) return IO_ERROR;
    return s->EndChunk();
}
inline IOResult ReadInt(ILoad* l, int& v) { return ctrl_detail::ReadRaw(l, &v, 4); }

// Writes n values of a plain type as one chunk.
template <class T> IOResult WriteArrayChunk(ISave* s, USHORT id, const std::vector<T>& v) {
    s->BeginChunk(id);
    const int n = static_cast<int>(v.size());
    if (ctrl_detail::WriteRaw(s, &n, 4) != IO_OK) return IO_ERROR;
    if (n && ctrl_detail::WriteRaw(s, v.data(), static_cast<ULONG>(sizeof(T) * v.size())) != IO_OK) return IO_ERROR;
    return s->EndChunk();
}
// Reads what WriteArrayChunk wrote; a count that does not fit the chunk is damage.
template <class T> IOResult ReadArray(ILoad* l, std::vector<T>& v) {
    int n = 0;
    if (ReadInt(l, n) != IO_OK || n < 0 || static_cast<ULONG>(n) > (l->CurChunkLength() - 4) / sizeof(T))
        return IO_ERROR;
    v.assign(static_cast<size_t>(n), T{});
    if (n == 0) return IO_OK;
    return ctrl_detail::ReadRaw(l, v.data(), static_cast<ULONG>(sizeof(T) * v.size()));
}

} // namespace ctrl_io
