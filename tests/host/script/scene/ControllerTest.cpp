// Controllers from script: construction, values, list controllers and assignment to sub-animatables.
#include "host/scene/Control.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "tests/host/script/scene/ScriptSceneFixture.h"

TEST_F(ScriptScene, BezierFloatHoldsAValue) {
    Run(L"c = Bezier_Float(); c.value = 2.5");
    EXPECT_EQ(Eval(L"c.value"), L"2.5");
    EXPECT_EQ(Eval(L"c"), L"Controller:Bezier_Float");
    EXPECT_EQ(Error(L"c.value = \"x\""), L"t.ms:1:3: Unable to convert: \"x\" to type: Float");
}

TEST_F(ScriptScene, FloatListAppendsThroughAvailableAndSetsActive) {
    Run(L"l = Float_List(); l.available.controller = Bezier_Float(); l.available.controller = Bezier_Float()");
    EXPECT_EQ(Eval(L"l.count"), L"2");
    Run(L"l.active = 2");
    EXPECT_EQ(Eval(L"l.active"), L"2");
    EXPECT_EQ(Error(L"l.active = 5"), L"t.ms:1:3: Runtime error: active index out of range: 5 (2 items)");
    EXPECT_EQ(Error(L"l.available.controller = Bezier_Position()"),
              L"t.ms:1:13: Runtime error: a Controller:Bezier_Position cannot go into Controller:Float_List");
}

TEST_F(ScriptScene, PositionListOnTheNodeKeepsThePosition) {
    Run(L"b = Box name:\"B\" pos:[1,2,3]");
    Run(L"b[#transform][#position].controller = Position_List()");
    Control* pos = Node(L"B")->GetTMController()->GetPositionController();
    ASSERT_TRUE(pos);
    EXPECT_TRUE(pos->GetInterface(LIST_CONTROLLER_INTERFACE));
    EXPECT_EQ(Node(L"B")->GetNodeTM(0).GetTrans(), Point3(1, 2, 3));
}

TEST_F(ScriptScene, EulerRotationControllerTakesTheRotationSlot) {
    Run(L"b = Box name:\"B\"; b[#transform][#rotation].controller = Euler_XYZ()");
    EXPECT_EQ(Eval(L"classOf b[#transform][#rotation].controller"), L"Euler_XYZ");
    EXPECT_EQ(Eval(L"superClassOf b[#transform][#rotation].controller"), L"RotationController");
    EXPECT_EQ(Error(L"b[#transform][#rotation].controller = 1"), L"t.ms:1:26: Unable to convert: 1 to type: Controller");
}
