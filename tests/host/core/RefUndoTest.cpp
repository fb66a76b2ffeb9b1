// Undo and redo of reference changes and of deletions while the hold is open.
#include "host/core/Hold.h"
#include "host/core/RefMessages.h"
#include "tests/support/GraphBuilder.h"
#include "tests/support/HostChecks.h"

#include <gtest/gtest.h>

using Names = std::vector<std::string>;

TEST(RefUndo, AReferenceChangeIsUndoneAndRedoneWithItsDependents) {
    GraphBuilder g;
    TestTarget* t = g.Target("T");
    TestTarget* u = g.Target("U");
    TestMaker* a = g.Maker("A");
    TestMaker* b = g.Maker("B");
    u->SetAFlag(A_LOCK_TARGET);
    g.Link(a, 0, t);
    g.Link(b, 0, t);
    // Undone, A is back at the head of T's dependents.
    ExpectUndoRedoExact([&] { return g.Dump({a, b, u}); }, [&] { a->ReplaceReference(0, u); });
    EXPECT_EQ(DependentNames(t), (Names{"B"}));
}

TEST(RefUndo, ADeletionWhileHoldingIsKeptAndComesBackExactly) {
    GraphBuilder g;
    TestMaker* scene = g.Maker("Scene", 2);
    TestTarget* node = g.Target("Node", 2);
    TestTarget* obj = g.Target("Obj", 1);
    TestTarget* mtl = g.Target("Mtl");
    TestTarget* map = g.Target("Map");
    TestMaker* mirror = g.Maker("Mirror");
    TestMaker* other = g.Maker("Other");
    mirror->SetWeak(0);
    g.Link(scene, 0, node);
    g.Link(node, 0, obj);
    g.Link(obj, 0, map);
    g.Link(other, 0, mtl);
    g.Link(node, 1, mtl);
    g.Link(mirror, 0, obj);
    g.Link(scene, 1, mtl);
    const std::vector<Animatable*> roots{scene, mirror, other};
    const std::string before = g.Dump(roots);

    theHold.Begin();
    node->DeleteMe();
    theHold.Accept(L"Delete");
    // Node and Obj (held only by Node, and weakly by Mirror) are deleted but still in memory.
    EXPECT_TRUE(node->TestAFlag(A_IS_DELETED));
    EXPECT_TRUE(obj->TestAFlag(A_IS_DELETED));
    EXPECT_TRUE(map->TestAFlag(A_IS_DELETED));
    EXPECT_FALSE(mtl->TestAFlag(A_IS_DELETED));
    EXPECT_TRUE(g.freed.empty());
    EXPECT_EQ(scene->GetReference(0), nullptr);
    EXPECT_EQ(mirror->GetReference(0), nullptr);
    EXPECT_EQ(DependentNames(mtl), (Names{"Other", "Scene"}));
    const std::string deleted = g.Dump(roots);

    ASSERT_TRUE(theHold.Undo());
    EXPECT_EQ(g.Dump(roots), before);
    EXPECT_FALSE(node->TestAFlag(A_IS_DELETED) || obj->TestAFlag(A_IS_DELETED) || map->TestAFlag(A_IS_DELETED));
    ASSERT_TRUE(theHold.Redo());
    EXPECT_EQ(g.Dump(roots), deleted);

    // Leaving the undo buffer frees them.
    theHold.ClearUndoBuffer();
    EXPECT_FALSE(g.Alive("Node"));
    EXPECT_FALSE(g.Alive("Obj"));
    EXPECT_FALSE(g.Alive("Map"));
    EXPECT_TRUE(g.Alive("Mtl"));
}

TEST(RefUndo, AnUndoneDeletionSurvivesItsStepLeavingTheRedoBuffer) {
    GraphBuilder g;
    TestTarget* t = g.Target("T");
    TestMaker* a = g.Maker("A");
    g.Link(a, 0, t);
    theHold.Begin();
    a->DeleteReference(0);
    theHold.Accept(L"Drop");
    ASSERT_TRUE(theHold.Undo());
    // A new step clears the redo buffer.
    TestTarget* u = g.Target("U");
    TestMaker* b = g.Maker("B");
    theHold.Begin();
    b->ReplaceReference(0, u);
    theHold.Accept(L"Other");
    EXPECT_EQ(theHold.NumRedoSteps(), 0);
    EXPECT_TRUE(g.Alive("T"));
    EXPECT_EQ(a->GetReference(0), t);
    EXPECT_FALSE(t->TestAFlag(A_IS_DELETED));
}

TEST(RefUndo, CancelPutsADeletionBackAndFreesNothing) {
    GraphBuilder g;
    TestTarget* t = g.Target("T", 1);
    TestTarget* child = g.Target("Child");
    TestMaker* a = g.Maker("A");
    g.Link(a, 0, t);
    g.Link(t, 0, child);
    const std::string before = g.Dump({a});
    theHold.Begin();
    t->DeleteMe();
    theHold.Cancel();
    EXPECT_EQ(g.Dump({a}), before);
    EXPECT_TRUE(g.freed.empty());
    // And a later deletion outside any hold frees at once.
    t->DeleteMe();
    EXPECT_EQ(g.freed, (Names{"Child", "T"}));
}

TEST(RefUndo, AnUndoSkipsObjectsFreedBehindTheHoldsBack) {
    GraphBuilder g;
    TestTarget* t = g.Target("T");
    TestTarget* u = g.Target("U");
    TestMaker* a = g.Maker("A");
    TestMaker* b = g.Maker("B");
    g.Link(a, 0, t);
    g.Link(b, 0, u);
    theHold.Begin();
    a->ReplaceReference(0, u, FALSE);
    theHold.Accept(L"Change");
    // Not recorded: T goes for good.
    t->DeleteMe();
    ASSERT_FALSE(g.Alive("T"));
    ASSERT_TRUE(theHold.Undo());
    EXPECT_EQ(a->GetReference(0), nullptr);
    EXPECT_EQ(DependentNames(u), (Names{"B"}));
    ASSERT_TRUE(theHold.Redo());
    EXPECT_EQ(a->GetReference(0), u);
    EXPECT_EQ(a->NumLiveRefs(), 1);
}

TEST(RefUndo, ATransferIsOneUndoableStep) {
    GraphBuilder g;
    TestTarget* oldT = g.Target("Old");
    TestTarget* newT = g.Target("New");
    TestMaker* a = g.Maker("A");
    TestMaker* b = g.Maker("B");
    newT->SetAFlag(A_LOCK_TARGET);
    g.Link(a, 0, oldT);
    g.Link(b, 0, oldT);
    ExpectUndoRedoExact([&] { return g.Dump({a, b, newT}); }, [&] { newT->TransferReferences(oldT, TRUE); });
    EXPECT_TRUE(oldT->TestAFlag(A_IS_DELETED));
    EXPECT_EQ(DependentNames(newT), (Names{"A", "B"}));
}
