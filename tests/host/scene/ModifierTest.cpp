// Modifiers: names, enable states, their messages and undo, persistence, and modifier contexts.
#include "host/scene/Modifier.h"
#include "host/core/ChunkLoad.h"
#include "host/core/ChunkSave.h"
#include "host/core/Hold.h"
#include "tests/support/GraphBuilder.h"

#include <gtest/gtest.h>

namespace {

using Names = std::vector<std::string>;

// A modifier with a value of its own, saved in a chunk after the modifier's.
class CountMod : public Modifier {
public:
    ~CountMod() override { DeleteAllRefs(); }
    Class_ID ClassID() override { return Class_ID(0x7E5B0001, 0); }
    void GetClassName(MSTR& s, bool /*localized*/ = true) const override { s = L"CountMod"; }
    IOResult Save(ISave* isave) override {
        if (Modifier::Save(isave) != IO_OK) return IO_ERROR;
        ULONG nw = 0;
        isave->BeginChunk(kCountChunk);
        isave->Write(&count, sizeof(count), &nw);
        return isave->EndChunk();
    }
    IOResult Load(ILoad* iload) override {
        if (Modifier::Load(iload) != IO_OK) return IO_ERROR;
        IOResult res;
        while ((res = iload->OpenChunk()) == IO_OK) {
            ULONG nr = 0;
            if (iload->CurChunkID() == kCountChunk && iload->Read(&count, sizeof(count), &nr) != IO_OK)
                return IO_ERROR;
            iload->CloseChunk();
        }
        return res == IO_ERROR ? IO_ERROR : IO_OK;
    }
    int count = 0;
    static constexpr USHORT kCountChunk = 0x0100;
};

// Local data that counts its copies.
class CountedData : public LocalModData {
public:
    explicit CountedData(int* copies) : copies_(copies) {}
    LocalModData* Clone() override {
        ++*copies_;
        return new CountedData(copies_);
    }
    int* copies_;
};

class ModifierTest : public ::testing::Test {
protected:
    void SetUp() override {
        mod = new CountMod();
        rec = g.Maker("Rec");
        g.Link(rec, 0, mod);
    }
    void TearDown() override {
        while (theHold.GetBeginDepth() > 0)
            theHold.Cancel();
        theHold.ClearUndoBuffer();
        mod->DeleteMe();
    }
    GraphBuilder g;
    CountMod* mod = nullptr;
    TestMaker* rec = nullptr;
};

TEST_F(ModifierTest, TheNameIsTheClassNameUntilOneIsGivenAndAnEmptyNameGoesBack) {
    EXPECT_EQ(mod->GetName().ToUTF8(), "CountMod");
    EXPECT_FALSE(mod->HasOwnName());
    mod->SetName(L"Ripple Left");
    EXPECT_EQ(mod->GetName().ToUTF8(), "Ripple Left");
    EXPECT_EQ(g.Heard(), (Names{"Rec<-(CountMod):0xf7", "Rec<-(CountMod):0x285"}));
    g.heard.clear();
    mod->SetName(L"Ripple Left"); // unchanged: nothing to tell
    EXPECT_TRUE(g.heard.empty());
    mod->SetName(L"");
    EXPECT_EQ(mod->GetName().ToUTF8(), "CountMod");
    EXPECT_FALSE(mod->HasOwnName());
    EXPECT_EQ(g.heard.size(), 2u);
    // A name equal to the class name is still a name of its own.
    mod->SetName(L"CountMod");
    EXPECT_TRUE(mod->HasOwnName());
}

TEST_F(ModifierTest, EachEnableStateIsItsOwnBitAndEveryChangeIsAValueChange) {
    EXPECT_EQ(mod->GetEnableFlags(), 0x7);
    mod->DisableMod();
    mod->DisableModInViews();
    mod->DisableModInRender();
    EXPECT_EQ(mod->GetEnableFlags(), 0);
    mod->EnableModInViews();
    EXPECT_EQ(mod->GetEnableFlags(), Modifier::kEnabledInViews);
    EXPECT_FALSE(mod->IsEnabled());
    EXPECT_TRUE(mod->IsEnabledInViews());
    EXPECT_FALSE(mod->IsEnabledInRender());
    ASSERT_EQ(g.heard.size(), 4u);
    for (const HeardMessage& h : g.heard) {
        EXPECT_EQ(h.message, REFMSG_CHANGE);
        // Not a selection or display-only part: the value changed.
        EXPECT_NE(h.part & ~static_cast<PartID>(0x70), 0u);
    }
    g.heard.clear();
    mod->EnableModInViews();
    mod->SetEnableFlags(Modifier::kEnabledInViews | 0x100); // unknown bits are not states
    EXPECT_TRUE(g.heard.empty());
    mod->SetEnableFlags(Modifier::kEnabled | Modifier::kEnabledInRender);
    EXPECT_EQ(g.heard.size(), 1u); // several states at once: one message
}

TEST_F(ModifierTest, UndoAndRedoPutNamesAndStatesBackAndTellTheDependentsAgain) {
    bool restoringWhenHeard = false;
    rec->onMessage = [&](RefTargetHandle, PartID&, RefMessage) {
        if (theHold.RestoreOrRedoing()) restoringWhenHeard = true;
    };
    theHold.Begin();
    mod->SetName(L"Twisty");
    mod->DisableModInRender();
    mod->SetName(L"Twistier");
    theHold.Accept(L"Edit modifier");
    g.heard.clear();

    ASSERT_TRUE(theHold.Undo());
    EXPECT_EQ(mod->GetName().ToUTF8(), "CountMod");
    EXPECT_FALSE(mod->HasOwnName());
    EXPECT_TRUE(mod->IsEnabledInRender());
    EXPECT_EQ(g.Heard(), (Names{"Rec<-(CountMod):0xf7", "Rec<-(CountMod):0x285", "Rec<-(CountMod):0x50",
                                "Rec<-(CountMod):0xf7", "Rec<-(CountMod):0x285"}));
    EXPECT_TRUE(restoringWhenHeard);

    ASSERT_TRUE(theHold.Redo());
    EXPECT_EQ(mod->GetName().ToUTF8(), "Twistier");
    EXPECT_FALSE(mod->IsEnabledInRender());
}

TEST_F(ModifierTest, SaveAndLoadKeepNameStatesAndLeaveTheSubclassItsChunks) {
    auto roundTrip = [](CountMod* from) {
        ChunkSave save;
        EXPECT_EQ(from->Save(&save), IO_OK);
        auto* loaded = new CountMod();
        ChunkLoad load(save.Bytes());
        EXPECT_EQ(loaded->Load(&load), IO_OK) << load.GetLastError();
        return loaded;
    };
    // A modifier saved without a name of its own loads without one.
    CountMod* plain = roundTrip(mod);
    EXPECT_FALSE(plain->HasOwnName());
    EXPECT_EQ(plain->GetEnableFlags(), 0x7);
    plain->DeleteMe();
    mod->SetName(L"Größe");
    mod->DisableModInViews();
    mod->count = 42;
    CountMod* loaded = roundTrip(mod);
    EXPECT_EQ(loaded->GetName(), MSTR(L"Größe"));
    EXPECT_TRUE(loaded->HasOwnName());
    EXPECT_EQ(loaded->GetEnableFlags(), Modifier::kEnabled | Modifier::kEnabledInRender);
    EXPECT_EQ(loaded->count, 42);
    loaded->DeleteMe();
}

TEST_F(ModifierTest, ADataStreamWithoutTheModifierChunkLeavesTheDefaults) {
    ChunkSave save;
    save.BeginChunk(CountMod::kCountChunk);
    const int v = 7;
    ULONG nw = 0;
    save.Write(&v, sizeof(v), &nw);
    save.EndChunk();
    auto* loaded = new CountMod();
    ChunkLoad load(save.Bytes());
    ASSERT_EQ(loaded->Load(&load), IO_OK);
    EXPECT_EQ(loaded->GetEnableFlags(), 0x7);
    EXPECT_EQ(loaded->count, 7);
    loaded->DeleteMe();
}

TEST_F(ModifierTest, ATruncatedEnableChunkFailsTheLoad) {
    ChunkSave save;
    ASSERT_EQ(mod->Save(&save), IO_OK);
    std::vector<std::uint8_t> bytes = save.Bytes();
    // Modifier chunk (6) + enable chunk header (6) + 4 bytes; shorten the enable chunk's body to 2 bytes.
    ASSERT_GE(bytes.size(), 16u);
    bytes[8] = 8;  // enable chunk length: header + 2 bytes
    bytes[2] = 14; // the modifier chunk shrinks with it (container bit kept in byte 5)
    bytes.erase(bytes.begin() + 14, bytes.begin() + 16);
    auto* loaded = new CountMod();
    ChunkLoad load(bytes);
    EXPECT_EQ(loaded->Load(&load), IO_ERROR);
    loaded->DeleteMe();
}

TEST(ModContextTest, CopiesAreDeepAndAnEmptyContextReadsAsIdentityAndEmpty) {
    int copies = 0;
    Matrix3 tm;
    tm.SetTrans(Point3(1, 2, 3));
    ModContext mc(new Matrix3(tm), new Box3(Point3(0, 0, 0), Point3(1, 1, 1)), new CountedData(&copies));
    ModContext copy(mc);
    EXPECT_EQ(copies, 1);
    EXPECT_NE(copy.tm, mc.tm);
    EXPECT_NE(copy.box, mc.box);
    EXPECT_NE(copy.localData, mc.localData);
    EXPECT_EQ(copy.Describe(), mc.Describe());
    EXPECT_EQ(mc.Describe().ToUTF8(),
              "tm (1.0000, 0.0000, 0.0000) (0.0000, 1.0000, 0.0000) (0.0000, 0.0000, 1.0000) "
              "(1.0000, 2.0000, 3.0000) box (0.0000, 0.0000, 0.0000) (1.0000, 1.0000, "
              "1.0000) local data");
    mc.tm->SetTrans(Point3(9, 9, 9));
    EXPECT_TRUE(copy.GetTM().GetTrans() == Point3(1, 2, 3));

    ModContext empty;
    EXPECT_TRUE(empty.GetTM().IsIdentity());
    EXPECT_TRUE(empty.GetBox().IsEmpty());
    EXPECT_EQ(empty.Describe().ToUTF8(), "tm identity box empty");
    empty = mc;
    EXPECT_EQ(copies, 2);
    EXPECT_EQ(empty.Describe(), mc.Describe());
    ModContext& alias = empty;
    empty = alias; // assigning a context to itself keeps everything
    EXPECT_EQ(empty.Describe(), mc.Describe());
}

} // namespace
