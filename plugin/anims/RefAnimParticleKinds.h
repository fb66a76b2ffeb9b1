// Mirrors of particle flow sources (event graphs) and tests.
#pragma once

#include "plugin/anims/RefAnimPFSource.h"
#include "plugin/anims/RefAnimPFTest.h"
