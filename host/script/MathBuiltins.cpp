// Vector maths, bit operations, qsort, bsearch, appendIfUnique, formattedPrint and timeStamp of the script language.
#include "host/script/CoreBuiltins.h"
#include "host/script/Interpreter.h"
#include "host/script/ScriptError.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <cwchar>
#include <memory>
#include <numbers>

namespace {

// A point, a 2D point (z 0), or the position of a scene object (distance $a $b).
Point3 PointArg(Interpreter& interp, const Value& v) {
    if (v.Is(Value::Type::Point3)) return v.AsPoint();
    if (v.Is(Value::Type::Point2)) return v.AsPoint2();
    if (v.Is(Value::Type::Object)) {
        const Value pos = interp.GetProperty(v, L"pos");
        if (pos.Is(Value::Type::Point3)) return pos.AsPoint();
    }
    ThrowConvertError(v, L"Point3");
}

std::int32_t Bits32(const Value& v) {
    return static_cast<std::int32_t>(ArgInt(v));
}

// A 1-based bit number of a 32-bit integer.
int BitNumber(const wchar_t* fn, const Value& v) {
    const std::int64_t i = ArgInt(v);
    if (i < 1 || i > 32)
        throw ScriptError(std::wstring(L"Runtime error: bit.") + fn + L" bit number must be from 1 to 32, got: " +
                          std::to_wstring(i));
    return static_cast<int>(i - 1);
}

// The "bit" struct of functions on 32-bit integers.
class BitFunctions : public HostObject {
public:
    std::wstring ClassName() const override { return L"StructDef"; }
    std::wstring PrintForm() const override { return L"#Struct:bit"; }
    bool CallMethod(Interpreter&, const std::wstring& name, CallArgs& a, Value& out) override {
        const auto two = [&](const wchar_t* fn) { CheckArgCount(fn, a, 2); };
        std::uint32_t r = 0;
        if (name == L"and") two(L"and"), r = static_cast<std::uint32_t>(Bits32(a[0]) & Bits32(a[1]));
        else if (name == L"or") two(L"or"), r = static_cast<std::uint32_t>(Bits32(a[0]) | Bits32(a[1]));
        else if (name == L"xor") two(L"xor"), r = static_cast<std::uint32_t>(Bits32(a[0]) ^ Bits32(a[1]));
        else if (name == L"not") CheckArgCount(L"not", a, 1), r = ~static_cast<std::uint32_t>(Bits32(a[0]));
        else if (name == L"shift") {
            two(L"shift");
            // Positive counts shift left, negative right, without sign extension.
            const std::int64_t n = ArgInt(a[1]);
            const auto x = static_cast<std::uint32_t>(Bits32(a[0]));
            r = n >= 32 || n <= -32 ? 0u : n >= 0 ? x << n : x >> -n;
        } else if (name == L"get") {
            two(L"get");
            out = Value::Bool((static_cast<std::uint32_t>(Bits32(a[0])) >> BitNumber(L"get", a[1])) & 1u);
            return true;
        } else if (name == L"set") {
            CheckArgCount(L"set", a, 3);
            const std::uint32_t mask = 1u << BitNumber(L"set", a[1]);
            const auto x = static_cast<std::uint32_t>(Bits32(a[0]));
            r = ArgBool(a[2]) ? x | mask : x & ~mask;
        } else if (name == L"flip") {
            two(L"flip");
            r = static_cast<std::uint32_t>(Bits32(a[0])) ^ (1u << BitNumber(L"flip", a[1]));
        } else if (name == L"isnan" || name == L"isfinite") {
            CheckArgCount(name == L"isnan" ? L"isNAN" : L"isFinite", a, 1);
            const double x = ArgFloat(a[0]);
            out = Value::Bool(name == L"isnan" ? std::isnan(x) : std::isfinite(x));
            return true;
        } else if (name == L"intashex") {
            CheckArgCount(L"intAsHex", a, 1);
            wchar_t text[16];
            std::swprintf(text, 16, L"%x", static_cast<std::uint32_t>(Bits32(a[0])));
            out = Value::String(text);
            return true;
        } else {
            return false;
        }
        out = Value::Int(static_cast<std::int32_t>(r));
        return true;
    }
};

// "8.2f", "05d", "x": flags, width and precision, then one conversion.
std::wstring FormattedPrint(const Value& v, const std::wstring& conversion) {
    const auto bad = [&] {
        return ScriptError(L"Runtime error: formattedPrint format not valid: \"" + conversion + L"\"");
    };
    if (conversion.empty() || conversion.find_first_not_of(L"-+ #0123456789.") != conversion.size() - 1) throw bad();
    const wchar_t conv = conversion.back();
    const std::wstring format = L"%" + conversion;
    wchar_t text[512];
    int n = -1;
    switch (conv) {
    case L'd':
    case L'i': n = std::swprintf(text, 512, (L"%" + conversion.substr(0, conversion.size() - 1) + L"lld").c_str(), static_cast<long long>(ArgInt(v))); break;
    case L'x':
    case L'X':
    case L'o': n = std::swprintf(text, 512, (L"%" + conversion.substr(0, conversion.size() - 1) + L"ll" + conv).c_str(), static_cast<unsigned long long>(ArgInt(v))); break;
    case L'f':
    case L'e':
    case L'E':
    case L'g':
    case L'G': n = std::swprintf(text, 512, format.c_str(), ArgFloat(v)); break;
    default: throw bad();
    }
    if (n < 0) throw bad();
    return text;
}

} // namespace

void RegisterMathBuiltins(Interpreter& in) {
    in.RegisterFunction(L"length", [](Interpreter& i, CallArgs& a) {
        CheckArgCount(L"length", a, 1);
        return Value::Float(PointArg(i, a[0]).Length());
    });
    in.RegisterFunction(L"normalize", [](Interpreter& i, CallArgs& a) {
        CheckArgCount(L"normalize", a, 1);
        const Point3 p = PointArg(i, a[0]);
        const float len = p.Length();
        const Point3 unit = len == 0 ? p : p / len;
        return a[0].Is(Value::Type::Point2) ? Value::Point2(unit.x, unit.y) : Value::Point(unit);
    });
    in.RegisterFunction(L"distance", [](Interpreter& i, CallArgs& a) {
        CheckArgCount(L"distance", a, 2);
        return Value::Float((PointArg(i, a[0]) - PointArg(i, a[1])).Length());
    });
    in.RegisterFunction(L"dot", [](Interpreter& i, CallArgs& a) {
        CheckArgCount(L"dot", a, 2);
        const Point3 p = PointArg(i, a[0]), q = PointArg(i, a[1]);
        return Value::Float(p.x * q.x + p.y * q.y + p.z * q.z);
    });
    in.RegisterFunction(L"cross", [](Interpreter& i, CallArgs& a) {
        CheckArgCount(L"cross", a, 2);
        const Point3 p = PointArg(i, a[0]), q = PointArg(i, a[1]);
        return Value::Point(Point3(p.y * q.z - p.z * q.y, p.z * q.x - p.x * q.z, p.x * q.y - p.y * q.x));
    });
    in.RegisterFunction(L"atan2", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"atan2", a, 2);
        return Value::Float(std::atan2(ArgFloat(a[0]), ArgFloat(a[1])) * 180 / std::numbers::pi);
    });
    in.SetGlobal(L"bit", Value::Object(std::make_shared<BitFunctions>()));

    in.RegisterFunction(L"appendIfUnique", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"appendIfUnique", a, 2);
        if (!a[0].Is(Value::Type::Array)) ThrowConvertError(a[0], L"Array");
        auto& items = a[0].Items();
        if (std::find(items.begin(), items.end(), a[1]) != items.end()) return Value::Bool(false);
        items.push_back(a[1]);
        return Value::Bool(true);
    });
    // qsort <array> <function> [keywords for the function]: the function answers <0, 0 or >0 for a pair.
    in.RegisterFunction(L"qsort", [](Interpreter& interp, CallArgs& a) {
        CheckArgCount(L"qsort", a, 2);
        if (!a[0].Is(Value::Type::Array)) ThrowConvertError(a[0], L"Array");
        if (!a[1].Is(Value::Type::Function)) ThrowConvertError(a[1], L"Function");
        const Value fn = a[1];
        std::vector<Value> items = a[0].Items();
        std::stable_sort(items.begin(), items.end(), [&](const Value& x, const Value& y) {
            CallArgs pair;
            pair.positional = {x, y};
            pair.keywords = a.keywords;
            return ArgFloat(interp.Call(fn, pair)) < 0;
        });
        a[0].Items() = std::move(items);
        return Value::Ok();
    });
    // bsearch key array fn [start:] [count:] [index:&var]: the item of the sorted array (ordered as fn
    // orders, fn key item answering below, at or above zero) that fn finds equal to key, or undefined;
    // index: receives its position, or 0.
    in.RegisterFunction(L"bsearch", [](Interpreter& interp, CallArgs& a) {
        CheckArgCount(L"bsearch", a, 3);
        if (!a[1].Is(Value::Type::Array)) ThrowConvertError(a[1], L"Array");
        if (!a[2].Is(Value::Type::Function)) ThrowConvertError(a[2], L"Function");
        const std::vector<Value>& items = a[1].Items();
        const auto size = static_cast<std::int64_t>(items.size());
        const std::int64_t start = ArgInt(a.KeywordOr(L"start", Value::Int(1)));
        const std::int64_t count = ArgInt(a.KeywordOr(L"count", Value::Int(size - start + 1)));
        if (start < 1 || count < 0 || start - 1 + count > size)
            throw ScriptError(L"Runtime error: bsearch range out of the array: start " + std::to_wstring(start) +
                              L", count " + std::to_wstring(count) + L", array size " + std::to_wstring(size));
        const Value* index = a.Keyword(L"index");
        std::int64_t lo = start - 1, hi = start - 1 + count, found = 0;
        while (lo < hi) {
            const std::int64_t mid = lo + (hi - lo) / 2;
            CallArgs pair;
            pair.positional = {a[0], items[static_cast<size_t>(mid)]};
            const double c = ArgFloat(interp.Call(a[2], pair));
            if (c == 0) {
                found = mid + 1;
                break;
            }
            if (c < 0) hi = mid;
            else lo = mid + 1;
        }
        if (index && !index->IsUnsupplied() && !Interpreter::AssignThrough(*index, Value::Int(found)))
            throw ScriptError(L"Runtime error: bsearch index: needs a reference (&variable), got: " + index->PrintForm());
        return found ? items[static_cast<size_t>(found - 1)] : Value();
    });
    in.RegisterFunction(L"formattedPrint", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"formattedPrint", a, 1);
        const Value* format = a.Keyword(L"format");
        return Value::String(format ? FormattedPrint(a[0], ArgString(*format)) : a[0].FormatForm());
    });
    // Milliseconds since midnight, local time.
    in.RegisterFunction(L"timeStamp", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"timeStamp", a, 0);
        const auto now = std::chrono::system_clock::now();
        const std::time_t t = std::chrono::system_clock::to_time_t(now);
        std::tm local{};
        localtime_r(&t, &local);
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
        return Value::Int((local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) * 1000LL + ms);
    });
}
