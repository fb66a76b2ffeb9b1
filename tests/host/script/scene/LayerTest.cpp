// Layers from script: the LayerManager interface (0-based getLayer, as the host), layer properties and
// methods, and the merge setting the plug-in switches.
#include "host/scene/ILayer.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "tests/host/script/scene/ScriptSceneFixture.h"

TEST_F(ScriptScene, LayerManagerCreatesFindsAndCountsLayers) {
    EXPECT_EQ(Eval(L"LayerManager.count"), L"1");
    EXPECT_EQ(Eval(L"(LayerManager.getLayer 0).name"), L"\"0\"");
    Run(L"LayerManager.newLayerFromName \"Walls\"");
    EXPECT_EQ(Eval(L"LayerManager.count"), L"2");
    EXPECT_EQ(Eval(L"(LayerManager.getLayerFromName \"walls\").name"), L"\"Walls\"");
    EXPECT_EQ(Eval(L"LayerManager.newLayerFromName \"Walls\""), L"undefined");
    EXPECT_EQ(Eval(L"LayerManager.getLayer 2"), L"undefined");
    EXPECT_EQ(Eval(L"LayerManager.current.name"), L"\"0\"");
}

TEST_F(ScriptScene, LayerMethodsAddNodesRenameAndParent) {
    Run(L"b = Box name:\"B\"; l = LayerManager.newLayerFromName \"Walls\"; l.addNode b");
    EXPECT_EQ(Node(L"B")->GetLayer()->GetName(), MSTR(L"Walls"));
    Run(L"l.setName \"Outer\"");
    EXPECT_EQ(Eval(L"b.layer.name"), L"\"Outer\"");
    Run(L"p = LayerManager.newLayerFromName \"Building\"; l.setParent p");
    EXPECT_EQ(Eval(L"l.getParent() == p"), L"true");
    EXPECT_EQ(Eval(L"p.getNumChildren()"), L"1");
    EXPECT_EQ(Eval(L"l.nodes()"), L"#($Box:B @ [0.000000,0.000000,0.000000])");
}

TEST_F(ScriptScene, LayerHiddenAndFrozenStates) {
    Run(L"l = LayerManager.newLayerFromName \"L\"; l.ishidden = true; l.isfrozen = true");
    ILayer* layer = GetCOREInterface()->GetLayerManager()->GetLayer(MSTR(L"L"));
    ASSERT_TRUE(layer);
    EXPECT_TRUE(layer->IsHidden());
    EXPECT_TRUE(layer->IsFrozen());
    EXPECT_EQ(Eval(L"l.ishidden"), L"true");
    EXPECT_EQ(Error(L"l.name = \"x\""), L"t.ms:1:3: Runtime error: a layer's name is read-only: use setName");
}

TEST_F(ScriptScene, DuplicateLayerMergeSettingRoundTrips) {
    ILayerManager* lm = GetCOREInterface()->GetLayerManager();
    bool before = lm->GetDuplicateLayerWithoutSameHierarchyOnMerge();
    Run(L"OVLRD=LayerManager.GetDuplicateLayerWithoutSameHierarchyOnMerge();"
        L"LayerManager.setDuplicateLayerWithoutSameHierarchyOnMerge (not OVLRD) persist:false");
    EXPECT_EQ(lm->GetDuplicateLayerWithoutSameHierarchyOnMerge(), !before);
    Run(L"LayerManager.setDuplicateLayerWithoutSameHierarchyOnMerge OVLRD persist:false");
    EXPECT_EQ(lm->GetDuplicateLayerWithoutSameHierarchyOnMerge(), before);
}
