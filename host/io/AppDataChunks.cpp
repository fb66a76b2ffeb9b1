// Writing and reading an animatable's app data blocks.
#include "host/io/AppDataChunks.h"

#include "host/core/Animatable.h"
#include "host/core/AppData.h"
#include "host/core/ChunkFields.h"

#include <cstdint>
#include <cstring>

namespace {
constexpr USHORT kBlockChunk = 0x0001;
constexpr ULONG kBlockHeaderSize = 4 * sizeof(std::uint32_t);
} // namespace

IOResult WriteAppDataChunk(ISave* isave, USHORT id, Animatable* anim) {
    AnimAppData* ad = anim->AppData();
    if (!ad || ad->Count() == 0) return IO_OK;
    isave->BeginChunk(id);
    IOResult res = IO_OK;
    for (int i = 0; i < ad->Count() && res == IO_OK; ++i) {
        const AppDataChunk* c = ad->Get(i);
        isave->BeginChunk(kBlockChunk);
        res = WriteValues(isave, static_cast<std::uint32_t>(c->classID.PartA()),
                          static_cast<std::uint32_t>(c->classID.PartB()), static_cast<std::uint32_t>(c->superClassID),
                          static_cast<std::uint32_t>(c->subID));
        ULONG written = 0;
        if (res == IO_OK && c->length) res = isave->Write(c->data, c->length, &written);
        const IOResult end = isave->EndChunk();
        if (res == IO_OK) res = end;
    }
    const IOResult end = isave->EndChunk();
    return res == IO_OK ? end : res;
}

IOResult ReadAppData(ILoad* iload, AnimAppData& blocks) {
    return ForEachChunk(iload, [&](USHORT id) -> IOResult {
        if (id != kBlockChunk) return IO_OK;
        std::uint32_t a = 0, b = 0, super = 0, sub = 0;
        if (ReadValues(iload, a, b, super, sub) != IO_OK) return IO_ERROR;
        const ULONG len = iload->CurChunkLength() - kBlockHeaderSize;
        void* data = len ? MAX_malloc(len) : nullptr;
        ULONG read = 0;
        if (len && iload->Read(data, len, &read) != IO_OK) {
            MAX_free(data);
            return IO_ERROR;
        }
        blocks.Put(Class_ID(a, b), super, sub, len, data);
        return IO_OK;
    });
}
