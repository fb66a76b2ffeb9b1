// The fixed-size table mirrors and remembered trees keep: every item is made once and destroyed once,
// across remakes at other sizes and moves, in pooled blocks and in the heap blocks past the pool's slots.
#include "plugin/frame/FixedTable.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

int gLive = 0;

struct Item {
    Item() { ++gLive; }
    ~Item() { --gLive; }
    Item(const Item&) = delete;
    Item& operator=(const Item&) = delete;
    long value = 7;
    long more[2] = {};
};

TEST(FixedTableTest, ItemsLiveExactlyAsLongAsTheirTable) {
    {
        FixedTable<Item> table;
        // 24-byte items: 21 fill a pooled slot, 22 and more take a heap block.
        for (size_t n : {0u, 1u, 21u, 22u, 100u, 3u}) {
            table.Reset(n);
            ASSERT_EQ(table.size(), n);
            ASSERT_EQ(gLive, static_cast<int>(n));
            for (Item& item : table) ASSERT_EQ(item.value, 7);
            if (n) table[n - 1].value = static_cast<long>(n);
        }
        FixedTable<Item> moved(std::move(table));
        EXPECT_TRUE(table.empty());
        EXPECT_EQ(moved[2].value, 3);
        FixedTable<Item> big;
        big.Reset(50);
        big = std::move(moved);
        EXPECT_EQ(gLive, 3);
        EXPECT_EQ(big.size(), 3u);
    }
    EXPECT_EQ(gLive, 0);
}

} // namespace
