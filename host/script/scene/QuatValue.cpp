// quat and eulerAngles values and their constructors.
#include "host/script/scene/QuatValue.h"

#include "host/script/Interpreter.h"
#include "host/script/Lexer.h"
#include "host/script/ScriptError.h"
#include "host/script/scene/AngleAxisValue.h"
#include "host/script/scene/Matrix3Value.h"

#include <numbers>

namespace {
constexpr float kDegToRad = static_cast<float>(std::numbers::pi / 180.0);
}

std::shared_ptr<QuatValue> QuatValue::FromEuler(const Point3& degrees) {
    auto v = std::make_shared<QuatValue>(Quat::FromEulerXYZ(degrees * kDegToRad));
    v->euler_ = true;
    v->degrees_ = degrees;
    return v;
}

std::shared_ptr<QuatValue> QuatValue::FromScriptComponents(float x, float y, float z, float w) {
    return std::make_shared<QuatValue>(Quat(0.0f - x, 0.0f - y, 0.0f - z, w));
}

std::wstring QuatValue::PrintForm() const {
    if (euler_)
        return L"(eulerAngles " + FormatComponent(degrees_.x) + L" " + FormatComponent(degrees_.y) + L" " +
               FormatComponent(degrees_.z) + L")";
    // "0 - c" rather than "-c": a zero component prints as 0, never -0.
    return L"(quat " + FormatComponent(0.0f - q_.x) + L" " + FormatComponent(0.0f - q_.y) + L" " +
           FormatComponent(0.0f - q_.z) + L" " + FormatComponent(q_.w) + L")";
}

bool QuatValue::GetProperty(Interpreter& interp, const std::wstring& name, Value& out) {
    if (euler_) {
        if (name == L"x") out = Value::Float(degrees_.x);
        else if (name == L"y") out = Value::Float(degrees_.y);
        else if (name == L"z") out = Value::Float(degrees_.z);
        else return false;
        return true;
    }
    if (name == L"x") out = Value::Float(0.0f - q_.x);
    else if (name == L"y") out = Value::Float(0.0f - q_.y);
    else if (name == L"z") out = Value::Float(0.0f - q_.z);
    else if (name == L"w") out = Value::Float(q_.w);
    else if (name == L"angle" || name == L"axis") {
        return AngleAxisValue::FromRotation(q_)->GetProperty(interp, name, out);
    } else return false;
    return true;
}

bool QuatValue::ConvertTo(Interpreter&, const ScriptClass& target, Value& out) {
    return RotationAs(q_, LowerName(target.Name()), out);
}

bool QuatValue::Arithmetic(const std::wstring& op, const Value& other, bool selfLeft, Value& out) const {
    auto* o = other.ObjAs<QuatValue>();
    if (op != L"*" || !o || euler_ || o->euler_) return false;
    out = Value::Object(std::make_shared<QuatValue>(selfLeft ? q_ * o->q_ : o->q_ * q_));
    return true;
}

bool RotationAs(const Quat& q, const std::wstring& name, Value& out) {
    if (name == L"quat") {
        out = Value::Object(std::make_shared<QuatValue>(q));
    } else if (name == L"eulerangles") {
        out = Value::Object(QuatValue::FromEuler(q.ToEulerXYZ() * (1.0f / kDegToRad)));
    } else if (name == L"angleaxis") {
        out = Value::Object(AngleAxisValue::FromRotation(q));
    } else if (name == L"matrix3") {
        Matrix3 m;
        m.SetRotate(q);
        out = MakeMatrix3Value(m);
    } else {
        return false;
    }
    return true;
}

bool QuatValue::Equals(const HostObject& other) const {
    auto* o = dynamic_cast<const QuatValue*>(&other);
    return o && o->q_.Equals(q_);
}

Quat ArgRotation(const Value& v) {
    if (auto* q = v.ObjAs<QuatValue>()) return q->Rotation();
    if (auto* aa = v.ObjAs<AngleAxisValue>()) return aa->Rotation();
    ThrowConvertError(v, L"Quat");
}

void RegisterQuatClasses(Interpreter& interp) {
    auto value = interp.FindClass(L"Value");
    // The axis constants rotations are written with: quat 90 z_axis.
    interp.RegisterGlobalAccessor(L"x_axis", [](Interpreter&) { return Value::Point(Point3(1, 0, 0)); });
    interp.RegisterGlobalAccessor(L"y_axis", [](Interpreter&) { return Value::Point(Point3(0, 1, 0)); });
    interp.RegisterGlobalAccessor(L"z_axis", [](Interpreter&) { return Value::Point(Point3(0, 0, 1)); });
    interp.RegisterClass(std::make_shared<ScriptClass>(L"Quat", value, [](Interpreter&, CallArgs& a) {
        // quat x y z w, or quat angle axis
        if (a.Count() == 2) {
            Point3 axis = a[1].Is(Value::Type::Point3) ? a[1].AsPoint() : (ThrowConvertError(a[1], L"Point3"), Point3());
            return Value::Object(
                std::make_shared<QuatValue>(Quat::FromAngleAxis(-static_cast<float>(ArgFloat(a[0])) * kDegToRad, axis)));
        }
        CheckArgCount(L"quat", a, 4);
        return Value::Object(QuatValue::FromScriptComponents(
            static_cast<float>(ArgFloat(a[0])), static_cast<float>(ArgFloat(a[1])), static_cast<float>(ArgFloat(a[2])),
            static_cast<float>(ArgFloat(a[3]))));
    }));
    interp.RegisterClass(std::make_shared<ScriptClass>(L"EulerAngles", value, [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"eulerAngles", a, 3);
        return Value::Object(QuatValue::FromEuler(Point3(static_cast<float>(ArgFloat(a[0])),
                                                         static_cast<float>(ArgFloat(a[1])),
                                                         static_cast<float>(ArgFloat(a[2])))));
    }));
}
