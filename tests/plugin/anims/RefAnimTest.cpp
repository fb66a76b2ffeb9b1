// The mirror base and its kinds: reference layout, real dependency by overridden state, cloning of
// paths and state, and the text dump.
#include "host/core/RemapDir.h"
#include "plugin/anims/RefAnimModifierKinds.h"
#include "plugin/anims/RefAnimRefKinds.h"
#include "plugin/frame/EmptyController.h"
#include "tests/plugin/PluginTestSupport.h"

#include <gtest/gtest.h>

namespace {

class RefAnimTest : public ::testing::Test {
protected:
    void SetUp() override { AttachPluginForTests(); }
};

TEST_F(RefAnimTest, HoldsItsAnimatableAsReferenceZeroOnly) {
    RefAnimMod mirror(FALSE);
    auto* anim = new EmptyController();
    EXPECT_EQ(mirror.NumRefs(), 1);
    ASSERT_EQ(mirror.ReplaceReference(0, anim), REF_SUCCEED);
    EXPECT_EQ(mirror.GetAnim(), anim);
    EXPECT_EQ(mirror.GetReference(0), anim);
    EXPECT_EQ(mirror.GetReference(1), nullptr);
    EXPECT_EQ(mirror.ReplaceReference(1, anim), REF_FAIL);
    EXPECT_EQ(mirror.ClassID(), Class_ID(0x30014, 0));
    EXPECT_EQ(mirror.SuperClassID(), 0x8663dfa8u);
    MSTR name;
    mirror.GetClassName(name);
    EXPECT_EQ(name, MSTR(L"RefAnimMod"));
    mirror.DeleteAllRefs();
}

// Only a change of the user's keeps the mirrored animatable alive.
TEST_F(RefAnimTest, RealDependencyFollowsTheOverriddenState) {
    RefAnim mirror(FALSE);
    EmptyController anim;
    const BYTE keeps[] = {REFANIM_REPLACED, REFANIM_MODIFIED, REFANIM_LOCDEP};
    const BYTE weak[] = {0, REFANIM_ADDED, REFANIM_REMOVED, REFANIM_RENAMED, REFANIM_TOGGLED};
    for (BYTE s : keeps) {
        mirror.SetOverriddenState(s);
        EXPECT_TRUE(mirror.IsRealDependency(&anim)) << int(s);
    }
    for (BYTE s : weak) {
        mirror.SetOverriddenState(s);
        EXPECT_FALSE(mirror.IsRealDependency(&anim)) << int(s);
    }
}

TEST_F(RefAnimTest, ACloneCopiesPathAndStateAndTheAnimatableOnlyWhenItIsKept) {
    auto* anim = new EmptyController(TransMatrix(Point3(4, 5, 6)));
    RefAnimWithRefsMod mirror(FALSE);
    mirror.ReplaceReference(0, anim);
    mirror.SetPath({L"Object", L"Bend"});
    mirror.SetPathByNumber({4, 1});
    mirror.SetKindFlag(true);
    mirror.SetLastOperation(124);
    mirror.SetMark(7);

    {
        RemapDir remap;
        auto* weakCopy = dynamic_cast<RefAnimWithRefsMod*>(mirror.Clone(remap));
        ASSERT_NE(weakCopy, nullptr);
        EXPECT_EQ(weakCopy->GetPath(), mirror.GetPath());
        EXPECT_EQ(weakCopy->GetPathByNumber(), (std::vector<std::int32_t>{4, 1}));
        EXPECT_EQ(weakCopy->GetAnim(), nullptr);
        // Kind flag, last operation and mark belong to the original's life, not to the copy.
        EXPECT_FALSE(weakCopy->GetKindFlag());
        EXPECT_EQ(weakCopy->GetLastOperation(), -1);
        EXPECT_EQ(weakCopy->GetMark(), 0);
        weakCopy->DeleteThis();
    }

    mirror.SetOverriddenState(REFANIM_MODIFIED | REFANIM_RENAMED);
    RemapDir remap;
    auto* copy = dynamic_cast<RefAnimWithRefsMod*>(mirror.Clone(remap));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetOverriddenState(), REFANIM_MODIFIED | REFANIM_RENAMED);
    auto* animCopy = dynamic_cast<EmptyController*>(copy->GetAnim());
    ASSERT_NE(animCopy, nullptr);
    EXPECT_NE(animCopy, anim);
    EXPECT_EQ(animCopy->GetMatrix().GetTrans(), Point3(4, 5, 6));
    // The derived kind keeps its own class through the base's clone.
    EXPECT_EQ(copy->ClassID(), Class_ID(0x30015, 0));
    EXPECT_EQ(remap.FindMapping(&mirror), copy);
    copy->DeleteThis();
    mirror.DeleteAllRefs();
}

TEST_F(RefAnimTest, DescribeNamesKindPathStateAndLastOperation) {
    RefAnimLocDep mirror(FALSE);
    mirror.SetPath({L"Transform", L"Position"});
    mirror.SetPathByNumber({3, 1});
    mirror.SetOverriddenState(REFANIM_REPLACED | REFANIM_LOCDEP | REFANIM_TOGGLED);
    mirror.SetLastOperation(119);
    EXPECT_EQ(mirror.Describe(),
              "RefAnimLocDep kind 0x3000c path [Transform:3, Position:1] state Replaced, LocDep, Toggled, "
              "flag 0 last 119");
    EXPECT_EQ(OverriddenStateText(0x7F), "Replaced, Modified, LocDep, Added, Removed, Renamed, Toggled, ");
    EXPECT_EQ(OverriddenStateText(0), "");
}

} // namespace
