// Rotation values of the language: quat and eulerAngles.
#pragma once

#include "host/core/Quat.h"
#include "host/script/Value.h"

class Interpreter;

// "(quat 0 0 0 1)" or "(eulerAngles 0 0 90)". Euler angles are kept in degrees as written; both convert
// to the same rotation. The language's quats are left-handed: the components a script writes and reads
// are those of the inverse of the rotation the value holds (the one controllers and matrices use), so a
// node turned +90 degrees about Z reads back as (quat 0 0 -0.707107 0.707107), and (quat 90 z_axis) as
// eulerAngles is (eulerAngles 0 0 -90).
class QuatValue : public HostObject {
public:
    // The value holding rotation q.
    explicit QuatValue(const Quat& q) : q_(q) {}
    // The value the script form "quat x y z w" writes.
    static std::shared_ptr<QuatValue> FromScriptComponents(float x, float y, float z, float w);
    // Euler angles in degrees.
    static std::shared_ptr<QuatValue> FromEuler(const Point3& degrees);

    const Quat& Rotation() const { return q_; }
    bool IsEuler() const { return euler_; }
    // The angles as written, in degrees (eulerAngles values only).
    const Point3& Degrees() const { return degrees_; }

    std::wstring ClassName() const override { return euler_ ? L"EulerAngles" : L"Quat"; }
    std::wstring PrintForm() const override;
    bool GetProperty(Interpreter& interp, const std::wstring& lowerName, Value& out) override;
    // "as quat", "as eulerAngles", "as angleAxis" and "as matrix3".
    bool ConvertTo(Interpreter& interp, const ScriptClass& target, Value& out) override;
    // q1 * q2 turns by q1, then by q2.
    bool Arithmetic(const std::wstring& op, const Value& other, bool selfLeft, Value& out) const override;
    bool Equals(const HostObject& other) const override;

private:
    Quat q_;
    bool euler_ = false;
    Point3 degrees_;
};

// The rotation a value gives (a quat, eulerAngles or angleAxis); throws the conversion error otherwise.
Quat ArgRotation(const Value& v);
// Rotation q as a value of the class named lowerClass (quat, eulerangles, angleaxis, matrix3); false for
// any other class.
bool RotationAs(const Quat& q, const std::wstring& lowerClass, Value& out);
// Registers the quat and eulerAngles classes.
void RegisterQuatClasses(Interpreter& interp);
