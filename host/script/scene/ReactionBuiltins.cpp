// Reaction controllers from script: the driver a reaction follows and its reaction states (numbered
// from 1, each a driver value and the reaction's value there).
#include "host/scene/controllers/ReactionControl.h"
#include "host/script/Interpreter.h"
#include "host/script/ScriptError.h"
#include "host/script/scene/NodeValue.h"
#include "host/script/scene/SceneProperties.h"

namespace {

ReactionControl* ArgReaction(const Value& v, const std::wstring& fn) {
    if (auto* r = dynamic_cast<ReactionControl*>(AnimFromValue(v))) return r;
    throw ScriptError(L"No \"" + fn + L"\" function for " + v.PrintForm());
}

int ArgState(const Value& v, ReactionControl* r, const std::wstring& fn) {
    return ArgIndexIn(v, static_cast<int>(r->GetStates().size()), fn, L"reaction state");
}

} // namespace

void RegisterReactionBuiltins(Interpreter& in) {
    // reactTo reaction driver: a float controller (or undefined for none) drives the reaction.
    in.RegisterFunction(L"reactTo", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"reactTo", a, 2);
        ReactionControl* r = ArgReaction(a[0], L"reactTo");
        Animatable* d = a[1].Is(Value::Type::Undefined) ? nullptr : AnimFromValue(a[1]);
        if (!d && !a[1].Is(Value::Type::Undefined))
            throw ScriptError(L"Runtime error: reactTo needs a float controller, got: " + a[1].PrintForm());
        if (d && !d->IsRefTarget()) throw ScriptError(L"Runtime error: reactTo needs a float controller, got: " + a[1].PrintForm());
        r->SetDriver(static_cast<Control*>(d));
        return Value::Ok();
    });
    in.RegisterFunction(L"getReactionCount", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"getReactionCount", a, 1);
        return Value::Int(static_cast<std::int64_t>(ArgReaction(a[0], L"getReactionCount")->GetStates().size()));
    });
    // addReactionState reaction driverValue value: the states stay in driver order.
    in.RegisterFunction(L"addReactionState", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"addReactionState", a, 3);
        ArgReaction(a[0], L"addReactionState")->AddState(static_cast<float>(ArgFloat(a[1])), static_cast<float>(ArgFloat(a[2])));
        return Value::Ok();
    });
    // getReactionState reaction i: #(driverValue, value).
    in.RegisterFunction(L"getReactionState", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"getReactionState", a, 2);
        ReactionControl* r = ArgReaction(a[0], L"getReactionState");
        const ReactionControl::State& s = r->GetStates()[static_cast<size_t>(ArgState(a[1], r, L"getReactionState"))];
        return Value::Array({Value::Float(s.input), Value::Float(s.output)});
    });
    in.RegisterFunction(L"setReactionState", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"setReactionState", a, 4);
        ReactionControl* r = ArgReaction(a[0], L"setReactionState");
        r->SetState(ArgState(a[1], r, L"setReactionState"), static_cast<float>(ArgFloat(a[2])),
                    static_cast<float>(ArgFloat(a[3])));
        return Value::Ok();
    });
    in.RegisterFunction(L"deleteReaction", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"deleteReaction", a, 2);
        ReactionControl* r = ArgReaction(a[0], L"deleteReaction");
        r->DeleteState(ArgState(a[1], r, L"deleteReaction"));
        return Value::Ok();
    });
}
