// checkForSave's question through the host's message box service (the other scene file built-ins are
// tested by scripts).
#include "host/core/Listener.h"
#include "host/scene/HostServices.h"
#include "host/scene/Interface.h"
#include "host/script/Interpreter.h"
#include "host/script/SceneFileBuiltins.h"
#include "host/script/scene/SceneBuiltins.h"
#include "tests/support/SceneBuilder.h"
#include "tests/support/ScratchDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

class SceneFiles : public SceneFixture {
protected:
    SceneFiles() {
        RegisterSceneBuiltins(in);
        RegisterSceneFileBuiltins(in);
        file = scratch.File("scene.max").str();
        in.SetGlobal(L"f", Value::String(file));
    }
    ~SceneFiles() override { GetCOREInterface()->FileReset(TRUE); }
    std::wstring Eval(const std::wstring& text) { return in.Run(text, L"sf.ms").PrintForm(); }
    HostServices& Services() { return GetCOREInterface()->Services(); }

    ListenerCapture capture;
    Interpreter in;
    ScratchDir scratch{"ostrivans-scenefiles"};
    std::wstring file;
};

} // namespace

TEST_F(SceneFiles, CheckForSaveAsksOnlyWhenTheSceneChanged) {
    b.Box("A1").Build();
    ASSERT_EQ(Eval(L"saveMaxFile f"), L"true");
    GetCOREInterface()->SetSaveRequiredFlag(FALSE);
    Services().ClearRecord();
    EXPECT_EQ(Eval(L"checkForSave()"), L"true");
    EXPECT_TRUE(Services().Shown().empty());

    GetCOREInterface()->SetSaveRequiredFlag(TRUE);
    Services().QueueAnswer(IDNO);
    EXPECT_EQ(Eval(L"checkForSave()"), L"true");
    ASSERT_EQ(Services().Shown().size(), 1u);
    EXPECT_EQ(Services().Shown()[0].title, WStr(L"Save Changes"));
    EXPECT_TRUE(GetCOREInterface()->IsSaveRequired()); // "No" saves nothing

    Services().QueueAnswer(IDCANCEL);
    EXPECT_EQ(Eval(L"checkForSave()"), L"false");

    fs::remove(file);
    Services().QueueAnswer(IDYES);
    EXPECT_EQ(Eval(L"checkForSave()"), L"true");
    EXPECT_TRUE(fs::exists(file)); // saved to the open file
    EXPECT_FALSE(GetCOREInterface()->IsSaveRequired());

    // An untitled scene cannot be saved without a file dialog: "Yes" counts as a cancel.
    Eval(L"resetMaxFile #noPrompt");
    GetCOREInterface()->SetSaveRequiredFlag(TRUE);
    Services().QueueAnswer(IDYES);
    EXPECT_EQ(Eval(L"checkForSave()"), L"false");
}
