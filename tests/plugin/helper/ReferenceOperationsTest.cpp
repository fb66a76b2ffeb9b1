// Reset, dismiss, merge, save as and overwrite with real files: what each leaves of the reference in the
// scene and what the written file holds.
#include "host/scene/SceneDump.h"
#include "host/scene/controllers/PositionConstraint.h"
#include "tests/plugin/helper/HelperTestSupport.h"

class ReferenceOperationsTest : public ReferenceFileFixture {
protected:
    // The reference loaded with Door01 moved by the user; bare is what the file gives merged into an empty
    // scene without any reference, moved the dump of the moved content.
    void SetUp() override {
        ReferenceFileFixture::SetUp();
        file = WriteHouse("house");
        ip->MergeFromFile(file.c_str(), TRUE, FALSE, FALSE);
        bare = DumpNode(Node(L"Wall01"));
        ip->FileReset(TRUE);
        h = HelperFor(file);
        ASSERT_EQ(h->Load(), 1);
        MoveTo(L"Door01", {7, 5, 0});
        moved = DumpNode(Node(L"Wall01"));
    }
    MSTR file;
    std::string bare, moved;
    OstrivansHelper* h = nullptr;
};

TEST_F(ReferenceOperationsTest, ResetDropsEveryOverrideAndGivesWhatABareMergeGives) {
    ASSERT_NE(moved, bare);
    EXPECT_EQ(h->Reset(), 1);
    EXPECT_EQ(DumpNode(Node(L"Wall01")), bare);
    EXPECT_FALSE(h->GetRefNode(0)->HasOverrides() || h->GetRefNode(1)->HasOverrides());
}

// Nothing of the reference stays: no record, no node (placeholders included), no material.
TEST_F(ReferenceOperationsTest, DismissLeavesNothingOfTheReference) {
    auto* constraint = new PositionConstraint();
    b.Box("Follower").Build()->GetTMController()->SetPositionController(constraint);
    constraint->AppendTarget(Node(L"Wall01"), 50.0f);
    h->AddNodeToDelete(L"Gone01");
    EXPECT_EQ(h->Dismiss(), 1);
    EXPECT_EQ(SceneNodeNames(), (std::vector<std::string>{"Ostrivan01", "Follower"}));
    EXPECT_EQ(h->NumRefNodes() + h->NumRefMaterials() + int(h->GetNodesToDelete().size()), 0);
    MtlBaseLib* lib = ip->GetSceneMtls();
    for (int i = 0; i < lib->Count(); ++i) EXPECT_EQ((*lib)[i], nullptr) << i;
    EXPECT_EQ(constraint->GetNode(0), nullptr);
}

// The content becomes the scene's own, as the user left it; a saved scene holds the nodes themselves.
TEST_F(ReferenceOperationsTest, MergeKeepsTheOverriddenStateAndTheSceneSavesTheNodes) {
    EXPECT_EQ(h->Merge(), 1);
    EXPECT_EQ(SceneNodeNames(), (std::vector<std::string>{"Wall01", "Door01"}));
    EXPECT_EQ(RefBase::FromItem(Node(L"Wall01")), nullptr);
    SaveAndReopen("ostrivans-merged");
    EXPECT_EQ(DumpNode(Node(L"Wall01")), moved);
}

// The file written holds the referenced names and the overridden state, while the scene keeps its prefixed
// names; overwrite writes the reference's own file, so a reset keeps the change. A write the host refuses
// is reported.
TEST_F(ReferenceOperationsTest, SaveAsWritesTheOverriddenStateUnderTheReferencedNames) {
    h->GetParamBlock()->SetValue(pb_use_name_prefix, 0, 1);
    const std::vector<std::string> prefixed{"Ostrivan01", "Ostrivan01_Wall01", "Ostrivan01_Door01"};
    const MSTR out = WStr::FromUTF8((dir_ / "out.max").string());
    EXPECT_EQ(h->SaveAs(out.c_str()), 1);
    EXPECT_EQ(h->SaveAs(WStr::FromUTF8((dir_ / "no-such-folder" / "x.max").string()).c_str()), 0);
    ASSERT_EQ(GetHostDialogs().Shown().size(), 1u);
    EXPECT_EQ(GetHostDialogs().Shown()[0].text.ToUTF8().rfind("Error Saving Reference\r\n\r\n", 0), 0u);
    EXPECT_EQ(SceneNodeNames(), prefixed);
    EXPECT_EQ(h->Overwrite(), 1);
    EXPECT_EQ(h->Reset(), 1);
    EXPECT_EQ(SceneNodeNames(), prefixed);
    EXPECT_EQ(Node(L"Ostrivan01_Door01")->GetNodeTM(0).GetTrans().x, 7.0f);
    ip->FileReset(TRUE);
    ip->MergeFromFile(out.c_str(), TRUE, FALSE, FALSE);
    EXPECT_EQ(DumpNode(Node(L"Wall01")), moved);
}
