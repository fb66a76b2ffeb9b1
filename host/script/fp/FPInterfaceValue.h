// Published interfaces as script values: core interfaces by name, mixin interfaces of scene objects, and
// the calls, properties and argument conversion behind "Ostrivans.NumOstrivans()".
#pragma once

#include "host/core/Animatable.h"
#include "host/core/FPInterface.h"
#include "host/script/Value.h"

#include <string>
#include <vector>

// An interface as the script language holds it. A core interface is looked up again by its id on every
// use and a mixin through its owner's handle, so a value that outlives its interface (a module unloaded,
// an object deleted) raises an error instead of calling freed memory.
class FPInterfaceValue : public HostObject {
public:
    enum class Kind { Core, Mixin, Plain };

    // owner: the animatable that answered GetInterface for a mixin; null for a core or plain interface.
    FPInterfaceValue(FPInterface* fpi, Animatable* owner);

    // The interface, or null when it is gone.
    FPInterface* Get() const;
    // The interface, or throws the script's runtime error when it is gone.
    FPInterface& Require() const;
    Kind GetKind() const { return kind_; }
    const std::wstring& Name() const { return name_; }

    std::wstring ClassName() const override;
    // "<Interface:Ostrivans>", "<MixinInterface:OstrivansHelper>".
    std::wstring PrintForm() const override;
    bool GetProperty(Interpreter& interp, const std::wstring& lowerName, Value& out) override;
    bool SetProperty(Interpreter& interp, const std::wstring& lowerName, const Value& value) override;
    bool CallMethod(Interpreter& interp, const std::wstring& lowerName, CallArgs& args, Value& out) override;
    bool Equals(const HostObject& other) const override;

private:
    FPInterface* fpi_;
    Kind kind_;
    Interface_ID id_;
    AnimHandle owner_ = 0;
    std::wstring name_;
};

// A published function held as a value ("f = Ostrivans.NumOstrivans"); calling it calls the function.
class FPFunctionValue : public HostObject {
public:
    FPFunctionValue(std::shared_ptr<FPInterfaceValue> owner, std::wstring name);
    std::wstring ClassName() const override { return L"InterfaceFunction"; }
    // "<InterfaceFunction:Ostrivans.NumOstrivans>".
    std::wstring PrintForm() const override;
    bool Call(Interpreter& interp, CallArgs& args, Value& out) override;

private:
    std::shared_ptr<FPInterfaceValue> owner_;
    std::wstring name_;
};

Value MakeInterfaceValue(FPInterface* fpi, Animatable* owner = nullptr);
// The interface a script value holds, or null.
FPInterface* InterfaceFromValue(const Value& v);

// Calls fn of fpi with script arguments: positional arguments convert to their declared types, keyword
// arguments by name (unknown ones are ignored), omitted keywords take their defaults, indices shift
// between 1-based and 0-based. asGlobal: the function is a script global, so a wrong argument count
// raises the language's own "Argument count error: name wanted n, got m". Dispatcher failures become
// script errors with the dispatcher's message.
Value InvokeFromScript(Interpreter& interp, FPInterface& fpi, const FPFunctionDef& fn, CallArgs& args,
                       bool asGlobal = false);

// The mixin interfaces anim answers for the interfaces its class descriptor publishes, in the
// descriptor's order.
std::vector<FPInterface*> MixinInterfacesOf(Animatable* anim);
// A method, property or interface name of one of anim's mixin interfaces, for the values of scene
// objects: each answers false when no mixin publishes the name. An interface's own name gives the
// interface ("obj.OstrivansHelper.Reload()").
bool CallMixinFunction(Interpreter& interp, Animatable* anim, const std::wstring& lowerName, CallArgs& args,
                       Value& out);
bool GetMixinProperty(Interpreter& interp, Animatable* anim, const std::wstring& lowerName, Value& out);
bool SetMixinProperty(Interpreter& interp, Animatable* anim, const std::wstring& lowerName, const Value& value);
