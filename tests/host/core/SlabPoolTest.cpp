// The slab pool: live slots of every size stay apart and keep their contents while others come and go.
#include "host/core/SlabPool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <iterator>
#include <vector>

namespace {

struct Block {
    unsigned char* p;
    std::size_t size;
    unsigned char fill;
};

bool Intact(const Block& b) {
    for (std::size_t i = 0; i < b.size; ++i)
        if (b.p[i] != b.fill) return false;
    return true;
}

// Several slabs' worth of four object sizes and one above the slot range; every other block goes and
// comes back, then everything goes, twice, so slabs fill, empty, are kept back and handed out again.
TEST(SlabPoolTest, LiveBlocksNeverShareBytesAcrossSlabsAndReuse) {
    // Slots step by a pointer's size: 132 bytes take a slot of 136, which starts aligned for a pointer.
    const std::size_t sizes[] = {132, 144, 168, 200, 4000};
    for (int round = 0; round < 2; ++round) {
        std::vector<Block> blocks;
        for (int i = 0; i < 3000; ++i) {
            const std::size_t size = sizes[i % std::size(sizes)];
            auto* p = static_cast<unsigned char*>(SlabPool::Allocate(size));
            ASSERT_EQ(reinterpret_cast<std::uintptr_t>(p) % alignof(void*), 0u);
            blocks.push_back({p, size, static_cast<unsigned char>(i * 7 + round)});
            std::memset(p, blocks.back().fill, size);
        }
        for (std::size_t i = 0; i < blocks.size(); i += 2) SlabPool::Free(blocks[i].p, blocks[i].size);
        for (std::size_t i = 0; i < blocks.size(); i += 2) {
            blocks[i].p = static_cast<unsigned char*>(SlabPool::Allocate(blocks[i].size));
            blocks[i].fill = static_cast<unsigned char>(blocks[i].fill + 1);
            std::memset(blocks[i].p, blocks[i].fill, blocks[i].size);
        }
        int damaged = 0;
        for (const Block& b : blocks) damaged += Intact(b) ? 0 : 1;
        EXPECT_EQ(damaged, 0) << "round " << round;
        for (const Block& b : blocks) SlabPool::Free(b.p, b.size);
    }
}

} // namespace
