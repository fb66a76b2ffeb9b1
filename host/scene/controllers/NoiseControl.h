// Noise controllers: a value that wanders over time, drawn from fractal gradient noise fixed by a seed.
#pragma once

#include "host/core/PlugApi.h"
#include "host/core/RemapDir.h"
#include "host/scene/Control.h"
#include "host/scene/controllers/ControllerClassIds.h"

// What shapes the noise. A float noise uses the first strength and positive entries only.
struct NoiseParams {
    int seed = 0;
    float frequency = 0.5f; // cycles per 10 frames
    int fractal = 1;
    float roughness = 0.0f; // 0..1: how strongly the finer octaves of a fractal noise show
    TimeValue rampIn = 0;   // ticks from the start of the animation range over which the noise grows
    TimeValue rampOut = 0;  // ticks before the end of the range over which it fades
    float strength[3] = {50.0f, 50.0f, 50.0f};
    int positive[3] = {0, 0, 0};
    bool operator==(const NoiseParams&) const = default;

    // Axis a's value at t within the animation range: in [-strength/2, strength/2], or [0, strength]
    // when positive, scaled down inside the ramps.
    float Sample(int a, TimeValue t, Interval range) const;
};

class NoiseControl : public Control {
public:
    NoiseControl(SClass_ID super, Class_ID id, const MCHAR* name);

    Class_ID ClassID() override { return classId_; }
    SClass_ID SuperClassID() override { return superClassId_; }
    void GetClassName(MSTR& s, bool /*localized*/ = true) const override { s = name_; }

    // Float: the sample; position/point3: one per axis; rotation: Euler XYZ in degrees; scale: 1 plus the
    // sample in percent per axis. Valid for the instant only.
    void GetValue(TimeValue t, void* val, Interval& valid, GetSetMethod method = CTRL_ABSOLUTE) override;
    // The noise follows its parameters alone; values set from outside are ignored.
    void SetValue(TimeValue, void*, int = 1, GetSetMethod = CTRL_ABSOLUTE) override {}
    BOOL IsKeyable() override { return FALSE; }
    void Copy(Control* from) override;

    int Axes() const { return superClassId_ == CTRL_FLOAT_CLASS_ID ? 1 : 3; }
    const NoiseParams& Params() const { return params_; }
    // Records an undo step and notifies REFMSG_CHANGE when p differs.
    void SetParams(const NoiseParams& p);
    void ApplyState(const NoiseParams& p) { params_ = p; }

    RefTargetHandle Clone(RemapDir& remap) override;
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;

private:
    SClass_ID superClassId_;
    Class_ID classId_;
    MSTR name_;
    NoiseParams params_;
};

// One class per value type, created by the class directory.
template <SClass_ID Super> class NoiseControlOf : public NoiseControl {
public:
    explicit NoiseControlOf(BOOL /*loading*/ = FALSE) : NoiseControl(Super, Id(), Name()) {}
    static Class_ID Id();
    static const MCHAR* Name();
};

using NoiseFloat = NoiseControlOf<CTRL_FLOAT_CLASS_ID>;
using NoisePosition = NoiseControlOf<CTRL_POSITION_CLASS_ID>;
using NoisePoint3 = NoiseControlOf<CTRL_POINT3_CLASS_ID>;
using NoiseRotation = NoiseControlOf<CTRL_ROTATION_CLASS_ID>;
using NoiseScale = NoiseControlOf<CTRL_SCALE_CLASS_ID>;
