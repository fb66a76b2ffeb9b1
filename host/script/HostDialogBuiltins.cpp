// Message, question and yes/no/cancel boxes from script through the host's message box service, and the
// progress bar a long script shows.
#include "host/script/HostDialogBuiltins.h"

#include "host/scene/HostServices.h"
#include "host/scene/Interface.h"
#include "host/script/Interpreter.h"
#include "host/script/ScriptError.h"

#include <memory>
#include <string>

namespace {

// The yes/no/cancel button set of the message box service.
constexpr unsigned kYesNoCancel = 0x3;

Interface& App() {
    Interface* ip = GetCOREInterface();
    if (!ip) throw ScriptError(L"Runtime error: the host has no application object");
    return *ip;
}

// box <text> title:<string> beep:<bool>: the service's answer. A box beeps first unless beep:false.
int Ask(const wchar_t* function, CallArgs& a, unsigned style) {
    CheckArgCount(function, a, 1);
    const std::wstring& text = ArgString(a[0]);
    const std::wstring title = ArgString(a.KeywordOr(L"title", Value::String(L"Script")));
    Interface& ip = App();
    if (ArgBool(a.KeywordOr(L"beep", Value::Bool(true)))) ip.Services().Beep(style & 0xF0);
    return ip.Services().MessageBox(WStr(text.c_str()), WStr(title.c_str()), style);
}

// The progress bar: its caption, how far it is, and whether the user asked to cancel (setProgressCancel
// stands for the cancel button in a run without a window).
struct ProgressState {
    bool active = false;
    bool cancelled = false;
    std::wstring caption;
    double percent = 0;
};

void RegisterProgress(Interpreter& in) {
    auto state = std::make_shared<ProgressState>();
    in.RegisterFunction(L"progressStart", [state](Interpreter&, CallArgs& a) {
        CheckArgCount(L"progressStart", a, 1);
        *state = {true, false, ArgString(a[0]), 0};
        return Value::Bool(true);
    });
    // progressUpdate <percent>: false once the user cancelled, so the loop can stop.
    in.RegisterFunction(L"progressUpdate", [state](Interpreter&, CallArgs& a) {
        CheckArgCount(L"progressUpdate", a, 1);
        const double percent = ArgFloat(a[0]);
        if (!state->active)
            throw ScriptError(L"Runtime error: progressUpdate: no progress bar, call progressStart first");
        state->percent = percent < 0 ? 0 : percent > 100 ? 100 : percent;
        return Value::Bool(!state->cancelled);
    });
    in.RegisterFunction(L"progressEnd", [state](Interpreter&, CallArgs& a) {
        CheckArgCount(L"progressEnd", a, 0);
        state->active = false;
        return Value::Ok();
    });
    in.RegisterFunction(L"getProgressCancel", [state](Interpreter&, CallArgs& a) {
        CheckArgCount(L"getProgressCancel", a, 0);
        return Value::Bool(state->cancelled);
    });
    in.RegisterFunction(L"setProgressCancel", [state](Interpreter&, CallArgs& a) {
        CheckArgCount(L"setProgressCancel", a, 1);
        state->cancelled = ArgBool(a[0]);
        return Value::Ok();
    });
}

} // namespace

void RegisterHostDialogBuiltins(Interpreter& in) {
    in.RegisterFunction(L"messageBox", [](Interpreter&, CallArgs& a) {
        Ask(L"messageBox", a, MB_OK | MB_ICONEXCLAMATION);
        return Value::Ok();
    });
    in.RegisterFunction(L"queryBox", [](Interpreter&, CallArgs& a) {
        return Value::Bool(Ask(L"queryBox", a, MB_YESNO | MB_ICONQUESTION) == IDYES);
    });
    in.RegisterFunction(L"yesNoCancelBox", [](Interpreter&, CallArgs& a) {
        const int answer = Ask(L"yesNoCancelBox", a, kYesNoCancel | MB_ICONQUESTION);
        return Value::Name(answer == IDYES ? L"yes" : answer == IDNO ? L"no" : L"cancel");
    });
    for (const wchar_t* name : {L"redrawViews", L"completeRedraw"})
        in.RegisterFunction(name, [name](Interpreter&, CallArgs& a) {
            CheckArgCount(name, a, 0);
            Interface& ip = App();
            ip.RedrawViews(ip.GetTime());
            return Value::Ok();
        });
    RegisterProgress(in);
}
