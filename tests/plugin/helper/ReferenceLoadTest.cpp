// Loading a reference from real scene files: records and mirrors for what the merge brought, binding by
// name, unique material names, locally deleted nodes, nested references, the host settings put back,
// refusals and failure reports (the name prefix is the e2e script reference_prefix.ms's).
#include "plugin/helper/ReferenceLoad.h"
#include "host/core/MaxException.h"
#include "host/core/Notify.h"
#include "host/scene/HostDialogs.h"
#include "host/scene/HostServices.h"
#include "host/scene/ILayer.h"
#include "host/scene/Mtl.h"
#include "host/scene/objects/ObjectClasses.h"
#include "host/script/ScriptRuntime.h"
#include "plugin/anims/RefAnim.h"
#include "plugin/frame/OstrivansMessages.h"
#include "plugin/helper/HelperMergeFile.h"
#include "plugin/records/RefMaterial.h"
#include "plugin/records/RefNode.h"
#include "plugin/settings/OstrivansSettings.h"
#include "tests/plugin/helper/HelperTestSupport.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <cstdlib>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> SceneNodeNames() {
    std::vector<std::string> names;
    INode* root = GetCOREInterface()->GetRootNode();
    std::function<void(INode*)> walk = [&](INode* n) {
        for (int i = 0; i < n->NumberOfChildren(); ++i) {
            names.push_back(WStr(n->GetChildNode(i)->GetName()).ToUTF8());
            walk(n->GetChildNode(i));
        }
    };
    walk(root);
    return names;
}

std::vector<std::string> RecordNames(OstrivansHelper* h) {
    std::vector<std::string> names;
    for (int i = 0; i < h->NumRefNodes(); ++i)
        names.push_back(h->GetRefNode(i) ? h->GetRefNode(i)->GetReferencedName().ToUTF8() : "null");
    return names;
}

bool LayerSetting() {
    return GetCOREInterface()->GetLayerManager()->GetDuplicateLayerWithoutSameHierarchyOnMerge();
}

// What a load leaves that every caller relies on: the scene's nodes, whether the helper counts as loaded
// and has a file time, the host's layer-duplication setting put back (the fixture leaves it on), no
// operation code and no open batch.
std::string Aftermath(OstrivansHelper* h) {
    std::string s = "nodes";
    for (const std::string& n : SceneNodeNames()) s += " " + n;
    return s + "; loaded " + std::to_string(h->IsLoaded()) + ", time " + (h->GetFileTime() ? "set" : "0") +
           ", layer setting " + (LayerSetting() ? "kept" : "lost") + ", code " +
           (GetCurrentOperation() == OperationCode::None ? "none" : "left") + ", batch " +
           (GetHelperModuleState().batchOpen ? "open" : "closed");
}

class Broadcasts {
public:
    Broadcasts() {
        RegisterNotification(Proc, this, NOTIFY_OSTRIVANS_PRE_LOAD);
        RegisterNotification(Proc, this, NOTIFY_OSTRIVANS_POST_LOAD);
    }
    ~Broadcasts() { UnRegisterNotification(Proc, this); }
    std::vector<int> codes;

private:
    static void Proc(void* param, NotifyInfo* info) { static_cast<Broadcasts*>(param)->codes.push_back(info->intcode); }
};

// Raises what gRaise raises at the next node deletion, once.
std::function<void()> gRaise;
void RaiseOnceBeforeADeletion(void*, NotifyInfo*) {
    UnRegisterNotification(RaiseOnceBeforeADeletion, nullptr, NOTIFY_SCENE_PRE_DELETED_NODE);
    gRaise();
}

// Notes the operation code each report is shown under.
class CodeAtReport : public HostDialogs {
public:
    int ShowTextDialog(TextDialog& d) override {
        codes.push_back(GetCurrentOperation());
        texts.push_back(d.text.ToUTF8());
        return IDOK;
    }
    std::vector<OperationCode> codes;
    std::vector<std::string> texts;
};

class FinishCounter : public RefAnim {
public:
    void FinishOverride() override { ++finished; }
    int finished = 0;
};

class ThrowingCallback : public MergeCallback {
public:
    void NodesMerged(const INodeTab&) override { throw MAXException(L"disk on fire"); }
};

} // namespace

class ReferenceLoadTest : public HelperFileFixture {
protected:
    // Builds a scene with build(), saves it as stem.max and starts a new scene; the layer-duplication
    // setting is left on, so a load that does not put it back shows.
    MSTR WriteFile(const std::string& stem, const std::function<void()>& build) {
        build();
        const MSTR path = WStr::FromUTF8((dir_ / (stem + ".max")).string());
        EXPECT_TRUE(ip->SaveToFile(path.c_str(), false, false)) << ip->GetLastFileError();
        ip->FileReset(TRUE);
        ip->GetLayerManager()->SetDuplicateLayerWithoutSameHierarchyOnMerge(true);
        return path;
    }
    // Wall01 (box, bend, material Brick, layer Walls) with its child Door01 (material Wood).
    MSTR WriteWalls(const std::string& stem) {
        return WriteFile(stem, [&] {
            INode* wall = b.Box("Wall01").Layer("Walls").Material(b.Standard("Brick")).Build();
            b.AddModifier(wall, BEND_MODIFIER_CLASS_ID);
            b.Box("Door01").Parent(wall).Material(b.Standard("Wood")).Build();
        });
    }
    // A helper for the file that has not loaded it yet.
    OstrivansHelper* HelperFor(const MSTR& file, const MCHAR* name = L"Ostrivan01") {
        OstrivansHelper* h = NewHelperNode(name);
        AccessorDisabler off(h);
        h->GetParamBlock()->SetValue(pb_filename, 0, file.c_str());
        return h;
    }
};

TEST_F(ReferenceLoadTest, EveryMergedNodeAndMaterialGetsItsRecordAndMirrors) {
    const MSTR file = WriteWalls("walls");
    OstrivansHelper* h = HelperFor(file);
    Broadcasts seen;
    h->SetRenderSwapFlag(true);

    ASSERT_EQ(h->Load(), 1) << Lines();

    EXPECT_EQ(Aftermath(h), "nodes Ostrivan01 Wall01 Door01; loaded 1, time set, layer setting kept, code none, batch closed");
    EXPECT_FALSE(h->GetRenderSwapFlag()) << "the load decides afresh";
    EXPECT_EQ(seen.codes, (std::vector<int>{NOTIFY_OSTRIVANS_PRE_LOAD, NOTIFY_OSTRIVANS_POST_LOAD}));
    EXPECT_EQ(RecordRows(h), (std::vector<std::string>{"Wall01 Wall01 14 bound", "Door01 Door01 12 bound",
                                                       "Brick Brick 3 bound", "Wood Wood 3 bound"}));
    // The load adds the materials to the scene library.
    for (int i = 0; i < h->NumRefMaterials(); ++i)
        EXPECT_NE(ip->GetSceneMtls()->FindMtl(h->GetRefMaterial(i)->GetMaterial()), -1) << i;
    EXPECT_EQ(h->GetFileTime(), GetFileLastWriteTime(NormalizePath(file)));
    EXPECT_EQ(ip->GetPromptText(), MSTR(L"Reference Loaded"));
    EXPECT_TRUE(GetHostDialogs().Shown().empty());

    // Loaded already: refused without a broadcast, and nothing merged again.
    EXPECT_EQ(h->Load(), 0);
    EXPECT_EQ(seen.codes.size(), 2u);
    EXPECT_EQ(SceneNodeNames(), (std::vector<std::string>{"Ostrivan01", "Wall01", "Door01"}));
}

TEST_F(ReferenceLoadTest, SettingActiveOrTheFileNameLoadsAndAnInactiveHelperRefuses) {
    const MSTR file = WriteWalls("walls");
    OstrivansHelper* h = NewHelperNode(L"Ostrivan01");
    h->GetParamBlock()->SetValue(pb_active, 0, 0);
    Broadcasts seen;
    h->GetParamBlock()->SetValue(pb_filename, 0, file.c_str());
    EXPECT_FALSE(h->IsLoaded()) << "inactive: the reload refuses";
    EXPECT_EQ(seen.codes, (std::vector<int>{NOTIFY_OSTRIVANS_PRE_LOAD, NOTIFY_OSTRIVANS_POST_LOAD}));
    EXPECT_EQ(ip->GetPromptText(), MSTR(L""));

    h->GetParamBlock()->SetValue(pb_active, 0, 1);
    EXPECT_TRUE(h->IsLoaded());
    EXPECT_EQ(h->NumRefNodes(), 2);
}

TEST_F(ReferenceLoadTest, AFileThatReferencesTheOpenSceneIsCircularAndMergesNothing) {
    const MSTR file = WriteWalls("walls");
    ASSERT_TRUE(ip->LoadFromFile(file.c_str()));
    ip->GetLayerManager()->SetDuplicateLayerWithoutSameHierarchyOnMerge(true);
    OstrivansHelper* h = HelperFor(file);

    EXPECT_EQ(h->Load(), 0);

    EXPECT_EQ(Aftermath(h), "nodes Wall01 Door01 Ostrivan01; loaded 0, time 0, layer setting kept, code none, batch closed");
    EXPECT_EQ(h->NumRefNodes(), 0);
    ASSERT_EQ(ip->Services().Shown().size(), 1u);
    EXPECT_EQ(ip->Services().Shown()[0].title, L"Error");
    EXPECT_EQ(ip->Services().Shown()[0].text, L"There is a circular scene dependency. The Ostrivan file " +
                                                  ResolveReferencePath(file) + L" was not loaded.");
    EXPECT_TRUE(GetHostDialogs().Shown().empty()) << "not an error report";
}

// Records find their nodes by name: records of one name take the merged nodes of that name in table
// order; a node left over gets a new record, and the user is warned.
TEST_F(ReferenceLoadTest, NodesOfOneNameBindToRecordsInOrderAndTheUserIsWarned) {
    const MSTR two = WriteFile("two", [&] {
        b.Box("A").Pos({1, 0, 0}).Build();
        b.Box("A").Pos({2, 0, 0}).Build();
    });
    const MSTR three = WriteFile("three", [&] {
        b.Box("A").Pos({1, 0, 0}).Build();
        b.Box("A").Pos({2, 0, 0}).Build();
        b.Box("A").Pos({3, 0, 0}).Build();
        b.Box("B").Build();
    });
    OstrivansHelper* h = HelperFor(two);
    ASSERT_EQ(h->Load(), 1);
    ASSERT_EQ(GetHostDialogs().Shown().size(), 1u) << "the file itself has two nodes named A";
    EXPECT_EQ(GetHostDialogs().Shown()[0].title, L"Duplicated Names Warning - Ostrivan01");
    EXPECT_EQ(GetHostDialogs().Shown()[0].text, L"A\r\n");
    RefNode* first = h->GetRefNode(0);
    RefNode* second = h->GetRefNode(1);
    // Both carry an override, so the next load keeps them; then the content goes as an unload takes it.
    first->SetOverrideFlag(REFNODE_OVERRIDE_WIRE_COLOR, true, false);
    second->SetOverrideFlag(REFNODE_OVERRIDE_WIRE_COLOR, true, false);
    first->Collect();
    second->Collect();
    INodeTab content;
    content.Append(first->GetNode());
    content.Append(second->GetNode());
    ip->DeleteNodes(content);
    h->SetLoaded(false);
    GetHostDialogs().ClearRecord();

    h->GetParamBlock()->SetValue(pb_filename, 0, three.c_str());

    ASSERT_TRUE(h->IsLoaded()) << Lines();
    ASSERT_EQ(RecordNames(h), (std::vector<std::string>{"A", "A", "A", "B"}));
    // The records kept are known by their overrides, not by addresses a dropped record may leave free.
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(h->GetRefNode(i)->GetOverrideFlags(), i < 2 ? DWORD(REFNODE_OVERRIDE_WIRE_COLOR) : 0u) << i;
    for (int i = 0; i < 3; ++i) EXPECT_EQ(h->GetRefNode(i)->GetNode()->GetNodeTM(0).GetTrans().x, i + 1.0f) << i;
    ASSERT_EQ(GetHostDialogs().Shown().size(), 1u);
    EXPECT_EQ(GetHostDialogs().Shown()[0].text, L"A\r\n");
    EXPECT_EQ(ip->Services().Beeps(), (std::vector<unsigned>{MB_ICONEXCLAMATION, MB_ICONEXCLAMATION}));
}

TEST_F(ReferenceLoadTest, TickingDontShowAgainSilencesLaterWarnings) {
    const MSTR file = WriteFile("dups", [&] {
        b.Box("A").Build();
        b.Box("A").Build();
    });
    OstrivansHelper* first = HelperFor(file, L"First");
    GetHostDialogs().QueueCheck(true);
    ASSERT_EQ(first->Load(), 1);
    EXPECT_EQ(GetHostDialogs().Shown().size(), 1u);
    EXPECT_FALSE(ShowDuplicatedNamesWarningSetting());

    OstrivansHelper* second = HelperFor(file, L"Second");
    ASSERT_EQ(second->Load(), 1);
    EXPECT_EQ(GetHostDialogs().Shown().size(), 1u) << "no second warning";
    second->ShowDupNames();
    EXPECT_EQ(GetHostDialogs().Shown().size(), 2u) << "on request it still shows";
}

// A merged material whose name the scene uses already is renamed by the numbering rule, and its record
// keeps the new name as the user's.
TEST_F(ReferenceLoadTest, AMaterialNameTheSceneUsesIsMadeUniqueAndTheRecordLearnsIt) {
    const MSTR file = WriteFile("mats", [&] { b.Box("Wall01").Material(b.Standard("Brick")).Build(); });
    for (const char* name : {"Brick", "Brick001"}) {
        Mtl* m = b.Standard(name);
        b.Sphere(std::string("Local") + name).Material(m).Build();
        ip->GetSceneMtls()->Add(m);
    }
    OstrivansHelper* h = HelperFor(file);
    ASSERT_EQ(h->Load(), 1);

    ASSERT_EQ(h->NumRefMaterials(), 1);
    RefMaterial* rec = h->GetRefMaterial(0);
    EXPECT_EQ(rec->Dump().substr(0, rec->Dump().find('\n')),
              "RefMaterial Brick overridden \"Brick002\" flags 0x2 (OverriddenName)");
    EXPECT_EQ(rec->GetMaterial()->GetName(), MSTR(L"Brick002"));
    EXPECT_EQ(ip->GetSceneMtls()->Count(), 3);
}

TEST_F(ReferenceLoadTest, ALocallyDeletedNodeIsDeletedAgainAndGetsNoRecord) {
    const MSTR file = WriteFile("doomed", [&] {
        INode* wall = b.Box("Wall01").Build();
        b.Box("Door01").Parent(wall).Pos({0, 5, 0}).Build()->Freeze(TRUE);
        b.Box("Knob01").Parent(ip->GetINodeByName(L"Door01")).Pos({1, 5, 0}).Build();
    });
    OstrivansHelper* h = HelperFor(file);
    h->AddNodeToDelete(L"Door01");
    static std::vector<std::string> deleted;
    deleted.clear();
    NOTIFYPROC note = [](void*, NotifyInfo* info) {
        auto* n = static_cast<INode*>(info->callParam);
        deleted.push_back(WStr(n->GetName()).ToUTF8() + (n->IsFrozen() ? " frozen" : ""));
    };
    RegisterNotification(note, nullptr, NOTIFY_SCENE_PRE_DELETED_NODE);
    ASSERT_EQ(h->Load(), 1);
    UnRegisterNotification(note, nullptr, NOTIFY_SCENE_PRE_DELETED_NODE);

    EXPECT_EQ(RecordNames(h), (std::vector<std::string>{"Wall01", "Knob01"}));
    EXPECT_EQ(ip->GetINodeByName(L"Door01"), nullptr);
    EXPECT_EQ(deleted, std::vector<std::string>{"Door01"}) << "thawed before it goes";
    // The doomed node's child stays, on the doomed node's parent, where it was in the world.
    EXPECT_EQ(ip->GetINodeByName(L"Knob01")->GetParentNode(), ip->GetINodeByName(L"Wall01"));
    EXPECT_EQ(ip->GetINodeByName(L"Knob01")->GetNodeTM(0).GetTrans(), Point3(1, 5, 0));
    EXPECT_EQ(h->GetNodesToDelete(), std::vector<WStr>{L"Door01"});
}

// A helper inside the referenced file loads its own file with the merge; its content stays as plain
// content of the outer reference and the nested helper goes.
TEST_F(ReferenceLoadTest, ANestedReferenceIsFlattenedIntoTheOuterOne) {
    const MSTR inner = WriteFile("inner", [&] { b.Box("Chair01").Material(b.Standard("Oak")).Build(); });
    const MSTR outer = WriteFile("outer", [&] {
        b.Box("Table01").Build();
        OstrivansHelper* nested = HelperFor(inner, L"Nested");
        // Another file at render time: the outer reference must swap for renders too.
        AccessorDisabler off(nested);
        nested->GetParamBlock()->SetValue(pb_proxy_filename, 0, L"render-proxy.max");
        nested->GetParamBlock()->SetValue(pb_use_proxy_in_render, 0, 1);
    });
    // The nested helper saved unloaded (its file name was set with the accessor off); it loads when the
    // merge brings it, as any helper in an opened or merged file.
    OstrivansHelper* h = HelperFor(outer);
    ASSERT_EQ(h->Load(), 1) << Lines();

    EXPECT_EQ(ip->GetINodeByName(L"Nested"), nullptr);
    EXPECT_EQ(GetHelperModuleState().registry, std::vector<OstrivansHelper*>{h});
    EXPECT_EQ(RecordNames(h), (std::vector<std::string>{"Table01", "Chair01"}));
    ASSERT_EQ(h->NumRefMaterials(), 1);
    EXPECT_EQ(h->GetRefMaterial(0)->GetReferencedName(), MSTR(L"Oak"));
    EXPECT_TRUE(h->GetRenderSwapFlag());
}

TEST_F(ReferenceLoadTest, AFileTheHostRefusesLeavesTheSceneAndSettingsAsTheyWere) {
    const fs::path damaged = dir_ / "damaged.max";
    { std::ofstream(damaged, std::ios::binary) << "not a scene file at all"; }
    OstrivansHelper* h = HelperFor(WStr::FromUTF8(damaged.string()));
    h->SetFileTime(42);
    ip->GetLayerManager()->SetDuplicateLayerWithoutSameHierarchyOnMerge(true);
    EXPECT_EQ(h->Load(), 0);
    EXPECT_EQ(Aftermath(h), "nodes Ostrivan01; loaded 0, time 0, layer setting kept, code none, batch closed");
}

// An error inside the load is reported with the helper's data and the last step, and leaves none of the
// merged content behind.
TEST_F(ReferenceLoadTest, AnErrorDuringTheLoadIsReportedAndTakesTheMergedContentOut) {
    const MSTR file = WriteWalls("walls");
    OstrivansHelper* h = HelperFor(file);
    ThrowingCallback boom;
    ip->RegisterMergeCallback(&boom);
    const int result = h->Load();
    ip->UnRegisterMergeCallback(&boom);

    EXPECT_EQ(result, 0);
    ASSERT_EQ(GetHostDialogs().Shown().size(), 1u);
    const TextDialog& report = GetHostDialogs().Shown()[0];
    EXPECT_EQ(report.title, L"Reference Error");
    EXPECT_EQ(report.text.ToUTF8(),
              "Error Loading Reference\r\nMerged Nodes: 2\r\nName: Ostrivan01\r\nRefNodes: 0, RefMaterials: 0, "
              "RefLayers: 0\r\nNodesToDelete: 0, RenamedLayers: 0\r\nLastOperation: Cleaned\r\n\r\nError Merging "
              "File\r\nLastOperation: Scene Mtls\r\n\r\ndisk on fire");
    EXPECT_EQ(GetHelperModuleState().lastErrorText, report.text);
    EXPECT_EQ(ip->Services().Beeps(), std::vector<unsigned>{MB_ICONERROR});
    // What the merge made is gone.
    EXPECT_EQ(Aftermath(h), "nodes Ostrivan01; loaded 0, time 0, layer setting kept, code none, batch closed");

    // Quiet: nothing is shown.
    ip->SetQuietMode(TRUE);
    GetHostDialogs().ClearRecord();
    ip->RegisterMergeCallback(&boom);
    EXPECT_EQ(h->Load(), 0);
    ip->UnRegisterMergeCallback(&boom);
    EXPECT_TRUE(GetHostDialogs().Shown().empty());
    ip->SetQuietMode(FALSE);
}

TEST_F(ReferenceLoadTest, WithPrintTimesTheLoadWritesItsTimes) {
    const MSTR file = WriteWalls("walls");
    OstrivansHelper* h = HelperFor(file);
    SetPrintTimesSetting(1);
    ASSERT_EQ(h->Load(), 1);
    SetPrintTimesSetting(0);
    // "\nOV Merge Time: <seconds>\nOV Initialization Time: <seconds>\n", each a non-negative number.
    const std::string text = Lines();
    const size_t merge = text.find("\nOV Merge Time: ");
    ASSERT_NE(merge, std::string::npos) << text;
    char* end = nullptr;
    EXPECT_GE(std::strtod(text.c_str() + merge + 16, &end), 0.0);
    ASSERT_EQ(std::string(end).rfind("\nOV Initialization Time: ", 0), 0u) << text;
    EXPECT_GE(std::strtod(end + 25, &end), 0.0);
    EXPECT_EQ(std::string(end), "\n") << text;
}

// A failure after the records were bound leaves them free again: the next load binds the same records
// without taking the old content for duplicates.
TEST_F(ReferenceLoadTest, AFailureAfterBindingLeavesTheRecordsFreeForTheNextLoad) {
    const MSTR file = WriteWalls("walls");
    OstrivansHelper* h = HelperFor(file);
    h->AddNodeToDelete(L"Door01");
    gRaise = [] { throw MAXException(L"cannot delete now"); };
    RegisterNotification(RaiseOnceBeforeADeletion, nullptr, NOTIFY_SCENE_PRE_DELETED_NODE);
    const DWORD stamp = h->GetStamp();
    EXPECT_EQ(h->Load(), 0);
    EXPECT_NE(h->GetStamp(), stamp) << "the records' collect ends a pass";

    ASSERT_EQ(GetHostDialogs().Shown().size(), 1u);
    const std::string report = GetHostDialogs().Shown()[0].text.ToUTF8();
    EXPECT_NE(report.find("Merged Nodes: 1\r\n"), std::string::npos) << report;
    EXPECT_NE(report.find("RefNodes: 1, RefMaterials: 2"), std::string::npos) << report;
    EXPECT_NE(report.find("LastOperation: Materials Added To Scene\r\n\r\ncannot delete now"), std::string::npos)
        << report;
    EXPECT_EQ(SceneNodeNames(), std::vector<std::string>{"Ostrivan01"});
    ASSERT_EQ(h->NumRefNodes(), 1);
    EXPECT_FALSE(h->GetRefNode(0)->IsNodeLoaded());
    EXPECT_EQ(h->GetRefNode(0)->GetNode(), nullptr);

    GetHostDialogs().ClearRecord();
    ASSERT_EQ(h->Load(), 1);
    EXPECT_EQ(RecordNames(h), std::vector<std::string>{"Wall01"});
    EXPECT_TRUE(h->GetRefNode(0)->IsNodeLoaded());
    EXPECT_TRUE(GetHostDialogs().Shown().empty()) << "no duplicated-names warning";
}

// Whatever breaks a load, the report names it ("Unknown" for what is not a host error) and is shown under
// code 0; the code the caller had is back afterwards.
TEST_F(ReferenceLoadTest, EveryKindOfFailureIsReportedUnderCodeZeroAndTheCallersCodeComesBack) {
    const MSTR file = WriteWalls("walls");
    OstrivansHelper* h = HelperFor(file);
    h->AddNodeToDelete(L"Door01");
    struct Row {
        std::function<void()> raise;
        std::string head;
        std::string tail;
    };
    const Row rows[] = {
        {[] { throw MAXException(L"cannot delete now"); }, "Error Loading Reference\r\n", "\r\n\r\ncannot delete now"},
        {[] { throw std::runtime_error("out of handles"); }, "Unknown Error Loading Reference\r\n",
         "\r\n\r\nout of handles"},
        {[] { throw 42; }, "Unknown Error Loading Reference\r\n", "LastOperation: Materials Added To Scene"},
    };
    CodeAtReport reports;
    SetHostDialogs(&reports);
    for (const Row& row : rows) {
        gRaise = row.raise;
        RegisterNotification(RaiseOnceBeforeADeletion, nullptr, NOTIFY_SCENE_PRE_DELETED_NODE);
        SetCurrentOperation(OperationCode::Record);
        EXPECT_EQ(h->Load(), 0);
        EXPECT_EQ(GetCurrentOperation(), OperationCode::Record) << row.head;
        SetCurrentOperation(OperationCode::None);
        ASSERT_FALSE(reports.texts.empty());
        const std::string& text = reports.texts.back();
        EXPECT_EQ(text.rfind(row.head, 0), 0u) << text;
        EXPECT_TRUE(text.ends_with(row.tail)) << text;
        EXPECT_EQ(reports.codes.back(), OperationCode::None);
    }
    SetHostDialogs(nullptr);
    EXPECT_EQ(reports.codes.size(), 3u);
}

// Mirrors ask the load they run in to finish their override; a load, even one whose merge fails, never
// finishes what an earlier load was asked (that mirror may be gone).
TEST_F(ReferenceLoadTest, ALoadFinishesOnlyTheOverridesItWasAskedFor) {
    OstrivansHelper* h = HelperFor(WStr::FromUTF8((dir_ / "missing.max").string()));
    auto* stale = new FinishCounter;
    h->RegisterChangedMirror(stale);
    EXPECT_EQ(h->Load(), 0);
    EXPECT_EQ(stale->finished, 0);
    EXPECT_TRUE(h->GetChangedMirrors().empty());
    stale->MaybeAutoDelete();
}

// Materials bind by name as nodes do: one record for a material several nodes share, and on the next load
// the record that carries the user's change takes the fresh material (Update) instead of a new record.
TEST_F(ReferenceLoadTest, AMaterialRecordIsSharedByItsNodesAndReboundByName) {
    const MSTR file = WriteFile("shared", [&] {
        Mtl* brick = b.Standard("Brick");
        b.Box("Wall01").Material(brick).Build();
        b.Box("Wall02").Material(brick).Build();
    });
    OstrivansHelper* h = HelperFor(file);
    ASSERT_EQ(h->Load(), 1);
    ASSERT_EQ(h->NumRefMaterials(), 1);
    h->GetRefMaterial(0)->GetMirror(0)->SetOverriddenState(REFANIM_MODIFIED);
    INodeTab content = h->GetNodes();
    ip->DeleteNodes(content);
    h->SetLoaded(false);

    ASSERT_EQ(h->Load(), 1) << Lines();
    ASSERT_EQ(h->NumRefMaterials(), 1);
    RefMaterial* rec = h->GetRefMaterial(0);
    EXPECT_TRUE(rec->HasOverrides()) << rec->Dump();
    EXPECT_EQ(rec->GetReferencedName(), MSTR(L"Brick"));
    Mtl* fresh = ip->GetINodeByName(L"Wall01")->GetMtl();
    EXPECT_EQ(rec->GetMaterial(), fresh);
    EXPECT_EQ(ip->GetINodeByName(L"Wall02")->GetMtl(), fresh);
}
