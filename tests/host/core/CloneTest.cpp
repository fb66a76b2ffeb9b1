// Cloning through a remap directory: shared targets stay shared, pointers are patched, procs run.
#include "host/core/RemapDir.h"
#include "tests/support/GraphBuilder.h"

#include <gtest/gtest.h>

namespace {
std::string Unlabelled(Animatable* root) {
    AnimGraphDump::Options o;
    o.dependents = false;
    return AnimGraphDump::Dump(root, o).ToUTF8();
}
} // namespace

TEST(Clone, ASharedTargetIsClonedOnceAndStaysShared) {
    GraphBuilder g;
    TestTarget* root = g.Target("Root", 3);
    TestTarget* a = g.Target("A", 1);
    TestTarget* b = g.Target("B", 1);
    TestTarget* s = g.Target("S");
    g.Link(root, 0, a);
    g.Link(root, 1, b);
    g.Link(root, 2, s);
    g.Link(a, 0, s);
    g.Link(b, 0, s);
    root->SetWeak(2);

    auto* copy = CloneRefHierarchy(root);
    ASSERT_NE(copy, nullptr);
    auto* ca = static_cast<TestTarget*>(copy->GetReference(0));
    auto* cb = static_cast<TestTarget*>(copy->GetReference(1));
    ASSERT_NE(ca, a);
    EXPECT_EQ(ca->Name(), "A'");
    EXPECT_EQ(ca->GetReference(0), cb->GetReference(0));
    EXPECT_EQ(ca->GetReference(0), copy->GetReference(2));
    EXPECT_NE(ca->GetReference(0), s);
    // Same shape, same real/weak configuration, nothing points back into the original.
    EXPECT_EQ(Unlabelled(copy), Unlabelled(root));
    EXPECT_EQ(s->NumDependents(), 3);
}

TEST(Clone, AClassThatCannotBeClonedLeavesANullReferenceInTheCopy) {
    GraphBuilder g;
    TestTarget* root = g.Target("Root", 1);
    TestTarget* fixed = g.Target("Fixed");
    fixed->cloneable = false;
    g.Link(root, 0, fixed);
    auto* copy = CloneRefHierarchy(root);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetReference(0), nullptr);
    fixed->cloneable = true;
    root->cloneable = false;
    EXPECT_EQ(CloneRefHierarchy(root), nullptr);
    copy->DeleteMe();
}

namespace {
struct CountingProc : PostPatchProc {
    CountingProc(std::vector<int>* runs, int id, bool* destroyed) : runs_(runs), id_(id), destroyed_(destroyed) {}
    ~CountingProc() override {
        if (destroyed_) *destroyed_ = true;
    }
    int Proc(RemapDir&) override {
        runs_->push_back(id_);
        return 1;
    }
    std::vector<int>* runs_;
    int id_;
    bool* destroyed_;
};
} // namespace

TEST(Clone, PointersArePatchedAndPostPatchProceduresRunOnceInOrder) {
    GraphBuilder g;
    TestTarget* x = g.Target("X");
    TestTarget* y = g.Target("Y");
    TestTarget* never = g.Target("Never");
    RemapDir* remap = NewRemapDir();
    RefTargetHandle early = x;
    RefTargetHandle late = y;
    RefTargetHandle untouched = never;
    RefTargetHandle cx = remap->CloneRef(x);
    remap->PatchPointer(&early, x); // already cloned: patched at once
    EXPECT_EQ(early, cx);
    remap->PatchPointer(&late, y); // cloned later: patched in Backpatch
    remap->PatchPointer(&untouched, never);
    RefTargetHandle cy = remap->CloneRef(y);
    EXPECT_EQ(remap->CloneRef(y), cy); // recorded: a second request gives the same copy
    EXPECT_EQ(late, y);

    std::vector<int> runs;
    bool ownedGone = false, keptGone = false;
    CountingProc kept(&runs, 2, &keptGone);
    remap->AddPostPatchProc(new CountingProc(&runs, 1, &ownedGone), true);
    remap->AddPostPatchProc(&kept, false);
    remap->Backpatch();
    EXPECT_EQ(late, cy);
    EXPECT_EQ(untouched, never);
    EXPECT_EQ(runs, (std::vector<int>{1, 2}));
    EXPECT_TRUE(ownedGone);
    EXPECT_FALSE(keptGone);
    remap->Backpatch();
    EXPECT_EQ(runs.size(), 2u);
    remap->DeleteThis();
    kept.destroyed_ = nullptr;
}
