// Scene nodes in script: creation with automatic names, $paths and wildcards, printing, selection,
// deletion and the values that outlive their node.
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "tests/host/script/scene/ScriptSceneFixture.h"

TEST_F(ScriptScene, ConstructorsCreateNodesWithTheHostsAutomaticNames) {
    Run(L"Box(); Box(); Sphere(); Omnilight(); FreeCamera()");
    EXPECT_TRUE(Node(L"Box001"));
    EXPECT_TRUE(Node(L"Box002"));
    EXPECT_TRUE(Node(L"Sphere001"));
    EXPECT_TRUE(Node(L"Omni001"));
    EXPECT_TRUE(Node(L"Camera001"));
    // A gap left by a deleted node is not refilled: the next number follows the last one given.
    Run(L"delete $Box001; b = Box(); print b.name");
    EXPECT_EQ(out_.text_, L"\"Box003\"\n");
}

TEST_F(ScriptScene, KeywordArgumentsSetNameParametersAndNodeProperties) {
    Run(L"Box length:10 width:12 height:5 name:\"Wall01\" pos:[10,20,0] wirecolor:(color 255 0 0)");
    INode* n = Node(L"Wall01");
    ASSERT_TRUE(n);
    EXPECT_EQ(n->GetNodeTM(0).GetTrans(), Point3(10, 20, 0));
    EXPECT_EQ(n->GetWireColor(), 0x0000FFu);
    EXPECT_EQ(Run(L"print $Wall01.length; print $Wall01.width; print $Wall01.height"), L"10.0\n12.0\n5.0\n");
}

TEST_F(ScriptScene, NodesPrintAsTheHostPrintsThem) {
    Run(L"Box name:\"Box01\"; Dummy name:\"D\" pos:[1.5,-2,3]");
    EXPECT_EQ(Run(L"print $Box01"), L"$Box:Box01 @ [0.000000,0.000000,0.000000]\n");
    EXPECT_EQ(Eval(L"$D"), L"$Dummy:D @ [1.500000,-2.000000,3.000000]");
    EXPECT_EQ(Eval(L"classOf $Box01"), L"Box");
    EXPECT_EQ(Eval(L"superClassOf $Box01"), L"GeometryClass");
    EXPECT_EQ(Eval(L"superClassOf $D"), L"helper");
    EXPECT_EQ(Eval(L"superClassOf (Omnilight())"), L"light");
}

TEST_F(ScriptScene, PathsFindNodesByNameQuotedNameAndWildcard) {
    Run(L"Box name:\"Wall01\"; Box name:\"Wall02\"; Box name:\"my box\"; Sphere name:\"Ball\"");
    EXPECT_EQ(Eval(L"$wall01.name"), L"\"Wall01\""); // names are found without case
    EXPECT_EQ(Eval(L"$'my box'.name"), L"\"my box\"");
    EXPECT_EQ(Eval(L"for n in $Wall* collect n.name"), L"#(\"Wall01\", \"Wall02\")");
    EXPECT_EQ(Eval(L"$Nothing"), L"undefined");
    EXPECT_EQ(Eval(L"(getNodeByName \"ball\").name"), L"\"Ball\"");
    EXPECT_EQ(Eval(L"getNodeByName \"ball\" exact:true"), L"undefined");
    EXPECT_EQ(Eval(L"objects.count"), L"4");
}

TEST_F(ScriptScene, HierarchyPathsNameChildrenBelowTheirParents) {
    Run(L"p = Dummy name:\"Rig\"; c = Box name:\"Arm\"; c.parent = p; Box name:\"Arm\"");
    EXPECT_EQ(Eval(L"$Rig/Arm.parent.name"), L"\"Rig\"");
}

TEST_F(ScriptScene, SelectionFollowsSelectClearSelectionAndDollar) {
    Run(L"Box name:\"A\"; Box name:\"B\"; Box name:\"C\"");
    EXPECT_EQ(Eval(L"$"), L"undefined");
    Run(L"select $A");
    EXPECT_EQ(Eval(L"$.name"), L"\"A\"");
    Run(L"select #($B, $C)");
    EXPECT_EQ(GetCOREInterface()->GetSelNodeCount(), 2);
    EXPECT_EQ(Eval(L"for n in selection collect n.name"), L"#(\"B\", \"C\")");
    EXPECT_EQ(Eval(L"$A.isSelected"), L"false");
    Run(L"selectMore $A; deselect $B");
    EXPECT_EQ(Eval(L"for n in selection collect n.name"), L"#(\"C\", \"A\")");
    Run(L"clearSelection()");
    EXPECT_EQ(GetCOREInterface()->GetSelNodeCount(), 0);
}

TEST_F(ScriptScene, ADeletedNodePrintsAsDeletedAndIsNotValid) {
    Run(L"b = Box name:\"Gone\"; delete b");
    EXPECT_EQ(Node(L"Gone"), nullptr);
    EXPECT_EQ(Eval(L"b"), L"<Deleted scene node>");
    EXPECT_EQ(Eval(L"isValidNode b"), L"false");
    EXPECT_EQ(Eval(L"isValidNode 3"), L"false");
    EXPECT_EQ(Error(L"b.name"), L"t.ms:1:3: Runtime error: Attempt to access deleted scene node");
}

TEST_F(ScriptScene, DeleteTakesArraysAndWildcardsAndCountsWhatWent) {
    Run(L"Box name:\"W1\"; Box name:\"W2\"; Box name:\"Keep\"");
    EXPECT_EQ(Eval(L"delete $W*"), L"2");
    EXPECT_EQ(Eval(L"for n in objects collect n.name"), L"#(\"Keep\")");
}

TEST_F(ScriptScene, UndoTakesBackANodeMadeInAnUndoContext) {
    Run(L"undo \"make\" on (Box name:\"U\")");
    ASSERT_TRUE(Node(L"U"));
    Run(L"max undo");
    EXPECT_EQ(Node(L"U"), nullptr);
}

TEST_F(ScriptScene, NodeValuesCompareByNodeNotByValueObject) {
    Run(L"Box name:\"A\"; Box name:\"B\"");
    EXPECT_EQ(Eval(L"$A == $A"), L"true");
    EXPECT_EQ(Eval(L"$A == $B"), L"false");
    EXPECT_EQ(Eval(L"findItem #($B, $A) $A"), L"2");
}

TEST_F(ScriptScene, AnyRegisteredClassConstructsByName) {
    EXPECT_EQ(Eval(L"classOf (Bend())"), L"Bend");
    EXPECT_EQ(Eval(L"superClassOf (Bend())"), L"modifier");
    EXPECT_EQ(Eval(L"classOf (Edit_Poly())"), L"Edit_Poly");
    EXPECT_EQ(Eval(L"superClassOf (Bezier_Float())"), L"FloatController");
    EXPECT_EQ(Error(L"Box 3"), L"t.ms:1:1: Argument count error: Box wanted 0, got 1");
}
