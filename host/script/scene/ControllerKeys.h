// The keys of a key-frame controller as script values: the key array (controller.keys) and one key.
#pragma once

#include "host/core/Animatable.h"
#include "host/script/Value.h"

class Control;

// "#keys(0f, 10f)": the keys of a controller, read live (a key added later shows up); indexable from 1,
// with .count.
class KeyArrayValue : public HostObject {
public:
    explicit KeyArrayValue(Control* c);
    std::wstring ClassName() const override { return L"MAXKeyArray"; }
    std::wstring PrintForm() const override;
    bool GetProperty(Interpreter& interp, const std::wstring& lowerName, Value& out) override;
    bool GetIndex(Interpreter& interp, const Value& index, Value& out) override;
    bool Enumerate(Interpreter& interp, std::vector<Value>& out) override;

private:
    AnimHandle ctrl_;
};

// "#Bezier Float key(1 @ 10f)": key index of a controller, with .time and .value to read and set.
class KeyValue : public HostObject {
public:
    KeyValue(Control* c, int index);
    std::wstring ClassName() const override { return L"MAXKey"; }
    std::wstring PrintForm() const override;
    bool GetProperty(Interpreter& interp, const std::wstring& lowerName, Value& out) override;
    bool SetProperty(Interpreter& interp, const std::wstring& lowerName, const Value& value) override;
    bool Equals(const HostObject& other) const override;

private:
    // The controller, checked to be alive and to still have the key.
    Control* Live() const;
    AnimHandle ctrl_;
    int index_;
};

// The key array of a controller (undefined for null).
Value MakeKeyArray(Control* c);

// A time argument (a time value or a number of ticks) in the host's range; a script error otherwise.
TimeValue ArgTime(const Value& v);
