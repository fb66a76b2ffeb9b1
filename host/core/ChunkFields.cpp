// The chunk layer's writer of a wide-string chunk and its refusal of counts a stream cannot hold.
#include "host/core/ChunkFields.h"

#include "host/core/ChunkLoad.h"

IOResult WriteStringChunk(ISave* isave, USHORT id, const MSTR& s) {
    isave->BeginChunk(id);
    const IOResult res = isave->WriteWString(s.c_str());
    const IOResult end = isave->EndChunk();
    return res != IO_OK ? res : end;
}

IOResult RefuseCount(ILoad* iload, const std::wstring& count, size_t countSize, size_t limit, bool bytesLeft) {
    auto* load = dynamic_cast<ChunkLoad*>(iload);
    if (!load) return IO_ERROR;
    const WStr bound = bytesLeft ? WStr::Format(L"the stream holds only %zu more bytes", limit)
                                 : WStr::Format(L"the most this table takes is %zu", limit);
    return load->Refuse(WStr::Format(L"chunk 0x%04X: count %s at offset %zu: %s", iload->CurChunkID(),
                                     count.c_str(), load->Offset() - countSize,
                                     bound.c_str()));
}
