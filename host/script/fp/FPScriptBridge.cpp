// Core interfaces and global functions as script globals; the runtime's FPValue bridge.
#include "host/script/fp/FPScriptBridge.h"

#include "host/script/Interpreter.h"
#include "host/script/ScriptRuntime.h"
#include "host/script/ScriptError.h"
#include "host/script/fp/FPInterfaceValue.h"
#include "host/script/fp/FPValueConvert.h"

#include <memory>
#include <vector>

namespace {

// The function value of one global function; it finds its interface again at each call.
Value GlobalFunctionValue(Interface_ID id, const std::wstring& name) {
    auto fn = std::make_shared<ScriptFunction>();
    fn->name = name;
    fn->native = [id, name](Interpreter& interp, CallArgs& args) -> Value {
        FPInterface* fpi = GetCOREInterface(id);
        FPInterfaceDesc* desc = fpi ? fpi->GetDesc() : nullptr;
        const FPFunctionDef* def = desc ? desc->GetFnDef(name.c_str()) : nullptr;
        if (!def) throw ScriptError(L"Runtime error: the function " + name + L" is no longer available");
        return InvokeFromScript(interp, *fpi, *def, args, true);
    };
    return Value::Function(fn);
}

void PublishGlobalFunctions(Interpreter& interp, FPInterfaceDesc& desc) {
    Interface_ID id = desc.ID;
    for (int i = 0; i < desc.NumFunctions(); ++i) {
        std::wstring name = desc.GetFunction(i)->internal_name.str();
        if (interp.HasGlobal(name)) continue;
        Value fn = GlobalFunctionValue(id, name);
        interp.RegisterGlobalAccessor(name, [id, name, fn](Interpreter&) -> Value {
            FPInterface* fpi = GetCOREInterface(id);
            FPInterfaceDesc* d = fpi ? fpi->GetDesc() : nullptr;
            bool published = d && (d->flags & FP_GLOBAL_FUNCTIONS) && d->GetFnDef(name.c_str());
            return published ? fn : Value();
        });
    }
}

} // namespace

void PublishCoreInterfaces(Interpreter& interp) {
    for (int i = 0; i < NumCOREInterfaces(); ++i) {
        FPInterface* fpi = GetCOREInterfaceAt(i);
        FPInterfaceDesc* desc = fpi->GetDesc();
        if (!desc) continue;
        if (desc->flags & FP_GLOBAL_FUNCTIONS) PublishGlobalFunctions(interp, *desc);
        std::wstring name = desc->internal_name.str();
        if (name.empty() || interp.HasGlobal(name)) continue;
        interp.RegisterGlobalAccessor(name, [name](Interpreter&) {
            return MakeInterfaceValue(GetCOREInterfaceByName(name.c_str()));
        });
    }
}

void RegisterInterfaceBuiltins(Interpreter& interp) {
    auto object = [](const Value& v) {
        Animatable* anim = UnwrapAnimatable(v);
        if (!anim) ThrowConvertError(v, L"MAXWrapper");
        return anim;
    };
    interp.RegisterFunction(L"getInterface", [object](Interpreter&, CallArgs& a) {
        CheckArgCount(L"getInterface", a, 2);
        Animatable* anim = object(a[0]);
        WStr name(a[1].Is(Value::Type::Name) ? a[1].NameText() : ArgString(a[1]));
        for (FPInterface* fpi : MixinInterfacesOf(anim))
            if (fpi->GetDesc()->internal_name.EqualsNoCase(name)) return MakeInterfaceValue(fpi, anim);
        return Value();
    });
    interp.RegisterFunction(L"getInterfaces", [object](Interpreter&, CallArgs& a) {
        CheckArgCount(L"getInterfaces", a, 1);
        Animatable* anim = object(a[0]);
        std::vector<Value> items;
        for (FPInterface* fpi : MixinInterfacesOf(anim)) items.push_back(MakeInterfaceValue(fpi, anim));
        return Value::Array(std::move(items));
    });
}

void InstallFunctionPublishing(ScriptRuntime& runtime) {
    RegisterInterfaceBuiltins(runtime.Interp());
    PublishCoreInterfaces(runtime.Interp());
    runtime.SetFPValueBridge(
        [](Interpreter& interp, const Value& v, FPValue& out) { out = ScriptToFPValue(interp, v); });
}
