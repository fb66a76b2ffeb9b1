// Printing, comparing and converting script values.
#include "host/script/Value.h"

#include "host/scene/Interface.h"
#include "host/script/Interpreter.h"
#include "host/script/ScriptError.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <cwctype>

namespace {

std::wstring Ascii(const char* s) {
    return std::wstring(s, s + std::strlen(s));
}

bool SameNameNoCase(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i])))
            return false;
    return true;
}

std::wstring SixDigits(double f) {
    if (std::isnan(f)) return L"nan";
    if (std::isinf(f)) return f > 0 ? L"inf" : L"-inf";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g", f);
    std::wstring s = Ascii(buf);
    if (s == L"-0") s = L"0";
    return s;
}

} // namespace

Value Value::Array(std::vector<Value> items) {
    return Value(Store(std::make_shared<std::vector<Value>>(std::move(items))));
}

std::wstring FormatFloat(double f) {
    std::wstring s = SixDigits(f);
    if (s.find_first_of(L".en") == std::wstring::npos) s += L".0";
    return s;
}

std::wstring FormatComponent(double f) {
    return SixDigits(f);
}

std::wstring Value::PrintForm() const {
    switch (GetType()) {
    case Type::String:
        return L"\"" + Str() + L"\"";
    case Type::Name:
        return L"#" + NameText();
    case Type::Array: {
        std::wstring s = L"#(";
        const auto& items = Items();
        for (size_t i = 0; i < items.size(); ++i) {
            if (i) s += L", ";
            s += items[i].PrintForm();
        }
        return s + L")";
    }
    case Type::Object:
        return Obj()->PrintForm();
    default:
        return FormatForm();
    }
}

std::wstring Value::FormatForm() const {
    switch (GetType()) {
    case Type::Undefined:
        return L"undefined";
    case Type::Unsupplied:
        return L"unsupplied";
    case Type::Ok:
        return L"OK";
    case Type::Boolean:
        return AsBool() ? L"true" : L"false";
    case Type::Integer:
        return std::to_wstring(AsInt());
    case Type::Float:
        return FormatFloat(AsFloatRaw());
    case Type::String:
        return Str();
    case Type::Name:
        return NameText();
    case Type::Array:
        return PrintForm();
    case Type::BitArray: {
        std::string s = BitsRef().ToString();
        return std::wstring(s.begin(), s.end());
    }
    case Type::Point3: {
        const ::Point3& p = AsPoint();
        return L"[" + FormatComponent(p.x) + L"," + FormatComponent(p.y) + L"," + FormatComponent(p.z) + L"]";
    }
    case Type::Color: {
        const ::Point3& c = AsColour();
        return L"(color " + FormatComponent(c.x) + L" " + FormatComponent(c.y) + L" " + FormatComponent(c.z) +
               L")";
    }
    case Type::Function:
        return Fn()->name + L"()";
    case Type::Class:
        return Cls()->Name();
    case Type::Object:
        return Obj()->FormatForm();
    case Type::Time:
        return FormatTime(Ticks());
    case Type::Point2:
        return L"[" + FormatComponent(AsPoint2().x) + L"," + FormatComponent(AsPoint2().y) + L"]";
    }
    return L"";
}

std::wstring Value::TypeName() const {
    switch (GetType()) {
    case Type::Undefined:
        return L"UndefinedClass";
    case Type::Unsupplied:
        return L"UnsuppliedClass";
    case Type::Ok:
        return L"OkClass";
    case Type::Boolean:
        return L"BooleanClass";
    case Type::Integer:
        return L"Integer";
    case Type::Float:
        return L"Float";
    case Type::String:
        return L"String";
    case Type::Name:
        return L"Name";
    case Type::Array:
        return L"Array";
    case Type::BitArray:
        return L"BitArray";
    case Type::Point3:
        return L"Point3";
    case Type::Color:
        return L"Color";
    case Type::Function:
        return Fn()->IsNative() ? L"Primitive" : L"MAXScriptFunction";
    case Type::Class:
        return L"Class";
    case Type::Object:
        return Obj()->ClassName();
    case Type::Time:
        return L"Time";
    case Type::Point2:
        return L"Point2";
    }
    return L"";
}

bool operator==(const Value& a, const Value& b) {
    using T = Value::Type;
    // A number beside a time counts frames.
    if ((a.Is(T::Time) || b.Is(T::Time)) && (a.Is(T::Time) || a.IsNumber()) && (b.Is(T::Time) || b.IsNumber()))
        return TimeTicks(a) == TimeTicks(b);
    if (a.IsNumber() && b.IsNumber()) {
        if (a.Is(T::Integer) && b.Is(T::Integer)) return a.AsInt() == b.AsInt();
        return static_cast<float>(a.Number()) == static_cast<float>(b.Number());
    }
    if (a.GetType() != b.GetType()) return false;
    switch (a.GetType()) {
    case T::Undefined:
    case T::Unsupplied:
    case T::Ok:
        return true;
    case T::Boolean:
        return a.AsBool() == b.AsBool();
    case T::String:
        return a.Str() == b.Str();
    case T::Name:
        return SameNameNoCase(a.NameText(), b.NameText());
    case T::Array:
        return &a.Items() == &b.Items();
    case T::BitArray:
        return a.BitsRef() == b.BitsRef();
    case T::Point3:
        return a.AsPoint() == b.AsPoint();
    case T::Color:
        return a.AsColour() == b.AsColour();
    case T::Function:
        return a.Fn() == b.Fn();
    case T::Class:
        return a.Cls() == b.Cls();
    case T::Object:
        return a.Obj()->Equals(*b.Obj());
    case T::Time:
        return a.Ticks() == b.Ticks();
    case T::Point2:
        return a.AsPoint2() == b.AsPoint2();
    default:
        return false;
    }
}

const Value* CallArgs::Keyword(std::wstring_view lowerName) const {
    for (const auto& [name, value] : keywords)
        if (name == lowerName) return &value;
    return nullptr;
}

Value CallArgs::KeywordOr(std::wstring_view lowerName, Value otherwise) const {
    const Value* v = Keyword(lowerName);
    return v ? *v : otherwise;
}

ScriptClass::ScriptClass(std::wstring name, std::shared_ptr<ScriptClass> superClass, NativeFn constructor)
    : name_(std::move(name)), super_(std::move(superClass)), constructor_(std::move(constructor)) {}

Value ScriptClass::Construct(Interpreter& interp, CallArgs& args) {
    if (!constructor_) throw ScriptError(L"Type error: Call needs function or class, got: " + name_);
    return constructor_(interp, args);
}

bool ScriptClass::GetProperty(Interpreter&, const std::wstring&, Value&) {
    return false;
}

bool ScriptClass::IsKindOf(const ScriptClass& c) const {
    for (const ScriptClass* k = this; k; k = k->super_.get()) {
        if (k == &c) return true;
        if (k->super_.get() == k) break;
    }
    return false;
}

bool HostObject::GetProperty(Interpreter&, const std::wstring&, Value&) {
    return false;
}
bool HostObject::SetProperty(Interpreter&, const std::wstring&, const Value&) {
    return false;
}
bool HostObject::CallMethod(Interpreter&, const std::wstring&, CallArgs&, Value&) {
    return false;
}
bool HostObject::Call(Interpreter&, CallArgs&, Value&) {
    return false;
}
bool HostObject::GetIndex(Interpreter&, const Value&, Value&) {
    return false;
}
bool HostObject::SetIndex(Interpreter&, const Value&, const Value&) {
    return false;
}
bool HostObject::Enumerate(Interpreter&, std::vector<Value>&) {
    return false;
}
bool HostObject::ConvertTo(Interpreter&, const ScriptClass&, Value&) {
    return false;
}
bool HostObject::Arithmetic(const std::wstring&, const Value&, bool, Value&) const {
    return false;
}

std::wstring FormatTime(std::int64_t ticks) {
    const std::int64_t perFrame = GetTicksPerFrame();
    if (ticks % perFrame == 0) return std::to_wstring(ticks / perFrame) + L"f";
    return FormatComponent(static_cast<double>(ticks) / static_cast<double>(perFrame)) + L"f";
}

std::int64_t TimeTicks(const Value& v) {
    if (v.Is(Value::Type::Time)) return v.Ticks();
    if (v.IsNumber()) return std::llround(v.Number() * GetTicksPerFrame());
    throw ScriptError(L"Unable to convert: " + v.PrintForm() + L" to type: Time");
}
