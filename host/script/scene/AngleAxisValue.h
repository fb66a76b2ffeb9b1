// AngleAxis values of the language: a rotation as an angle in degrees about an axis.
#pragma once

#include "host/core/Quat.h"
#include "host/script/Value.h"

class Interpreter;

// "(angleAxis 90 [0,0,1])". The angle is kept as written (more than 360 counts whole turns, .numrevs);
// as a rotation it is the same as "quat angle axis".
class AngleAxisValue : public HostObject {
public:
    AngleAxisValue(float degrees, const Point3& axis) : degrees_(degrees), axis_(axis) {}
    // The angle and axis of a rotation (an angle from 0 to 360 degrees).
    static std::shared_ptr<AngleAxisValue> FromRotation(const Quat& q);

    // The rotation as the host's controllers and matrices hold it.
    Quat Rotation() const;
    std::wstring ClassName() const override { return L"AngleAxis"; }
    std::wstring PrintForm() const override;
    // angle, axis, numrevs.
    bool GetProperty(Interpreter& interp, const std::wstring& lowerName, Value& out) override;
    bool SetProperty(Interpreter& interp, const std::wstring& lowerName, const Value& value) override;
    bool ConvertTo(Interpreter& interp, const ScriptClass& target, Value& out) override;
    bool Equals(const HostObject& other) const override;

private:
    float degrees_;
    Point3 axis_;
};

// Registers the angleAxis class.
void RegisterAngleAxisClass(Interpreter& interp);
