// Auto-delete and deletion: real and weak dependents, the lock flag, chains, explicit deletion.
#include "host/core/RefMessages.h"
#include "tests/support/GraphBuilder.h"

#include <gtest/gtest.h>

using Names = std::vector<std::string>;

TEST(AutoDelete, AWeakDependentHearsTheDeletionAndKeepsANullReference) {
    GraphBuilder g;
    TestTarget* t = g.Target("T");
    TestMaker* owner = g.Maker("Owner");
    TestMaker* mirror = g.Maker("Mirror");
    mirror->SetWeak(0);
    g.Link(owner, 0, t);
    g.Link(mirror, 0, t);
    // The weak one alone does not keep it.
    EXPECT_FALSE(t->MaybeAutoDelete() == REF_SUCCEED);
    EXPECT_TRUE(g.Alive("T"));

    owner->DeleteReference(0);
    EXPECT_FALSE(g.Alive("T"));
    EXPECT_EQ(mirror->GetReference(0), nullptr);
    EXPECT_EQ(mirror->NumLiveRefs(), 0);
    EXPECT_EQ(g.Heard(), (Names{"Mirror<-T:0x20"}));
}

TEST(AutoDelete, ARealDependentKeepsTheTargetAliveAndSoDoesTheLock) {
    GraphBuilder g;
    TestTarget* t = g.Target("T");
    TestMaker* a = g.Maker("A");
    TestMaker* b = g.Maker("B");
    g.Link(a, 0, t);
    g.Link(b, 0, t);
    a->DeleteReference(0);
    EXPECT_TRUE(g.Alive("T"));

    t->SetAFlag(A_LOCK_TARGET);
    b->DeleteReference(0);
    EXPECT_TRUE(g.Alive("T"));
    t->ClearAFlag(A_LOCK_TARGET);
    EXPECT_EQ(t->MaybeAutoDelete(), REF_SUCCEED);
    EXPECT_FALSE(g.Alive("T"));
}

TEST(AutoDelete, ReplacingWithoutDelOldLeavesTheOldTargetAlone) {
    GraphBuilder g;
    TestTarget* t = g.Target("T");
    TestTarget* u = g.Target("U");
    TestMaker* a = g.Maker("A");
    g.Link(a, 0, t);
    a->ReplaceReference(0, u, FALSE);
    EXPECT_TRUE(g.Alive("T"));
    a->ReplaceReference(0, t); // delOld defaults to TRUE: U goes
    EXPECT_FALSE(g.Alive("U"));
}

TEST(AutoDelete, DeletionCascadesDownChainsButSparesSharedTargets) {
    GraphBuilder g;
    TestMaker* scene = g.Maker("Scene", 2);
    TestTarget* a = g.Target("A", 1);
    TestTarget* b = g.Target("B", 2);
    TestTarget* c = g.Target("C");
    TestTarget* shared = g.Target("Shared");
    TestMaker* watcher = g.Maker("Watcher");
    TestMaker* keeper = g.Maker("Keeper");
    watcher->SetWeak(0);
    g.Link(scene, 0, a);
    g.Link(a, 0, b);
    g.Link(b, 0, c);
    g.Link(b, 1, shared);
    g.Link(keeper, 0, shared);
    g.Link(watcher, 0, c);

    scene->DeleteReference(0);
    EXPECT_EQ(g.freed, (Names{"C", "B", "A"}));
    EXPECT_TRUE(g.Alive("Shared"));
    EXPECT_EQ(DependentNames(shared), (Names{"Keeper"}));
    EXPECT_EQ(watcher->GetReference(0), nullptr);
    EXPECT_EQ(g.Heard(), (Names{"Watcher<-C:0x20"}));
}

TEST(AutoDelete, DeleteMeTellsEveryDependentOnceAndNullsAllTheirReferences) {
    GraphBuilder g;
    TestTarget* t = g.Target("T");
    TestMaker* twice = g.Maker("Twice", 2);
    TestMaker* real = g.Maker("Real");
    TestMaker* silent = g.Maker("Silent");
    g.Link(twice, 0, t);
    g.Link(real, 0, t);
    g.Link(twice, 1, t);
    g.Link(silent, 0, t);
    silent->DisableRefMsgs();
    t->SetAFlag(A_LOCK_TARGET); // an explicit deletion ignores the lock

    t->DeleteMe();
    EXPECT_FALSE(g.Alive("T"));
    EXPECT_EQ(g.Heard(), (Names{"Twice<-T:0x20", "Real<-T:0x20"}));
    EXPECT_EQ(twice->GetReference(0), nullptr);
    EXPECT_EQ(twice->GetReference(1), nullptr);
    EXPECT_EQ(silent->GetReference(0), nullptr);
    EXPECT_EQ(twice->NumLiveRefs() + real->NumLiveRefs() + silent->NumLiveRefs(), 0);
}

TEST(AutoDelete, AHandlerThatDropsItsReferenceOnTheDeletionMessageIsSafe) {
    GraphBuilder g;
    TestTarget* t = g.Target("T");
    TestTarget* other = g.Target("Other");
    TestMaker* a = g.Maker("A");
    TestMaker* b = g.Maker("B");
    other->SetAFlag(A_LOCK_TARGET);
    g.Link(a, 0, t);
    g.Link(b, 0, t);
    // A re-points itself; B is dropped by A's handler, so B hears nothing.
    a->onMessage = [&](RefTargetHandle, PartID&, RefMessage msg) {
        if (msg != REFMSG_TARGET_DELETED) return;
        a->ReplaceReference(0, other);
        b->DeleteReference(0);
    };
    t->DeleteMe();
    EXPECT_FALSE(g.Alive("T"));
    EXPECT_EQ(a->GetReference(0), other);
    EXPECT_EQ(b->GetReference(0), nullptr);
    EXPECT_EQ(g.Heard(), (Names{"A<-T:0x20"}));
}
