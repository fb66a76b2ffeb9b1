// Attribute definitions and rollouts as script values.
#include "host/script/ScriptDefinition.h"

#include "host/script/Interpreter.h"
#include "host/script/Lexer.h"
#include "host/script/CoreBuiltins.h"
#include "host/script/ScriptError.h"

const Value* ScriptDefinition::Find(const Keys& keys, const std::wstring& name) {
    std::wstring lower = LowerName(name);
    for (const auto& [k, v] : keys)
        if (LowerName(k) == lower) return &v;
    return nullptr;
}

std::wstring ScriptDefinition::ClassName() const {
    return kind == Kind::Attributes ? L"AttributeDef" : L"RolloutClass";
}

std::wstring ScriptDefinition::PrintForm() const {
    return kind == Kind::Attributes ? L"<AttributeDef:" + name + L">" : L"Rollout:" + name;
}

bool ScriptDefinition::GetProperty(Interpreter&, const std::wstring& lowerName, Value& out) {
    if (lowerName == L"name") {
        out = Value::String(name);
        return true;
    }
    if (kind == Kind::Rollout && lowerName == L"open") {
        out = Value::Bool(open);
        return true;
    }
    if (kind == Kind::Rollout && lowerName == L"title" && !rollouts.empty()) {
        out = Value::String(rollouts.front().title);
        return true;
    }
    if (kind == Kind::Rollout && lowerName == L"controls") {
        std::vector<Value> all;
        for (const auto& c : contents.controls) all.push_back(Value::Object(c));
        out = Value::Array(std::move(all));
        return true;
    }
    for (const auto& c : contents.controls)
        if (LowerName(c->Name()) == lowerName) {
            out = Value::Object(c);
            return true;
        }
    for (const auto& [name, value] : contents.locals)
        if (name == lowerName) {
            out = value;
            return true;
        }
    return false;
}

bool ScriptDefinition::SetProperty(Interpreter&, const std::wstring& lowerName, const Value& value) {
    if (kind == Kind::Rollout && lowerName == L"open") {
        open = ArgBool(value);
        return true;
    }
    for (auto& [name, v] : contents.locals)
        if (name == lowerName) {
            v = value;
            return true;
        }
    return false;
}

namespace {
ScriptDefinition& RolloutArg(const CallArgs& a) {
    auto* r = a.Count() >= 1 ? a[0].ObjAs<ScriptDefinition>() : nullptr;
    if (!r || r->kind != ScriptDefinition::Kind::Rollout)
        throw ScriptError(L"Unable to convert: " + (a.Count() >= 1 ? a[0].PrintForm() : std::wstring(L"undefined")) +
                          L" to type: RolloutClass");
    return *r;
}

ScriptDefinition& UtilityArg(const wchar_t* function, const CallArgs& a) {
    CheckArgCount(function, a, 1);
    auto* u = a[0].ObjAs<ScriptDefinition>();
    if (!u || !u->utility) ThrowConvertError(a[0], L"Utility");
    return *u;
}
} // namespace

void RegisterDialogBuiltins(Interpreter& in) {
    // A utility shown in the utility panel is one whose .open is true; the stand-in has no panel to draw.
    in.RegisterFunction(L"openUtility", [](Interpreter&, CallArgs& a) {
        UtilityArg(L"openUtility", a).open = true;
        return Value::Bool(true);
    });
    in.RegisterFunction(L"closeUtility", [](Interpreter&, CallArgs& a) {
        UtilityArg(L"closeUtility", a).open = false;
        return Value::Ok();
    });
    // The stand-in draws no dialogs: a rollout shown as a dialog is one whose .open is true.
    in.RegisterFunction(L"CreateDialog", [](Interpreter&, CallArgs& a) {
        RolloutArg(a).open = true;
        return Value::Bool(true);
    });
    in.RegisterFunction(L"DestroyDialog", [](Interpreter&, CallArgs& a) {
        RolloutArg(a).open = false;
        return Value::Ok();
    });
}
