// The host's one script runtime and the C++ entry that runs a script text in it.
#pragma once

#include "host/core/MaxTypes.h"
#include "host/script/Interpreter.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class FPValue;

namespace MAXScript {
// Where a script text comes from; errors and security checks may treat the kinds differently.
enum class ScriptSource { NotSpecified, Embedded, NonEmbedded, Dynamic };
} // namespace MAXScript

class ScriptRuntime {
public:
    // The process's runtime (made on first use).
    static ScriptRuntime& Get();

    Interpreter& Interp() { return *interp_; }
    // Replaces the interpreter by a fresh one (globals gone), keeping the configured paths and the
    // value bridge; for a host reset and for tests.
    void Reset();

    // Runs a text; the last value. Throws ScriptError.
    Value Run(std::wstring_view text, const std::wstring& sourceName = L"<script>");
    // Runs a text and reports instead of throwing: true when it ran without error. With quietErrors an
    // error is only logged (when logQuietErrors); otherwise it is written to the listener as
    // "-- source:line:column: message".
    bool Execute(std::wstring_view text, MAXScript::ScriptSource source, bool quietErrors, Value* result,
                 bool logQuietErrors);

    // Quiet errors that were logged (the host's log file), oldest first.
    const std::vector<std::wstring>& QuietErrorLog() const { return quietLog_; }
    void ClearQuietErrorLog() { quietLog_.clear(); }
    // The text of the last error Execute met, "" after a run without error.
    const std::wstring& LastError() const { return lastError_; }

    // Converts a result for ExecuteMAXScriptScript's FPValue; function publishing installs it.
    using FPValueBridge = std::function<void(Interpreter&, const Value&, FPValue&)>;
    void SetFPValueBridge(FPValueBridge bridge) { bridge_ = std::move(bridge); }
    const FPValueBridge& GetFPValueBridge() const { return bridge_; }

private:
    ScriptRuntime();
    std::unique_ptr<Interpreter> interp_;
    std::vector<std::wstring> quietLog_;
    std::wstring lastError_;
    FPValueBridge bridge_;
};

// Runs a script text in the host's runtime, as plug-ins call it. The last value goes to fpv through the
// function-publishing bridge when both are there. True when the script ran without error.
bool ExecuteMAXScriptScript(const MCHAR* s, MAXScript::ScriptSource scriptSource, BOOL quietErrors = FALSE,
                            FPValue* fpv = nullptr, BOOL logQuietErrors = TRUE);
