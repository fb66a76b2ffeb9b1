// A layer of the referenced file that lives in the scene under another name.
#pragma once

#include "host/core/WStr.h"

struct RenamedLayer {
    // The layer's name in the referenced file.
    WStr fileName;
    // Its name in the scene.
    WStr localName;
    // 1 when the whole layer hierarchy below it follows the rename.
    int full = 0;
};
