// actionMan.executeAction runs the host's actions on the open scene.
#include "tests/host/script/scene/ScriptSceneFixture.h"

#include <gtest/gtest.h>

TEST_F(ScriptScene, TheUndoActionUndoesTheLastStepAndUnknownActionsAreRefused) {
    Run(L"Box name:\"A\" pos:[0,0,0]");
    Run(L"undo on ($A.pos = [10,0,0])");
    EXPECT_EQ(Node(L"A")->GetNodeTM(0).GetTrans(), Point3(10, 0, 0));
    EXPECT_EQ(Eval(L"actionMan.executeAction 0 \"40015\""), L"true");
    EXPECT_EQ(Node(L"A")->GetNodeTM(0).GetTrans(), Point3(0, 0, 0));
    // Another table, or an id the table does not have, runs nothing.
    Run(L"undo on ($A.pos = [20,0,0])");
    EXPECT_EQ(Eval(L"actionMan.executeAction 1 \"40015\""), L"false");
    EXPECT_EQ(Eval(L"actionMan.executeAction 0 \"99999\""), L"false");
    EXPECT_EQ(Node(L"A")->GetNodeTM(0).GetTrans(), Point3(20, 0, 0));
    EXPECT_NE(Error(L"actionMan.executeAction 0"), L"");
}
