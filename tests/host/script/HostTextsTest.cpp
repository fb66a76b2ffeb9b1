// How the plug-in runs its script texts (ExecuteMAXScriptScript and the runtime's Execute): a loud error
// is written to the listener with its position and answers false; a quiet one writes nothing, leaves the
// result alone and goes to the quiet log only when asked; the value comes back typed. The texts
// themselves run against the host in the e2e script host_texts.ms.
#include "host/core/Listener.h"
#include "host/script/ScriptRuntime.h"

#include <gtest/gtest.h>

TEST(HostTexts, LoudErrorsReachTheListenerAndQuietOnesOnlyTheLogWhenAsked) {
    ScriptRuntime& rt = ScriptRuntime::Get();
    rt.Reset();
    ListenerCapture capture;
    auto run = [&](const std::wstring& text, bool quiet, Value* result = nullptr, bool log = true) {
        return rt.Execute(text, MAXScript::ScriptSource::NonEmbedded, quiet, result, log);
    };
    rt.Interp().RegisterFunction(L"OpenOstrivansManager", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"OpenOstrivansManager", a, 0);
        return Value::Ok();
    });
    EXPECT_TRUE(run(L"OpenOstrivansManager()", false));
    EXPECT_FALSE(run(L"OpenOstrivansManager 1", false));
    EXPECT_FALSE(ExecuteMAXScriptScript(L"x = (1 +", MAXScript::ScriptSource::NonEmbedded));

    const ScriptHostPaths paths = rt.Interp().Paths();
    rt.Interp().Paths().iniFile.clear();
    Value result = Value::Int(5);
    EXPECT_FALSE(run(L"GetINISetting (getMAXIniFile()) \"Ostrivans\" \"PrintTimes\";", true, &result));
    rt.Interp().Paths() = paths;
    EXPECT_EQ(result.PrintForm(), L"5");
    // The manager's query: no dialog of that name, the quiet query fails; not logged when asked not to.
    Value open;
    EXPECT_FALSE(run(L"Ostrivans_Manager.open", true, &open, false));
    ASSERT_TRUE(run(L"rollout Ostrivans_Manager \"References\" (button refresh \"Refresh\")", false));
    ASSERT_TRUE(run(L"Ostrivans_Manager.open", true, &open));
    EXPECT_EQ(open.PrintForm(), L"false");
    EXPECT_EQ(rt.QuietErrorLog(),
              std::vector<std::wstring>{L"<script>:1:16: Runtime error: the host has no settings file configured (in call to getMAXIniFile)"});
    EXPECT_EQ(capture.Text(), WStr(L"-- <script>:1:1: Argument count error: OpenOstrivansManager wanted 0, got 1\n"
                                   L"-- <script>:1:9: syntax error: expected an expression but found end of script\n"));
}
