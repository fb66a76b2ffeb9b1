// Evaluates script syntax trees: scopes, the global and built-in registry, contexts and max commands.
#pragma once

#include "host/script/Ast.h"
#include "host/script/ScriptOutput.h"
#include "host/script/Value.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// A local scope: a block, a function call or a loop. Names are stored lower-cased.
class Scope {
public:
    Scope(std::shared_ptr<Scope> parent, bool holdsImplicitLocals)
        : parent(std::move(parent)), holdsImplicitLocals(holdsImplicitLocals) {}

    Value* Find(const std::wstring& lower);

    std::shared_ptr<Scope> parent;
    // Blocks and functions receive the variables first assigned inside them; loops pass them outwards.
    bool holdsImplicitLocals;
    std::unordered_map<std::wstring, Value> vars;
    // By-reference parameters: each holds a reference, and reading or assigning the name goes through it.
    std::vector<std::wstring> references;
    bool IsReference(const std::wstring& lower) const;
};

// Folders and files the host program configures for the script functions that name them.
struct ScriptHostPaths {
    // The host's INI file (getMAXIniFile()).
    std::wstring iniFile;
    // getDir #name: the folder for a lower-cased folder name such as "temp", "plugcfg", "maxroot";
    // empty for an unknown name. When unset, only #temp is known (the system's temporary folder).
    std::function<std::wstring(const std::wstring& lowerName)> directory;
};

// What a context expression ("undo off (...)", "with redraw off (...)") does on entry and exit besides
// keeping its on/off state.
struct ScriptContextHooks {
    std::function<void(Interpreter&, const Value& label, bool on)> enter;
    // completed is false when the body raised an error.
    std::function<void(Interpreter&, const Value& label, bool on, bool completed)> leave;
};

class StructDef;
class MacroScripts;

class Interpreter {
public:
    Interpreter();
    ~Interpreter();
    Interpreter(const Interpreter&) = delete;
    Interpreter& operator=(const Interpreter&) = delete;

    // Parses and runs a script; the value of its last expression (OK for an empty script).
    // Throws ScriptError with the source name, line and column.
    Value Run(std::wstring_view text, const std::wstring& sourceName = L"<script>");
    Value Evaluate(const AstProgram& program);
    // Calls a function, class or callable host object value from C++ (built-ins use it too).
    Value Call(const Value& callee, CallArgs& args);

    // ---- registry ----------------------------------------------------------------------------------------
    void RegisterFunction(const std::wstring& name, NativeFn fn);
    void SetGlobal(const std::wstring& name, const Value& value);
    bool GetGlobal(const std::wstring& name, Value& out);
    bool HasGlobal(const std::wstring& name) const;
    // Every global's name as first declared, sorted without regard to case.
    std::vector<std::wstring> GlobalNames() const;
    // Persistent globals ("persistent global x"), kept with the scene file: names as first declared,
    // keyed lower-cased. Removing one leaves the global as it is, only no longer persistent.
    const std::map<std::wstring, std::wstring>& Persistents() const { return persistents_; }
    void MakePersistent(const std::wstring& name) { persistents_.emplace(LowerCase(name), name); }
    bool RemovePersistent(const std::wstring& name) { return persistents_.erase(LowerCase(name)) > 0; }
    // Drops a global entirely: reading it gives undefined again (a built-in's accessor stays).
    void RemoveGlobal(const std::wstring& name);
    // A global whose value is computed on each read ("selection", "objects"); without a setter it is
    // read-only.
    void RegisterGlobalAccessor(const std::wstring& name, std::function<Value(Interpreter&)> get,
                                std::function<void(Interpreter&, const Value&)> set = {});
    // Registers a class under its name (as a global) and returns it.
    std::shared_ptr<ScriptClass> RegisterClass(std::shared_ptr<ScriptClass> cls);
    std::shared_ptr<ScriptClass> FindClass(const std::wstring& name) const;
    // The class of any value; a host object whose class was never registered gets one made from its
    // class and super class names.
    std::shared_ptr<ScriptClass> ClassOf(const Value& v);
    // "max undo", "max redo", "max file open": the words after "max", lower-cased, joined by one space.
    void RegisterMaxCommand(const std::wstring& words, std::function<void(Interpreter&)> command);
    void RegisterContext(const std::wstring& name, ScriptContextHooks hooks);
    // The innermost on/off state of a context; undo and redraw are on outside any context.
    bool ContextState(const std::wstring& name) const;
    // Resolves "$Box01", "$'a name'", "$Wall*" and "$"; without a resolver they are undefined.
    void SetPathResolver(std::function<Value(Interpreter&, const std::wstring& path, bool quoted)> resolver);
    // "obj.prop.controller", "obj.prop.isAnimated", "obj.prop.keys" and "obj.prop.track" address the
    // animation track behind obj.prop, not its value: the resolver gives that track for obj and prop
    // (false when obj has no animatable of that name, and the value's own property is read instead).
    using TrackResolver = std::function<bool(Interpreter&, const Value& owner, const std::wstring& lowerProp, Value& out)>;
    void SetTrackResolver(TrackResolver resolver) { trackResolver_ = std::move(resolver); }

    // ---- services for built-ins --------------------------------------------------------------------------
    ScriptOutput& Output();
    void SetOutput(ScriptOutput* output); // null: the listener
    ScriptHostPaths& Paths() { return paths_; }
    void SeedRandom(std::uint32_t seed);
    std::uint32_t NextRandom();
    // The text of the error a catch handler is running for (getCurrentException()).
    const std::wstring& CurrentException() const { return currentException_; }
    // Whether a catch handler is running (throw() raises its error again).
    bool InCatch() const { return catchDepth_ > 0; }

    Value GetProperty(const Value& object, const std::wstring& name);
    // The same without the error: false when object has no such property (lowerName lower-cased).
    bool TryGetProperty(const Value& object, const std::wstring& lowerName, Value& out);
    void SetProperty(const Value& object, const std::wstring& name, const Value& value);
    // "v as cls"; undefined when a string does not read as the number asked for.
    Value Convert(const Value& v, const ScriptClass& cls);
    // Orders numbers and strings for "<" and sort; raises an error for other pairs.
    static int Compare(const Value& a, const Value& b, const wchar_t* op = L"<");
    // Arithmetic as the language does it ("+", "-", "*", "/", "^").
    static Value Arithmetic(const std::wstring& op, const Value& a, const Value& b);
    static Value TimeArithmetic(const std::wstring& op, const Value& a, const Value& b);

    // A new instance of a struct: members from the arguments (positional in order, or by name) or their
    // defaults, then the struct's "on create" handler. The caller checked the arguments against the members.
    Value InstantiateStruct(const std::shared_ptr<StructDef>& def, CallArgs& args);
    // Keeps a scope that holds itself through its methods until the interpreter ends, which cuts the cycle.
    void RetainScope(const std::shared_ptr<Scope>& s) { retainedScopes_.push_back(s); }

    // Assigns through a by-reference argument ("&x" given to a built-in); false when ref is not one.
    static bool AssignThrough(const Value& ref, const Value& value);

    // Core classes.
    const std::shared_ptr<ScriptClass>& IntegerClass() const { return integerClass_; }
    const std::shared_ptr<ScriptClass>& FloatClass() const { return floatClass_; }
    const std::shared_ptr<ScriptClass>& StringClass() const { return stringClass_; }

private:
    struct GlobalEntry {
        std::wstring name;
        Value value;
        std::function<Value(Interpreter&)> get;
        std::function<void(Interpreter&, const Value&)> set;
    };
    using ScopePtr = std::shared_ptr<Scope>;

    Value Eval(const AstNode& n, const ScopePtr& scope);
    Value EvalSequence(const std::vector<AstPtr>& items, const ScopePtr& scope);
    Value EvalCall(const AstNode& n, const ScopePtr& scope);
    Value CallAt(const AstNode& at, const Value& callee, CallArgs& args);
    Value Invoke(const ScriptFunction& fn, CallArgs& args);
    Value InvokeOnce(const ScriptFunction& fn, CallArgs& args);
    Value EvalMacroScript(const AstNode& n, const ScopePtr& scope);
    Value EvalAssign(const AstNode& n, const ScopePtr& scope);
    void AssignTo(const AstNode& target, const Value& value, const ScopePtr& scope);
    Value EvalFor(const AstNode& n, const ScopePtr& scope);
    Value EvalContext(const AstNode& n, const ScopePtr& scope);
    Value EvalSetContext(const AstNode& n, const ScopePtr& scope);
    // Leaves the context a "set" entered, if one did.
    void UnsetContext(std::wstring lowerName); // a copy: the name may be the key it erases
    Value EvalCase(const AstNode& n, const ScopePtr& scope);
    Value EvalDefinition(const AstNode& n, const ScopePtr& scope);
    Value EvalBinary(const AstNode& n, const ScopePtr& scope);
    bool Test(const AstNode& n, const ScopePtr& scope, const wchar_t* what);
    Value LookUp(const AstNode& n, const ScopePtr& scope);
    void SetVariable(const std::wstring& name, const std::wstring& lower, const Value& value,
                     const ScopePtr& scope);
    void Declare(const std::wstring& name, const std::wstring& lower, const Value& value,
                 const ScopePtr& scope);
    Value GetIndex(const Value& object, const Value& index);
    void SetIndex(const Value& object, const Value& index, const Value& value);
    std::vector<Value> Items(const Value& collection);
    void RegisterCoreClasses();
    void ReleaseScope(const ScopePtr& s);
    struct ScopeRelease {
        Interpreter& in;
        ScopePtr scope;
        ~ScopeRelease() { in.ReleaseScope(scope); }
    };

    static std::wstring LowerCase(const std::wstring& name);
    std::unordered_map<std::wstring, GlobalEntry> globals_;
    std::map<std::wstring, std::wstring> persistents_;
    std::shared_ptr<MacroScripts> macros_;
    std::unordered_map<std::wstring, std::shared_ptr<ScriptClass>> classes_;
    std::unordered_map<std::wstring, std::function<void(Interpreter&)>> maxCommands_;
    std::unordered_map<std::wstring, ScriptContextHooks> contextHooks_;
    std::unordered_map<std::wstring, std::vector<bool>> contextStates_;
    // The contexts "set" entered and the state each was entered with (kept at the bottom of its states).
    std::unordered_map<std::wstring, std::pair<Value, bool>> setContexts_;
    std::function<Value(Interpreter&, const std::wstring&, bool)> pathResolver_;
    TrackResolver trackResolver_;
    // The owner's track for "owner.prop.<trackProperty>", or the value of owner.prop when it has none.
    Value TrackOrProperty(const AstNode& holder, const Value& owner, const ScopePtr& scope);
    // Whether "holder.x" is read from holder's owner, so that the track behind holder can answer for x.
    bool ReadsThroughOwner(const AstNode& holder) const;
    ScriptOutput* output_ = nullptr;
    ScriptHostPaths paths_;
    std::uint64_t random_ = 0;
    std::wstring currentException_;
    int catchDepth_ = 0;
    int callDepth_ = 0;
    const char* stackBase_ = nullptr;
    std::vector<ScopePtr> retainedScopes_;
    int loopDepth_ = 0;
    std::shared_ptr<ScriptClass> valueClass_, numberClass_, integerClass_, floatClass_, stringClass_,
        nameClass_, booleanClass_, undefinedClass_, unsuppliedClass_, okClass_, arrayClass_, bitArrayClass_,
        point3Class_, point2Class_, colorClass_, functionClass_, primitiveClass_, classClass_;
};

// ---- argument helpers for built-ins (errors in the language's words)
// ---------------------------------------- "Argument count error: name wanted 2, got 1".
void CheckArgCount(const wchar_t* function, const CallArgs& args, size_t wanted);
void CheckArgCount(const wchar_t* function, const CallArgs& args, size_t least, size_t most);
// "Unable to convert: "abc" to type: Integer".
[[noreturn]] void ThrowConvertError(const Value& v, const wchar_t* type);
std::int64_t ArgInt(const Value& v);
double ArgFloat(const Value& v);
bool ArgBool(const Value& v);
const std::wstring& ArgString(const Value& v);
std::vector<Value>& ArgArray(const Value& v);
