// A node record's chunks: the exact chunks of a plain record, every stored value read back as written,
// later chunks skipped, the modifier entries sized, damaged input refused, and a scene saved and reopened.
#include "host/core/ChunkLoad.h"
#include "host/core/ChunkSave.h"
#include "host/core/ClassDirectory.h"
#include "host/scene/ILayer.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "host/scene/Object.h"
#include "host/scene/objects/ObjectClasses.h"
#include "plugin/anims/RefAnim.h"
#include "plugin/helper/OstrivansHelper.h"
#include "plugin/records/RefNode.h"
#include "tests/plugin/helper/HelperTestSupport.h"
#include "tests/support/ChunkIds.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

// Writes a data chunk whose body is the given values, one after the other, as the stream lays them out.
class Body {
public:
    template <class... T> explicit Body(const T&... values) { (Put(values), ...); }
    template <class T> void Put(const T& v) {
        const size_t at = bytes.size();
        bytes.resize(at + sizeof v);
        std::memcpy(bytes.data() + at, &v, sizeof v);
    }
    void WriteTo(ChunkSave& out, USHORT id) const {
        ULONG written = 0;
        out.BeginChunk(id);
        if (!bytes.empty()) out.Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
        out.EndChunk();
    }
    std::vector<std::uint8_t> bytes;
};

void StringChunk(ChunkSave& out, USHORT id, const wchar_t* s) {
    out.BeginChunk(id);
    out.WriteWString(s);
    out.EndChunk();
}

// A record as a file of a full-featured version writes it: every flag group with distinct values, the
// tables sized, and (with foreign) an unknown id in the range and a later chunk.
std::vector<std::uint8_t> FullRecord(bool foreign) {
    const std::uint32_t flags =
        0x2 | 0x100 | 0x400 | 0x800 | 0x1000 | 0x2000 | 0x10000 | 0x20000 | 0x40000 | 0x100000 | 0x800000;
    ChunkSave out;
    Body(10701.0f).WriteTo(out, 0x0000);
    Body(std::uint32_t{0}).WriteTo(out, 0x0007);
    StringChunk(out, 0x0008, L"Wall01");
    Body(flags).WriteTo(out, 0x000A);
    if (foreign) Body(std::uint32_t{77}).WriteTo(out, 0x0009);
    StringChunk(out, 0x000B, L"Mur \u00e9tag\u00e9");
    Body(std::uint32_t{2}).WriteTo(out, 0x000C);
    Body(std::uint8_t{5}).WriteTo(out, 0x000D);
    // Position, rotation quaternion, scale and its orientation.
    Body(1.f, 2.f, 3.f, 0.1f, 0.2f, 0.3f, 0.9f, 4.f, 5.f, 6.f, 0.f, 0.6f, 0.f, 0.8f).WriteTo(out, 0x000E);
    // Position, XYZ angles with the unused float, the order word and padding, scale, orientation.
    Body(7.f, 8.f, 9.f, 0.25f, 0.5f, 0.75f, 0.f, std::uint16_t{0}, std::uint16_t{0}, 2.f, 3.f, 4.f, 0.f, 0.f,
         0.6f, 0.8f)
        .WriteTo(out, 0x000F);
    Body(std::uint32_t{0x00ff8040}).WriteTo(out, 0x0010);
    Body(std::uint16_t{0x1234}, std::uint8_t{9}, std::uint8_t{10}).WriteTo(out, 0x0011);
    Body(std::uint32_t{0xabc}, std::int32_t{1}, std::int32_t{2}, std::int32_t{0x7fff}, std::int32_t{0},
         std::int32_t{0}, 1.5f, 2.5f, 3.5f, 4.5f, 5.5f, 6.5f, 7.5f, 0.f, 0.f)
        .WriteTo(out, 0x0012);
    StringChunk(out, 0x0013, L"weight = 3\r\nkind = wall");
    Body(std::uint8_t{1}, std::uint8_t{2}, std::uint8_t{3}).WriteTo(out, 0x0014);
    Body(std::uint16_t{0x1ff}).WriteTo(out, 0x0028);
    Body(std::uint32_t{4}, std::uint32_t{6}).WriteTo(out, 0x0024);
    Body(std::uint32_t{1}).WriteTo(out, 0x0029);
    Body(std::uint32_t{3}).WriteTo(out, 0x0022);
    Body(std::uint32_t{0x10}).WriteTo(out, 0x002A);
    Body(std::uint32_t{2}, std::uint32_t{4}, std::uint32_t{11}).WriteTo(out, 0x002B);
    Body(std::uint32_t{2}, std::uint32_t{3}, std::uint32_t{0}).WriteTo(out, 0x002C);
    if (foreign) Body(std::uint32_t{1}, std::uint32_t{2}).WriteTo(out, 0x0031);
    return out.Bytes();
}

class RefNodeChunksTest : public HelperFixture {
protected:
    void TearDown() override {
        for (RefBase* r : loose)
            r->MaybeAutoDelete();
        HelperFixture::TearDown();
    }
    // A record made as a scene file makes it, read from bytes.
    RefNode* LoadRecord(const std::vector<std::uint8_t>& bytes, IOResult& result) {
        auto* rec = new RefNode(TRUE);
        loose.push_back(rec);
        ChunkLoad in(bytes);
        result = rec->Load(&in);
        return rec;
    }
    // The sizes of a record's tables, its listing positions and its reference count as one line.
    static std::string Tables(RefNode* r) {
        std::string s = "mirrors " + std::to_string(r->NumMirrors()) + " children " + std::to_string(r->NumChildren()) +
                        " lights " + std::to_string(r->NumExcludingLights()) + " ws " +
                        std::to_string(r->NumWSModifiers()) + " os " + std::to_string(r->NumOSModifiers()) + " listing";
        for (int i = 0; i < r->NumListingObjects(); ++i) s += " @" + std::to_string(r->GetListingPosition(i));
        return s + " refs " + std::to_string(r->NumRefs());
    }
    OstrivansHelper* PersistingHelper(const MCHAR* name) {
        OstrivansHelper* h = NewHelperNode(name);
        AccessorDisabler off(h);
        h->GetParamBlock()->SetValue(pb_persist_ref, 0, 1);
        h->GetParamBlock()->SetValue(pb_persist_reload_type, 0, kReloadManually);
        return h;
    }
    std::vector<RefBase*> loose;
};

TEST_F(RefNodeChunksTest, ARecordWithoutFlagsWritesExactlyItsListedChunks) {
    INode* box = b.Box("Box01").Build();
    auto* rec = new RefNode(box, nullptr);
    loose.push_back(rec);
    ASSERT_EQ(rec->NumMirrors(), 12);
    ChunkSave out;
    ASSERT_EQ(rec->Save(&out), IO_OK);
    EXPECT_EQ(ChunkLoad::Dump(out.Bytes()), "0x0000 data @0 len 4: 00 34 27 46\n"
                                            "0x0007 data @10 len 4: 01 00 00 00\n"
                                            "0x0008 data @20 len 10: 42 00 6f 00 78 00 30 00 31 00\n"
                                            "0x000A data @36 len 4: 00 00 00 00\n"
                                            "0x0029 data @46 len 4: 00 00 00 00\n"
                                            "0x0022 data @56 len 4: 0c 00 00 00\n"
                                            "0x002A data @66 len 4: 00 00 00 00\n"
                                            "0x002C data @76 len 4: 00 00 00 00\n");

    // Children add their count; a persisting helper adds the modifier counters; sized modifier entries
    // add a count each and one chunk per entry: entries from the file are written only while the
    // reference persists.
    rec->SizeTablesForLoad(2, 2, 1, 0, 0);
    ChunkSave withTables;
    ASSERT_EQ(rec->Save(&withTables), IO_OK);
    EXPECT_EQ(TopLevelChunkIds(withTables.Bytes()),
              (std::vector<int>{0x0000, 0x0007, 0x0008, 0x000A, 0x000C, 0x0015, 0x0019, 0x0019, 0x0016,
                                0x001A, 0x0029, 0x0022, 0x002A, 0x002C}));
    OstrivansHelper* h = PersistingHelper(L"Ref01");
    h->AppendRefNode(rec);
    loose.pop_back(); // the helper owns it now
    ChunkSave persisting;
    ASSERT_EQ(rec->Save(&persisting), IO_OK);
    EXPECT_EQ(TopLevelChunkIds(persisting.Bytes()),
              (std::vector<int>{0x0000, 0x0007, 0x0008, 0x000A, 0x000C, 0x0024, 0x0015, 0x0017, 0x0017,
                                0x0016, 0x0018, 0x0029, 0x0022, 0x002A, 0x002C}));
    // An entry's chunk holds its state and its name.
    ChunkLoad in(persisting.Bytes());
    while (in.OpenChunk() == IO_OK && in.CurChunkID() != 0x0017)
        in.CloseChunk();
    ASSERT_EQ(in.CurChunkID(), 0x0017);
    ASSERT_EQ(in.OpenChunk(), IO_OK);
    EXPECT_EQ(in.CurChunkID(), 0x0000);
    EXPECT_EQ(in.CurChunkLength(), 1u);
    in.CloseChunk();
    ASSERT_EQ(in.OpenChunk(), IO_OK);
    EXPECT_EQ(in.CurChunkID(), 0x0001);
    in.CloseChunk();
    EXPECT_EQ(in.OpenChunk(), IO_END);
}

TEST_F(RefNodeChunksTest, EveryStoredValueReadsBackAsWrittenAndUnknownChunksAreSkipped) {
    IOResult result = IO_ERROR;
    RefNode* rec = LoadRecord(FullRecord(true), result);
    ASSERT_EQ(result, IO_OK);
    EXPECT_EQ(rec->GetReferencedName(), WStr(L"Wall01"));
    EXPECT_EQ(rec->GetOverriddenName(), WStr(L"Mur \u00e9tag\u00e9"));
    EXPECT_FALSE(rec->IsNodeLoaded());
    EXPECT_EQ(rec->GetOverrideFlags(), 0x973D02u);
    EXPECT_EQ(rec->GetObjectType(), 0x10u);
    EXPECT_EQ(rec->GetSelectionSets(), (std::vector<std::int32_t>{4, 11}));
    // Tables sized with empty entries for the host to fill.
    EXPECT_EQ(Tables(rec), "mirrors 3 children 2 lights 1 ws 0 os 0 listing @3 @0 refs " +
                               std::to_string(1 + 3 + 2 + 1 + 2 + 4));
    EXPECT_EQ(rec->GetChild(1), nullptr);

    // Written again (the counters need a persisting helper), the record gives back the very bytes it
    // was read from, less the chunks it does not know: every field has its width and its place.
    OstrivansHelper* h = PersistingHelper(L"Ref01");
    h->AppendRefNode(rec);
    loose.pop_back();
    ChunkSave again;
    ASSERT_EQ(rec->Save(&again), IO_OK);
    EXPECT_EQ(ChunkLoad::Dump(again.Bytes()), ChunkLoad::Dump(FullRecord(false)));
    EXPECT_EQ(again.Bytes(), FullRecord(false));
}

TEST_F(RefNodeChunksTest, TheRecordBaseWritesItsStampAndMirrorCount) {
    auto* base = new RefBase(FALSE);
    loose.push_back(base);
    base->AppendMirrorSlot();
    base->AppendMirrorSlot();
    ChunkSave out;
    ASSERT_EQ(base->Save(&out), IO_OK);
    EXPECT_EQ(ChunkLoad::Dump(out.Bytes()), "0x0000 data @0 len 4: 00 34 27 46\n"
                                            "0x0022 data @10 len 4: 02 00 00 00\n");

    // Read back between a chunk of a later version and the references a file writes after the chunks.
    // The result, mirror count and reference count of a record read from that stream.
    const auto load = [&](std::uint32_t mirrors) {
        ChunkSave in;
        Body(10701.0f).WriteTo(in, 0x0000);
        Body(std::uint8_t{1}).WriteTo(in, 0x0033);
        Body(mirrors).WriteTo(in, 0x0022);
        Body(0, 0, 0).WriteTo(in, 0x0040);
        auto* back = new RefBase(TRUE);
        loose.push_back(back);
        ChunkLoad stream(in.Bytes());
        const IOResult result = back->Load(&stream);
        return std::string(result == IO_OK ? "ok" : "error") + " mirrors " + std::to_string(back->NumMirrors()) +
               " refs " + std::to_string(back->NumRefs());
    };
    EXPECT_EQ(load(3), "ok mirrors 3 refs 4");
    // More mirrors than the references left in the stream could restore.
    EXPECT_EQ(load(1000), "error mirrors 0 refs 1");
}

TEST_F(RefNodeChunksTest, ModifierEntriesAndNotesReadBackInTableOrder) {
    ChunkSave out;
    Body(10701.0f).WriteTo(out, 0x0000);
    StringChunk(out, 0x0008, L"Box01");
    Body(std::uint32_t{2}).WriteTo(out, 0x0015);
    out.BeginChunk(0x0017);
    Body(std::uint8_t{1}).WriteTo(out, 0x0000);
    StringChunk(out, 0x0001, L"Bend");
    out.EndChunk();
    Body().WriteTo(out, 0x0019);
    Body(std::uint32_t{1}).WriteTo(out, 0x0016);
    Body().WriteTo(out, 0x001A);
    Body(std::uint32_t{1}).WriteTo(out, 0x001C);
    out.BeginChunk(0x001D);
    StringChunk(out, 0x0000, L"Taper");
    Body(std::uint32_t{0}).WriteTo(out, 0x0001);
    out.EndChunk();
    Body(std::uint32_t{1}).WriteTo(out, 0x001E);
    out.BeginChunk(0x001F);
    StringChunk(out, 0x0000, L"Twist");
    Body(std::uint32_t{2}).WriteTo(out, 0x0001);
    StringChunk(out, 0x0002, L"Twist local");
    out.EndChunk();
    Body(std::uint32_t{1}).WriteTo(out, 0x0020);
    out.BeginChunk(0x0021);
    StringChunk(out, 0x0000, L"Bend");
    Body(std::uint32_t{1}).WriteTo(out, 0x0001);
    Body(std::uint8_t{6}).WriteTo(out, 0x0002);
    out.EndChunk();
    Body(std::uint32_t{1}).WriteTo(out, 0x0022);
    // A file writes the references after the record's chunks: counts are checked against those bytes.
    Body(0, 0, 0, 0, 0, 0, 0, 0, 0).WriteTo(out, 0x0040);
    IOResult result = IO_ERROR;
    RefNode* rec = LoadRecord(out.Bytes(), result);
    ASSERT_EQ(result, IO_OK);
    EXPECT_EQ(rec->GetReferencedName(), WStr(L"Box01"));
    // Their modifiers are references of the layout, between the layer and the kept object.
    EXPECT_EQ(Tables(rec), "mirrors 1 children 0 lights 0 ws 2 os 1 listing refs " + std::to_string(1 + 1 + 3 + 4));
    // The first entry chunk fills the first entry; the empty chunks leave theirs null.
    const std::string dump = rec->DumpNode();
    const size_t from = dump.find("mods ws");
    EXPECT_EQ(dump.substr(from, dump.find("RefNode item") - from),
              "mods ws 2 os 1 refs 9\n ws 1 \"Bend\" 0 0 empty\n deleted \"Taper\" 0\n"
              " renamed \"Twist\" 2 \"Twist local\"\n toggled \"Bend\" 1 6\n");
}

TEST_F(RefNodeChunksTest, DamagedChunksEndTheLoadWithoutTablesLeftBehind) {
    struct Case {
        const char* what;
        std::function<void(ChunkSave&)> damage;
    };
    const std::vector<Case> cases = {
        {"truncated object offset", [](ChunkSave& o) { Body(1.f, 2.f, 3.f, 4.f, 5.f).WriteTo(o, 0x000E); }},
        {"truncated flags", [](ChunkSave& o) { Body(std::uint16_t{2}).WriteTo(o, 0x000A); }},
        {"odd-length name", [](ChunkSave& o) { Body(std::uint8_t{65}).WriteTo(o, 0x0008); }},
        {"huge child count", [](ChunkSave& o) { Body(std::uint32_t{0x7fffffff}).WriteTo(o, 0x000C); }},
        {"huge mirror count", [](ChunkSave& o) { Body(std::uint32_t{0xffffffff}).WriteTo(o, 0x0022); }},
        {"huge entry count", [](ChunkSave& o) { Body(std::uint32_t{0x40000000}).WriteTo(o, 0x0016); }},
        {"huge light count", [](ChunkSave& o) { Body(std::uint32_t{0x40000000}).WriteTo(o, 0x0029); }},
        {"listing count beyond its chunk",
         [](ChunkSave& o) { Body(std::uint32_t{3}, std::uint32_t{1}, std::uint32_t{2}).WriteTo(o, 0x002C); }},
        {"selection sets beyond their chunk",
         [](ChunkSave& o) { Body(std::uint32_t{0x10000000}, std::uint32_t{1}).WriteTo(o, 0x002B); }},
        {"a container where a value belongs",
         [](ChunkSave& o) {
             o.BeginChunk(0x0007);
             Body(std::uint32_t{1}).WriteTo(o, 0x0000);
             o.EndChunk();
         }},
    };
    for (const Case& c : cases) {
        ChunkSave out;
        Body(10701.0f).WriteTo(out, 0x0000);
        Body(std::uint32_t{4}).WriteTo(out, 0x0022);
        Body(std::uint32_t{2}).WriteTo(out, 0x0015);
        c.damage(out);
        Body(std::uint32_t{1}).WriteTo(out, 0x0029);
        IOResult result = IO_OK;
        RefNode* rec = LoadRecord(out.Bytes(), result);
        EXPECT_EQ(result, IO_ERROR) << c.what;
        EXPECT_EQ(Tables(rec), "mirrors 0 children 0 lights 0 ws 0 os 0 listing refs 5") << c.what;
    }
}

TEST_F(RefNodeChunksTest, ASavedSceneGivesTheRecordBackWithEveryTableInPlace) {
    OstrivansHelper* h = PersistingHelper(L"Ref01");
    INode* box = b.Box("Box01").Build();
    INode* child = b.Box("Local01").Build();
    INode* holder = b.Box("Holder").Build();
    auto* omni =
        static_cast<LightObject*>(GetClassDirectory().CreateInstance(LIGHT_CLASS_ID, OMNI_LIGHT_CLASS_ID));
    b.WithObject(omni, "Omni01").Build();
    auto* rec = new RefNode(box, h);
    h->AppendRefNode(rec);
    rec->SetOverrideFlag(REFNODE_OVERRIDE_WIRE_COLOR | REFNODE_OVERRIDE_EXCL_LIST, true, false);
    rec->GetMirror(0)->SetOverriddenState(REFANIM_MODIFIED);
    rec->SizeTablesForLoad(1, 0, 0, 1, 1);
    const int b0 = 1 + rec->NumMirrors();
    // Parent, child, layer, light and listing object: B + 1, B + 2, B + 3, B + 4 and B + 6.
    rec->ReplaceReference(b0 + 1, holder);
    rec->ReplaceReference(b0 + 2, child);
    rec->ReplaceReference(b0 + 3, b.Layer("Walls"));
    rec->ReplaceReference(b0 + 4, omni);
    rec->ReplaceReference(b0 + 6, holder->GetObjectRef());
    const int mirrors = rec->NumMirrors();
    const int refs = rec->NumRefs();

    // The tables as set here, written without the scene save cycle, whose collection would compare them
    // with what the scene really lists.
    EndHelperSession();
    SaveAndReopen("ostrivans-refnode-chunks");
    if (HasFatalFailure()) return;
    Interface* ip = GetCOREInterface();
    auto* back = dynamic_cast<OstrivansHelper*>(ip->GetINodeByName(L"Ref01")->GetObjectRef());
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(back->NumRefNodes(), 1);
    RefNode* r = back->GetRefNode(0);
    ASSERT_NE(r, nullptr);
    // Every table entry at its place: the record bound to helper and node, its flags, each mirror present
    // (the changed one still Modified), and parent, child, layer, light and listing object by name.
    const auto nodeName = [](INode* n) { return n ? WStr(n->GetName()).ToUTF8() : std::string("null"); };
    bool mirrorsThere = r->NumMirrors() == mirrors && r->NumRefs() == refs;
    for (int i = 0; i < r->NumMirrors(); ++i) mirrorsThere = mirrorsThere && r->GetMirror(i);
    auto* layer = dynamic_cast<ILayer*>(r->GetStoredLayer());
    EXPECT_EQ(r->GetReferencedName().ToUTF8() + (r->GetHelper() == back ? " helper" : " no helper") + ", node " + nodeName(r->GetNode()) +
                  (RefBase::FromItem(r->GetNode()) == r ? " finds it" : " lost") + ", loaded " +
                  std::to_string(r->IsNodeLoaded()) + ", flags " + std::to_string(r->GetOverrideFlags()) + ", mirrors " +
                  (mirrorsThere ? "all" : "missing") + ", first state " +
                  std::to_string(r->GetMirror(0)->GetOverriddenState()) + ", parent " + nodeName(dynamic_cast<INode*>(r->GetStoredParent())) +
                  ", child " + nodeName(r->GetChild(0)) + ", layer " + (layer ? layer->GetName().ToUTF8() : "null"),
              "Box01 helper, node Box01 finds it, loaded 1, flags " +
                  std::to_string(REFNODE_OVERRIDE_WIRE_COLOR | REFNODE_OVERRIDE_EXCL_LIST) + ", mirrors all, first state " +
                  std::to_string(REFANIM_MODIFIED) + ", parent Holder, child Local01, layer Walls");
    EXPECT_EQ(r->GetExcludingLight(0), ip->GetINodeByName(L"Omni01")->GetObjectRef());
    EXPECT_EQ(r->GetListingObject(0), ip->GetINodeByName(L"Holder")->GetObjectRef());
    EXPECT_EQ(r->GetListingPosition(0), -1);
}

} // namespace
