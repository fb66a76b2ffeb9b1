// Shared names: equal texts share one stored copy, and the last holder of a text frees it.
#include "plugin/frame/SharedName.h"

#include <gtest/gtest.h>

TEST(SharedName, EqualTextsShareOneCopyAndTheLastHolderFreesIt) {
    const SharedName empty; // the empty text is stored for good on first use
    const size_t before = SharedName::NumStored();
    {
        SharedName a(WStr(L"Material7"));
        SharedName b(WStr(L"Material7"));
        EXPECT_EQ(&a.Str(), &b.Str());
        EXPECT_EQ(SharedName::NumStored(), before + 1);
        SharedName c = a;
        a = WStr(L"Material8"); // b and c still hold the first text
        EXPECT_EQ(c.Str(), WStr(L"Material7"));
        EXPECT_EQ(SharedName::NumStored(), before + 2);
        b = a;
        c = WStr();
        EXPECT_EQ(SharedName::NumStored(), before + 1);
        EXPECT_EQ(b.Str(), WStr(L"Material8"));
    }
    EXPECT_EQ(SharedName::NumStored(), before);
    const SharedName again(WStr(L"Material8")); // the last text asked for was freed: stored anew
    EXPECT_EQ(SharedName::NumStored(), before + 1);
}
