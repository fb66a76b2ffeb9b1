// Node properties: each edit's reference message and notification, the sub-animatable layout, the
// hierarchy, layers, handles and scene events (the node's own data in files is the scene file test's).
#include "host/core/FixedSubAnimNames.h"
#include "host/scene/Control.h"
#include "host/scene/ILayer.h"
#include "host/scene/ISceneEventManager.h"
#include "host/scene/Interface.h"
#include "host/scene/Mtl.h"
#include "host/scene/Object.h"
#include "tests/host/scene/NodeTestSupport.h"
#include "tests/support/SceneBuilder.h"

#include <functional>

namespace {

class NodeTest : public SceneFixture {};

// Each node edit tells the node's dependents with its own message and part, and broadcasts its
// notification, once.
TEST_F(NodeTest, EachEditSendsItsMessageAndItsNotification) {
    INode* box = b.Box("Box01").Build();
    Mtl* brick = b.Standard("Brick");
    Object* other = b.Sphere("unused").Build()->GetObjectRef();
    constexpr PartID kAnyPart = 0xFFFFFFFF;
    struct Row {
        const char* name;
        std::function<void()> edit;
        RefMessage message; // 0: none checked
        PartID part;
        int notification; // 0: none checked
    };
    const Row rows[] = {
        {"rename", [&] { box->SetName(L"Wall"); }, REFMSG_NODE_NAMECHANGE, kAnyPart, NOTIFY_NODE_RENAMED},
        {"hide", [&] { box->Hide(TRUE); }, REFMSG_NODE_DISPLAY_PROP_CHANGED, PART_HIDESTATE, NOTIFY_NODE_HIDE},
        {"freeze", [&] { box->Freeze(TRUE); }, REFMSG_NODE_DISPLAY_PROP_CHANGED, PART_FREEZESTATE, NOTIFY_NODE_FREEZE},
        {"display flags", [&] { box->SetDisplayFlags(box->GetDisplayFlags() | NODE_DISP_BOX); },
         REFMSG_NODE_DISPLAY_PROP_CHANGED, 0, NOTIFY_NODE_DISPLAY_PROPERTIES_CHANGED},
        {"display byte", [&] { box->SetDisplayByte(1, 7); }, 0, 0, NOTIFY_NODE_DISPLAY_PROPERTIES_CHANGED},
        {"unhide", [&] { box->Hide(FALSE); }, 0, 0, NOTIFY_NODE_UNHIDE},
        {"wire colour", [&] { box->SetWireColor(0x0000FF); }, REFMSG_NODE_WIRECOLOR_CHANGED, kAnyPart, 0},
        {"shadows", [&] { box->SetRenderFlags(box->GetRenderFlags() & ~NODE_REND_CAST_SHADOWS); },
         REFMSG_NODE_RENDERING_PROP_CHANGED, kAnyPart, NOTIFY_NODE_RENDER_PROPERTIES_CHANGED},
        {"GI", [&] { box->SetRenderFlags(box->GetRenderFlags() | NODE_REND_GI_EXCLUDED); },
         REFMSG_NODE_GI_PROP_CHANGED, kAnyPart, NOTIFY_NODE_RENDER_PROPERTIES_CHANGED},
        {"render value", [&] { box->SetRenderValue(2, 0x1234); }, 0, 0, NOTIFY_NODE_RENDER_PROPERTIES_CHANGED},
        {"user properties", [&] { box->SetUserPropBuffer(L"lod = 2"); }, 0, 0, NOTIFY_NODE_USER_PROPERTIES_CHANGED},
        {"bone on", [&] { box->SetBoneNodeOnOff(TRUE, 0); }, 0, 0, NOTIFY_NODE_BONE_PROPERTIES_CHANGED},
        {"bone flags", [&] { box->SetBoneFlags(0x14); }, 0, 0, NOTIFY_NODE_BONE_PROPERTIES_CHANGED},
        {"material", [&] { box->SetMtl(brick); }, REFMSG_NODE_MATERIAL_CHANGED, kAnyPart, NOTIFY_NODE_POST_MTL},
        {"object", [&] { box->SetObjectRef(other); }, REFMSG_CHANGE, PART_ALL, 0},
        {"controller", [&] { EXPECT_TRUE(box->SetTMController(NewDefaultMatrix3Controller())); },
         REFMSG_CONTROLREF_CHANGE, kAnyPart, 0},
    };
    RenameCapture renames;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        RefListener l(box);
        rec.Clear();
        r.edit();
        if (r.message) {
            EXPECT_EQ(l.Count(r.message), 1);
            EXPECT_TRUE(r.part == kAnyPart || l.Heard(r.message, r.part));
        }
        // Its notification and no other (the material's comes with its pre-change notification).
        EXPECT_TRUE(!r.notification || rec.Count(r.notification) == 1);
        EXPECT_TRUE(!r.notification || rec.Events().size() == (r.notification == NOTIFY_NODE_POST_MTL ? 2u : 1u))
            << rec.Text();
    }
    // The rename broadcast carries both names; the same name again is no rename.
    box->SetName(L"Wall");
    ASSERT_EQ(renames.seen.size(), 1u);
    EXPECT_EQ(renames.seen[0].oldName + " -> " + renames.seen[0].newName, "Box01 -> Wall");
    EXPECT_EQ(renames.seen[0].node, box);
    // What the edits left, and the parts that are not all of them.
    EXPECT_EQ(box->GetDisplayFlags(), NODE_DISP_FROZEN | NODE_DISP_BOX);
    EXPECT_EQ(box->GetDisplayByte(1), 7);
    EXPECT_EQ(box->GetRenderValue(2), 0x1234);
    EXPECT_GE(GetCOREInterface()->GetSceneMtls()->FindMtl(brick), 0);
    EXPECT_EQ(box->SubAnim(NODE_SUBANIM_MATERIAL), static_cast<Animatable*>(brick));
    // Only a transform controller fits; the refused one is left to its maker.
    Control* refused = NewDefaultFloatController();
    EXPECT_FALSE(box->SetTMController(refused));
    EXPECT_EQ(refused->MaybeAutoDelete(), REF_SUCCEED);
}

// Names are found without regard to case, the oldest node first among those sharing one; a node is
// found under its new name only, and one that goes leaves the others findable.
TEST_F(NodeTest, NamesAreFoundWithoutCaseOldestNodeFirst) {
    Interface* ip = GetCOREInterface();
    INode* first = b.Box("Wall").Build();
    INode* second = b.Box("WALL").Build();
    INode* third = b.Box("wall").Build();
    INode* roof = b.Box("Roof").Build();
    EXPECT_EQ(ip->GetINodeByName(L"wAlL"), first);
    ip->DeleteNode(first);
    EXPECT_EQ(ip->GetINodeByName(L"Wall"), second);
    second->SetName(L"Floor");
    EXPECT_EQ(ip->GetINodeByName(L"wall"), third);
    EXPECT_EQ(ip->GetINodeByName(L"FLOOR"), second);
    roof->SetName(L"wall");
    ip->DeleteNode(third);
    EXPECT_EQ(ip->GetINodeByName(L"Wall"), roof);
    EXPECT_EQ(ip->GetINodeByName(L"Roof"), nullptr);
}

TEST_F(NodeTest, LayerMoveBroadcastsOldAndNewLayer) {
    INode* box = b.Box("Box01").Build();
    ILayer* layer0 = GetCOREInterface()->GetLayerManager()->GetRootLayer();
    EXPECT_EQ(box->GetLayer(), layer0);
    ILayer* walls = b.Layer("Walls");
    struct Cap {
        static void On(void* p, NotifyInfo* i) { *static_cast<NodeLayerChange*>(p) = *static_cast<NodeLayerChange*>(i->callParam); }
    };
    NodeLayerChange seen{nullptr, nullptr, nullptr};
    RegisterNotification(&Cap::On, &seen, NOTIFY_NODE_LAYER_CHANGED);
    walls->AddToLayer(box);
    UnRegisterNotification(&Cap::On, &seen, NOTIFY_NODE_LAYER_CHANGED);
    EXPECT_EQ(seen.node, box);
    EXPECT_EQ(seen.oldLayer, layer0);
    EXPECT_EQ(seen.newLayer, walls);
    EXPECT_EQ(box->GetLayer(), walls);
    EXPECT_EQ(walls->NumNodes(), 1);
    EXPECT_EQ(layer0->NumNodes(), 0);
}

// The layout of the node's sub-animatables (names, order, reference numbers) is what the plug-in's mirrors
// follow: its anims and records tests and the reference scripts break on any change of it. The
// visibility track is made on demand and can be deleted.
TEST_F(NodeTest, VisibilityIsADeletableSubAnimatable) {
    INode* box = b.Box("Box01").Build();
    EXPECT_EQ(box->SubAnim(NODE_SUBANIM_VISIBILITY), nullptr);
    box->SetVisibility(0, 0.25f);
    EXPECT_FLOAT_EQ(box->GetVisibility(0), 0.25f);
    EXPECT_NE(box->SubAnim(NODE_SUBANIM_VISIBILITY), nullptr);
    EXPECT_TRUE(box->CanDeleteSubAnim(NODE_SUBANIM_VISIBILITY) && !box->CanDeleteSubAnim(NODE_SUBANIM_TRANSFORM));
    box->DeleteSubAnim(NODE_SUBANIM_VISIBILITY);
    EXPECT_FLOAT_EQ(box->GetVisibility(0), 1.0f);
    // The fixed names the node answers for walks are exactly SubAnimName's.
    for (int i = 0; i <= box->NumSubs(); ++i)
        EXPECT_EQ(MSTR(FixedSubAnimName(box, i)), box->SubAnimName(i)) << i;
}

TEST_F(NodeTest, LinkingBroadcastsTheChildAndRefusesLoops) {
    INode* a = b.Box("A").Build();
    INode* c = b.Box("C").Build();
    rec.Clear();
    a->AttachChild(c, FALSE);
    EXPECT_EQ(c->GetParentNode(), a);
    ASSERT_EQ(rec.Count(NOTIFY_NODE_LINKED), 1);
    EXPECT_EQ(rec.Events().back().callParam, c);
    c->AttachChild(a, FALSE); // a is c's parent: a loop
    EXPECT_EQ(a->GetParentNode(), GetCOREInterface()->GetRootNode());
    c->Detach(0, FALSE);
    EXPECT_EQ(c->GetParentNode(), GetCOREInterface()->GetRootNode());
    EXPECT_EQ(a->NumberOfChildren(), 0);
    EXPECT_EQ(rec.Count(NOTIFY_NODE_LINKED), 2);
}

TEST_F(NodeTest, GroupFlagsReachTheSceneEventCallbacks) {
    struct Cb : INodeEventCallback {
        void GroupChanged(NodeKeyTab& nodes) override {
            for (int i = 0; i < nodes.Count(); ++i) got.push_back(NodeEventNamespace::GetNodeByKey(nodes[i]));
        }
        std::vector<INode*> got;
    } cb;
    ISceneEventManager* sem = GetCOREInterface()->GetISceneEventManager();
    const CallbackKey key = sem->RegisterCallback(&cb);
    INode* box = b.Box("Box01").Build();
    box->SetGroupHead(TRUE);
    box->SetGroupMemberOpen(TRUE);
    box->SetGroupHead(TRUE); // unchanged: no event
    sem->UnRegisterCallback(key);
    box->SetGroupMember(TRUE);
    EXPECT_EQ(cb.got, (std::vector<INode*>{box, box}));
    EXPECT_TRUE(box->IsGroupHead());
    EXPECT_TRUE(box->IsOpenGroupMember());
    EXPECT_FALSE(box->IsOpenGroupHead());
}

// A callback may unregister itself and register another while an event is delivered: the others still
// hear it, the new one hears only the next event.
TEST_F(NodeTest, SceneEventCallbacksMayComeAndGoWhileAnEventIsDelivered) {
    struct Cb : INodeEventCallback {
        void Deleted(NodeKeyTab&) override {
            ++heard;
            if (then) then();
        }
        int heard = 0;
        std::function<void()> then;
    } first, second, late;
    ISceneEventManager* sem = GetCOREInterface()->GetISceneEventManager();
    const CallbackKey firstKey = sem->RegisterCallback(&first);
    const CallbackKey secondKey = sem->RegisterCallback(&second);
    CallbackKey lateKey = 0;
    first.then = [&] {
        sem->UnRegisterCallback(firstKey);
        lateKey = sem->RegisterCallback(&late);
    };
    GetCOREInterface()->DeleteNode(b.Box("A").Build());
    EXPECT_EQ((std::vector<int>{first.heard, second.heard, late.heard}), (std::vector<int>{1, 1, 0}));
    GetCOREInterface()->DeleteNode(b.Box("B").Build());
    EXPECT_EQ((std::vector<int>{first.heard, second.heard, late.heard}), (std::vector<int>{1, 2, 1}));
    sem->UnRegisterCallback(secondKey);
    sem->UnRegisterCallback(lateKey);
}

} // namespace
