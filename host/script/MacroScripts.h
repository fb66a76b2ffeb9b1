// The macroScripts scripts define, kept by category and name, and the "macros" interface that runs them.
#pragma once

#include "host/script/Value.h"

#include <functional>
#include <string>
#include <vector>

// "macroScript Name category:"Tools" (...)" defines one; "macros.run "Tools" "Name"" or "macros.run <id>"
// runs it the way a toolbar button or menu item would. Redefining a category and name replaces the body
// and keeps the id, so buttons made for it stay valid.
class MacroScripts : public HostObject {
public:
    struct Macro {
        int id = 0;
        std::wstring category;
        std::wstring name;
        std::wstring buttonText;
        std::wstring toolTip;
        std::function<Value()> run;
    };

    // The macro's id: a new one, or the one it replaces.
    int Define(Macro macro);
    const Macro* Find(const std::wstring& category, const std::wstring& name) const;

    std::wstring ClassName() const override { return L"Interface"; }
    std::wstring PrintForm() const override { return L"<Interface:macros>"; }
    bool CallMethod(Interpreter& interp, const std::wstring& lowerName, CallArgs& args, Value& out) override;

private:
    std::vector<Macro> macros_; // in id order: id n is macros_[n - 1]
};
