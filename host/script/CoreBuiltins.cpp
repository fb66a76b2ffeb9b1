// The core built-in functions: output, classes, maths, arrays and strings.
#include "host/script/CoreBuiltins.h"

#include "host/script/Interpreter.h"
#include "host/script/Lexer.h"
#include "host/script/ScriptError.h"
#include "host/script/ScriptStruct.h"
#include "host/script/StringStream.h"

#include <algorithm>
#include <cmath>
#include <cwctype>
#include <limits>
#include <numbers>

namespace {

// The stream a "to:" argument names; the interpreter's output when there is none.
ScriptOutput& TargetStream(Interpreter& in, const CallArgs& a) {
    const Value* to = a.Keyword(L"to");
    if (!to || to->IsUndefined() || to->IsUnsupplied()) return in.Output();
    if (auto* stream = to->ObjAs<StringStream>()) return *stream;
    if (auto* output = to->Is(Value::Type::Object) ? dynamic_cast<ScriptOutput*>(to->Obj().get()) : nullptr)
        return *output;
    throw ScriptError(L"Runtime error: to: needs a stream, got: " + to->PrintForm());
}

wchar_t Lower(wchar_t c) {
    return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
}

} // namespace

// Greedy with one back-track point: linear for patterns with a single "*", and at most text times pattern
// length otherwise.
bool MatchWildcard(const std::wstring& text, const std::wstring& pattern, bool ignoreCase) {
    auto same = [ignoreCase](wchar_t a, wchar_t b) { return ignoreCase ? Lower(a) == Lower(b) : a == b; };
    size_t t = 0, p = 0, starP = std::wstring::npos, starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == L'?' || (pattern[p] != L'*' && same(pattern[p], text[t])))) {
            ++t;
            ++p;
        } else if (p < pattern.size() && pattern[p] == L'*') {
            starP = p++;
            starT = t;
        } else if (starP != std::wstring::npos) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*')
        ++p;
    return p == pattern.size();
}

namespace {

size_t ArrayIndex(const Value& v, size_t count, const wchar_t* fn) {
    std::int64_t i = ArgInt(v);
    if (i < 1 || static_cast<size_t>(i) > count)
        throw ScriptError(L"Runtime error: " + std::wstring(fn) + L" index out of range: " +
                          std::to_wstring(i));
    return static_cast<size_t>(i - 1);
}

Value DeepCopy(const Value& v) {
    switch (v.GetType()) {
    case Value::Type::String:
        return Value::String(v.Str());
    case Value::Type::BitArray:
        return Value::Bits(v.BitsRef());
    case Value::Type::Array: {
        std::vector<Value> items;
        items.reserve(v.Items().size());
        for (const Value& item : v.Items())
            items.push_back(DeepCopy(item));
        return Value::Array(std::move(items));
    }
    default:
        return v;
    }
}

void RegisterOutput(Interpreter& in) {
    in.RegisterFunction(L"print", [](Interpreter& i, CallArgs& a) {
        CheckArgCount(L"print", a, 1);
        ScriptOutput& out = TargetStream(i, a);
        out.Write(a[0].PrintForm() + L"\n");
        return a[0];
    });
    // Each "%" takes the next argument in its format form; a "%" with no argument left stays a "%".
    in.RegisterFunction(L"format", [](Interpreter& i, CallArgs& a) {
        if (a.Count() < 1) throw ScriptError(L"Argument count error: format wanted at least 1, got 0");
        const std::wstring& fmt = ArgString(a[0]);
        std::wstring text;
        size_t next = 1;
        for (wchar_t c : fmt) {
            if (c == L'%' && next < a.Count())
                text += a[next++].FormatForm();
            else
                text += c;
        }
        TargetStream(i, a).Write(text);
        return Value::Ok();
    });
    in.RegisterClass(
        std::make_shared<ScriptClass>(L"StringStream", in.FindClass(L"Value"), [](Interpreter&, CallArgs& a) {
            CheckArgCount(L"StringStream", a, 1);
            return Value::Object(std::make_shared<StringStream>(ArgString(a[0])));
        }));
    // throw value raises an error with the value's text; throw() inside a catch raises the error it caught
    // again.
    in.RegisterFunction(L"throw", [](Interpreter& i, CallArgs& a) -> Value {
        CheckArgCount(L"throw", a, 0, 1);
        if (a.Count() == 1) throw ScriptError(L"Runtime error: " + a[0].FormatForm());
        if (!i.InCatch()) throw ScriptError(L"Runtime error: throw() with no argument is only allowed in a catch");
        throw ScriptError(i.CurrentException());
    });
    // execute "text": the text parsed and run at global scope (it sees globals, never the caller's
    // locals); answers the last expression's value. Its errors name the executed text's line and column.
    in.RegisterFunction(L"execute", [](Interpreter& i, CallArgs& a) {
        CheckArgCount(L"execute", a, 1);
        return i.Run(ArgString(a[0]), L"execute string");
    });
    in.RegisterFunction(L"getCurrentException", [](Interpreter& i, CallArgs& a) {
        CheckArgCount(L"getCurrentException", a, 0);
        return Value::String(i.CurrentException());
    });
}

void RegisterClasses(Interpreter& in) {
    in.RegisterFunction(L"classOf", [](Interpreter& i, CallArgs& a) {
        CheckArgCount(L"classOf", a, 1);
        return Value::Class(i.ClassOf(a[0]));
    });
    in.RegisterFunction(L"superClassOf", [](Interpreter& i, CallArgs& a) {
        CheckArgCount(L"superClassOf", a, 1);
        auto cls = a[0].Is(Value::Type::Class) ? a[0].Cls() : i.ClassOf(a[0]);
        auto super = cls->SuperClass();
        return Value::Class(super ? super : i.FindClass(L"Value"));
    });
    in.RegisterFunction(L"isKindOf", [](Interpreter& i, CallArgs& a) {
        CheckArgCount(L"isKindOf", a, 2);
        if (!a[1].Is(Value::Type::Class))
            throw ScriptError(L"Type error: isKindOf needs a class, got: " + a[1].PrintForm());
        return Value::Bool(i.ClassOf(a[0])->IsKindOf(*a[1].Cls()));
    });
    struct Named {
        const wchar_t* name;
        float r, g, b;
    };
    for (const Named& c :
         {Named{L"red", 255, 0, 0}, Named{L"green", 0, 255, 0}, Named{L"blue", 0, 0, 255},
          Named{L"white", 255, 255, 255}, Named{L"black", 0, 0, 0}, Named{L"yellow", 255, 255, 0},
          Named{L"orange", 255, 128, 0}, Named{L"brown", 128, 64, 0}, Named{L"gray", 128, 128, 128}})
        in.SetGlobal(c.name, Value::Colour(Point3(c.r, c.g, c.b)));
    in.SetGlobal(L"pi", Value::Float(std::numbers::pi));
}

void RegisterMaths(Interpreter& in) {
    auto unary = [&in](const wchar_t* name, double (*f)(double)) {
        std::wstring fn = name;
        in.RegisterFunction(name, [fn, f](Interpreter&, CallArgs& a) {
            CheckArgCount(fn.c_str(), a, 1);
            return Value::Float(f(ArgFloat(a[0])));
        });
    };
    // abs keeps an integer an integer, exactly (not through a double, which holds only 53 bits).
    in.RegisterFunction(L"abs", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"abs", a, 1);
        if (!a[0].Is(Value::Type::Integer)) return Value::Float(std::fabs(ArgFloat(a[0])));
        std::int64_t x = a[0].AsInt();
        if (x == std::numeric_limits<std::int64_t>::min())
            throw ScriptError(L"Runtime error: integer overflow: abs " + std::to_wstring(x));
        return Value::Int(x < 0 ? -x : x);
    });
    unary(L"floor", [](double x) { return std::floor(x); });
    unary(L"ceil", [](double x) { return std::ceil(x); });
    unary(L"sqrt", [](double x) { return std::sqrt(x); });
    unary(L"sin", [](double x) { return std::sin(x * std::numbers::pi / 180); });
    unary(L"cos", [](double x) { return std::cos(x * std::numbers::pi / 180); });
    in.RegisterFunction(L"mod", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"mod", a, 2);
        if (a[0].Is(Value::Type::Integer) && a[1].Is(Value::Type::Integer)) {
            if (a[1].AsInt() == 0) throw ScriptError(L"Divide by zero");
            // x mod -1 is 0 for every x; the processor's remainder traps on the smallest integer.
            if (a[1].AsInt() == -1) return Value::Int(0);
            return Value::Int(a[0].AsInt() % a[1].AsInt());
        }
        return Value::Float(std::fmod(ArgFloat(a[0]), ArgFloat(a[1])));
    });
    in.RegisterFunction(L"pow", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"pow", a, 2);
        return Interpreter::Arithmetic(L"^", a[0], a[1]);
    });
    auto extreme = [&in](const wchar_t* name, int sign) {
        std::wstring fn = name;
        in.RegisterFunction(name, [fn, sign](Interpreter&, CallArgs& a) {
            std::vector<Value> items =
                a.Count() == 1 && a[0].Is(Value::Type::Array) ? a[0].Items() : a.positional;
            if (items.empty()) return Value();
            Value best = items[0];
            for (const Value& v : items)
                if (Interpreter::Compare(v, best) * sign > 0) best = v;
            return best;
        });
    };
    extreme(L"amin", -1);
    extreme(L"amax", 1);
    in.RegisterFunction(L"seed", [](Interpreter& i, CallArgs& a) {
        CheckArgCount(L"seed", a, 1);
        i.SeedRandom(static_cast<std::uint32_t>(ArgInt(a[0])));
        return Value::Ok();
    });
    // Integers give an integer from the closed range, floats a float from it.
    in.RegisterFunction(L"random", [](Interpreter& i, CallArgs& a) {
        CheckArgCount(L"random", a, 2);
        auto unit = [&i] { return i.NextRandom() / 4294967296.0; };
        if (a[0].Is(Value::Type::Integer) && a[1].Is(Value::Type::Integer)) {
            std::int64_t lo = std::min(a[0].AsInt(), a[1].AsInt()), hi = std::max(a[0].AsInt(), a[1].AsInt());
            return Value::Int(lo + static_cast<std::int64_t>(unit() * static_cast<double>(hi - lo + 1)));
        }
        if (a[0].Is(Value::Type::Point3) && a[1].Is(Value::Type::Point3)) {
            Point3 p = a[0].AsPoint(), q = a[1].AsPoint();
            return Value::Point(
                Point3(p.x + unit() * (q.x - p.x), p.y + unit() * (q.y - p.y), p.z + unit() * (q.z - p.z)));
        }
        double lo = ArgFloat(a[0]), hi = ArgFloat(a[1]);
        return Value::Float(lo + unit() * (hi - lo));
    });
}

void RegisterArrays(Interpreter& in) {
    in.RegisterFunction(L"append", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"append", a, 2);
        if (a[0].Is(Value::Type::String)) {
            a[0].MutableStr() += ArgString(a[1]);
            return a[0];
        }
        ArgArray(a[0]).push_back(a[1]);
        return a[0];
    });
    in.RegisterFunction(L"insertItem", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"insertItem", a, 3);
        auto& items = ArgArray(a[1]);
        size_t at = ArrayIndex(a[2], items.size() + 1, L"insertItem");
        items.insert(items.begin() + static_cast<long>(at), a[0]);
        return Value::Ok();
    });
    in.RegisterFunction(L"findItem", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"findItem", a, 2);
        const auto& items = ArgArray(a[0]);
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i] == a[1]) return Value::Int(static_cast<std::int64_t>(i + 1));
        return Value::Int(0);
    });
    in.RegisterFunction(L"deleteItem", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"deleteItem", a, 2);
        auto& items = ArgArray(a[0]);
        size_t at = ArrayIndex(a[1], items.size(), L"deleteItem");
        items.erase(items.begin() + static_cast<long>(at));
        return a[0];
    });
    in.RegisterFunction(L"sort", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"sort", a, 1);
        auto& items = ArgArray(a[0]);
        std::stable_sort(items.begin(), items.end(),
                         [](const Value& x, const Value& y) { return Interpreter::Compare(x, y) < 0; });
        return a[0];
    });
    in.RegisterFunction(L"join", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"join", a, 2);
        auto& items = ArgArray(a[0]);
        std::vector<Value> more = ArgArray(a[1]); // a copy: joining an array to itself doubles it once
        items.insert(items.end(), more.begin(), more.end());
        return a[0];
    });
    in.RegisterFunction(L"makeUniqueArray", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"makeUniqueArray", a, 1);
        std::vector<Value> out;
        for (const Value& v : ArgArray(a[0]))
            if (std::find(out.begin(), out.end(), v) == out.end()) out.push_back(v);
        return Value::Array(std::move(out));
    });
    in.RegisterFunction(L"copy", [](Interpreter& i, CallArgs& a) {
        CheckArgCount(L"copy", a, 1);
        switch (a[0].GetType()) {
        case Value::Type::String:
            return Value::String(a[0].Str());
        case Value::Type::Array:
            return Value::Array(a[0].Items());
        case Value::Type::BitArray:
            return Value::Bits(a[0].BitsRef());
        default:
            if (auto* instance = a[0].ObjAs<StructInstance>()) return instance->Copy(i);
            return a[0];
        }
    });
    in.RegisterFunction(L"deepCopy", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"deepCopy", a, 1);
        return DeepCopy(a[0]);
    });
}

void RegisterStrings(Interpreter& in) {
    in.RegisterFunction(L"substring", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"substring", a, 3);
        const std::wstring& s = ArgString(a[0]);
        std::int64_t start = std::max<std::int64_t>(ArgInt(a[1]), 1), count = ArgInt(a[2]);
        if (static_cast<size_t>(start) > s.size()) return Value::String(L"");
        size_t n = count < 0 ? std::wstring::npos : static_cast<size_t>(count);
        return Value::String(s.substr(static_cast<size_t>(start - 1), n));
    });
    // The search ignores case, as the host's does.
    in.RegisterFunction(L"findString", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"findString", a, 2);
        std::wstring s = LowerName(ArgString(a[0])), sub = LowerName(ArgString(a[1]));
        size_t at = s.find(sub);
        return at == std::wstring::npos ? Value() : Value::Int(static_cast<std::int64_t>(at + 1));
    });
    in.RegisterFunction(L"filterString", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"filterString", a, 2);
        const std::wstring& s = ArgString(a[0]);
        const std::wstring& delimiters = ArgString(a[1]);
        bool keepEmpty = ArgBool(a.KeywordOr(L"splitemptytokens", Value::Bool(false)));
        std::vector<Value> parts;
        std::wstring current;
        for (wchar_t c : s) {
            if (delimiters.find(c) == std::wstring::npos) {
                current += c;
                continue;
            }
            if (!current.empty() || keepEmpty) parts.push_back(Value::String(current));
            current.clear();
        }
        if (!current.empty() || (keepEmpty && !s.empty())) parts.push_back(Value::String(current));
        return Value::Array(std::move(parts));
    });
    in.RegisterFunction(L"substituteString", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"substituteString", a, 3);
        std::wstring s = ArgString(a[0]);
        const std::wstring& from = ArgString(a[1]);
        const std::wstring& to = ArgString(a[2]);
        if (from.empty()) return Value::String(s);
        std::wstring out;
        size_t pos = 0;
        for (size_t at; (at = s.find(from, pos)) != std::wstring::npos; pos = at + from.size())
            out += s.substr(pos, at - pos) + to;
        out += s.substr(pos);
        return Value::String(out);
    });
    in.RegisterFunction(L"replace", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"replace", a, 4);
        std::wstring s = ArgString(a[0]);
        std::int64_t from = ArgInt(a[1]), count = ArgInt(a[2]);
        if (from < 1 || count < 0 || static_cast<size_t>(from - 1) > s.size())
            throw ScriptError(L"Runtime error: replace position out of range: " + std::to_wstring(from));
        return Value::String(
            s.replace(static_cast<size_t>(from - 1), static_cast<size_t>(count), ArgString(a[3])));
    });
    in.RegisterFunction(L"toLower", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"toLower", a, 1);
        return Value::String(LowerName(ArgString(a[0])));
    });
    // stricmp a b: below, at or above zero as a sorts before, with or after b, ignoring case.
    in.RegisterFunction(L"stricmp", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"stricmp", a, 2);
        const int c = LowerName(ArgString(a[0])).compare(LowerName(ArgString(a[1])));
        return Value::Int(c < 0 ? -1 : (c > 0 ? 1 : 0));
    });
    in.RegisterFunction(L"toUpper", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"toUpper", a, 1);
        std::wstring s = ArgString(a[0]);
        for (wchar_t& c : s)
            c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
        return Value::String(s);
    });
    in.RegisterFunction(L"matchPattern", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"matchPattern", a, 1);
        const Value* pattern = a.Keyword(L"pattern");
        if (!pattern) throw ScriptError(L"Runtime error: matchPattern needs pattern:");
        bool ignoreCase = ArgBool(a.KeywordOr(L"ignorecase", Value::Bool(true)));
        return Value::Bool(MatchWildcard(ArgString(a[0]), ArgString(*pattern), ignoreCase));
    });
    auto trim = [&in](const wchar_t* name, bool left) {
        std::wstring fn = name;
        in.RegisterFunction(name, [fn, left](Interpreter&, CallArgs& a) {
            CheckArgCount(fn.c_str(), a, 1, 2);
            const std::wstring& s = ArgString(a[0]);
            std::wstring set = a.Count() > 1 ? ArgString(a[1]) : std::wstring(L" \t\r\n");
            if (left) {
                size_t b = s.find_first_not_of(set);
                return Value::String(b == std::wstring::npos ? L"" : s.substr(b));
            }
            size_t e = s.find_last_not_of(set);
            return Value::String(e == std::wstring::npos ? L"" : s.substr(0, e + 1));
        });
    };
    trim(L"trimLeft", true);
    trim(L"trimRight", false);
}

} // namespace

// A property name given as #name or "name".
static std::wstring PropertyName(const Value& v) {
    if (v.Is(Value::Type::Name)) return v.NameText();
    return ArgString(v);
}

// getProperty, setProperty and isProperty: property access with the name as a value. An unknown
// property is the same error as in "obj.name"; isProperty answers false for it.
static void RegisterPropertyAccess(Interpreter& in) {
    in.RegisterFunction(L"getProperty", [](Interpreter& i, CallArgs& a) {
        CheckArgCount(L"getProperty", a, 2);
        return i.GetProperty(a[0], PropertyName(a[1]));
    });
    in.RegisterFunction(L"setProperty", [](Interpreter& i, CallArgs& a) {
        CheckArgCount(L"setProperty", a, 3);
        i.SetProperty(a[0], PropertyName(a[1]), a[2]);
        return a[2];
    });
    in.RegisterFunction(L"isProperty", [](Interpreter& i, CallArgs& a) {
        CheckArgCount(L"isProperty", a, 2);
        std::wstring name = PropertyName(a[1]);
        if (a[0].Is(Value::Type::Object)) {
            // Asked of the object itself, so that a deleted node still raises its own error.
            Value out;
            return Value::Bool(a[0].Obj()->GetProperty(i, LowerName(name), out));
        }
        try {
            i.GetProperty(a[0], name);
            return Value::Bool(true);
        } catch (const ScriptError&) {
            return Value::Bool(false); // plain values raise only "Unknown property"
        }
    });
}

void RegisterCoreBuiltins(Interpreter& interp) {
    RegisterOutput(interp);
    RegisterPropertyAccess(interp);
    RegisterClasses(interp);
    RegisterMaths(interp);
    RegisterArrays(interp);
    RegisterStrings(interp);
}
