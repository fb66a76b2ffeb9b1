// Reset, dismiss, merge, save as and overwrite with real files: what each leaves of the reference in the
// scene and what the written file holds.
#include "host/core/Hold.h"
#include "host/scene/Control.h"
#include "host/scene/SceneDump.h"
#include "host/scene/controllers/PositionConstraint.h"
#include "tests/plugin/helper/HelperTestSupport.h"

#include <filesystem>

namespace {

INode* Node(const MCHAR* name) {
    return GetCOREInterface()->GetINodeByName(name);
}

// The user's move, as one undo step.
void MoveDoor(float x) {
    theHold.Begin();
    Point3 p(x, 5.0f, 0.0f);
    Node(L"Door01")->GetTMController()->GetPositionController()->SetValue(0, &p);
    theHold.Accept(L"Move");
}

std::string MaterialNames() {
    std::string s;
    MtlBaseLib* lib = GetCOREInterface()->GetSceneMtls();
    for (int i = 0; i < lib->Count(); ++i)
        if ((*lib)[i]) s += std::string(s.empty() ? "" : " ") + (*lib)[i]->GetName().ToUTF8();
    return s;
}

} // namespace

class ReferenceOperationsTest : public ReferenceFileFixture {
protected:
    void SetUp() override {
        ReferenceFileFixture::SetUp();
        file = WriteFile("house", [&] {
            INode* wall = b.Box("Wall01").Material(b.Standard("Brick")).Build();
            b.Box("Door01").Parent(wall).Pos({0, 5, 0}).Material(b.Standard("Wood")).Build();
        });
        // What the file gives merged into an empty scene, without any reference.
        ip->MergeFromFile(file.c_str(), TRUE, FALSE, FALSE);
        bare = DumpNode(Node(L"Wall01"));
        ip->FileReset(TRUE);
        h = HelperFor(file);
        ASSERT_EQ(h->Load(), 1);
    }
    MSTR file;
    std::string bare;
    OstrivansHelper* h = nullptr;
};

TEST_F(ReferenceOperationsTest, ResetDropsEveryOverrideAndGivesWhatABareMergeGives) {
    MoveDoor(7.0f);
    ASSERT_NE(DumpNode(Node(L"Wall01")), bare);
    EXPECT_EQ(h->Reset(), 1);
    EXPECT_EQ(DumpNode(Node(L"Wall01")), bare);
    for (int i = 0; i < h->NumRefNodes(); ++i) EXPECT_FALSE(h->GetRefNode(i)->HasOverrides()) << i;
    EXPECT_EQ(SceneNodeNames(), (std::vector<std::string>{"Ostrivan01", "Wall01", "Door01"}));
}

// Nothing of the reference stays: no record, no node (placeholders included), no material.
TEST_F(ReferenceOperationsTest, DismissLeavesNothingOfTheReference) {
    MoveDoor(7.0f);
    auto* constraint = new PositionConstraint();
    b.Box("Follower").Build()->GetTMController()->SetPositionController(constraint);
    constraint->AppendTarget(Node(L"Wall01"), 50.0f);
    h->AddNodeToDelete(L"Gone01");

    EXPECT_EQ(h->Dismiss(), 1);
    EXPECT_EQ(SceneNodeNames(), (std::vector<std::string>{"Ostrivan01", "Follower"}));
    EXPECT_EQ(h->NumRefNodes() + h->NumRefMaterials() + h->NumRefLayers(), 0);
    EXPECT_TRUE(h->GetNodesToDelete().empty());
    EXPECT_EQ(MaterialNames(), "");
    EXPECT_EQ(constraint->GetNode(0), nullptr);
    EXPECT_FALSE(h->IsLoaded());
    EXPECT_FALSE(GetHelperModuleState().batchOpen);
}

// The content becomes the scene's own, as the user left it; a saved scene holds the nodes themselves.
TEST_F(ReferenceOperationsTest, MergeKeepsTheOverriddenStateAndTheSceneSavesTheNodes) {
    MoveDoor(7.0f);
    const std::string overridden = DumpNode(Node(L"Wall01"));
    EXPECT_EQ(h->Merge(), 1);
    EXPECT_EQ(SceneNodeNames(), (std::vector<std::string>{"Wall01", "Door01"}));
    EXPECT_EQ(RefBase::FromItem(Node(L"Wall01")), nullptr);
    EXPECT_EQ(DumpNode(Node(L"Wall01")), overridden);
    SaveAndReopen("ostrivans-merged");
    EXPECT_EQ(DumpNode(Node(L"Wall01")), overridden);
}

// The file written holds the referenced names and the overridden state: merged bare, it gives what the
// scene showed. The scene keeps its prefixed names. Overwrite writes the reference's own file, so a reset
// afterwards keeps the change.
TEST_F(ReferenceOperationsTest, SaveAsWritesTheOverriddenStateUnderTheReferencedNames) {
    MoveDoor(7.0f);
    const std::string overridden = DumpNode(Node(L"Wall01"));
    h->GetParamBlock()->SetValue(pb_use_name_prefix, 0, 1);
    const MSTR out = WStr::FromUTF8((dir_ / "out.max").string());
    EXPECT_EQ(h->SaveAs(out.c_str()), 1);
    EXPECT_EQ(SceneNodeNames(), (std::vector<std::string>{"Ostrivan01", "Ostrivan01_Wall01", "Ostrivan01_Door01"}));
    EXPECT_EQ(h->Overwrite(), 1);

    EXPECT_EQ(h->Reset(), 1);
    EXPECT_EQ(SceneNodeNames(), (std::vector<std::string>{"Ostrivan01", "Ostrivan01_Wall01", "Ostrivan01_Door01"}));
    EXPECT_EQ(Node(L"Ostrivan01_Door01")->GetNodeTM(0).GetTrans().x, 7.0f);
    ip->FileReset(TRUE);
    ip->MergeFromFile(out.c_str(), TRUE, FALSE, FALSE);
    EXPECT_EQ(DumpNode(Node(L"Wall01")), overridden);
}

TEST_F(ReferenceOperationsTest, ASaveAsTheHostRefusesIsReported) {
    h->GetParamBlock()->SetValue(pb_use_name_prefix, 0, 1);
    const MSTR out = WStr::FromUTF8((dir_ / "no-such-folder" / "out.max").string());
    EXPECT_EQ(h->SaveAs(out.c_str()), 0);
    ASSERT_EQ(GetHostDialogs().Shown().size(), 1u);
    EXPECT_EQ(GetHostDialogs().Shown()[0].text.ToUTF8().rfind("Error Saving Reference\r\n\r\n", 0), 0u);
    EXPECT_EQ(SceneNodeNames(), (std::vector<std::string>{"Ostrivan01", "Ostrivan01_Wall01", "Ostrivan01_Door01"}));
    EXPECT_EQ(GetCurrentOperation(), OperationCode::None);
}
