// Message delivery: propagation, REF_STOP, the super class filter, disabled makers, changes mid-walk.
#include "host/core/Hold.h"
#include "host/core/RefMessages.h"
#include "tests/support/GraphBuilder.h"

#include <gtest/gtest.h>

using Names = std::vector<std::string>;

namespace {
// T <- Mid <- Top, and T <- Side (a pure maker).
struct Chain {
    GraphBuilder g;
    TestTarget* t = g.Target("T");
    TestTarget* mid = g.Target("Mid", 1);
    TestMaker* top = g.Maker("Top");
    TestMaker* side = g.Maker("Side");
    Chain() {
        g.Link(mid, 0, t);
        g.Link(top, 0, mid);
        g.Link(side, 0, t);
    }
};
} // namespace

TEST(NotifyDependents, PropagatesWithEachTargetAsTheSender) {
    Chain c;
    c.t->NotifyDependents(FOREVER, PART_GEOM, REFMSG_CHANGE);
    EXPECT_EQ(c.g.Heard(), (Names{"Mid<-T:0x50", "Top<-Mid:0x50", "Side<-T:0x50"}));
    for (const HeardMessage& h : c.g.heard) EXPECT_EQ(h.part, PART_GEOM);

    c.g.heard.clear();
    c.t->NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE, NOTIFY_ALL, FALSE);
    EXPECT_EQ(c.g.Heard(), (Names{"Mid<-T:0x50", "Side<-T:0x50"}));

    // hTarg names another sender for the first level.
    c.g.heard.clear();
    c.t->NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE, NOTIFY_ALL, TRUE, c.mid);
    EXPECT_EQ(c.g.Heard(), (Names{"Mid<-Mid:0x50", "Top<-Mid:0x50", "Side<-Mid:0x50"}));
}

TEST(NotifyDependents, RefStopEndsPropagationThroughThatDependentOnly) {
    Chain c;
    TestMaker* second = c.g.Maker("Second");
    c.g.Link(second, 0, c.mid);
    c.mid->answer = REF_STOP;
    c.t->NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
    EXPECT_EQ(c.g.Heard(), (Names{"Mid<-T:0x50", "Side<-T:0x50"}));
}

TEST(NotifyDependents, TheSuperClassFilterAppliesAtEveryLevel) {
    GraphBuilder g;
    TestTarget* t = g.Target("T");
    TestTarget* ctrl = g.Target("Ctrl", 1, 0x9003);
    TestTarget* other = g.Target("Other", 1);
    TestMaker* ctrlUser = g.Maker("CtrlUser", 1, 0x9003);
    TestMaker* otherUser = g.Maker("OtherUser", 1);
    g.Link(ctrl, 0, t);
    g.Link(other, 0, t);
    g.Link(ctrlUser, 0, ctrl);
    g.Link(otherUser, 0, ctrl);
    t->NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE, 0x9003);
    EXPECT_EQ(g.Heard(), (Names{"Ctrl<-T:0x50", "CtrlUser<-Ctrl:0x50"}));
}

TEST(NotifyDependents, ADisabledMakerHearsNothingAndPassesNothingOn) {
    Chain c;
    c.mid->DisableRefMsgs();
    c.t->NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
    EXPECT_EQ(c.g.Heard(), (Names{"Side<-T:0x50"}));
    c.mid->EnableRefMsgs();
    c.g.heard.clear();
    c.t->NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
    EXPECT_EQ(c.g.Heard().size(), 3u);
}

TEST(NotifyDependents, AMakerWithTwoReferencesHearsOnce) {
    GraphBuilder g;
    TestTarget* t = g.Target("T");
    TestMaker* twice = g.Maker("Twice", 2);
    g.Link(twice, 0, t);
    g.Link(twice, 1, t);
    t->NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
    EXPECT_EQ(g.Heard(), (Names{"Twice<-T:0x50"}));
}

TEST(NotifyDependents, AnAnswerWrittenThroughThePartReachesTheSender) {
    Chain c;
    // A query message: the dependent writes its answer where the part points.
    c.side->onMessage = [&](RefTargetHandle, PartID& part, RefMessage msg) {
        if (msg == REFMSG_USER + 1) *reinterpret_cast<int*>(part) = 42;
    };
    int answer = 0;
    c.t->NotifyDependents(FOREVER, reinterpret_cast<PartID>(&answer), REFMSG_USER + 1, NOTIFY_ALL, FALSE);
    EXPECT_EQ(answer, 42);
    // A dependent that changes the part passes the changed part on; its siblings get the original.
    c.mid->onMessage = [](RefTargetHandle, PartID& part, RefMessage) { part = PART_TOPO; };
    c.g.heard.clear();
    c.t->NotifyDependents(FOREVER, PART_GEOM, REFMSG_CHANGE);
    ASSERT_EQ(c.g.heard.size(), 3u);
    EXPECT_EQ(c.g.heard[1].part, PART_TOPO); // Top
    EXPECT_EQ(c.g.heard[2].part, PART_GEOM); // Side
}

TEST(NotifyDependents, DependentsRemovedDuringTheWalkAreNotCalledAndAddedOnesWait) {
    GraphBuilder g;
    TestTarget* t = g.Target("T");
    TestMaker* first = g.Maker("First");
    TestMaker* second = g.Maker("Second");
    TestMaker* third = g.Maker("Third");
    TestMaker* late = g.Maker("Late");
    g.Link(first, 0, t);
    g.Link(second, 0, t);
    g.Link(third, 0, t);
    first->onMessage = [&](RefTargetHandle, PartID&, RefMessage) {
        second->DeleteReference(0);
        late->ReplaceReference(0, t);
    };
    t->NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
    EXPECT_EQ(g.Heard(), (Names{"First<-T:0x50", "Third<-T:0x50"}));
    EXPECT_EQ(DependentNames(t), (Names{"First", "Third", "Late"}));
}

TEST(NotifyDependents, TheSenderAndADependentMayBeDeletedByAHandler) {
    GraphBuilder g;
    TestTarget* t = g.Target("T");
    TestTarget* doomed = g.Target("Doomed", 1);
    TestMaker* above = g.Maker("Above");
    TestMaker* after = g.Maker("After");
    g.Link(doomed, 0, t);
    g.Link(above, 0, doomed);
    g.Link(after, 0, t);
    // Doomed deletes itself and the sender while the sender's walk runs; nothing is called on freed memory.
    doomed->onMessage = [&](RefTargetHandle, PartID&, RefMessage msg) {
        if (msg != REFMSG_CHANGE) return;
        doomed->DeleteMe();
        t->DeleteMe();
    };
    t->NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
    EXPECT_FALSE(g.Alive("Doomed"));
    EXPECT_FALSE(g.Alive("T"));
    EXPECT_EQ(g.Heard(), (Names{"Doomed<-T:0x50", "Above<-Doomed:0x20", "After<-T:0x20"}));
    EXPECT_EQ(above->GetReference(0), nullptr);
    EXPECT_EQ(after->GetReference(0), nullptr);
}

TEST(NotifyDependents, ALoopLeftByARedoIsWalkedOnce) {
    GraphBuilder g;
    TestTarget* a = g.Target("A", 1);
    TestTarget* b = g.Target("B", 1);
    theHold.Begin();
    g.Link(a, 0, b);
    theHold.Accept(L"link");
    theHold.Undo();
    // Outside the hold the redo step survives, and redoing it closes A -> B -> A.
    g.Link(b, 0, a);
    ASSERT_TRUE(theHold.Redo());
    ASSERT_EQ(a->GetReference(0), b);
    ASSERT_EQ(b->GetReference(0), a);
    a->NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
    EXPECT_EQ(g.Heard(), (Names{"B<-A:0x50", "A<-B:0x50"}));
    // Breaking the loop frees both: A had only B, and B had only A.
    b->DeleteReference(0);
    EXPECT_FALSE(g.Alive("A"));
    EXPECT_FALSE(g.Alive("B"));
}

TEST(NotifyDependents, AHandlerMayStartAMessageThroughTargetsOnThePath) {
    // T is on the path of the change when Mid hears it; Mid's own message from T is a new chain and
    // passes through T and Mid again.
    Chain c;
    c.mid->onMessage = [&](RefTargetHandle, PartID&, RefMessage message) {
        if (message == REFMSG_CHANGE) c.t->NotifyDependents(FOREVER, PART_ALL, REFMSG_EVAL);
    };
    c.t->NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
    EXPECT_EQ(c.g.Heard(), (Names{"Mid<-T:0x50", "Mid<-T:0x30", "Top<-Mid:0x30", "Side<-T:0x30", "Top<-Mid:0x50",
                                  "Side<-T:0x50"}));
}
