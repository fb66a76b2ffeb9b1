// Chunk reading with bounds checked against the stream and every enclosing chunk.
#include "host/core/ChunkLoad.h"

#include "host/core/FileIdentity.h"
#include "host/core/FileTime.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
std::uint16_t GetU16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

std::uint32_t GetU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

WStr SystemReason(int err) { return WStr::FromUTF8(std::strerror(err)); }
} // namespace

IOResult ChunkLoad::Fail(const WStr& message) {
    problem_ = message;
    error_ = path_.isNull() ? message : WStr(L"\"") + path_ + L"\": " + message;
    return IO_ERROR;
}

IOResult ChunkLoad::OpenFile(const WStr& path) {
    bytes_.clear();
    frames_.clear();
    pos_ = 0;
    path_ = path;
    error_ = WStr();
    problem_ = WStr();
    const std::string name = NormalizePath(path).ToUTF8();
    const WStr quoted = WStr(L"\"") + path + L"\"";
    // Only a regular file has an end: a folder, a FIFO or a device would be read forever or block the
    // open. The kind is looked at before anything is opened.
    const FileIdentity before = FileIdentity::Of(path);
    if (before.IsNull()) {
        error_ = WStr(L"cannot open ") + quoted + L": " + SystemReason(before.Errno());
        return IO_ERROR;
    }
    auto notRegular = [&](const FileIdentity& what) {
        error_ = WStr(L"cannot open ") + quoted + L": not a regular file (" + what.KindText() + L")";
        return IO_ERROR;
    };
    if (!before.IsRegularFile()) return notRegular(before);
    // Non-blocking, in case the path was replaced by a FIFO since: the open cannot wait for a writer.
    int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error_ = WStr(L"cannot open ") + quoted + L": " + SystemReason(errno);
        return IO_ERROR;
    }
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return notRegular(FileIdentity::Of(path));
    }
    // The file's size bounds what is read: a file that grows meanwhile is read as it was when opened.
    const size_t size = st.st_size > 0 ? static_cast<size_t>(st.st_size) : 0;
    bytes_.resize(size);
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::read(fd, bytes_.data() + done, size - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            int err = errno;
            ::close(fd);
            bytes_.clear();
            error_ = WStr(L"cannot read ") + quoted + L": " + SystemReason(err);
            return IO_ERROR;
        }
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    bytes_.resize(done);
    ::close(fd);
    return IO_OK;
}

IOResult ChunkLoad::OpenChunk() {
    const size_t end = ContainerEnd();
    if (!frames_.empty() && !frames_.back().container) {
        if (pos_ == end) return IO_END;
        const Frame& f = frames_.back();
        return Fail(WStr::Format(L"chunk 0x%04X at offset %zu holds data, not sub-chunks (%zu bytes unread)", f.id,
                                 f.header, end - pos_));
    }
    if (pos_ >= end) return IO_END;
    const size_t left = end - pos_;
    if (left < kChunkHeaderSize) {
        WStr where = frames_.empty() ? WStr(L"the stream")
                                     : WStr::Format(L"chunk 0x%04X (ends at %zu)", frames_.back().id, end);
        return Fail(WStr::Format(L"chunk header at offset %zu: %zu bytes left in %s, a header needs %u", pos_, left,
                                 where.c_str(), kChunkHeaderSize));
    }
    const std::uint8_t* h = bytes_.data() + pos_;
    const USHORT id = GetU16(h);
    const std::uint32_t word = GetU32(h + 2);
    const size_t length = word & kChunkMaxLength;
    if (length < kChunkHeaderSize)
        return Fail(WStr::Format(L"chunk 0x%04X at offset %zu: length %zu is shorter than its %u-byte header", id,
                                 pos_, length, kChunkHeaderSize));
    // Both terms are below 2^32 and 2^63, so the sum cannot wrap.
    if (length > left) {
        WStr parent = frames_.empty() ? WStr(L"the stream") : WStr::Format(L"its parent 0x%04X", frames_.back().id);
        return Fail(WStr::Format(L"chunk 0x%04X at offset %zu: length %zu runs past the end of %s (ends at %zu)", id,
                                 pos_, length, parent.c_str(), end));
    }
    if (frames_.size() >= static_cast<size_t>(kChunkMaxDepth))
        return Fail(WStr::Format(L"chunk 0x%04X at offset %zu: nesting deeper than %d levels", id, pos_,
                                 kChunkMaxDepth));
    frames_.push_back({id, (word & kChunkContainerBit) != 0, pos_, pos_ + length});
    pos_ += kChunkHeaderSize;
    return IO_OK;
}

ULONG ChunkLoad::CurChunkLength() {
    if (frames_.empty()) return 0;
    const Frame& f = frames_.back();
    return static_cast<ULONG>(f.end - f.header - kChunkHeaderSize);
}

IOResult ChunkLoad::CloseChunk() {
    if (frames_.empty()) return Fail(WStr::Format(L"CloseChunk at offset %zu without an open chunk", pos_));
    pos_ = frames_.back().end;
    frames_.pop_back();
    return IO_OK;
}

USHORT ChunkLoad::PeekNextChunkID() {
    if (!frames_.empty() && !frames_.back().container) return 0;
    const size_t end = ContainerEnd();
    if (pos_ >= end || end - pos_ < kChunkHeaderSize) return 0;
    return GetU16(bytes_.data() + pos_);
}

bool ChunkLoad::DataChunk(const wchar_t* what) {
    if (frames_.empty() || !frames_.back().container) return true;
    const Frame& f = frames_.back();
    Fail(WStr::Format(L"chunk 0x%04X at offset %zu holds sub-chunks, not data: cannot %s", f.id, f.header, what));
    return false;
}

IOResult ChunkLoad::Read(void* buf, ULONG nbytes, ULONG* nread) {
    if (nread) *nread = 0;
    if (nbytes == 0) return IO_OK;
    // The text is made only when it is needed: reads are the stream's hottest path.
    if (!frames_.empty() && frames_.back().container && !DataChunk(WStr::Format(L"read %u bytes", nbytes).c_str()))
        return IO_ERROR;
    if (!buf) return Fail(WStr::Format(L"read of %u bytes at offset %zu into a null buffer", nbytes, pos_));
    const size_t end = ContainerEnd();
    const size_t left = end - pos_;
    const size_t n = std::min<size_t>(nbytes, left);
    std::memcpy(buf, bytes_.data() + pos_, n);
    const size_t at = pos_;
    pos_ += n;
    if (nread) *nread = static_cast<ULONG>(n);
    if (n == nbytes) return IO_OK;
    if (frames_.empty())
        return Fail(WStr::Format(L"read of %u bytes at offset %zu runs past the end of the stream (%zu bytes left)",
                                 nbytes, at, left));
    const Frame& f = frames_.back();
    return Fail(WStr::Format(L"chunk 0x%04X at offset %zu: read of %u bytes at byte %zu of its data runs past its end "
                             L"(%zu bytes left)",
                             f.id, f.header, nbytes, at - f.header - kChunkHeaderSize, left));
}

IOResult ChunkLoad::ReadWStringChunk(MSTR& str) {
    if (frames_.empty()) return Fail(WStr::Format(L"wide string read at offset %zu outside any chunk", pos_));
    if (!DataChunk(L"read a wide string")) return IO_ERROR;
    const Frame& f = frames_.back();
    const size_t n = f.end - pos_;
    if (n % 2 != 0)
        return Fail(WStr::Format(L"chunk 0x%04X at offset %zu: wide string of %zu bytes has an odd length (UTF-16 "
                                 L"needs 2 bytes per unit)",
                                 f.id, f.header, n));
    std::u16string units(n / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i) units[i] = GetU16(bytes_.data() + pos_ + 2 * i);
    pos_ = f.end;
    str = WStr::FromUTF16(units);
    return IO_OK;
}

IOResult ChunkLoad::ReadWStringChunk(MCHAR*& buf) {
    MSTR s;
    IOResult r = ReadWStringChunk(s);
    if (r != IO_OK) return r;
    wideStrings_.push_back(std::move(s.str()));
    buf = wideStrings_.back().data();
    return IO_OK;
}

IOResult ChunkLoad::ReadCStringChunk(std::string& str) {
    if (frames_.empty()) return Fail(WStr::Format(L"string read at offset %zu outside any chunk", pos_));
    if (!DataChunk(L"read a string")) return IO_ERROR;
    const size_t end = frames_.back().end;
    str.assign(reinterpret_cast<const char*>(bytes_.data() + pos_), end - pos_);
    pos_ = end;
    return IO_OK;
}

IOResult ChunkLoad::ReadCStringChunk(char*& buf) {
    std::string s;
    IOResult r = ReadCStringChunk(s);
    if (r != IO_OK) return r;
    narrowStrings_.push_back(std::move(s));
    buf = narrowStrings_.back().data();
    return IO_OK;
}

namespace {
// False once damage was met and reported.
bool DumpLevel(ChunkLoad& in, std::string& out, int depth) {
    for (;;) {
        IOResult r = in.OpenChunk();
        if (r == IO_END) return true;
        if (r != IO_OK) {
            out += "! " + in.GetLastError().ToUTF8() + "\n";
            return false;
        }
        const size_t header = in.Offset() - kChunkHeaderSize;
        char line[96];
        std::snprintf(line, sizeof line, "%*s0x%04X %s @%zu len %u", 2 * (depth - 1), "", in.CurChunkID(),
                      in.CurChunkIsContainer() ? "container" : "data", header, in.CurChunkLength());
        out += line;
        if (in.CurChunkIsContainer()) {
            out += "\n";
            if (!DumpLevel(in, out, depth + 1)) return false;
        } else {
            const ULONG shown = std::min<ULONG>(in.CurChunkLength(), 16);
            std::uint8_t data[16];
            ULONG got = 0;
            in.Read(data, shown, &got);
            if (got) out += ":";
            for (ULONG i = 0; i < got; ++i) {
                std::snprintf(line, sizeof line, " %02x", data[i]);
                out += line;
            }
            if (in.CurChunkLength() > shown) out += " ...";
            out += "\n";
        }
        in.CloseChunk();
    }
}
} // namespace

std::string ChunkLoad::Dump(const std::vector<std::uint8_t>& bytes, size_t start) {
    ChunkLoad in(bytes);
    in.pos_ = std::min(start, bytes.size());
    std::string out;
    DumpLevel(in, out, 1);
    return out;
}
