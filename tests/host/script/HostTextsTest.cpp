// How the plug-in runs its script texts (ExecuteMAXScriptScript): a loud error is written to the
// listener with its position and answers false; a quiet one writes nothing; the value comes back typed.
// The texts themselves run against the host in the e2e script host_texts.ms.
#include "host/core/Listener.h"
#include "host/script/ScriptRuntime.h"

#include <gtest/gtest.h>

TEST(HostTexts, LoudErrorsReachTheListenerAndQuietOnesDoNot) {
    ScriptRuntime::Get().Reset();
    ListenerCapture capture;
    auto run = [](const std::wstring& text, bool quiet, Value* result = nullptr) {
        return ScriptRuntime::Get().Execute(text, MAXScript::ScriptSource::NonEmbedded, quiet, result, true);
    };
    Interpreter& in = ScriptRuntime::Get().Interp();
    in.RegisterFunction(L"OpenOstrivansManager", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"OpenOstrivansManager", a, 0);
        return Value::Ok();
    });
    EXPECT_TRUE(run(L"OpenOstrivansManager()", false));
    EXPECT_FALSE(run(L"OpenOstrivansManager 1", false));
    EXPECT_EQ(capture.Text(),
              WStr(L"-- <script>:1:1: Argument count error: OpenOstrivansManager wanted 0, got 1\n"));
    // The manager's query: no dialog of that name, the quiet query fails and writes nothing.
    Value open;
    EXPECT_FALSE(run(L"Ostrivans_Manager.open", true, &open));
    ASSERT_TRUE(run(L"rollout Ostrivans_Manager \"References\" (button refresh \"Refresh\")", false));
    ASSERT_TRUE(run(L"Ostrivans_Manager.open", true, &open));
    EXPECT_EQ(open.PrintForm(), L"false");
    EXPECT_EQ(capture.Text(),
              WStr(L"-- <script>:1:1: Argument count error: OpenOstrivansManager wanted 0, got 1\n"));
}
