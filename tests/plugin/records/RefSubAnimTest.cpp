// A remembered tree keeps its children findable whether its entries fit the packed entry or not.
#include "plugin/records/RefSubAnim.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

struct Leaf : Animatable {
    Class_ID ClassID() override { return Class_ID(0x5b7a1e0f, 0x2); }
    SClass_ID SuperClassID() override { return 0x5b7a; }
};

// Root children at `kept` (never adjacent) among `count` positions; the last one has a grandchild at 2 of 3.
TEST(RefSubAnimTest, ChildrenFoundAtEveryWidth) {
    const std::pair<int, std::vector<int>> cases[] = {
        {5, {0, 3}}, {20000, {1, 16383, 19999}}, {70001, {2, 65535, 70000}}};
    for (const auto& [count, kept] : cases) {
        SCOPED_TRACE(count);
        std::vector<std::unique_ptr<Leaf>> anims(kept.size() + 2);
        for (auto& a : anims) a = std::make_unique<Leaf>();
        RefSubAnimWalk walk(anims[0].get());
        walk.MakeChildren(0, count);
        RefSubAnimWalk::Index last = 0;
        for (size_t k = 0; k < kept.size(); ++k) last = walk.SetChild(0, kept[k], anims[k + 1].get());
        walk.MakeChildren(last, 3);
        walk.SetChild(last, 2, anims.back().get());
        const RefSubAnimTree tree = walk.Finish();
        EXPECT_EQ(tree.Root().NumChildren(), count);
        EXPECT_EQ(tree.Root().CountEntries(), static_cast<int>(anims.size()));
        for (size_t k = 0; k < kept.size(); ++k) {
            ASSERT_NE(tree.Root().GetChild(kept[k]), nullptr);
            EXPECT_TRUE(tree.Root().GetChild(kept[k])->StandsFor(anims[k + 1].get()));
            EXPECT_EQ(tree.Root().GetChild(kept[k] - 1), nullptr);
        }
        const RefSubAnim* below = tree.Root().GetChild(kept.back());
        EXPECT_EQ(below->GetChild(1), nullptr);
        ASSERT_NE(below->GetChild(2), nullptr);
        EXPECT_TRUE(below->GetChild(2)->StandsFor(anims.back().get()));
    }
}

} // namespace
