// A value of whichever type a controller super class produces, for code that handles any controller
// (copying between controllers, dumps, the generic controller).
#pragma once

#include "host/scene/controllers/ControlValueTraits.h"

#include <variant>

class ControlValue {
public:
    // The neutral value of the super class's type; empty for a super class that is not a value
    // controller family this host evaluates.
    explicit ControlValue(SClass_ID superClassId);

    bool Valid() const { return !std::holds_alternative<std::monostate>(v_); }
    // What GetValue/SetValue take for this super class; null when not Valid.
    void* Ptr();
    MSTR Format() const;
    IOResult Write(ISave* s) const;
    IOResult Read(ILoad* l);
    bool operator==(const ControlValue& o) const { return v_ == o.v_; }

    // The value when it is of type T, otherwise fallback (a controller of an unexpected family).
    template <class T> T Get(const T& fallback = T()) const {
        const T* p = std::get_if<T>(&v_);
        return p ? *p : fallback;
    }
    template <class T> T& As() { return std::get<T>(v_); }
    template <class T> const T& As() const { return std::get<T>(v_); }

    using Storage = std::variant<std::monostate, float, Point3, Quat, ScaleValue, Matrix3, Point4>;
    Storage& Variant() { return v_; }
    const Storage& Variant() const { return v_; }

private:
    Storage v_;
};

// The value of c at t (absolute), in c's own value type.
ControlValue EvalControlValue(Control* c, TimeValue t, Interval* valid = nullptr);
