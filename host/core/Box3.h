// Axis-aligned bounding box.
#pragma once

#include "host/core/Matrix3.h"

#include <algorithm>

class Box3 {
public:
    // Held on its own by modifier contexts, as a matrix is (see Matrix3).
    static void* operator new(std::size_t size) { return SlabPool::Allocate(size); }
    static void operator delete(void* p, std::size_t size) noexcept { SlabPool::Free(p, size); }

    Point3 pmin{1e30f, 1e30f, 1e30f};
    Point3 pmax{-1e30f, -1e30f, -1e30f};

    Box3() = default;
    Box3(const Point3& a, const Point3& b) : pmin(a), pmax(b) {}
    void Init() { *this = Box3(); }
    bool IsEmpty() const { return pmin.x > pmax.x || pmin.y > pmax.y || pmin.z > pmax.z; }
    Point3 Min() const { return pmin; }
    Point3 Max() const { return pmax; }
    Point3 Center() const { return (pmin + pmax) / 2.0f; }
    Point3 Width() const { return pmax - pmin; }
    Box3& operator+=(const Point3& p) {
        for (int i = 0; i < 3; ++i) {
            pmin[i] = std::min(pmin[i], p[i]);
            pmax[i] = std::max(pmax[i], p[i]);
        }
        return *this;
    }
    Box3& operator+=(const Box3& b) {
        if (!b.IsEmpty()) { *this += b.pmin; *this += b.pmax; }
        return *this;
    }
    bool Contains(const Point3& p) const {
        return p.x >= pmin.x && p.x <= pmax.x && p.y >= pmin.y && p.y <= pmax.y && p.z >= pmin.z && p.z <= pmax.z;
    }
    bool operator==(const Box3&) const = default;
};
