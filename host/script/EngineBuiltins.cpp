// The script engine's own state seen from script: gc, heapSize and heapFree (the process heap, which holds
// every script value), and the globalVars struct over the global variables.
#include "host/script/CoreBuiltins.h"
#include "host/script/Interpreter.h"
#include "host/script/Lexer.h"
#include "host/script/ScriptError.h"

#include <malloc.h>

#include <memory>
#include <string>

namespace {

// A global's name given as #name or "name".
std::wstring GlobalName(const wchar_t* fn, const Value& v) {
    if (v.Is(Value::Type::Name)) return v.NameText();
    if (v.Is(Value::Type::String)) return v.Str();
    throw ScriptError(L"Runtime error: globalVars." + std::wstring(fn) + L" needs a name, got: " + v.PrintForm());
}

// globalVars.isGlobal, get, set, remove and gather.
class GlobalVars : public HostObject {
public:
    std::wstring ClassName() const override { return L"StructDef"; }
    std::wstring PrintForm() const override { return L"#Struct:globalVars"; }
    bool CallMethod(Interpreter& in, const std::wstring& name, CallArgs& a, Value& out) override {
        if (name == L"isglobal") {
            CheckArgCount(L"isGlobal", a, 1);
            out = Value::Bool(in.HasGlobal(GlobalName(L"isGlobal", a[0])));
        } else if (name == L"get") {
            CheckArgCount(L"get", a, 1);
            const std::wstring global = GlobalName(L"get", a[0]);
            if (!in.GetGlobal(global, out))
                throw ScriptError(L"Runtime error: globalVars.get: no global variable named " + global);
        } else if (name == L"set") {
            CheckArgCount(L"set", a, 2);
            in.SetGlobal(GlobalName(L"set", a[0]), a[1]);
            out = a[1];
        } else if (name == L"remove") {
            CheckArgCount(L"remove", a, 1);
            const std::wstring global = GlobalName(L"remove", a[0]);
            const bool had = in.HasGlobal(global);
            in.RemoveGlobal(global);
            out = Value::Bool(had && !in.HasGlobal(global));
        } else if (name == L"gather") {
            // gather [filter:fn]: the names of the globals (those the filter answers true for).
            CheckArgCount(L"gather", a, 0);
            const Value* filter = a.Keyword(L"filter");
            std::vector<Value> names;
            for (const std::wstring& n : in.GlobalNames()) {
                Value item = Value::Name(n);
                if (filter && !filter->IsUnsupplied()) {
                    CallArgs args;
                    args.positional.push_back(item);
                    if (!ArgBool(in.Call(*filter, args))) continue;
                }
                names.push_back(item);
            }
            out = Value::Array(std::move(names));
        } else {
            return false;
        }
        return true;
    }
};

std::int64_t HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return static_cast<std::int64_t>(info.uordblks + info.hblkhd);
}

std::int64_t HeapFree() {
    return static_cast<std::int64_t>(mallinfo2().fordblks);
}

} // namespace

void RegisterEngineBuiltins(Interpreter& in) {
    // gc [light:bool]: values are freed as soon as nothing holds them, so collecting returns the heap's
    // free memory to the system; the answer is the memory still free in the heap, as the host's is.
    in.RegisterFunction(L"gc", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"gc", a, 0);
        if (!ArgBool(a.KeywordOr(L"light", Value::Bool(false)))) malloc_trim(0);
        return Value::Int(HeapFree());
    });
    // Scripts that raise heapSize before heavy work keep running: the heap grows on demand, so a size asked
    // for is checked and accepted, and reading gives what the heap really holds.
    in.RegisterGlobalAccessor(
        L"heapSize", [](Interpreter&) { return Value::Int(HeapInUse() + HeapFree()); },
        [](Interpreter&, const Value& v) {
            if (ArgInt(v) <= 0) throw ScriptError(L"Runtime error: heapSize must be a positive size, got: " + v.PrintForm());
        });
    in.RegisterGlobalAccessor(L"heapFree", [](Interpreter&) { return Value::Int(HeapFree()); });
    in.SetGlobal(L"globalVars", Value::Object(std::make_shared<GlobalVars>()));
}
