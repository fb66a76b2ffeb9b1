// Named selection sets from script.
#include "host/scene/Interface.h"
#include "host/scene/NamedSelectionSets.h"
#include "tests/host/script/scene/ScriptSceneFixture.h"

TEST_F(ScriptScene, SelectionSetsAreMadeReadReplacedAndDeletedByName) {
    Run(L"Box name:\"A\"; Box name:\"B\"; Box name:\"C\"");
    Run(L"selectionSets[\"Set1\"] = #($A, $B)");
    INamedSelectionSetManager* sets = GetCOREInterface()->GetNamedSelectionSetManager();
    ASSERT_EQ(sets->GetNumNamedSelSets(), 1);
    EXPECT_EQ(sets->GetNamedSelSetItemCount(0), 2);
    EXPECT_EQ(Eval(L"selectionSets.count"), L"1");
    EXPECT_EQ(Eval(L"selectionSets[\"Set1\"]"), L"SelectionSet:Set1");
    EXPECT_EQ(Eval(L"for n in selectionSets[\"Set1\"] collect n.name"), L"#(\"A\", \"B\")");
    EXPECT_EQ(Eval(L"selectionSets[\"Set1\"][2].name"), L"\"B\"");
    Run(L"selectionSets[\"Set1\"] = $C");
    EXPECT_EQ(sets->GetNamedSelSetItemCount(0), 1);
    Run(L"select selectionSets[\"Set1\"]");
    EXPECT_EQ(Eval(L"$.name"), L"\"C\"");
    Run(L"deleteItem selectionSets \"Set1\"");
    EXPECT_EQ(sets->GetNumNamedSelSets(), 0);
    EXPECT_EQ(Eval(L"selectionSets[\"Set1\"]"), L"undefined");
    // deleteItem still works on arrays.
    EXPECT_EQ(Eval(L"a = #(1, 2, 3); deleteItem a 2; a"), L"#(1, 3)");
    EXPECT_EQ(Error(L"deleteItem selectionSets \"Nope\""), L"t.ms:1:1: Runtime error: no selection set \"Nope\"");
}
