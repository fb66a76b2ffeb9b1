// Rotation functions of the language: slerp, and quatToEuler / eulerToQuat in any of the nine axis orders.
#include "host/core/Matrix3.h"
#include "host/script/Interpreter.h"
#include "host/script/ScriptError.h"
#include "host/script/scene/QuatValue.h"
#include "host/script/scene/SceneProperties.h"

#include <array>
#include <cmath>
#include <numbers>

namespace {

constexpr float kDegToRad = static_cast<float>(std::numbers::pi / 180.0);

// The orders scripts number 1 to 9: XYZ XZY YZX YXZ ZXY ZYX, then the repeated-axis XYX YZY ZXZ. The
// first axis turns first.
constexpr std::array<std::array<int, 3>, 9> kOrders = {{{0, 1, 2}, {0, 2, 1}, {1, 2, 0}, {1, 0, 2}, {2, 0, 1},
                                                        {2, 1, 0}, {0, 1, 0}, {1, 2, 1}, {2, 0, 2}}};

const std::array<int, 3>& OrderArg(CallArgs& a, const wchar_t* fn) {
    const Value given = a.KeywordOr(L"order", Value::Int(1));
    const std::int64_t order = ArgInt(given);
    if (order < 1 || order > 9)
        throw ScriptError(std::wstring(L"Runtime error: ") + fn + L" order must be 1 to 9, got: " + given.PrintForm());
    return kOrders[static_cast<size_t>(order - 1)];
}

Point3 Axis(int i) {
    Point3 p;
    p[i] = 1.0f;
    return p;
}

// Where an eulerAngles value keeps the angle of the order's turn p: with three different axes, in the
// component of its axis (x holds the turn about X whatever the order); with a repeated axis, x, y and z
// hold the first, second and third turn.
int Slot(const std::array<int, 3>& o, int p) { return o[0] == o[2] ? p : o[static_cast<size_t>(p)]; }

// The angles (radians) in the slots above.
Quat FromOrder(const std::array<int, 3>& o, const Point3& angles) {
    return Quat::FromAngleAxis(angles[Slot(o, 0)], Axis(o[0])) * Quat::FromAngleAxis(angles[Slot(o, 1)], Axis(o[1])) *
           Quat::FromAngleAxis(angles[Slot(o, 2)], Axis(o[2]));
}

// The order's turns, first to last, in radians. In column form the rotation is R(o2) R(o1) R(o0), read
// from the transposed row-vector matrix; s is the sign of the axes' cycle.
Point3 TurnsOf(const std::array<int, 3>& o, const Quat& q) {
    Matrix3 m;
    m.SetRotate(q);
    auto c = [&m](int r, int col) { return m.GetRow(col)[r]; };
    const int i = o[0], j = o[1];
    if (o[2] != i) {
        const int k = o[2];
        const float s = (j - i + 3) % 3 == 1 ? 1.0f : -1.0f;
        const float b = std::asin(std::fmax(-1.0f, std::fmin(1.0f, -s * c(k, i))));
        return {std::atan2(s * c(k, j), c(k, k)), b, std::atan2(s * c(j, i), c(i, i))};
    }
    const int k = 3 - i - j;
    const float s = (j - i + 3) % 3 == 1 ? 1.0f : -1.0f;
    const float b = std::acos(std::fmax(-1.0f, std::fmin(1.0f, c(i, i))));
    return {std::atan2(c(i, j), s * c(i, k)), b, std::atan2(c(j, i), -s * c(k, i))};
}

// Inverse of FromOrder.
Point3 ToOrder(const std::array<int, 3>& o, const Quat& q) {
    const Point3 turns = TurnsOf(o, q);
    Point3 angles;
    for (int p = 0; p < 3; ++p) angles[Slot(o, p)] = turns[p];
    return angles;
}

Value EulerValue(const Point3& radians) {
    return Value::Object(QuatValue::FromEuler(radians * (1.0f / kDegToRad)));
}

} // namespace

void RegisterRotationFunctions(Interpreter& in) {
    // slerp q1 q2 t: the rotation t of the way from q1 to q2 along the shorter arc.
    in.RegisterFunction(L"slerp", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"slerp", a, 3);
        const Quat p = ArgRotation(a[0]);
        Quat q = ArgRotation(a[1]);
        const float t = static_cast<float>(ArgFloat(a[2]));
        float d = p.x * q.x + p.y * q.y + p.z * q.z + p.w * q.w;
        if (d < 0) q = Quat(-q.x, -q.y, -q.z, -q.w), d = -d;
        float wp = 1.0f - t, wq = t;
        if (d < 0.9999f) {
            const float theta = std::acos(d), s = std::sin(theta);
            wp = std::sin((1.0f - t) * theta) / s;
            wq = std::sin(t * theta) / s;
        }
        Quat r(wp * p.x + wq * q.x, wp * p.y + wq * q.y, wp * p.z + wq * q.z, wp * p.w + wq * q.w);
        r.Normalize();
        return Value::Object(std::make_shared<QuatValue>(r));
    });
    // quatToEuler q order:n: the angles of the order's turns as eulerAngles; order 1 (XYZ) is
    // "q as eulerAngles".
    in.RegisterFunction(L"quatToEuler", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"quatToEuler", a, 1);
        const auto& order = OrderArg(a, L"quatToEuler");
        return EulerValue(ToOrder(order, ArgRotation(a[0])));
    });
    // eulerToQuat e order:n: the quat turning by e's angles in the order's sequence.
    in.RegisterFunction(L"eulerToQuat", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"eulerToQuat", a, 1);
        const auto& order = OrderArg(a, L"eulerToQuat");
        auto* e = a[0].ObjAs<QuatValue>();
        if (!e || !e->IsEuler()) ThrowConvertError(a[0], L"EulerAngles");
        const Point3 radians = e->Degrees() * kDegToRad;
        return Value::Object(std::make_shared<QuatValue>(FromOrder(order, radians)));
    });
}
