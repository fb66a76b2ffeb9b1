// Layers and the layer manager: renaming, deletion and NOTIFY_LAYER_DELETED, undo, membership and
// persistence (names, unique without case, and what scripts see of layers are in the scene_layers script;
// numbered names of merged layers in SceneFileTest).
#include "host/core/Notify.h"
#include "host/scene/ILayer.h"
#include "host/scene/layers/Layer.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "tests/support/GraphBuilder.h"
#include "tests/support/HostChecks.h"
#include "tests/support/NotificationRecorder.h"
#include "tests/support/SceneBuilder.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

namespace {

class LayerTest : public ::testing::Test {
protected:
    void SetUp() override { RegisterLayerClasses(); }

    std::string Dump() const {
        std::ostringstream os;
        DumpLayers(mgr.get(), os);
        return os.str();
    }

    int Heard(const std::string& receiver, RefMessage msg) const {
        int n = 0;
        for (const HeardMessage& h : g.heard) n += h.receiver == receiver && h.message == msg;
        return n;
    }

    GraphBuilder g;
    std::unique_ptr<ILayerManager> mgr{NewLayerManager()};
};

std::string Name(ILayer* l) { return l ? l->GetName().ToUTF8() : "null"; }

} // namespace

TEST_F(LayerTest, RenameTellsDirectDependentsKeepsTheIndexAndUndoes) {
    ILayer* walls = mgr->CreateLayer(L"Walls");
    // A node-like dependent of the layer, and something that depends on that node.
    TestTarget* node = g.Target("Node", 1);
    TestMaker* mirror = g.Maker("Mirror");
    node->SetAFlag(A_LOCK_TARGET);
    g.Link(node, 0, walls);
    g.Link(mirror, 0, node);

    g.heard.clear();
    ExpectUndoRedoExact([&] { return Dump() + Name(mgr->GetLayer(L"facade")) + Name(mgr->GetLayer(L"walls")); },
                        [&] { EXPECT_TRUE(walls->SetName(L"Facade")); });
    EXPECT_EQ(Heard("Node", REFMSG_NODE_NAMECHANGE), 3); // the rename, its undo and its redo
    EXPECT_EQ(Heard("Mirror", REFMSG_NODE_NAMECHANGE), 0); // not passed on: it is not the node's rename
}

TEST_F(LayerTest, DeletingBroadcastsFirstMovesChildrenUpAndUndoes) {
    ILayer* a = mgr->CreateLayer(L"A");
    ILayer* b = mgr->CreateLayer(L"B");
    ILayer* c = mgr->CreateLayer(L"C");
    b->SetParentLayer(a);
    c->SetParentLayer(b);
    b->Hide(true);
    const std::string before = Dump();

    // A listener that holds the layer lets go of it while the layer is still whole, as helpers do.
    TestMaker* helper = g.Maker("Helper");
    g.Link(helper, 0, b);
    struct Listener {
        TestMaker* helper;
        std::string seen;
        ILayerManager* mgr;
        static void Proc(void* p, NotifyInfo* info) {
            auto* self = static_cast<Listener*>(p);
            auto* layer = static_cast<ILayer*>(info->callParam);
            self->seen = Name(layer) + (self->mgr->IsLayerInScene(layer) ? " in scene" : " gone");
            if (self->helper->GetReference(0) == layer) self->helper->DeleteReference(0);
        }
    } listener{helper, "", mgr.get()};
    RegisterNotification(&Listener::Proc, &listener, NOTIFY_LAYER_DELETED);

    EXPECT_FALSE(mgr->DeleteLayer(L"Nothing"));
    theHold.Begin();
    EXPECT_TRUE(mgr->DeleteLayer(L"b"));
    theHold.Accept(L"Delete Layer");
    UnRegisterNotification(&Listener::Proc, &listener);
    EXPECT_EQ(listener.seen, "B in scene");
    EXPECT_EQ(c->GetParentLayer(), a); // moved up to the deleted layer's parent
    EXPECT_EQ(mgr->GetLayerCount(), 3);
    EXPECT_TRUE(b->TestAFlag(A_IS_DELETED));
    ASSERT_TRUE(theHold.Undo());
    EXPECT_EQ(Dump(), before);
    EXPECT_EQ(c->GetParentLayer(), b);
    EXPECT_EQ(helper->GetReference(0), b);
}

TEST_F(LayerTest, ALayerHeldElsewhereOutlivesItsDeletionAndCanComeBack) {
    NotificationRecorder created({NOTIFY_LAYER_CREATED});
    ILayer* walls = mgr->CreateLayer(L"Walls");
    ASSERT_EQ(created.Count(NOTIFY_LAYER_CREATED), 1);
    EXPECT_EQ(created.Events()[0].callParam, walls);
    mgr->SetCurrentLayer(L"Walls");
    TestMaker* record = g.Maker("Record");
    g.Link(record, 0, walls);
    // Its nodes are its node dependents only; the record is none, and does not keep it from deletion.
    INodeTab nodes;
    EXPECT_TRUE(walls->Nodes(nodes));
    EXPECT_EQ(nodes.Count() + walls->NumNodes(), 0);
    EXPECT_FALSE(walls->AddToLayer(nullptr));
    EXPECT_TRUE(mgr->DeleteLayer(L"Walls"));
    EXPECT_TRUE(g.Alive("Record"));
    EXPECT_EQ(record->GetReference(0), walls);
    EXPECT_FALSE(mgr->IsLayerInScene(walls));
    EXPECT_EQ(mgr->GetCurrentLayer(), mgr->GetRootLayer());

    mgr->CreateLayer(L"Walls");
    EXPECT_FALSE(mgr->AddLayer(walls)); // its name is taken now
    mgr->DeleteLayer(L"Walls");
    EXPECT_TRUE(mgr->AddLayer(walls));
    EXPECT_FALSE(mgr->AddLayer(walls)); // already in
    EXPECT_EQ(mgr->GetLayer(L"walls"), walls);
}

// Creating, hiding and freezing are undone and redone exactly; hiding and freezing are display changes
// for the layer's direct dependents, each told once; name and states survive the layer's chunks.
TEST_F(LayerTest, CreationHideAndFreezeUndoExactlyAndAreSaved) {
    ILayer* walls = nullptr;
    ExpectUndoRedoExact([&] { return Dump() + Name(mgr->GetLayer(L"W\u00e4nde")); },
                        [&] { (walls = mgr->CreateLayer(L"W\u00e4nde"))->Freeze(true); });
    EXPECT_EQ(Dump(), "Layers count 2\n  [0] \"0\" current\n  [1] \"W\u00e4nde\" frozen\n");
    TestMaker* node = g.Maker("Node");
    g.Link(node, 0, walls);
    g.heard.clear();
    ExpectUndoRedoExact([&] { return Dump(); }, [&] { walls->Hide(true), walls->Hide(true), walls->Freeze(false); });
    ASSERT_EQ(g.heard.size(), 6u); // two changes, undone and redone
    for (const HeardMessage& h : g.heard)
        EXPECT_TRUE(h.message == REFMSG_CHANGE && h.part == PART_DISPLAY);
    // An undone creation whose step is dropped leaves nothing behind.
    theHold.ClearUndoBuffer();
    theHold.Begin();
    ILayer* roof = mgr->CreateLayer(L"Roof");
    theHold.Accept(L"Create");
    ASSERT_TRUE(theHold.Undo());
    const AnimHandle h = Animatable::GetHandleByAnim(roof);
    theHold.ClearUndoBuffer();
    EXPECT_EQ(Animatable::GetAnimByHandle(h), nullptr);
    // Name and states are the layer's own chunks.
    ILayer* loaded = ChunkRoundTrip(walls);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->GetName(), MSTR(L"W\u00e4nde"));
    EXPECT_TRUE(loaded->IsHidden() && !loaded->IsFrozen());
    loaded->MaybeAutoDelete();
}

// Layers with real scene nodes: membership follows the nodes' layer references.
namespace {

class LayerNodeTest : public SceneFixture {
protected:
    static ILayerManager* Lm() { return GetCOREInterface()->GetLayerManager(); }
    // The dump, and every layer's count of its nodes (which the layer keeps rather than counts).
    static std::string Layers() {
        std::ostringstream os;
        DumpLayers(Lm(), os);
        for (int i = 0; i < Lm()->GetLayerCount(); ++i) os << Lm()->GetLayer(i)->NumNodes() << ' ';
        return os.str();
    }
    static std::vector<std::string> NodeNames(ILayer* l) {
        INodeTab nodes;
        l->Nodes(nodes);
        std::vector<std::string> out;
        for (INode* n : nodes) out.push_back(WStr(n->GetName()).ToUTF8());
        return out;
    }
};

using Names = std::vector<std::string>;

} // namespace

// A layer with nodes is not deleted, and the refusal is not announced; moves and node deletions undo to the
// exact layers.
TEST_F(LayerNodeTest, MovesAndDeletionsUndoToTheExactLayers) {
    b.Box("A").Layer("Walls").Build();
    INode* c = b.Box("C").Layer("Walls").Build();
    b.Box("D").Layer("Roof").Build();
    ILayer* roof = b.Layer("Roof");
    NotificationRecorder deleted({NOTIFY_LAYER_DELETED});
    EXPECT_FALSE(Lm()->DeleteLayer(L"Walls"));
    EXPECT_EQ(deleted.Count(NOTIFY_LAYER_DELETED), 0);
    // Undone, A is back ahead of C, where it joined.
    ExpectUndoRedoExact(Layers, [&] { roof->AddToLayer(GetCOREInterface()->GetINodeByName(L"A")); }, "move");
    EXPECT_EQ(NodeNames(roof), (Names{"D", "A"}));
    EXPECT_EQ(roof->NumNodes(), 2);
    ExpectUndoRedoExact(Layers, [&] { GetCOREInterface()->DeleteNode(c); }, "delete");
    EXPECT_EQ(NodeNames(b.Layer("Walls")), Names{});
    // Once they have left, it goes.
    EXPECT_TRUE(Lm()->DeleteLayer(L"Walls"));
    EXPECT_EQ(deleted.Count(NOTIFY_LAYER_DELETED), 1);
}
