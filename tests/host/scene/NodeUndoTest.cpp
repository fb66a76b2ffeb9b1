// Undo of every node edit gives back the exact scene, and redo the edited one.
#include "host/core/Hold.h"
#include "host/scene/Control.h"
#include "host/scene/ILayer.h"
#include "host/scene/Interface.h"
#include "host/scene/Mtl.h"
#include "tests/support/HostChecks.h"
#include "tests/support/SceneBuilder.h"

#include <functional>
#include <string>
#include <vector>

namespace {

class NodeUndoTest : public SceneFixture {
protected:
    void SetUp() override {
        SceneFixture::SetUp();
        parent = b.Dummy("Parent").Pos({0, 0, 5}).Build();
        box = b.Box("Box01").Parent(parent).Layer("Walls").Material(b.Standard("Brick")).Pos({1, 2, 3}).Build();
        b.Box("Box02").Parent(parent).Build();
        other = b.Sphere("Ball").Build();
        walls2 = b.Layer("Doors");
        stone = b.Standard("Stone");
        GetCOREInterface()->SelectNode(parent); // a deleted node comes back selected
        theHold.ClearUndoBuffer();
    }
    // The spare material goes with the node that took it, or here when none did.
    void TearDown() override {
        stone->MaybeAutoDelete();
        SceneFixture::TearDown();
    }
    INode* parent = nullptr;
    INode* box = nullptr;
    INode* other = nullptr;
    ILayer* walls2 = nullptr;
    Mtl* stone = nullptr;
};

// Every node and scene edit, each run from the scene the fixture built.
TEST_F(NodeUndoTest, EveryEditUndoesAndRedoesExactly) {
    Interface* ip = GetCOREInterface();
    const Quat quarter(0, 0, 0.7071068f, 0.7071068f);
    const std::pair<const char*, std::function<void()>> edits[] = {
        {"rename", [&] { box->SetName(L"Wall"); }},
        {"wire colour", [&] { box->SetWireColor(0x00FF00); }},
        {"hide", [&] { box->Hide(TRUE); }},
        {"freeze", [&] { box->Freeze(TRUE); }},
        {"display flags", [&] { box->SetDisplayFlags(NODE_DISP_BOX | NODE_DISP_SEE_THROUGH); }},
        {"display byte", [&] { box->SetDisplayByte(0, 3); }},
        {"render flags", [&] { box->SetRenderFlags(NODE_REND_RENDERABLE); }},
        {"render value", [&] { box->SetRenderValue(1, 9); }},
        {"user properties", [&] { box->SetUserPropBuffer(L"x=1"); }},
        {"bone on", [&] { box->SetBoneNodeOnOff(TRUE, 0); }},
        {"bone flags", [&] { box->SetBoneFlags(0x4); }},
        {"group", [&] { box->SetGroupMember(TRUE), box->SetGroupMemberOpen(TRUE); }},
        {"node TM", [&] { box->SetNodeTM(0, TransMatrix(Point3(7, 7, 7))); }},
        {"offset pos", [&] { box->SetObjOffsetPos(Point3(0, 0, 1)); }},
        {"offset rot", [&] { box->SetObjOffsetRot(quarter); }},
        {"offset scale", [&] { box->SetObjOffsetScale(ScaleValue(Point3(2, 1, 1))); }},
        {"lock", [&] { box->SetTransformLock(INODE_LOCKSCL, INODE_LOCK_Z, TRUE); }},
        {"skin pose", [&] {
             box->SetSkinPos(Point3(1, 0, 0));
             box->SetSkinRotEuler(Point3(0, 0, 1));
             box->SetSkinScale(Point3(3, 3, 3));
             box->SetSkinScaleOrient(quarter);
         }},
        {"controller", [&] { box->SetTMController(NewDefaultMatrix3Controller()); }},
        {"material", [&] { box->SetMtl(stone); }},
        {"no material", [&] { box->SetMtl(nullptr); }},
        {"layer", [&] { walls2->AddToLayer(box); }},
        {"object", [&] { box->SetObjectRef(other->GetObjectRef()); }},
        {"link", [&] { other->AttachChild(box, TRUE); }},
        {"unlink the first child", [&] { box->Detach(0, TRUE); }}, // undone, it is the first again
        {"visibility", [&] { box->SetVisibility(0, 0.5f); }},
        {"delete", [&] { ip->DeleteNode(parent); }},
        {"create", [&] { b.Box("New").Build(); }},
        {"select", [&] { ip->SelectNode(box); }},
        {"clone", [&] {
             INodeTab nodes{box};
             ip->CloneNodes(nodes, Point3(0, 0, 0), true, NODE_COPY);
         }},
    };
    for (const auto& [what, edit] : edits) {
        ExpectUndoRedoExact(Dump, edit, what);
        ASSERT_TRUE(theHold.Undo());
    }
}

TEST_F(NodeUndoTest, UndoSendsTheEditsNotificationAgain) {
    Step([&] { box->SetName(L"Wall"); });
    rec.Clear();
    theHold.Undo();
    EXPECT_EQ(rec.Count(NOTIFY_NODE_RENAMED), 1);
    Step([&] { walls2->AddToLayer(box); });
    rec.Clear();
    theHold.Undo();
    EXPECT_EQ(rec.Count(NOTIFY_NODE_LAYER_CHANGED), 1);
    EXPECT_STREQ(box->GetLayer()->GetName().c_str(), L"Walls");
}

} // namespace
