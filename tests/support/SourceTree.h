// The project's source folder, for tests that read files kept in the repository (fuzzer findings).
#pragma once

#include <filesystem>

// The checkout the tests were built from; compiled into one file only, so the compiler cache still
// serves every other test object to clones at other paths.
std::filesystem::path SourceTree();
