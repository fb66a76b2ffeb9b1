// Struct definitions and instances: construction, members as properties, methods.
#include "host/script/ScriptStruct.h"

#include "host/script/Interpreter.h"
#include "host/script/Lexer.h"
#include "host/script/ScriptError.h"

StructDef::StructDef(const std::shared_ptr<ScriptClass>& valueClass, AstPtr syntax, std::shared_ptr<Scope> closure)
    : ScriptClass(syntax->name, valueClass), syntax_(std::move(syntax)), closure_(std::move(closure)) {}

Value StructDef::Construct(Interpreter& interp, CallArgs& args) {
    const auto& members = syntax_->keys;
    if (args.Count() > members.size())
        throw ScriptError(L"Argument count error: " + Name() + L" wanted at most " + std::to_wstring(members.size()) +
                          L", got " + std::to_wstring(args.Count()));
    for (const auto& [key, value] : args.keywords) {
        bool known = false;
        for (const auto& m : members)
            known = known || LowerName(m.first) == key;
        if (!known) throw ScriptError(L"Unknown property: \"" + key + L"\" in struct " + Name());
    }
    return interp.InstantiateStruct(shared_from_this(), args);
}

std::wstring StructInstance::PrintForm() const {
    std::wstring s = L"(" + def_->Name();
    for (const auto& [name, ignored] : def_->Syntax().keys) {
        Value* v = members_->Find(LowerName(name));
        s += L" " + name + L":" + (v ? v->PrintForm() : L"undefined");
    }
    return s + L")";
}

void StructInstance::CheckVisible(const std::wstring& lowerName) const {
    for (const std::wstring& hidden : def_->Syntax().params)
        if (hidden == lowerName)
            throw ScriptError(L"Runtime error: cannot access the private member " + lowerName + L" of " + def_->Name());
}

Value StructInstance::Copy(Interpreter& interp) const {
    auto members = std::make_shared<Scope>(members_->parent, members_->holdsImplicitLocals);
    bool hasMethods = false;
    for (const auto& [name, v] : members_->vars) {
        if (v.Is(Value::Type::Function) && v.Fn()->closure == members_) {
            auto method = std::make_shared<ScriptFunction>(*v.Fn());
            method->closure = members;
            members->vars[name] = Value::Function(method);
            hasMethods = true;
        } else {
            members->vars[name] = v;
        }
    }
    // The copy's methods and members hold each other, as the original's do.
    if (hasMethods) interp.RetainScope(members);
    return Value::Object(std::make_shared<StructInstance>(def_, members));
}

bool StructInstance::GetProperty(Interpreter&, const std::wstring& lowerName, Value& out) {
    Value* v = members_->Find(lowerName);
    if (!v) return false;
    CheckVisible(lowerName);
    out = *v;
    return true;
}

bool StructInstance::SetProperty(Interpreter&, const std::wstring& lowerName, const Value& value) {
    Value* v = members_->Find(lowerName);
    if (!v) return false;
    CheckVisible(lowerName);
    if (v->Is(Value::Type::Function) && v->Fn()->closure == members_)
        throw ScriptError(L"Runtime error: cannot assign to the method " + lowerName + L" of " + def_->Name());
    *v = value;
    return true;
}

bool StructInstance::CallMethod(Interpreter& interp, const std::wstring& lowerName, CallArgs& args, Value& out) {
    Value* v = members_->Find(lowerName);
    if (!v) return false;
    CheckVisible(lowerName);
    Value callee = *v; // the call may replace the member
    out = interp.Call(callee, args);
    return true;
}
