// Noise controllers: gradient noise summed over octaves, seeded per axis, faded in and out by the ramps.
#include "host/scene/controllers/NoiseControl.h"

#include "host/core/ChunkFields.h"
#include "host/core/ClassDirectory.h"
#include "host/scene/Interface.h"
#include "host/scene/controllers/ControlRestore.h"
#include "host/scene/controllers/ControlValueTraits.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

constexpr USHORT kParamsChunk = 0x0500;
constexpr int kOctaves = 6;
constexpr double kDegToRad = 3.14159265358979323846 / 180.0;

// A gradient in [-1, 1] for lattice point i, fixed by the seed (integer hash, no global state).
double Gradient(std::int64_t i, std::uint32_t seed) {
    std::uint64_t h = static_cast<std::uint64_t>(i) * 0x9E3779B97F4A7C15ull ^ (static_cast<std::uint64_t>(seed) << 32 | seed);
    h ^= h >> 31;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 27;
    h *= 0x94D049BB133111EBull;
    h ^= h >> 33;
    return static_cast<double>(h >> 11) / static_cast<double>(1ull << 52) - 1.0;
}

// Gradient noise along one line: 0 at every lattice point, about [-1, 1] between them.
double Noise1(double x, std::uint32_t seed) {
    const double i0 = std::floor(x);
    const double f = x - i0;
    const auto i = static_cast<std::int64_t>(i0);
    const double v0 = Gradient(i, seed) * f;
    const double v1 = Gradient(i + 1, seed) * (f - 1.0);
    const double u = f * f * f * (f * (f * 6.0 - 15.0) + 10.0);
    return 2.0 * (v0 + (v1 - v0) * u);
}

double Ramp(double into, double length) {
    if (length <= 0) return 1.0;
    const double s = std::clamp(into / length, 0.0, 1.0);
    return s * s * (3.0 - 2.0 * s);
}

} // namespace

float NoiseParams::Sample(int a, TimeValue t, Interval range) const {
    const double x = static_cast<double>(t) / GetTicksPerFrame() * frequency / 10.0;
    const auto axisSeed = static_cast<std::uint32_t>(seed) * 3u + static_cast<std::uint32_t>(a) + 1u;
    double n = 0;
    if (fractal) {
        // Each octave doubles the frequency; roughness 0 halves its weight, 1 keeps it.
        const double falloff = 0.5 + 0.5 * roughness;
        double amp = 1.0, total = 0.0, scale = 1.0;
        for (int o = 0; o < kOctaves; ++o, amp *= falloff, scale *= 2.0) {
            n += amp * Noise1(x * scale, axisSeed + static_cast<std::uint32_t>(o) * 7919u);
            total += amp;
        }
        n /= total;
    } else {
        n = Noise1(x, axisSeed);
    }
    n = std::clamp(n, -1.0, 1.0);
    const double s = strength[a];
    double v = positive[a] ? s * (n + 1.0) / 2.0 : s * n / 2.0;
    v *= Ramp(static_cast<double>(t) - range.Start(), rampIn) * Ramp(static_cast<double>(range.End()) - t, rampOut);
    return static_cast<float>(v);
}

NoiseControl::NoiseControl(SClass_ID super, Class_ID id, const MCHAR* name)
    : superClassId_(super), classId_(id), name_(name) {
    if (super == CTRL_FLOAT_CLASS_ID) params_.strength[1] = params_.strength[2] = 0.0f;
}

void NoiseControl::GetValue(TimeValue t, void* val, Interval& valid, GetSetMethod method) {
    valid &= Interval(t, t);
    Interface* ip = GetCOREInterface();
    const Interval range = ip ? ip->GetAnimRange() : Interval(0, 100 * GetTicksPerFrame());
    Point3 p;
    for (int a = 0; a < Axes(); ++a) p[a] = params_.Sample(a, t, range);
    auto put = [&](auto v) {
        using T = decltype(v);
        if (method == CTRL_RELATIVE) ControlValueTraits<T>::ApplyRelative(v, *static_cast<T*>(val));
        else *static_cast<T*>(val) = v;
    };
    switch (superClassId_) {
    case CTRL_FLOAT_CLASS_ID: put(p.x); break;
    case CTRL_ROTATION_CLASS_ID: put(Quat::FromEulerXYZ(p * static_cast<float>(kDegToRad))); break;
    case CTRL_SCALE_CLASS_ID: put(ScaleValue(Point3(1.0f, 1.0f, 1.0f) + p / 100.0f)); break;
    default: put(p); break;
    }
}

void NoiseControl::Copy(Control* from) {
    if (!from || from == this || from->SuperClassID() != SuperClassID()) return;
    if (from->ClassID() == ClassID()) SetParams(static_cast<NoiseControl*>(from)->params_);
    else Control::Copy(from);
}

void NoiseControl::SetParams(const NoiseParams& p) {
    if (p == params_) return;
    ChangeState(this, params_, p, kValueChangeNote);
}

RefTargetHandle NoiseControl::Clone(RemapDir& remap) {
    auto* c = static_cast<NoiseControl*>(CreateInstance(superClassId_, classId_));
    if (!c) return nullptr;
    c->params_ = params_;
    BaseClone(this, c, remap);
    return c;
}

IOResult NoiseControl::Save(ISave* isave) { return WriteValueChunk(isave, kParamsChunk, params_); }

IOResult NoiseControl::Load(ILoad* iload) {
    return ForEachChunk(iload, [this, iload](USHORT id) {
        if (id != kParamsChunk) return IO_OK;
        NoiseParams p;
        if (const IOResult r = ReadValues(iload, p); r != IO_OK) return r;
        if (!(p.frequency > 0) || p.roughness < 0 || p.roughness > 1 || p.rampIn < 0 || p.rampOut < 0) return IO_ERROR;
        params_ = p;
        return IO_OK;
    });
}

template <> Class_ID NoiseFloat::Id() { return NOISE_FLOAT_CLASS_ID; }
template <> Class_ID NoisePosition::Id() { return NOISE_POSITION_CLASS_ID; }
template <> Class_ID NoisePoint3::Id() { return NOISE_POINT3_CLASS_ID; }
template <> Class_ID NoiseRotation::Id() { return NOISE_ROTATION_CLASS_ID; }
template <> Class_ID NoiseScale::Id() { return NOISE_SCALE_CLASS_ID; }
template <> const MCHAR* NoiseFloat::Name() { return L"Noise Float"; }
template <> const MCHAR* NoisePosition::Name() { return L"Noise Position"; }
template <> const MCHAR* NoisePoint3::Name() { return L"Noise Point3"; }
template <> const MCHAR* NoiseRotation::Name() { return L"Noise Rotation"; }
template <> const MCHAR* NoiseScale::Name() { return L"Noise Scale"; }
