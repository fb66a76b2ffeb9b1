// Persistent globals: saved with the scene file, restored when a file is opened, dropped on reset and
// new; and the persistents interface that lists and changes them.
#include "host/core/ChunkFields.h"
#include "host/core/Notify.h"
#include "host/core/ReferenceTarget.h"
#include "host/io/SceneDataHandler.h"
#include "host/script/Interpreter.h"
#include "host/script/Lexer.h"
#include "host/script/ScriptError.h"
#include "host/script/ScriptRuntime.h"
#include "host/script/scene/NodeValue.h"
#include "host/script/scene/SceneProperties.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

// One chunk per global: its name, then its value. A value is one chunk whose id says its type.
constexpr USHORT kGlobalChunk = 0x0001;
constexpr USHORT kNameChunk = 0x0002;
enum : USHORT {
    kUndefined = 0x0100,
    kOk,
    kBoolean,
    kInteger,
    kFloat,
    kString,
    kName,
    kPoint3,
    kColour,
    kPoint2,
    kTime,
    kArray, // container of value chunks
    kObject // the object's id in the file
};

Interpreter& Interp() { return ScriptRuntime::Get().Interp(); }

// Values that outlive the scene's objects and the script's run: plain values, arrays of them and the scene
// objects the file holds. Functions, structs, rollouts and other script-made values are saved as undefined,
// as are objects the file leaves out.
void WriteValue(ISave* isave, const Value& v) {
    switch (v.GetType()) {
    case Value::Type::Ok: WriteValueChunk(isave, kOk, std::uint8_t{0}); return;
    case Value::Type::Boolean: WriteValueChunk(isave, kBoolean, static_cast<std::uint8_t>(v.AsBool())); return;
    case Value::Type::Integer: WriteValueChunk(isave, kInteger, v.AsInt()); return;
    case Value::Type::Float: WriteValueChunk(isave, kFloat, v.AsFloatRaw()); return;
    case Value::Type::String: WriteStringChunk(isave, kString, MSTR(v.Str().c_str())); return;
    case Value::Type::Name: WriteStringChunk(isave, kName, MSTR(v.NameText().c_str())); return;
    case Value::Type::Point3: WriteValueChunk(isave, kPoint3, v.AsPoint()); return;
    case Value::Type::Color: WriteValueChunk(isave, kColour, v.AsColour()); return;
    case Value::Type::Point2: WriteValueChunk(isave, kPoint2, v.AsPoint2().x, v.AsPoint2().y); return;
    case Value::Type::Time: WriteValueChunk(isave, kTime, v.Ticks()); return;
    case Value::Type::Array:
        isave->BeginChunk(kArray);
        for (const Value& item : v.Items()) WriteValue(isave, item);
        isave->EndChunk();
        return;
    case Value::Type::Object:
        if (Animatable* a = AnimFromValue(v)) {
            const int id = isave->GetRefID(a);
            if (id >= 0) {
                WriteValueChunk(isave, kObject, static_cast<std::int32_t>(id));
                return;
            }
        }
        break;
    default: break;
    }
    WriteValueChunk(isave, kUndefined, std::uint8_t{0});
}

using ObjectAt = std::function<ReferenceTarget*(int)>;

// The value of the open chunk; a damaged chunk reads as undefined rather than stopping the open.
Value ReadValue(ILoad* iload, const ObjectAt& objectAt) {
    const USHORT id = iload->CurChunkID();
    std::uint8_t b = 0;
    std::int64_t i = 0;
    float f = 0, g = 0;
    Point3 p;
    MSTR text;
    switch (id) {
    case kOk: return Value::Ok();
    case kBoolean: return ReadValues(iload, b) == IO_OK ? Value::Bool(b != 0) : Value();
    case kInteger: return ReadValues(iload, i) == IO_OK ? Value::Int(i) : Value();
    case kFloat: return ReadValues(iload, f) == IO_OK ? Value::Float(f) : Value();
    case kString: return iload->ReadWStringChunk(text) == IO_OK ? Value::String(text.str()) : Value();
    case kName: return iload->ReadWStringChunk(text) == IO_OK ? Value::Name(text.str()) : Value();
    case kPoint3: return ReadValues(iload, p) == IO_OK ? Value::Point(p) : Value();
    case kColour: return ReadValues(iload, p) == IO_OK ? Value::Colour(p) : Value();
    case kPoint2: return ReadValues(iload, f, g) == IO_OK ? Value::Point2(f, g) : Value();
    case kTime: return ReadValues(iload, i) == IO_OK ? Value::Time(i) : Value();
    case kArray: {
        std::vector<Value> items;
        ForEachChunk(iload, [&](USHORT) {
            items.push_back(ReadValue(iload, objectAt));
            return IO_OK;
        });
        return Value::Array(std::move(items));
    }
    case kObject: {
        std::int32_t at = 0;
        if (ReadValues(iload, at) != IO_OK) return Value();
        return MakeAnimValue(objectAt(at));
    }
    default: return Value();
    }
}

void DropPersistents(Interpreter& in) {
    const auto names = in.Persistents();
    for (const auto& [lower, name] : names) {
        in.RemovePersistent(name);
        in.RemoveGlobal(name);
    }
}

class PersistentGlobalsData : public SceneDataHandler {
public:
    const wchar_t* Name() const override { return L"persistent globals"; }
    bool HasData() const override { return !Interp().Persistents().empty(); }

    IOResult Save(ISave* isave) override {
        Interpreter& in = Interp();
        for (const auto& [lower, name] : in.Persistents()) {
            Value v;
            in.GetGlobal(name, v);
            isave->BeginChunk(kGlobalChunk);
            WriteStringChunk(isave, kNameChunk, MSTR(name.c_str()));
            WriteValue(isave, v);
            isave->EndChunk();
        }
        return IO_OK;
    }

    // The opened file's persistent globals replace those of the scene before it.
    void Opened(ILoad* iload, const ObjectAt& objectAt) override {
        Interpreter& in = Interp();
        DropPersistents(in);
        if (!iload) return;
        ForEachChunk(iload, [&](USHORT id) -> IOResult {
            if (id != kGlobalChunk) return IO_OK;
            MSTR name;
            Value v;
            ForEachChunk(iload, [&](USHORT part) -> IOResult {
                if (part == kNameChunk) return iload->ReadWStringChunk(name);
                v = ReadValue(iload, objectAt);
                return IO_OK;
            });
            if (name.isNull()) return IO_OK;
            in.SetGlobal(name.str(), v);
            in.MakePersistent(name.str());
            return IO_OK;
        });
    }
};

void OnSceneCleared(void*, NotifyInfo*) { DropPersistents(Interp()); }

std::wstring NameArg(const wchar_t* fn, const CallArgs& a) {
    CheckArgCount(fn, a, 1);
    if (a[0].Is(Value::Type::Name)) return a[0].NameText();
    if (a[0].Is(Value::Type::String)) return a[0].Str();
    ThrowConvertError(a[0], L"Name");
}

class Persistents : public HostObject {
public:
    std::wstring ClassName() const override { return L"Interface"; }
    std::wstring PrintForm() const override { return L"<Interface:persistents>"; }

    bool CallMethod(Interpreter& in, const std::wstring& name, CallArgs& a, Value& out) override {
        out = Value::Ok();
        if (name == L"ispersistent") {
            out = Value::Bool(in.Persistents().count(LowerName(NameArg(L"persistents.isPersistent", a))) != 0);
        } else if (name == L"make") {
            const std::wstring n = NameArg(L"persistents.make", a);
            if (!in.HasGlobal(n))
                throw ScriptError(L"Runtime error: persistents.make: no global variable named " + n);
            in.MakePersistent(n);
        } else if (name == L"remove") {
            in.RemovePersistent(NameArg(L"persistents.remove", a));
        } else if (name == L"removeall") {
            CheckArgCount(L"persistents.removeAll", a, 0);
            const auto names = in.Persistents();
            for (const auto& [lower, n] : names) in.RemovePersistent(n);
        } else if (name == L"show") {
            CheckArgCount(L"persistents.show", a, 0);
            for (const auto& [lower, n] : in.Persistents()) {
                Value v;
                in.GetGlobal(n, v);
                in.Output().Write(n + L": " + v.PrintForm() + L"\n");
            }
        } else {
            return false;
        }
        return true;
    }

};

} // namespace

void RegisterPersistentGlobals(Interpreter& in) {
    // One handler for the process: it works on the runtime's interpreter of the moment.
    static PersistentGlobalsData data;
    static bool registered = false;
    if (!registered) {
        registered = true;
        RegisterSceneDataHandler(&data);
        RegisterNotification(OnSceneCleared, nullptr, NOTIFY_SYSTEM_PRE_RESET);
        RegisterNotification(OnSceneCleared, nullptr, NOTIFY_SYSTEM_PRE_NEW);
    }
    in.SetGlobal(L"persistents", Value::Object(std::make_shared<Persistents>()));
}
