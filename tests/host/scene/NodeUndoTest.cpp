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
        other = b.Sphere("Ball").Build();
        walls2 = b.Layer("Doors");
        stone = b.Standard("Stone");
        theHold.ClearUndoBuffer();
    }
    // Runs edit as one undo step and checks undo and redo against the dumps.
    // Each check starts from the scene the fixture built.
    void Check(const std::string& what, const std::function<void()>& edit) {
        ExpectUndoRedoExact(Dump, edit, what.c_str());
        ASSERT_TRUE(theHold.Undo());
    }
    INode* parent = nullptr;
    INode* box = nullptr;
    INode* other = nullptr;
    ILayer* walls2 = nullptr;
    Mtl* stone = nullptr;
};

TEST_F(NodeUndoTest, NameAndDisplayEdits) {
    Check("rename", [&] { box->SetName(L"Wall"); });
    Check("wire colour", [&] { box->SetWireColor(0x00FF00); });
    Check("hide", [&] { box->Hide(TRUE); });
    Check("freeze", [&] { box->Freeze(TRUE); });
    Check("display flags", [&] { box->SetDisplayFlags(NODE_DISP_BOX | NODE_DISP_SEE_THROUGH); });
    Check("display byte", [&] { box->SetDisplayByte(0, 3); });
}

TEST_F(NodeUndoTest, RenderUserBoneAndGroupEdits) {
    Check("render flags", [&] { box->SetRenderFlags(NODE_REND_RENDERABLE); });
    Check("render value", [&] { box->SetRenderValue(1, 9); });
    Check("user properties", [&] { box->SetUserPropBuffer(L"x=1"); });
    Check("bone on", [&] { box->SetBoneNodeOnOff(TRUE, 0); });
    Check("bone flags", [&] { box->SetBoneFlags(0x4); });
    Check("group", [&] {
        box->SetGroupMember(TRUE);
        box->SetGroupMemberOpen(TRUE);
    });
}

TEST_F(NodeUndoTest, TransformPoseAndLockEdits) {
    Check("node TM", [&] { box->SetNodeTM(0, TransMatrix(Point3(7, 7, 7))); });
    Check("offset pos", [&] { box->SetObjOffsetPos(Point3(0, 0, 1)); });
    Check("offset rot", [&] { box->SetObjOffsetRot(Quat(0, 0, 0.7071068f, 0.7071068f)); });
    Check("offset scale", [&] { box->SetObjOffsetScale(ScaleValue(Point3(2, 1, 1))); });
    Check("lock", [&] { box->SetTransformLock(INODE_LOCKSCL, INODE_LOCK_Z, TRUE); });
    Check("skin pose", [&] {
        box->SetSkinPos(Point3(1, 0, 0));
        box->SetSkinRotEuler(Point3(0, 0, 1));
        box->SetSkinScale(Point3(3, 3, 3));
        box->SetSkinScaleOrient(Quat(0, 0, 0.7071068f, 0.7071068f));
    });
    Check("controller", [&] { box->SetTMController(NewDefaultMatrix3Controller()); });
}

TEST_F(NodeUndoTest, ReferenceAndHierarchyEdits) {
    Check("material", [&] { box->SetMtl(stone); });
    Check("no material", [&] { box->SetMtl(nullptr); });
    Check("layer", [&] { walls2->AddToLayer(box); });
    Check("object", [&] { box->SetObjectRef(other->GetObjectRef()); });
    Check("link", [&] { other->AttachChild(box, TRUE); });
    Check("unlink", [&] { box->Detach(0, TRUE); });
    Check("visibility", [&] { box->SetVisibility(0, 0.5f); });
}

TEST_F(NodeUndoTest, SceneEdits) {
    Interface* ip = GetCOREInterface();
    Check("delete", [&] { ip->DeleteNode(parent); });
    Check("create", [&] { b.Box("New").Build(); });
    Check("select", [&] { ip->SelectNode(box); });
    Check("clone", [&] {
        INodeTab nodes{box};
        ip->CloneNodes(nodes, Point3(0, 0, 0), true, NODE_COPY);
    });
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
