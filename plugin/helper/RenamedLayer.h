// A layer of the referenced file that lives in the scene under another name.
#pragma once

#include "host/core/WStr.h"

struct RenamedLayer {
    // The layer's name in the referenced file.
    WStr fileName;
    // The name the user gave it in the scene.
    WStr localName;
    // 1 when the local name already carries the helper's prefix, so a load takes it unchanged.
    int full = 0;
};
