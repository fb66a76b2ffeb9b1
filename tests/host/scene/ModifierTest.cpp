// Modifiers: names, enable states and their messages, persistence, and modifier contexts (undo of names and
// states, with the messages again, is a row of the stack edits in DerivedObjectTest).
#include "host/scene/Modifier.h"
#include "host/core/ChunkLoad.h"
#include "host/core/ChunkSave.h"
#include "host/core/Hold.h"
#include "tests/support/GraphBuilder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

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

// After each edit: the name (and whether it is the modifier's own), the enable states and the messages the
// dependent heard, with their parts. An empty name goes back to the class name, a name equal to it is still
// the modifier's own; unchanged values and unknown bits say nothing; several states at once, one message.
TEST_F(ModifierTest, NamesAndEnableStatesAndTheirMessages) {
    auto state = [&] {
        // The name's text in place is GetName's exactly ("text"), or none for a class that keeps no fixed name.
        const MCHAR* text = mod->NameText();
        std::string s = mod->GetName().ToUTF8() + (mod->HasOwnName() ? " own " : " class ") +
                        (!text ? "- " : MSTR(text) == mod->GetName() ? "text " : "other ") +
                        (mod->IsEnabled() ? "e" : "-") + (mod->IsEnabledInViews() ? "v" : "-") +
                        (mod->IsEnabledInRender() ? "r" : "-") + " " + std::to_string(mod->GetEnableFlags());
        char buf[32];
        for (const HeardMessage& h : g.heard) {
            if (h.message == REFMSG_CHANGE) std::snprintf(buf, sizeof buf, " change/0x%x", unsigned(h.part));
            else std::snprintf(buf, sizeof buf, " 0x%x", unsigned(h.message));
            s += buf;
        }
        g.heard.clear();
        return s;
    };
    const std::pair<std::function<void()>, const char*> steps[] = {
        {[] {}, "CountMod class - evr 7"},
        {[&] { mod->SetName(L"Ripple Left"); }, "Ripple Left own text evr 7 0xf7 0x285"},
        {[&] { mod->SetName(L"Ripple Left"); }, "Ripple Left own text evr 7"},
        {[&] { mod->SetName(L""); }, "CountMod class - evr 7 0xf7 0x285"},
        {[&] { mod->SetName(L"CountMod"); }, "CountMod own text evr 7 0xf7 0x285"},
        {[&] { mod->DisableMod(), mod->DisableModInViews(), mod->DisableModInRender(); },
         "CountMod own text --- 0 change/0x800037ff change/0x800037ff change/0x800037ff"},
        {[&] { mod->EnableModInViews(); }, "CountMod own text -v- 2 change/0x800037ff"},
        {[&] { mod->EnableModInViews(), mod->SetEnableFlags(Modifier::kEnabledInViews | 0x100); },
         "CountMod own text -v- 2"},
        {[&] { mod->SetEnableFlags(Modifier::kEnabled | Modifier::kEnabledInRender); },
         "CountMod own text e-r 5 change/0x800037ff"},
    };
    for (const auto& [edit, expected] : steps) {
        edit();
        EXPECT_EQ(state(), expected);
    }
}

// Name, states and the subclass's chunks survive save and load; a modifier saved without a name of its own
// loads without one; a stream without the modifier's chunk leaves the defaults; a short enable chunk fails.
TEST_F(ModifierTest, SaveAndLoadKeepNameStatesAndLeaveTheSubclassItsChunks) {
    auto save = [](CountMod* from) {
        ChunkSave save;
        EXPECT_EQ(from->Save(&save), IO_OK);
        return save.Bytes();
    };
    auto load = [](const std::vector<std::uint8_t>& bytes, IOResult expected = IO_OK) {
        auto* loaded = new CountMod();
        ChunkLoad load(bytes);
        EXPECT_EQ(loaded->Load(&load), expected) << load.GetLastError();
        const std::string s = loaded->GetName().ToUTF8() + (loaded->HasOwnName() ? " own flags " : " class flags ") +
                              std::to_string(loaded->GetEnableFlags()) + " count " + std::to_string(loaded->count);
        loaded->DeleteMe();
        return s;
    };
    std::vector<std::uint8_t> plain = save(mod);
    EXPECT_EQ(load(plain), "CountMod class flags 7 count 0");
    // Modifier chunk (6) + enable chunk header (6) + 4 bytes; shorten the enable chunk's body to 2 bytes.
    ASSERT_GE(plain.size(), 16u);
    plain[8] = 8;  // enable chunk length: header + 2 bytes
    plain[2] = 14; // the modifier chunk shrinks with it (container bit kept in byte 5)
    plain.erase(plain.begin() + 14, plain.begin() + 16);
    load(plain, IO_ERROR);

    mod->SetName(L"Größe");
    mod->DisableModInViews();
    mod->count = 42;
    EXPECT_EQ(load(save(mod)), "Größe own flags 5 count 42");

    ChunkSave countOnly;
    countOnly.BeginChunk(CountMod::kCountChunk);
    const int v = 7;
    ULONG nw = 0;
    countOnly.Write(&v, sizeof(v), &nw);
    countOnly.EndChunk();
    EXPECT_EQ(load(countOnly.Bytes()), "CountMod class flags 7 count 7");
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
