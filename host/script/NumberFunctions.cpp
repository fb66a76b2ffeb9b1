// The script language's trigonometry beyond sin and cos, exponentials and logarithms, angle conversions
// and close_enough. Angles are in degrees, as everywhere in the language.
#include "host/script/CoreBuiltins.h"
#include "host/script/Interpreter.h"
#include "host/script/ScriptError.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <numbers>
#include <string>

namespace {

constexpr double kDegree = std::numbers::pi / 180;

// A function of one number that answers a Float. Outside a function's domain the answer is not a number
// or an infinity, as the host's is; bit.isNAN and bit.isFinite test for them.
void Unary(Interpreter& in, const wchar_t* name, double (*f)(double)) {
    const std::wstring fn = name;
    in.RegisterFunction(name, [fn, f](Interpreter&, CallArgs& a) {
        CheckArgCount(fn.c_str(), a, 1);
        return Value::Float(f(ArgFloat(a[0])));
    });
}

} // namespace

void RegisterNumberFunctions(Interpreter& in) {
    Unary(in, L"tan", [](double x) { return std::tan(x * kDegree); });
    Unary(in, L"asin", [](double x) { return std::asin(x) / kDegree; });
    Unary(in, L"acos", [](double x) { return std::acos(x) / kDegree; });
    Unary(in, L"atan", [](double x) { return std::atan(x) / kDegree; });
    Unary(in, L"exp", [](double x) { return std::exp(x); });
    Unary(in, L"log", [](double x) { return std::log(x); });
    Unary(in, L"log10", [](double x) { return std::log10(x); });
    Unary(in, L"degToRad", [](double x) { return x * kDegree; });
    Unary(in, L"radToDeg", [](double x) { return x / kDegree; });
    // close_enough a b units: equal within "units" steps of single precision at the larger magnitude, so
    // that values computed two ways compare equal.
    in.RegisterFunction(L"close_enough", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"close_enough", a, 3);
        const auto x = static_cast<float>(ArgFloat(a[0])), y = static_cast<float>(ArgFloat(a[1]));
        const std::int64_t units = ArgInt(a[2]);
        if (units < 0)
            throw ScriptError(L"Runtime error: close_enough units must not be negative, got: " + a[2].PrintForm());
        const float scale = std::max({std::fabs(x), std::fabs(y), FLT_MIN});
        return Value::Bool(std::fabs(x - y) <= static_cast<float>(units) * FLT_EPSILON * scale);
    });
}
