// Morpher channels from script: the channel count, and each channel's name, weight, on state and target
// node (channels numbered from 1).
#include "host/scene/INode.h"
#include "host/scene/objects/Morpher.h"
#include "host/script/Interpreter.h"
#include "host/script/ScriptError.h"
#include "host/script/scene/NodeValue.h"
#include "host/script/scene/SceneProperties.h"

namespace {

MorpherModifier* ArgMorpher(const Value& v, const std::wstring& fn) {
    if (auto* m = dynamic_cast<MorpherModifier*>(AnimFromValue(v))) return m;
    throw ScriptError(L"No \"" + fn + L"\" function for " + v.PrintForm());
}

int ArgChannel(const Value& v, const std::wstring& fn) {
    return ArgIndexIn(v, MorpherModifier::kNumChannels, fn, L"channel");
}

// Registers fn(morpher, channel) -> get(morpher, index).
template <class Get> void Getter(Interpreter& in, const wchar_t* fn, Get get) {
    in.RegisterFunction(fn, [fn, get](Interpreter&, CallArgs& a) {
        CheckArgCount(fn, a, 2);
        return get(ArgMorpher(a[0], fn), ArgChannel(a[1], fn));
    });
}

// Registers fn(morpher, channel, value): set(morpher, index, value); answers true as the host does.
template <class Set> void Setter(Interpreter& in, const wchar_t* fn, Set set) {
    in.RegisterFunction(fn, [fn, set](Interpreter&, CallArgs& a) {
        CheckArgCount(fn, a, 3);
        MorpherModifier* m = ArgMorpher(a[0], fn);
        set(m, ArgChannel(a[1], fn), a[2]);
        return Value::Bool(true);
    });
}

} // namespace

void RegisterMorpherBuiltins(Interpreter& in) {
    in.RegisterFunction(L"WM3_NumberOfChannels", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"WM3_NumberOfChannels", a, 1);
        ArgMorpher(a[0], L"WM3_NumberOfChannels");
        return Value::Int(MorpherModifier::kNumChannels);
    });
    Getter(in, L"WM3_MC_GetName", [](MorpherModifier* m, int i) { return Value::String(m->GetChannelName(i).data()); });
    Getter(in, L"WM3_MC_GetValue", [](MorpherModifier* m, int i) { return Value::Float(m->GetChannelWeight(i)); });
    Getter(in, L"WM3_MC_IsActive", [](MorpherModifier* m, int i) { return Value::Bool(m->GetChannelActive(i) != FALSE); });
    Setter(in, L"WM3_MC_SetName", [](MorpherModifier* m, int i, const Value& v) { m->SetChannelName(i, ArgString(v).c_str()); });
    Setter(in, L"WM3_MC_SetValue",
           [](MorpherModifier* m, int i, const Value& v) { m->SetChannelWeight(i, static_cast<float>(ArgFloat(v))); });
    Setter(in, L"WM3_MC_SetActive", [](MorpherModifier* m, int i, const Value& v) { m->SetChannelActive(i, ArgBool(v)); });
    Getter(in, L"WM3_MC_GetTarget", [](MorpherModifier* m, int i) {
        INode* n = m->GetChannelTarget(i);
        return n ? MakeNodeValue(n) : Value::Undefined();
    });
    // WM3_MC_BuildFromNode morpher channel node: the node becomes the channel's target (and names an
    // unnamed channel); a node the Morpher itself shapes cannot.
    Setter(in, L"WM3_MC_BuildFromNode", [](MorpherModifier* m, int i, const Value& v) {
        INode* n = ArgSceneNode(v, L"WM3_MC_BuildFromNode");
        if (!m->BuildFromNode(i, n))
            throw ScriptError(L"Runtime error: WM3_MC_BuildFromNode: " + std::wstring(n->GetName()) +
                              L" cannot be a target of a Morpher on itself");
    });
}
