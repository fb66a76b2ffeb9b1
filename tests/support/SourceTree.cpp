// The project's source folder, as the build configured it.
#include "tests/support/SourceTree.h"

std::filesystem::path SourceTree() { return OSTRIVANS_SOURCE_DIR; }
