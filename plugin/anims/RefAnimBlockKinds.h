// Mirrors of parameter containers: old and new parameter blocks and custom attribute containers.
#pragma once

#include "plugin/anims/RefAnimCA.h"
#include "plugin/anims/RefAnimKind.h"
#include "plugin/anims/RefAnimPblock.h"
#include "plugin/anims/RefAnimPblock2.h"

