// The chunks mirrors write: the base fields, the wrapped pattern, and the modifier context chunk of the
// modifier kinds.
#pragma once

#include "host/core/ChunkIO.h"

class ModContext;

// The chunk id the modifier kinds keep their modifier context under.
constexpr USHORT REFANIM_MODCONTEXT_CHUNK = 0x933;
// Bytes of the context chunk: a 3x4 matrix (twelve floats, row by row) and its flags word, then a box
// (minimum, then maximum).
constexpr ULONG REFANIM_MODCONTEXT_BYTES = 76;

// Writes chunk id with the context's transform and box (identity and an empty box where it has none).
IOResult SaveModContextChunk(ISave* isave, const ModContext& mc, USHORT id = REFANIM_MODCONTEXT_CHUNK);
// Reads the body of an open context chunk into a new context that owns a new matrix and box; null and
// the loader's error when the chunk is short.
ModContext* LoadModContextChunk(ILoad* iload, IOResult& result);
