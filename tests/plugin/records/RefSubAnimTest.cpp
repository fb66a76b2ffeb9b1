// A remembered tree keeps its children findable whether its entries fit the packed entry or not.
#include "plugin/records/RefSubAnim.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

class Leaf : public Animatable {
public:
    Class_ID ClassID() override { return Class_ID(0x5b7a1e0f, 0x2); }
    SClass_ID SuperClassID() override { return 0x5b7a; }
};

// A root with `count` positions holding children at `kept`; the last kept child has three positions of
// its own with a grandchild at the last, so the entries after a kept child are found from its distance.
TEST(RefSubAnimTest, ChildrenFoundAtEveryWidth) {
    struct Case {
        int count;
        std::vector<int> kept;
    };
    const Case cases[] = {
        {5, {0, 3}},                  // fits the packed entry
        {20000, {1, 16383, 19999}},   // more children than a packed count holds
        {70001, {2, 65535, 70000}},   // positions past 16 bits
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        std::vector<std::unique_ptr<Leaf>> anims;
        auto make = [&] { return anims.emplace_back(std::make_unique<Leaf>()).get(); };
        Leaf* root = make();
        RefSubAnimTree tree;
        {
            RefSubAnimWalk walk(root);
            walk.MakeChildren(0, c.count);
            RefSubAnimWalk::Index last = 0;
            for (int pos : c.kept) last = walk.SetChild(0, pos, make());
            walk.MakeChildren(last, 3);
            walk.SetChild(last, 2, make());
            tree = walk.Finish();
        }
        const RefSubAnim& top = tree.Root();
        EXPECT_TRUE(top.StandsFor(root));
        EXPECT_EQ(top.NumChildren(), c.count);
        EXPECT_EQ(top.CountEntries(), static_cast<int>(c.kept.size()) + 2);
        for (size_t k = 0; k < c.kept.size(); ++k) {
            const RefSubAnim* child = top.GetChild(c.kept[k]);
            ASSERT_NE(child, nullptr);
            EXPECT_TRUE(child->StandsFor(anims[k + 1].get()));
            EXPECT_EQ(top.GetChild(c.kept[k] - 1), nullptr); // positions kept are never adjacent
        }
        const RefSubAnim* last = top.GetChild(c.kept.back());
        ASSERT_EQ(last->NumChildren(), 3);
        EXPECT_EQ(last->GetChild(1), nullptr);
        ASSERT_NE(last->GetChild(2), nullptr);
        EXPECT_TRUE(last->GetChild(2)->StandsFor(anims.back().get()));
    }
}

} // namespace
