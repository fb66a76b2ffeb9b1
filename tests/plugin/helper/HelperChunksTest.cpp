// The helper's chunks: counts and names read back, renamed layers taken by order, unknown chunks skipped,
// damaged input refused without names left behind, layer slots kept across a save, and a loaded reference
// saved and reopened with its records, names, deletions and file time.
#include "host/core/ChunkFields.h"
#include "host/core/ChunkLoad.h"
#include "host/core/ChunkSave.h"
#include "host/core/FileTime.h"
#include "host/scene/HostDialogs.h"
#include "host/scene/HostServices.h"
#include "host/scene/ILayer.h"
#include "host/scene/Mtl.h"
#include "host/script/ScriptRuntime.h"
#include "plugin/anims/RefAnim.h"
#include "plugin/helper/ReferenceUnload.h"
#include "plugin/records/RefMaterial.h"
#include "plugin/records/RefNode.h"
#include "tests/plugin/helper/HelperTestSupport.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

// Writes one chunk of a helper block.
using Piece = std::function<void(ChunkSave&)>;

template <class T> Piece ValueChunk(USHORT id, T v) {
    return [id, v](ChunkSave& out) { WriteValueChunk(&out, id, v); };
}
Piece TextChunk(USHORT id, const wchar_t* s) {
    return [id, s](ChunkSave& out) { WriteStringChunk(&out, id, s); };
}
Piece ContainerChunk(USHORT id, std::vector<Piece> inner) {
    return [id, inner](ChunkSave& out) {
        out.BeginChunk(id);
        for (const Piece& p : inner) p(out);
        out.EndChunk();
    };
}
const Piece kVersion = ValueChunk<float>(0x0000, 10701.0f);

std::vector<std::uint8_t> Block(const std::vector<Piece>& pieces) {
    ChunkSave out;
    for (const Piece& p : pieces) p(out);
    return out.Bytes();
}

// Top-level ids, and the ids inside each container after it in brackets.
std::string ChunkIds(const std::vector<std::uint8_t>& bytes) {
    ChunkLoad in(bytes);
    std::string ids;
    char id[8];
    while (in.OpenChunk() == IO_OK) {
        std::snprintf(id, sizeof id, "%x", in.CurChunkID());
        ids += (ids.empty() ? "" : " ") + std::string(id);
        if (in.CurChunkIsContainer()) {
            ids += "[";
            for (bool first = true; in.OpenChunk() == IO_OK; first = false) {
                std::snprintf(id, sizeof id, "%x", in.CurChunkID());
                ids += (first ? "" : " ") + std::string(id);
                in.CloseChunk();
            }
            ids += "]";
        }
        in.CloseChunk();
    }
    return ids;
}

// A helper's tables in one line: the record counts (nodes, materials, layers), the nodes to delete, the
// renamed layers (file>local:full), the file time in hex and the number of references.
std::string Tables(OstrivansHelper* h) {
    std::string s = std::to_string(h->NumRefNodes()) + " nodes " + std::to_string(h->NumRefMaterials()) +
                    " materials " + std::to_string(h->NumRefLayers()) + " layers, delete";
    for (const WStr& n : h->GetNodesToDelete()) s += " " + n.ToUTF8();
    s += ", renamed";
    for (const RenamedLayer& l : h->GetRenamedLayers())
        s += " " + l.fileName.ToUTF8() + ">" + l.localName.ToUTF8() + ":" + std::to_string(l.full);
    char time[24];
    std::snprintf(time, sizeof time, "%llx", static_cast<unsigned long long>(h->GetFileTime()));
    return s + ", time " + time + ", refs " + std::to_string(h->NumRefs());
}

} // namespace

class HelperChunksTest : public HelperFileFixture {
protected:
    // A helper that keeps its reference in the scene and never reloads by itself.
    OstrivansHelper* Persisting(OstrivansHelper* h) {
        AccessorDisabler off(h);
        h->GetParamBlock()->SetValue(pb_persist_ref, 0, 1);
        h->GetParamBlock()->SetValue(pb_persist_reload_type, 0, kReloadManually);
        return h;
    }
    // A helper made as a scene file makes it, loaded from the block.
    OstrivansHelper* LoadHelper(const std::vector<std::uint8_t>& bytes, IOResult& result,
                                const MCHAR* name = L"Back") {
        OstrivansHelper* h = NewHelperNode(name, TRUE);
        ChunkLoad in(bytes);
        result = h->Load(&in);
        return h;
    }
};

TEST_F(HelperChunksTest, AHelperWithoutRecordsWritesZeroCountsAndLoadsEmpty) {
    OstrivansHelper* h = NewHelperNode(L"Ref01");
    ChunkSave out;
    ASSERT_EQ(h->Save(&out), IO_OK);
    EXPECT_EQ(ChunkLoad::Dump(out.Bytes()), "0x0000 data @0 len 4: 00 34 27 46\n"
                                            "0x0027 data @10 len 8: 00 00 00 00 00 00 00 00\n"
                                            "0x0001 data @24 len 4: 00 00 00 00\n"
                                            "0x0002 data @34 len 4: 00 00 00 00\n"
                                            "0x0003 data @44 len 4: 00 00 00 00\n"
                                            "0x0005 data @54 len 4: 00 00 00 00\n"
                                            "0x0025 data @64 len 4: 00 00 00 00\n");
    IOResult result = IO_ERROR;
    OstrivansHelper* back = LoadHelper(out.Bytes(), result);
    EXPECT_EQ(result, IO_OK);
    EXPECT_EQ(Tables(back), "0 nodes 0 materials 0 layers, delete, renamed, time 0, refs 2");
}

TEST_F(HelperChunksTest, TablesNamesAndRenamedLayersReadBackInOrder) {
    OstrivansHelper* h = NewHelperNode(L"Ref01");
    h->AppendRefNode(new RefNode(b.Box("Wall01").Build(), h));
    h->AppendRefNode(new RefNode(b.Box("Door01").Build(), h));
    h->AppendRefMaterial(new RefMaterial(b.Standard("Brick"), h));
    h->AddNodeToDelete(L"Window01");
    h->AddNodeToDelete(L"Fen\u00eatre \u7a97");
    h->AddRenamedLayer({L"Walls", L"Walls_local", 1});
    h->AddRenamedLayer({L"Floors", L"Ground", 0});
    h->SetFileTime(0x01D9ABCDEF012345ull);
    ChunkSave out;
    ASSERT_EQ(h->Save(&out), IO_OK);
    // Each renamed layer is a container whose last two fields share the id 0x0001.
    EXPECT_EQ(ChunkIds(out.Bytes()), "0 27 1 2 3 4 4 5 6[0 1 1] 6[0 1 1] 25");

    IOResult result = IO_ERROR;
    OstrivansHelper* back = LoadHelper(out.Bytes(), result);
    ASSERT_EQ(result, IO_OK);
    // The record tables have their sizes, with empty entries for the host to fill.
    EXPECT_EQ(Tables(back), Tables(h));
    EXPECT_EQ(Tables(back), "2 nodes 1 materials 0 layers, delete Window01 Fen\u00eatre \u7a97, renamed "
                            "Walls>Walls_local:1 Floors>Ground:0, time 1d9abcdef012345, refs 5");
    EXPECT_EQ(back->GetRefNode(1), nullptr);
}

TEST_F(HelperChunksTest, UnknownChunksAreSkippedAndDamagedOnesRefusedWithoutNamesLeft) {
    const auto renamed = [](std::vector<Piece> fields) { return ContainerChunk(0x0006, std::move(fields)); };
    const Piece goodLayer =
        renamed({TextChunk(0x0000, L"A"), TextChunk(0x0001, L"B"), ValueChunk<std::int32_t>(0x0001, 1)});
    struct Case {
        const char* what;
        std::vector<Piece> pieces;
        IOResult result;
        int refNodes; // with nothing else kept unless the block loads
    };
    const std::vector<Case> cases = {
        {"unknown ids between known ones",
         {kVersion, ValueChunk<std::int32_t>(0x0010, 5), ValueChunk<std::int32_t>(0x0001, 2),
          TextChunk(0x0030, L"later"), TextChunk(0x0004, L"Box02"), goodLayer,
          ContainerChunk(0x0028, {TextChunk(0x0000, L"x")})},
         IO_OK,
         2},
        {"no version first",
         {ValueChunk<std::int32_t>(0x0001, 2), kVersion, TextChunk(0x0004, L"Box02")},
         IO_ERROR,
         0},
        {"empty block", {}, IO_ERROR, 0},
        {"short version", {ValueChunk<std::uint16_t>(0x0000, 1), TextChunk(0x0004, L"Box02")}, IO_ERROR, 0},
        {"truncated count after names",
         {kVersion, ValueChunk<std::int32_t>(0x0001, 3), TextChunk(0x0004, L"Box02"), goodLayer,
          ValueChunk<std::uint16_t>(0x0002, 1)},
         IO_ERROR,
         3},
        {"huge count",
         {kVersion, TextChunk(0x0004, L"Box02"), ValueChunk<std::int32_t>(0x0001, 0x7fffffff)},
         IO_ERROR,
         0},
        {"negative count",
         {kVersion, TextChunk(0x0004, L"Box02"), ValueChunk<std::int32_t>(0x0002, -1)},
         IO_ERROR,
         0},
        {"huge layer count",
         {kVersion, goodLayer, ValueChunk<std::int32_t>(0x0025, 0x7ffffff0)},
         IO_ERROR,
         0},
        {"renamed layer without its integer",
         {kVersion, TextChunk(0x0004, L"Box02"), goodLayer,
          renamed({TextChunk(0x0000, L"A"), TextChunk(0x0001, L"B")})},
         IO_ERROR,
         0},
        {"renamed layer as plain data",
         {kVersion, TextChunk(0x0004, L"Box02"), TextChunk(0x0006, L"AB")},
         IO_ERROR,
         0},
        {"odd-length name", {kVersion, goodLayer, ValueChunk<std::uint8_t>(0x0004, 65)}, IO_ERROR, 0},
        {"short file time",
         {kVersion, TextChunk(0x0004, L"Box02"), ValueChunk<std::int32_t>(0x0027, 1)},
         IO_ERROR,
         0},
    };
    int n = 0;
    for (const Case& c : cases) {
        IOResult result = IO_OK;
        OstrivansHelper* h = LoadHelper(Block(c.pieces), result, WStr::Format(L"Back%d", n++).c_str());
        EXPECT_EQ(result, c.result) << c.what;
        const std::string tables = Tables(h);
        EXPECT_EQ(tables.substr(0, tables.find(", time")) + tables.substr(tables.find(", refs")),
                  std::to_string(c.refNodes) + " nodes 0 materials 0 layers, delete" +
                      (c.result == IO_OK ? " Box02, renamed A>B:1" : ", renamed") + ", refs " +
                      std::to_string(2 + c.refNodes))
            << c.what;
    }
}

TEST_F(HelperChunksTest, LayerSlotsKeepTheirPlacesAcrossASave) {
    // Three layer records, the second of which lost its layer before the save: it wrote an empty name.
    IOResult result = IO_ERROR;
    OstrivansHelper* h =
        Persisting(LoadHelper(Block({kVersion, ValueChunk<std::int32_t>(0x0025, 3), TextChunk(0x0026, L"Walls"),
                                     TextChunk(0x0026, L""), TextChunk(0x0026, L"Roof")}),
                              result, L"Ref01"));
    ASSERT_EQ(result, IO_OK);
    ASSERT_EQ(h->NumRefLayers(), 3);
    ILayer* walls = b.Layer("Walls");
    ILayer* roof = b.Layer("Roof");
    h->ReplaceReference(OstrivansHelper::kFirstRecordRef, walls);
    h->ReplaceReference(OstrivansHelper::kFirstRecordRef + 2, roof);
    roof->SetName(L"Attic");
    ChunkSave out;
    ASSERT_EQ(h->Save(&out), IO_OK);
    // The names are the file's names, whatever the scene calls the layers; the empty record's is empty.
    ChunkLoad in(out.Bytes());
    std::vector<std::string> names;
    while (in.OpenChunk() == IO_OK) {
        if (in.CurChunkID() == 0x0026) {
            MSTR name;
            in.ReadWStringChunk(name);
            names.push_back(name.ToUTF8());
        }
        in.CloseChunk();
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Walls", "", "Roof"}));

    SaveAndReopen("ostrivans-helper-layers");
    if (HasFatalFailure()) return;
    auto* back = dynamic_cast<OstrivansHelper*>(ip->GetINodeByName(L"Ref01")->GetObjectRef());
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(back->NumRefLayers(), 3);
    auto layerName = [&](int i) {
        auto* l = dynamic_cast<ILayer*>(back->GetRefLayer(i));
        return l ? l->GetName().ToUTF8() : std::string("null");
    };
    EXPECT_EQ(layerName(0), "Walls");
    EXPECT_EQ(layerName(1), "null");
    EXPECT_EQ(layerName(2), "Attic");
    EXPECT_EQ(back->GetRefLayerName(2).ToUTF8(), "Roof");

    // A layer the host deletes leaves its record's slot; the dump names each record's layer.
    ASSERT_TRUE(ip->GetLayerManager()->DeleteLayer(L"Walls"));
    EXPECT_EQ(layerName(0), "null");
    listener.Clear();
    back->PrintData(0);
    EXPECT_TRUE(Lines().ends_with("\nRefLayer: NULL\n\n\nRefLayer: NULL\n\n\nRefLayer: Attic\n\n")) << Lines();
}

TEST_F(HelperChunksTest, ALoadedReferenceReopensWithItsRecordsNamesAndFileTime) {
    // The referenced file: Wall01 (Brick, on layer Walls) with its child Door01 (Wood).
    INode* wall = b.Box("Wall01").Layer("Walls").Material(b.Standard("Brick")).Build();
    b.Box("Door01").Parent(wall).Material(b.Standard("Wood")).Build();
    const MSTR file = WStr::FromUTF8((dir_ / "walls.max").string());
    ASSERT_TRUE(ip->SaveToFile(file.c_str(), false, false)) << ip->GetLastFileError();
    ip->FileReset(TRUE);

    OstrivansHelper* h = Persisting(NewHelperNode(L"Ostrivan01"));
    {
        AccessorDisabler off(h);
        h->GetParamBlock()->SetValue(pb_filename, 0, file.c_str());
    }
    ASSERT_EQ(h->Load(), 1) << Lines();
    h->AddNodeToDelete(L"Window01");
    // The user renames the file's layer; a collection (the save runs one) records it.
    ASSERT_TRUE(ip->GetLayerManager()->GetLayer(L"Walls")->SetName(L"Walls_local"));
    ASSERT_NE(h->GetFileTime(), 0u);
    ReferenceUnload::CollectHelper(h);
    const std::string tables = Tables(h);
    const std::vector<std::string> before = RecordRows(h);

    LoadCounter loads;
    SaveAndReopen("ostrivans-helper-reopen");
    if (HasFatalFailure()) return;
    auto* back = dynamic_cast<OstrivansHelper*>(ip->GetINodeByName(L"Ostrivan01")->GetObjectRef());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(RecordRows(back), before);
    for (const std::string& row : before) EXPECT_TRUE(row.ends_with(" bound")) << row;
    EXPECT_EQ(Tables(back), tables);
    EXPECT_TRUE(tables.starts_with("2 nodes 2 materials 1 layers, delete Window01, renamed Walls>Walls_local:0"))
        << tables;
    auto* wood = dynamic_cast<RefMaterial*>(RefBase::FromItem(ip->GetINodeByName(L"Door01")->GetMtl()));
    ASSERT_NE(wood, nullptr);
    EXPECT_EQ(wood->GetReferencedName(), WStr(L"Wood"));
    EXPECT_EQ(wood->GetHelper(), back);
    // Persisting with a manual reload: the reopened helper merged nothing.
    EXPECT_EQ(loads.count, 0);
    EXPECT_EQ(ip->GetINodeByName(L"Wall01")->NumberOfChildren(), 1);
}
