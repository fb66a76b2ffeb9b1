// The chunk stream interfaces every persistent object saves itself through (ISave) and loads from (ILoad).
#pragma once

#include "host/core/IOResult.h"
#include "host/core/MaxTypes.h"
#include "host/core/WStr.h"

#include <cstdint>
#include <string>

using USHORT = std::uint16_t;

// Layout of a chunk stream, little-endian throughout:
//   chunk  = id (u16) | word (u32) | body
//   word   = bit 31: the body is a sequence of sub-chunks (a container), not data;
//            bits 0-30: length of the whole chunk, its 6-byte header included (so at most 2 GiB - 1).
//   A chunk holds either data or sub-chunks, never both. Wide strings are stored as UTF-16LE with no
//   terminator and fill the rest of their chunk; C strings likewise as their bytes. A stream has no header
//   of its own: whoever owns the stream (the scene file) may write raw bytes at the top level before its
//   first chunk and reads them back with Read before its first OpenChunk.
inline constexpr ULONG kChunkHeaderSize = 6;
inline constexpr ULONG kChunkContainerBit = 0x80000000u;
inline constexpr ULONG kChunkMaxLength = 0x7FFFFFFFu;
// Loaders recurse per nesting level, so both sides refuse nesting deeper than this.
inline constexpr int kChunkMaxDepth = 1000;

// Writes nested chunks. Errors are sticky: after the first one every call fails and GetLastError says why.
class ISave {
public:
    virtual ~ISave() = default;

    // Starts a chunk inside the current one (or at the top level).
    virtual void BeginChunk(USHORT id) = 0;
    // Ends the innermost open chunk; IO_ERROR when none is open.
    virtual IOResult EndChunk() = 0;
    // Number of chunks open; 0 at the top level.
    virtual int CurChunkDepth() = 0;
    virtual IOResult Write(const void* buf, ULONG nbytes, ULONG* nwrit) = 0;
    // Writes the string as the data of the current chunk (read back with ReadWStringChunk).
    virtual IOResult WriteWString(const MCHAR* str) = 0;
    virtual IOResult WriteCString(const char* str) = 0;
    virtual const WStr& GetLastError() const = 0;

    // The scene writer keeps the object table: a plain stream has none, so no object has an id.
    virtual int GetRefID(void* /*ptr*/) { return -1; }
    // The file being written; empty when the stream goes to memory.
    virtual const MCHAR* FileName() { return L""; }
};

class ILoad;

// Work an object leaves for the end of a load, when every object of the file exists and every
// reference is restored. Callbacks run once, lower priorities first (0 to 10, 5 by default) and in the
// order they were registered within a priority; a callback may delete itself in proc. A load that fails
// drops its callbacks without running them.
class PostLoadCallback {
public:
    virtual ~PostLoadCallback() = default;
    virtual void proc(ILoad* iload) = 0;
    virtual int Priority() { return 5; }
};

// Reads nested chunks. Damaged data gives IO_ERROR with a message naming the chunk id, the offset and what
// was expected; nothing is ever read outside the stream or outside the current chunk.
class ILoad {
public:
    virtual ~ILoad() = default;

    // Enters the next chunk of the current container: IO_OK, IO_END when there is none, IO_ERROR when the
    // stream is damaged there (the position does not move).
    virtual IOResult OpenChunk() = 0;
    virtual USHORT CurChunkID() = 0;
    // Length of the current chunk's body (its header not counted).
    virtual ULONG CurChunkLength() = 0;
    // Number of chunks entered; 0 at the top level.
    virtual int CurChunkDepth() = 0;
    // Leaves the current chunk, skipping whatever of it was not read.
    virtual IOResult CloseChunk() = 0;
    // Id of the chunk OpenChunk would enter next, without entering it; 0 when there is none.
    virtual USHORT PeekNextChunkID() = 0;
    // IO_ERROR when fewer than nbytes are left in the current chunk; what is left is read and counted.
    virtual IOResult Read(void* buf, ULONG nbytes, ULONG* nread) = 0;
    // The rest of the current chunk as a wide string.
    virtual IOResult ReadWStringChunk(MSTR& str) = 0;
    // As above; the text stays valid as long as the loader does.
    virtual IOResult ReadWStringChunk(MCHAR*& buf) = 0;
    virtual IOResult ReadCStringChunk(char*& buf) = 0;
    virtual IOResult ReadCStringChunk(std::string& str) = 0;
    virtual const WStr& GetLastError() const = 0;
    // Bytes from the current position to the end of the stream. Whatever a file announces (elements of a
    // table, entries of a list) takes at least a byte each after this point, so a loader checks an
    // announced count against this before it allocates for it.
    virtual size_t StreamBytesLeft() = 0;

    // The scene reader keeps the object table and patches references once every object is loaded; a
    // plain stream has no table and leaves *patchThis untouched. The patched pointer is the object as its
    // class descriptor made it (an Animatable*), or null: check its type before use, since a damaged file
    // may name an object of another kind.
    virtual void RecordBackpatch(int /*refId*/, void** /*patchThis*/, DWORD /*flags*/ = 0) {}
    // The file being read; empty when the stream comes from memory.
    virtual const MCHAR* GetFileName() { return L""; }
    // The scene reader runs these once the file is loaded; a plain stream has no end of load and ignores them.
    virtual void RegisterPostLoadCallback(PostLoadCallback* /*cb*/) {}
};
