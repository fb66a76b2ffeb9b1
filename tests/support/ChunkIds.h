// The ids of a chunk stream's top-level chunks, in order: what a save wrote, without its contents.
#pragma once

#include "host/core/ChunkLoad.h"

#include <cstdint>
#include <vector>

inline std::vector<int> TopLevelChunkIds(const std::vector<std::uint8_t>& bytes) {
    ChunkLoad in(bytes);
    std::vector<int> ids;
    while (in.OpenChunk() == IO_OK) {
        ids.push_back(in.CurChunkID());
        in.CloseChunk();
    }
    return ids;
}
