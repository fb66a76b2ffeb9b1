// The one-pointer table a node record keeps its children and modifier entries in, against a std::vector
// under the same random edits: every push, erase, resize, copy and move leaves the same items in order, in
// pooled and heap blocks alike.
#include "plugin/frame/SlimVector.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

TEST(SlimVectorTest, RandomEditsMatchAPlainVector) {
    std::mt19937 random(7);
    SlimVector<const int*> slim;
    std::vector<const int*> plain;
    const int items[64] = {};
    for (int step = 0; step < 4000; ++step) {
        const int* item = items + random() % 64;
        switch (random() % 8) {
        case 0:
        case 1:
        case 2: slim.push_back(item), plain.push_back(item); break;
        case 3:
        case 4:
            if (!plain.empty()) {
                const size_t at = random() % plain.size();
                slim.erase(slim.begin() + at), plain.erase(plain.begin() + static_cast<std::ptrdiff_t>(at));
            }
            break;
        case 5: {
            // Now and then past the largest pooled block (512 bytes), which the heap holds instead.
            const size_t n = random() % 16 == 0 ? 60 + random() % 20 : random() % 12;
            slim.resize(n, item), plain.resize(n, item);
            break;
        }
        case 6: {
            SlimVector<const int*> copy(slim), assigned;
            assigned = copy;
            slim = std::move(assigned);
            break;
        }
        default:
            if (random() % 16 == 0) slim.clear(), plain.clear();
        }
        ASSERT_EQ(std::vector<const int*>(slim.begin(), slim.end()), plain) << "step " << step;
        ASSERT_EQ(slim.empty(), plain.empty());
    }
}

} // namespace
