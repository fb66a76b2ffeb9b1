// Materials, maps and the material library: slot tables, messages, weak library entries, generic classes,
// undo and persistence.
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
#include "tests/support/HostChecks.h"

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

TEST_F(MaterialTest, MultiSubSetCountMovesTheFourTablesTogetherAndSubMaterialsLiveWhileHeld) {
    MultiMtl* m = new MultiMtl(FALSE, 3);
    g.Link(scene, 0, m);
    IParamBlock2* pb = m->GetParamBlock(0);
    EXPECT_EQ(Counts(pb), (std::vector<int>{3, 3, 3, 3}));
    EXPECT_EQ(Ids(m), (std::vector<int>{1, 2, 3}));

    m->SetNumSubMtls(5);
    EXPECT_EQ(Counts(pb), (std::vector<int>{5, 5, 5, 5}));
    EXPECT_EQ(Ids(m), (std::vector<int>{1, 2, 3, 4, 5}));
    ASSERT_NE(m->GetSubMtl(4), nullptr);
    EXPECT_EQ(m->GetSubMtl(4)->GetName(), MSTR(L"Material #5"));
    EXPECT_TRUE(pb->GetInt(multi_ons, 0, 4));
    EXPECT_EQ(m->NumSubs(), 5);

    // Through one table: the others follow, and the slots it gained start like new slots. A dropped
    // sub-material goes unless something else holds it.
    const AnimHandle third = Animatable::GetHandleByAnim(m->GetSubMtl(2));
    const AnimHandle shared = Animatable::GetHandleByAnim(m->GetSubMtl(4));
    g.Link(scene, 1, m->GetSubMtl(4));
    pb->SetCount(multi_names, 2);
    EXPECT_EQ(Counts(pb), (std::vector<int>{2, 2, 2, 2}));
    EXPECT_FALSE(Alive(third));
    EXPECT_TRUE(Alive(shared));
    pb->SetCount(multi_ids, 4);
    EXPECT_EQ(Counts(pb), (std::vector<int>{4, 4, 4, 4}));
    EXPECT_EQ(Ids(m), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_TRUE(pb->GetInt(multi_ons, 0, 3));
    EXPECT_EQ(m->GetSubMtl(3), nullptr); // a table resize makes no materials
    EXPECT_EQ(m->SubAnimName(3), MSTR(L"(4)"));
    pb->SetValue(multi_names, 0, L"Glass", 1);
    EXPECT_EQ(m->SubAnimName(1), MSTR(L"(2) Glass"));
    // The multi-material's end takes the sub-materials only it held.
    const AnimHandle multi = Animatable::GetHandleByAnim(m), first = Animatable::GetHandleByAnim(m->GetSubMtl(0));
    scene->DeleteReference(0);
    EXPECT_FALSE(Alive(multi) || Alive(first));
    EXPECT_TRUE(Alive(shared));
}

// Every edit of a material, a map or the library is one undo step that gives back the exact dump, and it
// tells the dependents with its own message: a structure change only when a slot count changes, a
// display-only part for the viewport map, a material part for flags and the effects channel.
TEST_F(MaterialTest, EachEditSendsItsMessageAndUndoesExactly) {
    MultiMtl* m = new MultiMtl(FALSE, 3);
    g.Link(scene, 0, m);
    auto* std0 = static_cast<StdMaterial*>(m->GetSubMtl(0));
    auto* tex = static_cast<BitmapTex*>(NewDefaultBitmapTex());
    std0->SetSubTexmap(ID_DI, tex);
    MtlBaseLib* lib = NewMtlBaseLib();
    g.Link(g.Maker("Helper"), 0, lib);
    std::vector<Mtl*> own;
    for (int i = 0; i < 3; ++i) {
        own.push_back(NewDefaultStdMat());
        own.back()->SetName(WStr::Format(L"M%d", i));
        g.Link(scene, i + 1, own.back());
        lib->Add(own.back());
    }
    struct Row {
        const char* name;
        RefMessage message;
        PartID part; // of every change message, 0 when any
        std::function<void()> edit;
    };
    const Row rows[] = {
        {"grow", REFMSG_SUBANIM_STRUCTURE_CHANGED, 0, [&] { m->SetNumSubMtls(5); }},
        {"shrink one table", REFMSG_SUBANIM_STRUCTURE_CHANGED, 0,
         [&] { m->GetParamBlock(0)->SetCount(multi_ids, 2); }},
        {"slot id and name", REFMSG_CHANGE, 0, [&] { m->SetSlotID(0, 7), m->GetParamBlock(0)->SetValue(multi_names, 0, L"Brick", 0); }},
        {"rename", REFMSG_NODE_NAMECHANGE, 0, [&] { std0->SetName(L"Stone"); }},
        {"viewport map", REFMSG_CHANGE, PartID(0x40), [&] { std0->SetActiveTexmap(tex); }},
        {"flags and channel", REFMSG_CHANGE, PART_MTL,
         [&] { std0->SetMtlFlag(MTL_HW_MAT_ENABLED | (3u << MTL_SAMPLE_TYPE_SHIFT)), std0->SetGBufID(9); }},
        {"bitmap file", REFMSG_CHANGE, 0, [&] { tex->GetParamBlock(0)->SetValue(bmtex_filename, 0, L"C:\\maps\\brick.png"); }},
        {"library", REFMSG_SUBANIM_STRUCTURE_CHANGED, 0,
         [&] { lib->Remove(own[1]), lib->SetEntry(0, own[2]), lib->RemoveDuplicates(); }},
    };
    for (const Row& r : rows) {
        g.heard.clear();
        ExpectUndoRedoExact([&] { return Dump(m) + Dump(lib); }, r.edit, r.name);
        EXPECT_FALSE(Heard(r.message).empty()) << r.name;
        EXPECT_TRUE(r.message == REFMSG_SUBANIM_STRUCTURE_CHANGED || Heard(REFMSG_SUBANIM_STRUCTURE_CHANGED).empty())
            << r.name;
        for (const HeardMessage& h : Heard(REFMSG_CHANGE))
            EXPECT_TRUE(r.part == 0 || h.part == r.part) << r.name;
    }
    EXPECT_EQ(Dump(lib), "MtlBaseLib count 1\n  [0] \"M2\" Standard\n");
    // The file name is the block's image record, both ways.
    tex->GetParamBlock(0)->SetValue(bmtex_bitmap, 0, L"stone.png");
    EXPECT_EQ(MSTR(tex->GetParamBlock(0)->GetStr(bmtex_filename)), MSTR(L"stone.png"));
    // The active map is not a reference: a deleted map reads as none.
    std0->SetSubTexmap(ID_DI, nullptr);
    EXPECT_EQ(std0->GetActiveTexmap(), nullptr);
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

TEST_F(MaterialTest, GenericClassesAnswerWhatTheyAreConfiguredWith) {
    GenericMtlConfig cfg;
    cfg.classId = Class_ID(0x4B9937E0, 0x3A1C3DA4);
    cfg.className = L"Blend Test";
    cfg.params = {MakeParamDef(0, L"mix", TYPE_FLOAT, P_ANIMATABLE, PB2Value::Float(0.5f))};
    cfg.numSubMtls = 2;
    cfg.numSubTexmaps = 1;
    cfg.canCopyTrack = TRUE;
    cfg.interfaces = {Interface_ID(0x11, 0x22)};
    auto* mtl = static_cast<Mtl*>(RegisterGenericMtlClass(cfg)->Create(FALSE));
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
    auto* map = static_cast<MtlBase*>(RegisterGenericMtlClass(plain)->Create(FALSE));
    ASSERT_NE(map, nullptr);
    g.Link(scene, 1, map);
    EXPECT_EQ(map->SuperClassID(), TEXMAP_CLASS_ID);
    EXPECT_EQ(map->NumSubs() + map->NumParamBlocks(), 0);
    EXPECT_FALSE(map->CanCopyAnim());
}

TEST_F(MaterialTest, CloneCopiesSubMaterialsParametersAndTheActiveMapAndChunksKeepOwnState) {
    MultiMtl* m = new MultiMtl(FALSE, 2);
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

    // Name, flags and effects channel are the material's own chunks; its blocks come back as references.
    std0->SetName(L"Ziegel \u00e9");
    std0->SetMtlFlag(MTL_BGROUND | MTL_VIDCOLOR_CHECK);
    std0->SetGBufID(3);
    Mtl* loaded = ChunkRoundTrip<Mtl>(std0);
    ASSERT_NE(loaded, nullptr);
    g.Link(scene, 2, loaded);
    EXPECT_EQ(loaded->NumParamBlocks(), 2);
    EXPECT_EQ(loaded->GetParamBlock(0), nullptr);
    EXPECT_EQ(loaded->GetName(), std0->GetName());
    EXPECT_EQ(loaded->GetMtlFlags(), std0->GetMtlFlags());
    EXPECT_EQ(loaded->GetGBufID(), 3u);
}
