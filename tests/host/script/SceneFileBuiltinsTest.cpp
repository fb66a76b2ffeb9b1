// The scene file built-ins: save, load, reset and merge from script, the open file's name and folder,
// and checkForSave's question.
#include "host/core/Listener.h"
#include "host/scene/HostServices.h"
#include "host/scene/Interface.h"
#include "host/script/Interpreter.h"
#include "host/script/SceneFileBuiltins.h"
#include "host/script/ScriptError.h"
#include "host/script/scene/SceneBuiltins.h"
#include "tests/support/SceneBuilder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class SceneFiles : public SceneFixture {
protected:
    SceneFiles() {
        RegisterSceneBuiltins(in);
        RegisterSceneFileBuiltins(in);
        dir = fs::temp_directory_path() / ("ostrivans-scenefiles-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        file = (dir / "scene.max").wstring();
        in.SetGlobal(L"f", Value::String(file));
    }
    ~SceneFiles() override {
        GetCOREInterface()->FileReset(TRUE);
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    std::wstring Eval(const std::wstring& text) { return in.Run(text, L"sf.ms").PrintForm(); }
    std::wstring Error(const std::wstring& text) {
        try {
            in.Run(text, L"sf.ms");
        } catch (const ScriptError& e) {
            return e.Detail();
        }
        return L"(no error)";
    }
    HostServices& Services() { return GetCOREInterface()->Services(); }

    ListenerCapture capture;
    Interpreter in;
    fs::path dir;
    std::wstring file;
};

} // namespace

TEST_F(SceneFiles, SaveResetLoadAndTheOpenFilesNameAndFolder) {
    b.Box("A1").Pos({1, 2, 3}).Build();
    b.Sphere("B1").Build();
    EXPECT_EQ(Eval(L"maxFileName + \"|\" + maxFilePath"), L"\"|\"");
    EXPECT_EQ(Eval(L"saveMaxFile f"), L"true");
    EXPECT_EQ(Eval(L"maxFileName"), L"\"scene.max\"");
    EXPECT_EQ(Eval(L"maxFilePath"), L"\"" + dir.wstring() + L"/\"");
    EXPECT_EQ(Eval(L"resetMaxFile #noPrompt"), L"OK");
    EXPECT_EQ(Eval(L"objects.count"), L"0");
    EXPECT_EQ(Eval(L"maxFileName"), L"\"\"");
    EXPECT_EQ(Eval(L"loadMaxFile f"), L"true");
    EXPECT_EQ(Eval(L"maxFileName"), L"\"scene.max\"");
    EXPECT_EQ(Eval(L"$A1.pos"), L"[1,2,3]");
    EXPECT_EQ(Error(L"resetMaxFile #yes"), L"Runtime error: resetMaxFile does not take the argument #yes");
    EXPECT_EQ(Error(L"saveMaxFile()"), L"Argument count error: saveMaxFile wanted 1, got 0");
}

TEST_F(SceneFiles, ARelativeFileIsTakenFromTheWorkingFolder) {
    b.Box("A1").Build();
    fs::path previous = fs::current_path();
    fs::current_path(dir);
    EXPECT_EQ(Eval(L"saveMaxFile \"rel.max\""), L"true");
    EXPECT_EQ(Eval(L"maxFilePath + maxFileName"), L"\"" + (dir / "rel.max").wstring() + L"\"");
    fs::current_path(previous);
    EXPECT_TRUE(fs::exists(dir / "rel.max"));
}

TEST_F(SceneFiles, AFileThatCannotBeReadGivesFalseAndLeavesTheScene) {
    b.Box("Keep").Build();
    EXPECT_EQ(Eval(L"loadMaxFile (f + \".missing\")"), L"false");
    EXPECT_EQ(Eval(L"mergeMaxFile (f + \".missing\")"), L"false");
    EXPECT_NE(GetCOREInterface()->GetLastFileError().Length(), 0);
    EXPECT_EQ(Eval(L"objects.count"), L"1");
}

TEST_F(SceneFiles, MergeByNameReportsTheNodesAndHonoursTheDuplicateFlags) {
    b.Box("A1").Build();
    b.Box("B1").Build();
    b.Box("C1").Build();
    ASSERT_EQ(Eval(L"saveMaxFile f"), L"true");
    Eval(L"resetMaxFile #noPrompt");
    EXPECT_EQ(Eval(L"made = #()\nmergeMaxFile f #(\"B1\", \"C1\") mergedNodes:made"), L"true");
    EXPECT_EQ(Eval(L"for n in made collect n.name"), L"#(\"B1\", \"C1\")");
    EXPECT_EQ(Eval(L"objects.count"), L"2");
    EXPECT_EQ(Eval(L"mergeMaxFile f #(\"B1\") #skipDups"), L"true");
    EXPECT_EQ(Eval(L"objects.count"), L"2");
    EXPECT_EQ(Eval(L"mergeMaxFile f #deleteOldDups"), L"true"); // B1 and C1 replaced, A1 added
    EXPECT_EQ(Eval(L"objects.count"), L"3");
    EXPECT_EQ(Eval(L"mergeMaxFile f #(\"B1\") #mergeDups #select"), L"true");
    EXPECT_EQ(Eval(L"objects.count"), L"4");
    EXPECT_EQ(Eval(L"selection.count"), L"1");
    EXPECT_EQ(Error(L"mergeMaxFile f #sometimes"), L"Runtime error: mergeMaxFile does not take the argument #sometimes");
    EXPECT_EQ(Error(L"mergeMaxFile f mergedNodes:1"), L"Runtime error: mergeMaxFile mergedNodes: wants an array, got 1");
}

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

    fs::remove(dir / "scene.max");
    Services().QueueAnswer(IDYES);
    EXPECT_EQ(Eval(L"checkForSave()"), L"true");
    EXPECT_TRUE(fs::exists(dir / "scene.max")); // saved to the open file
    EXPECT_FALSE(GetCOREInterface()->IsSaveRequired());

    // An untitled scene cannot be saved without a file dialog: "Yes" counts as a cancel.
    Eval(L"resetMaxFile #noPrompt");
    GetCOREInterface()->SetSaveRequiredFlag(TRUE);
    Services().QueueAnswer(IDYES);
    EXPECT_EQ(Eval(L"checkForSave()"), L"false");
}
