// File times and path checks over the file system.
#include "host/core/FileTime.h"

#include <sys/stat.h>

namespace {
// Seconds from 1601-01-01 to 1970-01-01.
constexpr std::uint64_t kEpochDelta = 11644473600ULL;
} // namespace

WStr NormalizePath(const WStr& path) {
    std::wstring p = path.str();
    for (auto& c : p)
        if (c == L'\\') c = L'/';
    return WStr(std::move(p));
}

FileTime64 GetFileLastWriteTime(const WStr& path) {
    struct stat st{};
    if (path.isNull() || ::stat(NormalizePath(path).ToUTF8().c_str(), &st) != 0) return 0;
    return (static_cast<std::uint64_t>(st.st_mtim.tv_sec) + kEpochDelta) * 10000000ULL +
           static_cast<std::uint64_t>(st.st_mtim.tv_nsec) / 100;
}

bool PathFileExists(const WStr& path) {
    struct stat st{};
    return !path.isNull() && ::stat(NormalizePath(path).ToUTF8().c_str(), &st) == 0;
}
