// File identities from the file system's own records of a path.
#include "host/core/FileIdentity.h"

#include "host/core/FileTime.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

FileIdentity FileIdentity::Of(const WStr& path) {
    FileIdentity id;
    struct stat st{};
    if (path.isNull()) {
        id.errno_ = ENOENT;
        return id;
    }
    if (::stat(NormalizePath(path).ToUTF8().c_str(), &st) != 0) {
        id.errno_ = errno;
        return id;
    }
    id.found_ = true;
    id.device_ = static_cast<std::uint64_t>(st.st_dev);
    id.inode_ = static_cast<std::uint64_t>(st.st_ino);
    id.size_ = st.st_size > 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
    id.kind_ = S_ISREG(st.st_mode)    ? Kind::Regular
               : S_ISDIR(st.st_mode)  ? Kind::Folder
               : S_ISFIFO(st.st_mode) ? Kind::Fifo
               : S_ISCHR(st.st_mode)  ? Kind::CharDevice
               : S_ISBLK(st.st_mode)  ? Kind::BlockDevice
               : S_ISSOCK(st.st_mode) ? Kind::Socket
                                      : Kind::Other;
    return id;
}

const wchar_t* FileIdentity::KindText() const {
    if (!found_) return L"nothing";
    switch (kind_) {
    case Kind::Regular: return L"a regular file";
    case Kind::Folder: return L"a folder";
    case Kind::Fifo: return L"a FIFO";
    case Kind::CharDevice: return L"a character device";
    case Kind::BlockDevice: return L"a block device";
    case Kind::Socket: return L"a socket";
    case Kind::Other: break;
    }
    return L"a special file";
}

std::string FileIdentity::Dump() const {
    if (!found_) return std::string("none (") + std::strerror(errno_) + ")";
    std::string kind = WStr(KindText()).ToUTF8();
    kind = kind.substr(kind.find(' ') + 1);
    char ids[96];
    std::snprintf(ids, sizeof ids, ", device 0x%llx, inode %llu, %llu bytes", static_cast<unsigned long long>(device_),
                  static_cast<unsigned long long>(inode_), static_cast<unsigned long long>(size_));
    return kind + ids;
}
