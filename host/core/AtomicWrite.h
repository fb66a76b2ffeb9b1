// Writing a whole file so that a crash or a full disk mid-write leaves the old file as it was.
#pragma once

#include <string>
#include <string_view>

// Writes the bytes to a temporary file beside the target, syncs it and renames it over the target (a
// rename within one folder is atomic). A chain of symbolic links is followed to the file it ends at, which
// is replaced while the links stay; an existing file keeps its permissions, a new one gets the usual ones.
// With createFolders, missing folders on the way are made. On failure the target is untouched, no
// temporary file is left and error names the path (and the link's target) and the system's reason.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string& error,
                         bool createFolders = false);
