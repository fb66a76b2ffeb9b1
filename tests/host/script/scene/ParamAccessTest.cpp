// Parameters by name from script: the unit conventions of each parameter type, tables, references and
// the errors for values of the wrong type.
#include "host/scene/INode.h"
#include "host/scene/IParamBlock2.h"
#include "host/scene/Interface.h"
#include "host/scene/Mtl.h"
#include "host/scene/Object.h"
#include "tests/host/script/scene/ScriptSceneFixture.h"

#include <numbers>

TEST_F(ScriptScene, AnglesReadInDegreesAndAreStoredInRadians) {
    Run(L"s = Sphere name:\"S\" slice:true sliceFrom:90");
    IParamBlock2* pb = Node(L"S")->GetObjectRef()->FindBaseObject()->GetParamBlock(0);
    ASSERT_TRUE(pb);
    EXPECT_NEAR(pb->GetFloat(6), std::numbers::pi / 2, 1e-5);
    EXPECT_EQ(Eval(L"s.sliceFrom"), L"90.0");
    EXPECT_EQ(Eval(L"s.slice"), L"true");
}

TEST_F(ScriptScene, PercentagesReadAsPercentAndColoursAsZeroTo255) {
    Run(L"m = Standard(); m.opacity = 50; m.diffuse = color 51 102 255");
    IParamBlock2* pb = nullptr;
    Run(L"b = Box name:\"B\" material:m");
    pb = Node(L"B")->GetMtl()->GetParamBlock(0);
    ASSERT_TRUE(pb);
    float opacity = pb->GetFloat(6);
    EXPECT_NEAR(opacity, 0.5f, 1e-6f);
    Point3 diffuse = pb->GetPoint3(1);
    EXPECT_NEAR(diffuse.x, 0.2f, 1e-6f);
    EXPECT_NEAR(diffuse.z, 1.0f, 1e-6f);
    EXPECT_EQ(Eval(L"m.opacity"), L"50.0");
    EXPECT_EQ(Eval(L"m.diffuse"), L"(color 51 102 255)");
}

TEST_F(ScriptScene, IntegerAndBooleanParametersKeepTheirTypes) {
    Run(L"t = TurboSmooth iterations:2 isolineDisplay:true");
    EXPECT_EQ(Eval(L"t.iterations"), L"2");
    EXPECT_EQ(Eval(L"t.isolineDisplay"), L"true");
    EXPECT_EQ(Error(L"t.isolineDisplay = \"yes\""), L"t.ms:1:3: Unable to convert: \"yes\" to type: BooleanClass");
    EXPECT_EQ(Error(L"t.iterations = [1,2,3]"), L"t.ms:1:3: Unable to convert: [1,2,3] to type: Integer");
}

TEST_F(ScriptScene, NodeTablesTakeNodesAndRefuseOtherValues) {
    Run(L"a = Point name:\"A\"; b = Point name:\"B\"; s = Skin(); s.bones = #(a, b)");
    EXPECT_EQ(Eval(L"for n in s.bones collect n.name"), L"#(\"A\", \"B\")");
    Run(L"s.bones = #(b)");
    EXPECT_EQ(Eval(L"s.bones.count"), L"1");
    EXPECT_EQ(Error(L"s.bones = #(1)"), L"t.ms:1:3: Unable to convert: 1 to type: Node");
    EXPECT_EQ(Error(L"s.bones = a"), L"t.ms:1:3: Unable to convert: $Point:A @ [0.000000,0.000000,0.000000] to type: Array");
}

TEST_F(ScriptScene, ParameterEditsAreUndoable) {
    Run(L"b = Box name:\"B\" height:10");
    Run(L"undo on (b.height = 99)");
    EXPECT_EQ(Eval(L"b.height"), L"99.0");
    Run(L"max undo");
    EXPECT_EQ(Eval(L"b.height"), L"10.0");
}

TEST_F(ScriptScene, QuatAndEulerAnglesPrintAsTheHostPrintsThem) {
    EXPECT_EQ(Eval(L"quat 0 0 0 1"), L"(quat 0 0 0 1)");
    EXPECT_EQ(Eval(L"eulerAngles 0 0 90"), L"(eulerAngles 0 0 90)");
    EXPECT_EQ(Eval(L"(eulerAngles 10 20 30).y"), L"20.0");
    EXPECT_EQ(Error(L"(Box()).rotation = 5"), L"t.ms:1:9: Unable to convert: 5 to type: Quat");
}
