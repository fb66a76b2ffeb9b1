// The noise controllers' parameters from script: seed, frequency, fractal, roughness, rampIn/rampOut,
// noise_strength (a float, or a point3 with x/y/z_strength parts) and positive (x/y/z_positive).
#include "host/scene/controllers/NoiseControl.h"
#include "host/script/Interpreter.h"
#include "host/script/ScriptError.h"
#include "host/script/scene/SceneProperties.h"

namespace {

NoiseControl* AsNoise(Control* c) {
    const Class_ID id = c->ClassID();
    for (const Class_ID& n : {NOISE_FLOAT_CLASS_ID, NOISE_POSITION_CLASS_ID, NOISE_POINT3_CLASS_ID,
                              NOISE_ROTATION_CLASS_ID, NOISE_SCALE_CLASS_ID})
        if (id == n) return static_cast<NoiseControl*>(c);
    return nullptr;
}

// x_strength, y_positive ...: the axis of a per-axis part, or -1.
int AxisPart(const std::wstring& name, const std::wstring& part) {
    if (name.size() != part.size() + 2 || name[1] != L'_' || name.compare(2, std::wstring::npos, part) != 0) return -1;
    return name[0] >= L'x' && name[0] <= L'z' ? name[0] - L'x' : -1;
}

[[noreturn]] void ThrowRange(const std::wstring& what, const std::wstring& range, const Value& v) {
    throw ScriptError(L"Runtime error: " + what + L" must be " + range + L", got: " + v.PrintForm());
}

} // namespace

bool GetNoiseControllerProperty(Control* c, const std::wstring& name, Value& out) {
    NoiseControl* noise = AsNoise(c);
    if (!noise) return false;
    const NoiseParams& p = noise->Params();
    const bool single = noise->Axes() == 1;
    if (name == L"seed") out = Value::Int(p.seed);
    else if (name == L"frequency") out = Value::Float(p.frequency);
    else if (name == L"fractal") out = Value::Bool(p.fractal != 0);
    else if (name == L"roughness") out = Value::Float(p.roughness);
    else if (name == L"rampin") out = Value::Time(p.rampIn);
    else if (name == L"rampout") out = Value::Time(p.rampOut);
    else if (name == L"noise_strength")
        out = single ? Value::Float(p.strength[0]) : Value::Point(Point3(p.strength[0], p.strength[1], p.strength[2]));
    else if (single && name == L"positive") out = Value::Bool(p.positive[0] != 0);
    else if (const int a = single ? -1 : AxisPart(name, L"strength"); a >= 0) out = Value::Float(p.strength[a]);
    else if (const int b = single ? -1 : AxisPart(name, L"positive"); b >= 0) out = Value::Bool(p.positive[b] != 0);
    else return false;
    return true;
}

bool SetNoiseControllerProperty(Control* c, const std::wstring& name, const Value& v) {
    NoiseControl* noise = AsNoise(c);
    if (!noise) return false;
    NoiseParams p = noise->Params();
    const bool single = noise->Axes() == 1;
    if (name == L"seed") {
        p.seed = static_cast<int>(ArgInt(v));
    } else if (name == L"frequency") {
        p.frequency = static_cast<float>(ArgFloat(v));
        if (!(p.frequency > 0)) ThrowRange(L"frequency", L"above 0", v);
    } else if (name == L"fractal") {
        p.fractal = ArgBool(v) ? 1 : 0;
    } else if (name == L"roughness") {
        p.roughness = static_cast<float>(ArgFloat(v));
        if (!(p.roughness >= 0 && p.roughness <= 1)) ThrowRange(L"roughness", L"between 0 and 1", v);
    } else if (name == L"rampin" || name == L"rampout") {
        const std::int64_t ticks = TimeTicks(v);
        if (ticks < 0) ThrowRange(name == L"rampin" ? L"rampIn" : L"rampOut", L"0 or more", v);
        (name == L"rampin" ? p.rampIn : p.rampOut) = static_cast<TimeValue>(ticks);
    } else if (name == L"noise_strength") {
        if (single) {
            p.strength[0] = static_cast<float>(ArgFloat(v));
        } else {
            const Point3 s = ArgPoint(v);
            for (int a = 0; a < 3; ++a) p.strength[a] = s[a];
        }
    } else if (single && name == L"positive") {
        p.positive[0] = ArgBool(v) ? 1 : 0;
    } else if (const int a = single ? -1 : AxisPart(name, L"strength"); a >= 0) {
        p.strength[a] = static_cast<float>(ArgFloat(v));
    } else if (const int b = single ? -1 : AxisPart(name, L"positive"); b >= 0) {
        p.positive[b] = ArgBool(v) ? 1 : 0;
    } else {
        return false;
    }
    noise->SetParams(p);
    return true;
}
