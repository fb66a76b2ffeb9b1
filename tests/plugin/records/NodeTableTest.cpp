// The load's node table against a plain model under random appends and removals: every node is found
// exactly while it is held (removals close up the index behind them), and the held nodes keep their order.
#include "plugin/records/NodeTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

TEST(NodeTableTest, RandomAppendsAndRemovalsMatchAPlainModel) {
    // The table never reads through a node: addresses in one array stand for them, close together so
    // their index cells collide and runs wrap around the index's end.
    alignas(8) static char storage[8 * 400];
    auto node = [](size_t k) { return reinterpret_cast<INode*>(storage + 8 * k); };
    std::mt19937 random(11);
    NodeTable table;
    std::vector<INode*> model; // held nodes in append order
    for (int step = 0; step < 20000; ++step) {
        INode* n = node(random() % 400);
        const bool held = std::find(model.begin(), model.end(), n) != model.end();
        if (random() % 3) {
            ASSERT_EQ(table.Append(n), !held) << "step " << step;
            if (!held) model.push_back(n);
        } else {
            ASSERT_EQ(table.Remove(n), held) << "step " << step;
            std::erase(model, n);
        }
        if (step % 97 == 0) {
            for (size_t k = 0; k < 400; ++k)
                ASSERT_EQ(table.Contains(node(k)), std::find(model.begin(), model.end(), node(k)) != model.end())
                    << "step " << step << " node " << k;
            const INodeTab tab = table.ToTab();
            std::vector<INode*> listed;
            for (int i = 0; i < tab.Count(); ++i) listed.push_back(tab[i]);
            ASSERT_EQ(listed, model) << "step " << step;
        }
        ASSERT_EQ(table.Count(), static_cast<int>(model.size()));
    }
    EXPECT_FALSE(table.Append(nullptr));
    EXPECT_FALSE(table.Remove(nullptr));
}

} // namespace
