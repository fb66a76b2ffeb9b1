// Evaluation: every construct, scopes, printing forms, conversions, host objects and runtime errors.
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
    std::wstring Printed() const { return capture.Text().str(); }

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

TEST_F(Script, PrintFormsOfEveryValue) {
    EXPECT_EQ(Eval(L"1.5"), L"1.5");
    EXPECT_EQ(Eval(L"2.0"), L"2.0");
    EXPECT_EQ(Eval(L"1/3.0"), L"0.333333");
    EXPECT_EQ(Eval(L"1e10"), L"1e+10");
    EXPECT_EQ(Eval(L"7"), L"7");
    EXPECT_EQ(Eval(L"\"abc\""), L"\"abc\"");
    EXPECT_EQ(Eval(L"#(1, \"a\", #b, 2.0, #())"), L"#(1, \"a\", #b, 2.0, #())");
    EXPECT_EQ(Eval(L"#{1..3, 5}"), L"#{1..3, 5}");
    EXPECT_EQ(Eval(L"[1, 2.5, -3]"), L"[1,2.5,-3]");
    EXPECT_EQ(Eval(L"color 255 0 0"), L"(color 255 0 0)");
    EXPECT_EQ(Eval(L"red"), L"(color 255 0 0)");
    EXPECT_EQ(Eval(L"undefined"), L"undefined");
    EXPECT_EQ(Eval(L"ok"), L"OK");
    EXPECT_EQ(Eval(L"true"), L"true");
    EXPECT_EQ(Eval(L"fn foo = 1"), L"foo()");
    EXPECT_EQ(Eval(L"classOf 1"), L"Integer");
    EXPECT_EQ(Eval(L"()"), L"OK");

    in.Run(L"print \"abc\"; format \"%|%|%|%\\n\" \"abc\" #(\"x\", 1) #name 2.0", L"t.ms");
    EXPECT_EQ(Printed(), L"\"abc\"\nabc|#(\"x\", 1)|name|2.0\n");
}

TEST_F(Script, ArithmeticAndComparison) {
    EXPECT_EQ(Eval(L"7 / 2"), L"3");
    EXPECT_EQ(Eval(L"7 / 2.0"), L"3.5");
    EXPECT_EQ(Eval(L"2 ^ 10"), L"1024");
    EXPECT_EQ(Eval(L"-2 * 3 + 1"), L"-5");
    EXPECT_EQ(Eval(L"\"ab\" + \"cd\""), L"\"abcd\"");
    EXPECT_EQ(Eval(L"[1,2,3] + [1,1,1] * 2"), L"[3,4,5]");
    EXPECT_EQ(Eval(L"1 == 1.0"), L"true");
    EXPECT_EQ(Eval(L"\"a\" == \"A\""), L"false");
    EXPECT_EQ(Eval(L"#abc == #ABC"), L"true");
    EXPECT_EQ(Eval(L"#(1) == #(1)"), L"false"); // arrays compare by identity
    EXPECT_EQ(Eval(L"a = #(1); b = a; a == b"), L"true");
    EXPECT_EQ(Eval(L"3 >= 3 and \"a\" < \"b\" and not (2 != 2)"), L"true");
    EXPECT_EQ(Eval(L"x = 10; x -= 4; x *= 2; x /= 3; x += 1"), L"5");
}

TEST_F(Script, LogicShortCircuitsAndNeedsBooleans) {
    // The right side is never evaluated, so the unknown function is never called.
    EXPECT_EQ(Eval(L"false and (nosuch())"), L"false");
    EXPECT_EQ(Eval(L"true or (nosuch())"), L"true");
    EXPECT_EQ(Error(L"if 1 then 2"), L"t.ms:1:4: Type error: if needs a BooleanClass, got: 1");
}

TEST_F(Script, AsConversions) {
    EXPECT_EQ(Eval(L"\"abc\" as integer"), L"undefined");
    EXPECT_EQ(Eval(L"\"12\" as integer"), L"12");
    EXPECT_EQ(Eval(L"\" 12 \" as integer"), L"12");
    EXPECT_EQ(Eval(L"\"12abc\" as integer"), L"undefined");
    EXPECT_EQ(Eval(L"\"\" as integer"), L"undefined");
    EXPECT_EQ(Eval(L"\"1.75\" as integer"), L"1");
    EXPECT_EQ(Eval(L"\"-3\" as float"), L"-3.0");
    EXPECT_EQ(Eval(L"3.9 as integer"), L"3");
    EXPECT_EQ(Eval(L"3 as float"), L"3.0");
    EXPECT_EQ(Eval(L"12 as string"), L"\"12\"");
    EXPECT_EQ(Eval(L"#(1, \"a\") as string"), L"\"#(1, \"a\")\"");
    EXPECT_EQ(Eval(L"\"foo\" as name"), L"#foo");
    EXPECT_EQ(Eval(L"#{2, 4} as array"), L"#(2, 4)");
    EXPECT_EQ(Eval(L"#(3, 1) as bitArray"), L"#{1, 3}");
    EXPECT_EQ(Error(L"x = #(1) as integer"), L"t.ms:1:10: Unable to convert: #(1) to type: Integer");
}

TEST_F(Script, ConditionalsAndLoops) {
    EXPECT_EQ(Eval(L"if 1 > 2 then \"a\" else \"b\""), L"\"b\"");
    EXPECT_EQ(Eval(L"if 1 > 2 then \"a\""), L"undefined");
    EXPECT_EQ(Eval(L"if true do 5"), L"5");
    EXPECT_EQ(Eval(L"for i = 1 to 10 by 3 collect i"), L"#(1, 4, 7, 10)");
    EXPECT_EQ(Eval(L"for i = 3 to 1 by -1 collect i"), L"#(3, 2, 1)");
    EXPECT_EQ(Eval(L"for i = 0.0 to 1.0 by 0.5 collect i"), L"#(0.0, 0.5, 1.0)");
    EXPECT_EQ(Eval(L"for x in #(1, 2, 3, 4) where (mod x 2) == 0 collect x * 10"), L"#(20, 40)");
    EXPECT_EQ(Eval(L"for b in #{2, 5} collect b"), L"#(2, 5)");
    EXPECT_EQ(Eval(L"for c in \"ab\" collect c"), L"#(\"a\", \"b\")");
    EXPECT_EQ(Eval(L"s = 0; for i = 1 to 5 do s += i; s"), L"15");
    EXPECT_EQ(Eval(L"i = 0; while i < 5 do i += 2; i"), L"6");
    EXPECT_EQ(Eval(L"i = 10; do i += 1 while i < 5; i"), L"11"); // the body runs once
    EXPECT_EQ(Eval(L"for i = 1 to 10 do (if i == 4 do exit with i * 100)"), L"400");
    EXPECT_EQ(Eval(L"for i = 1 to 5 collect (if i == 3 do exit; i)"), L"#(1, 2)");
    EXPECT_EQ(Eval(L"for i = 1 to 5 where i != 2 collect (if i == 4 do continue; i)"), L"#(1, 3, 5)");
    EXPECT_EQ(Eval(L"a = #(1); for x in a do (if x < 3 do append a (x + 1)); a"), L"#(1, 2, 3)");
    EXPECT_EQ(Eval(L"case 2 of (1: \"one\"; 2: \"two\"; default: \"many\")"), L"\"two\"");
    EXPECT_EQ(Eval(L"case of ((1 > 2): 1; (2 > 1): 2)"), L"2");
    EXPECT_EQ(Eval(L"case #z of (#a: 1; default: 0)"), L"0");
}

TEST_F(Script, FunctionsScopesAndRecursion) {
    EXPECT_EQ(Eval(L"fn fact n = if n <= 1 then 1 else n * fact (n - 1)\nfact 10"), L"3628800");
    EXPECT_EQ(Eval(L"fn add a b scale:1 = (a + b) * scale\nadd 1 2 scale:10"), L"30");
    EXPECT_EQ(Eval(L"fn f a k: = k\nf 1"), L"unsupplied");
    EXPECT_EQ(Eval(L"fn early x = (if x > 0 do return #pos; #neg)\n#(early 1, early -1)"), L"#(#pos, #neg)");
    // A variable first assigned inside a function is local to it; a global keeps its value.
    EXPECT_EQ(Eval(L"g = 1\nfn touch = (g = 2; fresh = 3)\ntouch()\n#(g, fresh)"), L"#(2, undefined)");
    EXPECT_EQ(Eval(L"(local v = 5; v)"), L"5");
    EXPECT_EQ(Eval(L"(local v2 = 5)\nv2"), L"undefined");
    EXPECT_EQ(Eval(L"(global gg = 7)\ngg"), L"7");
    // Functions see the scope they were defined in.
    EXPECT_EQ(Eval(L"(local base = 100; fn addBase x = x + base; addBase 5)"), L"105");
    EXPECT_EQ(Eval(L"fn counter = (local n = 0; n += 1)\ncounter(); counter()"), L"1");
    EXPECT_EQ(Eval(L"MyVar = 3; myvar"), L"3"); // names ignore case
    // A function that leaves its scope keeps the variables it sees.
    EXPECT_EQ(Eval(L"fn makeAdder n = (fn add x = x + n)\nadd5 = makeAdder 5\nadd9 = makeAdder 9\n#(add5 2, "
                   L"add9 2)"),
              L"#(7, 11)");
}

TEST_F(Script, SharedArraysAndStringsValuePoints) {
    EXPECT_EQ(Eval(L"a = #(1); b = a; append b 2; a"), L"#(1, 2)");
    EXPECT_EQ(Eval(L"a = #(1); b = copy a; append b 2; a"), L"#(1)");
    EXPECT_EQ(Eval(L"s = \"ab\"; t = s; append t \"c\"; s"), L"\"abc\"");
    EXPECT_EQ(Eval(L"p = [1,2,3]; q = p; q.x = 9; #(p, q)"), L"#([1,2,3], [9,2,3])");
    EXPECT_EQ(Eval(L"a = #(); a[3] = 1; a"), L"#(undefined, undefined, 1)");
    EXPECT_EQ(Eval(L"a = #(5, 6); #(a[2], a[3], a.count)"), L"#(6, undefined, 2)");
    EXPECT_EQ(Eval(L"a = #(1,2,3); a.count = 1; a"), L"#(1)");
    EXPECT_EQ(Eval(L"b = #{}; b[3] = true; #(b, b[3], b[1], b.numberSet)"), L"#(#{3}, true, false, 1)");
    EXPECT_EQ(Eval(L"\"hello\"[2]"), L"\"e\"");
    EXPECT_EQ(Eval(L"c = color 10 20 30; c.g = 99; c"), L"(color 10 99 30)");
}

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
    EXPECT_EQ(Error(L"a = 1 +\n  \"s\""), L"t.ms:1:7: Unable to convert: \"s\" to type: Integer");
    EXPECT_EQ(Error(L"z = undefined + 1"), L"t.ms:1:15: No \"+\" function for undefined");
    EXPECT_EQ(Error(L"1 / 0"), L"t.ms:1:3: Divide by zero");
    EXPECT_EQ(Error(L"fn two a b = a\ntwo 1"), L"t.ms:2:1: Argument count error: two wanted 2, got 1");
    EXPECT_EQ(Error(L"nosuch 1"), L"t.ms:1:1: Type error: Call needs function or class, got: undefined");
    EXPECT_EQ(Error(L"print()"), L"t.ms:1:1: Argument count error: print wanted 1, got 0");
    // An error inside a function points into the function, not at the call.
    EXPECT_EQ(Error(L"fn bad = (\n  #().foo\n)\nbad()"), L"t.ms:2:7: Unknown property: \"foo\" in #()");
    EXPECT_EQ(Error(L"exit"), L"t.ms:1:1: Runtime error: exit outside of a loop");
    EXPECT_EQ(Error(L"fn loop n = loop n\nloop 1"), L"t.ms:1:13: Runtime error: stack overflow in loop");
    EXPECT_EQ(Error(L"a = #(1)\na[0]"), L"t.ms:2:2: Runtime error: index must be 1 or more, got: 0");
}

TEST_F(Script, TryCatchKeepsTheMessage) {
    EXPECT_EQ(Eval(L"try (#().foo) catch (getCurrentException())"), L"\"Unknown property: \"foo\" in #()\"");
    EXPECT_EQ(in.CurrentException(), L"Unknown property: \"foo\" in #()");
    EXPECT_EQ(Eval(L"try (throw \"custom\") catch (42)"), L"42");
    // Host exceptions raised by built-ins are script errors too.
    in.RegisterFunction(L"hostFails",
                        [](Interpreter&, CallArgs&) -> Value { throw MAXException(L"disk full"); });
    EXPECT_EQ(Error(L"\nhostFails()"), L"t.ms:2:1: disk full");
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
