// Animation time in the script language: the Time and Interval classes, the scene's time globals, and the
// "at time" and "animate" contexts.
#include "host/scene/Interface.h"
#include "host/script/CoreBuiltins.h"
#include "host/script/Interpreter.h"
#include "host/script/ScriptError.h"

#include <cmath>
#include <memory>
#include <vector>

namespace {

// An interval of animation time: "(interval 0f 100f)".
class IntervalValue : public HostObject {
public:
    IntervalValue(std::int64_t start, std::int64_t end) : start_(start), end_(end) {}
    std::wstring ClassName() const override { return L"Interval"; }
    std::wstring PrintForm() const override {
        return L"(interval " + FormatTime(start_) + L" " + FormatTime(end_) + L")";
    }
    bool GetProperty(Interpreter&, const std::wstring& lowerName, Value& out) override {
        if (lowerName == L"start") out = Value::Time(start_);
        else if (lowerName == L"end") out = Value::Time(end_);
        else return false;
        return true;
    }
    bool Equals(const HostObject& other) const override {
        auto* o = dynamic_cast<const IntervalValue*>(&other);
        return o && o->start_ == start_ && o->end_ == end_;
    }
    std::int64_t Start() const { return start_; }
    std::int64_t End() const { return end_; }

private:
    std::int64_t start_;
    std::int64_t end_;
};

Interface* Ip() { return GetCOREInterface(); }

const IntervalValue& AsInterval(const Value& v) {
    if (auto* i = v.ObjAs<IntervalValue>()) return *i;
    ThrowConvertError(v, L"Interval");
}

// Time values fit the host's 32-bit ticks.
TimeValue ToTimeValue(std::int64_t ticks) {
    if (ticks < TIME_NegInfinity || ticks > TIME_PosInfinity)
        throw ScriptError(L"Runtime error: time out of range: " + FormatTime(ticks));
    return static_cast<TimeValue>(ticks);
}

} // namespace

void RegisterTimeBuiltins(Interpreter& in) {
    auto valueClass = in.FindClass(L"Value");
    in.RegisterClass(std::make_shared<ScriptClass>(L"Time", valueClass));
    in.RegisterClass(std::make_shared<ScriptClass>(L"Interval", valueClass, [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"interval", a, 2);
        return Value::Object(std::make_shared<IntervalValue>(TimeTicks(a[0]), TimeTicks(a[1])));
    }));

    // "at time" moves the scene's evaluation time for its body; the slider's own time is kept here, so
    // sliderTime still reads (and sets) the slider.
    auto sliders = std::make_shared<std::vector<TimeValue>>();
    ScriptContextHooks atTime;
    atTime.enter = [sliders](Interpreter&, const Value& when, bool) {
        const TimeValue t = ToTimeValue(TimeTicks(when));
        sliders->push_back(Ip()->GetTime());
        Ip()->SetTime(t, FALSE);
    };
    atTime.leave = [sliders](Interpreter&, const Value&, bool, bool) {
        Ip()->SetTime(sliders->back(), FALSE);
        sliders->pop_back();
    };
    in.RegisterContext(L"at time", atTime);

    // "animate on" records the body's changes as keys; contexts nest, so each remembers the mode it found.
    auto modes = std::make_shared<std::vector<BOOL>>();
    ScriptContextHooks animate;
    animate.enter = [modes](Interpreter&, const Value&, bool on) {
        modes->push_back(Ip()->IsAnimateMode());
        Ip()->SetAnimateMode(on);
    };
    animate.leave = [modes](Interpreter&, const Value&, bool, bool) {
        Ip()->SetAnimateMode(modes->back());
        modes->pop_back();
    };
    in.RegisterContext(L"animate", animate);

    in.RegisterGlobalAccessor(L"currentTime", [](Interpreter&) { return Value::Time(Ip()->GetTime()); });
    in.RegisterGlobalAccessor(
        L"sliderTime",
        [sliders](Interpreter&) { return Value::Time(sliders->empty() ? Ip()->GetTime() : sliders->front()); },
        [sliders](Interpreter&, const Value& v) {
            const TimeValue t = ToTimeValue(TimeTicks(v));
            if (sliders->empty()) Ip()->SetTime(t);
            else sliders->front() = t;
        });
    in.RegisterGlobalAccessor(
        L"animationRange",
        [](Interpreter&) {
            const Interval r = Ip()->GetAnimRange();
            return Value::Object(std::make_shared<IntervalValue>(r.Start(), r.End()));
        },
        [](Interpreter&, const Value& v) {
            const IntervalValue& r = AsInterval(v);
            if (r.Start() >= r.End())
                throw ScriptError(L"Runtime error: animationRange must end after it starts, got: " + r.PrintForm());
            Ip()->SetAnimRange(Interval(ToTimeValue(r.Start()), ToTimeValue(r.End())));
        });
    in.RegisterGlobalAccessor(
        L"frameRate", [](Interpreter&) { return Value::Int(GetFrameRate()); },
        [](Interpreter&, const Value& v) {
            const std::int64_t rate = ArgInt(v);
            if (rate < 1 || rate > TIME_TICKSPERSEC)
                throw ScriptError(L"Runtime error: frameRate must be from 1 to " + std::to_wstring(TIME_TICKSPERSEC) +
                                  L", got: " + std::to_wstring(rate));
            SetFrameRate(static_cast<int>(rate));
        });
    in.RegisterGlobalAccessor(L"ticksPerFrame", [](Interpreter&) { return Value::Int(GetTicksPerFrame()); });
    // The animate button: what "animate on" switches for its body, here switched for good.
    in.RegisterGlobalAccessor(
        L"animButtonState", [](Interpreter&) { return Value::Bool(Ip()->IsAnimateMode() != FALSE); },
        [](Interpreter&, const Value& v) { Ip()->SetAnimateMode(ArgBool(v) ? TRUE : FALSE); });
    // normTime f: the time at fraction f (0 to 1) of the animation range.
    in.RegisterFunction(L"normTime", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"normTime", a, 1);
        const double f = ArgFloat(a[0]);
        if (f < 0 || f > 1) throw ScriptError(L"Runtime error: normTime needs a fraction from 0 to 1, got: " + a[0].PrintForm());
        const Interval r = Ip()->GetAnimRange();
        return Value::Time(r.Start() + std::llround(f * static_cast<double>(r.End() - r.Start())));
    });
}
