// The evaluator: walks the syntax tree once per evaluation; loops, calls and scopes cost what they do.
#include "host/script/Interpreter.h"

#include "host/scene/Interface.h"
#include "host/script/CoreBuiltins.h"
#include "host/script/Lexer.h"
#include "host/script/Parser.h"
#include "host/script/MacroScripts.h"
#include "host/script/ScriptDefinition.h"
#include "host/script/ScriptError.h"
#include "host/script/ScriptStruct.h"
#include "host/script/StringStream.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cwchar>
#include <cwctype>
#include <limits>
#include <optional>

#include <sys/resource.h>

namespace {

// "x.prop.controller" and its kin name the track behind x.prop; in "x.prop.controller.keys" the keys are
// the controller's own property.
bool IsTrackProperty(const AstNode& n, const AstNode& holder) {
    auto track = [](const std::wstring& s) {
        return s == L"controller" || s == L"isanimated" || s == L"keys" || s == L"track";
    };
    return track(n.lower) && holder.kind == AstKind::Property && !track(holder.lower);
}

// Control transfers; they are not errors, so "try ... catch" lets them through.
struct ReturnSignal {
    Value value;
};
struct ExitSignal {
    Value value;
};
struct ContinueSignal {};

constexpr int kMaxCallDepth = 1000;

// How much of the thread's stack script calls may use: half of the limit, so that an instrumented build
// with larger frames stops with a script error before the stack runs out.
std::size_t StackBudget() {
    rlimit limit{};
    std::size_t size = 8u << 20;
    if (getrlimit(RLIMIT_STACK, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        size = static_cast<std::size_t>(limit.rlim_cur);
    return size / 2;
}

std::wstring Quoted(const std::wstring& s) {
    return L"\"" + s + L"\"";
}

ScriptError ErrorAt(const AstNode& n, const std::wstring& detail) {
    return ScriptError(detail, n.source ? *n.source : std::wstring(), n.line, n.column);
}

// The construct an error at n arose in, for its message: "call to abs", "operator +"; empty when the
// detail already names it (or n is no call or operator).
std::wstring ConstructOf(const AstNode& n, const std::wstring& detail) {
    std::wstring construct, name;
    switch (n.kind) {
    case AstKind::Call: {
        const AstNode& callee = *n.kids[0];
        if (callee.kind == AstKind::Var || callee.kind == AstKind::Property) name = callee.name;
        else if (callee.kind == AstKind::Path) name = L"$" + callee.name;
        // A script's own "throw" says what it means.
        if (!name.empty() && LowerName(name) != L"throw") construct = L"call to " + name;
        break;
    }
    case AstKind::Property:
        // A method call's callee: "b.nope()" errs at the property, which the detail names.
        name = n.name;
        construct = L"." + name;
        break;
    case AstKind::Binary:
    case AstKind::Unary:
        name = n.name;
        construct = L"operator " + name;
        break;
    case AstKind::As:
        name = L"as";
        construct = L"as";
        break;
    case AstKind::Index:
        name = L"[";
        construct = L"index []";
        break;
    default:
        return {};
    }
    if (construct.empty() || LowerName(detail).find(LowerName(name)) != std::wstring::npos) return {};
    return construct;
}

// Runs f and places any error it raises without a position at n; host exceptions become script errors.
template <class F> Value Positioned(const AstNode& n, F&& f) {
    try {
        return f();
    } catch (const ScriptError& e) {
        if (e.HasPosition()) throw;
        throw e.At(n.source ? *n.source : std::wstring(), n.line, n.column, ConstructOf(n, e.Detail()));
    } catch (const MAXException& e) {
        ScriptError bare(e.Message().str());
        throw bare.At(n.source ? *n.source : std::wstring(), n.line, n.column, ConstructOf(n, bare.Detail()));
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& e) {
        std::string what = e.what();
        ScriptError bare(L"Runtime error: " + std::wstring(what.begin(), what.end()));
        throw bare.At(n.source ? *n.source : std::wstring(), n.line, n.column, ConstructOf(n, bare.Detail()));
    }
}

// A whole string read as a number: "12" is 12, "1.5" is 1.5, "abc" and "12abc" are undefined.
Value ParseNumber(const std::wstring& text) {
    size_t b = 0, e = text.size();
    while (b < e && std::iswspace(static_cast<wint_t>(text[b])))
        ++b;
    while (e > b && std::iswspace(static_cast<wint_t>(text[e - 1])))
        --e;
    if (b == e) return Value();
    std::wstring t = text.substr(b, e - b);
    const wchar_t* s = t.c_str();
    wchar_t* end = nullptr;
    if (t.find_first_of(L".eEnN") == std::wstring::npos) {
        errno = 0;
        long long i = std::wcstoll(s, &end, 10);
        if (*end == 0 && end != s && errno == 0) return Value::Int(i);
    }
    double d = std::wcstod(s, &end);
    if (*end != 0 || end == s || std::isnan(d) || std::isinf(d)) return Value();
    return Value::Float(d);
}

// Integers are 64-bit and stay exact: an operation whose result no 64-bit integer holds is a script error
// naming the operation and its operands. Wrapping would hand the script a wrong number without a word, and
// promoting to a float would lose digits above 2^53 just as silently (and turn counters and indexes into
// floats); a script that wants a float result says so with "as float".
[[noreturn]] void IntegerOverflow(const wchar_t* op, std::int64_t x, std::int64_t y) {
    throw ScriptError(L"Runtime error: integer overflow: " + std::to_wstring(x) + L" " + op + L" " +
                      std::to_wstring(y));
}

std::int64_t IntegerPower(std::int64_t x, std::int64_t y) {
    std::int64_t result = 1, base = x;
    for (std::int64_t e = y; e > 0; e >>= 1) {
        if ((e & 1) && __builtin_mul_overflow(result, base, &result)) IntegerOverflow(L"^", x, y);
        if (e > 1 && __builtin_mul_overflow(base, base, &base)) {
            // Only |x| <= 1 survives a large exponent; any other base has already overflowed the result.
            IntegerOverflow(L"^", x, y);
        }
    }
    return result;
}

// A float truncated toward zero; one no 64-bit integer holds (or NaN) cannot convert.
std::int64_t FloatToInteger(float f) {
    if (!(f >= -9223372036854775808.0f && f < 9223372036854775808.0f)) ThrowConvertError(Value::Float(f), L"Integer");
    return static_cast<std::int64_t>(f);
}

Value PointComponent(const Value& object, const std::wstring& lower, bool& found) {
    found = true;
    if (object.Is(Value::Type::Point3) || object.Is(Value::Type::Point2)) {
        const bool flat = object.Is(Value::Type::Point2);
        const Point3& p = flat ? object.AsPoint2() : object.AsPoint();
        if (lower == L"x") return Value::Float(p.x);
        if (lower == L"y") return Value::Float(p.y);
        if (lower == L"z" && !flat) return Value::Float(p.z);
    } else {
        const Point3& c = object.AsColour();
        if (lower == L"r" || lower == L"red") return Value::Float(c.x);
        if (lower == L"g" || lower == L"green") return Value::Float(c.y);
        if (lower == L"b" || lower == L"blue") return Value::Float(c.z);
    }
    found = false;
    return Value();
}

// The components of a point, 2D point or colour (a 2D point's z is 0).
const Point3& VectorOf(const Value& v) {
    if (v.Is(Value::Type::Point2)) return v.AsPoint2();
    return v.Is(Value::Type::Point3) ? v.AsPoint() : v.AsColour();
}

// New components in the kind of value "like" is.
Value SameVector(const Value& like, const Point3& p) {
    if (like.Is(Value::Type::Point2)) return Value::Point2(p.x, p.y);
    return like.Is(Value::Type::Color) ? Value::Colour(p) : Value::Point(p);
}

// "&x": reads and assigns what it was made from, in the scope it was made in.
class ReferenceValue : public HostObject {
public:
    ReferenceValue(std::wstring text, std::function<Value()> get, std::function<void(const Value&)> set)
        : text_(std::move(text)), get_(std::move(get)), set_(std::move(set)) {}
    std::wstring ClassName() const override { return L"ValueRef"; }
    std::wstring PrintForm() const override { return L"&" + text_; }
    Value Get() const { return get_(); }
    void Set(const Value& v) const { set_(v); }

private:
    std::wstring text_;
    std::function<Value()> get_;
    std::function<void(const Value&)> set_;
};

} // namespace

bool Interpreter::AssignThrough(const Value& ref, const Value& value) {
    const auto* reference = ref.ObjAs<ReferenceValue>();
    if (!reference) return false;
    reference->Set(value);
    return true;
}

bool Scope::IsReference(const std::wstring& lower) const {
    return !references.empty() && std::find(references.begin(), references.end(), lower) != references.end();
}

Value* Scope::Find(const std::wstring& lower) {
    auto it = vars.find(lower);
    return it == vars.end() ? nullptr : &it->second;
}

// ---- argument helpers ------------------------------------------------------------------------------------

void CheckArgCount(const wchar_t* function, const CallArgs& args, size_t wanted) {
    if (args.Count() != wanted)
        throw ScriptError(L"Argument count error: " + std::wstring(function) + L" wanted " +
                          std::to_wstring(wanted) + L", got " + std::to_wstring(args.Count()));
}

void CheckArgCount(const wchar_t* function, const CallArgs& args, size_t least, size_t most) {
    if (args.Count() < least || args.Count() > most)
        throw ScriptError(L"Argument count error: " + std::wstring(function) + L" wanted " +
                          std::to_wstring(least) + (most > least ? L" to " + std::to_wstring(most) : L"") +
                          L", got " + std::to_wstring(args.Count()));
}

void ThrowConvertError(const Value& v, const wchar_t* type) {
    throw ScriptError(L"Unable to convert: " + v.PrintForm() + L" to type: " + type);
}

std::int64_t ArgInt(const Value& v) {
    if (v.Is(Value::Type::Integer)) return v.AsInt();
    if (v.Is(Value::Type::Float)) return FloatToInteger(v.AsFloatRaw());
    ThrowConvertError(v, L"Integer");
}

double ArgFloat(const Value& v) {
    if (v.IsNumber()) return v.Number();
    ThrowConvertError(v, L"Float");
}

bool ArgBool(const Value& v) {
    if (v.Is(Value::Type::Boolean)) return v.AsBool();
    ThrowConvertError(v, L"Boolean");
}

const std::wstring& ArgString(const Value& v) {
    if (v.Is(Value::Type::String)) return v.Str();
    ThrowConvertError(v, L"String");
}

std::vector<Value>& ArgArray(const Value& v) {
    if (v.Is(Value::Type::Array)) return v.Items();
    ThrowConvertError(v, L"Array");
}

// ---- set-up ----------------------------------------------------------------------------------------------

Interpreter::Interpreter() {
    SeedRandom(12345);
    RegisterCoreClasses();
    for (const wchar_t* name : {L"undo", L"redraw", L"animate", L"quiet"})
        contextHooks_[name] = {};
    RegisterCoreBuiltins(*this);
    RegisterFileBuiltins(*this);
    RegisterPathConfig(*this);
    RegisterUndoBuiltins(*this);
    RegisterActionBuiltins(*this);
    RegisterTimeBuiltins(*this);
    RegisterMathBuiltins(*this);
    RegisterNumberFunctions(*this);
    RegisterClockBuiltins(*this);
    RegisterEngineBuiltins(*this);
    RegisterSystemInfo(*this);
    RegisterFileStreamBuiltins(*this);
    RegisterDialogBuiltins(*this);
    macros_ = std::make_shared<MacroScripts>();
    SetGlobal(L"macros", Value::Object(macros_));
}

Interpreter::~Interpreter() {
    // A context set for the session ends with it (the frames and times it changed are the host's).
    while (!setContexts_.empty()) {
        try {
            UnsetContext(setContexts_.begin()->first);
        } catch (...) {
            setContexts_.erase(setContexts_.begin());
        }
    }
    // Scopes kept alive by functions that left them refer to themselves through those functions.
    for (const ScopePtr& s : retainedScopes_)
        s->vars.clear();
}

void Interpreter::ReleaseScope(const ScopePtr& s) {
    // A function defined in a scope holds the scope, and the scope holds the function: when the function
    // stayed inside, the link is cut so both go; when it escaped (returned, stored elsewhere), the scope is
    // kept for it until the interpreter ends.
    bool escaped = false;
    for (auto& entry : s->vars) {
        const Value& v = entry.second;
        if (!v.Is(Value::Type::Function) || v.Fn()->closure != s) continue;
        if (v.Fn().use_count() == 1)
            v.Fn()->closure.reset();
        else
            escaped = true;
    }
    if (escaped) retainedScopes_.push_back(s);
}

void Interpreter::RegisterCoreClasses() {
    auto make = [this](const wchar_t* name, const std::shared_ptr<ScriptClass>& super, NativeFn ctor = {}) {
        return RegisterClass(std::make_shared<ScriptClass>(name, super, std::move(ctor)));
    };
    valueClass_ = make(L"Value", nullptr);
    numberClass_ = make(L"Number", valueClass_);
    integerClass_ = make(L"Integer", numberClass_);
    floatClass_ = make(L"Float", numberClass_);
    stringClass_ = make(L"String", valueClass_);
    nameClass_ = make(L"Name", valueClass_);
    booleanClass_ = make(L"BooleanClass", valueClass_);
    undefinedClass_ = make(L"UndefinedClass", valueClass_);
    unsuppliedClass_ = make(L"UnsuppliedClass", valueClass_);
    okClass_ = make(L"OkClass", valueClass_);
    arrayClass_ = make(L"Array", valueClass_);
    bitArrayClass_ = make(L"BitArray", valueClass_);
    point3Class_ = make(L"Point3", valueClass_, [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"Point3", a, 3);
        return Value::Point(Point3(ArgFloat(a[0]), ArgFloat(a[1]), ArgFloat(a[2])));
    });
    point2Class_ = make(L"Point2", valueClass_, [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"Point2", a, 2);
        return Value::Point2(ArgFloat(a[0]), ArgFloat(a[1]));
    });
    colorClass_ = make(L"Color", valueClass_, [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"Color", a, 3, 4);
        return Value::Colour(Point3(ArgFloat(a[0]), ArgFloat(a[1]), ArgFloat(a[2])));
    });
    functionClass_ = make(L"MAXScriptFunction", valueClass_);
    primitiveClass_ = make(L"Primitive", valueClass_);
    classClass_ = make(L"MAXClass", valueClass_);
}

void Interpreter::RegisterFunction(const std::wstring& name, NativeFn fn) {
    auto f = std::make_shared<ScriptFunction>();
    f->name = name;
    f->native = std::move(fn);
    SetGlobal(name, Value::Function(f));
}

void Interpreter::SetGlobal(const std::wstring& name, const Value& value) {
    GlobalEntry& g = globals_[LowerName(name)];
    if (g.name.empty()) g.name = name;
    if (g.set) {
        g.set(*this, value);
        return;
    }
    if (g.get) throw ScriptError(L"Cannot assign to read-only variable: " + g.name);
    g.value = value;
}

bool Interpreter::GetGlobal(const std::wstring& name, Value& out) {
    auto it = globals_.find(LowerName(name));
    if (it == globals_.end()) return false;
    out = it->second.get ? it->second.get(*this) : it->second.value;
    return true;
}

void Interpreter::RemoveGlobal(const std::wstring& name) {
    auto it = globals_.find(LowerName(name));
    if (it != globals_.end() && !it->second.get && !it->second.set) globals_.erase(it);
}

std::wstring Interpreter::LowerCase(const std::wstring& name) { return LowerName(name); }

bool Interpreter::HasGlobal(const std::wstring& name) const {
    return globals_.count(LowerName(name)) != 0;
}

std::vector<std::wstring> Interpreter::GlobalNames() const {
    std::vector<std::pair<std::wstring, std::wstring>> keyed; // lower-cased key, name as declared
    keyed.reserve(globals_.size());
    for (const auto& [lower, entry] : globals_)
        keyed.emplace_back(lower, entry.name);
    std::sort(keyed.begin(), keyed.end());
    std::vector<std::wstring> names;
    names.reserve(keyed.size());
    for (auto& k : keyed)
        names.push_back(std::move(k.second));
    return names;
}

void Interpreter::RegisterGlobalAccessor(const std::wstring& name, std::function<Value(Interpreter&)> get,
                                         std::function<void(Interpreter&, const Value&)> set) {
    GlobalEntry& g = globals_[LowerName(name)];
    g.name = name;
    g.value = Value();
    g.get = std::move(get);
    g.set = std::move(set);
}

std::shared_ptr<ScriptClass> Interpreter::RegisterClass(std::shared_ptr<ScriptClass> cls) {
    std::wstring lower = LowerName(cls->Name());
    classes_[lower] = cls;
    GlobalEntry& g = globals_[lower];
    g = GlobalEntry{cls->Name(), Value::Class(cls), {}, {}};
    return cls;
}

std::shared_ptr<ScriptClass> Interpreter::FindClass(const std::wstring& name) const {
    auto it = classes_.find(LowerName(name));
    return it == classes_.end() ? nullptr : it->second;
}

std::shared_ptr<ScriptClass> Interpreter::ClassOf(const Value& v) {
    switch (v.GetType()) {
    case Value::Type::Undefined:
        return undefinedClass_;
    case Value::Type::Unsupplied:
        return unsuppliedClass_;
    case Value::Type::Ok:
        return okClass_;
    case Value::Type::Boolean:
        return booleanClass_;
    case Value::Type::Integer:
        return integerClass_;
    case Value::Type::Float:
        return floatClass_;
    case Value::Type::String:
        return stringClass_;
    case Value::Type::Name:
        return nameClass_;
    case Value::Type::Array:
        return arrayClass_;
    case Value::Type::BitArray:
        return bitArrayClass_;
    case Value::Type::Point3:
        return point3Class_;
    case Value::Type::Point2:
        return point2Class_;
    case Value::Type::Color:
        return colorClass_;
    case Value::Type::Function:
        return v.Fn()->IsNative() ? primitiveClass_ : functionClass_;
    case Value::Type::Class:
        return classClass_;
    case Value::Type::Time:
        if (auto time = FindClass(L"Time")) return time;
        return valueClass_;
    case Value::Type::Object: {
        const HostObject& o = *v.Obj();
        if (auto* instance = dynamic_cast<const StructInstance*>(&o)) return instance->Def();
        if (auto known = FindClass(o.ClassName())) return known;
        // A class made here becomes a global only where the name is free: it must not replace a variable.
        auto implicitClass = [this](const std::wstring& name, std::shared_ptr<ScriptClass> super) {
            auto cls = std::make_shared<ScriptClass>(name, std::move(super));
            classes_[LowerName(name)] = cls;
            if (!HasGlobal(name)) SetGlobal(name, Value::Class(cls));
            return cls;
        };
        std::shared_ptr<ScriptClass> super = FindClass(o.SuperClassName());
        if (!super) super = implicitClass(o.SuperClassName(), valueClass_);
        return implicitClass(o.ClassName(), super);
    }
    }
    return valueClass_;
}

void Interpreter::RegisterMaxCommand(const std::wstring& words, std::function<void(Interpreter&)> command) {
    maxCommands_[LowerName(words)] = std::move(command);
}

void Interpreter::RegisterContext(const std::wstring& name, ScriptContextHooks hooks) {
    contextHooks_[LowerName(name)] = std::move(hooks);
}

bool Interpreter::ContextState(const std::wstring& name) const {
    std::wstring lower = LowerName(name);
    auto it = contextStates_.find(lower);
    if (it == contextStates_.end() || it->second.empty()) return lower == L"undo" || lower == L"redraw";
    return it->second.back();
}

void Interpreter::SetPathResolver(std::function<Value(Interpreter&, const std::wstring&, bool)> resolver) {
    pathResolver_ = std::move(resolver);
}

ScriptOutput& Interpreter::Output() {
    static ListenerScriptOutput listener;
    return output_ ? *output_ : listener;
}

void Interpreter::SetOutput(ScriptOutput* output) {
    output_ = output;
}

void Interpreter::SeedRandom(std::uint32_t seed) {
    random_ = 0x9E3779B97F4A7C15ull ^ seed;
}

std::uint32_t Interpreter::NextRandom() {
    // splitmix64: good enough spread, and the same sequence on every machine for a seed.
    std::uint64_t z = (random_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<std::uint32_t>((z ^ (z >> 31)) >> 32);
}

// ---- running ---------------------------------------------------------------------------------------------

Value Interpreter::Run(std::wstring_view text, const std::wstring& sourceName) {
    AstProgram program = ParseScript(text, sourceName);
    return Evaluate(program);
}

Value Interpreter::Evaluate(const AstProgram& program) {
    // The outermost evaluation marks where the stack starts, for the overflow check of script calls.
    char mark = 0;
    const char* savedBase = stackBase_;
    if (!stackBase_) stackBase_ = &mark;
    struct RestoreBase {
        const char*& base;
        const char* saved;
        ~RestoreBase() { base = saved; }
    } restoreBase{stackBase_, savedBase};
    int savedLoops = loopDepth_;
    loopDepth_ = 0;
    try {
        Value last = program.body.empty() ? Value::Ok() : Value();
        for (const AstPtr& item : program.body)
            last = Eval(*item, nullptr);
        loopDepth_ = savedLoops;
        return last;
    } catch (ReturnSignal& r) {
        loopDepth_ = savedLoops;
        return r.value;
    } catch (...) {
        loopDepth_ = savedLoops;
        throw;
    }
}

Value Interpreter::EvalSequence(const std::vector<AstPtr>& items, const ScopePtr& scope) {
    Value last = Value::Ok(); // "()" is OK, as in the host
    if (!items.empty()) last = Value();
    for (const AstPtr& item : items)
        last = Eval(*item, scope);
    return last;
}

Value Interpreter::Eval(const AstNode& n, const ScopePtr& scope) {
    switch (n.kind) {
    case AstKind::Literal:
        // A string literal gives a fresh string each time: strings are mutable (append).
        return n.literal.Is(Value::Type::String) ? Value::String(n.literal.Str()) : n.literal;
    case AstKind::TimeLiteral:
        // Frames count in the rate the scene has when the literal runs, as each expression is compiled
        // when it runs.
        return Value::Time(n.literal.Ticks() + std::llround(n.frames * GetTicksPerFrame()));
    case AstKind::Var:
        return LookUp(n, scope);
    case AstKind::Path:
        return Positioned(
            n, [&] { return pathResolver_ ? pathResolver_(*this, n.name, n.flag != 0) : Value(); });
    case AstKind::ArrayLit: {
        std::vector<Value> items;
        items.reserve(n.kids.size());
        for (const AstPtr& k : n.kids)
            items.push_back(Eval(*k, scope));
        return Value::Array(std::move(items));
    }
    case AstKind::BitArrayLit: {
        std::vector<std::pair<std::int64_t, std::int64_t>> ranges;
        std::int64_t top = 0;
        for (const AstPtr& k : n.kids) {
            std::int64_t a, b;
            if (k->kind == AstKind::Range) {
                a = Positioned(*k, [&] { return Value::Int(ArgInt(Eval(*k->kids[0], scope))); }).AsInt();
                b = Positioned(*k, [&] { return Value::Int(ArgInt(Eval(*k->kids[1], scope))); }).AsInt();
            } else {
                a = b = Positioned(*k, [&] { return Value::Int(ArgInt(Eval(*k, scope))); }).AsInt();
            }
            if (a < 1 || b > 100000000)
                throw ErrorAt(*k,
                              L"Runtime error: bitArray index must be from 1 up, got: " + std::to_wstring(a));
            ranges.emplace_back(a, b);
            top = std::max(top, b);
        }
        BitArray bits(static_cast<int>(top));
        for (auto [a, b] : ranges)
            for (std::int64_t i = a; i <= b; ++i)
                bits.Set(static_cast<int>(i - 1));
        return Value::Bits(bits);
    }
    case AstKind::Range:
        throw ErrorAt(n, L"syntax error: a range is only allowed inside #{...}");
    case AstKind::Point3Lit: {
        double c[3] = {0, 0, 0};
        for (size_t i = 0; i < n.kids.size(); ++i) {
            Value v = Eval(*n.kids[i], scope);
            c[i] = Positioned(*n.kids[i], [&] { return Value::Float(ArgFloat(v)); }).Number();
        }
        if (n.kids.size() == 2) return Value::Point2(c[0], c[1]);
        return Value::Point(Point3(c[0], c[1], c[2]));
    }
    case AstKind::Unary: {
        if (n.name == L"not") return Value::Bool(!Test(*n.kids[0], scope, L"not"));
        if (n.name == L"&") {
            AstPtr target = n.kids[0];
            return Value::Object(std::make_shared<ReferenceValue>(
                DumpAst(*target), [this, target, scope] { return Eval(*target, scope); },
                [this, target, scope](const Value& v) { AssignTo(*target, v, scope); }));
        }
        Value v = Eval(*n.kids[0], scope);
        return Positioned(n, [&] {
            switch (v.GetType()) {
            case Value::Type::Integer:
                if (v.AsInt() == std::numeric_limits<std::int64_t>::min())
                    throw ScriptError(L"Runtime error: integer overflow: -(" + std::to_wstring(v.AsInt()) + L")");
                return Value::Int(-v.AsInt());
            case Value::Type::Float:
                return Value::Float(-v.AsFloatRaw());
            case Value::Type::Time:
                return Value::Time(-v.Ticks());
            case Value::Type::Point3:
                return Value::Point(-v.AsPoint());
            case Value::Type::Point2:
                return Value::Point2(-v.AsPoint2().x, -v.AsPoint2().y);
            case Value::Type::BitArray: // the complement within the array's length
                return Value::Bits(~v.BitsRef());
            default:
                throw ScriptError(L"No \"-\" function for " + v.PrintForm());
            }
        });
    }
    case AstKind::Binary:
        return EvalBinary(n, scope);
    case AstKind::As: {
        Value v = Eval(*n.kids[0], scope);
        Value c = Eval(*n.kids[1], scope);
        return Positioned(n, [&] {
            if (!c.Is(Value::Type::Class))
                throw ScriptError(L"Type error: as requires a class, got: " + c.PrintForm());
            return Convert(v, *c.Cls());
        });
    }
    case AstKind::Property: {
        const AstNode& holder = *n.kids[0];
        if (IsTrackProperty(n, holder)) {
            Value track = TrackOrProperty(holder, Eval(*holder.kids[0], scope), scope);
            return Positioned(n, [&] { return GetProperty(track, n.name); });
        }
        if (ReadsThroughOwner(holder)) {
            // "$b.rotation.z_rotation": what the value lacks, the track behind it may have.
            Value owner = Eval(*holder.kids[0], scope);
            Value object = Positioned(holder, [&] { return GetProperty(owner, holder.name); });
            return Positioned(n, [&] {
                Value out, track;
                if (TryGetProperty(object, n.lower, out)) return out;
                if (trackResolver_(*this, owner, holder.lower, track) && TryGetProperty(track, n.lower, out)) return out;
                return GetProperty(object, n.name);
            });
        }
        Value object = Eval(holder, scope);
        return Positioned(n, [&] { return GetProperty(object, n.name); });
    }
    case AstKind::Index: {
        Value object = Eval(*n.kids[0], scope);
        Value index = Eval(*n.kids[1], scope);
        return Positioned(n, [&] { return GetIndex(object, index); });
    }
    case AstKind::Call:
        return EvalCall(n, scope);
    case AstKind::Assign:
        return EvalAssign(n, scope);
    case AstKind::Block: {
        auto inner = std::make_shared<Scope>(scope, true);
        ScopeRelease release{*this, inner};
        return EvalSequence(n.kids, inner);
    }
    case AstKind::If: {
        if (Test(*n.kids[0], scope, L"if")) return Eval(*n.kids[1], scope);
        return n.kids[2] ? Eval(*n.kids[2], scope) : Value();
    }
    case AstKind::While:
    case AstKind::DoWhile: {
        bool isDo = n.kind == AstKind::DoWhile;
        const AstNode& test = *n.kids[isDo ? 1 : 0];
        const AstNode& body = *n.kids[isDo ? 0 : 1];
        Value last;
        ++loopDepth_;
        try {
            if (isDo || Test(test, scope, L"while")) {
                do {
                    try {
                        last = Eval(body, scope);
                    } catch (ContinueSignal&) {
                    }
                } while (Test(test, scope, L"while"));
            }
        } catch (ExitSignal& e) {
            --loopDepth_;
            return e.value;
        } catch (...) {
            --loopDepth_;
            throw;
        }
        --loopDepth_;
        return last;
    }
    case AstKind::ForIn:
    case AstKind::ForRange:
        return EvalFor(n, scope);
    case AstKind::FnDef: {
        auto f = std::make_shared<ScriptFunction>();
        f->name = n.name;
        f->definition = n.shared_from_this();
        f->closure = scope;
        Value fn = Value::Function(f);
        Declare(n.name, n.lower, fn, scope);
        return fn;
    }
    case AstKind::Return:
        throw ReturnSignal{n.kids[0] ? Eval(*n.kids[0], scope) : Value::Ok()};
    case AstKind::Exit:
        if (loopDepth_ == 0) throw ErrorAt(n, L"Runtime error: exit outside of a loop");
        throw ExitSignal{n.kids[0] ? Eval(*n.kids[0], scope) : Value::Ok()};
    case AstKind::Continue:
        if (loopDepth_ == 0) throw ErrorAt(n, L"Runtime error: continue outside of a loop");
        throw ContinueSignal{};
    case AstKind::Decl: {
        Value last;
        for (const auto& [name, init] : n.keys) {
            std::wstring lower = LowerName(name);
            Value v = init ? Eval(*init, scope) : Value();
            if (n.flag >= 2 || !scope) {
                if (n.flag == 3) persistents_.emplace(lower, name);
                if (!init && HasGlobal(name)) continue; // "global x" keeps an existing value
                SetGlobal(name, v);
            } else {
                scope->vars[lower] = v;
            }
            last = v;
        }
        return last;
    }
    case AstKind::Try: {
        try {
            return Eval(*n.kids[0], scope);
        } catch (const ScriptError& e) {
            currentException_ = e.Detail();
        } catch (const MAXException& e) {
            currentException_ = e.Message().str();
        }
        struct CatchDepth {
            int& depth;
            explicit CatchDepth(int& d) : depth(++d) {}
            ~CatchDepth() { --depth; }
        } inCatch(catchDepth_);
        return Eval(*n.kids[1], scope);
    }
    case AstKind::Context:
        return EvalContext(n, scope);
    case AstKind::SetContext:
        return EvalSetContext(n, scope);
    case AstKind::MaxCommand: {
        auto it = maxCommands_.find(n.lower);
        if (it == maxCommands_.end()) throw ErrorAt(n, L"Unknown max command: " + n.name);
        auto command = it->second;
        return Positioned(n, [&] {
            command(*this);
            return Value::Ok();
        });
    }
    case AstKind::Case:
        return EvalCase(n, scope);
    case AstKind::Attributes:
    case AstKind::Rollout:
        return EvalDefinition(n, scope);
    case AstKind::MacroScript:
        return EvalMacroScript(n, scope);
    case AstKind::Struct: {
        auto def = std::make_shared<StructDef>(valueClass_, n.shared_from_this(), scope);
        Value v = Value::Class(def);
        Declare(n.name, n.lower, v, scope);
        return v;
    }
    }
    return Value();
}

bool Interpreter::Test(const AstNode& n, const ScopePtr& scope, const wchar_t* what) {
    Value v = Eval(n, scope);
    if (!v.Is(Value::Type::Boolean))
        throw ErrorAt(n,
                      L"Type error: " + std::wstring(what) + L" needs a BooleanClass, got: " + v.PrintForm());
    return v.AsBool();
}

// ---- variables -------------------------------------------------------------------------------------------

Value Interpreter::LookUp(const AstNode& n, const ScopePtr& scope) {
    for (Scope* s = n.flag ? nullptr : scope.get(); s; s = s->parent.get())
        if (Value* v = s->Find(n.lower)) {
            if (s->IsReference(n.lower)) return Positioned(n, [&] { return v->ObjAs<ReferenceValue>()->Get(); });
            return *v;
        }
    auto it = globals_.find(n.lower);
    if (it == globals_.end()) return Value();
    if (it->second.get) return Positioned(n, [&] { return it->second.get(*this); });
    return it->second.value;
}

void Interpreter::SetVariable(const std::wstring& name, const std::wstring& lower, const Value& value,
                              const ScopePtr& scope) {
    for (Scope* s = scope.get(); s; s = s->parent.get()) {
        if (Value* v = s->Find(lower)) {
            if (s->IsReference(lower))
                v->ObjAs<ReferenceValue>()->Set(value);
            else
                *v = value;
            return;
        }
    }
    if (globals_.count(lower)) {
        SetGlobal(name, value);
        return;
    }
    // First assignment: a local of the nearest block or function, or a global at the top level.
    for (Scope* s = scope.get(); s; s = s->parent.get()) {
        if (s->holdsImplicitLocals) {
            s->vars[lower] = value;
            return;
        }
    }
    SetGlobal(name, value);
}

void Interpreter::Declare(const std::wstring& name, const std::wstring& lower, const Value& value,
                          const ScopePtr& scope) {
    if (scope)
        scope->vars[lower] = value;
    else
        SetGlobal(name, value);
}

// ---- properties and indexes ------------------------------------------------------------------------------

bool Interpreter::ReadsThroughOwner(const AstNode& holder) const {
    return trackResolver_ && holder.kind == AstKind::Property && !IsTrackProperty(holder, *holder.kids[0]);
}

Value Interpreter::TrackOrProperty(const AstNode& holder, const Value& owner, const ScopePtr& scope) {
    return Positioned(holder, [&] {
        Value track;
        if (trackResolver_ && trackResolver_(*this, owner, holder.lower, track)) return track;
        // "$b.rotation.z_rotation.controller": a part of the track behind "$b.rotation".
        const AstNode& up = *holder.kids[0];
        if (trackResolver_ && up.kind == AstKind::Property && !IsTrackProperty(up, *up.kids[0])) {
            Value upOwner = Eval(*up.kids[0], scope), upTrack;
            if (trackResolver_(*this, upOwner, up.lower, upTrack) && trackResolver_(*this, upTrack, holder.lower, track))
                return track;
        }
        return GetProperty(owner, holder.name);
    });
}

bool Interpreter::TryGetProperty(const Value& object, const std::wstring& lower, Value& out) {
    auto give = [&out](Value v) {
        out = std::move(v);
        return true;
    };
    switch (object.GetType()) {
    case Value::Type::String:
        if (lower == L"count") return give(Value::Int(static_cast<std::int64_t>(object.Str().size())));
        break;
    case Value::Type::Array:
        if (lower == L"count") return give(Value::Int(static_cast<std::int64_t>(object.Items().size())));
        break;
    case Value::Type::BitArray:
        if (lower == L"count") return give(Value::Int(object.BitsRef().GetSize()));
        if (lower == L"numberset") return give(Value::Int(object.BitsRef().NumberSet()));
        if (lower == L"isempty") return give(Value::Bool(object.BitsRef().IsEmpty()));
        break;
    case Value::Type::Point3:
    case Value::Type::Point2:
    case Value::Type::Color: {
        bool found = false;
        Value v = PointComponent(object, lower, found);
        if (found) return give(v);
        break;
    }
    case Value::Type::Class:
        return object.Cls()->GetProperty(*this, lower, out);
    case Value::Type::Object:
        return object.Obj()->GetProperty(*this, lower, out);
    case Value::Type::Time:
        if (lower == L"frame") return give(Value::Float(static_cast<double>(object.Ticks()) / GetTicksPerFrame()));
        if (lower == L"ticks") return give(Value::Int(object.Ticks()));
        break;
    default:
        break;
    }
    return false;
}

Value Interpreter::GetProperty(const Value& object, const std::wstring& name) {
    Value out;
    if (TryGetProperty(object, LowerName(name), out)) return out;
    throw ScriptError(L"Unknown property: " + Quoted(name) + L" in " + object.PrintForm());
}

void Interpreter::SetProperty(const Value& object, const std::wstring& name, const Value& value) {
    std::wstring lower = LowerName(name);
    if (object.Is(Value::Type::Array) && lower == L"count") {
        std::int64_t n = ArgInt(value);
        if (n < 0)
            throw ScriptError(L"Runtime error: array count must not be negative, got: " + std::to_wstring(n));
        object.Items().resize(static_cast<size_t>(n));
        return;
    }
    if (object.Is(Value::Type::BitArray) && lower == L"count") {
        object.BitsRef().SetSize(static_cast<int>(ArgInt(value)), true);
        return;
    }
    if (object.Is(Value::Type::Object) && object.Obj()->SetProperty(*this, lower, value)) return;
    throw ScriptError(L"Unknown property: " + Quoted(name) + L" in " + object.PrintForm());
}

Value Interpreter::GetIndex(const Value& object, const Value& index) {
    auto position = [&](std::int64_t count) {
        std::int64_t i = ArgInt(index);
        if (i < 1) throw ScriptError(L"Runtime error: index must be 1 or more, got: " + std::to_wstring(i));
        return i <= count ? i - 1 : -1;
    };
    switch (object.GetType()) {
    case Value::Type::Array: {
        auto& items = object.Items();
        std::int64_t i = position(static_cast<std::int64_t>(items.size()));
        return i < 0 ? Value() : items[static_cast<size_t>(i)];
    }
    case Value::Type::String: {
        const auto& s = object.Str();
        std::int64_t i = position(static_cast<std::int64_t>(s.size()));
        return i < 0 ? Value() : Value::String(std::wstring(1, s[static_cast<size_t>(i)]));
    }
    case Value::Type::BitArray: {
        const BitArray& b = object.BitsRef();
        std::int64_t i = position(b.GetSize());
        return Value::Bool(i >= 0 && b[static_cast<int>(i)]);
    }
    case Value::Type::Point3:
    case Value::Type::Point2:
    case Value::Type::Color: {
        std::int64_t i = position(object.Is(Value::Type::Point2) ? 2 : 3);
        if (i < 0) throw ScriptError(L"Runtime error: index out of range: " + index.PrintForm());
        const Point3& p = VectorOf(object);
        return Value::Float(p[static_cast<int>(i)]);
    }
    case Value::Type::Object: {
        Value out;
        if (object.Obj()->GetIndex(*this, index, out)) return out;
        break;
    }
    default:
        break;
    }
    throw ScriptError(L"No \"get\" function for " + object.PrintForm());
}

void Interpreter::SetIndex(const Value& object, const Value& index, const Value& value) {
    switch (object.GetType()) {
    case Value::Type::Array: {
        std::int64_t i = ArgInt(index);
        if (i < 1) throw ScriptError(L"Runtime error: index must be 1 or more, got: " + std::to_wstring(i));
        if (i > 100000000) throw ScriptError(L"Runtime error: array index too large: " + std::to_wstring(i));
        auto& items = object.Items();
        if (static_cast<size_t>(i) > items.size())
            items.resize(static_cast<size_t>(i)); // the gap reads as undefined
        items[static_cast<size_t>(i - 1)] = value;
        return;
    }
    case Value::Type::BitArray: {
        std::int64_t i = ArgInt(index);
        if (i < 1 || i > 100000000)
            throw ScriptError(L"Runtime error: bitArray index out of range: " + std::to_wstring(i));
        BitArray& b = object.BitsRef();
        if (i > b.GetSize()) b.SetSize(static_cast<int>(i), true);
        b.Set(static_cast<int>(i - 1), ArgBool(value));
        return;
    }
    case Value::Type::String: {
        std::int64_t i = ArgInt(index);
        std::wstring& s = object.MutableStr();
        const std::wstring& c = ArgString(value);
        if (i < 1 || static_cast<size_t>(i) > s.size() || c.size() != 1)
            throw ScriptError(L"Runtime error: string index out of range: " + std::to_wstring(i));
        s[static_cast<size_t>(i - 1)] = c[0];
        return;
    }
    case Value::Type::Object:
        if (object.Obj()->SetIndex(*this, index, value)) return;
        break;
    default:
        break;
    }
    throw ScriptError(L"No \"put\" function for " + object.PrintForm());
}

// ---- assignment ------------------------------------------------------------------------------------------

Value Interpreter::EvalAssign(const AstNode& n, const ScopePtr& scope) {
    const AstNode& target = *n.kids[0];
    Value value = Eval(*n.kids[1], scope);
    if (n.name != L"=") {
        Value current = Eval(target, scope);
        std::wstring op(1, n.name[0]);
        value = Positioned(n, [&] { return Arithmetic(op, current, value); });
    }
    AssignTo(target, value, scope);
    return value;
}

void Interpreter::AssignTo(const AstNode& target, const Value& value, const ScopePtr& scope) {
    switch (target.kind) {
    case AstKind::Var:
        if (target.flag) {
            Positioned(target, [&] {
                SetGlobal(target.name, value);
                return Value();
            });
            return;
        }
        SetVariable(target.name, target.lower, value, scope);
        return;
    case AstKind::Property: {
        const AstNode& holder = *target.kids[0];
        const bool viaOwner = IsTrackProperty(target, holder) || ReadsThroughOwner(holder);
        Value ownerValue = viaOwner ? Eval(*holder.kids[0], scope) : Value();
        Value object = IsTrackProperty(target, holder) ? TrackOrProperty(holder, ownerValue, scope)
                       : viaOwner ? Positioned(holder, [&] { return GetProperty(ownerValue, holder.name); })
                                  : Eval(holder, scope);
        // "$b.rotation.z_rotation = 45": a part the value lacks is set on the track behind it.
        Value track, probe;
        if (ReadsThroughOwner(holder) && !TryGetProperty(object, target.lower, probe) &&
            Positioned(holder, [&] { return Value::Bool(trackResolver_(*this, ownerValue, holder.lower, track)); }).AsBool() &&
            TryGetProperty(track, target.lower, probe)) {
            Positioned(target, [&] {
                SetProperty(track, target.name, value);
                return Value();
            });
            return;
        }
        // Points and colours are values: "p.x = 1" makes a new point and stores it where p came from.
        if (object.Is(Value::Type::Point3) || object.Is(Value::Type::Point2) || object.Is(Value::Type::Color)) {
            bool found = false;
            PointComponent(object, target.lower, found);
            if (!found)
                throw ErrorAt(target,
                              L"Unknown property: " + Quoted(target.name) + L" in " + object.PrintForm());
            double f = Positioned(target, [&] { return Value::Float(ArgFloat(value)); }).Number();
            Point3 p = VectorOf(object);
            wchar_t c = target.lower[0];
            int axis = (c == L'x' || c == L'r') ? 0 : (c == L'y' || c == L'g') ? 1 : 2;
            p[axis] = static_cast<float>(f);
            Value updated = SameVector(object, p);
            const AstNode& owner = *target.kids[0];
            if (owner.kind == AstKind::Var || owner.kind == AstKind::Property || owner.kind == AstKind::Index)
                AssignTo(owner, updated, scope);
            return;
        }
        Positioned(target, [&] {
            SetProperty(object, target.name, value);
            return Value();
        });
        return;
    }
    case AstKind::Index: {
        const AstNode& holder = *target.kids[0];
        // "obj.prop[i] = v": the owner is kept, so that an array read from a host object's property (a
        // copy of an array parameter) goes back through the property once changed, as the host's array
        // parameters write through.
        Value owner;
        bool fromHostProperty = false;
        Value object;
        if (holder.kind == AstKind::Property) {
            owner = Eval(*holder.kids[0], scope);
            fromHostProperty = owner.Is(Value::Type::Object);
            object = Positioned(holder, [&] { return GetProperty(owner, holder.name); });
        } else {
            object = Eval(holder, scope);
        }
        Value index = Eval(*target.kids[1], scope);
        // Points and colours are values: "p[1] = 5" makes a new point and stores it where p came from.
        if (object.Is(Value::Type::Point3) || object.Is(Value::Type::Point2) || object.Is(Value::Type::Color)) {
            Point3 p = VectorOf(object);
            Positioned(target, [&] {
                std::int64_t i = ArgInt(index);
                if (i < 1 || i > (object.Is(Value::Type::Point2) ? 2 : 3))
                    throw ScriptError(L"Runtime error: index out of range: " + index.PrintForm());
                p[static_cast<int>(i - 1)] = static_cast<float>(ArgFloat(value));
                return Value();
            });
            Value updated = SameVector(object, p);
            if (holder.kind == AstKind::Property)
                Positioned(holder, [&] {
                    SetProperty(owner, holder.name, updated);
                    return Value();
                });
            else if (holder.kind == AstKind::Var || holder.kind == AstKind::Index)
                AssignTo(holder, updated, scope);
            return;
        }
        Positioned(target, [&] {
            SetIndex(object, index, value);
            return Value();
        });
        if (fromHostProperty && (object.Is(Value::Type::Array) || object.Is(Value::Type::BitArray)))
            Positioned(target, [&] {
                SetProperty(owner, holder.name, object);
                return Value();
            });
        return;
    }
    default:
        throw ErrorAt(target, L"Runtime error: cannot assign to this expression");
    }
}

// ---- operators -------------------------------------------------------------------------------------------

int Interpreter::Compare(const Value& a, const Value& b, const wchar_t* op) {
    if (a.Is(Value::Type::Time) || b.Is(Value::Type::Time)) {
        const std::int64_t x = TimeTicks(a), y = TimeTicks(b);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (a.IsNumber() && b.IsNumber()) {
        if (a.Is(Value::Type::Integer) && b.Is(Value::Type::Integer))
            return a.AsInt() < b.AsInt() ? -1 : (a.AsInt() > b.AsInt() ? 1 : 0);
        float x = static_cast<float>(a.Number()), y = static_cast<float>(b.Number());
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (a.Is(Value::Type::String) && b.Is(Value::Type::String)) {
        int c = a.Str().compare(b.Str());
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    if (a.Is(Value::Type::Name) && b.Is(Value::Type::Name)) {
        int c = LowerName(a.NameText()).compare(LowerName(b.NameText()));
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    if (a.IsNumber() || a.Is(Value::Type::String)) ThrowConvertError(b, a.IsNumber() ? L"Float" : L"String");
    throw ScriptError(L"No \"" + std::wstring(op) + L"\" function for " + a.PrintForm());
}

Value Interpreter::Arithmetic(const std::wstring& op, const Value& a, const Value& b) {
    using T = Value::Type;
    wchar_t o = op[0];
    if (a.Is(T::Time) || b.Is(T::Time)) return TimeArithmetic(op, a, b);
    if (Value out; (a.Is(T::Object) && a.Obj()->Arithmetic(op, b, true, out)) ||
                   (b.Is(T::Object) && b.Obj()->Arithmetic(op, a, false, out)))
        return out;
    if (a.IsNumber() && b.IsNumber()) {
        if (a.Is(T::Integer) && b.Is(T::Integer)) {
            std::int64_t x = a.AsInt(), y = b.AsInt(), r = 0;
            switch (o) {
            case L'+':
                if (__builtin_add_overflow(x, y, &r)) IntegerOverflow(L"+", x, y);
                return Value::Int(r);
            case L'-':
                if (__builtin_sub_overflow(x, y, &r)) IntegerOverflow(L"-", x, y);
                return Value::Int(r);
            case L'*':
                if (__builtin_mul_overflow(x, y, &r)) IntegerOverflow(L"*", x, y);
                return Value::Int(r);
            case L'/':
                if (y == 0) throw ScriptError(L"Divide by zero");
                if (y == -1 && x == std::numeric_limits<std::int64_t>::min()) IntegerOverflow(L"/", x, y);
                return Value::Int(x / y);
            case L'^':
                if (y >= 0) return Value::Int(IntegerPower(x, y));
                return Value::Float(std::pow(static_cast<double>(x), static_cast<double>(y)));
            }
        }
        float x = static_cast<float>(a.Number()), y = static_cast<float>(b.Number());
        switch (o) {
        case L'+':
            return Value::Float(x + y);
        case L'-':
            return Value::Float(x - y);
        case L'*':
            return Value::Float(x * y);
        case L'/':
            return Value::Float(x / y);
        case L'^':
            return Value::Float(std::pow(x, y));
        }
    }
    if (a.Is(T::BitArray)) {
        if (!b.Is(T::BitArray)) ThrowConvertError(b, L"BitArray");
        // Union, difference and intersection; the result is as long as the longer operand.
        ::BitArray x = a.BitsRef(), y = b.BitsRef();
        const int size = std::max(x.GetSize(), y.GetSize());
        x.SetSize(size, true);
        y.SetSize(size, true);
        if (o == L'+') return Value::Bits(x | y);
        if (o == L'-') return Value::Bits(x & ~y);
        if (o == L'*') return Value::Bits(x & y);
    }
    if (a.Is(T::String) && o == L'+') {
        if (!b.Is(T::String)) ThrowConvertError(b, L"String");
        return Value::String(a.Str() + b.Str());
    }
    bool aVec = a.Is(T::Point3) || a.Is(T::Color) || a.Is(T::Point2);
    bool bVec = b.Is(T::Point3) || b.Is(T::Color) || b.Is(T::Point2);
    if (aVec || bVec) {
        // The result has the kind of the left vector operand; a 2D point only combines with a 2D point.
        const Value& kind = aVec ? a : b;
        auto wrap = [&kind](const Point3& p) { return SameVector(kind, p); };
        auto vec = [](const Value& v) { return VectorOf(v); };
        if (aVec && bVec && a.Is(T::Point2) != b.Is(T::Point2))
            ThrowConvertError(b, a.Is(T::Point2) ? L"Point2" : a.Is(T::Point3) ? L"Point3" : L"Color");
        if (aVec && bVec) {
            Point3 p = vec(a), q = vec(b);
            switch (o) {
            case L'+':
                return wrap(p + q);
            case L'-':
                return wrap(p - q);
            case L'*':
                return wrap(Point3(p.x * q.x, p.y * q.y, p.z * q.z));
            case L'/':
                return wrap(Point3(p.x / q.x, p.y / q.y, p.z / q.z));
            }
        } else if (aVec && b.IsNumber()) {
            float f = static_cast<float>(b.Number());
            if (o == L'*') return wrap(vec(a) * f);
            if (o == L'/') return wrap(vec(a) / f);
        } else if (bVec && a.IsNumber() && o == L'*') {
            return wrap(vec(b) * static_cast<float>(a.Number()));
        }
        if (aVec) ThrowConvertError(b, a.Is(T::Point2) ? L"Point2" : a.Is(T::Point3) ? L"Point3" : L"Color");
    }
    if (a.IsNumber()) ThrowConvertError(b, a.Is(T::Integer) ? L"Integer" : L"Float");
    throw ScriptError(L"No \"" + op + L"\" function for " + a.PrintForm());
}

// Times add and subtract with times and with numbers of frames, scale by numbers, and divide into a ratio.
Value Interpreter::TimeArithmetic(const std::wstring& op, const Value& a, const Value& b) {
    using T = Value::Type;
    const wchar_t o = op[0];
    const bool bothTimes = a.Is(T::Time) && b.Is(T::Time);
    if (o == L'+' || o == L'-') return Value::Time(o == L'+' ? TimeTicks(a) + TimeTicks(b) : TimeTicks(a) - TimeTicks(b));
    if (o == L'*' && !bothTimes) {
        const Value& time = a.Is(T::Time) ? a : b;
        const Value& factor = a.Is(T::Time) ? b : a;
        if (!factor.IsNumber()) ThrowConvertError(factor, L"Float");
        return Value::Time(std::llround(static_cast<double>(time.Ticks()) * factor.Number()));
    }
    if (o == L'/' && a.Is(T::Time)) {
        if (bothTimes) {
            if (b.Ticks() == 0) throw ScriptError(L"Divide by zero");
            return Value::Float(static_cast<double>(a.Ticks()) / static_cast<double>(b.Ticks()));
        }
        if (!b.IsNumber()) ThrowConvertError(b, L"Float");
        if (b.Number() == 0) throw ScriptError(L"Divide by zero");
        return Value::Time(std::llround(static_cast<double>(a.Ticks()) / b.Number()));
    }
    throw ScriptError(L"No \"" + op + L"\" function for " + a.PrintForm() + L" and " + b.PrintForm());
}

Value Interpreter::EvalBinary(const AstNode& n, const ScopePtr& scope) {
    const std::wstring& op = n.name;
    if (op == L"and") return Value::Bool(Test(*n.kids[0], scope, L"and") && Test(*n.kids[1], scope, L"and"));
    if (op == L"or") return Value::Bool(Test(*n.kids[0], scope, L"or") || Test(*n.kids[1], scope, L"or"));
    Value a = Eval(*n.kids[0], scope);
    Value b = Eval(*n.kids[1], scope);
    return Positioned(n, [&] {
        if (op == L"==") return Value::Bool(a == b);
        if (op == L"!=") return Value::Bool(!(a == b));
        if (op == L"<") return Value::Bool(Compare(a, b, L"<") < 0);
        if (op == L"<=") return Value::Bool(Compare(a, b, L"<=") <= 0);
        if (op == L">") return Value::Bool(Compare(a, b, L">") > 0);
        if (op == L">=") return Value::Bool(Compare(a, b, L">=") >= 0);
        return Arithmetic(op, a, b);
    });
}

Value Interpreter::Convert(const Value& v, const ScriptClass& cls) {
    using T = Value::Type;
    std::wstring target = LowerName(cls.Name());
    if (v.Is(T::Object)) {
        Value out;
        if (v.Obj()->ConvertTo(*this, cls, out)) return out;
    }
    if (v.Is(T::Time)) {
        // Times convert to their ticks, and print in frames.
        if (target == L"integer") return Value::Int(v.Ticks());
        if (target == L"float") return Value::Float(static_cast<double>(v.Ticks()));
        if (target == L"time") return v;
    }
    if (target == L"time" && v.IsNumber()) return Value::Time(TimeTicks(v));
    if (target == L"integer") {
        switch (v.GetType()) {
        case T::Integer:
            return v;
        case T::Float:
            return Value::Int(FloatToInteger(v.AsFloatRaw()));
        case T::Boolean:
            return Value::Int(v.AsBool() ? 1 : 0);
        case T::String: {
            Value n = ParseNumber(v.Str());
            return n.Is(T::Float) ? Value::Int(FloatToInteger(n.AsFloatRaw())) : n;
        }
        default:
            break;
        }
    } else if (target == L"float") {
        switch (v.GetType()) {
        case T::Integer:
        case T::Float:
            return Value::Float(v.Number());
        case T::Boolean:
            return Value::Float(v.AsBool() ? 1 : 0);
        case T::String: {
            Value n = ParseNumber(v.Str());
            return n.IsNumber() ? Value::Float(n.Number()) : n;
        }
        default:
            break;
        }
    } else if (target == L"string") {
        return Value::String(v.FormatForm());
    } else if (target == L"stringstream") {
        if (v.Is(T::String)) return Value::Object(std::make_shared<StringStream>(v.Str()));
    } else if (target == L"name") {
        if (v.Is(T::String)) return Value::Name(v.Str());
        if (v.Is(T::Name)) return v;
    } else if (target == L"array") {
        if (v.Is(T::Array)) return v;
        if (v.Is(T::BitArray) || v.Is(T::Object)) return Value::Array(Items(v));
    } else if (target == L"bitarray") {
        if (v.Is(T::BitArray)) return v;
        if (v.Is(T::Array)) {
            BitArray bits;
            for (const Value& item : v.Items()) {
                std::int64_t i = ArgInt(item);
                if (i < 1)
                    throw ScriptError(L"Runtime error: bitArray index must be from 1 up, got: " +
                                      std::to_wstring(i));
                if (i > bits.GetSize()) bits.SetSize(static_cast<int>(i), true);
                bits.Set(static_cast<int>(i - 1));
            }
            return Value::Bits(bits);
        }
    } else if (target == L"point2") {
        if (v.Is(T::Point2)) return v;
        if (v.Is(T::Point3)) return Value::Point2(v.AsPoint().x, v.AsPoint().y);
    } else if (target == L"point3") {
        if (v.Is(T::Point3)) return v;
        if (v.Is(T::Point2)) return Value::Point(v.AsPoint2());
        if (v.Is(T::Color)) return Value::Point(v.AsColour());
    } else if (target == L"color") {
        if (v.Is(T::Color)) return v;
        if (v.Is(T::Point3)) return Value::Colour(v.AsPoint());
    } else if (target == L"booleanclass") {
        if (v.Is(T::Boolean)) return v;
    }
    ThrowConvertError(v, cls.Name().c_str());
}

// ---- calls -----------------------------------------------------------------------------------------------

Value Interpreter::EvalCall(const AstNode& n, const ScopePtr& scope) {
    const AstNode& callee = *n.kids[0];
    CallArgs args;
    auto evalArgs = [&] {
        args.positional.reserve(n.kids.size() - 1);
        for (size_t i = 1; i < n.kids.size(); ++i)
            args.positional.push_back(Eval(*n.kids[i], scope));
        for (const auto& [key, expr] : n.keys)
            args.keywords.emplace_back(LowerName(key), Eval(*expr, scope));
    };
    if (callee.kind == AstKind::Property) {
        Value object = Eval(*callee.kids[0], scope);
        evalArgs();
        if (object.Is(Value::Type::Object)) {
            Value out;
            HostObject& o = *object.Obj();
            bool handled = false;
            Positioned(callee, [&] {
                handled = o.CallMethod(*this, callee.lower, args, out);
                return Value();
            });
            if (handled) return out;
        }
        Value method = Positioned(callee, [&] { return GetProperty(object, callee.name); });
        return CallAt(callee, method, args);
    }
    Value f = Eval(callee, scope);
    evalArgs();
    return CallAt(n, f, args);
}

Value Interpreter::CallAt(const AstNode& at, const Value& callee, CallArgs& args) {
    return Positioned(at, [&] { return Call(callee, args); });
}

Value Interpreter::Call(const Value& callee, CallArgs& args) {
    switch (callee.GetType()) {
    case Value::Type::Function: {
        const ScriptFunction& fn = *callee.Fn();
        if (fn.IsNative()) return fn.native(*this, args);
        return Invoke(fn, args);
    }
    case Value::Type::Class:
        return callee.Cls()->Construct(*this, args);
    case Value::Type::Object: {
        Value out;
        if (callee.Obj()->Call(*this, args, out)) return out;
        break;
    }
    default:
        break;
    }
    throw ScriptError(L"Type error: Call needs function or class, got: " + callee.PrintForm());
}

Value Interpreter::Invoke(const ScriptFunction& fn, CallArgs& args) {
    const AstNode& def = *fn.definition;
    // A mapped function given a collection first runs once per item, in order, and answers OK.
    if (def.flag == 2 && args.Count() >= 1) {
        const Value& first = args[0];
        std::vector<Value> items;
        bool collection = first.Is(Value::Type::Array);
        if (collection)
            items = first.Items();
        else if (first.Is(Value::Type::Object) && !first.ObjAs<ReferenceValue>())
            collection = first.Obj()->Enumerate(*this, items);
        if (collection) {
            for (const Value& item : items) {
                CallArgs one = args;
                one.positional[0] = item;
                InvokeOnce(fn, one);
            }
            return Value::Ok();
        }
    }
    return InvokeOnce(fn, args);
}

Value Interpreter::InvokeOnce(const ScriptFunction& fn, CallArgs& args) {
    const AstNode& def = *fn.definition;
    if (args.Count() != def.params.size())
        throw ScriptError(L"Argument count error: " + fn.name + L" wanted " +
                          std::to_wstring(def.params.size()) + L", got " + std::to_wstring(args.Count()));
    static const std::size_t budget = StackBudget();
    char here = 0;
    auto address = [](const char* p) { return reinterpret_cast<std::uintptr_t>(p); };
    bool deepStack =
        stackBase_ && address(stackBase_) > address(&here) && address(stackBase_) - address(&here) > budget;
    if (callDepth_ >= kMaxCallDepth || deepStack)
        throw ScriptError(L"Runtime error: stack overflow in " + fn.name);
    auto scope = std::make_shared<Scope>(fn.closure, true);
    ScopeRelease release{*this, scope};
    for (size_t i = 0; i < def.params.size(); ++i) {
        const std::wstring& param = def.params[i];
        if (param[0] != L'&') {
            scope->vars[LowerName(param)] = args[i];
            continue;
        }
        // A by-reference parameter given "&x" works on the caller's x; given a plain value, on a copy.
        std::wstring lower = LowerName(param.substr(1));
        scope->vars[lower] = args[i];
        if (args[i].ObjAs<ReferenceValue>()) scope->references.push_back(lower);
    }
    for (const auto& [key, dflt] : def.keys) {
        std::wstring lower = LowerName(key);
        if (const Value* given = args.Keyword(lower))
            scope->vars[lower] = *given;
        else
            scope->vars[lower] = dflt ? Eval(*dflt, scope) : Value::Unsupplied();
    }
    struct DepthGuard {
        Interpreter& in;
        int loops;
        DepthGuard(Interpreter& i) : in(i), loops(i.loopDepth_) {
            ++in.callDepth_;
            in.loopDepth_ = 0;
        }
        ~DepthGuard() {
            --in.callDepth_;
            in.loopDepth_ = loops;
        }
    } guard(*this);
    try {
        return Eval(*def.kids[0], scope);
    } catch (ReturnSignal& r) {
        return r.value;
    }
}

// ---- loops, contexts, case, definitions ------------------------------------------------------------------

std::vector<Value> Interpreter::Items(const Value& collection) {
    switch (collection.GetType()) {
    case Value::Type::Array:
        return collection.Items();
    case Value::Type::BitArray: {
        std::vector<Value> out;
        const BitArray& b = collection.BitsRef();
        for (int i = 0; i < b.GetSize(); ++i)
            if (b[i]) out.push_back(Value::Int(i + 1));
        return out;
    }
    case Value::Type::String: {
        std::vector<Value> out;
        for (wchar_t c : collection.Str())
            out.push_back(Value::String(std::wstring(1, c)));
        return out;
    }
    case Value::Type::Object: {
        std::vector<Value> out;
        if (collection.Obj()->Enumerate(*this, out)) return out;
        break;
    }
    default:
        break;
    }
    throw ScriptError(L"Runtime error: for-in needs a collection, got: " + collection.PrintForm());
}

Value Interpreter::EvalFor(const AstNode& n, const ScopePtr& scope) {
    bool collect = n.flag == 1;
    auto loopScope = std::make_shared<Scope>(scope, false);
    ScopeRelease release{*this, loopScope};
    Value& var = loopScope->vars[n.lower];
    const AstNode* where = n.kind == AstKind::ForIn ? n.Kid(1) : n.Kid(3);
    const AstNode* whileTest = n.kind == AstKind::ForIn ? n.Kid(2) : n.Kid(4);
    const AstNode& body = *n.kids.back();
    std::vector<Value> collected;
    // "while" is tested before each pass and ends the loop when false, as if by "exit".
    auto step = [&]() {
        if (whileTest && !Test(*whileTest, loopScope, L"while")) throw ExitSignal{Value::Ok()};
        if (where && !Test(*where, loopScope, L"where")) return;
        try {
            Value v = Eval(body, loopScope);
            if (collect) collected.push_back(v);
        } catch (ContinueSignal&) {
        }
    };
    ++loopDepth_;
    try {
        if (n.kind == AstKind::ForIn) {
            Value collection = Eval(*n.kids[0], scope);
            if (collection.Is(Value::Type::Array)) {
                // Indexes, not iterators: the body may append to the array it walks.
                for (size_t i = 0; i < collection.Items().size(); ++i) {
                    var = collection.Items()[i];
                    step();
                }
            } else {
                std::vector<Value> items =
                    Positioned(*n.kids[0], [&] { return Value::Array(Items(collection)); }).Items();
                for (const Value& item : items) {
                    var = item;
                    step();
                }
            }
        } else {
            Value from = Eval(*n.kids[0], scope);
            Value to = Eval(*n.kids[1], scope);
            Value by = n.kids[2] ? Eval(*n.kids[2], scope) : Value::Int(1);
            const AstNode& byAt = n.kids[2] ? *n.kids[2] : n;
            if (from.Is(Value::Type::Time) || to.Is(Value::Type::Time)) {
                // A time loop steps in frames (or by the time given) and gives times.
                std::int64_t bounds[3] = {};
                const Value* values[3] = {&from, &to, &by};
                const AstNode* places[3] = {n.Kid(0), n.Kid(1), &byAt};
                for (int k = 0; k < 3; ++k)
                    Positioned(*places[k], [&] { return Value::Time(bounds[k] = TimeTicks(*values[k])); });
                if (bounds[2] == 0) throw ErrorAt(byAt, L"Runtime error: for loop step is zero");
                for (std::int64_t i = bounds[0]; bounds[2] > 0 ? i <= bounds[1] : i >= bounds[1]; i += bounds[2]) {
                    var = Value::Time(i);
                    step();
                }
            } else {
                for (const AstNode* k : {n.Kid(0), n.Kid(1)})
                    Positioned(*k, [&] { return Value::Float(ArgFloat(k == n.Kid(0) ? from : to)); });
                Positioned(byAt, [&] { return Value::Float(ArgFloat(by)); });
                if (by.Number() == 0) throw ErrorAt(byAt, L"Runtime error: for loop step is zero");
                if (from.Is(Value::Type::Integer) && to.Is(Value::Type::Integer) && by.Is(Value::Type::Integer)) {
                    // A step that would pass the largest (or smallest) integer ends the loop: every value up
                    // to "to" has run, and the next one is beyond it.
                    std::int64_t s = by.AsInt(), last = to.AsInt();
                    for (std::int64_t i = from.AsInt(); s > 0 ? i <= last : i >= last;) {
                        var = Value::Int(i);
                        step();
                        if (__builtin_add_overflow(i, s, &i)) break;
                    }
                } else {
                    double s = by.Number(), last = to.Number();
                    for (double i = from.Number(); s > 0 ? i <= last : i >= last; i += s) {
                        var = Value::Float(i);
                        step();
                    }
                }
            }
        }
    } catch (ExitSignal& e) {
        --loopDepth_;
        if (collect && e.value.Is(Value::Type::Ok)) return Value::Array(std::move(collected));
        return e.value;
    } catch (...) {
        --loopDepth_;
        throw;
    }
    --loopDepth_;
    return collect ? Value::Array(std::move(collected)) : Value::Ok();
}

Value Interpreter::EvalContext(const AstNode& n, const ScopePtr& scope) {
    auto hooks = contextHooks_.find(n.lower);
    if (hooks == contextHooks_.end()) throw ErrorAt(n, L"Unknown context: " + n.name);
    Value label = n.kids[0] ? Eval(*n.kids[0], scope) : Value();
    // "at time" takes a time, and coordsys and about a frame, where the other contexts take on or off; their
    // hooks get it as the label.
    const bool atTime = n.lower == L"at time" || n.flag == 1;
    if (atTime) label = Eval(*n.kids[1], scope);
    bool on = atTime || Test(*n.kids[1], scope, n.name.c_str());
    ScriptContextHooks h = hooks->second;
    if (h.enter)
        Positioned(n, [&] {
            h.enter(*this, label, on);
            return Value();
        });
    std::vector<bool>& states = contextStates_[n.lower];
    states.push_back(on);
    Value result;
    try {
        result = Eval(*n.kids[2], scope);
    } catch (...) {
        contextStates_[n.lower].pop_back();
        if (h.leave) h.leave(*this, label, on, false);
        throw;
    }
    contextStates_[n.lower].pop_back();
    if (h.leave)
        Positioned(n, [&] {
            h.leave(*this, label, on, true);
            return Value();
        });
    return result;
}

// "set <context> <state>" enters the context for everything that follows and leaves the one an earlier set
// entered; "set time off" only leaves. Inside a context expression of the same kind the set would be undone
// by its end, so it is refused there.
Value Interpreter::EvalSetContext(const AstNode& n, const ScopePtr& scope) {
    auto hooks = contextHooks_.find(n.lower);
    if (hooks == contextHooks_.end()) throw ErrorAt(n, L"Unknown context: " + n.name);
    const Value state = Eval(*n.kids[0], scope);
    const bool valued = n.lower == L"at time" || n.flag == 1;
    return Positioned(n, [&] {
        const size_t own = setContexts_.count(n.lower);
        if (contextStates_[n.lower].size() > own)
            throw ScriptError(L"Runtime error: set " + n.name + L" is not allowed in the body of the same context");
        const bool on = valued || ArgBool(state);
        const auto previous = setContexts_.find(n.lower);
        const std::optional<std::pair<Value, bool>> before =
            previous == setContexts_.end() ? std::nullopt : std::optional(previous->second);
        UnsetContext(n.lower);
        if (n.lower == L"at time" && state.Is(Value::Type::Boolean) && !state.AsBool()) return Value::Ok();
        try {
            if (hooks->second.enter) hooks->second.enter(*this, state, on);
        } catch (...) {
            // A state the context refuses leaves the one set before in place.
            if (before) {
                if (hooks->second.enter) hooks->second.enter(*this, before->first, before->second);
                contextStates_[n.lower].push_back(before->second);
                setContexts_[n.lower] = *before;
            }
            throw;
        }
        contextStates_[n.lower].push_back(on);
        setContexts_[n.lower] = {state, on};
        return Value::Ok();
    });
}

void Interpreter::UnsetContext(std::wstring lowerName) {
    auto set = setContexts_.find(lowerName);
    if (set == setContexts_.end()) return;
    const auto [state, on] = set->second;
    setContexts_.erase(set);
    contextStates_[lowerName].pop_back();
    const ScriptContextHooks& h = contextHooks_[lowerName];
    if (h.leave) h.leave(*this, state, on, true);
}

Value Interpreter::EvalCase(const AstNode& n, const ScopePtr& scope) {
    bool hasSubject = n.kids[0] != nullptr;
    Value subject = hasSubject ? Eval(*n.kids[0], scope) : Value();
    const AstNode* fallback = nullptr;
    for (const auto& [label, expr] : n.pairs) {
        if (!label) {
            fallback = expr.get();
            continue;
        }
        bool match = hasSubject ? Eval(*label, scope) == subject : Test(*label, scope, L"case");
        if (match) return Eval(*expr, scope);
    }
    return fallback ? Eval(*fallback, scope) : Value();
}

Value Interpreter::EvalDefinition(const AstNode& n, const ScopePtr& scope) {
    // Key values are evaluated, except that a bare name (ui:mySpinner, rollout:params) stays a name: it
    // names a control of a rollout that exists only when a user interface builds it.
    auto keys = [&](const std::vector<std::pair<std::wstring, AstPtr>>& in) {
        std::vector<std::pair<std::wstring, Value>> out;
        for (const auto& [k, v] : in)
            out.emplace_back(k, v->kind == AstKind::Var ? Value::Name(v->name) : Eval(*v, scope));
        return out;
    };
    const AstDefinition& syntax = *n.definition;
    auto def = std::make_shared<ScriptDefinition>(
        n.kind == AstKind::Attributes ? ScriptDefinition::Kind::Attributes : ScriptDefinition::Kind::Rollout,
        syntax.name);
    def->syntax = n.definition;
    def->utility = n.kind == AstKind::Rollout && n.flag == 1;
    def->keys = keys(syntax.keys);
    def->handlers = syntax.handlers;
    for (const AstParamBlockDef& b : syntax.blocks) {
        ScriptDefinition::Block block{b.name, keys(b.keys), {}, b.handlers};
        for (const AstParamDef& p : b.params)
            block.params.push_back({p.name, keys(p.keys)});
        def->blocks.push_back(std::move(block));
    }
    for (const AstRolloutDef& r : syntax.rollouts) {
        Value title = r.title ? Eval(*r.title, scope) : Value::String(L"");
        def->rollouts.push_back({r.name, title.FormatForm(), keys(r.keys), r.body});
        if (n.kind == AstKind::Rollout)
            def->contents = BuildRolloutContents(*this, r.body, n.source ? *n.source : std::wstring(), r.bodyLine,
                                                 r.bodyColumn);
    }
    Value v = Value::Object(def);
    if (n.kind == AstKind::Rollout) Declare(n.name, n.lower, v, scope);
    return v;
}

// A macroScript's body runs in a scope of its own each time: its expressions in order, then its "on execute"
// handler when it has one. The definition answers the macro's id.
Value Interpreter::EvalMacroScript(const AstNode& n, const ScopePtr& scope) {
    MacroScripts::Macro macro;
    macro.name = n.name;
    macro.category = L"Uncategorized";
    for (const auto& [key, expr] : n.keys) {
        const std::wstring lower = LowerName(key);
        std::wstring* field = lower == L"category"     ? &macro.category
                              : lower == L"buttontext" ? &macro.buttonText
                              : lower == L"tooltip"    ? &macro.toolTip
                                                       : nullptr;
        Value v = Eval(*expr, scope);
        if (field) *field = Positioned(*expr, [&] { return Value::String(ArgString(v)); }).Str();
    }
    if (macro.buttonText.empty()) macro.buttonText = macro.name;
    AstPtr body = n.shared_from_this();
    macro.run = [this, body, scope] {
        auto inner = std::make_shared<Scope>(scope, true);
        ScopeRelease release{*this, inner};
        const AstNode* execute = nullptr;
        Value last = Value::Ok();
        for (const AstPtr& kid : body->kids) {
            if (kid->kind == AstKind::FnDef && kid->flag == 1) {
                if (kid->lower == L"execute") execute = kid.get();
                continue;
            }
            last = Eval(*kid, inner);
        }
        return execute ? Eval(*execute->kids[0], inner) : last;
    };
    return Value::Int(macros_->Define(std::move(macro)));
}

// ---- structs ---------------------------------------------------------------------------------------------

Value Interpreter::InstantiateStruct(const std::shared_ptr<StructDef>& def, CallArgs& args) {
    const AstNode& syntax = def->Syntax();
    auto members = std::make_shared<Scope>(def->Closure(), false);
    // Methods first, so that a member's default can call one; each sees this instance's members.
    std::shared_ptr<ScriptFunction> create;
    for (const AstPtr& k : syntax.kids) {
        auto f = std::make_shared<ScriptFunction>();
        f->name = syntax.name + L"." + k->name;
        f->definition = k;
        f->closure = members;
        if (k->flag == 1)
            create = f;
        else
            members->vars[k->lower] = Value::Function(f);
    }
    // The methods and the members' scope hold each other; the interpreter keeps such scopes until it ends.
    if (!syntax.kids.empty()) retainedScopes_.push_back(members);
    size_t i = 0;
    for (const auto& [name, init] : syntax.keys) {
        std::wstring lower = LowerName(name);
        Value v;
        if (const Value* given = args.Keyword(lower))
            v = *given;
        else if (i < args.Count())
            v = args[i];
        else if (init)
            v = Eval(*init, members);
        members->vars[lower] = v;
        ++i;
    }
    Value instance = Value::Object(std::make_shared<StructInstance>(def, members));
    if (create) {
        CallArgs none;
        Invoke(*create, none);
    }
    return instance;
}
