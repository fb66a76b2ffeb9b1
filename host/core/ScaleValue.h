// A scale with its axis system, as scale controllers hold it.
#pragma once

#include "host/core/Quat.h"

class ScaleValue {
public:
    Point3 s{1.0f, 1.0f, 1.0f};
    Quat q;
    ScaleValue() = default;
    explicit ScaleValue(const Point3& as) : s(as) {}
    ScaleValue(const Point3& as, const Quat& aq) : s(as), q(aq) {}
    bool operator==(const ScaleValue&) const = default;
};
