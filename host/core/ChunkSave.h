// A chunk writer that builds the stream in memory and, given a path, commits it to a file atomically.
#pragma once

#include "host/core/ChunkIO.h"

#include <cstdint>
#include <vector>

class ChunkSave : public ISave {
public:
    // A stream kept in memory only.
    ChunkSave();
    // A stream that Commit writes to path.
    explicit ChunkSave(WStr path);
    ~ChunkSave() override;
    ChunkSave(ChunkSave&&) = default;
    ChunkSave& operator=(ChunkSave&&) = default;

    void BeginChunk(USHORT id) override;
    IOResult EndChunk() override;
    int CurChunkDepth() override { return static_cast<int>(open_.size()); }
    IOResult Write(const void* buf, ULONG nbytes, ULONG* nwrit) override;
    IOResult WriteWString(const MCHAR* str) override;
    IOResult WriteCString(const char* str) override;
    const WStr& GetLastError() const override { return error_; }
    const MCHAR* FileName() override { return path_.c_str(); }

    // Checks that the stream is complete (no error, every chunk ended); a file stream is then written to
    // a temporary file next to its path and renamed over it, so a failed save leaves the old file as it was.
    IOResult Commit();
    bool Failed() const { return failed_; }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    std::vector<std::uint8_t> TakeBytes() { return std::move(bytes_); }

private:
    struct OpenChunkInfo {
        USHORT id;
        size_t offset;
        bool hasData = false;
        bool hasChildren = false;
    };
    IOResult Fail(WStr message);
    // Data of nbytes goes into the open chunk: refused after its sub-chunks.
    IOResult StartData(ULONG nbytes);

    WStr path_;
    std::vector<std::uint8_t> bytes_;
    std::vector<OpenChunkInfo> open_;
    WStr error_;
    bool failed_ = false;
};
