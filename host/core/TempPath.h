// The system's folder for temporary files (what the host's platform calls GetTempPathW answers).
#pragma once

#include "host/core/WStr.h"

// The folder, ending in a separator; empty when the system names none.
WStr GetSystemTempPath();
// Whether path lies in folder or below it (both as the host writes paths, with "\" or "/").
bool PathIsInFolder(const WStr& path, const WStr& folder);
