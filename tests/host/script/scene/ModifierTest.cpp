// Modifiers from script: addModifier, deleteModifier, the stack as .modifiers, enable states, names and
// parameters.
#include "host/scene/IDerivedObject.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "tests/host/script/scene/ScriptSceneFixture.h"

namespace {
IDerivedObject* Stack(INode* n) { return dynamic_cast<IDerivedObject*>(n->GetObjectRef()); }
} // namespace

TEST_F(ScriptScene, AddModifierPutsNewModifiersOnTopOfTheStack) {
    Run(L"b = Box name:\"Wall01\"; addModifier b (Bend()); addModifier b (TurboSmooth())");
    IDerivedObject* d = Stack(Node(L"Wall01"));
    ASSERT_TRUE(d);
    ASSERT_EQ(d->NumModifiers(), 2);
    EXPECT_EQ(d->GetModifier(0)->GetName(), MSTR(L"TurboSmooth"));
    EXPECT_EQ(Eval(L"b.modifiers"), L"#(TurboSmooth:TurboSmooth, Bend:Bend)");
    EXPECT_EQ(Eval(L"b.modifiers.count"), L"2");
    EXPECT_EQ(Eval(L"classOf b"), L"Box"); // the base object's class, under any stack
    Run(L"addModifier b (Twist()) before:2");
    EXPECT_EQ(Eval(L"for m in b.modifiers collect m.name"), L"#(\"TurboSmooth\", \"Bend\", \"Twist\")");
}

TEST_F(ScriptScene, ModifiersIndexByNumberAndByName) {
    Run(L"b = Box name:\"B\"; addModifier b (Bend()); addModifier b (Edit_Poly())");
    EXPECT_EQ(Eval(L"b.modifiers[1].name"), L"\"Edit Poly\"");
    EXPECT_EQ(Eval(L"b.modifiers[#edit_poly].name"), L"\"Edit Poly\"");
    EXPECT_EQ(Eval(L"b.modifiers[\"Bend\"]"), L"Bend:Bend");
    EXPECT_EQ(Eval(L"b.modifiers[3]"), L"undefined");
}

TEST_F(ScriptScene, ModifierParametersNameAndEnableStates) {
    Run(L"b = Box name:\"Wall01\"; addModifier b (Bend angle:10)");
    EXPECT_EQ(Eval(L"$Wall01.modifiers[1].angle"), L"10.0");
    Run(L"$Wall01.modifiers[1].angle = 30");
    Modifier* m = Stack(Node(L"Wall01"))->GetModifier(0);
    EXPECT_EQ(Eval(L"$Wall01.modifiers[1].angle"), L"30.0");
    Run(L"m = $Wall01.modifiers[1]; m.name = \"Curve\"; m.enabled = false; m.enabledInViews = false");
    EXPECT_EQ(m->GetName(), MSTR(L"Curve"));
    EXPECT_FALSE(m->IsEnabled());
    EXPECT_FALSE(m->IsEnabledInViews());
    EXPECT_TRUE(m->IsEnabledInRender());
    Run(L"m.enabledInRenders = false");
    EXPECT_FALSE(m->IsEnabledInRender());
    EXPECT_EQ(Eval(L"m.enabled"), L"false");
}

TEST_F(ScriptScene, DeleteModifierByIndexOrByModifier) {
    Run(L"b = Box name:\"B\"; addModifier b (Bend()); addModifier b (Twist()); addModifier b (Skin())");
    Run(L"deleteModifier b 1");
    EXPECT_EQ(Eval(L"for m in b.modifiers collect m.name"), L"#(\"Twist\", \"Bend\")");
    Run(L"deleteModifier b b.modifiers[#bend]");
    EXPECT_EQ(Eval(L"for m in b.modifiers collect m.name"), L"#(\"Twist\")");
    EXPECT_EQ(Error(L"deleteModifier b 5"), L"t.ms:1:1: Runtime error: deleteModifier: no such modifier on B: 5");
    EXPECT_EQ(Error(L"addModifier b 5"), L"t.ms:1:1: Unable to convert: 5 to type: Modifier");
}

TEST_F(ScriptScene, AModifierDeletedWithUndoComesBack) {
    Run(L"b = Box name:\"B\"; addModifier b (Bend())");
    Run(L"undo on (deleteModifier b 1)");
    EXPECT_EQ(Eval(L"b.modifiers.count"), L"0");
    Run(L"max undo");
    EXPECT_EQ(Eval(L"b.modifiers.count"), L"1");
}
