// Defining and running macroScripts.
#include "host/script/MacroScripts.h"

#include "host/script/Interpreter.h"
#include "host/script/Lexer.h"
#include "host/script/ScriptError.h"

int MacroScripts::Define(Macro macro) {
    for (Macro& m : macros_) {
        if (LowerName(m.category) == LowerName(macro.category) && LowerName(m.name) == LowerName(macro.name)) {
            macro.id = m.id;
            m = std::move(macro);
            return m.id;
        }
    }
    macro.id = static_cast<int>(macros_.size()) + 1;
    macros_.push_back(std::move(macro));
    return macros_.back().id;
}

const MacroScripts::Macro* MacroScripts::Find(const std::wstring& category, const std::wstring& name) const {
    for (const Macro& m : macros_)
        if (LowerName(m.category) == LowerName(category) && LowerName(m.name) == LowerName(name)) return &m;
    return nullptr;
}

bool MacroScripts::CallMethod(Interpreter&, const std::wstring& lowerName, CallArgs& a, Value& out) {
    if (lowerName != L"run") return false;
    CheckArgCount(L"macros.run", a, 1, 2);
    const Macro* macro = nullptr;
    if (a.Count() == 2) {
        const std::wstring& category = ArgString(a[0]);
        const std::wstring& name = ArgString(a[1]);
        macro = Find(category, name);
        if (!macro)
            throw ScriptError(L"Runtime error: macros.run: no macroScript \"" + name + L"\" in category \"" +
                              category + L"\"");
    } else {
        const std::int64_t id = ArgInt(a[0]);
        if (id < 1 || id > static_cast<std::int64_t>(macros_.size()))
            throw ScriptError(L"Runtime error: macros.run: no macroScript with id " + std::to_wstring(id));
        macro = &macros_[static_cast<size_t>(id - 1)];
    }
    // The body may redefine macros while it runs, so it runs from a copy of the entry's function.
    std::function<Value()> run = macro->run;
    run();
    out = Value::Bool(true);
    return true;
}
