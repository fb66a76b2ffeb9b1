// The value of a transform controller that computes or keeps its own local matrix: read as it is or placed
// under the matrix given (CTRL_RELATIVE), set as it is or applied to the current one.
#pragma once

#include "host/core/Matrix3.h"
#include "host/scene/Control.h"

inline void ReadMatrixValue(const Matrix3& own, void* val, GetSetMethod method) {
    Matrix3* out = static_cast<Matrix3*>(val);
    *out = method == CTRL_RELATIVE ? own * *out : own;
}

inline Matrix3 MatrixValueToSet(const Matrix3& own, const void* val, GetSetMethod method) {
    const Matrix3& m = *static_cast<const Matrix3*>(val);
    return method == CTRL_RELATIVE ? m * own : m;
}
