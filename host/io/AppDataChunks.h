// The app data of an animatable in a scene file: written beside its body, read back after it loaded.
#pragma once

#include "host/core/ChunkIO.h"

class AnimAppData;
class Animatable;

// Writes chunk id holding one 0x0001 block chunk per app data block (class id a u32 | b u32 | super class
// u32 | sub id u32 | the bytes); nothing when the animatable holds no app data.
IOResult WriteAppDataChunk(ISave* isave, USHORT id, Animatable* anim);
// Reads the blocks of the open app data chunk into blocks.
IOResult ReadAppData(ILoad* iload, AnimAppData& blocks);
