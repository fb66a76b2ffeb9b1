// Writing a whole file so that a crash or a full disk mid-write leaves the old file as it was.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// Writes the bytes to a temporary file in the target's folder, syncs it and renames it over the target.
// A symbolic link is followed to the file it names, which is replaced while the link stays; an existing
// file keeps its permissions, a new one gets the usual ones (umask). Missing folders are created. On
// failure the target is untouched, the temporary file is removed and error says what failed, with the path.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes, std::string& error);
