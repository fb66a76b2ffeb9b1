// Chunk writing into memory, and the atomic file commit.
#include "host/core/ChunkSave.h"

#include "host/core/AtomicWrite.h"
#include "host/core/FileTime.h"
#include "host/core/UTF16LE.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
void PutU16(std::vector<std::uint8_t>& b, size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void PutU32(std::vector<std::uint8_t>& b, size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + static_cast<size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

// The memory of the largest stream written so far, kept for the next one. A scene of 100k nodes writes a
// stream of hundreds of MB; grown afresh on every save, its buffer touched fresh pages twice over (the
// allocator hands blocks that large back to the system when they are freed), so a save cost more per node
// the larger the scene. Streams are written on the main thread; one written inside another starts empty.
std::vector<std::uint8_t>& SpareBytes() {
    static std::vector<std::uint8_t> spare;
    return spare;
}

} // namespace

ChunkSave::ChunkSave() {
    bytes_.swap(SpareBytes());
    bytes_.clear();
}

ChunkSave::ChunkSave(WStr path) : ChunkSave() { path_ = std::move(path); }

ChunkSave::~ChunkSave() {
    if (bytes_.capacity() <= SpareBytes().capacity()) return;
    bytes_.clear();
    SpareBytes().swap(bytes_);
}

IOResult ChunkSave::Fail(WStr message) {
    if (!failed_) {
        failed_ = true;
        error_ = path_.isNull() ? std::move(message) : WStr(L"\"") + path_ + L"\": " + message;
    }
    return IO_ERROR;
}

void ChunkSave::BeginChunk(USHORT id) {
    if (failed_) return;
    if (!open_.empty()) {
        OpenChunkInfo& parent = open_.back();
        if (parent.hasData) {
            Fail(WStr::Format(L"chunk 0x%04X at offset %zu already holds data; sub-chunk 0x%04X cannot follow it",
                              parent.id, parent.offset, id));
            return;
        }
        if (open_.size() >= static_cast<size_t>(kChunkMaxDepth)) {
            Fail(WStr::Format(L"chunk 0x%04X at offset %zu: nesting deeper than %d levels", id, bytes_.size(),
                              kChunkMaxDepth));
            return;
        }
        parent.hasChildren = true;
    }
    open_.push_back({id, bytes_.size()});
    bytes_.resize(bytes_.size() + kChunkHeaderSize, 0);
    PutU16(bytes_, open_.back().offset, id);
}

IOResult ChunkSave::EndChunk() {
    if (failed_) return IO_ERROR;
    if (open_.empty())
        return Fail(WStr::Format(L"EndChunk at offset %zu without a matching BeginChunk", bytes_.size()));
    const OpenChunkInfo chunk = open_.back();
    open_.pop_back();
    size_t length = bytes_.size() - chunk.offset;
    if (length > kChunkMaxLength)
        return Fail(WStr::Format(L"chunk 0x%04X at offset %zu: length %zu exceeds the limit of %u bytes", chunk.id,
                                 chunk.offset, length, kChunkMaxLength));
    PutU32(bytes_, chunk.offset + 2,
           static_cast<std::uint32_t>(length) | (chunk.hasChildren ? kChunkContainerBit : 0u));
    return IO_OK;
}

IOResult ChunkSave::StartData(ULONG nbytes) {
    if (open_.empty()) return IO_OK;
    OpenChunkInfo& chunk = open_.back();
    if (chunk.hasChildren)
        return Fail(WStr::Format(L"chunk 0x%04X at offset %zu holds sub-chunks; %u bytes of data cannot follow them",
                                 chunk.id, chunk.offset, nbytes));
    chunk.hasData = true;
    return IO_OK;
}

IOResult ChunkSave::Write(const void* buf, ULONG nbytes, ULONG* nwrit) {
    if (nwrit) *nwrit = 0;
    if (failed_) return IO_ERROR;
    if (nbytes == 0) return IO_OK;
    if (!buf) return Fail(WStr::Format(L"write of %u bytes at offset %zu from a null buffer", nbytes, bytes_.size()));
    if (const IOResult res = StartData(nbytes); res != IO_OK) return res;
    auto p = static_cast<const std::uint8_t*>(buf);
    bytes_.insert(bytes_.end(), p, p + nbytes);
    if (nwrit) *nwrit = nbytes;
    return IO_OK;
}

IOResult ChunkSave::WriteWString(const MCHAR* str) {
    if (failed_) return IO_ERROR;
    // Encoded straight into the stream: a scene writes a string per mirror path step, and a converted copy
    // of each cost more than its bytes.
    const size_t before = bytes_.size();
    AppendUTF16LE(str ? std::wstring_view(str) : std::wstring_view(), bytes_);
    const size_t n = bytes_.size() - before;
    if (n == 0) return IO_OK;
    const IOResult res = StartData(static_cast<ULONG>(n));
    if (res != IO_OK) bytes_.resize(before);
    return res;
}

IOResult ChunkSave::WriteCString(const char* str) {
    if (!str) return failed_ ? IO_ERROR : IO_OK;
    return Write(str, static_cast<ULONG>(std::strlen(str)), nullptr);
}

IOResult ChunkSave::Commit() {
    if (failed_) return IO_ERROR;
    if (!open_.empty()) {
        WStr list;
        for (const auto& c : open_) {
            if (!list.isNull()) list += L", ";
            list += WStr::Format(L"0x%04X at offset %zu", c.id, c.offset);
        }
        return Fail(WStr::Format(L"%zu chunk(s) still open at the end of the stream: %s", open_.size(), list.c_str()));
    }
    if (path_.isNull()) return IO_OK;
    std::string error;
    const std::string_view bytes(reinterpret_cast<const char*>(bytes_.data()), bytes_.size());
    if (!WriteFileAtomically(NormalizePath(path_).ToUTF8(), bytes, error)) {
        failed_ = true;
        error_ = WStr::FromUTF8(error);
        return IO_ERROR;
    }
    return IO_OK;
}
