// The plug-in's own script texts (layer settings, the IK guard, undo keys, opening a file, the manager
// window) run through ExecuteMAXScriptScript against host functions registered the way the scene layer
// registers them.
#include "host/core/Listener.h"
#include "host/script/ScriptRuntime.h"

#include <gtest/gtest.h>

namespace {

// Stands in for the layer manager's interface: one setting, read and written by method calls.
class LayerManagerStub : public HostObject {
public:
    std::wstring ClassName() const override { return L"Interface"; }
    std::wstring PrintForm() const override { return L"<Interface:LayerManager>"; }
    bool CallMethod(Interpreter&, const std::wstring& m, CallArgs& a, Value& out) override {
        if (m == L"getduplicatelayerwithoutsamehierarchyonmerge") {
            CheckArgCount(L"GetDuplicateLayerWithoutSameHierarchyOnMerge", a, 0);
            out = Value::Bool(duplicate);
            return true;
        }
        if (m == L"setduplicatelayerwithoutsamehierarchyonmerge") {
            CheckArgCount(L"setDuplicateLayerWithoutSameHierarchyOnMerge", a, 1);
            duplicate = ArgBool(a[0]);
            persisted = ArgBool(a.KeywordOr(L"persist", Value::Bool(true)));
            out = Value::Ok();
            return true;
        }
        return false;
    }
    bool duplicate = true;
    bool persisted = true;
};

class ActionManagerStub : public HostObject {
public:
    std::wstring ClassName() const override { return L"Interface"; }
    bool CallMethod(Interpreter&, const std::wstring& m, CallArgs& a, Value& out) override {
        if (m != L"executeaction") return false;
        CheckArgCount(L"executeAction", a, 2);
        calls.push_back(std::to_wstring(ArgInt(a[0])) + L":" + ArgString(a[1]));
        out = Value::Bool(true);
        return true;
    }
    std::vector<std::wstring> calls;
};

class HostTexts : public ::testing::Test {
protected:
    void SetUp() override {
        ScriptRuntime::Get().Reset();
        Interpreter& in = ScriptRuntime::Get().Interp();
        layers = std::make_shared<LayerManagerStub>();
        actions = std::make_shared<ActionManagerStub>();
        in.SetGlobal(L"LayerManager", Value::Object(layers));
        in.SetGlobal(L"actionMan", Value::Object(actions));
        in.RegisterGlobalAccessor(L"selection", [this](Interpreter&) { return Value::Array(selection); });
        in.RegisterFunction(L"select", [this](Interpreter& i, CallArgs& a) {
            CheckArgCount(L"select", a, 1);
            events.push_back(std::wstring(L"select ") + (i.ContextState(L"undo") ? L"undo on" : L"undo off") +
                             L" " + a[0].PrintForm());
            return Value::Ok();
        });
        in.RegisterMaxCommand(L"undo", [this](Interpreter&) { events.push_back(L"undo"); });
        in.RegisterMaxCommand(L"redo", [this](Interpreter&) { events.push_back(L"redo"); });
        in.RegisterFunction(L"checkForSave",
                            [this](Interpreter&, CallArgs&) { return Value::Bool(userAllowsOpen); });
        in.RegisterFunction(L"loadMaxFile", [this](Interpreter&, CallArgs& a) {
            CheckArgCount(L"loadMaxFile", a, 1);
            events.push_back(L"load " + ArgString(a[0]) + L" quiet:" +
                             a.KeywordOr(L"quiet", Value::Bool(false)).PrintForm());
            return Value::Bool(true);
        });
        in.RegisterFunction(L"OpenOstrivansManager", [this](Interpreter&, CallArgs& a) {
            CheckArgCount(L"OpenOstrivansManager", a, 0);
            events.push_back(L"open manager");
            return Value::Ok();
        });
    }

    bool Run(const std::wstring& text, bool quiet = false, Value* result = nullptr) {
        return ScriptRuntime::Get().Execute(text, MAXScript::ScriptSource::NonEmbedded, quiet, result, true);
    }

    ListenerCapture capture;
    std::shared_ptr<LayerManagerStub> layers;
    std::shared_ptr<ActionManagerStub> actions;
    std::vector<Value> selection{Value::String(L"Box01")};
    std::vector<std::wstring> events;
    bool userAllowsOpen = true;
};

} // namespace

TEST_F(HostTexts, LayerSettingIsSwitchedOffAndPutBack) {
    ASSERT_TRUE(Run(L"OVLRD=LayerManager.GetDuplicateLayerWithoutSameHierarchyOnMerge();"
                    L"LayerManager.setDuplicateLayerWithoutSameHierarchyOnMerge false persist:false"));
    EXPECT_FALSE(layers->duplicate);
    EXPECT_FALSE(layers->persisted);
    ASSERT_TRUE(Run(L"LayerManager.setDuplicateLayerWithoutSameHierarchyOnMerge OVLRD persist:false"));
    EXPECT_TRUE(layers->duplicate);
    EXPECT_EQ(capture.Text(), WStr(L""));
}

TEST_F(HostTexts, IkGuardSelectsWithoutUndoThenUndoesTheSolver) {
    ASSERT_TRUE(Run(L"undo off select selection"));
    ASSERT_TRUE(Run(L"actionMan.executeAction 0 \"40015\";undo on select selection"));
    EXPECT_EQ(actions->calls, (std::vector<std::wstring>{L"0:40015"}));
    EXPECT_EQ(events,
              (std::vector<std::wstring>{L"select undo off #(\"Box01\")", L"select undo on #(\"Box01\")"}));
}

TEST_F(HostTexts, UndoAndRedoKeys) {
    ASSERT_TRUE(Run(L"max undo"));
    ASSERT_TRUE(Run(L"max redo"));
    EXPECT_EQ(events, (std::vector<std::wstring>{L"undo", L"redo"}));
}

TEST_F(HostTexts, OpeningTheReferencedFileAsksToSaveFirst) {
    const std::wstring text = L"if (checkForSave()) do loadMaxFile @\"C:\\scenes\\city.max\" quiet:false";
    ASSERT_TRUE(Run(text));
    userAllowsOpen = false;
    ASSERT_TRUE(Run(text));
    EXPECT_EQ(events, (std::vector<std::wstring>{L"load C:\\scenes\\city.max quiet:false"}));
}

TEST_F(HostTexts, ManagerWindowTexts) {
    ASSERT_TRUE(Run(L"OpenOstrivansManager()"));
    EXPECT_EQ(events, (std::vector<std::wstring>{L"open manager"}));
    // With an argument it raises the argument-count error, shown in the listener.
    EXPECT_FALSE(Run(L"OpenOstrivansManager 1"));
    EXPECT_EQ(capture.Text(),
              WStr(L"-- <script>:1:1: Argument count error: OpenOstrivansManager wanted 0, got 1\n"));
    // No dialog of that name exists: the quiet query fails and the caller answers false.
    Value open;
    EXPECT_FALSE(Run(L"Ostrivans_Manager.open", true, &open));
    // A script that defines the dialog makes the same query answer.
    ASSERT_TRUE(Run(L"rollout Ostrivans_Manager \"References\" (button refresh \"Refresh\")"));
    ASSERT_TRUE(Run(L"Ostrivans_Manager.open", true, &open));
    EXPECT_EQ(open.PrintForm(), L"false");
    // The manager's close text destroys the dialog a script created.
    ASSERT_TRUE(Run(L"CreateDialog Ostrivans_Manager"));
    ASSERT_TRUE(Run(L"Ostrivans_Manager.open", true, &open));
    EXPECT_EQ(open.PrintForm(), L"true");
    ASSERT_TRUE(Run(L"DestroyDialog Ostrivans_Manager"));
    ASSERT_TRUE(Run(L"Ostrivans_Manager.open", true, &open));
    EXPECT_EQ(open.PrintForm(), L"false");
    EXPECT_FALSE(Run(L"DestroyDialog No_Such_Dialog"));
}

