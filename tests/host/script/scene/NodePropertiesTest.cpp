// Node properties from script: hierarchy, material, layer, display, transform, pipeline, sub-animatables
// and the errors for unknown properties and wrong types.
#include "host/scene/Control.h"
#include "host/scene/ILayer.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "host/scene/Mtl.h"
#include "tests/host/script/scene/ScriptSceneFixture.h"

TEST_F(ScriptScene, ParentLinksUnlinksAndListsChildren) {
    Run(L"Dummy name:\"Root\"; Box name:\"A\" pos:[5,0,0]; Box name:\"B\"");
    Run(L"$A.parent = $Root; $B.parent = $Root");
    EXPECT_EQ(Node(L"A")->GetParentNode(), Node(L"Root"));
    EXPECT_EQ(Eval(L"for c in $Root.children collect c.name"), L"#(\"A\", \"B\")");
    // Linking keeps the world position.
    EXPECT_EQ(Node(L"A")->GetNodeTM(0).GetTrans(), Point3(5, 0, 0));
    Run(L"$A.parent = undefined");
    EXPECT_TRUE(Node(L"A")->GetParentNode()->IsRootNode());
    EXPECT_EQ(Eval(L"$A.parent"), L"undefined");
    EXPECT_EQ(Error(L"$Root.parent = $B"), L"t.ms:1:7: Runtime error: cannot link Root to its own descendant B");
}

TEST_F(ScriptScene, NameHiddenFrozenAndWirecolorWriteThroughToTheNode) {
    Run(L"b = Box name:\"Old\"");
    Run(L"b.name = \"New\"; b.isHidden = true; b.isFrozen = true; b.wirecolor = color 10 20 30");
    INode* n = Node(L"New");
    ASSERT_TRUE(n);
    EXPECT_TRUE(n->IsHidden());
    EXPECT_TRUE(n->IsFrozen());
    EXPECT_EQ(n->GetWireColor(), 10u | (20u << 8) | (30u << 16));
    EXPECT_EQ(Eval(L"b.wirecolor"), L"(color 10 20 30)");
    Run(L"unhide b; unfreeze #(b)");
    EXPECT_FALSE(n->IsHidden());
    EXPECT_FALSE(n->IsFrozen());
    Run(L"hide objects");
    EXPECT_TRUE(n->IsHidden());
}

TEST_F(ScriptScene, PositionMoveAndScaleChangeTheTransform) {
    Run(L"b = Box name:\"B\"; b.pos = [1,2,3]; move b [10,0,0]");
    EXPECT_EQ(Node(L"B")->GetNodeTM(0).GetTrans(), Point3(11, 2, 3));
    EXPECT_EQ(Eval(L"b.pos"), L"[11,2,3]");
    Run(L"b.pos.z = 7");
    EXPECT_EQ(Node(L"B")->GetNodeTM(0).GetTrans(), Point3(11, 2, 7));
    Run(L"b.scale = [2,2,2]");
    EXPECT_EQ(Eval(L"b.scale"), L"[2,2,2]");
}

TEST_F(ScriptScene, RotationReadsAndWritesTheRotationController) {
    Run(L"b = Box name:\"B\"");
    EXPECT_EQ(Eval(L"b.rotation"), L"(quat 0 0 0 1)");
    Run(L"b.rotation = eulerAngles 0 0 90");
    Quat q;
    Interval iv = FOREVER;
    Node(L"B")->GetTMController()->GetRotationController()->GetValue(0, &q, iv);
    EXPECT_TRUE(q.Equals(Quat::FromEulerXYZ(Point3(0.0f, 0.0f, 1.5707964f)), 1e-5f));
    EXPECT_EQ(Eval(L"b.rotation.w == (quat 0 0 0 1).w"), L"false");
    Run(L"c = Box name:\"C\" pos:[1,0,0]; rotate c (eulerAngles 0 0 180)");
    Point3 x = Node(L"C")->GetNodeTM(0).GetRow(0);
    EXPECT_NEAR(x.x, -1.0f, 1e-5f); // the X axis turned half way round the pivot
    EXPECT_EQ(Node(L"C")->GetNodeTM(0).GetTrans(), Point3(1, 0, 0));
}

TEST_F(ScriptScene, MaterialAndLayerAssignments) {
    Run(L"b = Box name:\"B\"; m = StandardMaterial name:\"Brick\"; b.material = m");
    ASSERT_TRUE(Node(L"B")->GetMtl());
    EXPECT_EQ(Node(L"B")->GetMtl()->GetName(), MSTR(L"Brick"));
    EXPECT_EQ(Eval(L"b.material"), L"Brick:Standard");
    Run(L"b.material = undefined");
    EXPECT_EQ(Node(L"B")->GetMtl(), nullptr);
    Run(L"l = LayerManager.newLayerFromName \"Walls\"; b.layer = l");
    EXPECT_EQ(Node(L"B")->GetLayer()->GetName(), MSTR(L"Walls"));
    EXPECT_EQ(Eval(L"b.layer.name"), L"\"Walls\"");
    EXPECT_EQ(Error(L"b.material = 3"), L"t.ms:1:3: Unable to convert: 3 to type: Material");
}

TEST_F(ScriptScene, ObjectParametersReadAndWriteThroughTheNode) {
    Run(L"Box name:\"Wall01\"");
    Run(L"$Wall01.height = 8");
    EXPECT_EQ(Eval(L"$Wall01.height"), L"8.0");
    EXPECT_EQ(Eval(L"$Wall01.baseObject.height"), L"8.0");
    EXPECT_EQ(Eval(L"classOf $Wall01.baseObject"), L"Box");
    EXPECT_EQ(Eval(L"$Wall01.baseObject"), L"Box");
    EXPECT_EQ(Error(L"$Wall01.height = \"tall\""), L"t.ms:1:9: Unable to convert: \"tall\" to type: Float");
}

TEST_F(ScriptScene, AnUnknownPropertyGivesTheHostsMessage) {
    Run(L"Box name:\"B\"");
    EXPECT_EQ(Error(L"x = 1\n$B.wobble"), L"t.ms:2:4: Unknown property: \"wobble\" in $Box:B @ [0.000000,0.000000,0.000000]");
    EXPECT_EQ(Error(L"$B.wobble = 2"), L"t.ms:1:4: Unknown property: \"wobble\" in $Box:B @ [0.000000,0.000000,0.000000]");
}

TEST_F(ScriptScene, SubAnimsReachThePositionControllerOfTheTransform) {
    Run(L"b = Box name:\"B\"");
    EXPECT_EQ(Eval(L"b[3]"), L"SubAnim:Transform");
    EXPECT_EQ(Eval(L"classOf b[#transform][#position].controller"), L"Bezier_Position");
    Run(L"b[#transform][#position].controller = Position_List()");
    EXPECT_EQ(Eval(L"classOf b.controller[1].controller"), L"Position_List");
    EXPECT_EQ(Eval(L"b.controller.position"), L"[0,0,0]");
}

TEST_F(ScriptScene, ControllerAssignmentReplacesTheTransformController) {
    Run(L"b = Box name:\"B\" pos:[4,5,6]; c = PRS(); b.controller = c");
    EXPECT_EQ(Eval(L"b.controller == c"), L"true");
    EXPECT_EQ(Node(L"B")->GetNodeTM(0).GetTrans(), Point3(4, 5, 6)); // the new controller took the position
    EXPECT_EQ(Error(L"b.controller = Bezier_Float()"),
              L"t.ms:1:3: Unable to convert: Controller:Bezier_Float to type: Matrix3Controller");
}

TEST_F(ScriptScene, EditsFromScriptUndoAsOneStep) {
    Run(L"b = Box name:\"B\"");
    Run(L"undo on (b.name = \"C\"; b.wirecolor = red)");
    ASSERT_TRUE(Node(L"C"));
    Run(L"max undo");
    EXPECT_TRUE(Node(L"B"));
    EXPECT_EQ(Node(L"C"), nullptr);
}
