// Reference bookkeeping: dependents lists, loops, enumeration, transfer, the dump, animatable basics.
#include "host/core/AnimGraphDump.h"
#include "host/core/Hold.h"
#include "host/core/RefList.h"
#include "tests/support/GraphBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <random>
#include <vector>

using Names = std::vector<std::string>;

TEST(ReferenceGraph, DependentsFollowEveryReferenceChangeInOrder) {
    GraphBuilder g;
    TestTarget* t = g.Target("T");
    TestTarget* u = g.Target("U");
    TestMaker* a = g.Maker("A", 2);
    TestMaker* b = g.Maker("B", 1);
    g.Link(a, 0, t);
    g.Link(b, 0, t);
    g.Link(a, 1, t); // the same maker twice: two entries
    EXPECT_EQ(DependentNames(t), (Names{"A", "B", "A"}));
    EXPECT_EQ(t->NumDependents(), 3);
    EXPECT_EQ(a->FindRef(t), 0);
    EXPECT_EQ(a->NumLiveRefs(), 2);

    // Re-pointing slot 0 removes exactly that entry; the order of the others stays.
    EXPECT_EQ(a->ReplaceReference(0, u, FALSE), REF_SUCCEED);
    EXPECT_EQ(DependentNames(t), (Names{"B", "A"}));
    EXPECT_EQ(DependentNames(u), (Names{"A"}));
    EXPECT_EQ(a->FindRef(t), 1);

    EXPECT_EQ(a->ReplaceReference(2, u), REF_FAIL);
    EXPECT_EQ(a->ReplaceReference(-1, u), REF_FAIL);
    EXPECT_EQ(a->DeleteAllRefsFromMe(), REF_SUCCEED);
    EXPECT_EQ(a->NumLiveRefs(), 0);
    EXPECT_EQ(DependentNames(t), (Names{"B"}));
}

TEST(ReferenceGraph, AReferenceThatWouldCloseALoopIsRefused) {
    GraphBuilder g;
    TestTarget* a = g.Target("A", 1);
    TestTarget* b = g.Target("B", 1);
    TestTarget* c = g.Target("C", 1);
    g.Link(a, 0, b);
    g.Link(b, 0, c);
    std::string before = g.Dump({a});
    EXPECT_EQ(c->ReplaceReference(0, a), REF_FAIL);
    EXPECT_EQ(c->ReplaceReference(0, c), REF_FAIL);
    // The first refusal left nothing marked that would hide the loop from the next test.
    EXPECT_EQ(c->ReplaceReference(0, a), REF_FAIL);
    EXPECT_EQ(g.Dump({a}), before);
    EXPECT_EQ(c->NumDependents(), 1);
    // A diamond is not a loop.
    TestTarget* d = g.Target("D");
    g.Link(c, 0, d);
    TestTarget* top = g.Target("Top", 2);
    g.Link(top, 0, a);
    g.Link(top, 1, c);
}

TEST(ReferenceGraph, ADeletedTargetCannotBeReferenced) {
    GraphBuilder g;
    TestTarget* t = g.Target("T");
    TestMaker* m = g.Maker("M");
    theHold.Begin();
    t->DeleteMe();
    EXPECT_TRUE(t->TestAFlag(A_IS_DELETED));
    EXPECT_EQ(m->ReplaceReference(0, t), REF_FAIL);
    theHold.Accept(L"delete");
}

TEST(ReferenceGraph, EnumDependentsVisitsTheTargetThenUpwardsOnce) {
    GraphBuilder g;
    TestTarget* leaf = g.Target("Leaf");
    TestTarget* mid1 = g.Target("Mid1", 1);
    TestTarget* mid2 = g.Target("Mid2", 1);
    TestMaker* top = g.Maker("Top", 2);
    g.Link(mid1, 0, leaf);
    g.Link(mid2, 0, leaf);
    g.Link(top, 0, mid1);
    g.Link(top, 1, mid2);

    struct Collect : DependentEnumProc {
        Names seen;
        std::string skip, halt;
        int proc(ReferenceMaker* rm) override {
            std::string n = rm->IsRefTarget() ? static_cast<TestTarget*>(rm)->Name() : static_cast<TestMaker*>(rm)->Name();
            seen.push_back(n);
            if (n == halt) return DEP_ENUM_HALT;
            return n == skip ? DEP_ENUM_SKIP : DEP_ENUM_CONTINUE;
        }
    };
    Collect all;
    EXPECT_EQ(leaf->DoEnumDependents(&all), 0);
    EXPECT_EQ(all.seen, (Names{"Leaf", "Mid1", "Top", "Mid2"}));

    Collect skipping;
    skipping.skip = "Mid1";
    leaf->DoEnumDependents(&skipping);
    EXPECT_EQ(skipping.seen, (Names{"Leaf", "Mid1", "Mid2", "Top"}));

    Collect halting;
    halting.halt = "Top";
    EXPECT_EQ(leaf->DoEnumDependents(&halting), 1);
    EXPECT_EQ(halting.seen, (Names{"Leaf", "Mid1", "Top"}));
}

TEST(ReferenceGraph, TransferMovesWhatMakersAllowAndDeletesTheOldTargetOnlyWhenFree) {
    GraphBuilder g;
    TestTarget* oldT = g.Target("Old");
    TestTarget* newT = g.Target("New");
    TestMaker* a = g.Maker("A", 2);
    TestMaker* refuser = g.Maker("Refuser");
    refuser->RefuseTransfer(0);
    g.Link(a, 0, oldT);
    g.Link(refuser, 0, oldT);
    g.Link(a, 1, oldT);

    EXPECT_EQ(newT->TransferReferences(oldT, TRUE), REF_SUCCEED);
    EXPECT_EQ(a->GetReference(0), newT);
    EXPECT_EQ(a->GetReference(1), newT);
    EXPECT_EQ(refuser->GetReference(0), oldT);
    EXPECT_EQ(DependentNames(newT), (Names{"A", "A"}));
    // The refusing maker holds it for real: delOld did not delete it.
    EXPECT_TRUE(g.Alive("Old"));

    // Weak now: a second transfer with delOld lets it go.
    refuser->SetWeak(0);
    EXPECT_EQ(newT->TransferReferences(oldT, TRUE), REF_SUCCEED);
    EXPECT_FALSE(g.Alive("Old"));
    EXPECT_EQ(refuser->GetReference(0), nullptr);
}

TEST(ReferenceGraph, TransferSkipsAMakerThatTheNewTargetDependsOn) {
    GraphBuilder g;
    TestTarget* oldT = g.Target("Old");
    TestTarget* newT = g.Target("New", 1);
    TestMaker* a = g.Maker("A");
    g.Link(newT, 0, oldT);
    g.Link(a, 0, oldT);
    newT->TransferReferences(oldT);
    EXPECT_EQ(newT->GetReference(0), oldT);
    EXPECT_EQ(a->GetReference(0), newT);
}

TEST(ReferenceGraph, RemovalAmong100kDependentsKeepsOrderAndSqueezesHoles) {
    GraphBuilder g;
    TestTarget* shared = g.Target("Shared");
    shared->SetAFlag(A_LOCK_TARGET);
    constexpr int kN = 100000;
    std::vector<TestMaker*> makers;
    makers.reserve(kN);
    for (int i = 0; i < kN; ++i) {
        makers.push_back(g.Maker("M" + std::to_string(i)));
        makers.back()->ReplaceReference(0, shared);
    }
    // The first half from the front (holes pile up at the head and get squeezed), then every other
    // one of the rest from the back.
    for (int i = 0; i < kN / 2; ++i) makers[static_cast<size_t>(i)]->DeleteReference(0);
    for (int i = kN - 2; i >= kN / 2; i -= 2) makers[static_cast<size_t>(i)]->DeleteReference(0);
    ASSERT_EQ(shared->NumDependents(), kN / 4);
    DependentIterator it(shared);
    int expect = kN / 2 + 1;
    for (ReferenceMaker* m = it.Next(); m; m = it.Next(), expect += 2)
        ASSERT_EQ(m, makers[static_cast<size_t>(expect)]);
    EXPECT_EQ(expect, kN + 1);
}

TEST(RefList, RemovedEntriesReviveInPlaceUntilHolesAreSqueezed) {
    // The list never touches its makers: stand-in addresses are enough.
    RefList list;
    auto maker = [](int i) { return reinterpret_cast<ReferenceMaker*>(std::uintptr_t(0x1000 + 16 * i)); };
    for (int i = 0; i < 40; ++i) list.Add(maker(i), 0);
    list.Add(maker(5), 1); // maker 5 twice
    EXPECT_EQ(list.CountOf(maker(5)), 2);
    // Slot 1 of maker 5 is the later entry, even though slot 0 comes first.
    RefList::Token t5 = list.Remove(maker(5), 1);
    EXPECT_EQ(t5.pos, 40u);
    RefList::Token t3 = list.Remove(maker(3), 0);
    EXPECT_EQ(list.MakerAt(3), nullptr);
    list.Revive(t3, maker(3), 0);
    EXPECT_EQ(list.MakerAt(3), maker(3));
    // Squeezing: once half the list is holes, the positions close up and old tokens no longer revive
    // in place (the entry is appended instead).
    RefList::Token t0 = list.Remove(maker(0), 0);
    for (int i = 1; i < 24; ++i) list.Remove(maker(i), 0);
    EXPECT_EQ(list.Size(), 20u); // squeezed at 21 holes, then 4 new holes
    EXPECT_EQ(list.Count(), 16);
    EXPECT_EQ(list.MakerAt(0), nullptr);
    EXPECT_EQ(list.MakerAt(4), maker(24));
    list.Revive(t0, maker(0), 0);
    EXPECT_EQ(list.MakerAt(list.Size() - 1), maker(0));
}

TEST(RefList, AnEntryRemovedAtItsPositionRevivesOnceInPlaceAndInABlock) {
    auto maker = [](int i) { return reinterpret_cast<ReferenceMaker*>(std::uintptr_t(0x1000 + 16 * i)); };
    for (int entries : {2, 40, 100}) { // in place; in a short block; in a long block with an index
        RefList list;
        for (int i = 0; i < entries; ++i) list.Add(maker(i), 0);
        RefList::Token t = list.RemoveAt(1, false);
        EXPECT_EQ(list.MakerAt(1), nullptr) << entries;
        EXPECT_FALSE(list.Remove(maker(1), 0).Valid()) << entries;
        EXPECT_FALSE(list.RemoveAt(1).Valid()) << entries;
        list.Revive(t, maker(1), 0);
        EXPECT_EQ(list.MakerAt(1), maker(1)) << entries;
        EXPECT_EQ(list.CountOf(maker(1)), 1) << entries;
    }
}

TEST(RefList, TokensOfAShortBlockNameTheSamePositionsInTheLongBlockItMovesTo) {
    auto maker = [](int i) { return reinterpret_cast<ReferenceMaker*>(std::uintptr_t(0x1000 + 16 * i)); };
    // Ten entries and one hole, or twenty squeezed down to four, then grown long by length or by an
    // entry that does not pack. A token from before a squeeze no longer names a position.
    const struct {
        int first, removed, grownTo, slot;
        bool inPlace;
    } cases[] = {{10, 1, 70, 0, true}, {10, 1, 12, 1 << 20, true}, {20, 16, 80, 0, false}};
    for (const auto& c : cases) {
        RefList list;
        for (int i = 0; i < c.first; ++i) list.Add(maker(i), 0);
        const RefList::Token t = list.Remove(maker(4), 0);
        for (int i = 5; i < 4 + c.removed; ++i) list.Remove(maker(i), 0);
        for (int i = 0; i < c.grownTo - c.first; ++i) list.Add(maker(100 + i), c.slot);
        list.RemoveAt(t.pos, false); // a stale token must not revive into a hole at its old position
        const size_t end = list.Size();
        list.Revive(t, maker(4), 0);
        ASSERT_EQ(list.MakerAt(c.inPlace ? t.pos : end), maker(4)) << c.grownTo;
        EXPECT_EQ(list.SlotAt(list.Size() - (c.inPlace ? 1 : 2)), c.slot); // the last entry grown
        EXPECT_EQ(list.Remove(maker(4), 0).pos, c.inPlace ? t.pos : end) << c.grownTo;
    }
}

TEST(RefList, AListShrunkToOneEntryKeepsItThroughGrowingAgain) {
    // Two entries are held in place, more go to a block.
    RefList list;
    auto maker = [](int i) { return reinterpret_cast<ReferenceMaker*>(std::uintptr_t(0x1000 + 16 * i)); };
    list.Add(maker(0), 0);
    RefList::Token t = list.Remove(maker(0), 0);
    list.Revive(t, maker(0), 0);
    EXPECT_EQ(list.Size(), 1u);
    EXPECT_EQ(list.MakerAt(0), maker(0));
    for (int i = 1; i < 17; ++i) list.Add(maker(i), 0);
    // Sixteen holes in seventeen entries are squeezed out.
    for (int i = 0; i < 16; ++i) list.Remove(maker(i), 0);
    ASSERT_EQ(list.Size(), 1u);
    EXPECT_EQ(list.MakerAt(0), maker(16));
    for (int i = 40; i < 43; ++i) list.Add(maker(i), 0);
    std::vector<ReferenceMaker*> live;
    for (size_t i = list.FirstLive(); i < list.Size(); ++i)
        if (list.MakerAt(i)) live.push_back(list.MakerAt(i));
    EXPECT_EQ(live, (std::vector<ReferenceMaker*>{maker(16), maker(40), maker(41), maker(42)}));
    EXPECT_EQ(list.CountOf(maker(41)), 1);
}

TEST(RefList, EntriesThatDoNotPackInPlaceKeepTheirMakerAndSlot) {
    auto maker = [](int i) { return reinterpret_cast<ReferenceMaker*>(std::uintptr_t(0x1000 + 16 * i)); };
    const struct {
        ReferenceMaker* maker;
        int slot;
    } cases[] = {{maker(1), 0}, {maker(1), 65535}, {maker(1), 65536}, {maker(1), -1},
                 {reinterpret_cast<ReferenceMaker*>(std::uintptr_t(1) << 50), 3}};
    for (const auto& c : cases) {
        RefList list;
        list.Add(c.maker, c.slot);
        ASSERT_EQ(list.MakerAt(0), c.maker) << c.slot;
        EXPECT_EQ(list.SlotAt(0), c.slot);
        RefList::Token t = list.Remove(c.maker, c.slot);
        EXPECT_EQ(list.Count(), 0);
        EXPECT_EQ(list.SlotAt(0), c.slot);
        list.Revive(t, c.maker, c.slot);
        list.Add(maker(2), 1);
        EXPECT_EQ(list.Size(), 2u);
        EXPECT_EQ(list.MakerAt(0), c.maker);
        EXPECT_EQ(list.SlotAt(0), c.slot);
        EXPECT_EQ(list.CountOf(c.maker), 1);
    }
}

TEST(RefList, RandomAddsAndRemovesKeepTheOrderAndCountsOfASimpleList) {
    // Few makers with many entries each crowd the index with equal keys; lists grow past the index
    // length, shrink back into place and grow again, squeezing on the way.
    auto maker = [](int i) { return reinterpret_cast<ReferenceMaker*>(std::uintptr_t(0x1000 + 16 * i)); };
    struct Live {
        ReferenceMaker* maker;
        int slot;
        bool operator==(const Live&) const = default;
    };
    std::mt19937 rng(11);
    RefList list;
    std::vector<Live> model;
    for (int step = 0; step < 20000; ++step) {
        const bool grow = (step / 2500) % 2 == 0;
        const Live e{maker(static_cast<int>(rng() % 24)), static_cast<int>(rng() % 3)};
        if (rng() % 10 < (grow ? 7u : 2u)) {
            list.Add(e.maker, e.slot);
            model.push_back(e);
            continue;
        }
        // The newest entry of the maker for the slot, else the maker's newest.
        auto pick = model.rend();
        for (auto it = model.rbegin(); it != model.rend(); ++it) {
            if (it->maker != e.maker) continue;
            if (it->slot == e.slot) {
                pick = it;
                break;
            }
            if (pick == model.rend()) pick = it;
        }
        ASSERT_EQ(list.Remove(e.maker, e.slot).Valid(), pick != model.rend()) << "step " << step;
        if (pick != model.rend()) model.erase(std::next(pick).base());
        if (step % 97 != 0) continue;
        std::vector<Live> live;
        for (size_t i = list.FirstLive(); i < list.Size(); ++i)
            if (list.MakerAt(i)) live.push_back({list.MakerAt(i), list.SlotAt(i)});
        ASSERT_EQ(live, model) << "step " << step;
        const auto ofMaker = std::count_if(model.begin(), model.end(), [&](const Live& l) { return l.maker == e.maker; });
        ASSERT_EQ(list.CountOf(e.maker), ofMaker) << "step " << step;
    }
}

TEST(ReferenceGraph, EnumRefHierarchyCanFollowOnlyWhatIsSaved) {
    GraphBuilder g;
    TestMaker* root = g.Maker("Root", 3);
    TestTarget* real = g.Target("Real", 1);
    TestTarget* weak = g.Target("Weak");
    TestTarget* below = g.Target("Below");
    g.Link(root, 0, real);
    g.Link(root, 1, weak);
    g.Link(root, 2, real);
    g.Link(real, 0, below);
    root->SetWeak(1);
    struct Collect : RefEnumProc {
        Names seen;
        int proc(ReferenceMaker* rm) override {
            seen.push_back(rm->IsRefTarget() ? static_cast<TestTarget*>(rm)->Name() : static_cast<TestMaker*>(rm)->Name());
            return REF_ENUM_CONTINUE;
        }
    };
    Collect all;
    EXPECT_TRUE(root->EnumRefHierarchy(all));
    EXPECT_EQ(all.seen, (Names{"Root", "Real", "Below", "Weak"}));
    Collect saved;
    root->EnumRefHierarchy(saved, true, true, false);
    EXPECT_EQ(saved.seen, (Names{"Root", "Real", "Below"}));
}

TEST(AnimGraphDump, NumbersByFirstVisitAndPrintsSharedTargetsAsBackReferences) {
    GraphBuilder g;
    TestMaker* root = g.Maker("Root", 3);
    TestTarget* a = g.Target("A", 1);
    TestTarget* s = g.Target("S");
    g.Link(root, 0, a);
    g.Link(root, 2, s);
    g.Link(a, 0, s);
    root->SetWeak(2);
    s->SetAFlag(A_LOCK_TARGET);
    EXPECT_EQ(g.Dump({root}),
              "#1 TestMaker Root (0x7e570002, 0x0) super 0x7e50\n"
              "  ref 0: #2 real\n"
              "  ref 1: null\n"
              "  ref 2: #3 weak\n"
              "  sub 0 \"Slot 0\": #2\n"
              "  sub 1 \"Slot 1\": null\n"
              "  sub 2 \"Slot 2\": #3\n"
              "#2 TestTarget A (0x7e570001, 0x0) super 0x7e50\n"
              "  ref 0: #3 real\n"
              "  sub 0 \"Slot 0\": #3\n"
              "  deps: #1\n"
              "#3 TestTarget S (0x7e570001, 0x0) super 0x7e50 [locked]\n"
              "  deps: #1, #2\n");
    // Outside the dump, a dependent shows by class.
    EXPECT_EQ(g.Dump({a}).find("  deps: (TestMaker)\n") != std::string::npos, true);
}

namespace {
struct Tag : AnimProperty {
    Tag(DWORD id, int* deaths) : id_(id), deaths_(deaths) {}
    ~Tag() override { ++*deaths_; }
    DWORD ID() override { return id_; }
    DWORD id_;
    int* deaths_;
};
} // namespace

TEST(Animatable, PropertiesAreOwnedAndHandlesOutliveNothing) {
    GraphBuilder g;
    int deaths = 0;
    TestTarget* t = g.Target("T");
    t->AddAProp(new Tag(7, &deaths));
    t->AddAProp(new Tag(9, &deaths));
    auto* replacement = new Tag(7, &deaths);
    t->AddAProp(replacement); // replaces (and frees) the first id 7
    EXPECT_EQ(deaths, 1);
    EXPECT_EQ(t->GetAProp(7), replacement);
    EXPECT_EQ(t->NumAProps(), 2);
    t->RemoveAProp(9);
    EXPECT_EQ(deaths, 2);
    EXPECT_EQ(t->GetAProp(9), nullptr);
    // Removing the oldest property keeps the younger ones.
    auto* younger = new Tag(11, &deaths);
    t->AddAProp(younger);
    t->RemoveAProp(7);
    EXPECT_EQ(t->GetAProp(11), younger);
    EXPECT_EQ(t->NumAProps(), 1);

    AnimHandle h = Animatable::GetHandleByAnim(t);
    EXPECT_EQ(Animatable::GetHandleByAnim(t), h);
    EXPECT_EQ(Animatable::GetAnimByHandle(h), t);
    TestTarget* other = g.Target("Other");
    EXPECT_NE(Animatable::GetHandleByAnim(other), h);
    t->MaybeAutoDelete(); // nothing holds it
    EXPECT_EQ(deaths, 4);
    EXPECT_EQ(Animatable::GetAnimByHandle(h), nullptr);
}

TEST(Animatable, HandlesOfSurvivorsResolveAfterTheAnimatablesAroundThemAreGone) {
    // Enough animatables for several pages of handles: pages empty out, one survivor keeps its page.
    GraphBuilder g;
    constexpr int kN = 20000;
    std::vector<TestTarget*> targets;
    std::vector<AnimHandle> handles;
    for (int i = 0; i < kN; ++i) {
        targets.push_back(g.Target("T" + std::to_string(i)));
        handles.push_back(Animatable::GetHandleByAnim(targets.back()));
    }
    for (int i = 0; i < kN; ++i)
        if (i % 7000 != 0) targets[static_cast<size_t>(i)]->MaybeAutoDelete();
    for (int i = 0; i < kN; ++i)
        ASSERT_EQ(Animatable::GetAnimByHandle(handles[static_cast<size_t>(i)]),
                  i % 7000 == 0 ? targets[static_cast<size_t>(i)] : nullptr)
            << "animatable " << i;
    TestTarget* late = g.Target("Late");
    const AnimHandle lateHandle = Animatable::GetHandleByAnim(late);
    EXPECT_GT(lateHandle, handles.back());
    EXPECT_EQ(Animatable::GetAnimByHandle(lateHandle), late);
}
