// What controllers do with each value type: neutral value, interpolation, relative application,
// weighted sums, stream form and the text form of dumps.
#pragma once

#include "host/core/ChunkFields.h"
#include "host/core/Matrix3.h"
#include "host/core/ScaleValue.h"
#include "host/core/WStr.h"
#include "host/scene/Control.h"

#include <cmath>

namespace ctrl_detail {

// Dumps must not depend on the sign of zero or on float noise below what a user could type.
inline MSTR Num(float f) {
    if (std::fabs(f) < 5e-6f) f = 0.0f;
    return WStr::Format(L"%g", static_cast<double>(f));
}

inline Quat Slerp(const Quat& a, Quat b, float u) {
    float d = a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
    if (d < 0) { // the short way round
        d = -d;
        b = {-b.x, -b.y, -b.z, -b.w};
    }
    float ka = 1 - u, kb = u;
    if (d < 0.9995f) {
        const float th = std::acos(d);
        const float s = std::sin(th);
        ka = std::sin((1 - u) * th) / s;
        kb = std::sin(u * th) / s;
    }
    Quat q{ka * a.x + kb * b.x, ka * a.y + kb * b.y, ka * a.z + kb * b.z, ka * a.w + kb * b.w};
    q.Normalize();
    return q;
}

} // namespace ctrl_detail

template <class T> struct ControlValueTraits;

template <> struct ControlValueTraits<float> {
    static float Neutral() { return 0.0f; }
    static float Lerp(float a, float b, float u) { return a + (b - a) * u; }
    // CTRL_RELATIVE: the controller's value is added to what is passed in.
    static void ApplyRelative(float own, float& acc) { acc += own; }
    // Lists: each item adds its weighted value.
    static void Accumulate(float& acc, float v, float w) { acc += v * w; }
    static MSTR Format(float v) { return ctrl_detail::Num(v); }
    static IOResult Write(ISave* s, const float& v) { return WriteValues(s, v); }
    static IOResult Read(ILoad* l, float& v) { return ReadValues(l, v); }
};

template <> struct ControlValueTraits<Point3> {
    static Point3 Neutral() { return {}; }
    static Point3 Lerp(const Point3& a, const Point3& b, float u) { return a + (b - a) * u; }
    static void ApplyRelative(const Point3& own, Point3& acc) { acc += own; }
    static void Accumulate(Point3& acc, const Point3& v, float w) { acc += v * w; }
    static MSTR Format(const Point3& v) {
        using ctrl_detail::Num;
        return L"(" + Num(v.x) + L", " + Num(v.y) + L", " + Num(v.z) + L")";
    }
    static IOResult Write(ISave* s, const Point3& v) { return WriteValues(s, v); }
    static IOResult Read(ILoad* l, Point3& v) { return ReadValues(l, v); }
};

template <> struct ControlValueTraits<Point4> {
    static Point4 Neutral() { return {}; }
    static Point4 Lerp(const Point4& a, const Point4& b, float u) {
        return {a.x + (b.x - a.x) * u, a.y + (b.y - a.y) * u, a.z + (b.z - a.z) * u, a.w + (b.w - a.w) * u};
    }
    static void ApplyRelative(const Point4& own, Point4& acc) { acc = acc + own; }
    static void Accumulate(Point4& acc, const Point4& v, float w) {
        acc = acc + Point4(v.x * w, v.y * w, v.z * w, v.w * w);
    }
    static MSTR Format(const Point4& v) {
        using ctrl_detail::Num;
        return L"(" + Num(v.x) + L", " + Num(v.y) + L", " + Num(v.z) + L", " + Num(v.w) + L")";
    }
    static IOResult Write(ISave* s, const Point4& v) { return WriteValues(s, v); }
    static IOResult Read(ILoad* l, Point4& v) { return ReadValues(l, v); }
};

template <> struct ControlValueTraits<Quat> {
    static Quat Neutral() { return {}; }
    static Quat Lerp(const Quat& a, const Quat& b, float u) { return ctrl_detail::Slerp(a, b, u); }
    // The controller's rotation is applied first, then the one passed in.
    static void ApplyRelative(const Quat& own, Quat& acc) { acc = own * acc; }
    // Lists: the items rotate one after the other, each scaled by its weight.
    static void Accumulate(Quat& acc, const Quat& v, float w) { acc = acc * ctrl_detail::Slerp(Quat(), v, w); }
    static MSTR Format(const Quat& q) {
        // As Euler XYZ degrees: what a user reads and types.
        const Point3 e = q.ToEulerXYZ() * (180.0f / 3.14159265358979f);
        return L"euler " + ControlValueTraits<Point3>::Format(e);
    }
    static IOResult Write(ISave* s, const Quat& v) { return WriteValues(s, v); }
    static IOResult Read(ILoad* l, Quat& v) { return ReadValues(l, v); }
};

template <> struct ControlValueTraits<ScaleValue> {
    static ScaleValue Neutral() { return {}; }
    static ScaleValue Lerp(const ScaleValue& a, const ScaleValue& b, float u) {
        return {ControlValueTraits<Point3>::Lerp(a.s, b.s, u), ctrl_detail::Slerp(a.q, b.q, u)};
    }
    static void ApplyRelative(const ScaleValue& own, ScaleValue& acc) {
        acc.s = Point3(acc.s.x * own.s.x, acc.s.y * own.s.y, acc.s.z * own.s.z);
        acc.q = own.q * acc.q;
    }
    static void Accumulate(ScaleValue& acc, const ScaleValue& v, float w) {
        const Point3 one(1.0f, 1.0f, 1.0f);
        const Point3 k = one + (v.s - one) * w;
        acc.s = Point3(acc.s.x * k.x, acc.s.y * k.y, acc.s.z * k.z);
    }
    static MSTR Format(const ScaleValue& v) {
        MSTR s = ControlValueTraits<Point3>::Format(v.s);
        if (!v.q.IsIdentity()) s += L" axis " + ControlValueTraits<Quat>::Format(v.q);
        return s;
    }
    static IOResult Write(ISave* s, const ScaleValue& v) {
        return WriteValues(s, v.s, v.q);
    }
    static IOResult Read(ILoad* l, ScaleValue& v) {
        return ReadValues(l, v.s, v.q);
    }
};

template <> struct ControlValueTraits<Matrix3> {
    static Matrix3 Neutral() { return Matrix3(); }
    // Transforms do not blend: a key holds until the next one.
    static Matrix3 Lerp(const Matrix3& a, const Matrix3& b, float u) { return u < 1.0f ? a : b; }
    // CTRL_RELATIVE: own * parent.
    static void ApplyRelative(const Matrix3& own, Matrix3& acc) { acc = own * acc; }
    static void Accumulate(Matrix3& acc, const Matrix3& v, float /*w*/) { acc = v * acc; }
    static MSTR Format(const Matrix3& m) {
        MSTR s = L"[";
        for (int i = 0; i < 4; ++i) {
            if (i) s += L" ";
            s += ControlValueTraits<Point3>::Format(m.GetRow(i));
        }
        return s + L"]";
    }
    // The four rows only: the flags are worked out again when read.
    static IOResult Write(ISave* s, const Matrix3& v) {
        return WriteValues(s, v.GetRow(0), v.GetRow(1), v.GetRow(2), v.GetRow(3));
    }
    static IOResult Read(ILoad* l, Matrix3& v) {
        Point3 rows[4];
        if (ReadValues(l, rows) != IO_OK) return IO_ERROR;
        for (int i = 0; i < 4; ++i) v.SetRow(i, rows[i]);
        v.ValidateFlags();
        return IO_OK;
    }
};
