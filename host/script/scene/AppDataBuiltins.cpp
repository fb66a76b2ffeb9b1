// App data from script: text kept on any animatable under an index (setAppData, getAppData, deleteAppData,
// clearAllAppData), saved with the scene like any other app data.
#include "host/core/Animatable.h"
#include "host/core/AppData.h"
#include "host/core/WStr.h"
#include "host/script/Interpreter.h"
#include "host/script/ScriptError.h"
#include "host/script/scene/NodeValue.h"
#include "host/script/scene/SceneProperties.h"

#include <cstring>
#include <string>

namespace {

// Script texts are filed under the script language's own class, one block per index, as UTF-8 with a
// terminating zero.
const Class_ID kScriptAppDataClass(0x5c4d1b7e, 0x2a9f03c6);
constexpr SClass_ID kScriptAppDataSuperClass = 0x00000F01;

Animatable* Target(const wchar_t* fn, const Value& v) {
    Animatable* a = AnimFromValue(v);
    if (!a) {
        if (v.Is(Value::Type::Object)) throw ScriptError(std::wstring(L"Runtime error: ") + fn + L": " + v.PrintForm() +
                                                         L" is deleted");
        ThrowConvertError(v, L"MAXWrapper");
    }
    return a;
}

DWORD IndexArg(const Value& v) {
    const std::int64_t i = ArgInt(v);
    if (i < 0 || i > 0xFFFFFFFFLL) throw ScriptError(L"Runtime error: app data index out of range: " + std::to_wstring(i));
    return static_cast<DWORD>(i);
}

} // namespace

void RegisterAppDataBuiltins(Interpreter& in) {
    in.RegisterFunction(L"setAppData", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"setAppData", a, 3);
        Animatable* anim = Target(L"setAppData", a[0]);
        const DWORD index = IndexArg(a[1]);
        const std::string utf8 = WStr(ArgString(a[2])).ToUTF8();
        void* data = MAX_malloc(utf8.size() + 1);
        std::memcpy(data, utf8.c_str(), utf8.size() + 1);
        anim->AddAppDataChunk(kScriptAppDataClass, kScriptAppDataSuperClass, index,
                              static_cast<DWORD>(utf8.size() + 1), data);
        return Value::Ok();
    });
    in.RegisterFunction(L"getAppData", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"getAppData", a, 2);
        Animatable* anim = Target(L"getAppData", a[0]);
        AppDataChunk* c = anim->GetAppDataChunk(kScriptAppDataClass, kScriptAppDataSuperClass, IndexArg(a[1]));
        if (!c) return Value();
        const char* text = static_cast<const char*>(c->data);
        return Value::String(WStr::FromUTF8(std::string(text, c->length ? strnlen(text, c->length) : 0)).str());
    });
    in.RegisterFunction(L"deleteAppData", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"deleteAppData", a, 2);
        Target(L"deleteAppData", a[0])->RemoveAppDataChunk(kScriptAppDataClass, kScriptAppDataSuperClass,
                                                           IndexArg(a[1]));
        return Value::Ok();
    });
    // Every block of the animatable goes, whoever filed it, as the host's function of that name does.
    in.RegisterFunction(L"clearAllAppData", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"clearAllAppData", a, 1);
        Target(L"clearAllAppData", a[0])->ClearAllAppData();
        return Value::Ok();
    });
}
