// The chunk layer's writer of a wide-string chunk.
#include "host/core/ChunkFields.h"

IOResult WriteStringChunk(ISave* isave, USHORT id, const MSTR& s) {
    isave->BeginChunk(id);
    const IOResult res = isave->WriteWString(s.c_str());
    const IOResult end = isave->EndChunk();
    return res != IO_OK ? res : end;
}
