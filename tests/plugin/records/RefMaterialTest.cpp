// The material record: creation with its one "Material" child, Update swapping the fresh material in (also
// in the scene library), rename detection with and without the helper's prefix, the load's unique renaming,
// real dependencies by operation, Clone, the listener texts and the error reports.
#include "plugin/records/RefMaterial.h"
#include "host/core/ChunkLoad.h"
#include "host/core/ChunkSave.h"
#include "host/core/ClassDirectory.h"
#include "host/core/FPInterface.h"
#include "host/core/Hold.h"
#include "host/core/MaxException.h"
#include "host/core/RemapDir.h"
#include "host/scene/Interface.h"
#include "host/scene/Mtl.h"
#include "plugin/anims/RefAnim.h"
#include "plugin/frame/OstrivansMessages.h"
#include "plugin/helper/OstrivansHelperClassDesc.h"
#include "plugin/records/RefHolder.h"
#include "tests/plugin/helper/HelperTestSupport.h"
#include "tests/support/ChunkIds.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace {

// A mirror whose collect fails with a host error.
class FailingMirror : public RefAnim {
public:
    void CollectLocDep(DWORD) override { throw MAXException(L"no stream", 7); }
};

// What the listener texts show for a material pointer.
int Tag(Mtl* m) {
    return static_cast<int>(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(m)));
}

const std::vector<std::string> kStandardRows = {
    "RefAnimMtl Material #1",
    "RefAnimPblock2 Material/shaderParameters #1.3",
    "RefAnimPblock2 Material/maps #1.4",
};
const std::string kStandardTable = kStandardRows[0] + "\n" + kStandardRows[1] + "\n" + kStandardRows[2] + "\n";

class RefMaterialTest : public HelperFixture {
protected:
    void SetUp() override {
        HelperFixture::SetUp();
        helper = NewHelperNode(L"Ref01");
        brick = b.Standard("Brick");
        box = b.Box("Box01").Material(brick).Build();
    }
    void TearDown() override {
        for (RefBase* r : loose)
            r->MaybeAutoDelete();
        HelperFixture::TearDown();
    }
    RefMaterial* Record(Mtl* m) {
        auto* r = new RefMaterial(m, helper);
        helper->AppendRefMaterial(r);
        return r;
    }
    void UsePrefix(bool on) { helper->GetParamBlock()->SetValue(pb_use_name_prefix, 0, on ? 1 : 0); }
    static void Rename(Mtl* m, const wchar_t* name) {
        Step([&] { m->SetName(name); });
    }
    static MtlBaseLib* Lib() { return GetCOREInterface()->GetSceneMtls(); }
    static int Occurrences(Mtl* m) {
        int n = 0;
        for (int i = 0; i < Lib()->Count(); ++i)
            n += (*Lib())[i] == m;
        return n;
    }
    static std::string State(RefMaterial* r) {
        return WStr(r->GetMaterial() ? r->GetMaterial()->GetName() : MSTR(L"<none>")).ToUTF8() + " | " +
               r->GetOverriddenName().ToUTF8() + " | " + std::to_string(r->GetMaterialFlags());
    }
    // The referenced name and State, whether it has overrides or is busy, then its mirror table.
    static std::string Summary(RefMaterial* r) {
        return r->GetReferencedName().ToUTF8() + " | " + State(r) + (r->HasOverrides() ? " overrides" : "") +
               (r->IsBusy() ? " busy" : "") + "\n" + MirrorTable(r);
    }

    OstrivansHelper* helper = nullptr;
    Mtl* brick = nullptr;
    INode* box = nullptr;
    std::vector<RefBase*> loose;
};

TEST_F(RefMaterialTest, CreationNamesTheRecordAndMirrorsBelowItsOneMaterialChild) {
    RefMaterial* rec = Record(brick);
    EXPECT_EQ(Summary(rec), "Brick | Brick |  | 0\n" + kStandardTable);
    // The record is its own root, with the material as its only sub-animatable.
    const bool bound = rec->GetHelper() == helper && rec->GetRootAnim() == rec && rec->NumSubs() == 1 &&
                       rec->SubAnim(0) == brick && !rec->SubAnim(1) && RefBase::FromItem(brick) == rec &&
                       rec->GetMirror(0)->GetAnim() == brick;
    EXPECT_TRUE(bound);
    EXPECT_EQ(rec->SubAnimName(0), MSTR(L"Material"));
    // Without a material there is nothing to name or mirror.
    EXPECT_EQ(Summary(Record(nullptr)), " | <none> |  | 0\n");
}

TEST_F(RefMaterialTest, UpdateSwapsTheFreshMaterialInEverywhereAndRenamesIt) {
    RefMaterial* rec = Record(brick);
    Rename(brick, L"Wall");
    ASSERT_EQ(State(rec), "Wall | Wall | 6");
    rec->GetMirror(1)->SetOverriddenState(REFANIM_MODIFIED);
    RefAnim* kept = rec->GetMirror(1);
    const AnimHandle plainMaterial = Animatable::GetHandleByAnim(rec->GetMirror(0));
    const AnimHandle plainMaps = Animatable::GetHandleByAnim(rec->GetMirror(2));

    // What a merge does: the fresh material is listed in the library already.
    Mtl* fresh = b.Standard("Brick");
    const int at = Lib()->FindMtl(brick);
    ASSERT_GE(at, 0);
    Lib()->Add(fresh);
    const int count = Lib()->Count();
    {
        OperationCodeGuard code(OperationCode::Load);
        rec->Update(fresh);
    }
    // The user's name is put on the fresh material (that is no new rename); the changed block mirror stayed
    // first and follows the fresh block, the unchanged mirrors were dropped and made again for the fresh
    // material.
    const std::string after = "Brick | Wall | Wall | 6 overrides\n" + kStandardRows[1] + " state 2\n" + kStandardRows[0] +
                              "\n" + kStandardRows[2] + "\n";
    EXPECT_EQ(Summary(rec), after);
    EXPECT_TRUE(rec->GetMaterial() == fresh && RefBase::FromItem(fresh) == rec && rec->GetMirror(0) == kept &&
                rec->GetMirror(1)->GetAnim() == fresh);
    EXPECT_EQ(Animatable::GetAnimByHandle(plainMaterial), nullptr);
    EXPECT_EQ(Animatable::GetAnimByHandle(plainMaps), nullptr);
    // Listed once, where the old one was; the old one is gone from the list.
    EXPECT_EQ(std::to_string(Occurrences(fresh)) + " at " + std::to_string(Lib()->FindMtl(fresh) - at) + ", old at " +
                  std::to_string(Lib()->FindMtl(brick)) + ", count " + std::to_string(Lib()->Count() - count),
              "1 at 0, old at -1, count -1");
    // Null changes nothing.
    rec->Update(nullptr);
    EXPECT_EQ(rec->GetMaterial(), fresh);
    EXPECT_EQ(Summary(rec), after);
}

TEST_F(RefMaterialTest, RenamesAreTheUsersUnlessTheyOnlyAddThePrefix) {
    struct Case {
        bool prefix;
        const wchar_t* to;
        const char* state; // material name | overridden name | flags
    };
    const Case cases[] = {
        // The helper's prefix and the referenced name are what the helper itself would name it.
        {true, L"Ref01_Brick", "Ref01_Brick |  | 0"},
        // A prefixed name is stored without the prefix; any other whole, and it never gets a prefix.
        {true, L"Ref01_Wall", "Ref01_Wall | Wall | 2"},
        {true, L"Wall", "Wall | Wall | 6"},
        {true, L"Ref01Wall", "Ref01Wall | Ref01Wall | 6"},
        {false, L"Wall", "Wall | Wall | 6"},
        {false, L"Ref01_Brick", "Ref01_Brick | Ref01_Brick | 6"},
    };
    for (const Case& c : cases) {
        UsePrefix(c.prefix);
        // Made after the prefix was switched: its material is still named "Brick".
        Mtl* m = b.Standard("Brick");
        RefMaterial* rec = Record(m);
        Rename(m, c.to);
        EXPECT_EQ(State(rec), c.state) << WStr(c.to).ToUTF8();
        EXPECT_EQ(rec->HasOverrides(), rec->GetMaterialFlags() != 0);
    }
}

TEST_F(RefMaterialTest, LaterRenamesFollowTheFlagsAndUndoPutsNameAndFlagsBack) {
    UsePrefix(true);
    RefMaterial* rec = Record(brick);
    // The second rename's expected name is the prefixed overridden name: the referenced name is a rename
    // too. Once the name carries no prefix, every rename is taken whole.
    std::vector<std::string> states = {State(rec)};
    for (const wchar_t* name : {L"Ref01_Wall", L"Ref01_Brick", L"Tile", L"Ref01_Stone"}) {
        Rename(brick, name);
        states.push_back(State(rec));
    }
    EXPECT_EQ(states, (std::vector<std::string>{"Brick |  | 0", "Ref01_Wall | Wall | 2", "Ref01_Brick | Brick | 2",
                                                "Tile | Tile | 6", "Ref01_Stone | Ref01_Stone | 6"}));
    // Each undo puts name and flags back exactly; redo takes them again.
    for (size_t i = states.size() - 1; i > 0; --i) {
        ASSERT_TRUE(theHold.Undo());
        EXPECT_EQ(State(rec), states[i - 1]);
    }
    ASSERT_TRUE(theHold.Redo());
    EXPECT_EQ(State(rec), states[1]);
}

TEST_F(RefMaterialTest, RenamesDuringOperationsAndThePrefixItselfAreNoOverrides) {
    RefMaterial* rec = Record(brick);
    for (OperationCode op : {OperationCode::Load, OperationCode::Renaming, OperationCode::Record}) {
        OperationCodeGuard code(op);
        Rename(brick, L"Elsewhere");
    }
    EXPECT_EQ(State(rec), "Elsewhere |  | 0");
    brick->SetName(L"Brick");
    // Switching the helper's prefix renames the material with no operation code set.
    UsePrefix(true);
    EXPECT_EQ(State(rec), "Ref01_Brick |  | 0");
    UsePrefix(false);
    EXPECT_EQ(State(rec), "Brick |  | 0");
    // An overridden name is prefixed as it is; a name without prefix is left alone.
    Rename(brick, L"Wall");
    rec->SetMaterialFlags(REFMTL_NO_PREFIX, false, false);
    rec->ApplyNamePrefix(L"P");
    EXPECT_EQ(State(rec), "P_Wall | Wall | 2");
    rec->ApplyNamePrefix(L"");
    EXPECT_EQ(State(rec), "Wall | Wall | 2");
    rec->SetMaterialFlags(REFMTL_NO_PREFIX, true, false);
    rec->ApplyNamePrefix(L"P");
    EXPECT_EQ(State(rec), "Wall | Wall | 6");
}

TEST_F(RefMaterialTest, TheLoadsUniqueRenameBecomesTheOverriddenName) {
    RefMaterial* rec = Record(brick);
    const auto send = [&] {
        brick->NotifyDependents(FOREVER, 0, REFMSG_OSTRIVANS_MTL_RENAMED, REFBASE_SUPER_CLASS_ID, FALSE);
    };
    {
        // The load renames; the record hears that rename as the load's, not the user's.
        OperationCodeGuard code(OperationCode::Load);
        brick->SetName(L"Brick1");
    }
    // Outside a load the message means nothing.
    {
        OperationCodeGuard code(OperationCode::Record);
        send();
    }
    EXPECT_EQ(State(rec), "Brick1 |  | 0");
    {
        OperationCodeGuard code(OperationCode::Load);
        theHold.Begin();
        send();
        theHold.Accept(L"Load");
    }
    EXPECT_EQ(State(rec), "Brick1 | Brick1 | 2");
    EXPECT_TRUE(rec->HasOverrides());
    // The flag is undoable with the load's step.
    ASSERT_TRUE(theHold.Undo());
    EXPECT_EQ(rec->GetMaterialFlags(), 0);
}

TEST_F(RefMaterialTest, TheMaterialIsWeakWhileUnloadingSavingOrDuplicatingUnlessLocDep) {
    RefMaterial* rec = Record(brick);
    rec->SetMaterialFlags(REFMTL_LOCDEP, true, false);
    EXPECT_TRUE(rec->HasOverrides());
    for (OperationCode op : kWeakeningOperations) EXPECT_EQ(RealDependencies(rec, {brick}, op), "1") << op;
    rec->SetMaterialFlags(REFMTL_LOCDEP, false, false);
    // Mirrors follow the record base's rule.
    ExpectWeakOnlyWhileUnloadingSavingOrDuplicating(rec, {brick, rec->GetMirror(1)}, "00",
                                                    [&] { helper->GetParamBlock()->SetValue(pb_persist_ref, 0, 1); });
}

TEST_F(RefMaterialTest, AnUnmatchedRecordKeepsItsMirrorsAndNameWithoutMaterial) {
    RefMaterial* rec = Record(brick);
    Rename(brick, L"Wall");
    rec->GetMirror(1)->SetOverriddenState(REFANIM_MODIFIED);
    RefAnim* changed = rec->GetMirror(1);
    {
        // The unload lets go of the content: only what carries a change stays.
        OperationCodeGuard code(OperationCode::Unload);
        GetCOREInterface()->DeleteNode(box);
    }
    const std::string unmatched = "Brick | <none> | Wall | 6 overrides\n" + kStandardRows[0] + "\n" + kStandardRows[1] + " state 2\n" + kStandardRows[2] + "\n";
    EXPECT_EQ(Summary(rec), unmatched);
    EXPECT_TRUE(rec->GetItem() == nullptr && rec->GetMirror(1) == changed);
    // A merge without a material of that name calls nothing, or Update with none.
    rec->Update(nullptr);
    rec->ApplyNamePrefix(L"P");
    rec->CollectIfLoaded();
    EXPECT_EQ(Summary(rec), unmatched);
}

TEST_F(RefMaterialTest, CloneCopiesNamesFlagsAndTheChangedMirrorsOnly) {
    RefMaterial* rec = Record(brick);
    UsePrefix(true);
    Rename(brick, L"Ref01_Wall");
    rec->SetMaterialFlags(REFMTL_LOCDEP, true, false);
    rec->GetMirror(2)->SetOverriddenState(REFANIM_REPLACED);
    RemapDir remap;
    auto* copy = dynamic_cast<RefMaterial*>(remap.CloneRef(rec));
    ASSERT_NE(copy, nullptr);
    loose.push_back(copy);
    EXPECT_EQ(copy->GetHelper(), nullptr);
    EXPECT_EQ(Summary(copy), "Brick | <none> | Wall | " + std::to_string(REFMTL_LOCDEP | REFMTL_OVERRIDDEN_NAME) +
                                 " overrides\nnull\nnull\n" + kStandardRows[2] + " state 1\n");
    // The overridden name is the user's only while the flag says so.
    rec->SetMaterialFlags(REFMTL_OVERRIDDEN_NAME, false, false);
    auto* second = dynamic_cast<RefMaterial*>(RemapDir().CloneRef(rec));
    ASSERT_NE(second, nullptr);
    loose.push_back(second);
    EXPECT_EQ(second->GetOverriddenName(), WStr(L""));
}

TEST_F(RefMaterialTest, DescriptionAndListenerDumps) {
    RefMaterial* rec = Record(brick);
    Rename(brick, L"Wall");
    rec->SetMaterialFlags(REFMTL_LOCDEP, true, false);
    const int tag = Tag(brick);
    EXPECT_EQ(rec->GetDescription().ToUTF8(),
              "Material Name: Brick - " + std::to_string(tag) +
                  "\n\n\nOverriddenName:  - 2\nOverriddenLocDep:  - 1RefAnims: 3");
    listener.Clear();
    rec->PrintData(0);
    EXPECT_EQ(Lines(), "\nRefMaterial: Brick - " + std::to_string(tag) + "\nRefAnims: 3\n");
    listener.Clear();
    rec->PrintData(1);
    std::string mirrors;
    for (int i = 0; i < 3; ++i)
        mirrors += "\n\nRefAnim: " + std::to_string(i) + "\n" + rec->GetMirror(i)->Describe().ToUTF8();
    EXPECT_EQ(Lines(), "\n\n***************************\nRefMaterial: Brick - " + std::to_string(tag) +
                           "\n\n\nOverriddenName:  - 2\nOverriddenLocDep:  - 1RefAnims: " + mirrors + "\n");
    EXPECT_EQ(rec->Dump().substr(0, rec->Dump().find('\n')),
              "RefMaterial Brick overridden \"Wall\" flags 0x7 (OverriddenLocDep, OverriddenName, NoPrefix)");
}

TEST_F(RefMaterialTest, ErrorsNameTheRecordAndDropTheMaterial) {
    RefMaterial* rec = Record(brick);
    auto* bad = new FailingMirror();
    bad->SetOwner(rec);
    bad->SetPath({L"Nowhere"});
    rec->AppendMirror(bad);
    const std::string description = rec->GetDescription().ToUTF8();
    const std::string mirror = bad->Describe().ToUTF8();
    try {
        rec->Collect();
        ADD_FAILURE() << "Collect did not fail";
    } catch (const MAXException& e) {
        EXPECT_EQ(e.Message().ToUTF8(), "Error Collecting RefMaterial\n" + description +
                                            "\n\nError Collecting RefAnim\n" + mirror + "\n\nno stream");
        EXPECT_EQ(e.Code(), 0);
    }
    // The record lets go of the material; the node still holds it.
    EXPECT_TRUE(!rec->GetMaterial() && !rec->IsBusy() && box->GetMtl() == brick);

    // An update with something that is no material.
    try {
        rec->Update(box);
        ADD_FAILURE() << "Update did not fail";
    } catch (const MAXException& e) {
        EXPECT_EQ(e.Message().ToUTF8().rfind("Error Updating RefMaterial\nMaterial Name: Brick - 0\n\n", 0),
                  0u)
            << e.Message().ToUTF8();
        EXPECT_NE(e.Message().ToUTF8().find("is not a material"), std::string::npos);
    }
    EXPECT_EQ(rec->GetMaterial(), nullptr);
}

TEST_F(RefMaterialTest, SavesItsValuesAndTheMirrorCountAndLoadsThemBack) {
    RefMaterial* rec = Record(brick);
    ChunkSave plain;
    ASSERT_EQ(rec->Save(&plain), IO_OK);
    // The stamp 10701.0 as a float, the name, two bytes of flags, the mirror count.
    EXPECT_EQ(ChunkLoad::Dump(plain.Bytes()), "0x0000 data @0 len 4: 00 34 27 46\n"
                                              "0x0009 data @10 len 10: 42 00 72 00 69 00 63 00 6b 00\n"
                                              "0x000A data @26 len 2: 00 00\n"
                                              "0x0022 data @34 len 4: 03 00 00 00\n");

    Rename(brick, L"Wall");
    rec->SetMaterialFlags(REFMTL_LOCDEP, true, false);
    ChunkSave out;
    ASSERT_EQ(rec->Save(&out), IO_OK);
    EXPECT_EQ(TopLevelChunkIds(out.Bytes()), (std::vector<int>{0x0000, 0x0009, 0x000A, 0x000B, 0x0022}));

    auto* back = new RefMaterial(TRUE);
    loose.push_back(back);
    ChunkLoad in(out.Bytes());
    ASSERT_EQ(back->Load(&in), IO_OK);
    // Empty entries for the host to fill.
    EXPECT_EQ(Summary(back), "Brick | <none> | Wall | 7 overrides\nnull\nnull\nnull\n");
    EXPECT_EQ(back->NumRefs(), 4);
}

TEST_F(RefMaterialTest, ADamagedMirrorCountEndsTheLoadAndLaterChunksAreSkipped) {
    // The result, flags and mirror count of a record read from the chunks.
    const auto load = [&](std::initializer_list<std::pair<USHORT, std::uint32_t>> chunks) {
        ChunkSave out;
        ULONG written = 0;
        for (const auto& [id, value] : chunks) {
            out.BeginChunk(id);
            out.Write(&value, id == 0x000A ? 2 : 4, &written);
            out.EndChunk();
        }
        auto* rec = new RefMaterial(TRUE);
        loose.push_back(rec);
        ChunkLoad in(out.Bytes());
        const IOResult result = rec->Load(&in);
        return std::string(result == IO_OK ? "ok" : "error") + " flags " + std::to_string(rec->GetMaterialFlags()) +
               " mirrors " + std::to_string(rec->NumMirrors());
    };
    EXPECT_EQ(load({{0x000A, REFMTL_OVERRIDDEN_NAME}, {0x0030, 1}, {0x0022, 2}}), "ok flags 2 mirrors 2");
    // A count far beyond any material's mirrors.
    EXPECT_EQ(load({{0x0022, 0x7fffffff}}), "error flags 0 mirrors 0");
}

TEST_F(RefMaterialTest, ASavedRecordReopensWithItsMaterialAndMirrors) {
    // Without helper: the holder below owns it.
    auto* rec = new RefMaterial(brick, nullptr);
    Rename(brick, L"Wall");
    rec->GetMirror(1)->SetOverriddenState(REFANIM_MODIFIED);
    // A holder in the scene keeps the record, so the scene file writes it.
    NewRefHolderNode(L"Holder", 1)->ReplaceReference(0, rec);

    // The record's own chunks, written without the scene save cycle (which would weaken a record of no
    // helper).
    EndHelperSession();
    SaveAndReopen("ostrivans-refmaterial");
    if (HasFatalFailure()) return;
    INode* node = GetCOREInterface()->GetINodeByName(L"Holder");
    ASSERT_NE(node, nullptr);
    auto* back = dynamic_cast<RefMaterial*>(static_cast<RefHolder*>(node->GetObjectRef())->GetReference(0));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(Summary(back), "Brick | Wall | Wall | 6 overrides\n" + kStandardRows[0] + "\n" + kStandardRows[1] +
                                 " state 2\n" + kStandardRows[2] + "\n");
    EXPECT_EQ(back->GetMaterial(), GetCOREInterface()->GetINodeByName(L"Box01")->GetMtl());
    EXPECT_EQ(RefBase::FromItem(back->GetMaterial()), back);
}

} // namespace
