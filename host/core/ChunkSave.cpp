// Chunk writing into memory, and the atomic file commit.
#include "host/core/ChunkSave.h"

#include "host/core/FileTime.h"

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

WStr SystemReason(int err) { return WStr::FromUTF8(std::strerror(err)); }

// The file a chain of symbolic links ends at (path itself when it is no link, or names nothing yet); a
// relative link target counts from the link's folder. 0, or the system's reason (ELOOP past 40 links).
int FollowLinks(std::string path, std::string& out) {
    constexpr int kMaxLinks = 40;
    for (int hops = 0; hops <= kMaxLinks; ++hops) {
        struct stat st{};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            out = path;
            return 0;
        }
        std::string to(static_cast<size_t>(st.st_size > 0 ? st.st_size : 0) + 256, '\0');
        const ssize_t n = ::readlink(path.c_str(), to.data(), to.size());
        if (n < 0) return errno;
        to.resize(static_cast<size_t>(n));
        if (!to.empty() && to[0] != '/') {
            const size_t slash = path.find_last_of('/');
            if (slash != std::string::npos) to = path.substr(0, slash + 1) + to;
        }
        path = std::move(to);
    }
    return ELOOP;
}
} // namespace

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

IOResult ChunkSave::Write(const void* buf, ULONG nbytes, ULONG* nwrit) {
    if (nwrit) *nwrit = 0;
    if (failed_) return IO_ERROR;
    if (nbytes == 0) return IO_OK;
    if (!buf) return Fail(WStr::Format(L"write of %u bytes at offset %zu from a null buffer", nbytes, bytes_.size()));
    if (!open_.empty()) {
        OpenChunkInfo& chunk = open_.back();
        if (chunk.hasChildren)
            return Fail(WStr::Format(L"chunk 0x%04X at offset %zu holds sub-chunks; %u bytes of data cannot follow them",
                                     chunk.id, chunk.offset, nbytes));
        chunk.hasData = true;
    }
    auto p = static_cast<const std::uint8_t*>(buf);
    bytes_.insert(bytes_.end(), p, p + nbytes);
    if (nwrit) *nwrit = nbytes;
    return IO_OK;
}

IOResult ChunkSave::WriteWString(const MCHAR* str) {
    std::u16string units = WStr(str).ToUTF16();
    std::vector<std::uint8_t> le(units.size() * 2);
    for (size_t i = 0; i < units.size(); ++i) {
        le[2 * i] = static_cast<std::uint8_t>(units[i]);
        le[2 * i + 1] = static_cast<std::uint8_t>(units[i] >> 8);
    }
    return Write(le.data(), static_cast<ULONG>(le.size()), nullptr);
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
    WStr error;
    if (WriteFileAtomically(path_, bytes_, error) != IO_OK) {
        failed_ = true;
        error_ = std::move(error);
        return IO_ERROR;
    }
    return IO_OK;
}

IOResult ChunkSave::WriteFileAtomically(const WStr& path, const std::vector<std::uint8_t>& bytes, WStr& error) {
    WStr quoted = WStr(L"\"") + path + L"\"";
    // A link stays a link: the file it leads to is the one replaced, in its own folder.
    const std::string given = NormalizePath(path).ToUTF8();
    std::string target;
    if (const int err = FollowLinks(given, target)) {
        error = WStr(L"cannot follow the link ") + quoted + L": " + SystemReason(err);
        return IO_ERROR;
    }
    if (target != given) quoted += L" (a link to \"" + WStr::FromUTF8(target) + L"\")";
    std::string tmp = target + ".XXXXXX";
    int fd = ::mkstemp(tmp.data());
    if (fd < 0) {
        error = WStr(L"cannot create a temporary file next to ") + quoted + L": " + SystemReason(errno);
        return IO_ERROR;
    }
    // Keep the permissions of the file being replaced; a new file gets the usual ones.
    struct stat st{};
    ::fchmod(fd, ::stat(target.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644);

    auto abandon = [&](const wchar_t* what, int err) {
        ::close(fd);
        ::unlink(tmp.c_str());
        error = WStr(what) + quoted + L": " + SystemReason(err);
        return IO_ERROR;
    };
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return abandon(L"cannot write ", errno);
        }
        done += static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0) return abandon(L"cannot write ", errno);
    if (::close(fd) != 0) {
        int err = errno;
        ::unlink(tmp.c_str());
        error = WStr(L"cannot write ") + quoted + L": " + SystemReason(err);
        return IO_ERROR;
    }
    if (::rename(tmp.c_str(), target.c_str()) != 0) {
        int err = errno;
        ::unlink(tmp.c_str());
        error = WStr(L"cannot replace ") + quoted + L": " + SystemReason(err);
        return IO_ERROR;
    }
    // Make the rename itself durable.
    size_t slash = target.find_last_of('/');
    std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
    int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return IO_OK;
}
