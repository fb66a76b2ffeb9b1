// Struct definitions of the script language and their instances.
#pragma once

#include "host/script/Ast.h"
#include "host/script/Value.h"

#include <memory>
#include <string>

class Scope;

// "struct Point2D (x = 0, y = 0, fn length = sqrt (x*x + y*y))": a class whose constructor takes the
// members positionally in order or by name ("Point2D 3 4", "Point2D y:4"); a member not given takes its
// default, evaluated for each new instance.
class StructDef : public ScriptClass, public std::enable_shared_from_this<StructDef> {
public:
    StructDef(const std::shared_ptr<ScriptClass>& valueClass, AstPtr syntax, std::shared_ptr<Scope> closure);

    const AstNode& Syntax() const { return *syntax_; }
    const std::shared_ptr<Scope>& Closure() const { return closure_; }
    bool CanConstruct() const override { return true; }
    Value Construct(Interpreter& interp, CallArgs& args) override;

private:
    AstPtr syntax_;
    std::shared_ptr<Scope> closure_;
};

// An instance: its members live in a scope of their own, which its methods see as their variables, so a
// method reads and assigns members by plain name. Prints as "(Point2D x:3 y:4)".
class StructInstance : public HostObject {
public:
    StructInstance(std::shared_ptr<StructDef> def, std::shared_ptr<Scope> members)
        : def_(std::move(def)), members_(std::move(members)) {}

    const std::shared_ptr<StructDef>& Def() const { return def_; }
    std::wstring ClassName() const override { return def_->Name(); }
    std::wstring PrintForm() const override;
    bool GetProperty(Interpreter& interp, const std::wstring& lowerName, Value& out) override;
    bool SetProperty(Interpreter& interp, const std::wstring& lowerName, const Value& value) override;
    bool CallMethod(Interpreter& interp, const std::wstring& lowerName, CallArgs& args, Value& out) override;
    // copy: a new instance with the same member values, whose methods work on its own members.
    Value Copy(Interpreter& interp) const;

private:
    // Private members and methods are reached only from the struct's own methods.
    void CheckVisible(const std::wstring& lowerName) const;

    std::shared_ptr<StructDef> def_;
    std::shared_ptr<Scope> members_;
};
