// Materials, maps and the material library: slot tables, messages, weak library entries, generic classes,
// undo and persistence.
#include "host/core/ChunkLoad.h"
#include "host/core/ChunkSave.h"
#include "host/core/ClassDirectory.h"
#include "host/core/Hold.h"
#include "host/core/RemapDir.h"
#include "host/scene/Mtl.h"
#include "host/scene/materials/BitmapTex.h"
#include "host/scene/materials/GenericMtl.h"
#include "host/scene/materials/MultiMaterial.h"
#include "host/scene/materials/ParamDefBuilder.h"
#include "host/scene/materials/StdMaterial.h"
#include "tests/support/GraphBuilder.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

std::string Dump(MtlBase* m) {
    std::ostringstream os;
    DumpMtlBase(m, os);
    return os.str();
}

std::string Dump(MtlBaseLib* lib) {
    std::ostringstream os;
    DumpMtlBaseLib(lib, os);
    return os.str();
}

bool Alive(AnimHandle h) { return Animatable::GetAnimByHandle(h) != nullptr; }

class MaterialTest : public ::testing::Test {
protected:
    void SetUp() override { RegisterMaterialClasses(); }

    // Messages the scene heard, with their parts.
    std::vector<HeardMessage> Heard(RefMessage msg) const {
        std::vector<HeardMessage> out;
        for (const HeardMessage& h : g.heard)
            if (h.message == msg) out.push_back(h);
        return out;
    }

    GraphBuilder g;
    TestMaker* scene = g.Maker("Scene", 4);
};

std::vector<int> Ids(MultiMtl* m) {
    std::vector<int> v;
    for (int i = 0; i < m->GetParamBlock(0)->Count(multi_ids); ++i) v.push_back(m->GetSlotID(i));
    return v;
}

std::vector<int> Counts(IParamBlock2* pb) {
    return {pb->Count(multi_mtls), pb->Count(multi_ons), pb->Count(multi_names), pb->Count(multi_ids)};
}

} // namespace

TEST_F(MaterialTest, MultiSubSetCountMovesTheFourTablesTogether) {
    MultiMtl* m = NewMultiMtl(3);
    g.Link(scene, 0, m);
    IParamBlock2* pb = m->GetParamBlock(0);
    EXPECT_EQ(Counts(pb), (std::vector<int>{3, 3, 3, 3}));
    EXPECT_EQ(Ids(m), (std::vector<int>{1, 2, 3}));

    m->SetNumSubMtls(5);
    EXPECT_EQ(Counts(pb), (std::vector<int>{5, 5, 5, 5}));
    EXPECT_EQ(Ids(m), (std::vector<int>{1, 2, 3, 4, 5}));
    ASSERT_NE(m->GetSubMtl(4), nullptr);
    EXPECT_EQ(m->GetSubMtl(4)->GetName(), MSTR(L"Material #5"));
    EXPECT_TRUE(m->GetSlotOn(4));
    EXPECT_EQ(m->NumSubs(), 5);

    // Through one table: the others follow, and the slots it gained start like new slots.
    const AnimHandle third = Animatable::GetHandleByAnim(m->GetSubMtl(2));
    pb->SetCount(multi_names, 2);
    EXPECT_EQ(Counts(pb), (std::vector<int>{2, 2, 2, 2}));
    EXPECT_FALSE(Alive(third)); // nothing else held it
    pb->SetCount(multi_ids, 4);
    EXPECT_EQ(Counts(pb), (std::vector<int>{4, 4, 4, 4}));
    EXPECT_EQ(Ids(m), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_TRUE(m->GetSlotOn(3));
    EXPECT_EQ(m->GetSubMtl(3), nullptr); // a table resize makes no materials
    EXPECT_EQ(m->SubAnimName(3), MSTR(L"(4)"));
    m->SetSlotName(1, L"Glass");
    EXPECT_EQ(m->SubAnimName(1), MSTR(L"(2) Glass"));
}

TEST_F(MaterialTest, MultiSubStructureMessageOnlyForCountChanges) {
    MultiMtl* m = NewMultiMtl(2);
    g.Link(scene, 0, m);
    g.heard.clear();
    m->SetSlotID(0, 7);
    m->SetSlotName(0, L"Brick");
    EXPECT_TRUE(Heard(REFMSG_SUBANIM_STRUCTURE_CHANGED).empty());
    EXPECT_FALSE(Heard(REFMSG_CHANGE).empty());

    m->GetParamBlock(0)->SetCount(multi_ons, 3);
    EXPECT_EQ(Heard(REFMSG_SUBANIM_STRUCTURE_CHANGED).size(), 1u);
    // The block's last notified table is the one that was changed, for every dependent that hears it.
    int tab = 0;
    EXPECT_EQ(m->GetParamBlock(0)->LastNotifyParamID(tab), multi_ons);
    EXPECT_EQ(tab, -1);
}

TEST_F(MaterialTest, SubMaterialsLiveAsLongAsTheirMultiMaterialHoldsThem) {
    MultiMtl* m = NewMultiMtl(3);
    g.Link(scene, 0, m);
    Mtl* shared = m->GetSubMtl(2);
    g.Link(scene, 1, shared); // also used elsewhere
    const AnimHandle first = Animatable::GetHandleByAnim(m->GetSubMtl(0));
    const AnimHandle sharedHandle = Animatable::GetHandleByAnim(shared);

    m->SetNumSubMtls(1);
    EXPECT_TRUE(Alive(first));
    EXPECT_TRUE(Alive(sharedHandle));

    const AnimHandle multi = Animatable::GetHandleByAnim(m);
    scene->DeleteReference(0);
    EXPECT_FALSE(Alive(multi));
    EXPECT_FALSE(Alive(first));
    EXPECT_TRUE(Alive(sharedHandle));
}

TEST_F(MaterialTest, UndoOfSlotCountChangesGivesBackTheExactMaterial) {
    MultiMtl* m = NewMultiMtl(3);
    g.Link(scene, 0, m);
    m->SetSlotName(1, L"Glass");
    const std::string before = Dump(m);

    theHold.Begin();
    m->SetNumSubMtls(5);
    theHold.Accept(L"Grow");
    const std::string grown = Dump(m);
    theHold.Begin();
    m->GetParamBlock(0)->SetCount(multi_ids, 1);
    theHold.Accept(L"Shrink");
    const std::string shrunk = Dump(m);
    EXPECT_NE(grown, before);
    EXPECT_NE(shrunk, grown);

    g.heard.clear();
    ASSERT_TRUE(theHold.Undo());
    EXPECT_EQ(Dump(m), grown);
    EXPECT_FALSE(Heard(REFMSG_SUBANIM_STRUCTURE_CHANGED).empty());
    ASSERT_TRUE(theHold.Undo());
    EXPECT_EQ(Dump(m), before);
    ASSERT_TRUE(theHold.Redo());
    EXPECT_EQ(Dump(m), grown);
    ASSERT_TRUE(theHold.Redo());
    EXPECT_EQ(Dump(m), shrunk);
}

TEST_F(MaterialTest, RenameNotifiesNameChangeAndUndoes) {
    Mtl* mtl = NewDefaultStdMat();
    mtl->SetName(L"Brick");
    g.Link(scene, 0, mtl);
    g.heard.clear();

    theHold.Begin();
    mtl->SetName(L"Stone");
    theHold.Accept(L"Rename");
    ASSERT_EQ(Heard(REFMSG_NODE_NAMECHANGE).size(), 1u);
    mtl->SetName(L"Stone"); // no change, no message
    EXPECT_EQ(Heard(REFMSG_NODE_NAMECHANGE).size(), 1u);

    ASSERT_TRUE(theHold.Undo());
    EXPECT_EQ(mtl->GetName(), MSTR(L"Brick"));
    EXPECT_EQ(Heard(REFMSG_NODE_NAMECHANGE).size(), 2u); // undo tells the dependents too
    ASSERT_TRUE(theHold.Redo());
    EXPECT_EQ(mtl->GetName(), MSTR(L"Stone"));
}

TEST_F(MaterialTest, ActiveViewportMapChangeIsDisplayOnly) {
    Mtl* mtl = NewDefaultStdMat();
    Texmap* map = NewDefaultBitmapTex();
    map->SetName(L"Bricks");
    mtl->SetSubTexmap(ID_DI, map);
    g.Link(scene, 0, mtl);
    g.heard.clear();

    theHold.Begin();
    mtl->SetActiveTexmap(map);
    theHold.Accept(L"Show Map");
    auto changes = Heard(REFMSG_CHANGE);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].part, PartID(0x40));
    EXPECT_EQ(mtl->GetActiveTexmap(), map);

    // Flags and the effects channel are material changes, not display ones.
    g.heard.clear();
    mtl->SetMtlFlag(MTL_BACKLIGHT);
    mtl->SetGBufID(5);
    changes = Heard(REFMSG_CHANGE);
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].part, PART_MTL);
    EXPECT_EQ(changes[1].part, PART_MTL);

    g.heard.clear();
    ASSERT_TRUE(theHold.Undo());
    EXPECT_EQ(mtl->GetActiveTexmap(), nullptr);
    changes = Heard(REFMSG_CHANGE);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].part, PartID(0x40));

    // The active map is not a reference: a deleted map reads as none.
    ASSERT_TRUE(theHold.Redo());
    mtl->SetSubTexmap(ID_DI, nullptr);
    EXPECT_EQ(mtl->GetActiveTexmap(), nullptr);
}

TEST_F(MaterialTest, FlagsAndChannelUndoToTheExactDump) {
    Mtl* mtl = NewDefaultStdMat();
    g.Link(scene, 0, mtl);
    const std::string before = Dump(mtl);
    theHold.Begin();
    mtl->SetMtlFlag(MTL_HW_MAT_ENABLED);
    mtl->SetMtlFlag(3u << MTL_SAMPLE_TYPE_SHIFT);
    mtl->SetGBufID(9);
    theHold.Accept(L"Flags");
    EXPECT_EQ(mtl->GetMtlFlags(), MTL_HW_MAT_ENABLED | 0xC00u);
    const std::string after = Dump(mtl);
    ASSERT_TRUE(theHold.Undo());
    EXPECT_EQ(Dump(mtl), before);
    ASSERT_TRUE(theHold.Redo());
    EXPECT_EQ(Dump(mtl), after);
}

TEST_F(MaterialTest, LibraryHoldsEntriesWeaklyAndAnnouncesEveryAddition) {
    MtlBaseLib* lib = NewMtlBaseLib();
    TestMaker* helper = g.Maker("Helper");
    g.Link(helper, 0, lib);
    Mtl* a = NewDefaultStdMat();
    a->SetName(L"A");
    Mtl* b = NewDefaultStdMat();
    b->SetName(L"B");
    g.Link(scene, 0, a);
    g.Link(scene, 1, b);
    g.heard.clear();

    EXPECT_EQ(lib->Add(a), 0);
    EXPECT_EQ(lib->Add(b), 1);
    EXPECT_EQ(lib->Add(a), 0); // already there: no second entry, no message
    std::vector<std::string> heardByHelper;
    for (const HeardMessage& h : g.heard)
        if (h.receiver == "Helper") heardByHelper.push_back(std::to_string(h.message));
    EXPECT_EQ(heardByHelper, (std::vector<std::string>(2, std::to_string(REFMSG_SUBANIM_STRUCTURE_CHANGED))));

    EXPECT_EQ(lib->FindMtlByName(L"B"), 1);
    b->SetName(L"Bee");
    EXPECT_EQ(lib->FindMtlByName(L"B"), -1);
    EXPECT_EQ(lib->FindMtlByName(L"Bee"), 1);

    // The library keeps nothing alive: the material goes, its entry stays as an empty slot.
    const AnimHandle ha = Animatable::GetHandleByAnim(a);
    scene->DeleteReference(0);
    EXPECT_FALSE(Alive(ha));
    EXPECT_EQ(lib->Count(), 2);
    EXPECT_EQ((*lib)[0], nullptr);
    EXPECT_EQ(lib->FindMtlByName(L"A"), -1);
    EXPECT_EQ(Dump(lib), "MtlBaseLib count 2\n  [0] empty\n  [1] \"Bee\" Standard\n");

    // Removing and emptying never delete materials either.
    Mtl* c = NewDefaultStdMat();
    lib->Add(c); // c is referenced by nothing else
    lib->Remove(b);
    EXPECT_EQ(lib->FindMtl(c), 1);
    lib->Empty();
    EXPECT_EQ(lib->Count(), 0);
    EXPECT_TRUE(Alive(Animatable::GetHandleByAnim(c)));
    c->MaybeAutoDelete();
}

TEST_F(MaterialTest, LibraryEditsUndoInOrderAndTellDependents) {
    MtlBaseLib* lib = NewMtlBaseLib();
    TestMaker* helper = g.Maker("Helper");
    g.Link(helper, 0, lib);
    std::vector<Mtl*> m;
    for (int i = 0; i < 4; ++i) {
        m.push_back(NewDefaultStdMat());
        m.back()->SetName(WStr::Format(L"M%d", i));
        g.Link(scene, i, m.back());
        lib->Add(m.back());
    }
    const std::string before = Dump(lib);

    theHold.Begin();
    lib->Remove(m[1]);
    lib->SetEntry(0, m[3]);
    lib->RemoveDuplicates();
    theHold.Accept(L"Library");
    const std::string after = Dump(lib);
    EXPECT_EQ(after, "MtlBaseLib count 2\n  [0] \"M3\" Standard\n  [1] \"M2\" Standard\n");
    EXPECT_EQ(lib->FindMtl(m[3]), 0);

    g.heard.clear();
    ASSERT_TRUE(theHold.Undo());
    EXPECT_EQ(Dump(lib), before);
    EXPECT_EQ(lib->FindMtl(m[1]), 1);
    EXPECT_EQ(lib->FindMtlByName(L"M3"), 3);
    bool told = false;
    for (const HeardMessage& h : g.heard) told = told || (h.receiver == "Helper" && h.message == REFMSG_SUBANIM_STRUCTURE_CHANGED);
    EXPECT_TRUE(told);
    ASSERT_TRUE(theHold.Redo());
    EXPECT_EQ(Dump(lib), after);
}

TEST_F(MaterialTest, GenericClassesAnswerWhatTheyAreConfiguredWith) {
    GenericMtlConfig cfg;
    cfg.classId = Class_ID(0x4B9937E0, 0x3A1C3DA4);
    cfg.className = L"Blend Test";
    cfg.params = {MakeParamDef(0, L"mix", TYPE_FLOAT, P_ANIMATABLE, PB2Value::Float(0.5f))};
    cfg.numSubMtls = 2;
    cfg.numSubTexmaps = 1;
    cfg.canCopyTrack = TRUE;
    cfg.interfaces = {Interface_ID(0x11, 0x22)};
    auto* mtl = static_cast<Mtl*>(CreateGenericMtl(cfg));
    ASSERT_NE(mtl, nullptr);
    g.Link(scene, 0, mtl);
    EXPECT_EQ(mtl->SuperClassID(), MATERIAL_CLASS_ID);
    EXPECT_EQ(mtl->ClassID(), cfg.classId);
    EXPECT_TRUE(mtl->CanCopyAnim());
    EXPECT_TRUE(mtl->CanCopyTrack(FOREVER, 0));
    EXPECT_NE(mtl->GetInterface(Interface_ID(0x11, 0x22)), nullptr);
    EXPECT_EQ(mtl->GetInterface(Interface_ID(0x11, 0x23)), nullptr);
    EXPECT_EQ(mtl->NumSubs(), 4); // two materials, a map, the block
    EXPECT_EQ(mtl->NumParamBlocks(), 1);
    EXPECT_FLOAT_EQ(mtl->GetParamBlock(0)->GetFloat(0), 0.5f);

    // A slot is a real reference: the material keeps its sub-material.
    Mtl* sub = NewDefaultStdMat();
    mtl->SetSubMtl(1, sub);
    EXPECT_EQ(mtl->SubAnim(1), sub);
    EXPECT_EQ(mtl->SubNumToRefNum(1), 2);

    EXPECT_EQ(RegisterGenericMtlClass(cfg), GetClassDirectory().FindClass(MATERIAL_CLASS_ID, cfg.classId));
    GenericMtlConfig clash = cfg;
    clash.numSubMtls = 1;
    EXPECT_EQ(RegisterGenericMtlClass(clash), nullptr);
    GenericMtlConfig std = cfg;
    std.classId = DMTL_CLASS_ID;
    EXPECT_EQ(RegisterGenericMtlClass(std), nullptr); // the standard material's id is taken

    // A plain map: no block, no slots; it fails the primary test when told to.
    GenericMtlConfig plain;
    plain.superClassId = TEXMAP_CLASS_ID;
    plain.classId = Class_ID(0x4C693CD7, 0x05FC76AC);
    plain.className = L"Plain Map Test";
    plain.canCopyAnim = FALSE;
    MtlBase* map = CreateGenericMtl(plain);
    ASSERT_NE(map, nullptr);
    g.Link(scene, 1, map);
    EXPECT_EQ(map->SuperClassID(), TEXMAP_CLASS_ID);
    EXPECT_EQ(map->NumSubs() + map->NumParamBlocks(), 0);
    EXPECT_FALSE(map->CanCopyAnim());
}

TEST_F(MaterialTest, CloneCopiesSubMaterialsParametersAndTheActiveMap) {
    MultiMtl* m = NewMultiMtl(2);
    m->SetName(L"Multi");
    auto* std0 = static_cast<StdMaterial*>(m->GetSubMtl(0));
    std0->SetDiffuse(Point3(1, 0, 0));
    Texmap* map = NewDefaultBitmapTex();
    std0->SetSubTexmap(ID_DI, map);
    std0->SetActiveTexmap(map);
    g.Link(scene, 0, m);

    auto* copy = CloneRefHierarchy(m);
    ASSERT_NE(copy, nullptr);
    g.Link(scene, 1, copy);
    EXPECT_EQ(Dump(copy), Dump(m));
    auto* copy0 = static_cast<StdMaterial*>(copy->GetSubMtl(0));
    EXPECT_NE(copy0, std0);
    EXPECT_NE(copy0->GetSubTexmap(ID_DI), map);
    EXPECT_EQ(copy0->GetActiveTexmap(), copy0->GetSubTexmap(ID_DI));
    copy0->SetDiffuse(Point3(0, 1, 0));
    EXPECT_EQ(std0->GetDiffuse(), Point3(1, 0, 0));
}

TEST_F(MaterialTest, BitmapFileNameAndImageRecordStayEqual) {
    auto* tex = static_cast<BitmapTex*>(NewDefaultBitmapTex());
    g.Link(scene, 0, tex);
    IParamBlock2* pb = tex->GetParamBlock(0);
    theHold.Begin();
    tex->SetMapName(L"C:\\maps\\brick.png");
    theHold.Accept(L"File");
    EXPECT_EQ(MSTR(pb->GetStr(bmtex_bitmap)), MSTR(L"C:\\maps\\brick.png"));
    pb->SetValue(bmtex_bitmap, 0, L"stone.png");
    EXPECT_EQ(tex->GetMapName(), MSTR(L"stone.png"));
    ASSERT_TRUE(theHold.Undo()); // undoes the first step only; the second was outside the hold
    EXPECT_EQ(tex->GetMapName(), MSTR(L""));
    EXPECT_EQ(MSTR(pb->GetStr(bmtex_bitmap)), MSTR(L""));
}

TEST_F(MaterialTest, OwnStateRoundTripsThroughChunks) {
    Mtl* mtl = NewDefaultStdMat();
    mtl->SetName(L"Ziegel \u00e9");
    mtl->SetMtlFlag(MTL_BGROUND | MTL_VIDCOLOR_CHECK);
    mtl->SetGBufID(3);
    g.Link(scene, 0, mtl);
    ChunkSave save;
    save.BeginChunk(0x10);
    ASSERT_EQ(mtl->Save(&save), IO_OK);
    save.EndChunk();
    ASSERT_EQ(save.Commit(), IO_OK);

    auto* loaded = static_cast<Mtl*>(GetClassDirectory().CreateInstance(MATERIAL_CLASS_ID, DMTL_CLASS_ID, true));
    ASSERT_NE(loaded, nullptr);
    g.Link(scene, 1, loaded);
    EXPECT_EQ(loaded->NumParamBlocks(), 2);
    EXPECT_EQ(loaded->GetParamBlock(0), nullptr); // blocks come back as references
    ChunkLoad load(save.Bytes());
    ASSERT_EQ(load.OpenChunk(), IO_OK);
    ASSERT_EQ(loaded->Load(&load), IO_OK);
    EXPECT_EQ(loaded->GetName(), mtl->GetName());
    EXPECT_EQ(loaded->GetMtlFlags(), mtl->GetMtlFlags());
    EXPECT_EQ(loaded->GetGBufID(), 3u);
}

TEST_F(MaterialTest, DumpShowsNameClassBlocksAndFilledMaps) {
    auto* mtl = static_cast<StdMaterial*>(NewDefaultStdMat());
    mtl->SetName(L"Brick");
    Texmap* map = NewDefaultBitmapTex();
    map->SetName(L"Bricks");
    mtl->SetSubTexmap(ID_DI, map);
    mtl->SetActiveTexmap(map);
    g.Link(scene, 0, mtl);
    const std::string d = Dump(mtl);
    EXPECT_EQ(d.rfind("Mtl \"Brick\" Standard (0x2, 0x0) flags 0x0 gbuf 0 active \"Bricks\"\n", 0), 0u) << d;
    EXPECT_NE(d.find("  ParamBlock2 \"shaderParameters\" id 0\n"), std::string::npos) << d;
    EXPECT_NE(d.find("  map 1 \"Diffuse Color\":\n    Texmap \"Bricks\" Bitmap (0x240, 0x0)"), std::string::npos) << d;
    EXPECT_EQ(d.find("map 0 "), std::string::npos) << d; // empty slots are left out
    EXPECT_EQ(mtl->GetParamBlock(1)->GetInt(std_map_enables, 0, ID_DI), 1);
}
