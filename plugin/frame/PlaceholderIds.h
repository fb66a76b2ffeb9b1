// Class identity of the placeholder objects that stand in for referenced content.
#pragma once

#include "host/core/MaxTypes.h"

constexpr Class_ID EMPTY_BASE_OBJECT_CLASS_ID(0x8663dfa5, 0x3f273888);
constexpr Class_ID EMPTY_CONTROLLER_CLASS_ID(0x8663dfa5, 0x3f273889);
constexpr Class_ID EMPTY_SHAPE_CLASS_ID(0x8663dfa5, 0x3f273891);
