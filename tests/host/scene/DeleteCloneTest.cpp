// Deleting and cloning nodes: notifications per node, children moving up, what goes with a deleted node
// and what survives, undo of a deletion, copies, instances, remapping and name uniqueness.
#include "host/core/Hold.h"
#include "host/core/RemapDir.h"
#include "host/scene/Control.h"
#include "host/scene/Interface.h"
#include "host/scene/Mtl.h"
#include "host/scene/NamedSelectionSets.h"
#include "host/scene/Object.h"
#include "tests/host/scene/NodeTestSupport.h"
#include "tests/support/HostChecks.h"
#include "tests/support/SceneBuilder.h"

namespace {

class DeleteCloneTest : public SceneFixture {
protected:
    Interface* ip = GetCOREInterface();
    static bool Alive(AnimHandle h) { return Animatable::GetAnimByHandle(h) != nullptr; }
    static AnimHandle H(Animatable* a) { return Animatable::GetHandleByAnim(a); }
};

// A helper object with a plain pointer to another object, patched by the clone's remap.
class BuddyObject : public HelperObject {
public:
    Class_ID ClassID() override { return Class_ID(0x7E5A0003, 0); }
    RefTargetHandle Clone(RemapDir& remap) override {
        auto* c = new BuddyObject();
        c->buddy = buddy;
        remap.PatchPointer(&c->buddy, buddy);
        struct Count : PostPatchProc {
            int Proc(RemapDir&) override {
                ++postPatches;
                return 1;
            }
        };
        remap.AddPostPatchProc(new Count(), true);
        BaseClone(this, c, remap);
        return c;
    }
    RefTargetHandle buddy = nullptr;
    static int postPatches;
};
int BuddyObject::postPatches = 0;

TEST_F(DeleteCloneTest, DeleteNodesBroadcastsBeforeAndAfterEachNode) {
    INode* a = b.Box("A").Build();
    INode* c = b.Box("C").Build();
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
}

TEST_F(DeleteCloneTest, ChildrenMoveToTheParentKeepingOrNotTheirTransform) {
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

TEST_F(DeleteCloneTest, ContentNothingElseHoldsGoesWithTheNode) {
    INode* n = b.Box("A").Build();
    const AnimHandle obj = H(n->GetObjectRef()), tm = H(n->GetTMController());
    const AnimHandle pos = H(n->GetTMController()->GetPositionController());
    ip->DeleteNode(n);
    EXPECT_FALSE(Alive(obj));
    EXPECT_FALSE(Alive(tm));
    EXPECT_FALSE(Alive(pos));
}

TEST_F(DeleteCloneTest, ControllerReferencedElsewhereSurvivesTheDeletion) {
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

TEST_F(DeleteCloneTest, DeletionUndoesToTheSameScene) {
    INode* p = b.Dummy("P").Build();
    INode* n = b.Box("A").Parent(p).Layer("Walls").Material(b.Standard("Brick")).Build();
    b.Box("Kid").Parent(n).Pos({1, 2, 3}).Build();
    INodeTab set{n};
    ip->GetNamedSelectionSetManager()->AddNewNamedSelSet(set, L"Set");
    ip->SelectNode(n);
    ExpectUndoRedoExact(Dump, [&] { ip->DeleteNode(n); });
    EXPECT_EQ(ip->GetNamedSelectionSetManager()->GetNamedSelSetItemCount(0), 0);
    EXPECT_EQ(ip->GetINodeByName(L"A"), nullptr);
    theHold.Undo();
    EXPECT_EQ(ip->GetINodeByName(L"A"), n);
}

TEST_F(DeleteCloneTest, CopiesRemapTheHierarchyAndShareTheMaterial) {
    Mtl* brick = b.Standard("Brick");
    INode* p = b.Dummy("Parent01").Pos({1, 0, 0}).Build();
    INode* c = b.Box("Child01").Parent(p).Material(brick).Pos({1, 5, 0}).Build();
    rec.Clear();
    INodeTab nodes{p}, src, dst;
    ASSERT_TRUE(ip->CloneNodes(nodes, Point3(0, 0, 10), true, NODE_COPY, &src, &dst));
    ASSERT_EQ(dst.Count(), 2);
    EXPECT_EQ(src[0], p);
    EXPECT_EQ(src[1], c);
    INode* pc = dst[0];
    INode* cc = dst[1];
    EXPECT_STREQ(pc->GetName(), L"Parent02");
    EXPECT_STREQ(cc->GetName(), L"Child02");
    EXPECT_EQ(cc->GetParentNode(), pc) << "the copy's child hangs under the copied parent";
    EXPECT_NE(cc->GetObjectRef(), c->GetObjectRef());
    EXPECT_NE(cc->GetTMController(), c->GetTMController());
    EXPECT_EQ(cc->GetMtl(), brick);
    EXPECT_EQ(cc->GetLayer(), c->GetLayer());
    EXPECT_TRUE(pc->GetNodeTM(0).GetTrans().Equals(Point3(1, 0, 10)));
    EXPECT_TRUE(cc->GetNodeTM(0).GetTrans().Equals(Point3(1, 5, 10)));
    EXPECT_TRUE(c->GetNodeTM(0).GetTrans().Equals(Point3(1, 5, 0))) << "the original stays";
    EXPECT_EQ(rec.Count(NOTIFY_SCENE_ADDED_NODE), 2);
}

TEST_F(DeleteCloneTest, InstancesShareTheObjectAndPointersAreRemapped) {
    INode* a = b.Box("A").Build();
    INode* inst = nullptr;
    {
        INodeTab nodes{a}, dst;
        ASSERT_TRUE(ip->CloneNodes(nodes, Point3(), false, NODE_INSTANCE, nullptr, &dst));
        inst = dst[0];
    }
    EXPECT_EQ(inst->GetObjectRef(), a->GetObjectRef());
    auto* buddyA = new BuddyObject();
    auto* buddyB = new BuddyObject();
    buddyB->buddy = buddyA;
    INode* na = b.WithObject(buddyA, "BuddyA").Build();
    INode* nb = b.WithObject(buddyB, "BuddyB").Build();
    BuddyObject::postPatches = 0;
    INodeTab both{nb, na}, dst;
    ASSERT_TRUE(ip->CloneNodes(both, Point3(), false, NODE_COPY, nullptr, &dst));
    auto* copyB = static_cast<BuddyObject*>(dst[0]->GetObjectRef());
    EXPECT_EQ(copyB->buddy, dst[1]->GetObjectRef()) << "the plain pointer follows the clone";
    EXPECT_EQ(BuddyObject::postPatches, 2);
    INodeTab onlyB{nb}, dst2;
    ASSERT_TRUE(ip->CloneNodes(onlyB, Point3(), false, NODE_COPY, nullptr, &dst2));
    EXPECT_EQ(static_cast<BuddyObject*>(dst2[0]->GetObjectRef())->buddy, buddyA) << "not cloned: unchanged";
}

} // namespace
