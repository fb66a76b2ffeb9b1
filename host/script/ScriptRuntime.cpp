// The process's script runtime: one interpreter, error reporting for C++ callers.
#include "host/script/ScriptRuntime.h"

#include "host/script/HostDialogBuiltins.h"
#include "host/script/SceneFileBuiltins.h"
#include "host/script/ScriptCallbacks.h"
#include "host/script/ScriptError.h"
#include "host/script/fp/FPScriptBridge.h"
#include "host/script/scene/SceneBuiltins.h"
#include "host/script/scene/SceneClasses.h"

ScriptRuntime::ScriptRuntime() : interp_(std::make_unique<Interpreter>()) {
    RegisterSceneBuiltins(*interp_);
    RegisterSceneFileBuiltins(*interp_);
    RegisterHostDialogBuiltins(*interp_);
    RegisterScriptCallbacks(*interp_);
    InstallFunctionPublishing(*this);
}

ScriptRuntime& ScriptRuntime::Get() {
    static ScriptRuntime runtime;
    return runtime;
}

void ScriptRuntime::Reset() {
    ScriptHostPaths paths = interp_->Paths();
    interp_ = std::make_unique<Interpreter>();
    interp_->Paths() = paths;
    RegisterSceneBuiltins(*interp_);
    RegisterSceneFileBuiltins(*interp_);
    RegisterHostDialogBuiltins(*interp_);
    RegisterScriptCallbacks(*interp_);
    RegisterInterfaceBuiltins(*interp_);
    PublishCoreInterfaces(*interp_);
    quietLog_.clear();
    lastError_.clear();
}

Value ScriptRuntime::Run(std::wstring_view text, const std::wstring& sourceName) {
    // Modules register classes and interfaces at any time.
    RefreshSceneClasses(*interp_);
    PublishCoreInterfaces(*interp_);
    return interp_->Run(text, sourceName);
}

bool ScriptRuntime::Execute(std::wstring_view text, MAXScript::ScriptSource, bool quietErrors, Value* result,
                            bool logQuietErrors) {
    lastError_.clear();
    try {
        RefreshSceneClasses(*interp_);
        PublishCoreInterfaces(*interp_);
        Value v = interp_->Run(text, L"<script>");
        if (result) *result = v;
        return true;
    } catch (const MAXException& e) {
        lastError_ = e.Message().str();
    } catch (const std::exception& e) {
        std::string what = e.what();
        lastError_ = L"Runtime error: " + std::wstring(what.begin(), what.end());
    }
    if (quietErrors) {
        if (logQuietErrors) quietLog_.push_back(lastError_);
    } else {
        interp_->Output().Write(L"-- " + lastError_ + L"\n");
        interp_->Output().Flush();
    }
    return false;
}

bool ExecuteMAXScriptScript(const MCHAR* s, MAXScript::ScriptSource scriptSource, BOOL quietErrors,
                            FPValue* fpv, BOOL logQuietErrors) {
    ScriptRuntime& runtime = ScriptRuntime::Get();
    Value result;
    bool ok =
        runtime.Execute(s ? s : L"", scriptSource, quietErrors != FALSE, &result, logQuietErrors != FALSE);
    if (ok && fpv && runtime.GetFPValueBridge()) runtime.GetFPValueBridge()(runtime.Interp(), result, *fpv);
    return ok;
}
