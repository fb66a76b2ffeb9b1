// Basic value types: tables, bit arrays, wide strings, transform flags and file times.
#include "host/core/BitArray.h"
#include "host/core/FileTime.h"
#include "host/core/Matrix3.h"
#include "host/core/Tab.h"
#include "host/core/WStr.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

TEST(Tab, OutOfRangeThrowsTheHostText) {
    Tab<int> t{1, 2, 3};
    EXPECT_EQ(t[2], 3);
    try {
        (void)t[3];
        FAIL() << "no exception";
    } catch (const MaxSDK::Util::OutOfRangeException& e) {
        EXPECT_EQ(e.Message(), WStr(L"Invalid index passed into a Max SDK Tab::operator[]"));
    }
    EXPECT_THROW((void)t[-1], MAXException);
    EXPECT_THROW(t.Delete(2, 2), MAXException);
    EXPECT_EQ(t.Delete(0, 1), 2);
    EXPECT_EQ(t.Find(3), 1);
}

TEST(BitArray, SetClearCountAndScriptText) {
    BitArray b(70);
    b.Set(0);
    b.Set(1);
    b.Set(2);
    b.Set(4);
    b.Set(69);
    EXPECT_EQ(b.NumberSet(), 5);
    EXPECT_EQ(b.ToString(), "#{1..3, 5, 70}");
    EXPECT_EQ((~b).NumberSet(), 65);
    b.SetSize(3, true);
    EXPECT_EQ(b.NumberSet(), 3);
    EXPECT_THROW((void)b[3], MAXException);
}

TEST(WStr, DamagedUtf8BecomesReplacementCharacters) {
    EXPECT_EQ(WStr::FromUTF8("a\xC3"), WStr(L"a\uFFFD"));        // truncated sequence
    EXPECT_EQ(WStr::FromUTF8("\xFF" "b"), WStr(L"\uFFFD" L"b")); // invalid lead byte
    EXPECT_EQ(WStr::FromUTF8("\xE0\x41\x41"), WStr(L"\uFFFD" L"AA"));
}

TEST(WStr, FormatAndCaseInsensitiveCompare) {
    EXPECT_EQ(WStr::Format(L"%s_%03d %f", L"Mat", 9, 1.5), WStr(L"Mat_009 1.500000"));
    EXPECT_TRUE(WStr(L"Box01").EqualsNoCase(L"BOX01"));
    EXPECT_FALSE(WStr(L"Box01").EqualsNoCase(L"Box1"));
}

// Composition, inversion, decomposition, Euler angles and interval intersection are checked where they are
// used: the transform, rotation and key controller tests and the node transform tests.
TEST(Matrix3, IdentityFlagsFollowTheRows) {
    EXPECT_EQ(Matrix3().GetIdentFlags(), MAT_IDENT);
    EXPECT_EQ(TransMatrix({1.0f, 0.0f, 0.0f}).GetIdentFlags(), ROT_IDENT | SCL_IDENT);
    EXPECT_EQ((TransMatrix({1.0f, 0.0f, 0.0f}) * TransMatrix({-1.0f, 0.0f, 0.0f})).GetIdentFlags(), MAT_IDENT);
    EXPECT_EQ(ScaleMatrix({2.0f, 2.0f, 2.0f}).GetIdentFlags(), POS_IDENT);
}

TEST(FileTime, ReadsModificationTimeAndZeroForMissing) {
    std::string path = ::testing::TempDir() + "ostrivans_filetime.txt";
    { std::ofstream(path) << "x"; }
    FileTime64 t = GetFileLastWriteTime(WStr::FromUTF8(path));
    EXPECT_GT(t, 116444736000000000ULL); // after 1970
    EXPECT_EQ(GetFileLastWriteTime(L"/nonexistent/dir/file.max"), 0u);
    std::string backslashed = path;
    for (auto& c : backslashed) if (c == '/') c = '\\';
    EXPECT_EQ(GetFileLastWriteTime(WStr::FromUTF8(backslashed)), t);
    std::remove(path.c_str());
}
