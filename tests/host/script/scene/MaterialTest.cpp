// Materials from script: Standard and Multi/Sub-Object materials, their parameters, sceneMaterials and
// meditMaterials.
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "host/scene/Mtl.h"
#include "host/scene/materials/MultiMaterial.h"
#include "tests/host/script/scene/ScriptSceneFixture.h"

TEST_F(ScriptScene, StandardMaterialHasNameAndDiffuse) {
    Run(L"m = Standard name:\"Brick\" diffuse:(color 255 0 0)");
    EXPECT_EQ(Eval(L"m"), L"Brick:Standard");
    EXPECT_EQ(Eval(L"m.diffuse"), L"(color 255 0 0)");
    EXPECT_EQ(Eval(L"classOf m"), L"Standardmaterial");
    EXPECT_EQ(Eval(L"superClassOf m"), L"material");
    Run(L"m.name = \"Stone\"; m.glossiness = 40");
    EXPECT_EQ(Eval(L"m.name"), L"\"Stone\"");
    EXPECT_EQ(Eval(L"m.glossiness"), L"40.0");
}

TEST_F(ScriptScene, MultiMaterialSlotsListsAndIds) {
    Run(L"m = MultiMaterial numsubs:3 name:\"Multi\"");
    EXPECT_EQ(Eval(L"m.numsubs"), L"3");
    EXPECT_EQ(Eval(L"m"), L"Multi:Multimaterial");
    // Without a name a new material is numbered as the host numbers them.
    EXPECT_EQ(Eval(L"findString (Standard()).name \"Material #\""), L"1");
    EXPECT_EQ(Eval(L"m.materialList.count"), L"3");
    EXPECT_EQ(Eval(L"m.materialIDList"), L"#(1, 2, 3)");
    Run(L"m.names = #(\"a\", \"b\", \"c\"); m.mapEnabled = #(true, false, true)");
    EXPECT_EQ(Eval(L"m.names"), L"#(\"a\", \"b\", \"c\")");
    EXPECT_EQ(Eval(L"m.mapEnabled"), L"#(true, false, true)");
    Run(L"s = Standard name:\"Glass\"; m[2] = s");
    EXPECT_EQ(Eval(L"m[2] == s"), L"true");
    EXPECT_EQ(Eval(L"m.materialList[2].name"), L"\"Glass\"");
    EXPECT_EQ(Error(L"m[9] = s"), L"t.ms:1:2: Runtime error: index out of range: 9 (3 sub-materials)");
}

TEST_F(ScriptScene, SceneMaterialsListsAssignedMaterialsByIndexAndName) {
    Run(L"b = Box(); b.material = Standard name:\"Brick\"");
    EXPECT_EQ(Eval(L"sceneMaterials.count"), L"1");
    EXPECT_EQ(Eval(L"sceneMaterials[1].name"), L"\"Brick\"");
    EXPECT_EQ(Eval(L"sceneMaterials[\"Brick\"] == b.material"), L"true");
    EXPECT_EQ(Eval(L"sceneMaterials[\"Nope\"]"), L"undefined");
}

TEST_F(ScriptScene, MeditMaterialsPutsAndReadsEditorSlots) {
    Run(L"meditMaterials[3] = Standard name:\"Slot3\"");
    MtlBase* m = GetCOREInterface()->GetMtlSlot(2);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->GetName(), MSTR(L"Slot3"));
    EXPECT_EQ(Eval(L"meditMaterials[3].name"), L"\"Slot3\"");
    EXPECT_EQ(Eval(L"meditMaterials.count"), L"24");
    EXPECT_EQ(Error(L"meditMaterials[25]"), L"t.ms:1:15: Runtime error: meditMaterials index out of range: 25");
}
