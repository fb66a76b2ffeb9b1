// A folder of the running test's own under the temporary folder, for the files it writes.
#pragma once

#include "host/core/WStr.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

class ScratchDir {
public:
    // Named after the prefix, the process and the running test, so that cases run by parallel processes
    // never share a folder; made empty, and removed with everything in it when the test ends.
    explicit ScratchDir(const std::string& prefix);
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // A file in the folder, by its name, as the host takes paths.
    MSTR File(const std::string& name) const;
    // Writes bytes to a file in the folder and returns its path.
    MSTR Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const;
    // The number of files and folders in the folder.
    size_t Entries() const;

private:
    std::filesystem::path path_;
};
