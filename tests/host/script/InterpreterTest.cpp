// Evaluation seen from the host: host objects through the extension point, contexts and max commands,
// definitions, error positions, host exceptions and undo steps (the language itself is tested by scripts).
#include "host/script/Interpreter.h"
#include "host/core/Hold.h"
#include "host/core/Listener.h"
#include "host/script/ScriptDefinition.h"
#include "host/script/ScriptError.h"

#include <gtest/gtest.h>

namespace {

class Script : public ::testing::Test {
protected:
    // The print form of the script's last value.
    std::wstring Eval(const std::wstring& text) { return in.Run(text, L"t.ms").PrintForm(); }
    // The error text of a script that must fail.
    std::wstring Error(const std::wstring& text) {
        try {
            in.Run(text, L"t.ms");
        } catch (const ScriptError& e) {
            return e.Message().str();
        }
        return L"(no error)";
    }

    ListenerCapture capture;
    Interpreter in;
};

// A scene-like object with a settable property, a method, indexing and items, as later layers add them.
class Crate : public HostObject {
public:
    explicit Crate(std::wstring n) : name(std::move(n)) {}
    std::wstring ClassName() const override { return L"Crate"; }
    std::wstring SuperClassName() const override { return L"Container"; }
    std::wstring PrintForm() const override { return L"$Crate:" + name; }
    bool GetProperty(Interpreter&, const std::wstring& p, Value& out) override {
        if (p == L"name") {
            out = Value::String(name);
            return true;
        }
        if (p == L"pos") {
            out = Value::Point(pos);
            return true;
        }
        return false;
    }
    bool SetProperty(Interpreter&, const std::wstring& p, const Value& v) override {
        if (p == L"name") {
            name = ArgString(v);
            return true;
        }
        if (p == L"pos") {
            pos = v.AsPoint();
            return true;
        }
        return false;
    }
    bool CallMethod(Interpreter&, const std::wstring& m, CallArgs& args, Value& out) override {
        if (m != L"resize") return false;
        size = ArgInt(args[0]) * ArgInt(args.KeywordOr(L"scale", Value::Int(1)));
        out = Value::Int(size);
        return true;
    }
    bool Enumerate(Interpreter&, std::vector<Value>& out) override {
        out = {Value::Int(10), Value::Int(20)};
        return true;
    }
    std::wstring name;
    Point3 pos;
    std::int64_t size = 0;
};

} // namespace

TEST_F(Script, HostObjectsThroughTheExtensionPoint) {
    auto crate = std::make_shared<Crate>(L"A");
    in.SetGlobal(L"crate", Value::Object(crate));
    EXPECT_EQ(Eval(L"crate"), L"$Crate:A");
    EXPECT_EQ(Eval(L"crate.name = \"B\"; crate.name"), L"\"B\"");
    EXPECT_EQ(crate->name, L"B");
    EXPECT_EQ(Eval(L"crate.resize 3 scale:2"), L"6");
    EXPECT_EQ(crate->size, 6);
    // A component of a point property is written back through the object.
    EXPECT_EQ(Eval(L"crate.pos.y = 5; crate.pos"), L"[0,5,0]");
    EXPECT_EQ(Eval(L"for v in crate collect v"), L"#(10, 20)");
    EXPECT_EQ(Eval(L"classOf crate"), L"Crate");
    EXPECT_EQ(Eval(L"superClassOf crate"), L"Container");
    EXPECT_EQ(Eval(L"isKindOf crate Container"), L"true");
    EXPECT_EQ(Eval(L"isKindOf crate Number"), L"false");
    EXPECT_EQ(Eval(L"crate == crate"), L"true");
    EXPECT_EQ(Error(L"crate.weight"), L"t.ms:1:7: Unknown property: \"weight\" in $Crate:B");
    EXPECT_EQ(Error(L"crate.lift 2"), L"t.ms:1:7: Unknown property: \"lift\" in $Crate:B");
}

TEST_F(Script, PathsContextsAndMaxCommands) {
    in.SetPathResolver([](Interpreter&, const std::wstring& path, bool quoted) {
        return Value::String(path + (quoted ? L"|quoted" : L""));
    });
    EXPECT_EQ(Eval(L"#($Box01, $'my box', $Wall*, $)"), L"#(\"Box01\", \"my box|quoted\", \"Wall*\", \"\")");

    std::vector<std::wstring> log;
    in.RegisterContext(L"undo", {[&](Interpreter&, const Value& label, bool on) {
                                     log.push_back(L"enter " + label.FormatForm() + (on ? L" on" : L" off"));
                                 },
                                 [&](Interpreter&, const Value&, bool, bool completed) {
                                     log.push_back(completed ? L"leave" : L"leave after error");
                                 }});
    in.RegisterFunction(L"undoState",
                        [](Interpreter& i, CallArgs&) { return Value::Bool(i.ContextState(L"undo")); });
    EXPECT_EQ(Eval(L"#(undoState(), undo off (undoState()), undo \"Step\" on (undoState()), with undo off "
                   L"undoState())"),
              L"#(true, false, true, false)");
    EXPECT_EQ(log, (std::vector<std::wstring>{L"enter undefined off", L"leave", L"enter Step on", L"leave",
                                              L"enter undefined off", L"leave"}));
    log.clear();
    EXPECT_EQ(Eval(L"try (undo off (throw \"boom\")) catch (getCurrentException())"),
              L"\"Runtime error: boom\"");
    EXPECT_EQ(log, (std::vector<std::wstring>{L"enter undefined off", L"leave after error"}));
    EXPECT_TRUE(in.ContextState(L"undo"));
    EXPECT_EQ(Eval(L"with redraw off (5)"), L"5");

    int undos = 0;
    in.RegisterMaxCommand(L"undo", [&](Interpreter&) { ++undos; });
    EXPECT_EQ(Eval(L"max undo; max undo"), L"OK");
    EXPECT_EQ(undos, 2);
    EXPECT_EQ(Error(L"\n  max Quick Render"), L"t.ms:2:3: Unknown max command: quick render");
}

TEST_F(Script, UndoOffSuspendsTheHoldForItsBodyOnlyEvenWhenTheBodyFails) {
    in.RegisterFunction(L"suspended", [](Interpreter&, CallArgs&) { return Value::Bool(theHold.IsSuspended()); });
    EXPECT_EQ(Eval(L"#(undo off (suspended()), suspended(), try (undo off (throw \"boom\")) catch (suspended()))"),
              L"#(true, false, false)");
    EXPECT_FALSE(theHold.IsSuspended());
}

TEST_F(Script, DefinitionsBecomeValues) {
    Value v = in.Run(L"def = attributes Weapon version:2 (\n"
                     L"  parameters main rollout:params (\n"
                     L"    hp type:#float ui:hpSpin default:(5 * 2)\n"
                     L"  )\n"
                     L"  rollout params \"Weapon Data\" (spinner hpSpin \"HP\")\n"
                     L")",
                     L"ca.ms");
    auto* def = v.ObjAs<ScriptDefinition>();
    ASSERT_NE(def, nullptr);
    EXPECT_EQ(v.PrintForm(), L"<AttributeDef:Weapon>");
    ASSERT_EQ(def->blocks.size(), 1u);
    const auto& hp = def->blocks[0].params.at(0);
    EXPECT_EQ(hp.name, L"hp");
    EXPECT_EQ(ScriptDefinition::Find(hp.keys, L"type")->PrintForm(), L"#float");
    EXPECT_EQ(ScriptDefinition::Find(hp.keys, L"ui")->PrintForm(), L"#hpSpin");
    EXPECT_EQ(ScriptDefinition::Find(hp.keys, L"default")->PrintForm(), L"10");
    EXPECT_EQ(ScriptDefinition::Find(def->keys, L"VERSION")->PrintForm(), L"2");
    ASSERT_EQ(def->rollouts.size(), 1u);
    EXPECT_EQ(def->rollouts[0].title, L"Weapon Data");
    EXPECT_EQ(def->rollouts[0].body, L"spinner hpSpin \"HP\"");

    EXPECT_EQ(Eval(L"rollout Dlg \"My Dialog\" (button b \"Go\")\n#(Dlg, Dlg.open, Dlg.title)"),
              L"#(Rollout:Dlg, false, \"My Dialog\")");
}

TEST_F(Script, RuntimeErrorsCarryPositions) {
    EXPECT_EQ(Error(L"x = 3\ny = x.foo"), L"t.ms:2:7: Unknown property: \"foo\" in 3");
    EXPECT_EQ(Error(L"a = 1 +\n  \"s\""), L"t.ms:1:7: Unable to convert: \"s\" to type: Integer (in operator +)");
    EXPECT_EQ(Error(L"z = undefined + 1"), L"t.ms:1:15: No \"+\" function for undefined");
    EXPECT_EQ(Error(L"1 / 0"), L"t.ms:1:3: Divide by zero (in operator /)");
    EXPECT_EQ(Error(L"fn two a b = a\ntwo 1"), L"t.ms:2:1: Argument count error: two wanted 2, got 1");
    EXPECT_EQ(Error(L"nosuch 1"), L"t.ms:1:1: Type error: Call needs function or class, got: undefined (in call to nosuch)");
    EXPECT_EQ(Error(L"print()"), L"t.ms:1:1: Argument count error: print wanted 1, got 0");
    // An error inside a function points into the function, not at the call.
    EXPECT_EQ(Error(L"fn bad = (\n  #().foo\n)\nbad()"), L"t.ms:2:7: Unknown property: \"foo\" in #()");
    EXPECT_EQ(Error(L"exit"), L"t.ms:1:1: Runtime error: exit outside of a loop");
    EXPECT_EQ(Error(L"fn loop n = loop n\nloop 1"), L"t.ms:1:13: Runtime error: stack overflow in loop");
    EXPECT_EQ(Error(L"a = #(1)\na[0]"), L"t.ms:2:2: Runtime error: index must be 1 or more, got: 0 (in index [])");
    EXPECT_EQ(Error(L"if 1 then 2"), L"t.ms:1:4: Type error: if needs a BooleanClass, got: 1");
    EXPECT_EQ(Error(L"x = #(1) as integer"), L"t.ms:1:10: Unable to convert: #(1) to type: Integer (in as)");
}

TEST_F(Script, HostExceptionsAreScriptErrors) {
    EXPECT_EQ(Eval(L"try (#().foo) catch (getCurrentException())"), L"\"Unknown property: \"foo\" in #()\"");
    EXPECT_EQ(in.CurrentException(), L"Unknown property: \"foo\" in #()");
    // Host exceptions raised by built-ins are script errors too.
    in.RegisterFunction(L"hostFails",
                        [](Interpreter&, CallArgs&) -> Value { throw MAXException(L"disk full"); });
    EXPECT_EQ(Error(L"\nhostFails()"), L"t.ms:2:1: disk full (in call to hostFails)");
    EXPECT_EQ(Eval(L"try (hostFails()) catch (getCurrentException())"), L"\"disk full\"");
}

namespace {

// Records into a log when undone or redone.
class LoggedChange : public RestoreObj {
public:
    LoggedChange(std::vector<std::wstring>& log, std::wstring name) : log_(log), name_(std::move(name)) {}
    void Restore(int) override { log_.push_back(L"undo " + name_); }
    void Redo() override { log_.push_back(L"redo " + name_); }

private:
    std::vector<std::wstring>& log_;
    std::wstring name_;
};

} // namespace

TEST_F(Script, UndoContextMakesStepsOnTheHold) {
    theHold.ResetForTests();
    std::vector<std::wstring> log;
    in.RegisterFunction(L"change", [&](Interpreter&, CallArgs& a) {
        theHold.Put(new LoggedChange(log, ArgString(a[0])));
        return Value::Ok();
    });
    in.Run(L"undo \"Paint\" on (change \"a\"; change \"b\")\nundo on change \"c\"\nundo off change \"lost\"",
           L"u.ms");
    ASSERT_EQ(theHold.NumUndoSteps(), 2);
    EXPECT_EQ(theHold.UndoStepName(0), WStr(L"Script"));
    EXPECT_EQ(theHold.UndoStepName(1), WStr(L"Paint"));
    EXPECT_FALSE(theHold.Holding());
    // Inside an open hold, "undo on" adds to it instead of making its own step.
    theHold.Begin();
    in.Run(L"undo \"Inner\" on (change \"d\")", L"u.ms");
    theHold.Accept(L"Outer");
    EXPECT_EQ(theHold.UndoStepName(0), WStr(L"Outer"));
    in.Run(L"max undo; max undo; max redo", L"u.ms");
    EXPECT_EQ(log, (std::vector<std::wstring>{L"undo d", L"undo c", L"redo c"}));
    // An error inside the body still closes the hold and resumes after "undo off".
    EXPECT_EQ(Error(L"undo off (undo on (throw \"x\"))"), L"t.ms:1:20: Runtime error: x");
    EXPECT_FALSE(theHold.IsSuspended());
    EXPECT_FALSE(theHold.Holding());
    theHold.ResetForTests();
}
