// Mirrors of materials, texture maps and Multi/Sub-Object materials.
#pragma once

#include "plugin/anims/RefAnimMtl.h"
#include "plugin/anims/RefAnimMultiSubMtl.h"
