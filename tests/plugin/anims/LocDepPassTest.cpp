// The table of a local-dependency pass: answers kept across its pages, provisional ones, and dropped with
// the pass.
#include "plugin/anims/LocDepPass.h"

#include <gtest/gtest.h>

namespace {

using Answer = LocDepPass::Answer;

// Neighbouring handles (as a scene hands them out) over several pages of the table, and one far beyond
// them; an answer stored again replaces the first.
TEST(LocDepPassTest, KeepsEveryAnswerAcrossItsPagesAndDropsThemWithThePass) {
    constexpr AnimHandle kFirst = 1000;
    constexpr int kCount = 10000;
    LocDepPass& pass = LocDepPass::Of(7001);
    for (int i = 0; i < kCount; ++i) pass.Store(kFirst + i, i % 3 == 0);
    pass.Store(kFirst, false);
    int wrong = 0;
    for (int i = 0; i < kCount; ++i) {
        const Answer expected = i % 3 == 0 && i != 0 ? Answer::Yes : Answer::No;
        if (pass.Find(kFirst + i) != expected) ++wrong;
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(pass.Size(), size_t(kCount));
    EXPECT_EQ(pass.Find(kFirst + kCount), Answer::Unknown);
    pass.Store(AnimHandle{1} << 30, true);
    EXPECT_EQ(pass.Find(AnimHandle{1} << 30), Answer::Yes);
    EXPECT_EQ(pass.Find((AnimHandle{1} << 30) + 1), Answer::Unknown);
    EXPECT_EQ(pass.Find(0), Answer::Unknown);

    // The same stamp is the same pass; another stamp begins empty.
    EXPECT_EQ(LocDepPass::Of(7001).Find(kFirst + 3), Answer::Yes);
    EXPECT_EQ(LocDepPass::Of(7002).Find(kFirst + 3), Answer::Unknown);
    EXPECT_EQ(LocDepPass::Of(7002).Size(), size_t(0));

    // A first question leaves a provisional "no" (on a new page and on a page already there); the next
    // finds it, or the answer stored over it.
    LocDepPass& next = LocDepPass::Of(7003);
    EXPECT_EQ(next.FindOrMarkNo(kFirst), Answer::Unknown);
    EXPECT_EQ(next.FindOrMarkNo(kFirst + 1), Answer::Unknown);
    EXPECT_EQ(next.FindOrMarkNo(kFirst + 1), Answer::No);
    next.Store(kFirst, true);
    EXPECT_EQ(next.FindOrMarkNo(kFirst), Answer::Yes);
    EXPECT_EQ(next.FindOrMarkNo(0), Answer::Unknown);
    EXPECT_EQ(next.Size(), size_t(2));
}

} // namespace
