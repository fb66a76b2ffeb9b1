// The ids of a chunk stream's top-level chunks, in order: what a save wrote, without its contents.
#pragma once

#include "host/core/ChunkFields.h"
#include "host/core/ChunkLoad.h"

#include <cstdint>
#include <vector>

inline std::vector<int> TopLevelChunkIds(const std::vector<std::uint8_t>& bytes) {
    ChunkLoad in(bytes);
    std::vector<int> ids;
    ForEachChunk(&in, [&](USHORT id) {
        ids.push_back(id);
        return IO_OK;
    });
    return ids;
}
