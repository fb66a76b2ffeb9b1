// The first chunk of the Biped's own files (animation, mixer): a mark and a version, so that a file of
// another kind or version is refused before anything of it is read.
#pragma once

#include "host/core/ChunkFields.h"
#include "host/core/ChunkLoad.h"
#include "host/core/ChunkSave.h"
#include "host/core/WStr.h"

#include <cstdint>

struct BipedFileHeader {
    USHORT chunk;
    std::uint32_t magic;
    std::uint32_t version;
    // The file's kind as refusals name it ("Biped", "mixer").
    const wchar_t* kind;

    IOResult Write(ChunkSave* out) const {
        out->BeginChunk(chunk);
        const IOResult res = WriteValues(out, magic, version);
        return res == IO_OK ? out->EndChunk() : res;
    }
    // Reads the header from the file's first chunk, whose id is id.
    IOResult Read(ChunkLoad* in, USHORT id) const {
        std::uint32_t m = 0, v = 0;
        if (id != chunk || ReadValues(in, m, v) != IO_OK || m != magic) return RefuseKind(in);
        if (v != version) return in->Refuse(WStr::Format(L"%s file version %u, expected %u", kind, v, version));
        return IO_OK;
    }
    // For a file that ended before its header.
    IOResult RefuseKind(ChunkLoad* in) const { return in->Refuse(WStr::Format(L"not a %s file", kind)); }
};
