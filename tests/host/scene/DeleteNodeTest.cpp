// Deleting nodes: notifications per node, children moving up, what goes with a deleted node and what
// survives (undo of a deletion is a row of NodeUndoTest, and of the named sets in SelectionSetTest).
#include "host/core/Hold.h"
#include "host/scene/Control.h"
#include "host/scene/Interface.h"
#include "host/scene/Mtl.h"
#include "host/scene/Object.h"
#include "tests/host/scene/NodeTestSupport.h"
#include "tests/support/SceneBuilder.h"

namespace {

class DeleteNodeTest : public SceneFixture {
protected:
    Interface* ip = GetCOREInterface();
    static bool Alive(AnimHandle h) { return Animatable::GetAnimByHandle(h) != nullptr; }
    static AnimHandle H(Animatable* a) { return Animatable::GetHandleByAnim(a); }
};

TEST_F(DeleteNodeTest, DeleteNodesBroadcastsBeforeAndAfterEachNodeAndTakesItsContent) {
    INode* a = b.Box("A").Build();
    INode* c = b.Box("C").Build();
    const AnimHandle obj = H(a->GetObjectRef()), tm = H(a->GetTMController());
    const AnimHandle pos = H(a->GetTMController()->GetPositionController());
    rec.Clear();
    INodeTab tab{a, c, a};
    EXPECT_EQ(ip->DeleteNodes(tab, true, false), 2u);
    ASSERT_EQ(rec.Events().size(), 4u);
    EXPECT_EQ(rec.Text(), "NOTIFY_SCENE_PRE_DELETED_NODE, NOTIFY_SCENE_POST_DELETED_NODE, "
                          "NOTIFY_SCENE_PRE_DELETED_NODE, NOTIFY_SCENE_POST_DELETED_NODE");
    EXPECT_EQ(rec.Events()[0].callParam, a);
    EXPECT_EQ(rec.Events()[1].callParam, a);
    EXPECT_EQ(rec.Events()[2].callParam, c);
    EXPECT_EQ(ip->GetRootNode()->NumberOfChildren(), 0);
    // Content nothing else holds goes with its node.
    EXPECT_FALSE(Alive(obj) || Alive(tm) || Alive(pos));
}

TEST_F(DeleteNodeTest, ANodeListedTwiceAndBroughtBackByUndoCanBeDeletedAgain) {
    INode* a = b.Box("A").Build();
    theHold.Begin();
    INodeTab twice{a, ip->GetRootNode(), a};
    EXPECT_EQ(ip->DeleteNodes(twice, true, false), 1u);
    theHold.Accept(L"Delete");
    ASSERT_TRUE(theHold.Undo());
    ASSERT_EQ(ip->GetRootNode()->NumberOfChildren(), 1);
    INodeTab once{a};
    EXPECT_EQ(ip->DeleteNodes(once, true, false), 1u);
    EXPECT_EQ(ip->GetRootNode()->NumberOfChildren(), 0);
}

TEST_F(DeleteNodeTest, ChildrenMoveToTheParentKeepingOrNotTheirTransform) {
    INode* top = b.Dummy("Top").Build();
    INode* mid = b.Dummy("Mid").Parent(top).Pos({0, 0, 10}).Build();
    INode* leaf = b.Box("Leaf").Parent(mid).Pos({5, 0, 10}).Build();
    INode* leaf2 = b.Box("Leaf2").Parent(mid).Pos({5, 0, 10}).Build();
    INodeTab tab{mid};
    ip->DeleteNodes(tab, true);
    EXPECT_EQ(leaf->GetParentNode(), top);
    EXPECT_EQ(leaf2->GetParentNode(), top);
    EXPECT_TRUE(leaf->GetNodeTM(0).GetTrans().Equals(Point3(5, 0, 10)));
    INode* mid2 = b.Dummy("Mid2").Parent(top).Pos({0, 0, 10}).Build();
    mid2->AttachChild(leaf, TRUE);
    INodeTab tab2{mid2};
    ip->DeleteNodes(tab2, false);
    EXPECT_EQ(leaf->GetParentNode(), top);
    EXPECT_TRUE(leaf->GetNodeTM(0).GetTrans().Equals(Point3(5, 0, 0))) << "local offset kept, world lost";
}

TEST_F(DeleteNodeTest, ControllerReferencedElsewhereSurvivesTheDeletion) {
    Mtl* brick = b.Standard("Brick");
    INode* n = b.Box("A").Material(brick).Build();
    INode* other = b.Box("B").Material(brick).Build();
    Control* tm = n->GetTMController();
    const AnimHandle tmH = H(tm), objH = H(n->GetObjectRef());
    RefListener holder(tm);
    RefListener watcher(n);
    ip->DeleteNode(n);
    EXPECT_TRUE(Alive(tmH));
    EXPECT_FALSE(Alive(objH));
    EXPECT_EQ(watcher.Count(REFMSG_TARGET_DELETED), 1);
    EXPECT_EQ(watcher.target_, nullptr);
    EXPECT_EQ(other->GetMtl(), brick) << "a shared material stays";
    EXPECT_EQ(holder.target_, tm);
}

} // namespace
