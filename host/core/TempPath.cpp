// The system's temporary folder, and whether a path lies in a folder.
#include "host/core/TempPath.h"

#include "host/core/FileTime.h"

#include <filesystem>
#include <system_error>

WStr GetSystemTempPath() {
    std::error_code ec;
    const std::filesystem::path p = std::filesystem::temp_directory_path(ec);
    if (ec || p.empty()) return WStr();
    std::wstring s = p.wstring();
    if (s.back() != L'/') s += L'/';
    return WStr(std::move(s));
}

bool PathIsInFolder(const WStr& path, const WStr& folder) {
    std::wstring p = NormalizePath(path).str();
    std::wstring f = NormalizePath(folder).str();
    if (f.empty() || p.empty()) return false;
    if (f.back() != L'/') f += L'/';
    return p.size() > f.size() && p.compare(0, f.size(), f) == 0;
}
