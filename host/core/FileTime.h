// Last-write times of files as the host's 64-bit file time (100 ns ticks since 1601-01-01 UTC).
#pragma once

#include "host/core/WStr.h"

#include <cstdint>

using FileTime64 = std::uint64_t;

// The last-write time of path, or 0 when the file cannot be read.
FileTime64 GetFileLastWriteTime(const WStr& path);
// Whether a file or folder exists at path.
bool PathFileExists(const WStr& path);
// -1, 0 or 1 as a is earlier than, equal to or later than b (the host's CompareFileTime).
inline int CompareFileTime(FileTime64 a, FileTime64 b) { return a < b ? -1 : (a > b ? 1 : 0); }
// Host file paths may be written with "\" or "/"; the file system wants "/".
WStr NormalizePath(const WStr& path);
