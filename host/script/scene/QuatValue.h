// Rotation values of the language: quat and eulerAngles.
#pragma once

#include "host/core/Quat.h"
#include "host/script/Value.h"

class Interpreter;

// "(quat 0 0 0 1)" or "(eulerAngles 0 0 90)". Euler angles are kept in degrees as written; both convert
// to the same rotation.
class QuatValue : public HostObject {
public:
    explicit QuatValue(const Quat& q) : q_(q) {}
    // Euler angles in degrees.
    static std::shared_ptr<QuatValue> FromEuler(const Point3& degrees);

    const Quat& Rotation() const { return q_; }
    bool IsEuler() const { return euler_; }

    std::wstring ClassName() const override { return euler_ ? L"EulerAngles" : L"Quat"; }
    std::wstring PrintForm() const override;
    bool GetProperty(Interpreter& interp, const std::wstring& lowerName, Value& out) override;
    bool Equals(const HostObject& other) const override;

private:
    Quat q_;
    bool euler_ = false;
    Point3 degrees_;
};

// The rotation a value gives (a quat or eulerAngles); throws the conversion error otherwise.
Quat ArgRotation(const Value& v);
// Registers the quat and eulerAngles classes.
void RegisterQuatClasses(Interpreter& interp);
