// Three-component vector, as positions, colours and scales are stored by the host.
#pragma once

#include <cmath>

class Point3 {
public:
    float x = 0, y = 0, z = 0;

    constexpr Point3() = default;
    constexpr Point3(float ax, float ay, float az) : x(ax), y(ay), z(az) {}
    constexpr Point3(double ax, double ay, double az)
        : x(static_cast<float>(ax)), y(static_cast<float>(ay)), z(static_cast<float>(az)) {}
    constexpr Point3(int ax, int ay, int az)
        : x(static_cast<float>(ax)), y(static_cast<float>(ay)), z(static_cast<float>(az)) {}

    static constexpr Point3 Origin() { return {0.0f, 0.0f, 0.0f}; }
    float& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
    const float& operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }

    constexpr Point3 operator+(const Point3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    constexpr Point3 operator-(const Point3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    constexpr Point3 operator-() const { return {-x, -y, -z}; }
    constexpr Point3 operator*(float f) const { return {x * f, y * f, z * f}; }
    constexpr Point3 operator/(float f) const { return {x / f, y / f, z / f}; }
    Point3& operator+=(const Point3& o) { x += o.x; y += o.y; z += o.z; return *this; }
    Point3& operator-=(const Point3& o) { x -= o.x; y -= o.y; z -= o.z; return *this; }
    Point3& operator*=(float f) { x *= f; y *= f; z *= f; return *this; }
    constexpr bool operator==(const Point3&) const = default;

    float Length() const { return std::sqrt(x * x + y * y + z * z); }
    bool Equals(const Point3& o, float eps = 1e-5f) const {
        return std::fabs(x - o.x) <= eps && std::fabs(y - o.y) <= eps && std::fabs(z - o.z) <= eps;
    }
};

inline constexpr Point3 operator*(float f, const Point3& p) { return p * f; }
inline constexpr float DotProd(const Point3& a, const Point3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline constexpr Point3 CrossProd(const Point3& a, const Point3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline Point3 Normalize(const Point3& p) {
    float l = p.Length();
    return l > 0 ? p / l : p;
}

// A colour is three floats in the host's API.
using Color = Point3;

// Four-component vector (point4 controllers).
class Point4 {
public:
    float x = 0, y = 0, z = 0, w = 0;
    constexpr Point4() = default;
    constexpr Point4(float ax, float ay, float az, float aw) : x(ax), y(ay), z(az), w(aw) {}
    constexpr bool operator==(const Point4&) const = default;
    constexpr Point4 operator+(const Point4& o) const { return {x + o.x, y + o.y, z + o.z, w + o.w}; }
};
