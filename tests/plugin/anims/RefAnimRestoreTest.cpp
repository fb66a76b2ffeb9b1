// The undo records of mirror state: flag sets of every width restore only their mask, string tables come
// back as snapshots, nothing is recorded outside a hold, and a record outliving its owner does nothing.
#include "host/core/Hold.h"
#include "plugin/anims/RefAnim.h"
#include "plugin/anims/RefAnimRestore.h"
#include "tests/plugin/PluginTestSupport.h"

#include <gtest/gtest.h>

namespace {

class RefAnimRestoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        AttachPluginForTests();
        theHold.ResetForTests();
    }
    void TearDown() override { theHold.ResetForTests(); }
    template <class F> static void Step(F f) {
        theHold.Begin();
        f();
        theHold.Accept(L"Step");
    }
};

template <class T> void CheckWidth(T onBits, T mask, T otherBit) {
    T flags = onBits;
    theHold.Begin();
    EXPECT_EQ(SetFlagBits(flags, mask, false, true, nullptr), static_cast<T>(onBits & ~mask));
    theHold.Accept(L"Clear");
    flags = static_cast<T>(flags | otherBit); // a later change outside the record's mask
    ASSERT_TRUE(theHold.Undo());
    EXPECT_EQ(flags, static_cast<T>(onBits | otherBit)) << sizeof(T);
    ASSERT_TRUE(theHold.Redo());
    EXPECT_EQ(flags, static_cast<T>((onBits & ~mask) | otherBit)) << sizeof(T);

    // And the other way: bits set by the step come back on redo.
    T off = 0;
    theHold.Begin();
    SetFlagBits(off, mask, true, true, nullptr);
    theHold.Accept(L"Set");
    ASSERT_TRUE(theHold.Undo());
    EXPECT_EQ(off, T(0)) << sizeof(T);
    ASSERT_TRUE(theHold.Redo());
    EXPECT_EQ(off, mask) << sizeof(T);
}

TEST_F(RefAnimRestoreTest, FlagRecordsOfEveryWidthRestoreTheirMaskOnly) {
    CheckWidth<std::uint8_t>(0x81, 0x80, 0x10);
    CheckWidth<std::uint16_t>(0x8101, 0x8100, 0x0010);
    CheckWidth<std::uint32_t>(0x80000101u, 0x80000100u, 0x00400000u);

    // Outside a hold, and without undoable, nothing is recorded.
    std::uint32_t flags = 0;
    SetFlagBits(flags, 0x4u, true, true, nullptr);
    Step([&] { SetFlagBits(flags, 0x8u, true, false, nullptr); });
    EXPECT_EQ(flags, 0xCu);
    EXPECT_EQ(theHold.NumUndoSteps(), 6); // the steps of the three widths above only
}

TEST_F(RefAnimRestoreTest, AStringTableComesBackAsItWas) {
    std::vector<WStr> table = {L"Box01", L"Sph\u00e8re"};
    Step([&] {
        theHold.Put(new StringTabRestore(&table, nullptr));
        table.erase(table.begin());
        table.push_back(L"Cone");
    });
    ASSERT_TRUE(theHold.Undo());
    EXPECT_EQ(table, (std::vector<WStr>{L"Box01", L"Sph\u00e8re"}));
    ASSERT_TRUE(theHold.Redo());
    EXPECT_EQ(table, (std::vector<WStr>{L"Sph\u00e8re", L"Cone"}));
}

// The records reach into their mirror; once it is freed, undo and redo leave the memory alone.
TEST_F(RefAnimRestoreTest, RecordsOfAFreedMirrorDoNothing) {
    auto* m = new RefAnim(FALSE);
    Step([&] {
        m->SetOverriddenFlag(REFANIM_MODIFIED, true, true);
        m->SetPathByNumber({1, 2}, true);
    });
    ASSERT_EQ(m->MaybeAutoDelete(), REF_SUCCEED);
    EXPECT_TRUE(theHold.Undo());
    EXPECT_TRUE(theHold.Redo());
}

} // namespace
