// Loading a reference from real scene files: records and mirrors for what the merge brought, binding by
// name, locally deleted nodes, nested references, the host settings put back, refusals and failure reports
// (the name prefix, unique material names and the Active switch are the e2e scripts reference_prefix.ms's
// and reference_load.ms's).
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
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

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

// Aftermath, then the helper's records as rows, then what the host showed: its prompt, its messages and
// error reports (line breaks as "|"), and its beeps; one line each.
std::string Outcome(OstrivansHelper* h) {
    Interface* ip = GetCOREInterface();
    const auto flat = [](const WStr& text) {
        std::string s = text.ToUTF8();
        for (size_t at; (at = s.find("\r\n")) != std::string::npos;) s.replace(at, 2, "|");
        return s;
    };
    std::string s = Aftermath(h) + "\n";
    for (const std::string& row : RecordRows(h)) s += row + "\n";
    if (!ip->GetPromptText().isNull()) s += "prompt " + ip->GetPromptText().ToUTF8() + "\n";
    for (const auto& m : ip->Services().Shown()) s += "message " + flat(m.title) + ": " + flat(m.text) + "\n";
    for (const TextDialog& d : GetHostDialogs().Shown()) s += "dialog " + flat(d.title) + ": " + flat(d.text) + "\n";
    for (unsigned beep : ip->Services().Beeps()) s += "beep " + std::to_string(beep) + "\n";
    return s;
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

using ReferenceLoadTest = ReferenceFileFixture;

TEST_F(ReferenceLoadTest, EveryMergedNodeAndMaterialGetsItsRecordAndMirrors) {
    const MSTR file = WriteWalls("walls");
    OstrivansHelper* h = HelperFor(file);
    Broadcasts seen;
    h->SetRenderSwapFlag(true); // the load decides afresh

    ASSERT_EQ(h->Load(), 1) << Lines();

    EXPECT_EQ(Outcome(h) + "render swap " + std::to_string(h->GetRenderSwapFlag()),
              "nodes Ostrivan01 Wall01 Door01; loaded 1, time set, layer setting kept, code none, batch closed\n"
              "Wall01 Wall01 17 bound\nDoor01 Door01 15 bound\nBrick Brick 3 bound\nWood Wood 3 bound\n"
              "prompt Reference Loaded\nrender swap 0");
    EXPECT_EQ(seen.codes, (std::vector<int>{NOTIFY_OSTRIVANS_PRE_LOAD, NOTIFY_OSTRIVANS_POST_LOAD}));
    // The load adds the materials to the scene library.
    for (int i = 0; i < h->NumRefMaterials(); ++i)
        EXPECT_NE(ip->GetSceneMtls()->FindMtl(h->GetRefMaterial(i)->GetMaterial()), -1) << i;
    EXPECT_EQ(h->GetFileTime(), GetFileLastWriteTime(NormalizePath(file)));

    // Loaded already: refused without a broadcast, and nothing merged again.
    EXPECT_EQ(h->Load(), 0);
    EXPECT_EQ(seen.codes.size(), 2u);
    EXPECT_EQ(SceneNodeNames(), (std::vector<std::string>{"Ostrivan01", "Wall01", "Door01"}));
}

// An inactive helper refuses the load its new file name asks for once the load's broadcasts went out (a
// script sees it refuse, then load when switched on, in tests/e2e/reference_load.ms).
TEST_F(ReferenceLoadTest, AnInactiveHelperRefusesTheLoadAfterItsBroadcasts) {
    const MSTR file = WriteWalls("walls");
    OstrivansHelper* h = NewHelperNode(L"Ostrivan01");
    h->GetParamBlock()->SetValue(pb_active, 0, 0);
    Broadcasts seen;
    h->GetParamBlock()->SetValue(pb_filename, 0, file.c_str());
    EXPECT_EQ(seen.codes, (std::vector<int>{NOTIFY_OSTRIVANS_PRE_LOAD, NOTIFY_OSTRIVANS_POST_LOAD}));
    EXPECT_EQ(Outcome(h), "nodes Ostrivan01; loaded 0, time 0, layer setting kept, code none, batch closed\n");
}

// A load that cannot merge its file (the open scene itself, a file the host refuses, no file) merges
// nothing, reports only a circular dependency, puts the host settings back and clears the file time; it
// never finishes a mirror's override an earlier load was asked for (that mirror may be gone).
TEST_F(ReferenceLoadTest, ALoadThatCannotMergeItsFileLeavesTheSceneAndSettingsAsTheyWere) {
    const MSTR walls = WriteWalls("walls");
    const fs::path damaged = dir_ / "damaged.max";
    { std::ofstream(damaged, std::ios::binary) << "not a scene file at all"; }
    const std::string unloaded = "loaded 0, time 0, layer setting kept, code none, batch closed\n";
    struct Row {
        MSTR file;
        bool openIt;
        std::string expected;
    };
    const Row rows[] = {
        {walls, true,
         "nodes Wall01 Door01 Ostrivan01; " + unloaded +
             "message Error: There is a circular scene dependency. The Ostrivan file <walls> was not loaded.\n"},
        {WStr::FromUTF8(damaged.string()), false, "nodes Ostrivan01; " + unloaded},
        {WStr::FromUTF8((dir_ / "missing.max").string()), false, "nodes Ostrivan01; " + unloaded},
    };
    for (const Row& row : rows) {
        if (row.openIt) ASSERT_TRUE(ip->LoadFromFile(row.file.c_str()));
        else ip->FileReset(TRUE);
        ip->GetLayerManager()->SetDuplicateLayerWithoutSameHierarchyOnMerge(true);
        ip->Services().ClearRecord();
        OstrivansHelper* h = HelperFor(row.file);
        if (!row.openIt) h->SetFileTime(42);
        auto* stale = new FinishCounter;
        h->RegisterChangedMirror(stale);

        EXPECT_EQ(h->Load(), 0);

        std::string text = Outcome(h);
        const std::string path = ResolveReferencePath(walls).ToUTF8();
        if (const size_t at = text.find(path); at != std::string::npos) text.replace(at, path.size(), "<walls>");
        EXPECT_EQ(text, row.expected);
        EXPECT_EQ(stale->finished, 0) << row.expected;
        EXPECT_TRUE(h->GetChangedMirrors().empty()) << row.expected;
        stale->MaybeAutoDelete();
    }
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

    // The records kept are known by their overrides, not by addresses a dropped record may leave free.
    std::string kept = "overrides";
    for (int i = 0; i < h->NumRefNodes(); ++i)
        kept += " " + std::to_string(h->GetRefNode(i)->GetOverrideFlags()) + "@" +
                std::to_string(int(h->GetRefNode(i)->GetNode()->GetNodeTM(0).GetTrans().x));
    EXPECT_EQ(Outcome(h) + kept,
              "nodes Ostrivan01 A A A B; loaded 1, time set, layer setting kept, code none, batch closed\n"
              "A A 12 bound\nA A 12 bound\nA A 12 bound\nB B 12 bound\nprompt Reload Successful\n"
              "dialog Duplicated Names Warning - Ostrivan01: A|\nbeep 48\nbeep 48\n"
              "overrides " + std::to_string(REFNODE_OVERRIDE_WIRE_COLOR) + "@1 " +
                  std::to_string(REFNODE_OVERRIDE_WIRE_COLOR) + "@2 0@3 0@0");
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

// A material the load renamed keeps its new name in its record as the user's (a script sees the name and
// the record's flag in tests/e2e/reference_load.ms).
TEST_F(ReferenceLoadTest, AMaterialRenamedByTheLoadKeepsItsNewNameInItsRecord) {
    const MSTR file = WriteFile("mats", [&] { b.Box("Wall01").Material(b.Standard("Brick")).Build(); });
    ip->GetSceneMtls()->Add(b.Standard("Brick"));
    OstrivansHelper* h = HelperFor(file);
    ASSERT_EQ(h->Load(), 1);
    const std::string dump = h->GetRefMaterial(0)->Dump();
    EXPECT_EQ(dump.substr(0, dump.find('\n')), "RefMaterial Brick overridden \"Brick001\" flags 0x2 (OverriddenName)");
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

    // The doomed node goes, thawed first; its child stays, on the doomed node's parent, where it was in the
    // world.
    EXPECT_EQ(Outcome(h), "nodes Ostrivan01 Wall01 Knob01; loaded 1, time set, layer setting kept, code none, batch "
                          "closed\nWall01 Wall01 12 bound\nKnob01 Knob01 12 bound\nprompt Reference Loaded\n");
    EXPECT_EQ(deleted, std::vector<std::string>{"Door01"});
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

    EXPECT_EQ(GetHelperModuleState().registry, std::vector<OstrivansHelper*>{h});
    EXPECT_EQ(Outcome(h) + "render swap " + std::to_string(h->GetRenderSwapFlag()),
              "nodes Ostrivan01 Table01 Chair01; loaded 1, time set, layer setting kept, code none, batch closed\n"
              "Table01 Table01 12 bound\nChair01 Chair01 15 bound\nOak Oak 3 bound\nprompt Reference Loaded\n"
              "render swap 1");
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
    // What the merge made is gone.
    EXPECT_EQ(Outcome(h), "nodes Ostrivan01; loaded 0, time 0, layer setting kept, code none, batch closed\n"
                          "dialog Reference Error: Error Loading Reference|Merged Nodes: 2|Name: Ostrivan01|RefNodes: "
                          "0, RefMaterials: 0, RefLayers: 0|NodesToDelete: 0, RenamedLayers: 0|LastOperation: "
                          "Cleaned||Error Merging File|LastOperation: Scene Mtls||disk on fire\nbeep 16\n");
    EXPECT_EQ(GetHelperModuleState().lastErrorText, GetHostDialogs().Shown()[0].text);

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
    // The listener ends with the two times in seconds, each a non-negative number.
    const std::string text = Lines();
    std::istringstream lines(text);
    std::vector<std::string> all;
    for (std::string line; std::getline(lines, line);) all.push_back(line);
    ASSERT_GE(all.size(), 2u) << text;
    const auto seconds = [](const std::string& line, const std::string& label) {
        if (line.rfind(label, 0) != 0) return false;
        const std::string number = line.substr(label.size());
        char* end = nullptr;
        const double value = std::strtod(number.c_str(), &end);
        return !number.empty() && *end == '\0' && value >= 0.0;
    };
    EXPECT_TRUE(seconds(all[all.size() - 2], "OV Merge Time: ")) << text;
    EXPECT_TRUE(seconds(all.back(), "OV Initialization Time: ")) << text;
}

// Whatever breaks a load after the records were bound, the report names it ("Unknown" for what is not a
// host error) and is shown under code 0; the code the caller had is back afterwards. The records are free
// again: the next load binds the same records without taking the old content for duplicates.
TEST_F(ReferenceLoadTest, AFailureIsReportedUnderCodeZeroAndLeavesTheRecordsFreeForTheNextLoad) {
    const MSTR file = WriteWalls("walls");
    OstrivansHelper* h = HelperFor(file);
    h->AddNodeToDelete(L"Door01");
    const std::string body = "Merged Nodes: 1\r\nName: Ostrivan01\r\nRefNodes: 1, RefMaterials: 2, RefLayers: 0\r\n"
                             "NodesToDelete: 1, RenamedLayers: 0\r\nLastOperation: Materials Added To Scene";
    struct Row {
        std::function<void()> raise;
        std::string report;
    };
    const Row rows[] = {
        {[] { throw MAXException(L"cannot delete now"); },
         "Error Loading Reference\r\n" + body + "\r\n\r\ncannot delete now"},
        {[] { throw std::runtime_error("out of handles"); },
         "Unknown Error Loading Reference\r\n" + body + "\r\n\r\nout of handles"},
        {[] { throw 42; }, "Unknown Error Loading Reference\r\n" + body},
    };
    CodeAtReport reports;
    SetHostDialogs(&reports);
    for (const Row& row : rows) {
        gRaise = row.raise;
        RegisterNotification(RaiseOnceBeforeADeletion, nullptr, NOTIFY_SCENE_PRE_DELETED_NODE);
        SetCurrentOperation(OperationCode::Record);
        const DWORD stamp = h->GetStamp();
        EXPECT_EQ(h->Load(), 0);
        EXPECT_NE(h->GetStamp(), stamp) << "the records' collect ends a pass";
        EXPECT_EQ(GetCurrentOperation(), OperationCode::Record) << row.report;
        SetCurrentOperation(OperationCode::None);
        ASSERT_FALSE(reports.texts.empty());
        EXPECT_EQ(reports.texts.back(), row.report);
        EXPECT_EQ(reports.codes.back(), OperationCode::None);
    }
    SetHostDialogs(nullptr);
    EXPECT_EQ(reports.codes.size(), 3u);
    // The node record that was bound is free again: no node, not loaded. The unload took Wall01's material
    // out with it; Wood stays with Door01 until the failed load deletes the node under no operation.
    EXPECT_EQ(Outcome(h), "nodes Ostrivan01; loaded 0, time set, layer setting kept, code none, batch closed\n"
                          "Wall01 -(unloaded) 17 loose\nWood Wood 3 bound\nBrick - 3 loose\n"
                          "beep 16\nbeep 16\nbeep 16\n");

    ip->Services().ClearRecord();
    ASSERT_EQ(h->Load(), 1);
    // No duplicated-names warning.
    EXPECT_EQ(Outcome(h), "nodes Ostrivan01 Wall01; loaded 1, time set, layer setting kept, code none, batch "
                          "closed\nWall01 Wall01 17 bound\nWood Wood 3 bound\nBrick Brick 3 bound\nprompt Reference "
                          "Loaded\n");
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
