// Interface values, published calls from script and the lookup of an object's mixin interfaces.
#include "host/script/fp/FPInterfaceValue.h"

#include "host/core/ClassDesc.h"
#include "host/core/ClassDirectory.h"
#include "host/core/MaxException.h"
#include "host/script/Interpreter.h"
#include "host/script/Lexer.h"
#include "host/script/ScriptError.h"
#include "host/script/fp/FPValueConvert.h"

namespace {

std::wstring DescName(FPInterface* fpi) {
    FPInterfaceDesc* d = fpi ? fpi->GetDesc() : nullptr;
    return d ? d->internal_name.str() : std::wstring();
}

// The value a published call hands back, failures as the language's runtime errors.
Value Finish(Interpreter& interp, FPInterface& fpi, const std::wstring& member, FPStatus status,
             const FPValue& result) {
    if (status == FPS_OK) return FPValueToScript(interp, result);
    std::wstring what = DescName(&fpi) + L"." + member;
    if (status == FPS_NO_SUCH_FUNCTION)
        throw ScriptError(L"Runtime error: " + what + L" is published but its interface does not serve it");
    if (status == FPS_ACTION_DISABLED) throw ScriptError(L"Runtime error: " + what + L" is disabled");
    throw ScriptError(L"Runtime error: " + what + L" failed");
}

// Runs a call into published code: host exceptions carry their own text, which becomes the script error.
template <class F> auto Guarded(F&& f) -> decltype(f()) {
    try {
        return f();
    } catch (const ScriptError&) {
        throw;
    } catch (const MAXException& e) {
        throw ScriptError(e.Message().str());
    }
}

} // namespace

// ---- FPInterfaceValue

FPInterfaceValue::FPInterfaceValue(FPInterface* fpi, Animatable* owner) : fpi_(fpi), name_(DescName(fpi)) {
    FPInterfaceDesc* desc = fpi ? fpi->GetDesc() : nullptr;
    id_ = desc ? desc->ID : Interface_ID();
    if (owner) {
        kind_ = Kind::Mixin;
        owner_ = Animatable::GetHandleByAnim(owner);
    } else if (fpi && GetCOREInterface(id_) == fpi) {
        kind_ = Kind::Core;
    } else {
        kind_ = Kind::Plain;
    }
}

FPInterface* FPInterfaceValue::Get() const {
    switch (kind_) {
    case Kind::Core: return GetCOREInterface(id_) == fpi_ ? fpi_ : nullptr;
    case Kind::Mixin: return Animatable::GetAnimByHandle(owner_) ? fpi_ : nullptr;
    case Kind::Plain: return fpi_;
    }
    return nullptr;
}

FPInterface& FPInterfaceValue::Require() const {
    FPInterface* fpi = Get();
    if (!fpi) throw ScriptError(L"Runtime error: the interface " + name_ + L" is no longer available");
    return *fpi;
}

std::wstring FPInterfaceValue::ClassName() const {
    return kind_ == Kind::Mixin ? L"MixinInterface" : L"Interface";
}

std::wstring FPInterfaceValue::PrintForm() const { return L"<" + ClassName() + L":" + name_ + L">"; }

bool FPInterfaceValue::GetProperty(Interpreter& interp, const std::wstring& lowerName, Value& out) {
    FPInterface& fpi = Require();
    FPInterfaceDesc* desc = fpi.GetDesc();
    if (!desc) return false;
    if (const FPPropDef* prop = desc->GetPropDef(lowerName.c_str())) {
        FPValue result;
        FPStatus status = Guarded([&] { return fpi.GetPropertyFromScript(lowerName.c_str(), result, FPInterface::CurrentTime()); });
        out = Finish(interp, fpi, prop->internal_name.str(), status, result);
        return true;
    }
    if (const FPFunctionDef* fn = desc->GetFnDef(lowerName.c_str())) {
        out = Value::Object(std::make_shared<FPFunctionValue>(std::make_shared<FPInterfaceValue>(*this),
                                                              fn->internal_name.str()));
        return true;
    }
    return false;
}

bool FPInterfaceValue::SetProperty(Interpreter& interp, const std::wstring& lowerName, const Value& value) {
    FPInterface& fpi = Require();
    FPInterfaceDesc* desc = fpi.GetDesc();
    const FPPropDef* prop = desc ? desc->GetPropDef(lowerName.c_str()) : nullptr;
    if (!prop) return false;
    if (prop->IsReadOnly())
        throw ScriptError(L"Runtime error: cannot set the read-only property " + prop->internal_name.str() +
                          L" of " + PrintForm());
    FPValue given = ScriptToFPValue(interp, value, prop->prop_type);
    FPStatus status = Guarded([&] { return fpi.SetPropertyFromScript(lowerName.c_str(), given, FPInterface::CurrentTime()); });
    Finish(interp, fpi, prop->internal_name.str(), status, FPValue());
    return true;
}

bool FPInterfaceValue::CallMethod(Interpreter& interp, const std::wstring& lowerName, CallArgs& args, Value& out) {
    FPInterface& fpi = Require();
    FPInterfaceDesc* desc = fpi.GetDesc();
    const FPFunctionDef* fn = desc ? desc->GetFnDef(lowerName.c_str()) : nullptr;
    if (!fn) return false;
    out = InvokeFromScript(interp, fpi, *fn, args);
    return true;
}

bool FPInterfaceValue::Equals(const HostObject& other) const {
    auto* o = dynamic_cast<const FPInterfaceValue*>(&other);
    return o && o->fpi_ == fpi_ && o->owner_ == owner_;
}

// ---- FPFunctionValue

FPFunctionValue::FPFunctionValue(std::shared_ptr<FPInterfaceValue> owner, std::wstring name)
    : owner_(std::move(owner)), name_(std::move(name)) {}

std::wstring FPFunctionValue::PrintForm() const { return L"<InterfaceFunction:" + owner_->Name() + L"." + name_ + L">"; }

bool FPFunctionValue::Call(Interpreter& interp, CallArgs& args, Value& out) {
    return owner_->CallMethod(interp, LowerName(name_), args, out);
}

// ---- free functions

Value MakeInterfaceValue(FPInterface* fpi, Animatable* owner) {
    if (!fpi) return Value();
    return Value::Object(std::make_shared<FPInterfaceValue>(fpi, owner));
}

FPInterface* InterfaceFromValue(const Value& v) {
    auto* iv = v.ObjAs<FPInterfaceValue>();
    return iv ? iv->Get() : nullptr;
}

Value InvokeFromScript(Interpreter& interp, FPInterface& fpi, const FPFunctionDef& fn, CallArgs& args,
                       bool asGlobal) {
    int positional = fn.NumPositional();
    if (asGlobal) CheckArgCount(fn.internal_name.c_str(), args, static_cast<size_t>(positional));
    FPScriptArgs given;
    for (size_t i = 0; i < args.positional.size(); ++i) {
        // Extra arguments are converted as they are; the boundary then reports the count.
        const Value& v = args.positional[i];
        given.positional.push_back(static_cast<int>(i) < positional
                                       ? ScriptToFPValue(interp, v, fn.params[static_cast<int>(i)].type)
                                       : ScriptToFPValue(interp, v));
    }
    for (const auto& [key, v] : args.keywords) {
        const FPParamDef* param = fn.FindParam(key.c_str());
        if (!param || !param->IsKeyArg()) continue;
        given.keywords.emplace_back(param->internal_name, ScriptToFPValue(interp, v, param->type));
    }
    FPValue result;
    FPStatus status = Guarded(
        [&] { return fpi.InvokeFromScript(fn.internal_name.c_str(), given, result, FPInterface::CurrentTime()); });
    return Finish(interp, fpi, fn.internal_name.str(), status, result);
}

std::vector<FPInterface*> MixinInterfacesOf(Animatable* anim) {
    std::vector<FPInterface*> out;
    if (!anim) return out;
    ClassDesc* cd = GetClassDirectory().FindClass(anim->SuperClassID(), anim->ClassID());
    if (!cd) return out;
    for (int i = 0; i < cd->NumInterfaces(); ++i) {
        FPInterfaceDesc* desc = cd->GetInterfaceAt(i)->GetDesc();
        if (!desc || !(desc->flags & FP_MIXIN)) continue;
        if (auto* fpi = dynamic_cast<FPInterface*>(anim->GetInterface(desc->ID))) out.push_back(fpi);
    }
    return out;
}

bool CallMixinFunction(Interpreter& interp, Animatable* anim, const std::wstring& lowerName, CallArgs& args,
                       Value& out) {
    for (FPInterface* fpi : MixinInterfacesOf(anim)) {
        const FPFunctionDef* fn = fpi->GetDesc()->GetFnDef(lowerName.c_str());
        if (!fn) continue;
        out = InvokeFromScript(interp, *fpi, *fn, args);
        return true;
    }
    return false;
}

bool GetMixinProperty(Interpreter& interp, Animatable* anim, const std::wstring& lowerName, Value& out) {
    for (FPInterface* fpi : MixinInterfacesOf(anim)) {
        FPInterfaceDesc* desc = fpi->GetDesc();
        if (desc->internal_name.EqualsNoCase(lowerName.c_str())) {
            out = MakeInterfaceValue(fpi, anim);
            return true;
        }
        if (desc->GetPropDef(lowerName.c_str()) || desc->GetFnDef(lowerName.c_str())) {
            FPInterfaceValue value(fpi, anim);
            return value.GetProperty(interp, lowerName, out);
        }
    }
    return false;
}

bool SetMixinProperty(Interpreter& interp, Animatable* anim, const std::wstring& lowerName, const Value& value) {
    for (FPInterface* fpi : MixinInterfacesOf(anim)) {
        if (!fpi->GetDesc()->GetPropDef(lowerName.c_str())) continue;
        FPInterfaceValue iv(fpi, anim);
        return iv.SetProperty(interp, lowerName, value);
    }
    return false;
}
