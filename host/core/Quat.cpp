// Quaternion arithmetic and Euler conversions.
#include "host/core/Quat.h"

#include <cmath>

Quat Quat::operator*(const Quat& o) const {
    // Row-vector order: this then o, i.e. the Hamilton product o (x) this.
    const Quat& a = o;
    const Quat& b = *this;
    return {a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y, a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
            a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w, a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z};
}

void Quat::Normalize() {
    float l = std::sqrt(x * x + y * y + z * z + w * w);
    if (l > 0) { x /= l; y /= l; z /= l; w /= l; }
}

bool Quat::Equals(const Quat& o, float eps) const {
    auto near = [eps](float a, float b) { return std::fabs(a - b) <= eps; };
    bool same = near(x, o.x) && near(y, o.y) && near(z, o.z) && near(w, o.w);
    bool negated = near(x, -o.x) && near(y, -o.y) && near(z, -o.z) && near(w, -o.w);
    return same || negated;
}

Quat Quat::FromAngleAxis(float angle, const Point3& axis) {
    Point3 n = ::Normalize(axis);
    float s = std::sin(angle / 2);
    return {n.x * s, n.y * s, n.z * s, std::cos(angle / 2)};
}

Quat Quat::FromEulerXYZ(const Point3& a) {
    return FromAngleAxis(a.x, {1.0f, 0.0f, 0.0f}) * FromAngleAxis(a.y, {0.0f, 1.0f, 0.0f}) *
           FromAngleAxis(a.z, {0.0f, 0.0f, 1.0f});
}

Point3 Quat::ToEulerXYZ() const {
    // Inverse of FromEulerXYZ (rotate about X, then Y, then Z, in fixed axes).
    float sy = 2 * (w * y - z * x);
    sy = sy > 1 ? 1 : (sy < -1 ? -1 : sy);
    float ax = std::atan2(2 * (w * x + y * z), 1 - 2 * (x * x + y * y));
    float ay = std::asin(sy);
    float az = std::atan2(2 * (w * z + x * y), 1 - 2 * (y * y + z * z));
    return {ax, ay, az};
}
