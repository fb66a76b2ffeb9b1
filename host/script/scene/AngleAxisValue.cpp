// AngleAxis values and their constructor.
#include "host/script/scene/AngleAxisValue.h"

#include "host/script/Interpreter.h"
#include "host/script/Lexer.h"
#include "host/script/ScriptError.h"
#include "host/script/scene/QuatValue.h"

#include <cmath>
#include <numbers>

namespace {
constexpr float kDegToRad = static_cast<float>(std::numbers::pi / 180.0);
}

std::shared_ptr<AngleAxisValue> AngleAxisValue::FromRotation(const Quat& q) {
    // The script's components are those of the inverse (see QuatValue): the axis turns the other way.
    float w = std::fmax(-1.0f, std::fmin(1.0f, q.w));
    float half = std::acos(w);
    float s = std::sin(half);
    if (std::fabs(s) < 1e-6f) return std::make_shared<AngleAxisValue>(0.0f, Point3(0, 0, 1));
    Point3 axis(0.0f - q.x / s, 0.0f - q.y / s, 0.0f - q.z / s);
    return std::make_shared<AngleAxisValue>(2 * half / kDegToRad, Normalize(axis));
}

Quat AngleAxisValue::Rotation() const {
    if (axis_.Length() == 0) return Quat();
    return Quat::FromAngleAxis(-degrees_ * kDegToRad, axis_);
}

std::wstring AngleAxisValue::PrintForm() const {
    return L"(angleAxis " + FormatComponent(degrees_) + L" " + Value::Point(axis_).PrintForm() + L")";
}

bool AngleAxisValue::GetProperty(Interpreter&, const std::wstring& name, Value& out) {
    if (name == L"angle") out = Value::Float(degrees_);
    else if (name == L"axis") out = Value::Point(axis_);
    else if (name == L"numrevs") out = Value::Int(static_cast<std::int64_t>(std::trunc(degrees_ / 360.0f)));
    else return false;
    return true;
}

bool AngleAxisValue::SetProperty(Interpreter&, const std::wstring& name, const Value& value) {
    if (name == L"angle") degrees_ = static_cast<float>(ArgFloat(value));
    else if (name == L"axis") axis_ = value.Is(Value::Type::Point3) ? value.AsPoint() : (ThrowConvertError(value, L"Point3"), Point3());
    else if (name == L"numrevs") degrees_ = std::fmod(degrees_, 360.0f) + 360.0f * static_cast<float>(ArgInt(value));
    else return false;
    return true;
}

bool AngleAxisValue::ConvertTo(Interpreter&, const ScriptClass& target, Value& out) {
    std::wstring name = LowerName(target.Name());
    if (name == L"angleaxis") {
        out = Value::Object(std::make_shared<AngleAxisValue>(degrees_, axis_));
        return true;
    }
    return RotationAs(Rotation(), name, out);
}

bool AngleAxisValue::Equals(const HostObject& other) const {
    auto* o = dynamic_cast<const AngleAxisValue*>(&other);
    return o && o->degrees_ == degrees_ && o->axis_ == axis_;
}

void RegisterAngleAxisClass(Interpreter& interp) {
    interp.RegisterClass(std::make_shared<ScriptClass>(L"AngleAxis", interp.FindClass(L"Value"), [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"angleAxis", a, 2);
        if (!a[1].Is(Value::Type::Point3)) ThrowConvertError(a[1], L"Point3");
        return Value::Object(std::make_shared<AngleAxisValue>(static_cast<float>(ArgFloat(a[0])), a[1].AsPoint()));
    }));
}
