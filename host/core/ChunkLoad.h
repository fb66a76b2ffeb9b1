// A chunk reader over a byte buffer held in memory, filled from a caller's bytes or from a whole file.
#pragma once

#include "host/core/ChunkIO.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

class ChunkLoad : public ILoad {
public:
    ChunkLoad() = default;
    explicit ChunkLoad(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

    // Replaces the stream with the whole content of path and starts reading at its beginning. On failure
    // the stream is empty and the error names the path and the system's reason.
    IOResult OpenFile(const WStr& path);

    IOResult OpenChunk() override;
    USHORT CurChunkID() override { return frames_.empty() ? 0 : frames_.back().id; }
    ULONG CurChunkLength() override;
    int CurChunkDepth() override { return static_cast<int>(frames_.size()); }
    IOResult CloseChunk() override;
    USHORT PeekNextChunkID() override;
    IOResult Read(void* buf, ULONG nbytes, ULONG* nread) override;
    IOResult ReadWStringChunk(MSTR& str) override;
    IOResult ReadWStringChunk(MCHAR*& buf) override;
    IOResult ReadCStringChunk(char*& buf) override;
    IOResult ReadCStringChunk(std::string& str) override;
    const WStr& GetLastError() const override { return error_; }
    // The last error without the file's name in front (for a reader that names the file itself).
    const WStr& GetLastProblem() const { return problem_; }
    size_t StreamBytesLeft() override { return bytes_.size() - pos_; }
    const MCHAR* GetFileName() override { return path_.c_str(); }

    // Whether the current chunk holds sub-chunks rather than data.
    bool CurChunkIsContainer() const { return !frames_.empty() && frames_.back().container; }
    // Leaves every chunk and moves to offset, at the top level: a reader that indexed the stream comes
    // back to a chunk it met before.
    void SeekTopLevel(size_t offset) {
        frames_.clear();
        pos_ = offset < bytes_.size() ? offset : bytes_.size();
    }
    // Sets the error (prefixed with the file's name) and returns IO_ERROR: what a loader refuses in the
    // bytes it read, such as a count the stream cannot hold.
    IOResult Refuse(const WStr& message) { return Fail(message); }
    // Absolute position in the stream.
    size_t Offset() const { return pos_; }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

    // The chunk tree of bytes from offset start, one chunk a line, indented by depth, with the first data
    // bytes in hex; damage ends the dump with a line "! <error>".
    static std::string Dump(const std::vector<std::uint8_t>& bytes, size_t start = 0);

protected:
    // Sets the error (prefixed with the file's name) and returns IO_ERROR.
    IOResult Fail(const WStr& message);

private:
    struct Frame {
        USHORT id;
        bool container;
        size_t header; // offset of the chunk's header
        size_t end;    // offset just past the chunk
    };
    size_t ContainerEnd() const { return frames_.empty() ? bytes_.size() : frames_.back().end; }
    // Checks that the current chunk is one whose data can be read; sets the error otherwise.
    bool DataChunk(const wchar_t* what);

    std::vector<std::uint8_t> bytes_;
    std::vector<Frame> frames_;
    size_t pos_ = 0;
    WStr path_;
    WStr error_;
    WStr problem_;
    // Strings handed out by pointer live as long as the loader.
    std::deque<std::wstring> wideStrings_;
    std::deque<std::string> narrowStrings_;
};
