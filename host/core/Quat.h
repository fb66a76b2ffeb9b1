// Unit quaternion for rotations, with the host's Euler conversions.
#pragma once

#include "host/core/Point3.h"

class Quat {
public:
    float x = 0, y = 0, z = 0, w = 1;

    constexpr Quat() = default;
    constexpr Quat(float ax, float ay, float az, float aw) : x(ax), y(ay), z(az), w(aw) {}

    static Quat Identity() { return {}; }
    bool IsIdentity() const { return x == 0 && y == 0 && z == 0 && (w == 1 || w == -1); }
    constexpr bool operator==(const Quat&) const = default;
    // Composition: (a * b) applies a, then b, as the host's row-vector convention does.
    Quat operator*(const Quat& o) const;
    Quat Inverse() const { return {-x, -y, -z, w}; }
    void Normalize();
    bool Equals(const Quat& o, float eps = 1e-5f) const;

    // Rotation about an axis (radians).
    static Quat FromAngleAxis(float angle, const Point3& axis);
    // Euler angles in XYZ order (radians), as the Euler XYZ rotation controller stores them.
    static Quat FromEulerXYZ(const Point3& angles);
    Point3 ToEulerXYZ() const;
};
