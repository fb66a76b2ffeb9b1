// Which file a path names, as the file system knows it: the device and inode behind every spelling and link.
#pragma once

#include "host/core/WStr.h"

#include <cstdint>
#include <string>

class FileIdentity {
public:
    // What a path names, links followed. Null when nothing can be found there (missing, a dangling link, a
    // link loop); the reason is kept for the error that follows.
    static FileIdentity Of(const WStr& path);

    bool IsNull() const { return !found_; }
    bool IsRegularFile() const { return found_ && kind_ == Kind::Regular; }
    // What the path names, for errors: "a regular file", "a folder", "a FIFO", "a character device", ...
    const wchar_t* KindText() const;
    // The system's reason when nothing was found.
    int Errno() const { return errno_; }
    std::uint64_t Size() const { return size_; }

    // Two paths name one file: both found, same device and inode.
    bool SameFile(const FileIdentity& other) const {
        return found_ && other.found_ && device_ == other.device_ && inode_ == other.inode_;
    }

    // "regular file, device 0x803, inode 1234, 120 bytes", or "none (No such file or directory)".
    std::string Dump() const;

private:
    enum class Kind : std::uint8_t { Regular, Folder, Fifo, CharDevice, BlockDevice, Socket, Other };
    bool found_ = false;
    Kind kind_ = Kind::Other;
    int errno_ = 0;
    std::uint64_t device_ = 0;
    std::uint64_t inode_ = 0;
    std::uint64_t size_ = 0;
};
