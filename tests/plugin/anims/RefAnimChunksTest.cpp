// The mirrors' chunks: the base chunks byte by byte, counts that disagree with their entries, the wrapped
// and appended patterns with chunks the base does not know, the modifier context chunk, and a round trip
// through the host's scene files with names beyond ASCII.
#include "host/core/ChunkLoad.h"
#include "host/core/ChunkSave.h"
#include "host/scene/Control.h"
#include "host/scene/IParamBlock2.h"
#include "host/scene/Interface.h"
#include "host/scene/Modifier.h"
#include "host/scene/Object.h"
#include "plugin/anims/RefAnim.h"
#include "plugin/anims/RefAnimChunks.h"
#include "plugin/anims/RefAnimModifierKinds.h"
#include "plugin/anims/RefAnimRefKinds.h"
#include "plugin/records/RefHolder.h"
#include "tests/plugin/PluginTestSupport.h"
#include "tests/support/ChunkIds.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

std::vector<std::uint8_t> Saved(RefAnim& m) {
    ChunkSave s;
    EXPECT_EQ(m.Save(&s), IO_OK);
    EXPECT_EQ(s.Commit(), IO_OK);
    return s.Bytes();
}

void WriteInt(ChunkSave& s, USHORT id, std::int32_t v) {
    ULONG n = 0;
    s.BeginChunk(id);
    s.Write(&v, 4, &n);
    s.EndChunk();
}

// A mirror's stored values as one line: its row, state, kind flag, last operation and mark.
std::string Values(RefAnim& m) {
    return MirrorRow(&m) + " state " + std::to_string(m.GetOverriddenState()) + " flag " +
           std::to_string(m.GetKindFlag()) + " op " + std::to_string(m.GetLastOperation()) + " mark " +
           std::to_string(m.GetMark());
}

// A kind that wraps the base chunks and keeps one number of its own, counting the chunks it is handed.
class WrappedKind : public RefAnim {
public:
    using RefAnim::RefAnim;
    static constexpr USHORT kOwn = 0x2A;
    IOResult Save(ISave* isave) override {
        IOResult res = SaveWrappedBase(isave);
        ULONG n = 0;
        isave->BeginChunk(kOwn);
        isave->Write(&own, 4, &n);
        isave->EndChunk();
        return res;
    }
    IOResult Load(ILoad* iload) override {
        IOResult res;
        while ((res = iload->OpenChunk()) == IO_OK) {
            ULONG n = 0;
            if (iload->CurChunkID() == kWrappedBaseChunk) res = LoadWrappedBase(iload);
            else if (iload->CurChunkID() == kOwn) res = iload->Read(&own, 4, &n);
            else res = LoadKindChunk(iload);
            iload->CloseChunk();
            if (res != IO_OK) return res;
        }
        return res == IO_END ? IO_OK : res;
    }
    IOResult LoadKindChunk(ILoad* iload) override {
        handed.push_back(iload->CurChunkID());
        return IO_OK;
    }
    std::int32_t own = 0;
    std::vector<USHORT> handed;
};

using RefAnimChunksTest = PluginSceneFixture;

TEST_F(RefAnimChunksTest, TheBaseChunksInTheirOrder) {
    RefAnim m(FALSE);
    m.SetPath({L"Transform", L"Position"});
    m.SetPathByNumber({3, -1});
    m.SetOverriddenState(REFANIM_MODIFIED | REFANIM_LOCDEP);
    m.SetKindFlag(true);
    m.SetLastOperation(124);
    m.SetMark(5);
    // Count, names in UTF-16 without terminator, count, numbers, state byte, kind flag; then an empty mirror's.
    RefAnim empty(FALSE);
    ExpectGolden(ChunkLoad::Dump(Saved(m)) + "-- empty\n" + ChunkLoad::Dump(Saved(empty)),
                 "tests/plugin/anims/base_chunks.txt");
    RefAnim back(TRUE);
    ChunkLoad l(Saved(m));
    ASSERT_EQ(back.Load(&l), IO_OK);
    // Neither the last operation nor the mark is saved.
    EXPECT_EQ(Values(back), "RefAnim Transform/Position #3.-1 state 6 flag 1 op -1 mark 0");
}

// The counts only size the tables: what comes back is the entries actually read, and a mirror whose
// tables then differ in length never resolves.
TEST_F(RefAnimChunksTest, CountsThatDisagreeWithTheEntriesAreNotAnError) {
    ChunkSave s;
    WriteInt(s, 0x23, 5);
    s.BeginChunk(0x24);
    s.WriteWString(L"Transform");
    s.EndChunk();
    WriteInt(s, 0x25, 0x7FFFFFFF); // far more than the stream could hold
    WriteInt(s, 0x26, 3);
    WriteInt(s, 0x26, 1);
    ASSERT_EQ(s.Commit(), IO_OK);
    RefAnim m(TRUE);
    ChunkLoad l(s.Bytes());
    ASSERT_EQ(m.Load(&l), IO_OK);
    EXPECT_EQ(Values(m), "RefAnim Transform #3.1 state 0 flag 0 op -1 mark 0");
    INode* n = b.Box("Box01").Build();
    PathResolution r;
    EXPECT_FALSE(m.GetAnimByPath(n, r));

    // A chunk cut short ends the load with the host's error; what was read stays.
    ChunkSave cut;
    WriteInt(cut, 0x25, 1);
    cut.BeginChunk(0x26);
    ULONG written = 0;
    const std::uint16_t half = 7;
    cut.Write(&half, 2, &written);
    cut.EndChunk();
    ASSERT_EQ(cut.Commit(), IO_OK);
    RefAnim broken(TRUE);
    ChunkLoad bl(cut.Bytes());
    EXPECT_EQ(broken.Load(&bl), IO_ERROR);
    EXPECT_TRUE(broken.GetPathByNumber().empty());
}

TEST_F(RefAnimChunksTest, WrappedAndAppendedKindsGetTheChunksTheBaseDoesNotKnow) {
    WrappedKind w(FALSE);
    w.SetPath({L"Object"});
    w.SetPathByNumber({4});
    w.SetOverriddenState(REFANIM_REPLACED);
    w.own = 42;
    ChunkSave s;
    ASSERT_EQ(w.Save(&s), IO_OK);
    WriteInt(s, 0x5151, 9); // written by a later version
    ASSERT_EQ(s.Commit(), IO_OK);
    EXPECT_EQ(TopLevelChunkIds(s.Bytes()), (std::vector<int>{RefAnim::kWrappedBaseChunk, WrappedKind::kOwn, 0x5151}));

    WrappedKind back(TRUE);
    ChunkLoad l(s.Bytes());
    ASSERT_EQ(back.Load(&l), IO_OK);
    EXPECT_EQ(Values(back) + " own " + std::to_string(back.own), "RefAnim Object #4 state 1 flag 0 op -1 mark 0 own 42");
    EXPECT_EQ(back.handed, (std::vector<USHORT>{0x5151}));

    // Appended: the base reads its own ids and hands every other one on, in order.
    RefAnim base(FALSE);
    base.SetPath({L"Object", L"Bend"});
    base.SetPathByNumber({4, 1});
    ChunkSave a;
    ASSERT_EQ(base.Save(&a), IO_OK);
    ModContext mc;
    ASSERT_EQ(SaveModContextChunk(&a, mc), IO_OK);
    WriteInt(a, 0x5152, 1);
    ASSERT_EQ(a.Commit(), IO_OK);
    WrappedKind appended(TRUE);
    ChunkLoad al(a.Bytes());
    ASSERT_EQ(appended.RefAnim::Load(&al), IO_OK);
    EXPECT_EQ(appended.GetPath(), base.GetPath());
    EXPECT_EQ(appended.handed, (std::vector<USHORT>{REFANIM_MODCONTEXT_CHUNK, 0x5152}));
}

TEST_F(RefAnimChunksTest, TheModifierContextChunkHoldsMatrixFlagsAndBox) {
    Matrix3 tm;
    tm.SetTrans(Point3(1.5f, -2.0f, 3.25f));
    ModContext mc(new Matrix3(tm), new Box3(Point3(-1, -2, -3), Point3(4, 5, 6)), nullptr);
    ModContext none;
    for (const ModContext* source : {&mc, &none}) {
        ChunkSave s;
        ASSERT_EQ(SaveModContextChunk(&s, *source), IO_OK);
        ASSERT_EQ(s.Commit(), IO_OK);
        EXPECT_EQ(s.Bytes().size(), 6u + 76u);
        ChunkLoad l(s.Bytes());
        ASSERT_EQ(l.OpenChunk(), IO_OK);
        EXPECT_EQ(l.CurChunkID(), REFANIM_MODCONTEXT_CHUNK);
        IOResult res = IO_ERROR;
        std::unique_ptr<ModContext> back(LoadModContextChunk(&l, res));
        ASSERT_TRUE(res == IO_OK && back && back->tm && back->box);
        EXPECT_EQ(back->Describe() + L" " + std::to_wstring(back->tm->GetIdentFlags()).c_str(),
                  source->Describe() + L" " + std::to_wstring(source->GetTM().GetIdentFlags()).c_str());
    }
    // Short data is the loader's error, and no context.
    ChunkSave s;
    WriteInt(s, REFANIM_MODCONTEXT_CHUNK, 1);
    ASSERT_EQ(s.Commit(), IO_OK);
    ChunkLoad l(s.Bytes());
    ASSERT_EQ(l.OpenChunk(), IO_OK);
    IOResult res = IO_OK;
    EXPECT_EQ(LoadModContextChunk(&l, res), nullptr);
    EXPECT_EQ(res, IO_ERROR);
}

// The modifier kinds keep their context copy after the base chunks (appended) or after the wrapped base
// and the extra-reference count (wrapped); a mirror without a context writes none, and one read back
// writes the same bytes.
TEST_F(RefAnimChunksTest, ModifierMirrorsKeepTheirContextInTheirOwnChunk) {
    Matrix3 tm;
    tm.SetTrans(Point3(2, 0, 1));
    const ModContext mc(new Matrix3(tm), new Box3(Point3(-1, -1, 0), Point3(1, 1, 2)), nullptr);
    struct Row {
        std::function<RefAnim*(BOOL)> make;
        USHORT contextId;
        std::vector<int> ids;
    } rows[] = {
        {[](BOOL l) { return new RefAnimMod(l); }, REFANIM_MODCONTEXT_CHUNK,
         {0x23, 0x24, 0x24, 0x25, 0x26, 0x26, 0x27, 0x28, REFANIM_MODCONTEXT_CHUNK}},
        {[](BOOL l) { return new RefAnimWithRefsMod(l); }, 0xD1B, {RefAnim::kWrappedBaseChunk, 0x2A, 0xD1B}},
    };
    for (const Row& row : rows) {
        std::unique_ptr<RefAnim> plain(row.make(FALSE));
        plain->SetPath({L"Object", L"Bend"});
        plain->SetPathByNumber({4, 1});
        plain->SetOverriddenState(REFANIM_MODIFIED);
        const std::vector<std::uint8_t> without = Saved(*plain);
        std::vector<int> ids = row.ids;
        ids.pop_back();
        EXPECT_EQ(TopLevelChunkIds(without), ids);
        // The same mirror as a file with a context: read, then written again unchanged.
        ChunkSave s;
        ASSERT_EQ(plain->Save(&s), IO_OK);
        ASSERT_EQ(SaveModContextChunk(&s, mc, row.contextId), IO_OK);
        ASSERT_EQ(s.Commit(), IO_OK);
        std::unique_ptr<RefAnim> back(row.make(TRUE));
        ChunkLoad l(s.Bytes());
        ASSERT_EQ(back->Load(&l), IO_OK);
        EXPECT_NE(WStr(back->Describe()).ToUTF8().find(WStr(L"ModContext: " + mc.Describe()).ToUTF8()), std::string::npos);
        EXPECT_EQ(TopLevelChunkIds(Saved(*back)), row.ids);
        EXPECT_EQ(Saved(*back), s.Bytes());
    }
}

// A modified mirror saved in a scene brings back its path (names beyond ASCII included), its state and
// the user's animatable it holds.
TEST_F(RefAnimChunksTest, AMirrorAndItsAnimatableSurviveASceneFile) {
    RefHolder* holder = NewRefHolderNode(L"Holder", 2);
    Control* mine = NewDefaultFloatController();
    float v = 61.5f;
    mine->SetValue(0, &v);
    const std::vector<WStr> names = {L"Objekt \u00c4\u00f6\u00df", L"\u65e5\u672c\u8a9e", L"h\u00f6he \U0001F600"};
    auto* kept = new RefAnim(FALSE);
    kept->SetPath(names);
    kept->SetPathByNumber({4, 2, 3});
    kept->SetOverriddenState(REFANIM_MODIFIED);
    kept->ReplaceReference(0, mine);
    auto* weak = new RefAnim(FALSE);
    weak->SetPath({L"x"});
    weak->SetPathByNumber({1});
    weak->ReplaceReference(0, NewDefaultFloatController());
    holder->ReplaceReference(0, kept);
    holder->ReplaceReference(1, weak);

    SaveAndReopen("refanim_chunks");
    INode* n = GetCOREInterface()->GetINodeByName(L"Holder");
    ASSERT_NE(n, nullptr);
    auto* back = dynamic_cast<RefHolder*>(n->GetObjectRef());
    ASSERT_NE(back, nullptr);
    auto* m = dynamic_cast<RefAnim*>(back->GetReference(0));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->GetPath(), names);
    EXPECT_EQ(Values(*m).substr(Values(*m).find('#')), "#4.2.3 state 2 flag 0 op -1 mark 0");
    EXPECT_EQ(m->GetOwner(), nullptr);
    auto* c = dynamic_cast<Control*>(m->GetAnim());
    ASSERT_NE(c, nullptr);
    float got = 0;
    Interval valid = FOREVER;
    c->GetValue(0, &got, valid);
    EXPECT_EQ(got, 61.5f);
    // A mirror without change holds its animatable weakly: it is written as null.
    auto* w = dynamic_cast<RefAnim*>(back->GetReference(1));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->GetAnim(), nullptr);
    EXPECT_EQ(Values(*w), "RefAnim x #1 state 0 flag 0 op -1 mark 0");
}

} // namespace
