// Mirror paths stored once per pair: holders of equal pairs share it, and setting one holder's path never
// changes another's.
#include "plugin/anims/MirrorPath.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <vector>

namespace {

PathNames Names(std::initializer_list<const wchar_t*> names) {
    PathNames out;
    for (const wchar_t* n : names) out.emplace_back(n);
    return out;
}

TEST(MirrorPathTest, EqualPairsShareAndEachHolderChangesOnlyItself) {
    MirrorPath a, b;
    a.Assign(Names({L"Transform", L"Position"}), {3, 1});
    b.Assign(Names({L"Transform", L"Position"}), {3, 1});
    EXPECT_EQ(&a.Names(), &b.Names()) << "equal pairs are one stored pair";
    MirrorPath c = a;
    b.AssignNumbers({3, 2});
    EXPECT_EQ(a.Numbers(), (std::vector<std::int32_t>{3, 1}));
    EXPECT_EQ(b.Numbers(), (std::vector<std::int32_t>{3, 2}));
    EXPECT_EQ(b.Names(), a.Names());
    EXPECT_NE(&a.Numbers(), &b.Numbers());
    a.AssignNames(Names({L"Object"}));
    EXPECT_EQ(c.Names(), Names({L"Transform", L"Position"})) << "a copy keeps the pair it took";
    EXPECT_EQ(a.Numbers(), (std::vector<std::int32_t>{3, 1}));
    // The pair the last holder let go of is made again from the values, not found stale.
    b = MirrorPath();
    c = MirrorPath();
    c.Assign(Names({L"Transform", L"Position"}), {3, 2});
    EXPECT_EQ(c.Numbers(), (std::vector<std::int32_t>{3, 2}));
    EXPECT_TRUE(MirrorPath().Names().empty());
}

// A text found by its address is still compared: new text at an address an earlier one had is its own
// name, and the same text at two addresses is one name.
TEST(MirrorPathTest, LiteralNamesFollowTheTextNotItsAddress) {
    wchar_t text[] = L"Position";
    const PathName first = PathName::Literal(text);
    EXPECT_EQ(first, PathName(L"Position"));
    std::wcscpy(text, L"Rotation");
    EXPECT_EQ(PathName::Literal(text), PathName(L"Rotation"));
    EXPECT_EQ(first.Str(), L"Position");
    EXPECT_EQ(PathName::Literal(L"Position"), first);
}

} // namespace
