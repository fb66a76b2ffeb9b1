// Values of any controller family.
#include "host/scene/controllers/ControlValue.h"

#include "host/core/PlugApi.h"

ControlValue::ControlValue(SClass_ID superClassId) {
    switch (superClassId) {
    case CTRL_FLOAT_CLASS_ID: v_ = 0.0f; break;
    case CTRL_POINT3_CLASS_ID:
    case CTRL_POSITION_CLASS_ID:
    case CTRL_COLOR_CLASS_ID: v_ = Point3(); break;
    case CTRL_ROTATION_CLASS_ID: v_ = Quat(); break;
    case CTRL_SCALE_CLASS_ID: v_ = ScaleValue(); break;
    case CTRL_MATRIX3_CLASS_ID: v_ = Matrix3(); break;
    case CTRL_POINT4_CLASS_ID:
    case CTRL_FRGBA_CLASS_ID: v_ = Point4(); break;
    default: break;
    }
}

void* ControlValue::Ptr() {
    return std::visit(
        [](auto& x) -> void* {
            if constexpr (std::is_same_v<std::decay_t<decltype(x)>, std::monostate>) return nullptr;
            else return &x;
        },
        v_);
}

MSTR ControlValue::Format() const {
    return std::visit(
        [](const auto& x) -> MSTR {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, std::monostate>) return L"-";
            else return ControlValueTraits<T>::Format(x);
        },
        v_);
}

IOResult ControlValue::Write(ISave* s) const {
    return std::visit(
        [s](const auto& x) -> IOResult {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, std::monostate>) return IO_OK;
            else return ControlValueTraits<T>::Write(s, x);
        },
        v_);
}

IOResult ControlValue::Read(ILoad* l) {
    return std::visit(
        [l](auto& x) -> IOResult {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, std::monostate>) return IO_OK;
            else return ControlValueTraits<T>::Read(l, x);
        },
        v_);
}

ControlValue EvalControlValue(Control* c, TimeValue t, Interval* valid) {
    ControlValue v(c ? c->SuperClassID() : 0);
    if (!c || !v.Valid()) return v;
    Interval iv = FOREVER;
    c->GetValue(t, v.Ptr(), iv, CTRL_ABSOLUTE);
    if (valid) *valid &= iv;
    return v;
}
