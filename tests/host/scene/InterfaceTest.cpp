// The application object: node creation, modes and settings, prompts, rendering, folders, external-scene
// entries, material slots, services and scene events (the name index, the selection and the reset as
// scripts see them are in the scene_nodes script).
#include "host/application/HostInterface.h"
#include "host/core/Hold.h"
#include "host/scene/Control.h"
#include "host/scene/ILayer.h"
#include "host/scene/ISceneEventManager.h"
#include "host/scene/Interface.h"
#include "host/scene/Mtl.h"
#include "host/scene/NamedSelectionSets.h"
#include "host/scene/Object.h"
#include "tests/support/SceneBuilder.h"

#include <filesystem>

namespace {

class InterfaceTest : public SceneFixture {
protected:
    Interface* ip = GetCOREInterface();
};

TEST_F(InterfaceTest, CreatedNodeSitsUnderTheRootOnTheCurrentLayerWithAPRSController) {
    ILayer* walls = b.Layer("Walls");
    ip->GetLayerManager()->SetCurrentLayer(L"Walls");
    rec.Clear();
    INode* n = b.Box("Box01").Build();
    EXPECT_EQ(n->GetParentNode(), ip->GetRootNode());
    EXPECT_EQ(n->GetLayer(), walls);
    ASSERT_NE(n->GetTMController(), nullptr);
    EXPECT_EQ(n->GetTMController()->ClassID(), Class_ID(0x2005, 0));
    EXPECT_EQ(rec.Count(NOTIFY_NODE_CREATED), 1);
    EXPECT_EQ(rec.Count(NOTIFY_SCENE_ADDED_NODE), 1);
    EXPECT_EQ(rec.Count(NOTIFY_NODE_LAYER_CHANGED), 0) << "a new node is put on its layer, not moved there";
    EXPECT_TRUE(ip->GetRootNode()->IsRootNode());
    EXPECT_FALSE(n->IsRootNode());
}

// The task mode and the modifier panel's object are the application script's; what the reset puts back is
// checked here.
TEST_F(InterfaceTest, ModesFlagsAndClearUndo) {
    EXPECT_FALSE(ip->GetQuietMode());
    ip->SetNetServer(TRUE);
    EXPECT_TRUE(ip->GetQuietMode()) << "a network server is always quiet";
    EXPECT_FALSE(ip->GetQuietMode(FALSE));
    ip->SetQuietMode(TRUE);
    EXPECT_TRUE(ip->GetQuietMode(FALSE));
    INode* n = b.Box("A").Build();
    ip->SetCurEditObject(n->GetObjectRef());
    ip->SetTime(160);
    Step([&] { n->SetWireColor(1); });
    EXPECT_EQ(theHold.NumUndoSteps(), 1);
    ip->GetSystemSetting(SYSSET_CLEAR_UNDO);
    EXPECT_EQ(theHold.NumUndoSteps(), 0);
    ResetSceneContent();
    EXPECT_FALSE(ip->GetQuietMode());
    EXPECT_EQ(ip->GetTime(), 0);
    EXPECT_EQ(ip->GetCurEditObject(), nullptr);
}

// The prompt texts are the reference load and unload tests'.
TEST_F(InterfaceTest, PromptsRenderFoldersEditorSlotsAndServices) {
    ip->DisplayTempPrompt(L"Reload Successful", 2000);
    EXPECT_EQ(GetHostInterface()->GetTempPromptMsec(), 2000);
    rec.Clear();
    EXPECT_EQ(ip->Render(), 1);
    EXPECT_EQ(rec.Text(), "NOTIFY_PRE_RENDER, NOTIFY_POST_RENDER");
    const std::filesystem::path exeDir(ip->GetDir(APP_MAXROOT_DIR).str());
    EXPECT_TRUE(std::filesystem::exists(exeDir / "test_host_scene"));
    EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(ip->GetDir(APP_TEMP_DIR).str())));
    // The material editor has twenty-four slots, each with a default material to start with.
    EXPECT_EQ(ip->GetMtlSlot(0)->GetName(), MSTR(L"01 - Default"));
    Mtl* m = b.Standard("Brick");
    ip->PutMtlToMtlEditor(m, 23);
    EXPECT_EQ(ip->GetMtlSlot(23), m);
    ip->PutMtlToMtlEditor(m, 24);
    EXPECT_EQ(ip->GetMtlSlot(24), nullptr);
    // Message boxes answer from the queue, then with the default button.
    HostServices& s = ip->Services();
    s.QueueAnswer(IDYES);
    EXPECT_EQ(s.MessageBox(L"Reload?", L"Ostrivans", MB_YESNO | MB_DEFBUTTON2), IDYES);
    EXPECT_EQ(s.MessageBox(L"Reload?", L"Ostrivans", MB_YESNO | MB_DEFBUTTON2), IDNO);
    EXPECT_EQ(s.MessageBox(L"Done", L"Ostrivans", MB_OK), IDOK);
    ASSERT_EQ(s.Shown().size(), 3u);
    EXPECT_EQ(s.Shown()[1].answer, IDNO);
    EXPECT_EQ(s.Shown()[0].text.ToUTF8(), "Reload?");
    s.Beep(MB_ICONEXCLAMATION);
    EXPECT_EQ(s.Beeps().size(), 1u);
}

TEST_F(InterfaceTest, ExternalSceneRootsAreRootsOutsideTheScene) {
    INode* root = ip->GetRootNode();
    ASSERT_TRUE(root->AddNewXRefFile(L"C:/scenes/props.max"));
    ASSERT_EQ(root->GetXRefFileCount(), 1);
    INode* tree = root->GetXRefTree(0);
    ASSERT_NE(tree, nullptr);
    EXPECT_TRUE(tree->IsRootNode());
    EXPECT_EQ(root->GetXRefFile(0).ToUTF8(), "C:/scenes/props.max");
    for (int i = 0; i < root->NumberOfChildren(); ++i) EXPECT_NE(root->GetChildNode(i), tree);
    INode* parked = b.Box("Parked").Build();
    tree->AttachChild(parked, FALSE);
    EXPECT_EQ(ip->GetINodeByName(L"Parked"), nullptr) << "parked content is not in the scene";
    EXPECT_EQ(ip->GetINodeByHandle(parked->GetHandle()), nullptr);
    parked->Detach(0, FALSE);
    EXPECT_EQ(parked->GetParentNode(), tree) << "detaching goes to the tree's own root";
    const std::string d = Dump();
    ASSERT_NE(d.find("external scenes"), std::string::npos);
    EXPECT_GT(d.find("Parked"), d.find("external scenes")) << d;
    EXPECT_FALSE(tree->AddNewXRefFile(L"nested.max")) << "only the scene root holds entries";
    INode* inner = b.Box("Inner").Build();
    parked->AttachChild(inner, FALSE);
    rec.Clear();
    EXPECT_TRUE(root->DeleteXRefFile(0));
    // The parked content goes with its entry, children first, each node with its deletion notifications.
    ASSERT_EQ(rec.Count(NOTIFY_SCENE_PRE_DELETED_NODE), 2) << rec.Text();
    EXPECT_EQ(rec.Events()[0].callParam, inner);
    EXPECT_EQ(root->GetXRefFileCount(), 0);
    EXPECT_FALSE(root->DeleteXRefFile(0));
    // The reset drops every entry.
    root->AddNewXRefFile(L"x.max");
    ResetSceneContent();
    EXPECT_EQ(root->GetXRefFileCount(), 0);
}

TEST_F(InterfaceTest, SceneEventCallbackMayUnregisterItselfWhileCalled) {
    ISceneEventManager* sem = ip->GetISceneEventManager();
    struct Once : INodeEventCallback {
        void NameChanged(NodeKeyTab&) override {
            ++calls;
            sem->UnRegisterCallback(key);
        }
        ISceneEventManager* sem = nullptr;
        CallbackKey key = 0;
        int calls = 0;
    } once;
    struct Always : INodeEventCallback {
        void NameChanged(NodeKeyTab&) override { ++calls; }
        int calls = 0;
    } always;
    once.sem = sem;
    once.key = sem->RegisterCallback(&once);
    const CallbackKey k2 = sem->RegisterCallback(&always);
    INode* n = b.Box("A").Build();
    n->SetName(L"B");
    n->SetName(L"C");
    sem->UnRegisterCallback(k2);
    EXPECT_EQ(once.calls, 1);
    EXPECT_EQ(always.calls, 3) << "the builder's naming counts too";
}

} // namespace
