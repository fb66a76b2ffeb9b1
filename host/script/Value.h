// Values of the script language, the host objects later layers add, classes and call arguments.
#pragma once

#include "host/core/BitArray.h"
#include "host/core/Point3.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

class Interpreter;
class Scope;
class ScriptClass;
class ScriptFunction;
class HostObject;
struct AstNode;
struct CallArgs;

// A script value. Strings, arrays and bit arrays are shared, mutable objects (append changes every
// variable that holds the same array); numbers, points, colours and names are plain values.
class Value {
public:
    enum class Type {
        Undefined,
        Unsupplied,
        Ok,
        Boolean,
        Integer,
        Float,
        String,
        Name,
        Array,
        BitArray,
        Point3,
        Color,
        Function,
        Class,
        Object,
        Time,
        Point2,
    };

    Value() = default;
    static Value Undefined() { return Value(); }
    static Value Unsupplied() { return Value(Store(UnsuppliedTag{})); }
    static Value Ok() { return Value(Store(OkTag{})); }
    static Value Bool(bool b) { return Value(Store(b)); }
    static Value Int(std::int64_t i) { return Value(Store(i)); }
    static Value Float(double f) { return Value(Store(static_cast<float>(f))); }
    static Value String(std::wstring s) { return Value(Store(std::make_shared<std::wstring>(std::move(s)))); }
    static Value Name(std::wstring s) { return Value(Store(NameBox{std::move(s)})); }
    static Value Array(std::vector<Value> items = {});
    static Value Bits(const ::BitArray& bits) { return Value(Store(std::make_shared<::BitArray>(bits))); }
    static Value Point(const ::Point3& p) { return Value(Store(p)); }
    static Value Colour(const ::Point3& rgb) { return Value(Store(ColorBox{rgb})); }
    static Value Function(std::shared_ptr<ScriptFunction> f) { return Value(Store(std::move(f))); }
    static Value Class(std::shared_ptr<ScriptClass> c) { return Value(Store(std::move(c))); }
    static Value Object(std::shared_ptr<HostObject> o) { return Value(Store(std::move(o))); }
    // An animation time in ticks (TIME_TICKSPERSEC a second); it prints in frames of the scene's rate.
    static Value Time(std::int64_t ticks) { return Value(Store(TimeBox{ticks})); }
    // A 2D point, kept as a Point3 whose z is 0 so that it shares the vector arithmetic.
    static Value Point2(double x, double y) {
        return Value(Store(Point2Box{::Point3(static_cast<float>(x), static_cast<float>(y), 0.0f)}));
    }

    Type GetType() const { return static_cast<Type>(v_.index()); }
    bool Is(Type t) const { return GetType() == t; }
    bool IsUndefined() const { return Is(Type::Undefined); }
    bool IsUnsupplied() const { return Is(Type::Unsupplied); }
    bool IsNumber() const { return Is(Type::Integer) || Is(Type::Float); }

    bool AsBool() const { return std::get<bool>(v_); }
    std::int64_t AsInt() const { return std::get<std::int64_t>(v_); }
    float AsFloatRaw() const { return std::get<float>(v_); }
    // An integer or float as a float.
    double Number() const { return Is(Type::Integer) ? static_cast<double>(AsInt()) : AsFloatRaw(); }
    const std::wstring& Str() const { return *std::get<StrRef>(v_); }
    std::wstring& MutableStr() const { return *std::get<StrRef>(v_); }
    const std::wstring& NameText() const { return std::get<NameBox>(v_).text; }
    std::vector<Value>& Items() const { return *std::get<ArrayRef>(v_); }
    ::BitArray& BitsRef() const { return *std::get<BitsPtr>(v_); }
    const ::Point3& AsPoint() const { return std::get<::Point3>(v_); }
    const ::Point3& AsColour() const { return std::get<ColorBox>(v_).rgb; }
    const std::shared_ptr<ScriptFunction>& Fn() const { return std::get<FnRef>(v_); }
    const std::shared_ptr<ScriptClass>& Cls() const { return std::get<ClassRef>(v_); }
    const std::shared_ptr<HostObject>& Obj() const { return std::get<ObjRef>(v_); }
    std::int64_t Ticks() const { return std::get<TimeBox>(v_).ticks; }
    const ::Point3& AsPoint2() const { return std::get<Point2Box>(v_).xy; }
    // The host object as a given type, or null.
    template <class T> T* ObjAs() const { return Is(Type::Object) ? dynamic_cast<T*>(Obj().get()) : nullptr; }

    // The form print and the listener show: strings in quotes, 1.5, 2.0, #(1, 2, 3), #foo, OK.
    std::wstring PrintForm() const;
    // The form format "%" and "as string" give: strings without quotes, names without "#".
    std::wstring FormatForm() const;
    // Class name for messages ("Integer", "Array", or the host object's class).
    std::wstring TypeName() const;

    // The language's "==": numbers by value across integer and float, strings case-sensitively, names
    // case-insensitively, points and colours by components, arrays and host objects by identity.
    friend bool operator==(const Value& a, const Value& b);

private:
    struct UnsuppliedTag {};
    struct OkTag {};
    struct NameBox {
        std::wstring text;
    };
    struct ColorBox {
        ::Point3 rgb;
    };
    struct TimeBox {
        std::int64_t ticks;
    };
    struct Point2Box {
        ::Point3 xy;
    };
    using StrRef = std::shared_ptr<std::wstring>;
    using ArrayRef = std::shared_ptr<std::vector<Value>>;
    using BitsPtr = std::shared_ptr<::BitArray>;
    using FnRef = std::shared_ptr<ScriptFunction>;
    using ClassRef = std::shared_ptr<ScriptClass>;
    using ObjRef = std::shared_ptr<HostObject>;
    // The order follows Type.
    using Store = std::variant<std::monostate, UnsuppliedTag, OkTag, bool, std::int64_t, float, StrRef,
                               NameBox, ArrayRef, BitsPtr, ::Point3, ColorBox, FnRef, ClassRef, ObjRef, TimeBox,
                               Point2Box>;
    explicit Value(Store v) : v_(std::move(v)) {}
    Store v_;
};

// A float as the language prints it: six significant digits, and ".0" when that looks like an integer.
std::wstring FormatFloat(double f);
// A point component or colour channel: six significant digits, no ".0".
std::wstring FormatComponent(double f);
// A time as the language prints it: whole frames "10f", others "1.5f".
std::wstring FormatTime(std::int64_t ticks);
// A time, or a number of frames, in ticks; anything else raises the conversion error.
std::int64_t TimeTicks(const Value& v);

// Positional and keyword arguments of a call. Keyword names are lower-cased.
struct CallArgs {
    std::vector<Value> positional;
    std::vector<std::pair<std::wstring, Value>> keywords;

    size_t Count() const { return positional.size(); }
    const Value& operator[](size_t i) const { return positional[i]; }
    const Value* Keyword(std::wstring_view lowerName) const;
    Value KeywordOr(std::wstring_view lowerName, Value otherwise) const;
};

using NativeFn = std::function<Value(Interpreter&, CallArgs&)>;

// A function value: a built-in (native) or one written in script (definition plus the scope it was
// defined in).
class ScriptFunction {
public:
    std::wstring name;
    NativeFn native;
    std::shared_ptr<const AstNode> definition;
    std::shared_ptr<Scope> closure;

    bool IsNative() const { return static_cast<bool>(native); }
};

// A class value: Integer, String, Point3, and the host's classes that later layers register (Box,
// Bend, StandardMaterial). A class with a constructor is callable: "color 255 0 0", "Box length:10".
class ScriptClass {
public:
    ScriptClass(std::wstring name, std::shared_ptr<ScriptClass> superClass, NativeFn constructor = {});
    virtual ~ScriptClass() = default;

    const std::wstring& Name() const { return name_; }
    const std::shared_ptr<ScriptClass>& SuperClass() const { return super_; }
    virtual bool CanConstruct() const { return static_cast<bool>(constructor_); }
    virtual Value Construct(Interpreter& interp, CallArgs& args);
    virtual bool GetProperty(Interpreter& interp, const std::wstring& lowerName, Value& out);
    // This class or one of its super classes is c.
    bool IsKindOf(const ScriptClass& c) const;

private:
    std::wstring name_;
    std::shared_ptr<ScriptClass> super_;
    NativeFn constructor_;
};

// A value the host adds to the language: scene nodes, interfaces, materials, streams. Each operation
// answers false when the object has no such property, method, index or conversion, and the evaluator
// then raises the language's error. Property and method names arrive lower-cased.
class HostObject {
public:
    virtual ~HostObject() = default;
    virtual std::wstring ClassName() const = 0;
    // The class's super class name, used when the class was not registered with the interpreter.
    virtual std::wstring SuperClassName() const { return L"Value"; }
    virtual std::wstring PrintForm() const { return ClassName(); }
    virtual std::wstring FormatForm() const { return PrintForm(); }
    virtual bool GetProperty(Interpreter& interp, const std::wstring& lowerName, Value& out);
    virtual bool SetProperty(Interpreter& interp, const std::wstring& lowerName, const Value& value);
    virtual bool CallMethod(Interpreter& interp, const std::wstring& lowerName, CallArgs& args, Value& out);
    virtual bool Call(Interpreter& interp, CallArgs& args, Value& out);
    virtual bool GetIndex(Interpreter& interp, const Value& index, Value& out);
    virtual bool SetIndex(Interpreter& interp, const Value& index, const Value& value);
    // The items "for x in obj" visits.
    virtual bool Enumerate(Interpreter& interp, std::vector<Value>& out);
    virtual bool ConvertTo(Interpreter& interp, const ScriptClass& target, Value& out);
    // "a op b" with this value as a (selfLeft) or as b; false when the operator is not defined for them.
    virtual bool Arithmetic(const std::wstring& op, const Value& other, bool selfLeft, Value& out) const;
    virtual bool Equals(const HostObject& other) const { return this == &other; }
};
