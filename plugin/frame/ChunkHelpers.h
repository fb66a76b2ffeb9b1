// Small helpers for the flat chunks the module's classes write: a chunk holding bytes or a wide string,
// and a plain value read from an open chunk.
#pragma once

#include "host/core/ChunkIO.h"
#include "host/core/WStr.h"

// Writes a chunk id holding n bytes of data; the first error of the write or of closing the chunk.
inline IOResult WriteDataChunk(ISave* isave, USHORT id, const void* data, ULONG n) {
    ULONG written = 0;
    isave->BeginChunk(id);
    const IOResult res = isave->Write(data, n, &written);
    const IOResult end = isave->EndChunk();
    return res != IO_OK ? res : end;
}

// Writes a chunk id holding the wide string s.
inline IOResult WriteStringChunk(ISave* isave, USHORT id, const WStr& s) {
    isave->BeginChunk(id);
    const IOResult res = isave->WriteWString(s.c_str());
    const IOResult end = isave->EndChunk();
    return res != IO_OK ? res : end;
}

// Reads a plain value from the open chunk.
template <class T> IOResult ReadValue(ILoad* iload, T& value) {
    ULONG read = 0;
    return iload->Read(&value, sizeof value, &read);
}
