// The batch steps around an unload: the material editor's referenced materials wait on a holder node and
// come back to their slots; other slots are left alone.
#include "plugin/helper/HelperBatch.h"
#include "tests/plugin/helper/HelperTestSupport.h"

using HelperBatchTest = ReferenceFileFixture;

TEST_F(HelperBatchTest, TheMaterialEditorShowsItsReferencedMaterialsAgainAfterTheBatch) {
    OstrivansHelper* h = HelperFor(WriteWalls("walls"));
    ASSERT_EQ(h->Load(), 1);
    Mtl* brick = h->GetRefMaterial(0)->GetMaterial();
    Mtl* local = b.Standard("Local");
    ip->PutMtlToMtlEditor(brick, 3);
    ip->PutMtlToMtlEditor(local, 5);
    const auto slots = [&] {
        return std::string(ip->GetMtlSlot(3) == brick ? "brick" : "other") + " " +
               (ip->GetMtlSlot(5) == local ? "local" : "other");
    };
    {
        BatchScope batch;
        EXPECT_EQ(slots(), "other local");
        EXPECT_NE(ip->GetINodeByName(L"OVCMEHolder"), nullptr);
        h->Unload();
    }
    EXPECT_EQ(slots(), "brick local");
    EXPECT_EQ(ip->GetMtlSlot(3)->GetName().ToUTF8(), "Brick");
    EXPECT_EQ(SceneNodeNames(), std::vector<std::string>{"Ostrivan01"});
}
