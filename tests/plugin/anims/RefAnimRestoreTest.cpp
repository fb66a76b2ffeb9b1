// The undo records of mirror state and tables: flag sets of every width restore only their mask, values,
// counts, entry tables with their ownership and snapshots come back, footprint transforms are set when the
// step ends, nothing is recorded outside a hold, and a record outliving its owner does nothing.
#include "plugin/anims/RefAnimRestore.h"
#include "plugin/anims/RefAnimTableRestore.h"

#include "host/core/Hold.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "plugin/anims/RefAnim.h"
#include "tests/plugin/PluginTestSupport.h"
#include "tests/support/HostChecks.h"

#include <gtest/gtest.h>

namespace {

struct Entry {
    static inline int alive = 0;
    explicit Entry(int v) : value(v) { ++alive; }
    ~Entry() { --alive; }
    int value;
};

// Two tables of a list-like mirror, sized as renamed records of 24 bytes and others of 16.
struct Tables {
    std::vector<WStr> renamed;
    std::vector<int> added;
};
int SizeOfTables(const Tables& u, const Tables& r) {
    return static_cast<int>(24 * (u.renamed.size() + r.renamed.size()) + 16 * (u.added.size() + r.added.size()));
}

class RefAnimRestoreTest : public PluginSceneFixture {
protected:
    void SetUp() override {
        PluginSceneFixture::SetUp();
        theHold.ResetForTests();
        Entry::alive = 0;
    }
    void TearDown() override {
        theHold.ResetForTests();
        for (Entry* e : table) delete e;
        table.clear();
        EXPECT_EQ(Entry::alive, 0);
        PluginSceneFixture::TearDown();
    }
    void Add(Entry* e) {
        Step([&] {
            theHold.Put(new Param2ArrayRestore<Entry>(&table, e, Param2ArrayRestore<Entry>::kAddition, nullptr));
            table.push_back(e);
        });
    }
    std::vector<Entry*> table;
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
    const auto dump = [&] { return std::to_string(off); };
    EXPECT_EQ(ExpectUndoRedoExact(dump, [&] { SetFlagBits(off, mask, true, true, nullptr); }), std::to_string(mask));
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

// The undo buffer owns an entry the table does not hold: an undone addition until its step goes, a
// standing removal when its step goes; an undone removal leaves the entry to the table.
TEST_F(RefAnimRestoreTest, EntriesTheTableDoesNotHoldGoWithTheirStep) {
    // The table's size and the entries alive after each step.
    std::string seen;
    const auto look = [&] { seen += std::to_string(table.size()) + "/" + std::to_string(Entry::alive) + " "; };
    Add(new Entry(1));
    ASSERT_TRUE(theHold.Undo());
    look();
    ASSERT_TRUE(theHold.Redo());
    look();
    ASSERT_TRUE(theHold.Undo());
    theHold.ResetForTests(); // the redo step is dropped: nothing else holds the entry
    look();
    EXPECT_EQ(seen, "0/1 1/1 0/0 ");

    table = {new Entry(1), new Entry(2)};
    for (bool undone : {false, true}) {
        Entry* gone = table[0];
        Step([&] {
            theHold.Put(new Param2ArrayRestore<Entry>(&table, gone, Param2ArrayRestore<Entry>::kRemoval, nullptr));
            table.erase(table.begin());
        });
        if (undone) {
            ASSERT_TRUE(theHold.Undo());
        }
        theHold.ResetForTests();
        EXPECT_EQ(table.size(), 1u);
        EXPECT_EQ(Entry::alive, 1) << undone; // TearDown frees what the table holds
    }
}

// Values, record counts (not the dropped record's value), string tables and snapshots of two tables.
TEST_F(RefAnimRestoreTest, ValuesCountsAndSnapshotsComeBackAndGoForwardAgain) {
    struct Record {
        std::array<std::uint8_t, 12> value{};
    };
    std::vector<Record> values(1);
    auto& value = values[0].value;
    value[0] = 7;
    std::vector<int> records = {1, 2, 3};
    std::vector<WStr> names = {L"Box01", L"Sph\u00e8re"};
    Tables tables{{L"Bend"}, {}};
    auto* snapshot = new TableSnapshotRestore<Tables, SizeOfTables>(&tables, nullptr);
    // The value, the records, the names, the renamed and added tables.
    const auto state = [&] {
        std::string s = std::to_string(value[0]) + " |";
        for (int r : records) s += " " + std::to_string(r);
        s += " |";
        for (const WStr& n : names) s += " " + n.ToUTF8();
        s += " |";
        for (const WStr& n : tables.renamed) s += " " + n.ToUTF8();
        for (int a : tables.added) s += " +" + std::to_string(a);
        return s;
    };
    Step([&] {
        theHold.Put(new PblockParamRestore<Record>(&values, 0, nullptr));
        value[0] = 9;
        theHold.Put(new ParamArrayRestore<int>(&records, nullptr));
        records.pop_back();
        theHold.Put(new StringTabRestore(&names, nullptr));
        names.erase(names.begin());
        names.push_back(L"Cone");
        theHold.Put(snapshot);
        tables.renamed.push_back(L"Twist");
        tables.added = {4};
    });
    ASSERT_TRUE(theHold.Undo());
    // Counts only: the dropped record's value is not kept.
    EXPECT_EQ(state(), "7 | 1 2 0 | Box01 Sph\u00e8re | Bend");
    EXPECT_EQ(snapshot->Size(), 24 * 3 + 16);
    ASSERT_TRUE(theHold.Redo());
    EXPECT_EQ(state(), "9 | 1 2 | Sph\u00e8re Cone | Bend Twist +4");
}

TEST_F(RefAnimRestoreTest, FootprintsAreSetWhenTheStepEndsAndAnimateModeIsLeftAsItWas) {
    INode* foot = b.Box("Foot").Build();
    Matrix3 tm(1);
    tm.SetTrans(Point3(5, 6, 7));
    Interface* ip = GetCOREInterface();
    for (BOOL animating : {FALSE, TRUE}) {
        ip->SetAnimateMode(animating);
        Step([&] { theHold.Put(new CATFootPrintsRestore({foot}, {tm})); });
        EXPECT_EQ(foot->GetNodeTM(0).GetTrans(), tm.GetTrans()) << animating;
        EXPECT_EQ(ip->IsAnimateMode(), animating);
        tm.SetTrans(Point3(1, 1, 1));
    }
    ip->SetAnimateMode(FALSE);
    // Tables that disagree set nothing.
    Step([&] { theHold.Put(new CATFootPrintsRestore({foot}, {})); });
    EXPECT_EQ(foot->GetNodeTM(0).GetTrans(), Point3(1, 1, 1));
}

} // namespace
